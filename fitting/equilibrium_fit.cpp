// The evaluation of the equilibrium model of discrete species.
#include "fitting/equilibrium_fit.h"

#include "fitting/linear_params.h"
#include "scandata/nonlinear_detection.h"
#include "state/component_scans.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/scan_store.h"

#include <vector>

namespace {

bool CellSet() {
    return ModelParameters::meniscus > 0.0f && ModelParameters::bottom > ModelParameters::meniscus;
}

// The loading each included species carries: the first included slot holds the total signal,
// the others their fractions of it (the convention the linear amplitudes write back).
std::vector<double> SpeciesLoadings() {
    using M = ModelParameters;
    std::vector<double> loading(M::maxSpecies + 1, 0.0);
    int first = 0;
    double fractions = 0.0;
    for (int s = 1; s <= M::maxSpecies; ++s) {
        if (!M::speciesOn[s])
            continue;
        if (first == 0) {
            first = s;
            continue;
        }
        loading[s] = double(M::concentration[first]) * M::concentration[s];
        fractions += M::concentration[s];
    }
    if (first)
        loading[first] = double(M::concentration[first]) * (1.0 - fractions);
    return loading;
}

} // namespace

namespace {

bool ComputeEquilibriumModel() {
    using M = ModelParameters;
    if (!CellSet() || !ScanStore::fit)
        return false;
    // With linear amplitudes or systematic noise the species go into ComponentScans and the
    // linear step makes the fit; otherwise they go straight into the fit.
    const bool onGrid =
        ModelChoice::linearAmplitudes || ModelChoice::fitTINoise || ModelChoice::fitRINoise;
    if (onGrid && (ScanStore::gridCount < 1 || !ScanStore::gridRadius))
        return false;
    const std::vector<double> loading = SpeciesLoadings();
    bool ok = true;
    for (int k = 1; k <= ScanStore::scanCount; ++k)
        if (ScanStore::fit[k])
            for (int i = 1; i <= ScanStore::pointCount[k]; ++i)
                ScanStore::fit[k][i] = 0.0f;
    for (int s = 1; s <= M::maxSpecies; ++s) {
        if (!M::speciesOn[s])
            continue;
        // The carried loading is what the amplitudes scale (1 where it is 0).
        const double carried = loading[s] != 0.0 ? loading[s] : 1.0;
        M::speciesLoading[s] = static_cast<float>(carried);
        if (!onGrid) {
            ok = FillEquilibriumKernel(M::speciesDOrM[s], loading[s]) && ok;
            continue;
        }
        for (int k = 1; k <= ScanStore::scanCount; ++k) {
            const int count = ComponentScans::Count(k);
            float* row = ComponentScans::Row(s, k, count);
            ok = EquilibriumScanProfile(k, M::speciesDOrM[s], carried, ComponentScans::Radii(k),
                                        count, row) &&
                 ok;
        }
    }
    UpdateLinearParameters();
    for (int k = 1; k <= ScanStore::scanCount; ++k)
        if (ScanStore::fit[k] && ScanStore::residuals && ScanStore::residuals[k])
            for (int i = 1; i <= ScanStore::pointCount[k]; ++i)
                ScanStore::residuals[k][i] = ScanStore::signal[k][i] - ScanStore::fit[k][i];
    return ok;
}

} // namespace

bool EvaluateEquilibriumModel(TXLAWindow* window) {
    (void)window;
    if (!CellSet() || !ScanStore::fit)
        return false;
    // With nonlinear detection the model meets the transformed data, as the velocity models do.
    BeginNonlinearDetectionModel();
    const bool ok = ComputeEquilibriumModel();
    EndNonlinearDetectionModel();
    return ok;
}
