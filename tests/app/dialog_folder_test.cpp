// Where file dialogs open and where bare file names go: where the user last chose a file, the
// data folder after a load. The program's own working folder never moves, so before this a save
// opened in the folder the program was started from and "ScanRms.dat" was written there.
#include "app/txla_window.h"
#include "display/scan_rms_file.h"
#include "distributions/distribution_files.h"
#include "plat/filedlg.hpp"
#include "plat/testing.hpp"
#include "scandata/fit_limits.h"
#include "scandata/scan_store_alloc.h"
#include "state/model_parameters.h"
#include "support/main_window_fixture.h"
#include "support/temp_folder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace {

using S = ScanStore;
using M = ModelParameters;

// The folder the last file dialog of the script opened in.
std::string LastDialogFolder(const plat::test::Script& script) {
    std::string folder = "(no file dialog)";
    for (const plat::test::PromptRecord& r : script.log())
        if (r.kind == plat::test::PromptKind::FileOpen ||
            r.kind == plat::test::PromptKind::FileSave)
            folder = r.folder;
    return folder;
}

TEST(DialogFolder, FollowsTheLastChoiceUnlessTheRecordNamesAFolder) {
    TempFolder a, b;
    char name[512] = "";
    OpenFileRecord record;
    record.lpstrFile = name;
    record.nMaxFile = sizeof name;
    plat::SetDialogFolder("");
    struct Step {
        const char* what;
        std::string given; // the record's own folder
        DWORD flags;
        std::string chosen;  // empty: cancelled
        std::string opensIn; // expected folder of this dialog
    };
    const std::string fileA = a.file("x.dat"), fileB = b.file("y.dat");
    const Step steps[] = {
        {"first save, no folder anywhere", "", 0, fileA, ""},
        {"next one opens where the last file was chosen", "", 0, fileB, a.path()},
        {"a record's own folder wins", a.path(), 0, fileA, a.path()},
        {"a cancelled dialog moves nothing", "", 0, "", a.path()},
        {"a dialog asking not to change the folder", "", OFN_NOCHANGEDIR, fileB, a.path()},
        {"which it did not", "", 0, fileA, a.path()},
    };
    for (const Step& step : steps) {
        plat::test::Script script;
        if (step.chosen.empty())
            script.expectFileSave().cancel();
        else
            script.expectFileSave().answer(step.chosen);
        record.lpstrInitialDir = step.given;
        record.Flags = step.flags;
        GetSaveFileName(&record);
        std::string expected = step.opensIn;
        while (expected.size() > 1 && expected.back() == '/')
            expected.pop_back();
        EXPECT_EQ(LastDialogFolder(script), expected) << step.what;
        EXPECT_EQ(record.lpstrInitialDir, step.given)
            << step.what << ": the record is left as it was";
    }
    plat::SetDialogFolder("");
}

TEST(DialogFolder, AfterALoadSavesOpenAndRunsWriteInTheDataFolder) {
    MainWindowFixture f{700, 500};
    TempFolder elsewhere;
    plat::SetDialogFolder(elsewhere.path()); // a file chosen somewhere else before
    ScanSetOptions options;
    options.count = 4;
    options.points = 60;
    options.dr = 0.02; // radii 5.95 to 7.13
    f.Load(options);
    ASSERT_EQ(S::scanCount, 4);
    std::string data = f.data.path();
    while (data.size() > 1 && data.back() == '/')
        data.pop_back();

    // A Run with fit limits set writes the per-scan rms file under its bare name: into the
    // data folder, not into the folder the program runs in.
    const std::string startFolder = std::filesystem::current_path().string();
    std::filesystem::remove(startFolder + "/ScanRms.dat");
    gScanRmsPath = "ScanRms.dat";
    M::meniscus = 5.9f;
    M::bottom = 7.2f;
    S::leftFitLimit = 6.0f;
    S::rightFitLimit = 7.1f;
    ApplyLeftFitLimit();
    ApplyRightFitLimit();
    plat::test::command(f.window.get(), 213);
    f.script.pumpUntilIdle();
    ASSERT_TRUE(S::resultAvailable) << f.script.logText();
    EXPECT_TRUE(std::filesystem::exists(f.data.file("ScanRms.dat")));
    EXPECT_FALSE(std::filesystem::exists(startFolder + "/ScanRms.dat"));

    // Save Fit Data opens in the data folder.
    f.script.expectFileSave().cancel();
    f.script.expectFileSave().cancel();
    f.script.expectFileSave().cancel();
    plat::test::command(f.window.get(), 203);
    f.script.pumpUntilIdle();
    EXPECT_EQ(LastDialogFolder(f.script), data) << f.script.logText();

    // So does Save Continuous Distribution, with a distribution held.
    TempFolder other;
    ASSERT_TRUE(LoadDistributionFromFile(other.write("held.dat", "1 0.5\n2 1.0\n3 0.5\n").c_str()));
    f.script.expectFileSave().title("save distribution as").cancel();
    plat::test::command(f.window.get(), 271);
    f.script.pumpUntilIdle();
    EXPECT_EQ(LastDialogFolder(f.script), data) << f.script.logText();
}

} // namespace
