// The desktop backend's main window offscreen: what it shows equals the headless raster, menus
// mirror the model, and desktop input arrives as queued messages with the program's numbers.
#include "platform/src/qt/qt_probe.hpp"
#include "qt_test_frame.hpp"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

using namespace qt_test;
namespace probe = plat::qtprobe;

// Lines, shapes, text and an inverted band: everything the painters use on the screen.
void Scene(TDC& dc) {
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowExt(TSize{1400, 1000});
    dc.SetViewportExt(TSize{400, 300});
    dc.SelectObject(TPen(RGB(200, 0, 0)));
    dc.MoveTo(100, 100);
    dc.LineTo(1300, 900);
    dc.SelectObject(TBrush(RGB(0, 120, 255)));
    dc.Rectangle(200, 500, 600, 800);
    dc.Ellipse(800, 100, 1200, 400);
    dc.SelectObject(TFont(35));
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(RGB(0, 128, 0));
    dc.TextOut(700, 600, "s (S)");
}

void Band(TDC& dc) {
    dc.SetROP2(R2_NOT);
    dc.MoveTo(50, 10);
    dc.LineTo(50, 290);
    dc.Rectangle(20, 20, 120, 80);
}

int NonWhite(const plat::Surface& s) {
    return int(std::count_if(s.Pixels().begin(), s.Pixels().end(),
                             [](std::uint32_t p) { return p != 0x00FFFFFFu; }));
}

TEST_F(QtTest, GrabbedClientEqualsHeadlessRendering) {
    auto frame = MakeFrame();
    probe::ResizeClient(*frame, 400, 300);
    frame->scene = Scene;
    DispatchAll();
    ASSERT_EQ(frame->GetClientRect(), (TRect{0, 0, 400, 300}));
    ASSERT_GE(frame->paints, 1);
    {
        // Drawing outside Paint, as progress lines and rubber bands do.
        TSurfaceDC dc(frame->GetSurface(), [&](const TRect& r) { frame->Present(r); });
        Band(dc);
    }

    plat::Surface expected(400, 300);
    {
        TSurfaceDC dc(expected);
        Scene(dc);
    }
    {
        TSurfaceDC dc(expected);
        Band(dc);
    }
    const plat::Surface shown = probe::GrabClient(*frame);
    ASSERT_EQ(shown.Width(), 400);
    ASSERT_EQ(shown.Height(), 300);
    EXPECT_GT(NonWhite(expected), 1000) << "the scene must draw something to compare";
    EXPECT_TRUE(shown == expected) << "the desktop shows other pixels than the headless raster";
}

TEST_F(QtTest, DrawingOutsidePaintShowsBeforeTheDrawerGoesOn) {
    // Progress text and marker lines are drawn inside long loops that process no events.
    auto frame = MakeFrame();
    const int before = probe::ClientPaints(*frame);
    {
        TSurfaceDC dc(frame->GetSurface(), [&](const TRect& r) { frame->Present(r); });
        dc.TextOut(10, 50, "mean dev = 0.0123  ");
    }
    EXPECT_EQ(probe::ClientPaints(*frame), before + 1);
}

TEST_F(QtTest, ResizeReallocatesSurfaceAndPostsSize) {
    auto frame = MakeFrame();
    frame->seen.clear();
    probe::ResizeClient(*frame, 320, 240);
    EXPECT_EQ(frame->GetClientRect(), (TRect{0, 0, 320, 240}));
    EXPECT_TRUE(frame->IsInvalid());
    DispatchAll();
    auto size = std::find_if(frame->seen.begin(), frame->seen.end(),
                             [](const Seen& s) { return s.message == WM_SIZE; });
    ASSERT_NE(size, frame->seen.end());
    EXPECT_EQ(size->lParam, MAKELPARAM(320, 240));
    EXPECT_FALSE(frame->IsInvalid());
}

TEST_F(QtTest, MenuBarMirrorsModelEdits) {
    auto frame = MakeFrame();
    EXPECT_EQ(probe::MenuBarTitles(*frame), (std::vector<std::string>{"&Data", "&Fit", "&Help"}));
    EXPECT_TRUE(probe::MenuEntryOf(*frame, 101).checked);
    EXPECT_FALSE(probe::MenuEntryOf(*frame, 100).checked);
    EXPECT_FALSE(probe::MenuEntryOf(*frame, 102).enabled);
    EXPECT_EQ(probe::MenuEntryOf(*frame, 100).text, "&Load New Files\tCtrl+L");

    HMENU menu = frame->GetMenu();
    CheckMenuItem(menu, 100, MF_CHECKED);
    CheckMenuItem(menu, 101, MF_UNCHECKED);
    EnableMenuItem(menu, 102, MF_ENABLED);
    EXPECT_TRUE(probe::MenuEntryOf(*frame, 100).checked);
    EXPECT_FALSE(probe::MenuEntryOf(*frame, 101).checked);
    EXPECT_TRUE(probe::MenuEntryOf(*frame, 102).enabled);

    InsertMenu(menu, 552, MF_BYCOMMAND, 915, "FloTools");
    DeleteMenu(menu, 104, MF_BYCOMMAND);
    EXPECT_TRUE(probe::MenuEntryOf(*frame, 915).present);
    EXPECT_FALSE(probe::MenuEntryOf(*frame, 104).present);
    // State set before a rebuild survives it.
    EXPECT_TRUE(probe::MenuEntryOf(*frame, 100).checked);
}

