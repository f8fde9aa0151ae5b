// F1 on a highlighted menu item: the window enters the help mode and the item is chosen, so that
// a command that tests the help mode shows its help instead of acting.
#include "app/txla_window.h"

void TXLAWindow::EvEnterIdle(UINT source, HWND) {
    if (source != MSGF_MENU || GetKeyState(VK_F1) >= 0)
        return;
    helpMode = true;
    // The open menu takes the Enter as the choice of its highlighted item.
    PostMessage(this, WM_KEYDOWN, VK_RETURN, 0);
}
