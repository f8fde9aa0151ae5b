// The engines' captioned boxes, through the window services' owner.
#include "foundations/notice_boxes.h"

#include "plat/msgbox.hpp"
#include "state/window_services.h"

void ShowNotice(TXLAWindow* window, const char* text, const char* caption) {
    MessageBox(WindowServices::PlatformWindow(window), text, caption, MB_OK);
}

void ShowWarning(TXLAWindow* window, const char* text, const char* caption) {
    MessageBox(WindowServices::PlatformWindow(window), text, caption, MB_OK | MB_ICONEXCLAMATION);
}

bool AskYesOrNo(TXLAWindow* window, const char* text, const char* caption) {
    return MessageBox(WindowServices::PlatformWindow(window), text, caption, MB_YESNO) == IDYES;
}
