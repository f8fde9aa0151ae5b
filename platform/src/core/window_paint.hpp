// The paint step of WM_PAINT and the device contexts of a window's surface.
#pragma once

#include "plat/geometry.hpp"

class TWindow;

namespace plat {
// Calls the window's Paint with a DC on its surface, clipped to rect.
void PaintThroughDC(TWindow& window, bool erase, TRect& rect);
} // namespace plat
