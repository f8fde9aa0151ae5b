// The linear parameters that complete a discrete model's fit values.
#include "simulation/linear_parameter_dispatch.h"

#include "foundations/resampling.h"
#include "scandata/scan_store_alloc.h"
#include "state/component_scans.h"
#include "state/fit_services.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/scan_order.h"

#include <algorithm>
#include <vector>

bool SignalGoesIntoFit() {
    return !ModelChoice::contiMode && !ModelChoice::linearAmplitudes && !ModelChoice::fitTINoise &&
           !ModelChoice::fitRINoise;
}

namespace {

// The species' signals as they stand, summed on every simulated scan's own radii.
void SumComponentScansIntoFit() {
    using S = ScanStore;
    if (ComponentScans::OnScanRadii()) {
        for (int pos = LammGrid::firstSimulatedScan; pos <= S::scanCount; ++pos) {
            const int scan = ScanAtPosition(pos);
            const std::size_t count = std::size_t(S::pointCount[scan]);
            float* fit = S::fit[scan];
            std::fill(fit + 1, fit + 1 + count, 0.0f);
            for (int slot = 1; slot <= ModelParameters::maxSpecies; ++slot) {
                const auto& rows = ComponentScans::rows[slot];
                if (std::size_t(scan) >= rows.size() || rows[std::size_t(scan)].size() < count + 1)
                    continue;
                for (std::size_t p = 1; p <= count; ++p)
                    fit[p] += rows[std::size_t(scan)][p];
            }
        }
        return;
    }
    const int n = S::gridCount;
    if (S::gridRadius == nullptr || n <= 0)
        return;
    std::vector<double> x(std::size_t(n) + 1), sum(std::size_t(n) + 1);
    for (int j = 1; j <= n; ++j)
        x[std::size_t(j)] = S::gridRadius[j];
    for (int pos = LammGrid::firstSimulatedScan; pos <= S::scanCount; ++pos) {
        const int scan = ScanAtPosition(pos);
        std::fill(sum.begin(), sum.end(), 0.0);
        for (int slot = 1; slot <= ModelParameters::maxSpecies; ++slot) {
            const auto& rows = ComponentScans::rows[slot];
            if (std::size_t(scan) >= rows.size() || rows[std::size_t(scan)].size() < sum.size())
                continue;
            for (int j = 1; j <= n; ++j)
                sum[std::size_t(j)] += rows[std::size_t(scan)][std::size_t(j)];
        }
        float* fit = S::fit[scan];
        std::fill(fit + 1, fit + 1 + S::pointCount[scan], 0.0f);
        ResampleCurveFromDouble(S::pointCount[scan], S::radius[scan], fit, n, x.data(), sum.data());
    }
}

void AddBaseline() {
    using S = ScanStore;
    const float baseline = ModelParameters::baseline;
    for (int pos = LammGrid::firstSimulatedScan; pos <= S::scanCount; ++pos) {
        const int scan = ScanAtPosition(pos);
        for (int p = 1; p <= S::pointCount[scan]; ++p)
            S::fit[scan][p] += baseline;
    }
}

} // namespace

void CompleteLinearParameters() {
    if (ScanStore::scanCount <= 0 || ScanStore::fit == nullptr)
        return;
    if (FitServices::table.updateLinearParameters != nullptr) {
        FitServices::UpdateLinearParameters();
        return;
    }
    if (!SignalGoesIntoFit())
        SumComponentScansIntoFit();
    AddBaseline();
}
