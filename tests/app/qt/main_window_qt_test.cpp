// The main window on the desktop backend (offscreen): its title, the whole menu bar, and check
// marks that mirror the preferences read at start.
#include "app/txla_window.h"
#include "plat/backend.hpp"
#include "plat/png.hpp"
#include "plat/qt_backend.hpp"
#include "platform/src/qt/qt_probe.hpp"
#include "support/program_folder.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace probe = plat::qtprobe;

class MainWindowOnDesktop : public ::testing::Test {
  protected:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "test_app_qt";
        static char* argv[] = {name, nullptr};
        ASSERT_TRUE(plat::InstallQtBackend(argc, argv));
    }
    void TearDown() override {
        window.reset();
        plat::SetBackend(plat::MakeHeadlessBackend());
    }
    void Open(const char* preferences) {
        WriteTextFile(folder.file("tarnixparams.ini"), preferences);
        window = std::make_unique<TXLAWindow>(nullptr, "Sedimentation Analysis");
        window->Create();
        probe::ResizeClient(*window, 900, 600);
        MSG m;
        while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE) && m.message != WM_QUIT)
            DispatchMessage(&m);
        probe::ProcessEvents();
    }
    // Presses and releases the key as the desktop delivers it, then lets the window's queue run
    // until the answers for the boxes it opened are used; the keys that reach the window are kept.
    void Key(const char* name) {
        probe::TypeKey(*window, name);
        MSG m;
        for (int round = 0; round < 20; ++round) {
            probe::ProcessEvents();
            while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE) && m.message != WM_QUIT) {
                if (m.message == WM_KEYDOWN)
                    keysDown.push_back(m.wParam);
                if (!TranslateAccelerator(window.get(), window->GetAcceleratorTable(), &m))
                    DispatchMessage(&m);
            }
            if (!probe::AnswersPending())
                break;
        }
    }

    ProgramFolder folder;
    std::vector<WPARAM> keysDown;
    std::unique_ptr<TXLAWindow> window;
};

} // namespace

TEST_F(MainWindowOnDesktop, ShowsTitleMenuBarAndPreferenceCheckMarks) {
    // Sound on, wizard messages off, second-derivative regularization, Marquardt-Levenberg.
    Open("1\n0.0010\n0\n0\n0\n0\n1\n1\n0\n2\n0\n2\n3\n1\n2\n1.0\n0\n100\n100\n");
    EXPECT_EQ(probe::Caption(*window), "Sedimentation Analysis");
    std::vector<std::string> bar = probe::MenuBarTitles(*window);
    std::vector<std::string> expected = {"&Data",       "Copy",     "Display", "M&odel",
                                         "&Parameters", "&Run",     "&Fit",    "&Generate",
                                         "Statistics",  "&Options", "Plot",    "Help"};
    EXPECT_EQ(bar, expected);

    struct Mark {
        int id;
        bool checked;
    };
    const Mark marks[] = {{594, true}, {610, false}, {294, true}, {295, false},
                          {824, true}, {826, false}, {648, true}, {829, true},
                          {609, true}, {198, true},  {231, false}};
    for (const Mark& m : marks) {
        probe::MenuEntry entry = probe::MenuEntryOf(*window, m.id);
        ASSERT_TRUE(entry.present) << m.id;
        EXPECT_EQ(entry.checked, m.checked) << m.id << " " << entry.text;
    }
    EXPECT_FALSE(probe::MenuEntryOf(*window, 231).enabled);
    EXPECT_EQ(probe::MenuEntryOf(*window, 200).text.substr(0, 15), "&Load New Files");
    // The plot programs are missing here, so their items are gone from the desktop too.
    EXPECT_FALSE(probe::MenuEntryOf(*window, 878).present);

    plat::Surface shot = probe::GrabClient(*window);
    EXPECT_EQ(shot.Width(), 900);
    EXPECT_TRUE(plat::WritePng(shot, folder.file("main_window.png")));
}

TEST_F(MainWindowOnDesktop, MenuCommandReachesItsHandler) {
    Open("1\n0.0010\n0\n0\n0\n0\n0\n1\n1\n1\n0\n2\n1\n1\n2\n1.0\n0\n100\n100\n");
    probe::AnswerBox(IDNO); // "Save Setting?"
    probe::ChooseMenuItem(*window, 610);
    MSG m;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE) && m.message != WM_QUIT)
        DispatchMessage(&m);
    EXPECT_FALSE(probe::AnswersPending());
    EXPECT_FALSE(probe::MenuEntryOf(*window, 610).checked);
}

// F1 on a highlighted item of the desktop menu: the command that tests the help mode shows the
// help offer instead of its file dialog.
TEST_F(MainWindowOnDesktop, F1OnAMenuItemShowsTheHelpOffer) {
    Open("1\n0.0010\n0\n0\n0\n0\n0\n1\n1\n1\n0\n2\n1\n1\n2\n1.0\n0\n100\n100\n");
    probe::ClearShownLog();
    probe::AnswerBox(IDNO); // "Connect?"
    probe::PressF1OnMenuItem(*window, 200);
    MSG m;
    for (int round = 0; round < 20 && probe::AnswersPending(); ++round) {
        probe::ProcessEvents();
        while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE) && m.message != WM_QUIT) {
            if (!TranslateAccelerator(window.get(), window->GetAcceleratorTable(), &m))
                DispatchMessage(&m);
        }
    }
    EXPECT_FALSE(probe::AnswersPending());
    ASSERT_EQ(probe::ShownLog().size(), 1u);
    EXPECT_EQ(probe::ShownLog()[0].caption, "HELP");
    EXPECT_FALSE(window->helpMode);
}

