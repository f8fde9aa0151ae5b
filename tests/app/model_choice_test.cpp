// Model choice and fit options: each model command sets its switches after the reset and leaves
// exactly one model checked; refusals change nothing; the annealing and option questions keep
// their old values on cancel.
#include "app/command_table.h"
#include "app/load_filters.h"
#include "app/model_menu_items.h"
#include "scandata/scan_store_alloc.h"
#include "state/conti_state.h"
#include "state/dls_data.h"
#include "state/fit_control.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/main_window_fixture.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

using M = ModelChoice;

class ModelChoiceCommands : public ::testing::Test {
  protected:
    void SetUp() override { f.script.onUnexpected(plat::test::Unexpected::DefaultButton); }
    void Command(int id) {
        plat::test::command(f.window.get(), id);
        f.script.pumpUntilIdle();
    }
    std::vector<int> CheckedModels() {
        std::vector<int> out;
        for (int id : kModelMenuItems)
            if (f.window->GetMenuModel()->IsChecked(id))
                out.push_back(id);
        return out;
    }
    MainWindowFixture f;
};

TEST_F(ModelChoiceCommands, EachModelSetsItsSwitchesAndTheOnlyCheckMark) {
    struct Case {
        int id;
        std::vector<bool*> on;
        std::vector<bool*> off;
    };
    const std::vector<Case> cases = {
        {280,
         {&M::lammModel, &M::linearLamm, &M::geometryVariant},
         {&M::nonInteractingSpecies, &M::lammVariant}},
        {229, {&M::selfAssocMonomerTrimer, &M::nonInteractingSpecies}, {&M::linearLamm}},
        {520,
         {&M::selfAssocTetramerOctamer, &M::geometryVariant, &M::equilibriumMs},
         {&M::lammVariant, &M::nonlinearOption}},
        {246, {&M::lammModel, &M::zoneCentrifugation, &M::lammVariant}, {}},
        {235,
         {&M::contiMode, &M::lammVariant, &M::nonInteractingSpecies},
         {&M::geometryVariant, &M::zoneCentrifugation}},
        {275, {&M::contiMode, &M::contiCs}, {}},
        {514, {&M::contiMode, &M::csConformationalChange}, {&M::contiCs}},
        {284, {&M::equilibriumModel, &M::fitTINoise, &M::fitRINoise}, {&M::contiMode}},
        {198,
         {&M::nonInteractingSpecies, &M::lammModel, &M::lammVariant},
         {&M::equilibriumModel, &M::geometryVariant}},
    };
    for (const Case& c : cases) {
        Command(c.id);
        for (bool* on : c.on)
            EXPECT_TRUE(*on) << c.id;
        for (bool* off : c.off)
            EXPECT_FALSE(*off) << c.id;
        // Commands without a menu item leave no model checked.
        const bool hasItem = FindCommand(c.id)->menuPath != nullptr;
        EXPECT_EQ(CheckedModels(), hasItem ? std::vector<int>{c.id} : std::vector<int>{}) << c.id;
    }
}

TEST_F(ModelChoiceCommands, ChosenModelAgainChangesNothing) {
    Command(280);
    M::lammVariant = true; // a reset would keep it; the command would clear it
    Command(280);
    EXPECT_TRUE(f.script.log().empty()) << f.script.logText();
    EXPECT_TRUE(M::lammVariant);
}

TEST_F(ModelChoiceCommands, LightScatteringDataRefuseOtherModels) {
    gDlsData = true;
    f.script.onUnexpected(plat::test::Unexpected::Fail);
    for (int id : {280, 275, 229}) {
        f.script.expectBox().caption("ERROR").text("this model is not implemented for DLS data");
        Command(id);
        EXPECT_TRUE(M::nonInteractingSpecies && M::lammModel) << id;
        EXPECT_FALSE(M::linearLamm || M::contiMode || M::selfAssocMonomerTrimer) << id;
    }
    gDlsData = false;
    f.script.expectBox().caption("ERROR").text("need DLS data for this analysis");
    Command(503);
    EXPECT_FALSE(M::dlsIRh);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
}

TEST_F(ModelChoiceCommands, CMRangeBecomesDefaultSRangeWithoutScans) {
    Command(235);
    ASSERT_GT(ContiState::rangeMin, 1000.0f);
    Command(275);
    EXPECT_FLOAT_EQ(ContiState::rangeMin, 0.0f);
    EXPECT_FLOAT_EQ(ContiState::rangeMax, 15.0f);
    EXPECT_FLOAT_EQ(ModelParameters::fitValues[kSlotRangeMax], 15.0f);
    // Within the family the c(M) grid size stays replaced: no reset between members.
    Command(514);
    EXPECT_TRUE(ContiState::gridSizeReplaced);
    EXPECT_TRUE(M::contiMode);
}

