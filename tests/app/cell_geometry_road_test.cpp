// A user's road through the menu in the rectangular cell of the linear Lamm equation and in the
// external loading cell: the model chosen (the oil volume typed), the truth typed in the
// parameters dialog and Run, the model taken as data with noise, a start off the truth typed,
// Fit: s and D come back within the noise. The oil prompt takes only a volume.
#include "app/params_box.h"
#include "plat/testing.hpp"
#include "scandata/fit_limits.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/run_end_tests.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/main_window_fixture.h"
#include "support/model_road.h"
#include "support/velocity_store.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using M = ModelParameters;

void TypeSpecies(MainWindowFixture& f, const char* s, const char* d, bool floated) {
    f.script.expectDialog(kDiscreteParamsDialogId)
        .check(SpeciesControlId(1, kIncludedItem))
        .set(SpeciesControlId(1, kLoadingItem), "0.8")
        .check(SpeciesControlId(1, kLoadingItem + 1), false)
        .set(SpeciesControlId(1, kSItem), s)
        .check(SpeciesControlId(1, kSItem + 1), floated)
        .set(SpeciesControlId(1, kDOrMItem), d)
        .check(SpeciesControlId(1, kDOrMItem + 1), floated)
        .set(kMeniscusId, "6.0")
        .set(kBottomId, "7.2")
        .ok();
    SendCommand(f, 212);
}

// The set's scans written as files and loaded through the menu (their signal is replaced by the
// model's Run before the fit), with the set's fit limits.
void LoadVelocityScans(MainWindowFixture& f, const VelocitySet& set) {
    using S = ScanStore;
    FillVelocityStore(set);
    std::vector<GeneratedScan> scans;
    for (int k = 1; k <= S::scanCount; ++k) {
        scans.push_back(VelocityScanFile(k, set.rpm));
    }
    ASSERT_EQ(LoadScanFiles(f, scans), set.scans);
    S::leftFitLimit = set.leftFitLimit;
    S::rightFitLimit = set.rightFitLimit;
    ApplyLeftFitLimit();
    ApplyRightFitLimit();
}

void ExpectOilPrompt(MainWindowFixture& f, const char* answer) {
    f.script.expectInput()
        .caption("EXTERNAL LOADING GEOMETRY")
        .prompt("enter volume of oil used in run [ml]")
        .answer(answer);
}

} // namespace

TEST(SpecialCellRoad, RunThenFitRecoversSAndDInTheLinearAndExternalLoadingCells) {
    struct Case {
        const char* name;
        int command;
        const char* oil; // typed into the oil prompt, or none
        bool* chosen;
    } cases[] = {{"linear Lamm equation", 280, nullptr, &ModelChoice::linearLamm},
                 {"external loading cell", 281, "0.005", &ModelChoice::externalLoadingCell}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MainWindowFixture f{900, 650};
        VelocitySet set;
        set.species = {{4.0, 6e-7, 0.8}};
        set.scans = 10;
        set.points = 301;
        LoadVelocityScans(f, set);
        if (c.oil)
            ExpectOilPrompt(f, c.oil);
        SendCommand(f, c.command);
        ASSERT_TRUE(*c.chosen && ModelChoice::lammModel);
        if (c.oil) {
            EXPECT_FLOAT_EQ(M::oilVolume, 0.005f);
        }
        TypeSpecies(f, "4", "6", false);
        ASSERT_TRUE(RunModelAsNoisyData(f, 11)) << "Run computed no model";
        ASSERT_TRUE(f.script.done()) << f.script.logText();
        EXPECT_EQ(LammGrid::discretizationError + LammGrid::singularMatrix, 0);
        EXPECT_EQ(LammGrid::lastSolver, GridAlgorithm::FixedGrid) << "the solver run";

        TypeSpecies(f, "3.6", "7", true);
        FitWithLevenbergMarquardt(f);
        ASSERT_TRUE(f.script.done()) << f.script.logText();
        EXPECT_NEAR(M::speciesS[1], 4.0, 0.04) << "s";
        EXPECT_NEAR(M::speciesDOrM[1], 6.0, 0.3) << "D";

        f.window->Invalidate(true);
        f.Paint();
        const std::string png = f.data.file("cell_geometry.png");
        ASSERT_TRUE(plat::test::windowPng(*f.window, png));
        if (const char* keep = std::getenv("TARNIX_KEEP_PNG"))
            plat::test::windowPng(*f.window, std::string(keep) + "/cell_geometry_" +
                                                 std::to_string(c.command) + ".png");
    }
}

// Anything but a finite, non-negative number is asked again; cancel means no oil.
TEST(SpecialCellRoad, OilPromptTakesOnlyAVolume) {
    MainWindowFixture f;
    for (const char* refused : {"-0.01", "nan", "inf", "1e40", "0.01 ml"})
        ExpectOilPrompt(f, refused);
    ExpectOilPrompt(f, "0.004");
    SendCommand(f, 281);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_FLOAT_EQ(M::oilVolume, 0.004f);
    EXPECT_TRUE(ModelChoice::claverieAlgorithm && !ModelChoice::movingHatAlgorithm);

    f.script.expectInput().caption("EXTERNAL LOADING GEOMETRY").cancel();
    SendCommand(f, 281);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_EQ(M::oilVolume, 0.0f);
    EXPECT_TRUE(ModelChoice::externalLoadingCell);
}
