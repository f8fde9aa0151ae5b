// Where Generate's files go, through the menu: its save dialog opens in the last data folder of
// "tarnix.ini" (a fresh session has chosen no file yet), the next Load opens in the folder just
// written, and nothing lands in the folder the program was started from.
#include "app/last_data_folder.h"
#include "app/params_box.h"
#include "app/startup_environment.h"
#include "display/plot_coordinates.h"
#include "display/scan_rms_file.h"
#include "display/screen_button_set.h"
#include "plat/filedlg.hpp"
#include "plat/png.hpp"
#include "plotting/screen_button.h"
#include "state/model_parameters.h"
#include "support/main_window_fixture.h"
#include "support/model_road.h"
#include "support/temp_folder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace {

std::string NoSlash(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

// The folders the file dialogs of the script opened in, one per dialog.
std::vector<std::string> DialogFolders(const plat::test::Script& script) {
    std::vector<std::string> folders;
    for (const plat::test::PromptRecord& r : script.log())
        if (r.kind == plat::test::PromptKind::FileOpen ||
            r.kind == plat::test::PromptKind::FileSave)
            folders.push_back(NoSlash(r.folder));
    return folders;
}

TEST(GenerateFolders, SaveOpensInTheLastDataFolderAndLoadInTheOneWritten) {
    struct Case {
        const char* name;
        int command; // 214 Single, 647 Series
    };
    for (const Case& c : {Case{"single", 214}, Case{"series", 647}}) {
        SCOPED_TRACE(c.name);
        MainWindowFixture f{1200, 850};
        TempFolder previous, target;
        f.script.expectBox().textHas("could not find"); // no sibling program beside the tests
        CheckStartupEnvironment();                      // "tarnix.ini" in the program folder
        SaveLastDataFolder(f.window.get(), previous.path().c_str()); // an earlier session's data
        plat::SetDialogFolder("");
        const std::string start = std::filesystem::current_path().string();
        std::filesystem::remove(start + "/ScanRms.dat");
        gScanRmsPath = "ScanRms.dat";
        f.script.onUnexpected(plat::test::Unexpected::DefaultButton);
        const std::string written = c.command == 214 ? target.path() : target.file("1");
        if (c.command == 214) {
            f.script.expectBox().text("Fit with M and s instead D and s?").answer(IDYES);
            for (const char* answer : {"0.002", "50000"})
                f.script.expectInput().answer(answer);
            f.script.expectBox().text("simulate with rotor acceleration phase?").answer(IDNO);
            for (const char* answer : {"300", "8", "0.01"})
                f.script.expectInput().answer(answer);
            f.script.expectDialog(kDiscreteParamsDialogId).check(kTiNoiseId).ok();
            f.script.expectFileSave()
                .title("save generated data as")
                .answer(std::vector<std::string>{target.file("0000x.RA0")});
        } else {
            f.script.expectDialog(kDiscreteParamsDialogId).ok();
            f.script.expectFileSave()
                .title("save generated data as")
                .answer(std::vector<std::string>{target.file("0000x.RA0")});
            for (const char* answer : {"1", "0.002", "1", "50000"})
                f.script.expectInput().answer(answer);
            f.script.expectBox().text("simulate with rotor acceleration phase?").answer(IDNO);
            for (const char* answer : {"300", "8", "1", "0.01", "1", "5.9", "1", "0", "0"})
                f.script.expectInput().answer(answer);
        }
        SendCommand(f, c.command);
        ASSERT_TRUE(f.script.done()) << f.script.logText();
        ASSERT_TRUE(std::filesystem::exists(written + "/00001.ra0")) << f.script.logText();
        f.Paint();
        SendCommand(f, 213); // Run on the generated scans
        f.Paint();

        f.script.expectFileOpen().title("select files to fit").cancel();
        SendCommand(f, 200); // Load New Files
        const std::vector<std::string> folders = DialogFolders(f.script);
        ASSERT_EQ(folders.size(), 2u) << f.script.logText();
        EXPECT_EQ(folders[0], NoSlash(previous.path())) << f.script.logText();
        EXPECT_EQ(folders[1], NoSlash(target.path()));
        EXPECT_FALSE(std::filesystem::exists(start + "/ScanRms.dat"));
        if (c.command == 214) {
            EXPECT_TRUE(std::filesystem::exists(target.file("ScanRms.dat")));
            const std::string png = f.data.file("generated_noise_buttons.png");
            ASSERT_TRUE(plat::test::windowPng(*f.window, png));
            if (const char* keep = std::getenv("TARNIX_KEEP_PNG"))
                plat::test::windowPng(*f.window,
                                      std::string(keep) + "/generated_noise_buttons.png");
            // The noise buttons asked for before anything was drawn are whole buttons on the
            // picture, face and label, not covered by the report's white lines.
            plat::Surface picture;
            ASSERT_TRUE(plat::ReadPng(png, picture));
            for (const CScreenButton* b :
                 {ScreenButtonSet::noiseRemoveButton, ScreenButtonSet::noiseRestoreButton}) {
                ASSERT_NE(b, nullptr);
                const float w = f.window->clientWidth, h = f.window->clientHeight;
                const int x0 = LogicalToPixelX(int(b->left), w) + 1;
                const int x1 = LogicalToPixelX(int(b->right), w) - 1;
                const int y0 = LogicalToPixelY(int(b->top), h) + 1;
                const int y1 = LogicalToPixelY(int(b->bottom), h) - 1;
                ASSERT_GE(y1 - y0, 6) << "a button too low to read";
                int white = 0, all = 0;
                for (int y = y0; y < y1; ++y)
                    for (int x = x0; x < x1; ++x, ++all)
                        white += picture.GetPixel(x, y) == 0xFFFFFF;
                EXPECT_LT(white, all / 10) << b->offText;
            }
        }
    }
}

} // namespace
