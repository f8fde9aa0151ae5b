// Raster device contexts: every drawing call mapped to device pixels and handed to the raster
// rules; memory contexts select bitmaps as their surface.
#include "core/raster.h"
#include "core/text_render.h"
#include "plat/gdi.hpp"

#include <algorithm>
#include <cmath>

namespace {

using plat::raster::Target;

TRect Normalised(TPoint a, TPoint b) {
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

} // namespace

TSurfaceDC::TSurfaceDC(plat::Surface& surface, std::function<void(const TRect&)> onRelease)
    : surface_(&surface), onRelease_(std::move(onRelease)) {}

TSurfaceDC::~TSurfaceDC() {
    if (onRelease_)
        onRelease_(dirty_);
}

TRect TSurfaceDC::TakeDirty() {
    const TRect d = dirty_;
    dirty_ = TRect{};
    return d;
}

void TSurfaceDC::Flush() {
    const TRect d = TakeDirty();
    if (onRelease_ && !d.IsEmpty())
        onRelease_(d);
}

// Runs `draw` on a target clipped to the surface and the DC's clip, then records what changed.
template <class F>
static bool OnTarget(plat::Surface* s, const plat::DCState& st, TRect& dirty, int rop, F&& draw) {
    if (!s || s->Empty())
        return false;
    TRect clip{0, 0, s->Width(), s->Height()};
    if (st.clipped)
        clip = clip.Intersect(st.clip);
    Target t(*s, clip, rop);
    if (!clip.IsEmpty())
        draw(t);
    dirty = dirty.Union(t.Touched());
    return true;
}

namespace {

int PenWidth(const plat::DCState& s) {
    if (s.pen.width <= 1)
        return 1;
    const plat::Mapping m(s);
    return std::max(1, int(std::lround(s.pen.width * std::abs(m.sx))));
}

} // namespace

bool TSurfaceDC::LineTo(int x, int y) {
    const TPoint a = LPtoDP(state_.currentPos), b = LPtoDP({x, y});
    state_.currentPos = {x, y};
    if (state_.pen.IsNull())
        return true;
    const std::uint32_t c = plat::Surface::ToNative(state_.pen.color);
    const int w = PenWidth(state_);
    return OnTarget(surface_, state_, dirty_, state_.rop2,
                    [&](Target& t) { plat::raster::Line(t, a, b, c, w); });
}

bool TSurfaceDC::Polyline(const TPoint* points, int count) {
    if (count < 2)
        return false;
    if (state_.pen.IsNull())
        return true;
    const std::uint32_t c = plat::Surface::ToNative(state_.pen.color);
    const int w = PenWidth(state_);
    return OnTarget(surface_, state_, dirty_, state_.rop2, [&](Target& t) {
        TPoint a = LPtoDP(points[0]);
        for (int i = 1; i < count; ++i) {
            const TPoint b = LPtoDP(points[i]);
            plat::raster::Line(t, a, b, c, w);
            a = b;
        }
    });
}

bool TSurfaceDC::Polygon(const TPoint* points, int count) {
    if (count < 2)
        return false;
    std::vector<TPoint> dev(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        dev[size_t(i)] = LPtoDP(points[i]);
    return OnTarget(surface_, state_, dirty_, state_.rop2, [&](Target& t) {
        if (!state_.brush.IsNull())
            plat::raster::FillPolygon(t, dev, state_.polyFillMode == WINDING,
                                      plat::Surface::ToNative(state_.brush.color));
        if (!state_.pen.IsNull()) {
            const std::uint32_t c = plat::Surface::ToNative(state_.pen.color);
            const int w = PenWidth(state_);
            for (size_t i = 0; i < dev.size(); ++i)
                plat::raster::Line(t, dev[i], dev[(i + 1) % dev.size()], c, w);
        }
    });
}

bool TSurfaceDC::Rectangle(int l, int t, int r, int b) {
    const TRect box = Normalised(LPtoDP({l, t}), LPtoDP({r, b}));
    const std::uint32_t pen = plat::Surface::ToNative(state_.pen.color);
    const std::uint32_t brush = plat::Surface::ToNative(state_.brush.color);
    return OnTarget(surface_, state_, dirty_, state_.rop2, [&](Target& tg) {
        plat::raster::Rectangle(tg, box, state_.pen.IsNull() ? nullptr : &pen,
                                state_.brush.IsNull() ? nullptr : &brush);
    });
}

bool TSurfaceDC::Ellipse(int l, int t, int r, int b) {
    const TRect box = Normalised(LPtoDP({l, t}), LPtoDP({r, b}));
    const std::uint32_t pen = plat::Surface::ToNative(state_.pen.color);
    const std::uint32_t brush = plat::Surface::ToNative(state_.brush.color);
    return OnTarget(surface_, state_, dirty_, state_.rop2, [&](Target& tg) {
        plat::raster::Ellipse(tg, box, state_.pen.IsNull() ? nullptr : &pen,
                              state_.brush.IsNull() ? nullptr : &brush);
    });
}

bool TSurfaceDC::FillRect(const TRect& rect, const TBrush& brush) {
    if (brush.IsNull())
        return true;
    const TRect box = Normalised(LPtoDP({rect.left, rect.top}), LPtoDP({rect.right, rect.bottom}));
    const std::uint32_t c = plat::Surface::ToNative(brush.color);
    return OnTarget(surface_, state_, dirty_, R2_COPYPEN, [&](Target& t) {
        const int y0 = std::max(box.top, t.clip.top), y1 = std::min(box.bottom, t.clip.bottom);
        for (int y = y0; y < y1; ++y)
            plat::raster::Span(t, y, box.left, box.right, c);
    });
}

COLORREF TSurfaceDC::SetPixel(int x, int y, COLORREF c) {
    const TPoint p = LPtoDP({x, y});
    bool hit = false;
    OnTarget(surface_, state_, dirty_, R2_COPYPEN, [&](Target& t) {
        hit = t.clip.Contains(p);
        plat::raster::Plot(t, p.x, p.y, plat::Surface::ToNative(c));
    });
    return hit ? (c & 0x00FFFFFFu) : CLR_INVALID;
}

COLORREF TSurfaceDC::GetPixel(int x, int y) const {
    if (!surface_)
        return CLR_INVALID;
    const TPoint p = LPtoDP({x, y});
    return surface_->GetPixel(p.x, p.y);
}

TSize TSurfaceDC::GetTextExtent(std::string_view text) const {
    const plat::Mapping m(state_);
    plat::text::Metrics tm;
    plat::text::Measure(state_.font, std::abs(m.sy), text, tm);
    return {int(std::lround(tm.width / std::abs(m.sx))),
            int(std::lround((tm.ascent + tm.descent) / std::abs(m.sy)))};
}

// The reference point is placed by the alignment along the text's own direction, so rotated
// text (escapement 900) aligns as horizontal text does, turned with it.
bool TSurfaceDC::ExtTextOut(int x, int y, unsigned options, const TRect* rect,
                            std::string_view text) {
    const unsigned align = state_.textAlign;
    const TPoint ref = (align & TA_UPDATECP) ? state_.currentPos : TPoint{x, y};
    const plat::Mapping m(state_);
    const double scale = std::abs(m.sy);
    plat::text::Metrics tm;
    const bool measured = plat::text::Measure(state_.font, scale, text, tm);
    if (align & TA_UPDATECP)
        state_.currentPos.x = ref.x + int(std::lround(tm.width / std::abs(m.sx)));

    const TPoint dref = LPtoDP(ref);
    const double a = (state_.font.escapement % 3600) * M_PI / 1800.0;
    const double ux = std::cos(a), uy = -std::sin(a);  // along the text
    const double vx = -std::sin(a), vy = -std::cos(a); // towards the glyph tops
    double along = 0;
    if ((align & TA_CENTER) == TA_CENTER)
        along = -tm.width / 2;
    else if (align & TA_RIGHT)
        along = -tm.width;
    double up = 0;
    if ((align & TA_BASELINE) == TA_BASELINE)
        up = 0;
    else if (align & TA_BOTTOM)
        up = tm.descent;
    else
        up = -tm.ascent;
    const double ox = dref.x + along * ux + up * vx, oy = dref.y + along * uy + up * vy;

    plat::DCState st = state_;
    TRect box;
    if (rect) {
        box = Normalised(LPtoDP({rect->left, rect->top}), LPtoDP({rect->right, rect->bottom}));
        if (options & ETO_CLIPPED) {
            st.clip = st.clipped ? st.clip.Intersect(box) : box;
            st.clipped = true;
        }
    }
    return OnTarget(surface_, st, dirty_, R2_COPYPEN, [&](Target& t) {
        const std::uint32_t bk = plat::Surface::ToNative(state_.bkColor);
        if (rect && (options & ETO_OPAQUE)) {
            const int y0 = std::max(box.top, t.clip.top), y1 = std::min(box.bottom, t.clip.bottom);
            for (int yy = y0; yy < y1; ++yy)
                plat::raster::Span(t, yy, box.left, box.right, bk);
        }
        if (!measured)
            return;
        if (state_.bkMode == OPAQUE && tm.width > 0) {
            // the text cell, turned with the text
            auto corner = [&](double s, double h) {
                return TPoint{int(std::lround(std::round(ox) + s * ux + h * vx)),
                              int(std::lround(std::round(oy) + s * uy + h * vy))};
            };
            plat::raster::FillPolygon(t,
                                      {corner(0, -tm.descent), corner(tm.width, -tm.descent),
                                       corner(tm.width, tm.ascent), corner(0, tm.ascent)},
                                      false, bk);
        }
        plat::text::Draw(t, state_.font, scale, ox, oy, text,
                         plat::Surface::ToNative(state_.textColor));
    });
}

bool TSurfaceDC::BitBlt(int x, int y, int w, int h, const TDC& src, int xSrc, int ySrc,
                        std::uint32_t rop) {
    return StretchBlt(x, y, w, h, src, xSrc, ySrc, w, h, rop);
}

bool TSurfaceDC::StretchBlt(int x, int y, int w, int h, const TDC& src, int xSrc, int ySrc,
                            int wSrc, int hSrc, std::uint32_t rop) {
    const TPoint a = LPtoDP({x, y}), b = LPtoDP({x + w, y + h});
    const TPoint sa = src.LPtoDP({xSrc, ySrc}), sb = src.LPtoDP({xSrc + wSrc, ySrc + hSrc});
    const plat::Surface* from = src.GetSurface();
    const bool needsSource = !(rop == DSTINVERT || rop == BLACKNESS || rop == WHITENESS);
    if (needsSource && !from)
        return false;
    static const plat::Surface none(1, 1);
    bool ok = false;
    OnTarget(surface_, state_, dirty_, R2_COPYPEN, [&](Target& t) {
        ok = plat::raster::Blit(t, {a.x, a.y, b.x - a.x, b.y - a.y}, from ? *from : none,
                                {sa.x, sa.y, sb.x - sa.x, sb.y - sa.y}, rop);
    });
    return ok;
}

TMemoryDC::TMemoryDC() : TSurfaceDC(nullptr), bitmap_(1, 1) {
    Retarget(bitmap_.Pixels());
}

TMemoryDC::TMemoryDC(const TBitmap& bitmap) : TMemoryDC() {
    SelectObject(bitmap);
}

TBitmap TMemoryDC::SelectObject(const TBitmap& bitmap) {
    if (bitmap.IsNull())
        return TBitmap();
    TBitmap old = bitmap_;
    bitmap_ = bitmap;
    Retarget(bitmap_.Pixels());
    return old;
}
