// Two services on loaded equilibrium scans: the fitted curve of the latest scan as a scan file,
// and how much two scans differ apart from a constant offset.
#pragma once

#include <cstdint>

// Writes the radii and fitted values of the last scan in time order to path as a scan file
// with the description "equilibrium" and that scan's header. Returns true when written (a file
// that cannot be written is reported with "Attention: could not open %s").
bool SaveEquilibriumFit(const char* path);

// The rms of (scan b - scan a resampled onto b's radii) minus its mean, over b's fit range;
// intensity scans ("*.RI*") are compared as log10(third / signal). 0 for indices outside
// 1..scanCount, a equal to b, an empty scan b or an empty range.
float ScanRmsdDifference(std::int32_t a, std::int32_t b);