TEST_F(QtTest, ChoosingAnItemPostsItsCommandAndLeavesTheCheckToTheProgram) {
    auto frame = MakeFrame();
    frame->seen.clear();
    probe::ChooseMenuItem(*frame, 101);
    EXPECT_TRUE(frame->seen.empty()) << "a menu choice must wait in the queue";
    EXPECT_TRUE(probe::MenuEntryOf(*frame, 101).checked);
    DispatchAll();
    ASSERT_EQ(frame->seen.size(), 1u);
    EXPECT_EQ(frame->seen[0].message, WM_COMMAND);
    EXPECT_EQ(LOWORD(frame->seen[0].wParam), 101);
}

TEST_F(QtTest, F1OnAHighlightedItemEntersHelpModeAndChoosesIt) {
    auto frame = MakeFrame();
    bool helpMode = false;
    bool helpModeAtCommand = false;
    TestFrame* w = frame.get();
    frame->onMessage = [&](UINT message, WPARAM wParam, LPARAM) {
        // What the program's idle handler does: F1 held on a menu sets help mode, Enter chooses.
        if (message == WM_ENTERIDLE && wParam == MSGF_MENU && GetKeyState(VK_F1) < 0) {
            helpMode = true;
            PostMessage(w, WM_KEYDOWN, VK_RETURN, 0);
        }
        if (message == WM_COMMAND && LOWORD(wParam) == 100)
            helpModeAtCommand = helpMode;
    };
    probe::PressF1OnMenuItem(*frame, 100);
    EXPECT_FALSE(probe::AnyPopupOpen(*frame));
    DispatchAll(frame.get());
    EXPECT_TRUE(helpModeAtCommand);
    auto enterIdle = std::find_if(frame->seen.begin(), frame->seen.end(),
                                  [](const Seen& s) { return s.message == WM_ENTERIDLE; });
    ASSERT_NE(enterIdle, frame->seen.end());
    EXPECT_TRUE(enterIdle->f1Down);
    EXPECT_TRUE(std::none_of(frame->seen.begin(), frame->seen.end(), [](const Seen& s) {
        return s.message == WM_KEYDOWN && s.wParam == VK_RETURN;
    })) << "the Enter that chooses the item is not a key for the window";
}

TEST_F(QtTest, KeysArriveAsQueuedKeyMessages) {
    auto frame = MakeFrame();
    frame->seen.clear();
    probe::SendKey(*frame, "Left", true);
    probe::SendKey(*frame, "Left", false);
    probe::SendKey(*frame, "A", true);
    probe::SendKey(*frame, "Esc", true);
    EXPECT_TRUE(frame->seen.empty()) << "input must not run handlers from the desktop's events";

    MSG m;
    ASSERT_TRUE(PeekMessage(&m, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE));
    EXPECT_EQ(m.message, WM_KEYDOWN);
    EXPECT_EQ(m.wParam, VK_LEFT);
    ASSERT_TRUE(PeekMessage(&m, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE));
    EXPECT_EQ(m.message, WM_KEYUP);
    EXPECT_EQ(m.wParam, VK_LEFT);
    EXPECT_NE(std::uint32_t(m.lParam) & 0x80000000u, 0u) << "a release has the transition bit";

    DispatchAll();
    std::vector<std::pair<UINT, WPARAM>> got;
    for (const Seen& s : frame->seen)
        got.emplace_back(s.message, s.wParam);
    const std::vector<std::pair<UINT, WPARAM>> want = {
        {WM_KEYDOWN, 'A'}, {WM_CHAR, 'a'}, {WM_KEYDOWN, VK_ESCAPE}, {WM_CHAR, 0x1B}};
    EXPECT_EQ(got, want);
}

TEST_F(QtTest, AcceleratorsWinOverMenuMnemonics) {
    auto frame = MakeFrame();
    EXPECT_TRUE(probe::SendShortcutOverride(*frame, "Alt+F")) << "Alt+F is a command, not \"&Fit\"";
    EXPECT_TRUE(probe::SendShortcutOverride(*frame, "Ctrl+L"));
    EXPECT_FALSE(probe::SendShortcutOverride(*frame, "Alt+D")) << "Alt+D opens the Data menu";
}

