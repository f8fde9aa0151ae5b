// Reloading the listed scans in place of the loaded set: what it keeps (folder, selection,
// meniscus warning, caption), that it runs the current model through Run's frame, and how it
// differs from the reload of a new data set after a cell change.
#include "app/load_filters.h"
#include "scandata/load_steps.h"
#include "scandata/reload_data.h"
#include "scandata/scan_file_list.h"
#include "scandata/scan_store_alloc.h"
#include "scandata/slot_grid_arrays.h"
#include "state/dls_data.h"
#include "state/model_parameters.h"
#include "support/main_window_fixture.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using S = ScanStore;
using P = ScanPaths;

class ReloadAllDataTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ScanSetOptions options;
        options.count = 4;
        options.points = 150;
        f.Load(options);
        ASSERT_EQ(S::scanCount, 4);
        ASSERT_TRUE(f.script.done()) << f.script.logText();
    }
    std::vector<std::string> LoadedNames() const {
        std::vector<std::string> out;
        for (int i = 1; i <= S::scanCount; ++i)
            out.push_back(S::scanFileName[S::scanOrder[i]]);
        return out;
    }
    // Settings a reload in place must not touch, set apart from what a load would make.
    void SetKeptSettings() {
        P::gLoadSelection = "kept selection";
        P::gDataDrive = "";
        P::gDataDir = f.data.path() + "/kept/";
        ModelParameters::blocalVaryMeniscusWarned = true;
        f.window->SetCaption("kept caption");
    }
    MainWindowFixture f;
};

TEST_F(ReloadAllDataTest, KeepsFolderSelectionWarningAndCaptionAndRunsTheModel) {
    MakeTmpScanFileList(S::scanOrder[2]); // the second scan in time order is left out
    SetKeptSettings();
    plat::test::clearRecords();
    ReloadAllData(f.window.get(), f.window->computeObserver);
    EXPECT_TRUE(f.script.done()) << f.script.logText(); // no engine box from a loader
    EXPECT_EQ(LoadedNames(), (std::vector<std::string>{"00001.RA1", "00003.RA1", "00004.RA1"}));
    EXPECT_EQ(P::gLoadSelection, "kept selection");
    EXPECT_EQ(P::gDataDir, f.data.path() + "/kept/");
    EXPECT_EQ(P::gDataPath, f.data.path() + "/kept/~tmppars.RA1");
    EXPECT_TRUE(ModelParameters::blocalVaryMeniscusWarned);
    EXPECT_EQ(f.window->GetCaption(), "kept caption");
    // Run's frame went round (wait cursor and back); the species arrays fit the new set.
    EXPECT_EQ(plat::test::cursorHistory(f.window.get()), (std::vector<int>{IDC_WAIT, IDC_ARROW}));
    EXPECT_FALSE(f.window->runBusy);
    EXPECT_EQ(SpeciesGridArrays::madeScanCount, 3);
    EXPECT_NE(SpeciesGridArrays::grid[1], nullptr);
}

TEST_F(ReloadAllDataTest, ReloadAsNewDataSetTakesTheListsFolderAndRunsNothing) {
    MakeTmpScanFileList(0);
    SetKeptSettings();
    plat::test::clearRecords();
    ReloadForChangeCell(f.window.get(), f.window->computeObserver);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_EQ(S::scanCount, 4);
    EXPECT_EQ(P::gDataDir, f.data.path() + "/");
    EXPECT_EQ(P::gLoadSelection, f.data.path());
    EXPECT_FALSE(ModelParameters::blocalVaryMeniscusWarned);
    EXPECT_EQ(f.window->GetCaption(),
              "SEDIMENTATION ANALYSIS -> " + f.data.file("00001.RA1") + "...");
    EXPECT_TRUE(plat::test::cursorHistory(f.window.get()).empty());
}

TEST_F(ReloadAllDataTest, RunsTheSteepDataCheckOfRun) {
    MakeTmpScanFileList(0);
    LoadFilters::maxGradient = 1e-3f; // every rising boundary is too steep now
    f.script.expectBox().caption("ERROR").textHas("max gradient exceeded:  grad = ");
    ReloadAllData(f.window.get(), f.window->computeObserver);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_EQ(S::scanCount, 4); // the data stay loaded; only the Run was refused
}

TEST_F(ReloadAllDataTest, UnreadableEntryLeavesTheStoreEmptyAndRunsNothing) {
    MakeTmpScanFileList(0);
    S::fileNames[2] = f.data.file("missing.RA1");
    SetKeptSettings();
    plat::test::clearRecords();
    f.script.expectBox().caption("LOAD ERROR").textHas(f.data.file("missing.RA1"));
    ReloadAllData(f.window.get(), f.window->computeObserver);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_EQ(S::scanCount, 0);
    EXPECT_TRUE(plat::test::cursorHistory(f.window.get()).empty());
    EXPECT_EQ(f.window->GetCaption(), "kept caption");
}

} // namespace

namespace {

// After light-scattering data the meniscus and bottom were unset but their packed slots kept
// the old column, so the next unpack (Fit M and s, a model evaluation) brought it back.
TEST(FreeLoadedScans, UnsetsThePackedColumnAfterLightScatteringData) {
    MainWindowFixture f;
    f.LoadScans(2, 50);
    ASSERT_EQ(S::scanCount, 2);
    PackFitParameters();
    ASSERT_GT(ModelParameters::fitValues[13], 0.0f);
    gDlsData = true;
    FreeLoadedScans();
    UnpackFitParameters();
    EXPECT_EQ(ModelParameters::meniscus, 0.0f);
    EXPECT_EQ(ModelParameters::bottom, 0.0f);
    gDlsData = false;
}

} // namespace
