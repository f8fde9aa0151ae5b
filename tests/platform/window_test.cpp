// Windows: the message map's lookup order, accelerators and menu help turning into commands,
// dropped files, resizing, painting, direct drawing and the close path of the application.
#include "plat/app.hpp"
#include "plat/png.hpp"
#include "plat/testing.hpp"
#include "plat/window.hpp"
#include "plat/window_dc.hpp"
#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

class BaseFrame : public TFrameWindow {
  public:
    BaseFrame() : TFrameWindow(nullptr, "base") {}
    const plat::MapEntry* Find(UINT message, UINT id) const override {
        static const plat::MessageMap map{
            plat::OnCommand(100, &BaseFrame::CmBase),
            plat::OnCommand(101, &BaseFrame::CmBase),
        };
        if (const plat::MapEntry* e = map.Lookup(message, id))
            return e;
        return TFrameWindow::Find(message, id);
    }
    void CmBase() { log.push_back("base"); }
    std::vector<std::string> log;
};

class Frame : public BaseFrame {
  public:
    const plat::MapEntry* Find(UINT message, UINT id) const override {
        static const plat::MessageMap map{
            plat::OnCommand(101, &Frame::CmOwn),
            plat::OnCommand(200, &Frame::CmLoad),
            plat::OnMessage(WM_KEYDOWN, &Frame::EvKeyDown),
            plat::OnMessage(WM_CHAR, &Frame::EvChar),
            plat::OnMessage(WM_LBUTTONDBLCLK, &Frame::EvLButtonDblClk),
            plat::OnMessage(WM_SIZE, &Frame::EvSize),
            plat::OnMessage(WM_ENTERIDLE, &Frame::EvEnterIdle),
            plat::OnMessage(WM_DROPFILES, &Frame::EvDropFiles),
            plat::OnMessage(WM_TIMER, &Frame::EvTimer),
        };
        if (const plat::MapEntry* e = map.Lookup(message, id))
            return e;
        return BaseFrame::Find(message, id);
    }
    void CmOwn() { log.push_back("own"); }
    void CmLoad() {
        log.push_back(helpMode ? "help 200" : "load");
        helpMode = false;
    }
    void EvKeyDown(UINT key, UINT, UINT) { log.push_back("key " + std::to_string(key)); }
    void EvChar(UINT ch, UINT, UINT) { log.push_back("char " + std::to_string(ch)); }
    void EvLButtonDblClk(UINT mk, const TPoint& p) {
        log.push_back("dbl " + std::to_string(mk) + " " + std::to_string(p.x) + "," +
                      std::to_string(p.y));
    }
    void EvSize(UINT, const TSize& s) {
        log.push_back("size " + std::to_string(s.cx) + "x" + std::to_string(s.cy));
    }
    // F1 on an open menu: help mode, then Enter chooses the highlighted item.
    void EvEnterIdle(UINT source, HWND) {
        if (source == MSGF_MENU && (GetKeyState(VK_F1) & 0x8000)) {
            helpMode = true;
            PostMessage(this, WM_KEYDOWN, VK_RETURN, 0);
        }
    }
    void EvDropFiles(TDropInfo drop) {
        char name[256];
        for (UINT i = 0; i < drop.DragQueryFileCount(); ++i) {
            drop.DragQueryFile(i, name, sizeof name);
            log.push_back(std::string("drop ") + name);
        }
        drop.DragFinish();
    }
    void EvTimer(UINT id) { log.push_back("timer " + std::to_string(id)); }
    void Paint(TDC&, bool erase, TRect& r) override {
        log.push_back(std::string("paint ") + (erase ? "erase " : "") + std::to_string(r.Width()) +
                      "x" + std::to_string(r.Height()));
    }
    bool helpMode = false;
};

