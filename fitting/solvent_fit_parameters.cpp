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

using IS = InhomogeneousSolvent;

constexpr double kWaterDensity = PhysicalConstants::waterDensity;
// The smallest vbar a fit may reach, ml/g, and the nearest |1 - vbar rho_w| it may come to 0.
constexpr double kLeastVbar = 1e-3;
constexpr double kLeastWaterBuoyancy = 1e-3;

// Over a sedimenting cosolute the buoyancy vbar is the solvated one.
bool SolvatedVbarFloats() {
    return IS::sedimentingCosolute;
}

bool BelowWaterFlotation() {
    return 1.0 - double(ScanStore::vbar) * kWaterDensity >= 0.0;
}

} // namespace

bool SolventVbarFloated() {
    return FitControl::fitVbar && ModelChoice::inhomogeneousSolvent && !ModelChoice::contiMode &&
           !ModelChoice::equilibriumModel;
}

bool SolventVbarBoxCheckedInADistribution() {
    return FitControl::fitVbar && ModelChoice::inhomogeneousSolvent && ModelChoice::contiMode &&
           !ModelChoice::equilibriumModel;
}

double ReadSolventVbar() {
    return SolvatedVbarFloats() ? IS::macromoleculeVbar : ScanStore::vbar;
}

void WriteSolventVbar(double v) {
    if (!std::isfinite(v))
        return;
    const float vbar = float(std::clamp(v, SolventVbarLower(), SolventVbarUpper()));
    if (SolvatedVbarFloats()) {
        IS::macromoleculeVbar = IS::solvatedVbar = vbar;
        return;
    }
    ScanStore::vbar = IS::macromoleculeVbar = vbar;
    ScanStore::vbarRho = vbar * ScanStore::density;
}

double SolventVbarLower() {
    if (SolvatedVbarFloats() || BelowWaterFlotation())
        return kLeastVbar;
    return (1.0 + kLeastWaterBuoyancy) / kWaterDensity;
}

double SolventVbarUpper() {
    if (SolvatedVbarFloats() || !BelowWaterFlotation())
        return std::numeric_limits<double>::max();
    return (1.0 - kLeastWaterBuoyancy) / kWaterDensity;
}
