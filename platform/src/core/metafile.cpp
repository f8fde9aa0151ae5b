// Recording of drawing calls into a display list, and playing it back into any context.
#include "plat/metafile.hpp"

#include <type_traits>

namespace mf = plat::mf;

namespace {

// Records compare by value; used by MetaFile equality (same calls, same arguments).
bool Same(const mf::Record& a, const mf::Record& b) {
    if (a.index() != b.index())
        return false;
    return std::visit(
        [&](const auto& x) {
            using T = std::decay_t<decltype(x)>;
            const T& y = std::get<T>(b);
            if constexpr (std::is_same_v<T, mf::SetWindowExt>)
                return x.ext == y.ext;
            else if constexpr (std::is_same_v<T, mf::SetWindowOrg>)
                return x.org == y.org;
            else if constexpr (std::is_same_v<T, mf::SelectPen>)
                return x.pen == y.pen;
            else if constexpr (std::is_same_v<T, mf::SelectBrush>)
                return x.brush == y.brush;
            else if constexpr (std::is_same_v<T, mf::SelectFont>)
                return x.font == y.font;
            else if constexpr (std::is_same_v<T, mf::SetTextColor> ||
                               std::is_same_v<T, mf::SetBkColor>)
                return x.color == y.color;
            else if constexpr (std::is_same_v<T, mf::SetBkMode> || std::is_same_v<T, mf::SetROP2> ||
                               std::is_same_v<T, mf::SetPolyFillMode>)
                return x.mode == y.mode;
            else if constexpr (std::is_same_v<T, mf::SetTextAlign>)
                return x.flags == y.flags;
            else if constexpr (std::is_same_v<T, mf::SaveDC>)
                return true;
            else if constexpr (std::is_same_v<T, mf::RestoreDC>)
                return x.pops == y.pops;
            else if constexpr (std::is_same_v<T, mf::MoveTo> || std::is_same_v<T, mf::LineTo>)
                return x.p == y.p;
            else if constexpr (std::is_same_v<T, mf::Polyline> || std::is_same_v<T, mf::Polygon>)
                return x.points == y.points;
            else if constexpr (std::is_same_v<T, mf::IntersectClipRect> ||
                               std::is_same_v<T, mf::Rectangle> || std::is_same_v<T, mf::Ellipse>)
                return x.rect == y.rect;
            else if constexpr (std::is_same_v<T, mf::FillRect>)
                return x.rect == y.rect && x.brush == y.brush;
            else if constexpr (std::is_same_v<T, mf::SetPixel>)
                return x.p == y.p && x.color == y.color;
            else
                return x.p == y.p && x.options == y.options && x.hasRect == y.hasRect &&
                       (!x.hasRect || x.rect == y.rect) && x.text == y.text;
        },
        a);
}

} // namespace

TSize MetaFile::WindowExt() const {
    TSize ext{0, 0};
    for (const mf::Record& r : records_)
        if (const auto* w = std::get_if<mf::SetWindowExt>(&r))
            ext = w->ext;
    return ext;
}

bool operator==(const MetaFile& a, const MetaFile& b) {
    if (a.records_.size() != b.records_.size())
        return false;
    for (size_t i = 0; i < a.records_.size(); ++i)
        if (!Same(a.records_[i], b.records_[i]))
            return false;
    return true;
}

bool DeleteMetaFile(HMETAFILE mf) {
    delete mf;
    return mf != nullptr;
}

TMetaFileDC::TMetaFileDC(const char*) : picture_(std::make_unique<MetaFile>()) {}

TMetaFileDC::~TMetaFileDC() = default;

HMETAFILE TMetaFileDC::Close() {
    return picture_.release();
}

bool TMetaFileDC::Put(mf::Record r) {
    if (!picture_)
        return false;
    picture_->Add(std::move(r));
    return true;
}

int TMetaFileDC::SetMapMode(int mode) {
    return TDC::SetMapMode(mode);
}

// The extent is recorded whatever the recorder's own mode: it is the picture's logical space.
bool TMetaFileDC::SetWindowExt(const TSize& ext, TSize* oldExt) {
    if (oldExt)
        *oldExt = state_.windowExt;
    if (ext.cx == 0 || ext.cy == 0)
        return false;
    state_.windowExt = ext;
    return Put(mf::SetWindowExt{ext});
}

