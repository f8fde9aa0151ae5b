// Paint with a DC on the window's surface.
#include "core/window_paint.hpp"

#include "plat/window.hpp"

#if __has_include("plat/gdi.hpp")
#include "plat/gdi.hpp"
#define PLAT_HAVE_GDI 1
#endif

namespace plat {

void PaintThroughDC(TWindow& window, bool erase, TRect& rect) {
#ifdef PLAT_HAVE_GDI
    TSurfaceDC dc(window.GetSurface());
    dc.IntersectClipRect(rect);
    window.Paint(dc, erase, rect);
#else
    (void)window;
    (void)erase;
    (void)rect;
#endif
}

} // namespace plat
