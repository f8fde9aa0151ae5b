// A saved analysis restored after a restart is the analysis that was saved: the model with its
// family member, the distribution range in its units and the Model menu's check marks. Before,
// the file named no model and a c(s) analysis came back as c(M) with its S range read as Da.
#include "app/model_menu_items.h"
#include "display/paint_switches.h"
#include "fitting/model_identity.h"
#include "fitting/param_files.h"
#include "fitting/restore_analysis.h"
#include "plat/msgbox.hpp"
#include "scandata/scan_store_alloc.h"
#include "state/conti_state.h"
#include "state/display_options.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/preference_switches.h"
#include "support/conti_data_store.h"
#include "support/distribution_maximum.h"
#include "support/main_window_fixture.h"
#include "support/reset_all_state.h"
#include "support/temp_folder.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

using M = ModelChoice;
using C = ContiState;

class RestoreModel : public ::testing::Test {
  protected:
    void SetUp() override {
        f.script.onUnexpected(plat::test::Unexpected::DefaultButton);
        path = f.data.file("~tmppars.RA1");
        ScanPaths::gDataPath = path;
    }
    void Command(int id) {
        plat::test::command(f.window.get(), id);
        f.script.pumpUntilIdle();
    }
    // What a restart leaves: every record at its default and a new window with a new menu.
    void Restart() {
        f.window.reset();
        ResetAllState();
        f.window = std::make_unique<TXLAWindow>(nullptr, "Sedimentation Analysis");
        f.window->Create();
        gShowDisclaimer = false;
        gWizardMessages = false;
        gScanRmsPath = f.data.file("ScanRms.dat");
        f.Resize(700, 500);
        ScanPaths::gDataPath = path;
    }
    // Answers both questions of the restore with Yes; the second comes only for another model.
    bool RestoreAnsweringYes(bool modelDiffers) {
        f.script.onUnexpected(plat::test::Unexpected::Fail);
        f.script.expectBox().text("restore previous data?").answer(IDYES);
        if (modelDiffers)
            f.script.expectBox().text("load previous analysis?").answer(IDYES);
        const bool restored = RestorePreviousAnalysis(f.window.get(), true);
        EXPECT_TRUE(f.script.done()) << f.script.logText();
        return restored;
    }
    std::vector<int> CheckedModels() {
        std::vector<int> out;
        for (int id : kModelMenuItems)
            if (f.window->GetMenuModel()->IsChecked(id))
                out.push_back(id);
        return out;
    }

    MainWindowFixture f;
    std::string path;
};

// Each model chosen through the menu and saved comes back after a restart with its switches,
// range and check mark; the range keeps its units (S for the c(s) family, Da for c(M)).
TEST_F(RestoreModel, RestartGivesBackTheSavedModelRangeAndCheckMark) {
    struct Case {
        int id;
        bool* member; // the switch that names the family member, or null
        float rangeMin;
        float rangeMax;
    };
    const std::vector<Case> cases = {
        {275, &M::contiCs, 0.5f, 12.0f},      {514, &M::csConformationalChange, 1.0f, 18.0f},
        {526, &M::csInvariantD, 1.5f, 25.0f}, {235, nullptr, 2000.0f, 600000.0f},
        {280, &M::linearLamm, 0.0f, 0.0f},
    };
    for (const Case& c : cases) {
        Restart();
        Command(c.id);
        ASSERT_EQ(CurrentModelCommandId(), c.id);
        if (M::contiMode) {
            C::rangeMin = c.rangeMin;
            C::rangeMax = c.rangeMax;
            PackFitParameters();
        }
        const bool regularizationMaxEnt = C::maxEntRegularization;
        ASSERT_TRUE(TmpSaveBestParams(f.window.get(), 0));

        Restart();
        ASSERT_EQ(CurrentModelCommandId(), 198);
        ASSERT_TRUE(RestoreAnsweringYes(true)) << c.id;
        EXPECT_EQ(CurrentModelCommandId(), c.id);
        if (c.member) {
            EXPECT_TRUE(*c.member) << c.id;
        }
        EXPECT_EQ(CheckedModels(), std::vector<int>{c.id});
        if (M::contiMode) {
            EXPECT_FALSE(M::lammModel) << c.id;
            EXPECT_EQ(M::contiCs, c.id == 275) << c.id;
            EXPECT_EQ(C::rangeMin, c.rangeMin) << c.id;
            EXPECT_EQ(C::rangeMax, c.rangeMax) << c.id;
            EXPECT_EQ(C::maxEntRegularization, regularizationMaxEnt) << c.id;
            EXPECT_EQ(f.window->GetMenuModel()->IsChecked(295), regularizationMaxEnt) << c.id;
            // As the command leaves it: the distributions' own grid size.
            EXPECT_TRUE(C::gridSizeReplaced) << c.id;
            EXPECT_EQ(LammGrid::gridSize, C::distributionGridSize) << c.id;
        } else {
            EXPECT_TRUE(M::lammModel) << c.id;
        }
    }
}

