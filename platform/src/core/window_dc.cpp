// Client and window DCs: draw into the surface, present on release.
#include "plat/window_dc.hpp"

namespace {
plat::Surface& SurfaceOf(HWND window) {
    static plat::Surface none;
    return window ? window->GetSurface() : none;
}
} // namespace

TClientDC::TClientDC(HWND window)
    : TSurfaceDC(SurfaceOf(window), [window](const TRect& dirty) {
          if (window)
              window->Present(dirty);
      }) {}

HDC GetDC(HWND window) {
    return window ? new TClientDC(window) : nullptr;
}

int ReleaseDC(HWND, HDC dc) {
    delete dc;
    return dc ? 1 : 0;
}
