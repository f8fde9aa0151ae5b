// The saved analysis offered by Load New Files and switched to by dropping "~tmppars" on the
// main window, driven as a user answers the boxes.
#include "app/txla_window.h"
#include "fitting/param_files.h"
#include "foundations/error_box_log.h"
#include "plat/msgbox.hpp"
#include "plat/testing.hpp"
#include "scandata/scan_store_alloc.h"
#include "state/model_parameters.h"
#include "state/startup_paths.h"
#include "support/program_folder.h"
#include "support/reset_all_state.h"
#include "support/scan_set_generator.h"
#include "support/temp_folder.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <memory>

namespace {

using M = ModelParameters;
using plat::test::Script;

class RestoreWithWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetAllState();
        folder.WriteAcceptedPreferences();
        std::snprintf(gLastFolderFilePath, kPathBufferSize, "%s",
                      folder.file("tarnix.ini").c_str());
        window = std::make_unique<TXLAWindow>(nullptr, "Sedimentation Analysis");
        window->Create();
        TakeErrorBoxes();
        options.count = 3;
        options.points = 200;
        names = WriteScanSet(data.path(), options);
        // An analysis saved earlier in the data folder: a meniscus no load would pick and a
        // value of the packed vector that only the file holds.
        ScanPaths::gDataPath = saved = data.file("~tmppars.RA1");
        M::meniscus = 5.937f;
        M::bottom = 7.2f; // the restored model is evaluated at once, inside the data
        ScanStore::leftFitLimit = 6.0f;
        ScanStore::rightFitLimit = 6.1f;
        M::fitValues[30] = 12.75f;
        ScanStore::vbar = 0.705f;
        ASSERT_TRUE(TmpSaveBestParams(window.get(), 0));
        ResetAllState();
    }
    void TearDown() override {
        window.reset();
        ResetAllState();
    }
    void LoadNewFiles(int answer) {
        std::vector<std::string> paths;
        for (const std::string& n : names)
            paths.push_back(data.file(n));
        script.expectFileOpen().title("select files to fit").answer(paths);
        script.expectInput().caption("LOAD FILES").answer("1");
        script.expectBox().text("restore previous data?").answer(answer);
        plat::test::command(window.get(), 200);
        script.pumpUntilIdle();
    }

    ProgramFolder folder;
    Script script;
    std::unique_ptr<TXLAWindow> window;
    TempFolder data;
    ScanSetOptions options;
    std::vector<std::string> names;
    std::string saved;
};

TEST_F(RestoreWithWindow, LoadNewFilesRestoresTheSavedAnalysisOnYes) {
    LoadNewFiles(IDYES);
    EXPECT_TRUE(script.done()) << script.logText();
    EXPECT_EQ(ScanStore::scanCount, 3);
    EXPECT_EQ(ScanPaths::gDataPath, saved);
    EXPECT_EQ(M::meniscus, 5.937f);
    EXPECT_EQ(M::fitValues[30], 12.75f);
    EXPECT_EQ(ScanStore::vbar, 0.705f);
}

TEST_F(RestoreWithWindow, LoadNewFilesKeepsTheLoadedStateOnNo) {
    LoadNewFiles(IDNO);
    EXPECT_TRUE(script.done()) << script.logText();
    EXPECT_EQ(ScanStore::scanCount, 3);
    EXPECT_NE(M::meniscus, 5.937f);
    EXPECT_EQ(M::fitValues[30], 0.0f);
    EXPECT_NE(ScanStore::vbar, 0.705f);
}

TEST_F(RestoreWithWindow, DroppedParameterFileSwitchesToTheSavedAnalysis) {
    script.expectBox()
        .caption("DROPPING FILES")
        .text("switch to parameter file " + saved + "?")
        .answer(IDYES);
    // The Parameters command follows; its box or dialog is not what is checked here.
    script.onUnexpected(plat::test::Unexpected::Cancel);
    plat::test::drop(window.get(), {saved});
    script.pumpUntilIdle();
    EXPECT_TRUE(script.done()) << script.logText();
    EXPECT_EQ(M::meniscus, 5.937f);
    EXPECT_EQ(M::fitValues[30], 12.75f);
    EXPECT_EQ(ScanStore::vbar, 0.705f);
}

} // namespace
