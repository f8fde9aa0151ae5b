// A user's road with the non-ideal single species through the menu: the model chosen, its truth
// typed in the parameters dialog (s, D, log10(ks), log10(kd)) and Run, the model taken as data
// with noise, a start off the truth typed, Fit; s and log10(ks) come back within the noise. Run
// on both algorithms of the Lamm options: the moving frame and the fixed grid.
#include "app/params_box.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/run_end_tests.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/main_window_fixture.h"
#include "support/model_road.h"
#include "support/reset_all_state.h"
#include "support/velocity_store.h"

#include <gtest/gtest.h>

namespace {

using M = ModelParameters;

void TypeNonideal(MainWindowFixture& f, const char* s, const char* logKs, bool floated) {
    f.script.expectDialog(kDiscreteParamsDialogId)
        .check(SpeciesControlId(1, kIncludedItem))
        .set(SpeciesControlId(1, kLoadingItem), "0.8")
        .check(SpeciesControlId(1, kLoadingItem + 1), false)
        .set(SpeciesControlId(1, kSItem), s)
        .check(SpeciesControlId(1, kSItem + 1), floated)
        .set(SpeciesControlId(1, kDOrMItem), "6")
        .check(SpeciesControlId(1, kDOrMItem + 1), false)
        .set(kLogKsId, logKs)
        .check(kLogKsId + 1, floated)
        .set(kLogKdId, "-1")
        .check(kLogKdId + 1, false)
        .set(kMeniscusId, "6.0")
        .set(kBottomId, "7.2")
        .ok();
    SendCommand(f, 212);
}

// The Run of the truth as data with seeded noise of 0.005; false when Run made no model.
bool RunTruthAsData(MainWindowFixture& f) {
    TypeNonideal(f, "4", "-0.5", false);
    return RunModelAsNoisyData(f, 5);
}

} // namespace

TEST(NonidealRoad, RunThenFitRecoversSAndKsOnBothAlgorithms) {
    struct Case {
        const char* name;
        bool movingHat;
    } cases[] = {{"moving frame", true}, {"fixed grid", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MainWindowFixture f;
        VelocitySet set;
        set.scans = 10;
        set.points = 301;
        StartVelocityRoad(f, set);
        ModelChoice::automaticAlgorithm = false;
        ModelChoice::movingHatAlgorithm = c.movingHat;
        ModelChoice::claverieAlgorithm = !c.movingHat;
        SendCommand(f, 227);
        ASSERT_TRUE(ModelChoice::singleSpecies);
        ASSERT_TRUE(RunTruthAsData(f)) << "Run computed no model";
        ASSERT_TRUE(f.script.done()) << f.script.logText();
        EXPECT_EQ(LammGrid::discretizationError + LammGrid::singularMatrix, 0);
        EXPECT_EQ(LammGrid::lastSolver == GridAlgorithm::MovingFrame, c.movingHat)
            << "the solver run";
        // the moving frame steps by its grid period and leaves "fix timestep" on, as the moving
        // hat of the species loop does; the fixed grid leaves it as it was
        EXPECT_EQ(ModelChoice::fixedTimeStep, c.movingHat) << "fix timestep";

        TypeNonideal(f, "3.5", "-0.8", true);
        FitWithLevenbergMarquardt(f);
        ASSERT_TRUE(f.script.done()) << f.script.logText();
        EXPECT_NEAR(M::speciesS[1], 4.0, 0.04) << "s";
        EXPECT_NEAR(M::logKs, -0.5, 0.05) << "log10(ks)";
        EXPECT_EQ(ModelChoice::movingHatAlgorithm, c.movingHat) << "the algorithm stayed chosen";
    }
}
