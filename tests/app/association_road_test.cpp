// A user's road with a self-associating model through the menu: monomer-dimer chosen, its truth
// typed in the parameters dialog and Run, the model taken as data with noise, the user's start
// typed, Fit; s and Ka come back within the noise. A bad constant is refused by the dialog.
#include "app/lamm_params_box.h"
#include "app/params_box.h"
#include "plat/window_dc.hpp"
#include "scandata/scan_store_alloc.h"
#include "simulation/simulation_switches.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/run_switches.h"
#include "support/main_window_fixture.h"
#include "support/model_road.h"
#include "support/race_checker.h"
#include "support/reset_all_state.h"
#include "support/velocity_store.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

using M = ModelParameters;

// Monomer (species 1) and dimer (species 2) values, log10(Ka), with s1 and Ka floated or not.
void TypeModel(MainWindowFixture& f, const char* s1, const char* logK, bool floated) {
    f.script.expectDialog(kDiscreteParamsDialogId)
        .check(SpeciesControlId(1, kIncludedItem))
        .set(SpeciesControlId(1, kLoadingItem), "0.8")
        .check(SpeciesControlId(1, kLoadingItem + 1), false)
        .set(SpeciesControlId(1, kSItem), s1)
        .check(SpeciesControlId(1, kSItem + 1), floated)
        .set(SpeciesControlId(1, kDOrMItem), "6")
        .check(SpeciesControlId(1, kDOrMItem + 1), false)
        .set(SpeciesControlId(2, kSItem), "6.5")
        .check(SpeciesControlId(2, kSItem + 1), false)
        .set(SpeciesControlId(2, kDOrMItem), "4.5")
        .check(SpeciesControlId(2, kDOrMItem + 1), false)
        .set(kLogKId, logK)
        .check(kLogKId + 1, floated)
        .set(kMeniscusId, "6.0")
        .set(kBottomId, "7.2")
        .ok();
    SendCommand(f, 212);
}

} // namespace

TEST(AssociationRoad, MonomerDimerRunThenFitRecoversSAndKa) {
    MainWindowFixture f;
    VelocitySet set;
    set.scans = 12;
    set.points = 301;
    StartVelocityRoad(f, set);
    SendCommand(f, 197);
    ASSERT_TRUE(ModelChoice::monomerDimer);
    TypeModel(f, "4", "0.5", false);
    // The model of the truth becomes the data, with seeded noise of 0.005.
    ASSERT_TRUE(RunModelAsNoisyData(f, 7)) << "Run computed no model";
    ASSERT_TRUE(f.script.done()) << f.script.logText();

    TypeModel(f, "3.4", "0", true);
    FitWithLevenbergMarquardt(f);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_NEAR(M::speciesS[1], 4.0, 0.04) << "monomer s";
    EXPECT_NEAR(M::assocLogK, 0.5, 0.05) << "log10(Ka)";
}

// The reacting system: free A (species 1), free B (species 2) and the complex (species 3, its s
// and M) with log10 K; the truth Run, the start typed, Fit brings K and the complex's s back.
void TypeReaction(MainWindowFixture& f, const char* sAB, const char* logK, bool floated) {
    auto& step = f.script.expectDialog(kDiscreteParamsDialogId);
    const char* loading[4] = {nullptr, "0.5", "0.5", "0"};
    const char* s[4] = {nullptr, "4", "6", sAB};
    const char* mass[4] = {nullptr, "60", "100", "160"};
    for (int k = 1; k <= 3; ++k)
        step.check(SpeciesControlId(k, kIncludedItem))
            .set(SpeciesControlId(k, kLoadingItem), loading[k])
            .check(SpeciesControlId(k, kLoadingItem + 1), false)
            .set(SpeciesControlId(k, kSItem), s[k])
            .check(SpeciesControlId(k, kSItem + 1), floated && k == 3)
            .set(SpeciesControlId(k, kDOrMItem), mass[k])
            .check(SpeciesControlId(k, kDOrMItem + 1), false);
    step.set(kLogKId, logK).check(kLogKId + 1, floated).ok();
    SendCommand(f, 212);
}

