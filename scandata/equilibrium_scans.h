// Two services on loaded equilibrium scans: the fitted curve of the latest scan as a scan file,
// and how much two scans differ apart from a constant offset.
#pragma once

#include <cstdint>
#include <vector>

// Writes the radii and fitted values of the last scan in time order to path as a scan file
// with the description "equilibrium" and that scan's header. Returns true when written (a file
// that cannot be written is reported with "Attention: could not open %s").
bool SaveEquilibriumFit(const char* path);

// The rms of (scan b - scan a resampled onto b's radii) minus its mean, over b's fit range;
// intensity scans ("*.RI*") are compared as log10(third / signal). 0 for indices outside
// 1..scanCount, a equal to b, an empty scan b or an empty range.
float ScanRmsdDifference(std::int32_t a, std::int32_t b);

// The same over b's points first..last, which need not be its fit range. With radii and
// residuals given, the mean-free differences and b's radii are appended to them in order.
float ScanRmsdDifferenceOver(std::int32_t a, std::int32_t b, int first, int last,
                             std::vector<float>* radii, std::vector<float>* residuals);

// The values scan k is compared by: log10(third / signal) for intensity files (10.0 where
// either is not positive), else the signal; [1..pointCount], empty for a bad index.
std::vector<float> ComparedScanValues(std::int32_t k);