bool TMetaFileDC::SetWindowOrg(const TPoint& org, TPoint* oldOrg) {
    TDC::SetWindowOrg(org, oldOrg);
    return Put(mf::SetWindowOrg{org});
}

int TMetaFileDC::SaveDC() {
    Put(mf::SaveDC{});
    return TDC::SaveDC();
}

bool TMetaFileDC::RestoreDC(int savedDC) {
    const int level = int(saved_.size());
    const int target = savedDC < 0 ? level + savedDC + 1 : savedDC;
    if (!TDC::RestoreDC(savedDC))
        return false;
    return Put(mf::RestoreDC{level - target + 1});
}

TPen TMetaFileDC::SelectObject(const TPen& pen) {
    Put(mf::SelectPen{pen});
    return TDC::SelectObject(pen);
}

TBrush TMetaFileDC::SelectObject(const TBrush& brush) {
    Put(mf::SelectBrush{brush});
    return TDC::SelectObject(brush);
}

TFont TMetaFileDC::SelectObject(const TFont& font) {
    Put(mf::SelectFont{font});
    return TDC::SelectObject(font);
}

COLORREF TMetaFileDC::SetTextColor(COLORREF c) {
    Put(mf::SetTextColor{c});
    return TDC::SetTextColor(c);
}

COLORREF TMetaFileDC::SetBkColor(COLORREF c) {
    Put(mf::SetBkColor{c});
    return TDC::SetBkColor(c);
}

int TMetaFileDC::SetBkMode(int mode) {
    const int old = TDC::SetBkMode(mode);
    if (old)
        Put(mf::SetBkMode{mode});
    return old;
}

unsigned TMetaFileDC::SetTextAlign(unsigned flags) {
    Put(mf::SetTextAlign{flags});
    return TDC::SetTextAlign(flags);
}

int TMetaFileDC::SetROP2(int mode) {
    const int old = TDC::SetROP2(mode);
    if (old)
        Put(mf::SetROP2{mode});
    return old;
}

int TMetaFileDC::SetPolyFillMode(int mode) {
    const int old = TDC::SetPolyFillMode(mode);
    if (old)
        Put(mf::SetPolyFillMode{mode});
    return old;
}

int TMetaFileDC::IntersectClipRect(const TRect& rect) {
    Put(mf::IntersectClipRect{rect});
    return SIMPLEREGION;
}

bool TMetaFileDC::MoveTo(int x, int y) {
    TDC::MoveTo(x, y);
    return Put(mf::MoveTo{{x, y}});
}

bool TMetaFileDC::LineTo(int x, int y) {
    state_.currentPos = {x, y};
    return Put(mf::LineTo{{x, y}});
}

bool TMetaFileDC::Polyline(const TPoint* points, int count) {
    if (count < 2)
        return false;
    return Put(mf::Polyline{std::vector<TPoint>(points, points + count)});
}

bool TMetaFileDC::Polygon(const TPoint* points, int count) {
    if (count < 2)
        return false;
    return Put(mf::Polygon{std::vector<TPoint>(points, points + count)});
}

bool TMetaFileDC::Rectangle(int l, int t, int r, int b) {
    return Put(mf::Rectangle{{l, t, r, b}});
}

bool TMetaFileDC::Ellipse(int l, int t, int r, int b) {
    return Put(mf::Ellipse{{l, t, r, b}});
}

bool TMetaFileDC::FillRect(const TRect& rect, const TBrush& brush) {
    return Put(mf::FillRect{rect, brush});
}

COLORREF TMetaFileDC::SetPixel(int x, int y, COLORREF c) {
    return Put(mf::SetPixel{{x, y}, c}) ? (c & 0x00FFFFFFu) : CLR_INVALID;
}

bool TMetaFileDC::ExtTextOut(int x, int y, unsigned options, const TRect* rect,
                             std::string_view text) {
    if (state_.textAlign & TA_UPDATECP)
        state_.currentPos.x = x + GetTextExtent(text).cx;
    return Put(
        mf::Text{{x, y}, options, rect != nullptr, rect ? *rect : TRect{}, std::string(text)});
}

