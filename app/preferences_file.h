// The preferences file "tarnixparams.ini": one number per line, its index the line number from 0.
#pragma once

#include <functional>
#include <string>
#include <vector>

constexpr int kPreferenceCount = 19;
// Upper bound of a thread count taken from the file, so that a corrupted entry cannot start
// millions of threads.
constexpr int kMaxThreadCount = 64;
// Largest time-stamp threshold entry, (ratio - 1) x 100000, that reads back exactly.
constexpr int kMaxThresholdEntry = 1 << 24;

// Asks a Yes/No question about a missing preference; true for Yes.
using PreferenceQuestion = std::function<bool(const char* question)>;

// The entries of the file's text: entries[i] is the i-th line that holds anything. A line that is
// not one number and nothing else (in the C locale the writer uses), or that holds a number
// outside the range the same value is held to where it is typed (the radial resolution 0.001 to
// 0.1 cm, the time-stamp threshold entry within kMaxThresholdEntry), is not taken: its entry reads
// as missing (NaN) and refused names its line and why. A text of more lines than any file of its
// kind gives no entries and tooLong.
// A text that is not plain text (UTF-16, lines ending in a carriage return alone) gives no entries
// and notRead says why; a UTF-8 byte-order mark before the first line is passed over.
struct PreferenceText {
    std::vector<float> entries;
    std::vector<std::string> refused; // "line 2 holds 1e-6, not a number from 0.001 to 0.1"
    bool tooLong = false;
    std::string notRead;
    // The file holds something the start did not take as written: it is replaced only when the
    // user agrees.
    bool NotReadAsWritten() const { return tooLong || !notRead.empty() || !refused.empty(); }
};
PreferenceText ReadPreferenceText(const std::string& text);

// Sets the program-wide switches from the entries of the file (entries[i] is line i; count >= 1).
// Missing entries take their defaults; the two residual-update entries are asked through `ask`.
// An entry not read as written (NaN) takes its default (off for the two asked) without a question.
// Returns true when the file must be rewritten (entries beyond its end from index 2 on, or an
// optimiser entry that does not name the chosen optimiser).
bool ApplyPreferenceEntries(const float* entries, int count, const PreferenceQuestion& ask);

// The questions of entries 2 and 3, asked when a file lacks them and at the first start, when
// there is no file: whether the residuals bitmap and the residual plot follow a running fit.
void AskLiveRefreshPreferences(const PreferenceQuestion& ask);

// Entry 11: the distribution thread count, negated while multithreading is off, so the count
// survives the switch (0, as older files hold for off, reads as one thread).
int DistributionThreadEntry();

// The whole file as the program writes it from the current switches: 19 lines.
std::string FormatPreferences();

// The file as a one-entry save writes it back: each entry on its line with "%f" where that reads
// back as the same float, else with the digits it needs (0.00123449997 is not 0.001234).
std::string FormatPreferenceEntries(const std::vector<float>& entries);
