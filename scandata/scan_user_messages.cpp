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
