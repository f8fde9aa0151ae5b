// The preferences file "tarnixparams.ini": one number per line, its index the line number from 0.
#pragma once

#include <functional>
#include <string>

constexpr int kPreferenceCount = 19;
// Upper bound of a thread count taken from the file, so that a corrupted entry cannot start
// millions of threads.
constexpr int kMaxThreadCount = 64;
// Largest time-stamp threshold entry, (ratio - 1) x 100000, that reads back exactly.
constexpr int kMaxThresholdEntry = 1 << 24;

// Asks a Yes/No question about a missing preference; true for Yes.
using PreferenceQuestion = std::function<bool(const char* question)>;

// Sets the program-wide switches from the entries of the file (entries[i] is line i; count >= 1).
// Missing entries take their defaults; the two residual-update entries are asked through `ask`.
// Returns true when the file must be rewritten (entries missing from index 2 on, or an optimiser
// entry that does not name the chosen optimiser).
bool ApplyPreferenceEntries(const float* entries, int count, const PreferenceQuestion& ask);

// The questions of entries 2 and 3, asked when a file lacks them and at the first start, when
// there is no file: whether the residuals bitmap and the residual plot follow a running fit.
void AskLiveRefreshPreferences(const PreferenceQuestion& ask);

// Entry 11: the distribution thread count, negated while multithreading is off, so the count
// survives the switch (0, as older files hold for off, reads as one thread).
int DistributionThreadEntry();

// The whole file as the program writes it from the current switches: 19 lines.
std::string FormatPreferences();
