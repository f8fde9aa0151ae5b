// The frictional ratio of the discrete species.
#include "fitting/particle_friction.h"

#include "fitting/trial_without_model.h"
#include "foundations/hydrodynamics.h"
#include "foundations/notice_boxes.h"
#include "simulation/discrete_sed.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/scan_store.h"
#include "state/serial_fit_state.h"

#include <cmath>
#include <cstdio>

namespace {

using M = ModelParameters;

// M (Da) of a species: as it stands in the M-and-s form, else from its s and D; 0 when the solvent
// gives no buoyancy to tell it by.
double SpeciesMass(int slot) {
    if (ModelChoice::equilibriumMs)
        return M::speciesDOrM[slot];
    const double buoyancy = std::fabs(1.0 - double(ScanStore::vbarRho));
    return buoyancy > 0.0 ? SpeciesBuoyantMass(slot) / buoyancy : 0.0;
}

} // namespace

bool SpeciesFrictionalRatio(int slot, double& ff0) {
    if (slot < 1 || slot > M::maxSpecies || !M::speciesIncluded[slot] ||
        !SedimentationSlot(M::maxSpecies + slot) || M::speciesS[slot] == 0.0f)
        return false;
    const double mass = SpeciesMass(slot);
    if (!(mass > 0.0) || !std::isfinite(mass))
        return false;
    ff0 = FrictionalRatio(float(mass), M::speciesS[slot], ScanStore::vbar, ScanStore::density,
                          ScanStore::viscosity);
    return std::isfinite(ff0);
}

std::vector<SpeciesBelowSphere> SpeciesNoParticleCanBe() {
    std::vector<SpeciesBelowSphere> species;
    double ff0 = 0.0;
    for (int k = 1; k <= M::maxSpecies; ++k)
        if (SpeciesFrictionalRatio(k, ff0) && ff0 < 1.0)
            species.push_back({k, ff0});
    return species;
}

void ReportSpeciesNoParticleCanBe(TXLAWindow* window) {
    const std::vector<SpeciesBelowSphere> species = SpeciesNoParticleCanBe();
    if (species.empty() || SerialFitState::serializing)
        return;
    std::string text = "The fit ended on values no particle can have: a frictional ratio f/f0 "
                       "below 1, less than a sphere's of the same mass.\n";
    for (const auto& [k, ff0] : species) {
        const double mass = SpeciesMass(k);
        char line[160];
        std::snprintf(line, sizeof line, "species %d: s = %.4g S, M = %.*f Da, f/f0 = %.3g\n", k,
                      double(M::speciesS[k]), mass >= 100.0 ? 0 : 3, mass, ff0);
        text += line;
    }
    text += "The values are kept: a wrong vbar can make a real species look so.";
    ShowWarning(window, text.c_str(), "FIT RESULT");
}
