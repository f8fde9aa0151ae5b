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
#include "support/reset_all_state.h"
#include "support/velocity_store.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>

namespace {

using M = ModelParameters;

void Send(MainWindowFixture& f, int id) {
    plat::test::command(f.window.get(), id);
    f.script.pumpUntilIdle();
}

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
    Send(f, 212);
}

// The Run of the truth as data with seeded noise of 0.005; false when Run made no model.
bool RunTruthAsData(MainWindowFixture& f) {
    TypeNonideal(f, "4", "-0.5", false);
    Send(f, 213);
    std::mt19937 random(5);
    std::normal_distribution<float> noise(0.0f, 0.005f);
    double sum = 0.0;
    for (int k = 1; k <= ScanStore::scanCount; ++k)
        for (int p = 1; p <= ScanStore::pointCount[k]; ++p) {
            ScanStore::signal[k][p] = ScanStore::fit[k][p] + noise(random);
            sum += ScanStore::fit[k][p];
        }
    return sum > 0.0;
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
        ScanPaths::gDataPath = f.data.file("~tmppars.RA1");
        VelocitySet set;
        set.scans = 10;
        set.points = 301;
        FillVelocityStore(set);
        ModelChoice::automaticAlgorithm = false;
        ModelChoice::movingHatAlgorithm = c.movingHat;
        ModelChoice::claverieAlgorithm = !c.movingHat;
        Send(f, 227);
        ASSERT_TRUE(ModelChoice::singleSpecies);
        ASSERT_TRUE(RunTruthAsData(f)) << "Run computed no model";
        ASSERT_TRUE(f.script.done()) << f.script.logText();
        EXPECT_EQ(LammGrid::discretizationError + LammGrid::singularMatrix, 0);
        EXPECT_EQ(LastGridSolver() == GridSolver::MovingFrame, c.movingHat) << "the solver run";

        TypeNonideal(f, "3.5", "-0.8", true);
        f.script.expectBox()
            .caption("SET PREFERENCE")
            .text("save as default setting?")
            .answer(IDNO);
        Send(f, 824); // Levenberg-Marquardt
        Send(f, 215);
        ASSERT_TRUE(f.script.done()) << f.script.logText();
        EXPECT_NEAR(M::speciesS[1], 4.0, 0.04) << "s";
        EXPECT_NEAR(M::logKs, -0.5, 0.05) << "log10(ks)";
        EXPECT_EQ(ModelChoice::movingHatAlgorithm, c.movingHat) << "the algorithm stayed chosen";
    }
}
