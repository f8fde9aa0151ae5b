// The trials that are no model.
#include "fitting/trial_without_model.h"

#include "scandata/scan_header.h"
#include "simulation/discrete_sed.h"
#include "state/buffer_sedimentation.h"
#include "state/dls_data.h"
#include "state/fit_control.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/scan_store.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace {

using M = ModelParameters;

// The molar mass (Da) below which a sedimenting species is no particle.
constexpr double kLightestMass = 1.0;

// The fastest particle that stays in solution (S).
constexpr double kFastestParticle = 1e5;

// omega^2 t (rad^2/s) of scan k: recorded, or from its speed and time where none was recorded.
double ScanOmega2t(int k) {
    const ScanHeader& h = ScanStore::header[k];
    if (h.omega2t > 0.0)
        return h.omega2t;
    const double omega = h.rotorSpeed * (std::numbers::pi / 30.0);
    return omega * omega * h.time;
}

} // namespace

bool SedimentationSlot(int slot) {
    const int species = slot - M::maxSpecies;
    return species >= 1 && species <= M::maxSpecies && ModelChoice::nonInteractingSpecies &&
           !ModelChoice::equilibriumModel && !gDlsData && !ModelChoice::contiMode &&
           !ModelChoice::electrophoresis && !(BufferSedimentation::on && species == M::maxSpecies);
}

// A measured initial distribution starts where the data start: only the particle bound holds.
double FastestSedimentation() {
    double fastest = kFastestParticle;
    if (M::experimentalInitialDistribution || !ScanStore::header)
        return fastest;
    double meniscus = M::meniscus, bottom = M::bottom;
    if (M::meniscusFloat && FitControl::meniscusMin > 0.0f)
        meniscus = std::min(meniscus, double(FitControl::meniscusMin));
    if (M::bottomFloat && FitControl::bottomMax > 0.0f)
        bottom = std::max(bottom, double(FitControl::bottomMax));
    if (!(meniscus > 0.0 && bottom > meniscus))
        return fastest;
    double earliest = std::numeric_limits<double>::infinity();
    for (int k = 1; k <= ScanStore::scanCount; ++k)
        if (const double w2t = ScanOmega2t(k); w2t > 0.0)
            earliest = std::min(earliest, w2t);
    if (std::isfinite(earliest))
        fastest = std::min(fastest, std::log(bottom / meniscus) / earliest * 1e13);
    return fastest;
}

bool SedimentingMassOrDSlot(int slot) {
    return slot >= 1 && slot <= M::maxSpecies && !ModelChoice::equilibriumModel && !gDlsData &&
           !ModelChoice::contiMode;
}

NoModel NoModelBeforeEvaluation(const std::vector<int>& slots, const double* p) {
    if (ModelChoice::equilibriumMs)
        for (std::size_t i = 0; i < slots.size(); ++i)
            if (SedimentingMassOrDSlot(slots[i]) && !(p[i + 1] >= kLightestMass))
                return NoModel::LightMass;
    double fastest = -1.0;
    for (std::size_t i = 0; i < slots.size(); ++i)
        if (SedimentationSlot(slots[i])) {
            if (fastest < 0.0)
                fastest = FastestSedimentation();
            if (!(std::fabs(p[i + 1]) <= fastest))
                return NoModel::BeyondTheCell;
        }
    if (!ModelChoice::linearAmplitudes && SpeciesWithNegativeLoading() != 0)
        return NoModel::NegativeLoading;
    return NoModel::None;
}

NoModel NoModelAfterEvaluation(bool computed) {
    return computed ? NoModel::None : NoModel::Unsolved;
}

const char* NoModelReason(NoModel why) {
    switch (why) {
    case NoModel::LightMass:
        return "a species has a molar mass below 1 Da";
    case NoModel::NegativeLoading:
        return "a species has a loading below zero";
    case NoModel::Unsolved:
        return "the model cannot be computed";
    case NoModel::BeyondTheCell:
        return "a species has left the cell before the first scan";
    case NoModel::None:
        break;
    }
    return "";
}
