// A main window with a small menu on the desktop backend, for the offscreen smoke tests.
#pragma once

#include "plat/app.hpp"
#include "plat/backend.hpp"
#include "plat/gdi.hpp"
#include "plat/menu.hpp"
#include "plat/qt_backend.hpp"
#include "plat/window.hpp"

#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace qt_test {

// One dispatched message, with the F1 state the handler would read.
struct Seen {
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    bool f1Down = false;
};

class TestFrame : public TFrameWindow {
  public:
    TestFrame() : TFrameWindow(nullptr, "Sedimentation Analysis") {}

    void Paint(TDC& dc, bool, TRect&) override {
        ++paints;
        if (scene)
            scene(dc);
    }
    bool CanClose() override { return allowClose; }
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message != WM_PAINT)
            seen.push_back({message, wParam, lParam, GetKeyState(VK_F1) < 0});
        if (onMessage)
            onMessage(message, wParam, lParam);
        return TFrameWindow::HandleMessage(message, wParam, lParam);
    }

    std::function<void(TDC&)> scene;
    std::function<void(UINT, WPARAM, LPARAM)> onMessage;
    std::vector<Seen> seen;
    int paints = 0;
    bool allowClose = true;
};

// Menu: a popup with a checked, a grayed and a plain item, a bare top-level item, a second popup.
inline plat::MenuModel TestMenu() {
    using plat::MenuItem;
    return plat::MenuModel({
        MenuItem::Popup("&Data",
                        {MenuItem::Command(100, "&Load New Files\tCtrl+L"),
                         MenuItem::Command(101, "Show &Residuals", true), MenuItem::Separator(),
                         MenuItem::Command(102, "Grayed Item", false, true)}),
        MenuItem::Command(103, "&Fit"),
        MenuItem::Popup("&Help",
                        {MenuItem::Command(104, "&About"), MenuItem::Command(552, "Tools")}),
    });
}

inline plat::AcceleratorTable TestAccelerators() {
    return plat::AcceleratorTable({{FVIRTKEY | FCONTROL, 'L', 100}, {FVIRTKEY | FALT, 'F', 915}});
}

// Installs the desktop backend (offscreen in tests) for each test.
class QtTest : public ::testing::Test {
  protected:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "test_platform_qt";
        static char* argv[] = {name, nullptr};
        ASSERT_TRUE(plat::InstallQtBackend(argc, argv));
    }
    void TearDown() override { plat::SetBackend(plat::MakeHeadlessBackend()); }

    // A created main window with the test menu and accelerators, everything dispatched.
    std::unique_ptr<TestFrame> MakeFrame() {
        auto frame = std::make_unique<TestFrame>();
        frame->AssignMenu(TestMenu());
        frame->SetAcceleratorTable(TestAccelerators());
        frame->Create();
        DispatchAll();
        return frame;
    }

    // Dispatches until the queue is empty, the way the program's loop does (with accelerators
    // of `accel`'s window).
    static void DispatchAll(TWindow* accel = nullptr) {
        MSG m;
        while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
            if (m.message == WM_QUIT)
                break;
            if (accel && TranslateAccelerator(accel, accel->GetAcceleratorTable(), &m))
                continue;
            TranslateMessage(&m);
            DispatchMessage(&m);
        }
    }
};

} // namespace qt_test
