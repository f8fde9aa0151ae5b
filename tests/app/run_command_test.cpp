// The Run command's frame: which engine the model switches choose, the steep-data check that
// refuses a Run, the clean-up and the one box for an engine this version lacks (none from the
// loaders), and the Help Wizard's advice on residuals and bounds.
#include "app/gradient_check.h"
#include "app/load_filters.h"
#include "app/run_engines.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_store_alloc.h"
#include "state/buffer_sedimentation.h"
#include "state/conti_state.h"
#include "state/fit_control.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/preference_switches.h"
#include "state/realtime_state.h"
#include "state/run_switches.h"
#include "state/serial_fit_state.h"
#include "support/main_window_fixture.h"
#include "support/store_builder.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using S = ScanStore;
using M = ModelParameters;

TEST(RunEngineChoice, FirstMatchingRuleWins) {
    struct Case {
        const char* name;
        std::function<void()> set;
        RunEngine expected;
    };
    const std::vector<Case> cases = {
        {"no model switch", [] {}, RunEngine::DiscreteSed},
        {"equilibrium test before all",
         [] {
             RealtimeState::equilibriumTestMode = true;
             ModelChoice::contiMode = ModelChoice::equilibriumModel = true;
         },
         RunEngine::ApproachToEquilibrium},
        {"continuous", [] { ModelChoice::contiMode = true; }, RunEngine::ContiSed},
        {"light-scattering time course",
         [] { ModelChoice::contiMode = ModelChoice::dlsIRhTimeCourse = true; },
         RunEngine::ContinuousModel},
        {"continuous before equilibrium",
         [] { ModelChoice::contiMode = ModelChoice::equilibriumModel = true; },
         RunEngine::ContiSed},
        {"equilibrium", [] { ModelChoice::equilibriumModel = true; }, RunEngine::EquilibriumFit},
        {"equilibrium association", [] { ModelChoice::equilibriumAssociationModel = true; },
         RunEngine::EquilibriumFit},
        // The area-fraction extrapolation sets the continuous mode as well.
        {"area-fraction extrapolation",
         [] {
             ModelChoice::contiMode = ModelChoice::gStarFamily = true;
             ModelChoice::lsgExtrapolation = true;
         },
         RunEngine::LsgExtrapolation},
        {"van Holde-Weischet", [] { ModelChoice::gStarFamily = true; },
         RunEngine::VanHoldeWeischet},
    };
    for (const Case& c : cases) {
        ModelChoice::ResetToDefaults();
        RealtimeState::ResetToDefaults();
        c.set();
        EXPECT_EQ(ChooseRunEngine(), c.expected) << c.name;
    }
    ModelChoice::ResetToDefaults();
    RealtimeState::ResetToDefaults();
}

// With the buffer correction on, the distributions whose kernels come from the Lamm list road
// run (the buffer takes their first column); the size-and-shape model does not carry it.
TEST(RunEngineChoice, DistributionsCarryingTheBufferRun) {
    struct Case {
        const char* name;
        std::function<void()> set;
        bool available;
    };
    const std::vector<Case> cases = {
        {"c(s)", [] { ModelChoice::contiCs = true; }, true},
        {"c(M)", [] {}, true},
        {"c(M) on equilibrium data", [] { ScanStore::equilibriumData = true; }, false},
        {"c(s, f/f0)", [] { ModelChoice::csFf0 = true; }, false},
    };
    for (const Case& c : cases) {
        ModelChoice::ResetToDefaults();
        ModelChoice::nonInteractingSpecies = false;
        ModelChoice::contiMode = true;
        ScanStore::equilibriumData = false;
        c.set();
        BufferSedimentation::on = true;
        EXPECT_EQ(RunEngineAvailable(RunEngine::ContiSed), c.available) << c.name;
        BufferSedimentation::on = false;
    }
    ModelChoice::ResetToDefaults();
    ScanStore::equilibriumData = false;
}

// One scan on radii 6.0 + 0.0625 (i - 1), exact in float, flat at 1.0 except for the given
// signal steps after point 11; fit range over all 30 points, limits inside meniscus and bottom.
void SteepScan(const std::vector<float>& steps) {
    StoreScan scan;
    float value = 1.0f;
    for (int i = 1; i <= 30; ++i) {
        scan.radius.push_back(6.0f + 0.0625f * static_cast<float>(i - 1));
        if (i > 11 && static_cast<std::size_t>(i - 12) < steps.size())
            value += steps[static_cast<std::size_t>(i - 12)];
        scan.signal.push_back(value);
    }
    FillStore({scan});
    S::firstFitIndex[1] = 1;
    S::lastFitIndex[1] = 30;
    M::meniscus = 5.9f;
    M::bottom = 8.0f;
    S::leftFitLimit = 5.95f;
    S::rightFitLimit = 7.9f;
    LoadFilters::maxGradient = 500.0f; // a step of 31.25 is a slope of exactly 500/cm
}