TEST(AssociationRoad, ReactingSystemRunThenFitRecoversKAndComplex) {
    MainWindowFixture f;
    VelocitySet set;
    set.scans = FullOrUnderRaceChecker(10, 5);
    set.points = 241;
    StartVelocityRoad(f, set);
    LammGrid::maxDcOverC = 20.0; // steps of 20 s
    SendCommand(f, 267);
    ASSERT_TRUE(ModelChoice::reactingSystem);
    TypeReaction(f, "9", "0.5", false);
    ASSERT_TRUE(RunModelAsNoisyData(f, 11)) << "Run computed no model";
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    TypeReaction(f, "8", "0", true);
    FitWithLevenbergMarquardt(f);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_NEAR(M::speciesS[3], 9.0, 0.2) << "complex s";
    EXPECT_NEAR(M::assocLogK, 0.5, 0.1) << "log10 K";
}

// The reacting Run whichever algorithm the Lamm options hold: it needs no key at any step, makes
// a finite model, and leaves the entered s, M and K as they were typed.
TEST(AssociationRoad, ReactingRunOnEitherAlgorithmKeepsTheEntries) {
    for (bool movingHat : {true, false}) {
        SCOPED_TRACE(movingHat ? "moving hat" : "Claverie");
        MainWindowFixture f;
        VelocitySet set;
        set.scans = 4;
        set.points = 121;
        StartVelocityRoad(f, set);
        LammGrid::maxDcOverC = 20.0;
        ModelChoice::automaticAlgorithm = false;
        ModelChoice::movingHatAlgorithm = movingHat;
        ModelChoice::claverieAlgorithm = !movingHat;
        SendCommand(f, 267);
        TypeReaction(f, "9", "0.5", false);
        float s[4], mass[4];
        for (int k = 1; k <= 3; ++k)
            s[k] = M::speciesS[k], mass[k] = M::speciesDOrM[k];
        SendCommand(f, 213);
        EXPECT_TRUE(f.script.done()) << f.script.logText();
        bool finite = true;
        double sum = 0.0;
        for (int k = 1; k <= ScanStore::scanCount; ++k)
            for (int p = 1; p <= ScanStore::pointCount[k]; ++p) {
                finite = finite && std::isfinite(ScanStore::fit[k][p]);
                sum += ScanStore::fit[k][p];
            }
        EXPECT_TRUE(finite && sum > 0.0) << "Run computed no model";
        EXPECT_EQ(s[3], 9.0f) << "the entry typed";
        for (int k = 1; k <= 3; ++k) {
            EXPECT_EQ(M::speciesS[k], s[k]) << "s of species " << k;
            EXPECT_EQ(M::speciesDOrM[k], mass[k]) << "M of species " << k;
        }
        EXPECT_EQ(M::assocLogK, 0.5f);
    }
}

// A reacting Run its passes cannot carry (strong binding of equal loadings, a grid of 100 points
// chosen in the Lamm options, fixed steps of 10 s) ends with the discretization box, asks for no
// key at any step or halving, and leaves the error word set for the fit driver.
TEST(AssociationRoad, ReactingRunThatCannotConvergeEndsWithItsBox) {
    MainWindowFixture f;
    VelocitySet set;
    set.scans = 4;
    set.points = 121;
    StartVelocityRoad(f, set);
    f.script.expectDialog(kLammParamsDialogId)
        .check(kLpAutoGridSize, false)
        .set(kLpDefaultGridSize, "100")
        .check(kLpAutomaticAlgorithm, false)
        .check(kLpMovingHat, true)
        .check(kLpFixedTimeStep, true)
        .set(kLpMaxDcOverC, "10")
        .ok();
    f.script.expectBox().caption("LAMM EQUATION PARAMETERS").answer(IDNO);
    SendCommand(f, 611);
    SendCommand(f, 267);
    TypeReaction(f, "9", "9", false);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    f.script.expectBox()
        .caption("DISCRETIZATION ERROR")
        .text("change grid size and readjust max dc/c")
        .answer(IDOK);
    SendCommand(f, 213);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_EQ(LammGrid::discretizationError, 1);
    EXPECT_EQ(LammGrid::singularMatrix, 0);
    EXPECT_EQ(M::assocLogK, 9.0f) << "the entry typed";
    // unlike the other models', its box comes at every evaluation of a fit
    M::assocLogKFloat = 1;
    PackFitParameters();
    const std::size_t from = f.script.log().size();
    f.script.onUnexpected(plat::test::Unexpected::DefaultButton);
    SendCommand(f, 215);
    int boxes = 0;
    for (std::size_t i = from; i < f.script.log().size(); ++i)
        boxes += f.script.log()[i].caption == "DISCRETIZATION ERROR";
    EXPECT_GE(boxes, 2) << f.script.logText();
}

