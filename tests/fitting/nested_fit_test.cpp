// A fit run inside a trial of another fit (as a confidence search refits) ends where it ends alone,
// and so does the fit around it: each keeps its free list, evaluation, best vector and held grids
// to itself.
#include "fitting/fit_driver.h"
#include "state/fit_control.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/reset_all_state.h"
#include "support/two_component_start.h"
#include "support/velocity_store.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <ostream>
#include <vector>

namespace {

using M = ModelParameters;

struct Ending {
    FitOutcome outcome = FitOutcome::NoScans;
    std::vector<float> values; // the packed fit vector
    float rmsd = 0.0f;

    bool operator==(const Ending&) const = default;
};

void PrintTo(const Ending& e, std::ostream* out) {
    *out << "outcome " << int(e.outcome) << ", rmsd " << e.rmsd << ", M " << e.values[1] << " "
         << e.values[2] << ", s " << e.values[5] << " " << e.values[6];
}

Ending Ended(FitOutcome outcome) {
    PackFitParameters();
    return {outcome, {M::fitValues, M::fitValues + M::kFitSlots + 1}, FitControl::bestRmsd};
}

VelocitySet Data() {
    VelocitySet set;
    set.points = 201;
    set.scans = 6;
    set.noise = 0.005;
    set.seed = 20261209;
    return set;
}

// The outer fit starts as a user sets it, the inner one nearer the truth with s of the second
// species held: different free lists and grids sized at other values.
void StartOuter() {
    SetTwoSpeciesStartValues();
    PackFitParameters();
}

std::vector<float> gFilled; // the packed vector as the data were filled in

void StartInner() {
    std::copy(gFilled.begin(), gFilled.end(), M::fitValues);
    UnpackFitParameters();
    SetTwoSpeciesStartValues();
    M::speciesS[1] = 3.4f;
    M::speciesS[2] = 7.2f;
    M::speciesSFloat[2] = 0;
    PackFitParameters();
}

Ending FitFrom(void (*start)(), ModelEvaluator evaluate) {
    start();
    return Ended(RunFitWith(nullptr, SilentObserver(), evaluate, false));
}

int gTrial = 0, gNestAt = 0;
Ending gInner;

// The model of the outer fit; at one of its trials it first runs the inner fit to its end and
// puts the outer trial's values back.
bool EvaluateWithFitInside(TXLAWindow* window) {
    if (++gTrial == gNestAt) {
        PackFitParameters();
        const std::vector<float> values(M::fitValues, M::fitValues + M::kFitSlots + 1);
        const std::vector<int> floated(M::fitFloat, M::fitFloat + M::kFitSlots + 1);
        gInner = FitFrom(StartInner, CurrentModelEvaluator());
        std::copy(values.begin(), values.end(), M::fitValues);
        std::copy(floated.begin(), floated.end(), M::fitFloat);
        UnpackFitParameters();
    }
    return CurrentModelEvaluator()(window);
}

TEST(NestedFit, AFitInsideATrialEndsAsAloneAndSoDoesTheFitAroundIt) {
    struct Case {
        const char* name;
        bool simplex, marquardtLevenberg;
        int nestAt; // the outer trial that runs the inner fit
    } cases[] = {
        {"Levenberg-Marquardt, at the start", false, true, 1},
        {"Levenberg-Marquardt, within a derivative", false, true, 3},
        {"simplex, within its first simplex", true, false, 4},
    };
    for (const Case& c : cases) {
        ResetAllState();
        ModelChoice::linearAmplitudes = true;
        FillVelocityStore(Data());
        gFilled.assign(M::fitValues, M::fitValues + M::kFitSlots + 1);
        ChooseOptimiser(c.simplex, false, c.marquardtLevenberg);
        const Ending innerAlone = FitFrom(StartInner, CurrentModelEvaluator());
        FillVelocityStore(Data());
        const Ending outerAlone = FitFrom(StartOuter, CurrentModelEvaluator());
        ASSERT_EQ(innerAlone.outcome, FitOutcome::Completed) << c.name;
        ASSERT_EQ(outerAlone.outcome, FitOutcome::Completed) << c.name;
        ASSERT_NE(innerAlone.values, outerAlone.values) << c.name;

        FillVelocityStore(Data());
        gTrial = 0;
        gNestAt = c.nestAt;
        gInner = {};
        const Ending outer = FitFrom(StartOuter, EvaluateWithFitInside);
        EXPECT_GE(gTrial, gNestAt) << c.name;
        EXPECT_EQ(gInner, innerAlone) << c.name << ": the inner fit";
        EXPECT_EQ(outer, outerAlone) << c.name << ": the fit around it";
        EXPECT_FALSE(FitControl::fitInProgress) << c.name;
    }
    ResetAllState();
}

} // namespace
