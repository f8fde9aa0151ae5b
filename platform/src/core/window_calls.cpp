// Windows-style free functions on window handles.
#include "plat/window.hpp"

namespace plat {
TWindow* CaptureWindow();
}

BOOL InvalidateRect(HWND hwnd, const TRect* rect, BOOL erase) {
    if (!hwnd)
        return FALSE;
    if (rect)
        hwnd->InvalidateRect(*rect, erase != 0);
    else
        hwnd->Invalidate(erase != 0);
    return TRUE;
}

BOOL ValidateRect(HWND hwnd, const TRect*) {
    if (!hwnd)
        return FALSE;
    hwnd->Validate();
    return TRUE;
}

BOOL UpdateWindow(HWND hwnd) {
    if (!hwnd)
        return FALSE;
    hwnd->UpdateWindow();
    return TRUE;
}

BOOL GetClientRect(HWND hwnd, TRect* rect) {
    if (!hwnd || !rect)
        return FALSE;
    *rect = hwnd->GetClientRect();
    return TRUE;
}

UINT SetTimer(HWND hwnd, UINT id, UINT milliseconds, void*) {
    return hwnd && hwnd->SetTimer(id, milliseconds) ? id : 0;
}

BOOL KillTimer(HWND hwnd, UINT id) {
    return hwnd && hwnd->KillTimer(id) ? TRUE : FALSE;
}

HWND SetCapture(HWND hwnd) {
    HWND previous = plat::CaptureWindow();
    if (hwnd)
        hwnd->SetCapture();
    return previous;
}

BOOL ReleaseCapture() {
    if (HWND w = plat::CaptureWindow())
        w->ReleaseCapture();
    return TRUE;
}

HWND GetCapture() {
    return plat::CaptureWindow();
}

void DragAcceptFiles(HWND hwnd, BOOL accept) {
    if (hwnd)
        hwnd->DragAcceptFiles(accept != 0);
}

BOOL SetWindowText(HWND hwnd, const char* text) {
    if (!hwnd)
        return FALSE;
    hwnd->SetCaption(text);
    return TRUE;
}

HMENU GetMenu(HWND hwnd) {
    return hwnd ? hwnd->GetMenu() : nullptr;
}

BOOL DrawMenuBar(HWND hwnd) {
    return hwnd ? TRUE : FALSE;
}
