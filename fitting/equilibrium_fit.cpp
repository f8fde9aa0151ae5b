// The equilibrium exponential of discrete species and the evaluation of the equilibrium model.
#include "fitting/equilibrium_fit.h"

#include "fitting/linear_params.h"
#include "foundations/physical_constants.h"
#include "scandata/nonlinear_detection.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_header.h"
#include "simulation/analytic_profiles.h"
#include "state/component_scans.h"
#include "state/fluorophore.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/scan_store.h"

#include <cmath>
#include <vector>

// Written relative to the end where the exponential is largest (the bottom for sigma > 0), with
// expm1 for the normalisation, so neither large nor tiny sigma loses the mass.
double EquilibriumConcentration(double sigma, double loading, double r, double m, double b) {
    const double a = 0.5 * sigma * (b * b - m * m);
    if (std::fabs(a) < 1e-9)
        return loading;
    if (a > 0)
        return loading * a * std::exp(0.5 * sigma * (r * r - b * b)) / -std::expm1(-a);
    return loading * a * std::exp(0.5 * sigma * (r * r - m * m)) / std::expm1(a);
}

namespace {

// The profile of scan k's speed and temperature at the radii r[1..n] into out[1..n], with the
// detection's smoothing; false when the scan has no rotor speed.
bool ScanProfile(int k, double mb, double loading, const float* r, int n, float* out) {
    const double m = ModelParameters::meniscus, b = ModelParameters::bottom;
    const ScanHeader& h = ScanStore::header[k];
    const double omega = h.rotorSpeed * PhysicalConstants::pi / 30.0;
    for (int i = 1; i <= n; ++i)
        out[i] = 0.0f;
    if (!(omega > 0.0))
        return false;
    const double rt = double(PhysicalConstants::gasConstant) * (h.temperature + 273.15);
    const double sigma = mb * omega * omega / rt;
    for (int i = 1; i <= n; ++i)
        if (r[i] >= m && r[i] <= b)
            out[i] = static_cast<float>(EquilibriumConcentration(sigma, loading, r[i], m, b));
    // The optics average light over their radial resolution (absorbance only).
    if (ScanDataKind::absorbance && !ScanDataKind::intensity && LammGrid::simulateRadialResolution)
        MovingAverageOfLogValues(n, LammGrid::radialConvolutionRange, r, out);
    if (DetectionCorrections::convolutionOn)
        ConvolveRadialGaussian(n, r, out);
    if (DetectionCorrections::coneOn)
        ApplyBottomShadow(n, r, out);
    return true;
}

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

bool EquilibriumScanProfile(int k, double buoyantMolarMass, double loading, const float* r, int n,
                            float* out) {
    return ScanProfile(k, buoyantMolarMass, loading, r, n, out);
}

bool FillEquilibriumKernel(double buoyantMolarMass, double loading) {
    if (!CellSet())
        return false;
    bool ok = true;
    std::vector<float> work;
    for (int k = 1; k <= ScanStore::scanCount; ++k) {
        if (!ScanStore::fit || !ScanStore::fit[k] || !ScanStore::radius[k])
            continue;
        const int n = ScanStore::pointCount[k];
        work.assign(n + 1, 0.0f);
        ok = ScanProfile(k, buoyantMolarMass, loading, ScanStore::radius[k], n, work.data()) && ok;
        for (int i = 1; i <= n; ++i)
            ScanStore::fit[k][i] += work[i];
    }
    return ok;
}

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
            ok = ScanProfile(k, M::speciesDOrM[s], carried, ComponentScans::Radii(k), count, row) &&
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
