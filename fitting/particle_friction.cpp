// The frictional ratio of the discrete species and the values no particle has.
#include "fitting/particle_friction.h"

#include "fitting/trial_without_model.h"
#include "foundations/hydrodynamics.h"
#include "foundations/notice_boxes.h"
#include "foundations/physical_constants.h"
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

// Water's viscosity at the scans' temperature relative to its own at 20 C: the field's value when
// it was left at water's while the scans carry another temperature.
float WaterAtScanTemperature() {
    return float(WaterViscosityAt(ScanTemperatureKelvin() - 273.15) /
                 PhysicalConstants::waterViscosity);
}

bool NegativeLoading(int slot) {
    return LoadingsReadAsShares() && M::speciesIncluded[slot] && !BufferSignalSlot(slot) &&
           M::speciesLoading[slot] < 0.0f;
}

// f/f0 of a species with its sphere's friction taken in the given relative viscosity.
bool RatioInViscosity(int slot, float relativeViscosity, double& ff0) {
    if (slot < 1 || slot > M::maxSpecies || !M::speciesIncluded[slot] ||
        !SedimentationSlot(M::maxSpecies + slot) || M::speciesS[slot] == 0.0f)
        return false;
    const double mass = SpeciesMass(slot);
    if (!(mass > 0.0) || !std::isfinite(mass))
        return false;
    ff0 = FrictionalRatio(float(mass), M::speciesS[slot], ScanStore::vbar, ScanStore::density,
                          relativeViscosity);
    return std::isfinite(ff0) && ff0 != 0.0;
}

bool BelowOne(double ff0) {
    return ff0 > 0.0 && ff0 < 1.0;
}

} // namespace

bool SpeciesFrictionalRatio(int slot, double& ff0) {
    return RatioInViscosity(slot, ScanStore::viscosity, ff0);
}

std::vector<SpeciesNoParticle> SpeciesNoParticleCanBe() {
    std::vector<SpeciesNoParticle> species;
    for (int k = 1; k <= M::maxSpecies; ++k) {
        SpeciesNoParticle s{k, 0.0, false, false, NegativeLoading(k)};
        if (SpeciesFrictionalRatio(k, s.ff0)) {
            double inWater = 0.0;
            s.wrongSign = s.ff0 < 0.0;
            s.belowSphere = BelowOne(s.ff0) &&
                            RatioInViscosity(k, WaterAtScanTemperature(), inWater) &&
                            BelowOne(inWater);
        }
        if (s.belowSphere || s.wrongSign || s.negativeLoading)
            species.push_back(s);
    }
    return species;
}

namespace {

std::string Format(const char* format, auto... values) {
    char text[200];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

// One species' line: its values, then what no particle has.
std::string SpeciesLine(const SpeciesNoParticle& s) {
    const int k = s.slot;
    const double mass = SpeciesMass(k);
    std::string line = Format("species %d: s = %.4g S", k, double(M::speciesS[k]));
    if (mass > 0.0 && std::isfinite(mass))
        line += Format(", M = %.*f Da", mass >= 100.0 ? 0 : 3, mass);
    if (s.belowSphere)
        line += Format(", f/f0 = %.3g", s.ff0);
    if (s.negativeLoading)
        line += Format(", loading = %.3g", double(M::speciesLoading[k]));
    std::string why;
    auto add = [&](const std::string& reason) { why += (why.empty() ? ": " : "; ") + reason; };
    if (s.belowSphere)
        add("f/f0 below 1, less than a sphere's of the same mass");
    if (s.wrongSign)
        add(Format("an s %s 0, which vbar %.4g and density %.4g forbid: they make a particle %s",
                   M::speciesS[k] < 0.0f ? "below" : "above", double(ScanStore::vbar),
                   double(ScanStore::density), M::speciesS[k] < 0.0f ? "sediment" : "float"));
    if (s.negativeLoading)
        add("a loading below zero");
    return line + why + "\n";
}

} // namespace

void ReportSpeciesNoParticleCanBe(TXLAWindow* window) {
    const std::vector<SpeciesNoParticle> species = SpeciesNoParticleCanBe();
    if (species.empty() || SerialFitState::serializing)
        return;
    std::string text = "The fit ended on values no particle can have:\n";
    bool friction = false, viscosity = false, valley = false;
    for (const SpeciesNoParticle& s : species) {
        text += SpeciesLine(s);
        friction = friction || s.belowSphere || s.wrongSign;
        viscosity = viscosity || s.belowSphere;
        valley = valley || s.negativeLoading;
    }
    text += "The values are kept";
    if (friction)
        text += viscosity ? ": a wrong vbar, or a viscosity other than the buffer's at the run's "
                            "temperature, can make a real species look so"
                          : ": a wrong vbar can make a real species look so";
    if (valley)
        text += std::string(friction ? "; " : ": ") +
                "the fit may have ended in a valley of its start values, and other start values "
                "may reach a better fit";
    text += ".";
    ShowWarning(window, text.c_str(), "FIT RESULT");
}
