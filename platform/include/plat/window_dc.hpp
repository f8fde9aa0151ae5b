// Device contexts on a window's client area for drawing outside Paint.
#pragma once

#include "plat/gdi.hpp"
#include "plat/window.hpp"

// Draws straight into the window's surface; what was drawn is shown when the DC goes away (or at
// Flush, for a DC held across messages), so progress drawn inside a long loop appears at once.
class TClientDC : public TSurfaceDC {
  public:
    explicit TClientDC(HWND window);
};

// The same on the client area: this layer's windows have no frame of their own to draw on.
class TWindowDC : public TClientDC {
  public:
    explicit TWindowDC(HWND window) : TClientDC(window) {}
};

using HDC = TDC*;

// A client DC to be given back with ReleaseDC.
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC dc);
