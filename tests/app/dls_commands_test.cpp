// The light-scattering commands driven as a user drives them: "load DLS Data" from the menu with
// a scripted file dialog, then the store, the list file, "tarnix.ini", the caption and the dialog
// record checked; list files; and "save mean DLS Data in tarnix format".
#include "app/last_data_folder.h"
#include "app/txla_window.h"
#include "foundations/error_box_log.h"
#include "plat/testing.hpp"
#include "scandata/scan_store_alloc.h"
#include "state/dls_data.h"
#include "state/model_choice.h"
#include "state/startup_paths.h"
#include "support/dls_file_generator.h"
#include "support/main_window_fixture.h"

#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

using S = ScanStore;

class DlsCommands : public ::testing::Test, public MainWindowFixture {
  protected:
    void SetUp() override {
        std::snprintf(gLastFolderFilePath, kPathBufferSize, "%s",
                      folder.file("tarnix.ini").c_str());
        TakeErrorBoxes();
        data.write("a.dlsdat1", DlsFileText(DecayFile(20, 1e-4, 200.0)));
        data.write("b.dlsdat1", DlsFileText(DecayFile(20, 2e-4, 100.0)));
    }
    void Command(int id) {
        plat::test::command(window.get(), id);
        script.pumpUntilIdle();
    }
    std::vector<std::string> LoadedNames() const {
        std::vector<std::string> out;
        for (int i = 1; i <= S::scanCount; ++i)
            out.push_back(S::scanFileName[S::scanOrder[i]]);
        return out;
    }
    void ExpectSedimentationFilters() const {
        const OpenFileRecord& record = window->openFilesDialog;
        ASSERT_FALSE(record.filters.empty());
        EXPECT_EQ(record.filters.front().first,
                  "All AUC Files (*.IP*;*.RA*;*.RI*;*.R0*;*.FI*;*.xp;*list*.*)");
        EXPECT_EQ(record.filters.size(), 16u);
    }
};

TEST_F(DlsCommands, LoadTwoFilesWritesTheListAndTheFolder) {
    S::fileStride = 3;
    ModelChoice::equilibriumMs = true;
    script.expectFileOpen()
        .title("select files in set 1 to fit")
        .answer(std::vector<std::string>{data.file("a.dlsdat1"), data.file("b.dlsdat1")});
    Command(298);
    EXPECT_TRUE(script.done()) << script.logText();

    // b was measured first.
    EXPECT_EQ(LoadedNames(), (std::vector<std::string>{"b.dlsdat1", "a.dlsdat1"}));
    EXPECT_TRUE(gDlsData);
    EXPECT_NEAR(S::radius[1][1], -6.0f, 1e-5) << "lags as log10 s";
    EXPECT_EQ(S::fileStride, 3) << "the stride is neither asked nor changed";
    EXPECT_EQ(ReadTextFile(data.file("list.dlsdat1")),
              "newformat n=1\n" + data.path() + "\na.dlsdat1\nb.dlsdat1\n");
    EXPECT_EQ(ReadTextFile(folder.file("tarnix.ini")), data.path() + "/");
    EXPECT_EQ(window->GetCaption(),
              "LIGHT SCATTERING ANALYSIS -> " + data.file("a.dlsdat1") + "...");
    EXPECT_FALSE(ModelChoice::equilibriumMs) << "Fit M and s is switched off";
    ExpectSedimentationFilters();
    Paint(); // the store is drawable as loaded
    EXPECT_TRUE(script.done()) << script.logText();
}

TEST_F(DlsCommands, ListFileLoadsItsNamesAndStaysAsItIs) {
    std::string list = "newformat n=1\n" + data.path() + "\n% both\nb.dlsdat1\na.dlsdat1\n";
    data.write("LIST.dlsdat1", list);
    script.expectFileOpen().answer(std::vector<std::string>{data.file("LIST.dlsdat1")});
    Command(298);
    EXPECT_TRUE(script.done()) << script.logText();
    EXPECT_EQ(LoadedNames(), (std::vector<std::string>{"b.dlsdat1", "a.dlsdat1"}));
    EXPECT_EQ(ReadTextFile(data.file("LIST.dlsdat1")), list);
    EXPECT_FALSE(std::filesystem::exists(data.file("list.dlsdat1")));

    // "list_corr" is no list file for this command: read as a light-scattering file, it fails.
    data.write("list_corr.dlsdat1", list);
    script.expectFileOpen().answer(std::vector<std::string>{data.file("list_corr.dlsdat1")});
    script.expectBox().caption("LOAD ERROR").text(data.file("list_corr.dlsdat1")).answer(IDOK);
    Command(298);
    EXPECT_TRUE(script.done()) << script.logText();
    EXPECT_EQ(S::scanCount, 0);
}

TEST_F(DlsCommands, CancelledDialogLeavesStoreAndFilters) {
    script.expectFileOpen().title("select files in set 1 to fit").cancel();
    Command(298);
    EXPECT_TRUE(script.done()) << script.logText();
    EXPECT_EQ(S::scanCount, 0);
    EXPECT_EQ(window->GetCaption(), "Sedimentation Analysis");
    EXPECT_FALSE(std::filesystem::exists(data.file("list.dlsdat1")));
    ExpectSedimentationFilters();
}

TEST_F(DlsCommands, SaveMeanWritesTheAveragedFunction) {
    // Nothing loaded: nothing to average and no dialog.
    Command(500);
    EXPECT_TRUE(script.done()) << script.logText();

    script.expectFileOpen().answer(
        std::vector<std::string>{data.file("a.dlsdat1"), data.file("b.dlsdat1")});
    Command(298);
    script.expectFileSave()
        .title("select filename for new average DLS data set")
        .answer(data.file("mean"));
    Command(500);
    EXPECT_TRUE(script.done()) << script.logText();
    std::string text = ReadTextFile(data.file("mean.dlsdat"));
    ASSERT_FALSE(text.empty()) << "the default extension is added";
    EXPECT_EQ(text.substr(0, 11), "averaged\nA ");
    EXPECT_TRUE(TakeErrorBoxes().empty());

    // A file that cannot be written is told, not passed over.
    std::string unwritable = data.file("no/such/folder/mean.dlsdat");
    script.expectFileSave().answer(unwritable);
    script.expectBox()
        .caption("Error")
        .text("Attention: could not open " + unwritable)
        .answer(IDOK);
    Command(500);
    EXPECT_TRUE(script.done()) << script.logText();
}

} // namespace
