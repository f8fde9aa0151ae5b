// The raster rules, written once: pixels with mix modes, lines without their end pixel,
// rectangles, ellipses, polygons, blending and pixel copies on a plat::Surface.
#pragma once

#include "plat/geometry.hpp"
#include "plat/surface.hpp"

#include <climits>
#include <cstdint>
#include <vector>

namespace plat::raster {

// A surface with its device clip (inside the surface), the mix mode of pens and brushes, and
// the bounds of what was touched.
struct Target {
    Surface& surface;
    TRect clip;
    int rop2;
    int x0 = INT_MAX, y0 = INT_MAX, x1 = INT_MIN, y1 = INT_MIN; // touched pixels, inclusive

    Target(Surface& s, const TRect& c, int rop) : surface(s), clip(c), rop2(rop) {}
    TRect Touched() const { return x0 > x1 ? TRect{} : TRect{x0, y0, x1 + 1, y1 + 1}; }
    void Touch(int x, int y) {
        if (x < x0)
            x0 = x;
        if (x > x1)
            x1 = x;
        if (y < y0)
            y0 = y;
        if (y > y1)
            y1 = y;
    }
};

// The 16 binary mix modes as the truth table of (pen, destination), per bit; native pixels.
inline std::uint32_t Mix(int rop2, std::uint32_t pen, std::uint32_t dst) {
    const unsigned code = unsigned(rop2 - 1) & 15u;
    std::uint32_t r = 0;
    if (code & 1u)
        r |= ~pen & ~dst;
    if (code & 2u)
        r |= ~pen & dst;
    if (code & 4u)
        r |= pen & ~dst;
    if (code & 8u)
        r |= pen & dst;
    return r & 0x00FFFFFFu;
}

// One pixel in the target's mix mode; `color` is native (0x00RRGGBB).
inline void Plot(Target& t, int x, int y, std::uint32_t color) {
    if (!t.clip.Contains({x, y}))
        return;
    std::uint32_t& p = t.surface.Row(y)[x];
    p = t.rop2 == 13 ? color : Mix(t.rop2, color, p);
    t.Touch(x, y);
}

// Horizontal run [x0, x1) of row y in the target's mix mode.
void Span(Target& t, int y, int x0, int x1, std::uint32_t color);

// Bresenham from a to b, b itself left out; `width` > 1 stamps a square pen.
void Line(Target& t, TPoint a, TPoint b, std::uint32_t color, int width = 1);

// Rectangle over [l, r) x [t, b): outline of `outline` (may be null) and interior `fill` (may
// be null). With no outline the filled area loses its right column and bottom row.
void Rectangle(Target& t, TRect box, const std::uint32_t* outline, const std::uint32_t* fill);

// Ellipse inscribed in [l, r) x [t, b), each pixel painted once (outline or interior).
void Ellipse(Target& t, TRect box, const std::uint32_t* outline, const std::uint32_t* fill);

// Scanline fill at pixel centres, alternate or winding rule.
void FillPolygon(Target& t, const std::vector<TPoint>& points, bool winding, std::uint32_t color);

// Blends `color` over the pixel with coverage alpha (0..255); ignores the mix mode.
inline void Blend(Target& t, int x, int y, unsigned alpha, std::uint32_t color) {
    if (alpha == 0 || !t.clip.Contains({x, y}))
        return;
    std::uint32_t& p = t.surface.Row(y)[x];
    if (alpha >= 255) {
        p = color;
    } else {
        std::uint32_t out = 0;
        for (int shift = 0; shift <= 16; shift += 8) {
            const unsigned d = (p >> shift) & 0xFFu, s = (color >> shift) & 0xFFu;
            const unsigned v = (s * alpha + d * (255u - alpha) + 127u) / 255u;
            out |= v << shift;
        }
        p = out;
    }
    t.Touch(x, y);
}

// Copies the source rectangle onto the destination rectangle (device units of each),
// stretching by nearest neighbour; negative extents mirror. `rop` is a ternary raster code
// (SRCCOPY, NOTSRCCOPY, SRCINVERT, SRCAND, SRCPAINT, DSTINVERT, BLACKNESS, WHITENESS).
struct BlitRect {
    int x, y, w, h;
};
bool Blit(Target& t, BlitRect dst, const Surface& src, BlitRect from, std::uint32_t rop);

} // namespace plat::raster
