// Boxes of the scan loaders, shown through the platform's message box.
#include "scandata/scan_user_messages.h"

#include "plat/msgbox.hpp"

namespace {

// The main window as the box's owner.
HWND Owner(TXLAWindow* window)
{
    (void)window;
    return nullptr;
}

} // namespace

void ScanErrorBox(const char* text, const char* caption)
{
    MessageBox(nullptr, text, caption, MB_OK);
}

void ScanInfoBox(const char* text, const char* caption)
{
    MessageBox(nullptr, text, caption, MB_OK);
}

void ScanOwnedBox(TXLAWindow* window, const char* text, const char* caption)
{
    MessageBox(Owner(window), text, caption, MB_OK);
}

bool ScanQuestion(TXLAWindow* window, const char* text, const char* caption)
{
    return MessageBox(Owner(window), text, caption, MB_YESNO) == IDYES;
}

void ScanDebugLog(TXLAWindow* window, const char* text)
{
    (void)window;
    (void)text;
}

void ScanRequestRepaint(TXLAWindow* window)
{
    (void)window;
}

void ScanDrawText(TXLAWindow* window, int x, int y, const char* text)
{
    (void)window;
    (void)x;
    (void)y;
    (void)text;
}

void ScanCheckTemperature(TXLAWindow* window, float limit)
{
    (void)window;
    (void)limit;
}
