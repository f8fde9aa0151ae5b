// Paint with a DC on the window's surface.
#include "core/window_paint.hpp"

#include "plat/gdi.hpp"
#include "plat/window.hpp"

namespace plat {

void PaintThroughDC(TWindow& window, bool erase, TRect& rect) {
    TSurfaceDC dc(window.GetSurface());
    dc.IntersectClipRect(rect);
    window.Paint(dc, erase, rect);
}

} // namespace plat
