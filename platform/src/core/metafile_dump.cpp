// A readable, line-per-record dump of a recorded picture, for golden comparisons in tests.
#include "plat/metafile.hpp"

#include <cmath>
#include <cstdio>
#include <sstream>

namespace mf = plat::mf;

namespace {

std::string Colour(COLORREF c) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "#%02x%02x%02x", GetRValue(c), GetGValue(c), GetBValue(c));
    return buf;
}

std::string PenText(const TPen& p) {
    if (p.IsNull())
        return "null";
    std::ostringstream s;
    s << "w" << p.width << " s" << p.style << " " << Colour(p.color);
    return s.str();
}

std::string BrushText(const TBrush& b) {
    return b.IsNull() ? "null" : Colour(b.color);
}

std::string FontText(const TFont& f) {
    const unsigned family = f.pitchAndFamily & 0xF0u;
    std::ostringstream s;
    s << "h" << f.height << " esc" << f.escapement << " w" << f.weight
      << (family == FF_ROMAN    ? " roman"
          : family == FF_MODERN ? " modern"
                                : " swiss");
    if (f.italic)
        s << " italic";
    if (!f.faceName.empty())
        s << " \"" << f.faceName << "\"";
    return s.str();
}

std::string AlignText(unsigned a) {
    std::ostringstream s;
    s << ((a & TA_CENTER) == TA_CENTER ? "center"
          : (a & TA_RIGHT)             ? "right"
                                       : "left")
      << "|"
      << ((a & TA_BASELINE) == TA_BASELINE ? "baseline"
          : (a & TA_BOTTOM)                ? "bottom"
                                           : "top")
      << ((a & TA_UPDATECP) ? "|updatecp" : "");
    return s.str();
}

} // namespace

namespace plat {

std::string DumpMetaFile(const MetaFile& picture, int quantum) {
    const int q = quantum > 0 ? quantum : 1;
    auto r = [q](int v) { return long(std::lround(double(v) / q)) * q; };
    auto pt = [&](TPoint p) {
        std::ostringstream s;
        s << r(p.x) << " " << r(p.y);
        return s.str();
    };
    auto rc = [&](const TRect& x) {
        std::ostringstream s;
        s << r(x.left) << " " << r(x.top) << " " << r(x.right) << " " << r(x.bottom);
        return s.str();
    };
    TFont font;
    unsigned align = TA_LEFT | TA_TOP;
    COLORREF textColour = RGB(0, 0, 0);
    std::ostringstream out;
    for (const mf::Record& rec : picture.Records()) {
        std::visit(
            [&](const auto& x) {
                using T = std::decay_t<decltype(x)>;
                if constexpr (std::is_same_v<T, mf::SetWindowExt>)
                    out << "SetWindowExt " << x.ext.cx << " " << x.ext.cy;
                else if constexpr (std::is_same_v<T, mf::SetWindowOrg>)
                    out << "SetWindowOrg " << pt(x.org);
                else if constexpr (std::is_same_v<T, mf::SelectPen>)
                    out << "SelectPen " << PenText(x.pen);
                else if constexpr (std::is_same_v<T, mf::SelectBrush>)
                    out << "SelectBrush " << BrushText(x.brush);
                else if constexpr (std::is_same_v<T, mf::SelectFont>) {
                    font = x.font;
                    out << "SelectFont " << FontText(x.font);
                } else if constexpr (std::is_same_v<T, mf::SetTextColor>) {
                    textColour = x.color;
                    out << "SetTextColor " << Colour(x.color);
                } else if constexpr (std::is_same_v<T, mf::SetBkColor>)
                    out << "SetBkColor " << Colour(x.color);
                else if constexpr (std::is_same_v<T, mf::SetBkMode>)
                    out << "SetBkMode " << (x.mode == TRANSPARENT ? "transparent" : "opaque");
                else if constexpr (std::is_same_v<T, mf::SetTextAlign>) {
                    align = x.flags;
                    out << "SetTextAlign " << AlignText(x.flags);
                } else if constexpr (std::is_same_v<T, mf::SetROP2>)
                    out << "SetROP2 " << x.mode;
                else if constexpr (std::is_same_v<T, mf::SetPolyFillMode>)
                    out << "SetPolyFillMode " << (x.mode == WINDING ? "winding" : "alternate");
                else if constexpr (std::is_same_v<T, mf::SaveDC>)
                    out << "SaveDC";
                else if constexpr (std::is_same_v<T, mf::RestoreDC>)
                    out << "RestoreDC " << x.pops;
                else if constexpr (std::is_same_v<T, mf::IntersectClipRect>)
                    out << "IntersectClipRect " << rc(x.rect);
                else if constexpr (std::is_same_v<T, mf::MoveTo>)
                    out << "MoveTo " << pt(x.p);
                else if constexpr (std::is_same_v<T, mf::LineTo>)
                    out << "LineTo " << pt(x.p);
                else if constexpr (std::is_same_v<T, mf::Polyline> ||
                                   std::is_same_v<T, mf::Polygon>) {
                    out << (std::is_same_v<T, mf::Polyline> ? "Polyline" : "Polygon") << " "
                        << x.points.size() << ":";
                    for (const TPoint& p : x.points)
                        out << " " << pt(p);
                } else if constexpr (std::is_same_v<T, mf::Rectangle>)
                    out << "Rectangle " << rc(x.rect);
                else if constexpr (std::is_same_v<T, mf::Ellipse>)
                    out << "Ellipse " << rc(x.rect);
                else if constexpr (std::is_same_v<T, mf::FillRect>)
                    out << "FillRect " << rc(x.rect) << " " << BrushText(x.brush);
                else if constexpr (std::is_same_v<T, mf::SetPixel>)
                    out << "SetPixel " << pt(x.p) << " " << Colour(x.color);
                else {
                    out << "Text " << pt(x.p) << " \"" << x.text << "\" font " << FontText(font)
                        << " align " << AlignText(align) << " colour " << Colour(textColour);
                    if (x.options)
                        out << " options " << x.options;
                    if (x.hasRect)
                        out << " rect " << rc(x.rect);
                }
            },
            rec);
        out << '\n';
    }
    return out.str();
}

} // namespace plat
