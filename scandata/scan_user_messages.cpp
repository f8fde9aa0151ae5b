// Boxes of the scan loaders, shown through the platform's message box.
#include "scandata/scan_user_messages.h"

#include "foundations/sounds.h"
#include "plat/msgbox.hpp"
#include "plat/window.hpp"
#include "plat/window_dc.hpp"
#include "state/window_services.h"

namespace {

// The main window as the box's owner.
HWND Owner(TXLAWindow* window) {
    return WindowServices::PlatformWindow(window);
}

} // namespace

void ScanErrorBox(const char* text, const char* caption) {
    PlayErrorSound();
    MessageBox(nullptr, text, caption, MB_OK);
}

void ScanInfoBox(const char* text, const char* caption) {
    PlayInfoSound();
    MessageBox(nullptr, text, caption, MB_OK);
}

void ScanOwnedBox(TXLAWindow* window, const char* text, const char* caption) {
    MessageBox(Owner(window), text, caption, MB_OK);
}

bool ScanQuestion(TXLAWindow* window, const char* text, const char* caption) {
    return MessageBox(Owner(window), text, caption, MB_YESNO) == IDYES;
}

void ScanDebugLog(TXLAWindow* window, const char* text) {
    if (window)
        WindowServices::DebugLog(window, text);
}

void ScanRequestRepaint(TXLAWindow* window) {
    if (window)
        WindowServices::RequestRepaint(window);
}

void ScanDrawText(TXLAWindow* window, int x, int y, const char* text) {
    if (!window)
        return;
    TClientDC dc(WindowServices::PlatformWindow(window));
    dc.TextOut(x, y, text);
}

void ScanCheckTemperature(TXLAWindow* window, float limit) {
    if (window)
        WindowServices::CheckTemperatureFluctuation(window, limit);
}