TEST(GradientCheck, OnlyFourSuccessiveRisingSlopesAboveTheLimitStop) {
    struct Case {
        const char* name;
        std::vector<float> steps;
        std::function<void()> set;
        bool passes;
    };
    const std::vector<Case> cases = {
        {"four steep steps", {40, 40, 50, 40}, [] {}, false},
        {"three steep steps", {40, 40, 40}, [] {}, true},
        {"a slope equal to the limit", {40, 31.25f, 40, 40}, [] {}, true},
        {"steep but falling", {-40, -40, -40, -40}, [] {}, true},
        {"fluorescence data", {40, 40, 40, 40}, [] { ScanDataKind::fluorescence = true; }, true},
        {"meniscus unset", {40, 40, 40, 40}, [] { M::meniscus = 0.0f; }, true},
        {"right limit unset", {40, 40, 40, 40}, [] { S::rightFitLimit = 0.0f; }, true},
        {"limits out of order", {40, 40, 40, 40}, [] { S::leftFitLimit = 8.5f; }, true},
        {"run before the fit range", {40, 40, 40, 40}, [] { S::firstFitIndex[1] = 16; }, true},
        {"no scans", {}, [] { FreeAllData(); }, true},
    };
    MainWindowFixture f;
    for (const Case& c : cases) {
        SteepScan(c.steps);
        ScanDataKind::fluorescence = false;
        c.set();
        if (!c.passes)
            f.script.expectBox().caption("ERROR").text(
                "max gradient exceeded:  grad = 800.0/cm at r ~ 6.6250cm in scan "
                "00001.RA1");
        EXPECT_EQ(CheckScanGradients(f.window.get()), c.passes) << c.name;
        EXPECT_TRUE(f.script.done()) << c.name << f.script.logText();
    }
}

TEST(RunCommand, SteepDataStopTheRunBeforeAnythingChanges) {
    MainWindowFixture f;
    SteepScan({40, 40, 50, 40});
    ContiState::fMvsMOneShot = true;
    ContiState::calledFromFit = true;
    plat::test::clearRecords();
    f.script.expectBox().caption("ERROR").textHas("max gradient exceeded");
    plat::test::command(f.window.get(), 213);
    f.script.pumpUntilIdle();
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_FALSE(ContiState::fMvsMOneShot); // cleared before the check
    EXPECT_TRUE(ContiState::calledFromFit);
    EXPECT_TRUE(plat::test::cursorHistory(f.window.get()).empty());

    // Switched off, the same data run (here with a model no engine computes: the non-ideal
    // c(s) in an inhomogeneous solvent).
    LoadFilters::gradientCheck = false;
    ModelChoice::contiCs = false;
    ModelChoice::contiMode = ModelChoice::csWithBaselineEstimates = true;
    ModelChoice::inhomogeneousSolvent = true;
    f.script.expectBox().caption("NOT AVAILABLE");
    plat::test::command(f.window.get(), 213);
    f.script.pumpUntilIdle();
    EXPECT_TRUE(f.script.done()) << f.script.logText();
}

