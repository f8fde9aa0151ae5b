// The device context's state: mapping, the SaveDC stack, selected objects, colours and modes.
#include "core/text_render.h"
#include "plat/gdi.hpp"

#include <cmath>
#include <cstdlib>

namespace plat {

Mapping::Mapping(const DCState& s) {
    if (s.mapMode == MM_ISOTROPIC || s.mapMode == MM_ANISOTROPIC) {
        sx = double(s.viewportExt.cx) / double(s.windowExt.cx);
        sy = double(s.viewportExt.cy) / double(s.windowExt.cy);
    }
    ox = s.viewportOrg.x - s.windowOrg.x * sx;
    oy = s.viewportOrg.y - s.windowOrg.y * sy;
}

} // namespace plat

namespace {

// floor(a / b) for any signs, exactly.
long long FloorDiv(long long a, long long b) {
    long long q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

bool Scaled(int mode) {
    return mode == MM_ISOTROPIC || mode == MM_ANISOTROPIC;
}

int Clamp(long long v) {
    constexpr long long lim = 1LL << 30;
    return int(v < -lim ? -lim : v > lim ? lim : v);
}

} // namespace

// Device = floor((logical - windowOrg) * viewportExt / windowExt) + viewportOrg, in exact integer
// arithmetic, so the painter's own pixel formulas (floor(x * W / 1400)) land on the same
// columns as replayed pictures.
TPoint TDC::LPtoDP(const TPoint& p) const {
    const plat::DCState& s = state_;
    long long x = (long long)p.x - s.windowOrg.x, y = (long long)p.y - s.windowOrg.y;
    if (Scaled(s.mapMode)) {
        x = FloorDiv(x * s.viewportExt.cx, s.windowExt.cx);
        y = FloorDiv(y * s.viewportExt.cy, s.windowExt.cy);
    }
    return {Clamp(x + s.viewportOrg.x), Clamp(y + s.viewportOrg.y)};
}

TPoint TDC::DPtoLP(const TPoint& p) const {
    const plat::DCState& s = state_;
    long long x = (long long)p.x - s.viewportOrg.x, y = (long long)p.y - s.viewportOrg.y;
    if (Scaled(s.mapMode)) {
        x = FloorDiv(x * s.windowExt.cx, s.viewportExt.cx);
        y = FloorDiv(y * s.windowExt.cy, s.viewportExt.cy);
    }
    return {Clamp(x + s.windowOrg.x), Clamp(y + s.windowOrg.y)};
}

int TDC::SetMapMode(int mode) {
    const int old = state_.mapMode;
    if (mode != MM_TEXT && mode != MM_ISOTROPIC && mode != MM_ANISOTROPIC)
        return 0;
    state_.mapMode = mode;
    if (mode == MM_TEXT) {
        state_.windowExt = {1, 1};
        state_.viewportExt = {1, 1};
    }
    FixIsotropic();
    return old;
}

// Isotropic mode keeps logical units square: the viewport extent of the longer side shrinks.
void TDC::FixIsotropic() {
    plat::DCState& s = state_;
    if (s.mapMode != MM_ISOTROPIC)
        return;
    const double xdim = double(s.viewportExt.cx) / s.windowExt.cx;
    const double ydim = double(s.viewportExt.cy) / s.windowExt.cy;
    if (xdim == 0 || ydim == 0)
        return;
    if (std::abs(xdim) > std::abs(ydim)) {
        const int v = int(std::floor(s.viewportExt.cx * std::abs(ydim / xdim) + 0.5));
        s.viewportExt.cx = v == 0 ? (s.viewportExt.cx < 0 ? -1 : 1) : v;
    } else {
        const int v = int(std::floor(s.viewportExt.cy * std::abs(xdim / ydim) + 0.5));
        s.viewportExt.cy = v == 0 ? (s.viewportExt.cy < 0 ? -1 : 1) : v;
    }
}

bool TDC::SetWindowExt(const TSize& ext, TSize* oldExt) {
    if (oldExt)
        *oldExt = state_.windowExt;
    if (!Scaled(state_.mapMode))
        return true; // ignored, as the original platform does
    if (ext.cx == 0 || ext.cy == 0)
        return false;
    state_.windowExt = ext;
    FixIsotropic();
    return true;
}

bool TDC::SetViewportExt(const TSize& ext, TSize* oldExt) {
    if (oldExt)
        *oldExt = state_.viewportExt;
    if (!Scaled(state_.mapMode))
        return true;
    if (ext.cx == 0 || ext.cy == 0)
        return false;
    state_.viewportExt = ext;
    FixIsotropic();
    return true;
}

bool TDC::SetWindowOrg(const TPoint& org, TPoint* oldOrg) {
    if (oldOrg)
        *oldOrg = state_.windowOrg;
    state_.windowOrg = org;
    return true;
}

bool TDC::SetViewportOrg(const TPoint& org, TPoint* oldOrg) {
    if (oldOrg)
        *oldOrg = state_.viewportOrg;
    state_.viewportOrg = org;
    return true;
}

int TDC::SaveDC() {
    saved_.push_back(state_);
    return int(saved_.size());
}

bool TDC::RestoreDC(int savedDC) {
    const int level = int(saved_.size());
    const int target = savedDC < 0 ? level + savedDC + 1 : savedDC; // level to restore
    if (target < 1 || target > level)
        return false;
    state_ = saved_[size_t(target - 1)];
    saved_.resize(size_t(target - 1));
    return true;
}

TPen TDC::SelectObject(const TPen& pen) {
    TPen old = state_.pen;
    state_.pen = pen;
    return old;
}

TBrush TDC::SelectObject(const TBrush& brush) {
    TBrush old = state_.brush;
    state_.brush = brush;
    return old;
}

TFont TDC::SelectObject(const TFont& font) {
    TFont old = state_.font;
    state_.font = font;
    return old;
}

TBitmap TDC::SelectObject(const TBitmap&) {
    return TBitmap();
}

void TDC::SelectStockObject(int index) {
    if (index >= WHITE_PEN && index <= NULL_PEN)
        SelectObject(GetStockPen(index));
    else if (index >= WHITE_BRUSH && index <= NULL_BRUSH)
        SelectObject(GetStockBrush(index));
    else
        SelectObject(GetStockFont(index));
}

COLORREF TDC::SetTextColor(COLORREF c) {
    const COLORREF old = state_.textColor;
    state_.textColor = c;
    return old;
}

COLORREF TDC::SetBkColor(COLORREF c) {
    const COLORREF old = state_.bkColor;
    state_.bkColor = c;
    return old;
}

int TDC::SetBkMode(int mode) {
    const int old = state_.bkMode;
    if (mode != TRANSPARENT && mode != OPAQUE)
        return 0;
    state_.bkMode = mode;
    return old;
}

unsigned TDC::SetTextAlign(unsigned flags) {
    const unsigned old = state_.textAlign;
    state_.textAlign = flags;
    return old;
}

int TDC::SetROP2(int mode) {
    const int old = state_.rop2;
    if (mode < R2_BLACK || mode > R2_WHITE)
        return 0;
    state_.rop2 = mode;
    return old;
}

int TDC::SetPolyFillMode(int mode) {
    const int old = state_.polyFillMode;
    if (mode != ALTERNATE && mode != WINDING)
        return 0;
    state_.polyFillMode = mode;
    return old;
}

int TDC::IntersectClipRect(const TRect& rect) {
    TPoint a = LPtoDP({rect.left, rect.top}), b = LPtoDP({rect.right, rect.bottom});
    TRect dev{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
    if (state_.clipped) {
        dev = state_.clip.Intersect(dev);
    }
    state_.clipped = true;
    state_.clip = dev.IsEmpty() ? TRect{} : dev;
    return state_.clip.IsEmpty() ? NULLREGION : SIMPLEREGION;
}

bool TDC::MoveTo(int x, int y) {
    state_.currentPos = {x, y};
    return true;
}

COLORREF TDC::GetPixel(int, int) const {
    return CLR_INVALID;
}

// Without a device the text is measured one to one in logical units.
TSize TDC::GetTextExtent(std::string_view text) const {
    plat::text::Metrics m;
    plat::text::Measure(state_.font, 1.0, text, m);
    return {int(std::lround(m.width)), int(std::lround(m.ascent + m.descent))};
}

bool TDC::BitBlt(int, int, int, int, const TDC&, int, int, std::uint32_t) {
    return false;
}

bool TDC::StretchBlt(int, int, int, int, const TDC&, int, int, int, int, std::uint32_t) {
    return false;
}
