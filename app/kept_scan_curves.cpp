// Copies of the scan store's fit curves, residuals and noise, and their return.
#include "app/kept_scan_curves.h"

#include "state/scan_store.h"

#include <algorithm>

namespace {

using S = ScanStore;

std::vector<float> Copy(const float* values, int count) {
    if (!values || count < 1)
        return {};
    return std::vector<float>(values + 1, values + 1 + count);
}

void Back(float* values, int count, const std::vector<float>& kept) {
    if (values)
        std::copy_n(kept.begin(),
                    std::min<std::size_t>(kept.size(), std::size_t(std::max(0, count))),
                    values + 1);
}

} // namespace

KeptScanCurves KeepScanCurves() {
    KeptScanCurves kept;
    kept.resultAvailable = S::resultAvailable;
    kept.tiNoise = Copy(S::tiNoise, S::gridCount);
    kept.riNoise = Copy(S::riNoise, S::scanCount);
    for (int k = 1; k <= S::scanCount && S::pointCount; ++k) {
        kept.fit.push_back(Copy(S::fit ? S::fit[k] : nullptr, S::pointCount[k]));
        kept.residuals.push_back(Copy(S::residuals ? S::residuals[k] : nullptr, S::pointCount[k]));
    }
    return kept;
}

void PutBackScanCurves(const KeptScanCurves& kept) {
    S::resultAvailable = kept.resultAvailable;
    Back(S::tiNoise, S::gridCount, kept.tiNoise);
    Back(S::riNoise, S::scanCount, kept.riNoise);
    const int scans = std::min(S::scanCount, int(kept.fit.size()));
    for (int k = 1; k <= scans && S::pointCount; ++k) {
        Back(S::fit ? S::fit[k] : nullptr, S::pointCount[k], kept.fit[k - 1]);
        Back(S::residuals ? S::residuals[k] : nullptr, S::pointCount[k], kept.residuals[k - 1]);
    }
}