TEST_F(ModelChoiceCommands, CancelledAnnealingQuestionsKeepTheParameters) {
    f.script.onUnexpected(plat::test::Unexpected::Fail);
    for (int i = 0; i < 4; ++i)
        f.script.expectInput().caption("Fit With Simulated Annealing").cancel();
    f.script.expectBox().caption("SET PREFERENCE").answer(IDNO);
    Command(825);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_TRUE(FitControl::simulatedAnnealing);
    EXPECT_FALSE(FitControl::simplex || FitControl::marquardtLevenberg);
    EXPECT_EQ(FitControl::annealingSteps, 10);
    EXPECT_TRUE(FitControl::annealingFinalML);
    EXPECT_TRUE(f.window->GetMenuModel()->IsChecked(825));
    EXPECT_FALSE(f.window->GetMenuModel()->IsChecked(826));
}

TEST_F(ModelChoiceCommands, AnnealingEntriesAreRoundedDownAndOnlyOneOrTwoChooseAFinalStep) {
    f.script.onUnexpected(plat::test::Unexpected::Fail);
    f.script.expectInput().answer("3");
    f.script.expectInput().prompt("# of temperature steps").answer("2.7");
    f.script.expectInput().prompt("# of iterations per temperature").answer("99.9");
    f.script.expectInput().prompt("final ML (1), Simplex (2), or none (0)").answer("1.5");
    f.script.expectBox().text("save as default setting?").answer(IDNO);
    Command(825);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_FLOAT_EQ(FitControl::annealingTemperature, 3.0f);
    EXPECT_EQ(FitControl::annealingSteps, 2);
    EXPECT_EQ(FitControl::annealingIterations, 99);
    EXPECT_FALSE(FitControl::annealingFinalML || FitControl::annealingFinalSimplex);
}

TEST_F(ModelChoiceCommands, TimeOffsetOffAlsoStopsFittingT0) {
    f.script.onUnexpected(plat::test::Unexpected::Fail);
    f.script.expectInput().caption("SET SIMULATION START TIME").answer("120");
    Command(255); // switches the offset on first
    EXPECT_TRUE(ModelParameters::timeOffsetOn && ModelParameters::fitT0);
    EXPECT_EQ(ModelParameters::fitFloat[kSlotTimeOffset], 1);
    EXPECT_FLOAT_EQ(ModelParameters::fitValues[kSlotTimeOffset], 120.0f);
    f.script.expectInput().prompt("offset by (sec)").cancel();
    Command(256);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_FALSE(ModelParameters::timeOffsetOn || ModelParameters::fitT0);
    EXPECT_EQ(ModelParameters::fitFloat[kSlotTimeOffset], 0);
    EXPECT_FALSE(f.window->GetMenuModel()->IsChecked(255));
}

TEST_F(ModelChoiceCommands, GradientFlagOffAtOnceAndOnOnlyWithAThreshold) {
    f.script.onUnexpected(plat::test::Unexpected::Fail);
    Command(868);
    EXPECT_FALSE(LoadFilters::gradientCheck);
    f.script.expectInput().caption("EXCLUDE EXCESS GRADIENTS").cancel();
    Command(868);
    EXPECT_FALSE(LoadFilters::gradientCheck);
    f.script.expectInput().prompt("maximum gradient allowed (signal/cm):").answer("250");
    Command(868);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_TRUE(LoadFilters::gradientCheck);
    EXPECT_FLOAT_EQ(LoadFilters::maxGradient, 250.0f);
}

} // namespace

// Scans loaded while ls-g*(s) holds times from omega^2 t carry those times; the next model
// switches the option off and gives them their recorded times back. (Only the switch was
// cleared before: the next model simulated the rotor's ramp over times that had it taken out.)
TEST_F(ModelChoiceCommands, LeavingTimesFromOmegaSquaredTBringsBackTheRecordedTimes) {
    for (int next : {198, 235}) {
        SCOPED_TRACE(next);
        Command(288);
        ASSERT_TRUE(ScanStore::timesFromW2t);
        f.LoadScans(4, 100);
        ASSERT_EQ(ScanStore::scanCount, 4);
        for (int k = 1; k <= 4; ++k)
            ASSERT_LT(ScanStore::header[k].time, ScanStore::header[k].originalTime) << k;
        f.script.expectBox().text("switching off times from w^2t option").answer(IDOK);
        Command(next);
        EXPECT_FALSE(ScanStore::timesFromW2t);
        for (int k = 1; k <= 4; ++k)
            EXPECT_EQ(ScanStore::header[k].time, ScanStore::header[k].originalTime) << k;
    }
}
