// Viscosity and density of a cosolute solution, its coefficient files, and the species at
// standard or experimental conditions.
#include "fitting/solvent_conditions.h"

#include "fitting/svedberg_relation.h"
#include "foundations/numeric_text_files.h"
#include "foundations/physical_constants.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/inhomogeneous_solvent.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"

#include <algorithm>
#include <cmath>

namespace {

using IS = InhomogeneousSolvent;
using M = ModelParameters;
using S = ScanStore;

constexpr double kWaterViscosity = PhysicalConstants::waterViscosity;
constexpr double kWaterDensity = PhysicalConstants::waterDensity;

bool DistributionModel() {
    return ModelChoice::contiMode;
}

// Entries 7 and 12 of the distributions' fit vector follow the store's buffer.
void BufferToFitVector() {
    if (DistributionModel() && !ModelChoice::lsgExtrapolation) {
        M::fitValues[kSlotDensity] = S::density;
        M::fitValues[kSlotViscosity] = S::viscosity * 0.01002f;
    }
}

// Scales D (or, in the M-and-s form, the D that M stands for) and s of every species; M is
// formed again with the buoyancy of the conditions the species are converted to.
// RT of the scans, or of 20 C before any are loaded (the M-and-s switch assumes the same).
float GasConstantTimesT() {
    return S::gasConstantTimesT > 0.0f ? float(S::gasConstantTimesT) : 2.436e10f;
}

void ScaleSpecies(double dFactor, double sFactor, float vRhoAfter, bool massForm) {
    const float rt = GasConstantTimesT();
    if (!DistributionModel())
        UnpackFitParameters();
    for (int k = 1; k <= M::maxSpecies; ++k) {
        float d = M::speciesDOrM[k];
        if (massForm)
            d = ConvertDOrM(M::speciesS[k], d, rt, S::vRho);
        d = d > 0.0f ? float(double(d) * dFactor) : 0.0f;
        M::speciesS[k] = float(double(M::speciesS[k]) * sFactor);
        // A species without M (or without s) keeps what it had.
        if (!massForm)
            M::speciesDOrM[k] = d;
        else if (d > 0.0f && M::speciesS[k] != 0.0f)
            M::speciesDOrM[k] = ConvertDOrM(M::speciesS[k], d, rt, vRhoAfter);
    }
}

} // namespace

bool ReadSolventCoefficients(const std::string& path, std::vector<double>& coefficients) {
    coefficients.clear();
    std::vector<double> read = ReadCoefficientFile(path);
    if (read.size() < 2)
        return false;
    coefficients = std::move(read);
    return true;
}

double StandardSFactor() {
    const double vbarM = S::vbar;
    const double vbarX = IS::macromoleculeVbar;
    return double(IS::relativeViscosity) * (1.0 - vbarM * kWaterDensity) /
           (1.0 - vbarX * double(IS::bufferDensity));
}

void ConvertToStandardConditions() {
    const float vRhoWater = float(double(S::vbar) * kWaterDensity);
    ScaleSpecies(IS::relativeViscosity, StandardSFactor(), vRhoWater,
                 ModelChoice::equilibriumMs && !DistributionModel());
    if (!DistributionModel())
        PackFitParameters();
    S::density = float(kWaterDensity);
    S::vbarRho = vRhoWater;
    S::viscosity = 1.0f;
    BufferToFitVector();
    IS::convertedToStandard = true;
}

void ConvertToExperimentalConditions() {
    const bool cosolute = IS::sedimentingCosolute;
    const float vbarAfter = cosolute ? IS::macromoleculeVbar : S::vbar;
    const float vRhoAfter = vbarAfter * IS::bufferDensity;
    const double sFactor = StandardSFactor();
    ScaleSpecies(1.0 / double(IS::relativeViscosity), 1.0 / sFactor, vRhoAfter,
                 ModelChoice::equilibriumMs);
    S::density = IS::bufferDensity;
    if (cosolute)
        S::vbar = IS::macromoleculeVbar;
    S::vbarRho = vRhoAfter;
    S::viscosity = IS::relativeViscosity;
    BufferToFitVector();
    IS::convertedToStandard = false;
    PackFitParameters();
}
