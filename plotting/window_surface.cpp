// Direct drawing into the main window and its size.
#include "plotting/window_surface.h"

#include "plat/backend.hpp"
#include "plat/window.hpp"
#include "plat/window_dc.hpp"
#include "state/window_services.h"

void DrawStatusText(TXLAWindow* window, int x, int y, const char* text) {
    if (window == nullptr)
        return;
    TClientDC dc(WindowServices::PlatformWindow(window));
    dc.TextOut(x, y, text);
}

ClientArea ClientAreaOf(TXLAWindow* window) {
    ClientArea area{WindowServices::ClientWidth(window), WindowServices::ClientHeight(window)};
    if (!(area.height > 0.0f) || !(area.width > 0.0f))
        if (TWindow* platform = WindowServices::PlatformWindow(window)) {
            const TRect client = platform->GetClientRect();
            area.height = float(client.bottom - client.top);
            area.width = float(client.right - client.left);
        }
    return area;
}

bool OnDrawingThread() {
    return plat::IsGuiThread();
}
