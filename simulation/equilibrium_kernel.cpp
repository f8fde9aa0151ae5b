// The sedimentation-equilibrium exponential of one species in the scans, at each scan's own speed
// and temperature, with the detection's smoothing.
#include "simulation/equilibrium_kernel.h"

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

double EquilibriumScanSigma(int k, double buoyantMolarMass) {
    const ScanHeader& h = ScanStore::header[k];
    const double omega = h.rotorSpeed * PhysicalConstants::pi / 30.0;
    const double rt = double(PhysicalConstants::gasConstant) * (h.temperature + 273.15);
    return buoyantMolarMass * omega * omega / rt;
}

namespace {

// The profile of scan k's speed and temperature at the radii r[1..n] into out[1..n], with the
// detection's smoothing; false when the scan has no rotor speed.
bool ScanProfile(int k, double mb, double loading, const float* r, int n, float* out) {
    const double m = ModelParameters::meniscus, b = ModelParameters::bottom;
    for (int i = 1; i <= n; ++i)
        out[i] = 0.0f;
    if (!(ScanStore::header[k].rotorSpeed > 0.0f))
        return false;
    const double sigma = EquilibriumScanSigma(k, mb);
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