// A discrete analysis restored while c(s) is chosen: Yes to the second question switches back
// to the discrete model with nothing of c(s) left on; No keeps c(s) and its check mark.
TEST_F(RestoreModel, DiscreteAnalysisRestoredWhileCsIsChosen) {
    ModelParameters::speciesS[1] = 7.25f;
    PackFitParameters();
    ASSERT_TRUE(TmpSaveBestParams(f.window.get(), 0));
    for (int answer : {IDYES, IDNO}) {
        Restart();
        Command(275);
        ASSERT_TRUE(M::contiCs);
        f.script.onUnexpected(plat::test::Unexpected::Fail);
        f.script.expectBox().text("restore previous data?").answer(IDYES);
        f.script.expectBox().text("load previous analysis?").answer(answer);
        EXPECT_TRUE(RestorePreviousAnalysis(f.window.get(), true));
        EXPECT_TRUE(f.script.done()) << f.script.logText();
        const int expected = answer == IDYES ? 198 : 275;
        EXPECT_EQ(CurrentModelCommandId(), expected);
        EXPECT_EQ(CheckedModels(), std::vector<int>{expected});
        EXPECT_EQ(M::contiCs, answer == IDNO);
        EXPECT_EQ(M::contiMode, answer == IDNO);
        EXPECT_EQ(M::lammModel, answer == IDYES);
        EXPECT_EQ(C::gridSizeReplaced, answer == IDNO);
        if (answer == IDYES) {
            EXPECT_EQ(LammGrid::gridSize, LammGrid::gridSizeSetting);
            EXPECT_EQ(ModelParameters::speciesS[1], 7.25f);
        }
        f.script.onUnexpected(plat::test::Unexpected::DefaultButton);
    }
}

// The values of a file written before the model id: the family switches came with it.
constexpr int kValuesBeforeFamilySwitches = 201;

// Rewrites the saved file as an older program wrote it: model 0 and no family switches (the 47
// values appended with the model id), or only its first `count` values.
void MakeOldFile(const std::string& path, int count = 0) {
    std::vector<std::string> lines = SplitLines(ReadTextFile(path));
    ASSERT_EQ(static_cast<int>(lines.size()), SavedParameterCount());
    lines[69] = "0.00000000e+00";
    lines.resize(count > 0 ? count : lines.size() - 47);
    std::string text;
    for (const std::string& l : lines)
        text += l + "\n";
    ASSERT_TRUE(WriteTextFile(path, text));
}

// Files written before the model id still read, their model taken from their switches; a
// discrete one no longer leaves the c(s) member of the current choice on.
TEST_F(RestoreModel, FileWithoutModelIdStillReads) {
    struct Case {
        const char* what;
        int savedModel;
        int currentModel;
        int expected;
    };
    const std::vector<Case> cases = {
        {"discrete file, discrete chosen", 198, 198, 198},
        {"discrete file, c(s) chosen", 198, 275, 198},
        {"c(s) file, c(s) chosen", 275, 275, 275},
        {"c(M) file, discrete chosen", 235, 198, 235},
    };
    for (const Case& c : cases) {
        Restart();
        Command(c.savedModel);
        ModelParameters::meniscus = 5.931f;
        PackFitParameters();
        ASSERT_TRUE(TmpSaveBestParams(f.window.get(), 0));
        MakeOldFile(path);
        Restart();
        Command(c.currentModel);
        EXPECT_TRUE(ReloadParameters(f.window.get(), path.c_str())) << c.what;
        EXPECT_EQ(CurrentModelCommandId(), c.expected) << c.what;
        EXPECT_EQ(CheckedModels(), std::vector<int>{c.expected}) << c.what;
        EXPECT_EQ(ModelParameters::meniscus, 5.931f) << c.what;
    }
}