TEST(RunCommand, MissingEngineIsSaidOnceByHandAndNeverFromTheLoaders) {
    MainWindowFixture f;
    // a model no engine computes: the non-ideal c(s) in an inhomogeneous solvent
    ModelChoice::contiMode = ModelChoice::csWithBaselineEstimates = true;
    ModelChoice::inhomogeneousSolvent = true;
    ContiState::discretePrior = ContiState::discretePriorOneShot = true;
    ContiState::calledFromFit = true;
    LammGrid::timeCourseRestart = true;
    S::dataChanged = true;
    plat::test::clearRecords();
    f.script.expectBox()
        .caption("NOT AVAILABLE")
        .text("\"Run\" (command 213) is not available in this version for the model chosen.");
    plat::test::command(f.window.get(), 213);
    f.script.pumpUntilIdle();
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_EQ(plat::test::cursorHistory(f.window.get()), (std::vector<int>{IDC_WAIT, IDC_ARROW}));
    EXPECT_FALSE(f.window->runBusy);
    EXPECT_FALSE(gSimulateOnly);
    EXPECT_FALSE(ContiState::discretePrior || ContiState::discretePriorOneShot);
    EXPECT_FALSE(ContiState::calledFromFit || LammGrid::timeCourseRestart);
    // Nothing was evaluated: the data count as changed and no result is announced.
    EXPECT_TRUE(S::dataChanged);
    EXPECT_FALSE(gRunCompleted);

    plat::test::clearRecords();
    f.window->RunModel(); // any box would fail the script
    EXPECT_EQ(plat::test::cursorHistory(f.window.get()), (std::vector<int>{IDC_WAIT, IDC_ARROW}));

    f.script.expectBox().caption("NOT AVAILABLE");
    plat::test::command(f.window.get(), 530);
    f.script.pumpUntilIdle();
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_FALSE(LammGrid::faxenApproximation);
}

// Two scans of 21 points whose fit misses the signal by offset everywhere, plus extra in the
// first and last two points of each fit range (the tenth at each end: floor(0.1 x 20) + 1).
void ResidualScans(float offset, float meniscusExtra, float bottomExtra) {
    auto flat = [](float) { return 1.0f; };
    FillStore({EvenScan(6.0f, 0.01f, 21, 100.0, flat), EvenScan(6.0f, 0.01f, 21, 200.0, flat)});
    for (int k = 1; k <= 2; ++k) {
        S::firstFitIndex[k] = 1;
        S::lastFitIndex[k] = 21;
        for (int i = 1; i <= 21; ++i) {
            float extra = i <= 3 ? meniscusExtra : i >= 19 ? bottomExtra : 0.0f;
            S::fit[k][i] = S::signal[k][i] + offset + extra;
        }
    }
}

TEST(ResidualsWizard, AdvisesOnLargeEdgeAndBoundResiduals) {
    struct Case {
        const char* name;
        std::function<void()> set;
        std::vector<std::string> boxes; // the start of each advice, in order
    };
    const std::vector<Case> cases = {
        {"quiet fit", [] { ResidualScans(0.01f, 0.0f, 0.0f); }, {}},
        {"rmsd exactly at the limit", [] { ResidualScans(0.02f, 0.0f, 0.0f); }, {}},
        {"large residuals", [] { ResidualScans(0.03f, 0.0f, 0.0f); }, {"Residuals seem larger"}},
        {"meniscus end",
         [] { ResidualScans(0.001f, 0.01f, 0.0f); },
         {"Residuals close to meniscus"}},
        {"bottom end", [] { ResidualScans(0.001f, 0.0f, 0.01f); }, {"Residuals close to bottom"}},
        {"meniscus at its bound",
         [] {
             ResidualScans(0.01f, 0.0f, 0.0f);
             M::fitFloat[13] = 1;
             M::fitValues[13] = FitControl::meniscusMin;
         },
         {"Meniscus estimate has reached"}},
        {"bottom at its bound but fixed",
         [] {
             ResidualScans(0.01f, 0.0f, 0.0f);
             M::fitValues[14] = FitControl::bottomMax;
         },
         {}},
        {"several at once",
         [] {
             ResidualScans(0.03f, 0.1f, 0.0f);
             M::fitFloat[14] = 1;
             M::fitValues[14] = FitControl::bottomMax;
         },
         {"Residuals seem larger", "Residuals close to meniscus", "Bottom estimate has"}},
        {"batch fits stay silent",
         [] {
             ResidualScans(0.03f, 0.1f, 0.1f);
             SerialFitState::serializing = true;
         },
         {}},
    };
    const std::string suffix =
        "\n\n\n(to switch off wizard messages, use menu Help->Info and Wizard Messages)";
    MainWindowFixture f;
    for (const Case& c : cases) {
        M::ResetToDefaults();
        SerialFitState::serializing = false;
        c.set();
        for (const std::string& start : c.boxes)
            f.script.expectBox().caption("Help Wizard").textHas(start);
        f.window->CheckResidualsWizard();
        EXPECT_TRUE(f.script.done()) << c.name << f.script.logText();
        for (const auto& prompt : f.script.log())
            EXPECT_TRUE(prompt.text.ends_with(suffix)) << c.name;
    }
    SerialFitState::serializing = false;
}

} // namespace
