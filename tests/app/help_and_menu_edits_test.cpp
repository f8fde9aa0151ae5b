// The window's messages reach their handlers; F1 on a highlighted menu item makes the chosen
// command show its help; About, Keyboard Shortcuts, the menu edits that follow the loaded data and
// the one-file open dialog.
#include "app/save_dialogs.h"
#include "app/txla_window.h"
#include "plat/testing.hpp"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_store_alloc.h"
#include "state/preference_switches.h"
#include "state/run_switches.h"
#include "state/startup_paths.h"
#include "support/main_window_fixture.h"

#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using plat::test::PromptKind;

// The application's loop without its wait: accelerators (which take the Enter of the menu help)
// first, then translation and dispatch.
void RunLoop(TXLAWindow& window) {
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE) && msg.message != WM_QUIT) {
        GetMessage(&msg, nullptr, 0, 0);
        if (TranslateAccelerator(&window, window.GetAcceleratorTable(), &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
}

// The command ids of the popup that holds id, in menu order.
std::vector<int> PopupIds(const std::vector<plat::MenuItem>& items, int id) {
    for (const plat::MenuItem& item : items) {
        if (!item.popup)
            continue;
        for (const plat::MenuItem& child : item.children) {
            if (child.id == id) {
                std::vector<int> ids;
                for (const plat::MenuItem& c : item.children)
                    ids.push_back(c.id);
                return ids;
            }
        }
        std::vector<int> inner = PopupIds(item.children, id);
        if (!inner.empty())
            return inner;
    }
    return {};
}

bool QuitPending() {
    MSG msg;
    return PeekMessage(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE;
}

} // namespace

TEST(WindowMessages, EveryWindowMessageHasItsHandler) {
    MainWindowFixture f;
    const UINT messages[] = {WM_KEYDOWN,       WM_CHAR,      WM_LBUTTONDOWN, WM_LBUTTONUP,
                             WM_RBUTTONDOWN,   WM_RBUTTONUP, WM_MOUSEMOVE,   WM_RBUTTONDBLCLK,
                             WM_LBUTTONDBLCLK, WM_ENTERIDLE, WM_SIZE,        WM_DROPFILES,
                             WM_TIMER};
    for (UINT m : messages)
        EXPECT_NE(f.window->Find(m, 0), nullptr) << std::hex << m;
}

TEST(WindowMessages, KeysAndClicksDuringARunOnlyAskItToStop) {
    struct Case {
        const char* name;
        UINT message;
    };
    const Case cases[] = {{"key down", WM_KEYDOWN},          {"right down", WM_RBUTTONDOWN},
                          {"right up", WM_RBUTTONUP},        {"right double", WM_RBUTTONDBLCLK},
                          {"left double", WM_LBUTTONDBLCLK}, {"char", WM_CHAR}};
    MainWindowFixture f;
    for (const Case& c : cases) {
        gUserInterrupt = false;
        f.window->runBusy = true;
        if (c.message == WM_KEYDOWN || c.message == WM_CHAR)
            SendMessage(f.window.get(), c.message, 27, 0);
        else
            SendMessage(f.window.get(), c.message, MK_CONTROL, MAKELPARAM(100, 100));
        EXPECT_TRUE(gUserInterrupt.load()) << c.name;
        f.window->runBusy = false;
    }
    gUserInterrupt = false;
    EXPECT_TRUE(f.script.log().empty()) << f.script.logText();
}

// F1 on a highlighted item: the window posts itself Enter, which chooses the item. Commands that
// test the help mode show help instead of acting; the others run and leave the mode for the next.
TEST(MenuHelp, F1OnAMenuItemGivesTheCommandsHelp) {
    MainWindowFixture f;
    // "&Load New Files" tests the help mode: the offer instead of the file dialog.
    f.script.expectBox().caption("HELP").textHas("Connect?").answer(IDNO);
    plat::test::menuHelpKey(f.window.get(), 200);
    RunLoop(*f.window);
    EXPECT_FALSE(f.window->helpMode);
    EXPECT_TRUE(f.script.done());

    // "&Parameters" asks the help engine for its context.
    plat::test::clearRecords();
    plat::test::menuHelpKey(f.window.get(), 212);
    RunLoop(*f.window);
    ASSERT_EQ(plat::test::helpCalls().size(), 1u);
    EXPECT_EQ(plat::test::helpCalls()[0].data, 320u);
    EXPECT_FALSE(f.window->helpMode);

    // "Keyboard Shortcuts" does not test it: it runs, and the next command that does gives help.
    f.script.expectBox().caption("KEYBOARD SHORTCUTS").answer(IDOK);
    f.script.expectBox().caption("HELP").answer(IDNO);
    plat::test::menuHelpKey(f.window.get(), 869);
    RunLoop(*f.window);
    EXPECT_TRUE(f.window->helpMode);
    plat::test::command(f.window.get(), 200);
    RunLoop(*f.window);
    EXPECT_FALSE(f.window->helpMode);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    const std::string shortcuts = f.script.log()[f.script.log().size() - 2].text;
    EXPECT_EQ(shortcuts.rfind("current keyboard shortcuts (with control key unless otherwise "
                              "mentioned):\n\n\nL - Data->Load New Files",
                              0),
              0u);
    EXPECT_NE(shortcuts.find("\nalt-G - Options->Fitting Options->Lamm Equation Parameters\n"),
              std::string::npos);
    EXPECT_NE(shortcuts.find("\n\nF - Fit\nany key (without control key) while a Run or Fit "
                             "computes - stop it; a stopped fit keeps the best values it reached "
                             "and says \"stopped by a key\""),
              std::string::npos);
    EXPECT_EQ(shortcuts.substr(shortcuts.size() - 28), "\n\n(M - toggle mouse sliding)");
}

TEST(MenuHelp, IdleInAMenuWithoutF1ChangesNothing) {
    MainWindowFixture f;
    PostMessage(f.window.get(), WM_ENTERIDLE, MSGF_MENU, 0);
    RunLoop(*f.window);
    EXPECT_FALSE(f.window->helpMode);
    EXPECT_TRUE(f.script.log().empty());
}

TEST(About, AgreeKeepsGoingAndDisagreeEndsWithTheDisclaimerDue) {
    MainWindowFixture f;
    f.script.expectDialog(302).ok();
    plat::test::command(f.window.get(), 221);
    RunLoop(*f.window);
    EXPECT_TRUE(gDisclaimerAccepted);
    EXPECT_FALSE(QuitPending());

    f.script.expectDialog(302).cancel();
    SendMessage(f.window.get(), WM_COMMAND, 221, 0);
    EXPECT_FALSE(gDisclaimerAccepted);
    EXPECT_TRUE(QuitPending());
    std::ifstream preferences(f.folder.file("tarnixparams.ini"));
    std::string first;
    std::getline(preferences, first);
    EXPECT_EQ(first, "0") << "the next start shows the disclaimer again";
    EXPECT_TRUE(f.script.done());
}

TEST(MenuEdits, FloToolsFollowsTheKindOfTheLoadedScans) {
    MainWindowFixture f;
    HMENU menu = f.window->GetMenu();
    ScanStore::scanCount = 1;
    ScanDataKind::fluorescence = true;
    UpdateFloToolsMenu(f.window.get());
    UpdateFloToolsMenu(f.window.get());
    std::vector<int> options = PopupIds(menu->Items(), 552);
    EXPECT_EQ(std::count(options.begin(), options.end(), 915), 1);
    EXPECT_EQ(menu->Find(915)->text, "FloTools");
    ScanDataKind::fluorescence = false;
    ScanDataKind::intensity = true;
    UpdateFloToolsMenu(f.window.get());
    EXPECT_FALSE(menu->Contains(915));
    EXPECT_FALSE(menu->IsGrayed(231));
    EXPECT_FALSE(menu->Contains(236));
    ScanStore::scanCount = 0;
}

TEST(MenuEdits, MStarCopyItemsStandAboveTheMStarCommandOnce) {
    MainWindowFixture f;
    HMENU menu = f.window->GetMenu();
    const std::vector<int> before = PopupIds(menu->Items(), 896);
    InsertMStarMenuItems(f.window.get());
    InsertMStarMenuItems(f.window.get());
    std::vector<int> shown = PopupIds(menu->Items(), 896);
    ASSERT_EQ(shown.size(), before.size() + 3);
    auto at = std::find(shown.begin(), shown.end(), 896);
    ASSERT_GE(at - shown.begin(), 3);
    EXPECT_EQ(std::vector<int>(at - 3, at), (std::vector<int>{918, 919, 920}));
    RemoveMStarMenuItems(f.window.get());
    RemoveMStarMenuItems(f.window.get());
    EXPECT_EQ(PopupIds(menu->Items(), 896), before) << "the permanent copy items stay";
    EXPECT_FALSE(gMStarCopyItemsPresent);
}

TEST(SelectAnyFile, ChoosesOneFileAndGivesTheLoadDialogBack) {
    MainWindowFixture f;
    const std::string chosen = f.data.file("notes.txt");
    std::ofstream(chosen) << "x";
    const std::string settings = gLastFolderFilePath;
    std::snprintf(gLastFolderFilePath, sizeof gLastFolderFilePath, "%s",
                  f.folder.file("tarnix.ini").c_str());
    std::ofstream(gLastFolderFilePath) << f.data.path() << "/00001.RA1\n";
    const OpenFileRecord load = f.window->openFilesDialog;

    char buffer[300] = "untouched";
    f.script.expectFileOpen().title("pick one").answer(std::vector<std::string>{chosen});
    EXPECT_TRUE(SelectAnyFile(f.window.get(), buffer, sizeof buffer, "pick one"));
    EXPECT_EQ(std::string(buffer), chosen);
    ASSERT_EQ(f.script.log().size(), 1u);
    EXPECT_EQ(f.script.log()[0].flags & OFN_ALLOWMULTISELECT, 0u);
    std::string folder = f.script.log()[0].folder;
    if (!folder.empty() && folder.back() == '/')
        folder.pop_back();
    EXPECT_EQ(folder, f.data.path()) << "the last data folder";

    std::snprintf(buffer, sizeof buffer, "untouched");
    f.script.expectFileOpen().cancel();
    EXPECT_FALSE(SelectAnyFile(f.window.get(), buffer, sizeof buffer, "pick one"));
    EXPECT_EQ(std::string(buffer), "untouched");

    const OpenFileRecord& after = f.window->openFilesDialog;
    EXPECT_EQ(after.filters.size(), load.filters.size());
    EXPECT_EQ(after.Flags, load.Flags);
    EXPECT_EQ(after.lpstrFile, load.lpstrFile);
    EXPECT_EQ(after.lpstrTitle, load.lpstrTitle);
    std::snprintf(gLastFolderFilePath, sizeof gLastFolderFilePath, "%s", settings.c_str());
}