namespace {

// Pixels in exactly this colour in the upper half of the 700 x 500 client area (the data plot)
// and in the lower half (the residuals).
struct Pixels {
    int dataPlot = 0, residuals = 0;
};
Pixels PixelsOf(MainWindowFixture& f, COLORREF colour) {
    TClientDC dc(f.window.get());
    Pixels count;
    for (int y = 0; y < 500; ++y)
        for (int x = 0; x < 700; ++x)
            if (dc.GetPixel(x, y) == colour)
                ++(y < 250 ? count.dataPlot : count.residuals);
    return count;
}

} // namespace

// While the reacting model runs, the free species and the complex are drawn over the data plot
// at each scan time: the first in blue, the second in green, the complex in red. (The curves of
// the runs were once played on the client's pixels instead of the page the plots are painted on,
// and landed beside the data plot, over the residuals.)
TEST(AssociationRoad, ReactingRunDrawsTheFreeSpeciesAndTheComplex) {
    MainWindowFixture f;
    f.LoadMarkerSet();
    f.Paint();
    LammGrid::maxDcOverC = 20.0;
    SendCommand(f, 267);
    TypeReaction(f, "9", "0.5", false);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    f.Paint();
    const COLORREF colours[3] = {RGB(0, 0, 255), RGB(0, 255, 0), RGB(255, 0, 0)};
    Pixels before[3];
    for (int k = 0; k < 3; ++k)
        before[k] = PixelsOf(f, colours[k]);
    gSimulateOnly = true;
    ASSERT_TRUE(RunDiscreteSed(f.window.get()));
    gSimulateOnly = false;
    for (int k = 0; k < 3; ++k) {
        const Pixels after = PixelsOf(f, colours[k]);
        EXPECT_GT(after.dataPlot, before[k].dataPlot + 100) << "curve " << k + 1;
        EXPECT_LE(after.residuals, before[k].residuals + 5) << "curve " << k + 1;
    }
    f.Paint();
}

// The association constant is a number like any other box of the page.
TEST(AssociationRoad, DialogRefusesAConstantThatIsNoNumber) {
    MainWindowFixture f;
    M::meniscus = 6.0f;
    M::bottom = 7.2f;
    SendCommand(f, 229);
    const float before = M::assocLogK;
    f.script.expectDialog(kDiscreteParamsDialogId).set(kLogKId, "1e").ok();
    f.script.expectBox()
        .caption("Input Error")
        .text(ParamsRefusalText("log10(Ka13) must be a finite number"))
        .answer(IDOK);
    f.script.expectDialog(kDiscreteParamsDialogId).cancel();
    SendCommand(f, 212);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_EQ(M::assocLogK, before);
}

// With the inhomogeneous solvent on, which these solvers do not take, Run says so and goes on to
// a model.
TEST(AssociationRoad, RunSaysTheSolventIsNotTakenAndGoesOn) {
    MainWindowFixture f;
    VelocitySet set;
    set.scans = 4;
    set.points = 101;
    StartVelocityRoad(f, set);
    SendCommand(f, 197);
    ModelChoice::inhomogeneousSolvent = true;
    ScanStore::resultAvailable = false;
    f.script.expectBox()
        .caption("")
        .text("this model is not implemented yet for inhomogeneous solvent")
        .answer(IDOK);
    SendCommand(f, 213);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_TRUE(ScanStore::resultAvailable) << f.script.logText();
}
