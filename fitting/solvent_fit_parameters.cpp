// The inhomogeneous solvent's fitted vbar and its box.
#include "fitting/solvent_fit_parameters.h"

#include "foundations/physical_constants.h"
#include "simulation/inhomogeneous_solvent.h"
#include "state/fit_control.h"
#include "state/model_choice.h"
#include "state/scan_store.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kWaterDensity = PhysicalConstants::waterDensity;
// The smallest vbar a fit may reach, ml/g, and the nearest |1 - vbar rho_w| it may come to 0.
constexpr double kLeastVbar = 1e-3;
constexpr double kLeastWaterBuoyancy = 1e-3;

bool BelowWaterFlotation() {
    return 1.0 - double(ScanStore::vbar) * kWaterDensity >= 0.0;
}

} // namespace

bool SolventVbarFloated() {
    return FitControl::fitVbar && ModelChoice::inhomogeneousSolvent && !ModelChoice::contiMode &&
           !ModelChoice::equilibriumModel;
}

double ReadSolventVbar() {
    return ScanStore::vbar;
}

void WriteSolventVbar(double v) {
    if (!std::isfinite(v))
        return;
    const float vbar = float(std::clamp(v, SolventVbarLower(), SolventVbarUpper()));
    ScanStore::vbar = vbar;
    ScanStore::vbarRho = vbar * ScanStore::density;
    // Against a sedimenting cosolute the buoyancy vbar is the solvated one, entered apart.
    if (!InhomogeneousSolvent::dynamicGradient)
        InhomogeneousSolvent::macromoleculeVbar = vbar;
}

double SolventVbarLower() {
    return BelowWaterFlotation() ? kLeastVbar : (1.0 + kLeastWaterBuoyancy) / kWaterDensity;
}

double SolventVbarUpper() {
    return BelowWaterFlotation() ? (1.0 - kLeastWaterBuoyancy) / kWaterDensity
                                 : std::numeric_limits<double>::max();
}