// Plays every record as the same call on dc. As on the original platform the recorded window
// extent and origin stay with dc afterwards, while pen, brush, font and clip come back; a
// SetMapMode is never part of the picture. Unbalanced RestoreDC records cannot pop the
// player's own saved states.
bool PlayMetaFile(TDC& dc, const MetaFile& mf) {
    const TPen pen = dc.GetPen();
    const TBrush brush = dc.GetBrush();
    const TFont font = dc.GetFont();
    bool clips = false;
    for (const mf::Record& r : mf.Records())
        clips = clips || std::holds_alternative<mf::IntersectClipRect>(r);
    const int startLevel = clips ? dc.SaveDC() : 0; // brings the clip back at the end
    int depth = 0;
    for (const mf::Record& r : mf.Records()) {
        std::visit(
            [&](const auto& x) {
                using T = std::decay_t<decltype(x)>;
                if constexpr (std::is_same_v<T, mf::SetWindowExt>)
                    dc.SetWindowExt(x.ext);
                else if constexpr (std::is_same_v<T, mf::SetWindowOrg>)
                    dc.SetWindowOrg(x.org);
                else if constexpr (std::is_same_v<T, mf::SelectPen>)
                    dc.SelectObject(x.pen);
                else if constexpr (std::is_same_v<T, mf::SelectBrush>)
                    dc.SelectObject(x.brush);
                else if constexpr (std::is_same_v<T, mf::SelectFont>)
                    dc.SelectObject(x.font);
                else if constexpr (std::is_same_v<T, mf::SetTextColor>)
                    dc.SetTextColor(x.color);
                else if constexpr (std::is_same_v<T, mf::SetBkColor>)
                    dc.SetBkColor(x.color);
                else if constexpr (std::is_same_v<T, mf::SetBkMode>)
                    dc.SetBkMode(x.mode);
                else if constexpr (std::is_same_v<T, mf::SetTextAlign>)
                    dc.SetTextAlign(x.flags);
                else if constexpr (std::is_same_v<T, mf::SetROP2>)
                    dc.SetROP2(x.mode);
                else if constexpr (std::is_same_v<T, mf::SetPolyFillMode>)
                    dc.SetPolyFillMode(x.mode);
                else if constexpr (std::is_same_v<T, mf::SaveDC>) {
                    dc.SaveDC();
                    ++depth;
                } else if constexpr (std::is_same_v<T, mf::RestoreDC>) {
                    const int pops = std::min(x.pops, depth);
                    if (pops > 0) {
                        dc.RestoreDC(-pops);
                        depth -= pops;
                    }
                } else if constexpr (std::is_same_v<T, mf::IntersectClipRect>)
                    dc.IntersectClipRect(x.rect);
                else if constexpr (std::is_same_v<T, mf::MoveTo>)
                    dc.MoveTo(x.p);
                else if constexpr (std::is_same_v<T, mf::LineTo>)
                    dc.LineTo(x.p);
                else if constexpr (std::is_same_v<T, mf::Polyline>)
                    dc.Polyline(x.points);
                else if constexpr (std::is_same_v<T, mf::Polygon>)
                    dc.Polygon(x.points);
                else if constexpr (std::is_same_v<T, mf::Rectangle>)
                    dc.Rectangle(x.rect);
                else if constexpr (std::is_same_v<T, mf::Ellipse>)
                    dc.Ellipse(x.rect);
                else if constexpr (std::is_same_v<T, mf::FillRect>)
                    dc.FillRect(x.rect, x.brush);
                else if constexpr (std::is_same_v<T, mf::SetPixel>)
                    dc.SetPixel(x.p, x.color);
                else
                    dc.ExtTextOut(x.p.x, x.p.y, x.options, x.hasRect ? &x.rect : nullptr, x.text);
            },
            r);
    }
    if (clips) {
        // Keep what the picture left of the mapping and modes; only the clip goes back.
        const plat::DCState after = dc.State();
        dc.RestoreDC(startLevel);
        dc.SetWindowExt(after.windowExt);
        dc.SetWindowOrg(after.windowOrg);
        dc.SetTextColor(after.textColor);
        dc.SetBkColor(after.bkColor);
        dc.SetBkMode(after.bkMode);
        dc.SetTextAlign(after.textAlign);
        dc.SetROP2(after.rop2);
        dc.SetPolyFillMode(after.polyFillMode);
        dc.MoveTo(after.currentPos);
    }
    dc.SelectObject(pen);
    dc.SelectObject(brush);
    dc.SelectObject(font);
    return true;
}

bool PlayMetaFile(TDC& dc, HMETAFILE mf) {
    return mf ? PlayMetaFile(dc, *mf) : false;
}
