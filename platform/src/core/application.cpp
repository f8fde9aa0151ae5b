// TApplication: the main window and the message loop.
#include "plat/app.hpp"
#include "plat/window.hpp"

namespace {
TApplication* gCurrent = nullptr;
}

TApplication* GetApplicationObject() {
    return gCurrent;
}

TApplication::TApplication(const char* name) : name_(name ? name : ""), previous_(gCurrent) {
    gCurrent = this;
}

TApplication::~TApplication() {
    mainWindow_.reset();
    gCurrent = previous_;
}

void TApplication::SetMainWindow(TFrameWindow* window) {
    mainWindow_.reset(window);
}

int TApplication::Run() {
    InitMainWindow();
    if (mainWindow_ && !mainWindow_->IsWindow())
        mainWindow_->Create();
    MSG msg;
    while (GetMessage(&msg, nullptr, 0, 0) > 0) {
        TFrameWindow* main = mainWindow_.get();
        if (main && main->IsWindow() &&
            TranslateAccelerator(main, main->GetAcceleratorTable(), &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
    mainWindow_.reset();
    return int(msg.wParam);
}

int TApplication::MessageBox(HWND owner, const char* text, const char* caption, UINT flags) {
    return ::MessageBox(owner, text, caption ? caption : name_.c_str(), flags);
}