// The application's loop without its blocking wait: accelerators, translation, dispatch.
void RunLoopUntilIdle(TWindow& w) {
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE) && msg.message != WM_QUIT) {
        GetMessage(&msg, nullptr, 0, 0);
        if (TranslateAccelerator(&w, w.GetAcceleratorTable(), &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
}

class Window : public ::testing::Test {
  protected:
    void SetUp() override {
        win.SetAcceleratorTable(
            plat::AcceleratorTable({{FVIRTKEY | FCONTROL, 'L', 200}, {FVIRTKEY | FALT, 'F', 915}}));
        win.Create();
        RunLoopUntilIdle(win);
        win.log.clear();
    }
    plat::test::Script script;
    Frame win;
};

TEST_F(Window, OwnMapFirstThenBaseAndUnknownCommandsDoNothing) {
    for (int id : {100, 101, 555})
        plat::test::command(&win, id);
    RunLoopUntilIdle(win);
    EXPECT_EQ(win.log, (std::vector<std::string>{"base", "own"}));
}

TEST_F(Window, AcceleratorBecomesItsCommandWithoutKeyHandling) {
    plat::test::key(&win, 'L', 0, MK_CONTROL);
    plat::test::key(&win, 'L', 'l');
    RunLoopUntilIdle(win);
    EXPECT_EQ(win.log, (std::vector<std::string>{"load", "key 76", "char 108"}));
}

TEST_F(Window, MenuHelpKeyChoosesTheItemInHelpMode) {
    plat::test::menuHelpKey(&win, 200);
    RunLoopUntilIdle(win);
    EXPECT_EQ(win.log, (std::vector<std::string>{"help 200"}));
}

TEST_F(Window, DoubleClickCarriesModifiersAndPoint) {
    plat::test::mouse(&win, WM_LBUTTONDBLCLK, 120, 45, MK_LBUTTON | MK_CONTROL);
    RunLoopUntilIdle(win);
    EXPECT_EQ(win.log, (std::vector<std::string>{"dbl 9 120,45"}));
}

// While a window holds the mouse capture, mouse input goes to it whatever window it was meant
// for, as on the desktop; keys do not follow the capture. Released, the mouse is free again.
TEST_F(Window, MouseInputGoesToTheWindowHoldingTheCapture) {
    Frame other;
    other.Create();
    RunLoopUntilIdle(other);
    struct Case {
        bool captured;
        std::vector<std::string> win, other;
    };
    const Case cases[] = {
        {true, {"key 75", "char 107"}, {"dbl 1 5,6"}},
        {false, {"dbl 1 5,6", "key 75", "char 107"}, {}},
    };
    for (const Case& c : cases) {
        if (c.captured)
            other.SetCapture();
        else
            other.ReleaseCapture();
        win.log.clear();
        other.log.clear();
        plat::test::mouse(&win, WM_LBUTTONDBLCLK, 5, 6, MK_LBUTTON);
        plat::test::key(&win, 'K');
        RunLoopUntilIdle(win);
        EXPECT_EQ(win.log, c.win) << c.captured;
        EXPECT_EQ(other.log, c.other) << c.captured;
    }
}

TEST_F(Window, DroppedFilesReachTheHandlerOnlyWhenAccepted) {
    plat::test::drop(&win, {"/data/00001.RA1"});
    RunLoopUntilIdle(win);
    EXPECT_TRUE(win.log.empty());
    win.DragAcceptFiles(true);
    plat::test::drop(&win, {"/data/00001.RA1", "/data/run 2.xp"});
    RunLoopUntilIdle(win);
    EXPECT_EQ(win.log, (std::vector<std::string>{"drop /data/00001.RA1", "drop /data/run 2.xp"}));
}

TEST_F(Window, ResizeReallocatesRepaintsWhollyAndReportsTheSize) {
    win.GetSurface().SetPixel(3, 3, RGB(255, 0, 0));
    plat::test::resize(&win, 640, 480);
    EXPECT_EQ(win.GetClientRect(), (TRect{0, 0, 640, 480}));
    EXPECT_EQ(win.GetSurface().GetPixel(3, 3), RGB(255, 255, 255));
    RunLoopUntilIdle(win);
    EXPECT_EQ(win.log, (std::vector<std::string>{"size 640x480", "paint erase 640x480"}));
}

TEST_F(Window, PaintWithoutEraseKeepsThePixels) {
    win.GetSurface().SetPixel(3, 3, RGB(255, 0, 0));
    win.InvalidateRect({0, 0, 10, 10}, false);
    RunLoopUntilIdle(win);
    EXPECT_EQ(win.log, (std::vector<std::string>{"paint 10x10"}));
    EXPECT_EQ(win.GetSurface().GetPixel(3, 3), RGB(255, 0, 0));
}

TEST_F(Window, DrawingOutsidePaintIsPresentedWhenTheDcGoesAway) {
    int before = plat::test::presentCount(&win);
    {
        TClientDC dc(&win);
        dc.SetPixel(5, 6, RGB(0, 0, 255));
        EXPECT_EQ(plat::test::presentCount(&win), before);
    }
    EXPECT_EQ(plat::test::presentCount(&win), before + 1);
    EXPECT_TRUE(plat::test::lastPresented(&win).Contains({5, 6}));
    EXPECT_EQ(win.GetSurface().GetPixel(5, 6), RGB(0, 0, 255));
    EXPECT_FALSE(win.IsInvalid());
}

TEST_F(Window, TimerTicksReachTheHandler) {
    win.SetTimer(13, 60000);
    plat::test::advanceTimers(60000);
    RunLoopUntilIdle(win);
    EXPECT_EQ(win.log, (std::vector<std::string>{"timer 13"}));
}

TEST_F(Window, MenuAndAcceleratorsNamingUnhandledCommandsAreListed) {
    win.AssignMenu(plat::MenuModel({plat::MenuItem::Popup(
        "Data", {plat::MenuItem::Command(200, "&Load New Files\t^L"),
                 plat::MenuItem::Command(100, "base"), plat::MenuItem::Command(4711, "typo")})}));
    // 915 comes from the accelerator table.
    EXPECT_EQ(win.UnhandledCommands(), (std::vector<int>{4711, 915}));
}

class App : public TApplication {
  public:
    App() : TApplication("DEVUvirovav") {}
    void InitMainWindow() override {
        auto* f = new Frame;
        SetMainWindow(f);
        PostMessage(f, WM_CLOSE);
    }
};

TEST(Application, CloseBoxOfTheMainWindowEndsTheRun) {
    plat::test::Script s;
    App app;
    EXPECT_EQ(app.Run(), 0);
    EXPECT_EQ(app.GetMainWindow(), nullptr);
}

class RefusingApp : public TApplication {
  public:
    void InitMainWindow() override {
        SetMainWindow(new Frame);
        PostQuitMessage(4); // as a refused start-up does before the window exists
    }
};

TEST(Application, QuitPostedDuringStartUpEndsTheLoopAtOnce) {
    plat::test::Script s;
    RefusingApp app;
    EXPECT_EQ(app.Run(), 4);
}

} // namespace

namespace {

TEST(WindowPng, WritesWhatTheClientAreaHolds) {
    plat::test::Script s;
    TFrameWindow w(nullptr, "png");
    w.Create();
    s.pumpUntilIdle();
    w.GetSurface().SetPixel(7, 8, RGB(10, 200, 30));
    TempFolder dir;
    const std::string path = dir.file("client.png");
    ASSERT_TRUE(plat::test::windowPng(w, path));
    plat::Surface back;
    ASSERT_TRUE(plat::ReadPng(path, back));
    EXPECT_EQ(back, w.GetSurface());
}

} // namespace