// The keyboard reaches every menu and shows where it is. Alt+D opens Data. Alt alone, or Escape out
// of a menu opened from the bar, leaves the bar holding the keyboard, Alt with its first title
// shown: the arrows move, Down opens; Ctrl-P typed there leaves the bar and opens the parameters
// page.
TEST_F(MainWindowOnDesktop, KeyboardOpensEveryMenuAndAnAcceleratorLeavesTheBar) {
    Open("1\n0.0010\n0\n0\n0\n0\n0\n1\n1\n1\n0\n2\n1\n1\n2\n1.0\n0\n100\n100\n");
    Key("Alt+D");
    EXPECT_EQ(probe::OpenMenuTitle(*window), "&Data");
    Key("Esc");
    Key("Esc");
    EXPECT_TRUE(probe::ClientHoldsKeyboard(*window));
    const struct Road {
        const char* name;
        bool menu; // opened from the bar and closed with Escape; else Alt pressed and released
    } roads[] = {{"Alt alone", false}, {"Escape out of the Data menu", true}};
    for (const Road& r : roads) {
        SCOPED_TRACE(r.name);
        EXPECT_FALSE(probe::MenuTitleShownCurrent(*window, 0));
        if (r.menu) {
            probe::OpenMenuOfTitle(*window, 0);
            ASSERT_TRUE(probe::AnyPopupOpen(*window));
            Key("Esc");
            EXPECT_FALSE(probe::AnyPopupOpen(*window));
        } else {
            Key("Alt");
            EXPECT_TRUE(probe::MenuTitleShownCurrent(*window, 0));
            Key("Down");
            EXPECT_EQ(probe::OpenMenuTitle(*window), "&Data");
            Key("Right");
            EXPECT_EQ(probe::OpenMenuTitle(*window), "Copy");
            Key("Esc");
            EXPECT_TRUE(probe::MenuTitleShownCurrent(*window, 1));
        }
        EXPECT_FALSE(probe::ClientHoldsKeyboard(*window));
        probe::ClearShownLog();
        probe::AnswerDialog({}, {}, IDCANCEL);
        Key("Ctrl+P");
        EXPECT_FALSE(probe::AnswersPending());
        EXPECT_TRUE(probe::ClientHoldsKeyboard(*window));
        EXPECT_FALSE(probe::MenuTitleShownCurrent(*window, 0));
    }
}

// After Alt, a command title's letter with Alt runs the command, as the plain letter does, and
// leaves the keyboard with the window: the marker keys, Left and Right reach it.
TEST_F(MainWindowOnDesktop, AltThenACommandTitlesLetterGivesTheKeyboardBackToTheWindow) {
    Open("1\n0.0010\n0\n0\n0\n0\n0\n1\n1\n1\n0\n2\n1\n1\n2\n1.0\n0\n100\n100\n");
    for (const char* letter : {"Alt+P", "Alt+R"}) {
        SCOPED_TRACE(letter);
        Key("Alt");
        ASSERT_TRUE(probe::MenuTitleShownCurrent(*window, 0));
        probe::AnswerDialog({}, {}, IDCANCEL);
        Key(letter);
        EXPECT_FALSE(probe::AnswersPending());
        keysDown.clear();
        for (const char* k : {"Left", "Right", "Return", "Tab", "Esc"})
            Key(k);
        EXPECT_EQ(keysDown, (std::vector<WPARAM>{VK_LEFT, VK_RIGHT, VK_RETURN, VK_TAB, VK_ESCAPE}));
        EXPECT_TRUE(probe::ClientHoldsKeyboard(*window));
    }
}

// Every way the bar lets go of the keyboard leaves it with the window. Alt and then a title's
// letter with Alt, closed with two Escapes, left the keyboard with the bar outside its keyboard
// mode: the arrows, Return and the marker keys reached nothing until a click.
TEST_F(MainWindowOnDesktop, EveryWayOutOfTheBarLeavesTheKeyboardWithTheWindow) {
    const struct Road {
        const char* name;
        std::vector<const char*> opening; // then Escape until the bar lets go
        int escapes;
    } roads[] = {{"Alt, Alt+D", {"Alt", "Alt+D"}, 2},
                 {"Alt, Alt+O", {"Alt", "Alt+O"}, 2},
                 {"Alt", {"Alt"}, 1},
                 {"F10", {"F10"}, 1},
                 {"Alt+D", {"Alt+D"}, 2},
                 {"Alt, Down", {"Alt", "Down"}, 2}};
    for (const Road& r : roads) {
        SCOPED_TRACE(r.name);
        Open("1\n0.0010\n0\n0\n0\n0\n0\n1\n1\n1\n0\n2\n1\n1\n2\n1.0\n0\n100\n100\n");
        for (const char* k : r.opening)
            Key(k);
        EXPECT_EQ(probe::AnyPopupOpen(*window), r.escapes == 2);
        for (int i = 0; i < r.escapes; ++i)
            Key("Esc");
        keysDown.clear();
        for (const char* k : {"Left", "Right", "Return"})
            Key(k);
        EXPECT_EQ(keysDown, (std::vector<WPARAM>{VK_LEFT, VK_RIGHT, VK_RETURN}));
        EXPECT_TRUE(probe::ClientHoldsKeyboard(*window));
    }
    Key("F10");
    Key("Down");
    EXPECT_EQ(probe::OpenMenuTitle(*window), "&Data");
}