TEST_F(QtTest, MouseMessagesCarryExactModifierWords) {
    auto frame = MakeFrame();
    frame->seen.clear();
    probe::SendMouse(*frame, probe::MouseAction::DoubleClick, 30, 40, 1, MK_CONTROL);
    probe::SendMouse(*frame, probe::MouseAction::Release, 30, 40, 1, 0);
    probe::SendMouse(*frame, probe::MouseAction::Press, 5, 6, 2, MK_SHIFT);
    probe::SendMouse(*frame, probe::MouseAction::Move, 7, 8, 0, 0);
    DispatchAll();
    struct Want {
        UINT message;
        WPARAM wParam;
        int x, y;
    };
    const Want want[] = {{WM_LBUTTONDBLCLK, MK_LBUTTON | MK_CONTROL, 30, 40},
                         {WM_LBUTTONUP, 0, 30, 40},
                         {WM_RBUTTONDOWN, MK_RBUTTON | MK_SHIFT, 5, 6},
                         {WM_MOUSEMOVE, 0, 7, 8}};
    ASSERT_EQ(frame->seen.size(), std::size(want));
    for (std::size_t i = 0; i < std::size(want); ++i) {
        EXPECT_EQ(frame->seen[i].message, want[i].message) << i;
        EXPECT_EQ(frame->seen[i].wParam, want[i].wParam) << i;
        EXPECT_EQ(GET_X_LPARAM(frame->seen[i].lParam), want[i].x) << i;
        EXPECT_EQ(GET_Y_LPARAM(frame->seen[i].lParam), want[i].y) << i;
    }
}

TEST_F(QtTest, DroppedFilesArriveAsOneDropMessage) {
    auto frame = MakeFrame();
    EXPECT_FALSE(probe::SendDrop(*frame, {"/tmp/x.RA1"}, 1, 1)) << "drops before DragAcceptFiles";
    frame->DragAcceptFiles(true);
    std::vector<std::string> names;
    frame->onMessage = [&](UINT message, WPARAM wParam, LPARAM) {
        if (message != WM_DROPFILES)
            return;
        HDROP drop = reinterpret_cast<HDROP>(wParam);
        const UINT n = DragQueryFile(drop, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < n; ++i) {
            char name[260];
            DragQueryFile(drop, i, name, sizeof name);
            names.push_back(name);
        }
    };
    EXPECT_TRUE(probe::SendDrop(*frame, {"/tmp/run 1/00001.RA1", "/tmp/run 1/00002.RA1"}, 12, 34));
    DispatchAll();
    EXPECT_EQ(names, (std::vector<std::string>{"/tmp/run 1/00001.RA1", "/tmp/run 1/00002.RA1"}));
}

TEST_F(QtTest, CloseBoxAsksTheProgram) {
    auto frame = MakeFrame();
    frame->allowClose = false;
    probe::PressCloseBox(*frame);
    EXPECT_TRUE(frame->IsWindow());
    DispatchAll();
    EXPECT_TRUE(frame->IsWindow()) << "CanClose refused";
    frame->allowClose = true;
    probe::PressCloseBox(*frame);
    DispatchAll();
    EXPECT_FALSE(frame->IsWindow());
}

TEST_F(QtTest, TimerExpiryArrivesAsTimerMessage) {
    auto frame = MakeFrame();
    ASSERT_TRUE(frame->SetTimer(13, 1));
    MSG m;
    do {
        ASSERT_TRUE(GetMessage(&m, nullptr, 0, 0));
        TranslateMessage(&m);
        DispatchMessage(&m);
    } while (m.message != WM_TIMER);
    EXPECT_EQ(m.wParam, 13u);
    EXPECT_TRUE(frame->KillTimer(13));
}

TEST_F(QtTest, CaptionAndCursorReachTheDesktop) {
    auto frame = MakeFrame();
    EXPECT_EQ(probe::Caption(*frame), "Sedimentation Analysis");
    frame->SetCaption("SEDIMENTATION ANALYSIS -> /data/run1");
    EXPECT_EQ(probe::Caption(*frame), "SEDIMENTATION ANALYSIS -> /data/run1");
    const std::pair<int, const char*> cursors[] = {
        {IDC_WAIT, "wait"}, {IDC_CROSS, "cross"}, {IDC_SIZEWE, "sizewe"}, {IDC_ARROW, "arrow"}};
    for (auto [id, name] : cursors) {
        frame->SetCursor(id);
        EXPECT_EQ(probe::CursorName(*frame), name);
    }
}

} // namespace
