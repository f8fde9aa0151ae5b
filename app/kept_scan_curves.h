// The fit curves, residuals and noise that a stored result put into the scan store, copied before
// a distribution Fit: a Fit stopped by a key stores nothing, yet its shown trials wrote their own
// curves over the stored ones, which are put back so the window shows the stored result.
#pragma once

#include <vector>

struct KeptScanCurves {
    std::vector<std::vector<float>> fit, residuals; // [scan - 1][point - 1]
    std::vector<float> tiNoise, riNoise;            // [point - 1], [scan - 1]
    bool resultAvailable = false;
};

KeptScanCurves KeepScanCurves();
// Writes the copies back into the arrays they came from (in place: the plots' views stay), for
// the scans and points there still are.
void PutBackScanCurves(const KeptScanCurves& kept);
