// The equilibrium exponential of discrete species and the evaluation of the equilibrium model.
#include "fitting/equilibrium_fit.h"

#include "foundations/physical_constants.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_header.h"
#include "simulation/analytic_profiles.h"
#include "state/fluorophore.h"
#include "state/lamm_grid.h"
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

bool FillEquilibriumKernel(double buoyantMolarMass, double loading) {
    const double m = ModelParameters::meniscus, b = ModelParameters::bottom;
    if (!(m > 0.0) || !(b > m))
        return false;
    bool ok = true;
    std::vector<float> work;
    for (int k = 1; k <= ScanStore::scanCount; ++k) {
        if (!ScanStore::fit || !ScanStore::fit[k] || !ScanStore::radius[k])
            continue;
        const ScanHeader& h = ScanStore::header[k];
        const double omega = h.rotorSpeed * PhysicalConstants::pi / 30.0;
        if (!(omega > 0.0)) {
            ok = false;
            continue;
        }
        const double rt = double(PhysicalConstants::gasConstant) * (h.temperature + 273.15);
        const double sigma = buoyantMolarMass * omega * omega / rt;
        const int n = ScanStore::pointCount[k];
        const float* r = ScanStore::radius[k];
        work.assign(n + 1, 0.0f);
        for (int i = 1; i <= n; ++i)
            if (r[i] >= m && r[i] <= b)
                work[i] = static_cast<float>(EquilibriumConcentration(sigma, loading, r[i], m, b));
        // The optics average light over their radial resolution (absorbance only).
        if (ScanDataKind::absorbance && !ScanDataKind::intensity &&
            LammGrid::simulateRadialResolution)
            MovingAverageOfLogValues(n, LammGrid::radialConvolutionRange, r, work.data());
        if (DetectionCorrections::convolutionOn)
            ConvolveRadialGaussian(n, r, work.data());
        if (DetectionCorrections::coneOn)
            ApplyBottomShadow(n, r, work.data());
        for (int i = 1; i <= n; ++i)
            ScanStore::fit[k][i] += work[i];
    }
    return ok;
}

bool EvaluateEquilibriumModel(TXLAWindow* window) {
    (void)window;
    using M = ModelParameters;
    for (int k = 1; k <= ScanStore::scanCount; ++k)
        if (ScanStore::fit && ScanStore::fit[k])
            for (int i = 1; i <= ScanStore::pointCount[k]; ++i)
                ScanStore::fit[k][i] = M::baseline;
    bool ok = true;
    for (int s = 1; s <= M::maxSpecies; ++s)
        if (M::speciesOn[s])
            ok = FillEquilibriumKernel(M::speciesDOrM[s], M::concentration[s]) && ok;
    for (int k = 1; k <= ScanStore::scanCount; ++k)
        if (ScanStore::fit && ScanStore::fit[k] && ScanStore::residuals && ScanStore::residuals[k])
            for (int i = 1; i <= ScanStore::pointCount[k]; ++i)
                ScanStore::residuals[k][i] = ScanStore::signal[k][i] - ScanStore::fit[k][i];
    return ok;
}
