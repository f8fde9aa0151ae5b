// The results summary of a c(s) fit: 19 numbers on the fit and on the two largest peaks of the
// distribution, read as monomer and dimer, as a spreadsheet row and as labelled lines.
#pragma once

#include <array>
#include <string>

constexpr int kSummaryValues = 19;
// Values 1..19 at [1..19]; [0] unused.
using ResultsSummaryValues = std::array<float, kSummaryValues + 1>;

// Reads the fit, the scans and the current distribution. Values over empty sets are 0: the
// temperatures and wavelength without scans, the near-limit rmsd ratio without points within
// 0.1 cm of the left fit limit (or a zero rmsd), the peak values without peaks.
ResultsSummaryValues ComputeResultsSummary();
// Values 1..18 each "%f\t", value 19 "%f\n", then the 19 labelled lines.
std::string ResultsSummaryFileText(const ResultsSummaryValues& v);
// Each value in six significant digits followed by a tab.
std::string ResultsSummaryClipboardText(const ResultsSummaryValues& v);