// A file without a model id restores its switches, not the ones only later files hold: a
// discrete file over c(M) leaves no model switch on, a c(M) file over the discrete model leaves
// the Lamm switch on beside c(M). Either way the discrete model's command chooses it in full.
TEST_F(RestoreModel, DiscreteCommandAfterAFileWithoutModelId) {
    for (const auto [saved, current] : {std::pair{198, 235}, std::pair{235, 198}}) {
        Restart();
        Command(saved);
        ASSERT_TRUE(TmpSaveBestParams(f.window.get(), 0));
        MakeOldFile(path, kValuesBeforeFamilySwitches);
        Restart();
        Command(current);
        ASSERT_TRUE(ReloadParameters(f.window.get(), path.c_str())) << saved;
        EXPECT_EQ(M::lammModel, current == 198) << saved;
        EXPECT_EQ(M::contiMode, saved == 235) << saved;
        Command(198);
        EXPECT_EQ(CurrentModelCommandId(), 198) << saved;
        EXPECT_TRUE(M::lammModel && M::nonInteractingSpecies && !M::contiMode) << saved;
        EXPECT_EQ(CheckedModels(), std::vector<int>{198}) << saved;
    }
}

// Scans of one species of 5 S, f/f0 1.25, written as scan files into the data folder.
std::vector<std::string> WriteOneSpeciesScans(const TempFolder& folder) {
    ContiStoreCase c;
    c.scans = 8;
    c.points = 191; // 6.02 .. 7.16 cm in steps of 0.006 cm
    c.meniscus = 6.02f;
    c.bottom = 7.16f;
    c.firstTimeS = 600.0;
    c.intervalS = 500.0;
    ModelParameters::meniscus = 6.0f;
    ModelParameters::bottom = 7.2f;
    ContiDataStore store(c);
    store.Fill({{5.0, 1.25, 0.8}}, {}, {}, 0.003, 7);
    std::vector<std::string> paths;
    for (int k = 1; k <= c.scans; ++k) {
        const GeneratedScan s =
            store.ScanFile(k, "[T OK]one species " + std::to_string(k), store.signal[k].data());
        char name[20];
        std::snprintf(name, sizeof name, "%05d.RA1", k);
        paths.push_back(folder.file(name));
        std::ofstream(paths.back()) << s.Text();
    }
    return paths;
}

// The road of the report: c(s) run and saved, the program started again, the scans loaded with
// the saved analysis restored, Run: the distribution is computed over the saved S range, and
// its peak lies at the species' s.
TEST_F(RestoreModel, RestoredCsAnalysisRunsAfterARestart) {
    const std::vector<std::string> paths = WriteOneSpeciesScans(f.data);
    Restart();
    f.script.onUnexpected(plat::test::Unexpected::Cancel);
    f.script.expectFileOpen().answer(paths);
    Command(200); // Load New Files: nothing saved yet, no question
    ASSERT_EQ(ScanStore::scanCount, 8);
    Command(275);
    ASSERT_TRUE(M::contiCs);
    C::rangeMin = 1.0f;
    C::rangeMax = 12.0f;
    C::resolution = 56.0f;
    ModelParameters::meniscus = 6.0f;
    ModelParameters::bottom = 7.2f;
    ScanStore::leftFitLimit = 6.05f;
    ScanStore::rightFitLimit = 7.1f;
    PackFitParameters();
    Command(213);
    ASSERT_NE(C::distributionPlot, nullptr) << f.script.logText();
    ASSERT_TRUE(TmpSaveBestParams(f.window.get(), 0));

    Restart();
    f.script.onUnexpected(plat::test::Unexpected::Fail);
    f.script.expectFileOpen().answer(paths);
    f.script.expectInput().caption("LOAD FILES").answer("1");
    f.script.expectBox().text("restore previous data?").answer(IDYES);
    f.script.expectBox().text("load previous analysis?").answer(IDYES);
    Command(200);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_EQ(CheckedModels(), std::vector<int>{275});
    EXPECT_EQ(C::rangeMin, 1.0f);
    EXPECT_EQ(C::rangeMax, 12.0f);
    Command(213); // any box fails the test
    ASSERT_NE(C::distributionPlot, nullptr);
    // The distribution's grid spans the saved S range, its largest value near 5 S.
    ASSERT_GT(C::gridPoints, 2);
    EXPECT_NEAR(C::sValues[1], 1.0, 1e-4);
    EXPECT_NEAR(C::sValues[C::gridPoints], 12.0, 1e-4);
    EXPECT_NEAR(DistributionMaximumAbscissa(), 5.0, 0.5);
    f.Paint();
    if (const char* keep = std::getenv("TARNIX_KEEP_PNG"))
        plat::test::windowPng(*f.window, std::string(keep) + "/restored_cs_run.png");
}

} // namespace
