// The trials that are no model.
#include "fitting/trial_without_model.h"

#include "simulation/discrete_sed.h"
#include "state/dls_data.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"

namespace {

using M = ModelParameters;

// The molar mass (Da) below which a sedimenting species is no particle.
constexpr double kLightestMass = 1.0;

} // namespace

bool SedimentingMassOrDSlot(int slot) {
    return slot >= 1 && slot <= M::maxSpecies && !ModelChoice::equilibriumModel && !gDlsData &&
           !ModelChoice::contiMode;
}

NoModel NoModelBeforeEvaluation(const std::vector<int>& slots, const double* p) {
    if (ModelChoice::equilibriumMs)
        for (std::size_t i = 0; i < slots.size(); ++i)
            if (SedimentingMassOrDSlot(slots[i]) && !(p[i + 1] >= kLightestMass))
                return NoModel::LightMass;
    if (!ModelChoice::linearAmplitudes && SpeciesWithNegativeLoading() != 0)
        return NoModel::NegativeLoading;
    return NoModel::None;
}

NoModel NoModelAfterEvaluation(bool computed) {
    if (!computed)
        return NoModel::Unsolved;
    if (ModelChoice::linearAmplitudes && SpeciesWithNegativeLoading() != 0)
        return NoModel::NegativeLoading;
    return NoModel::None;
}

const char* NoModelReason(NoModel why) {
    switch (why) {
    case NoModel::LightMass:
        return "a species has a molar mass below 1 Da";
    case NoModel::NegativeLoading:
        return "a species has a loading below zero";
    case NoModel::Unsolved:
        return "the model cannot be computed";
    case NoModel::None:
        break;
    }
    return "";
}
