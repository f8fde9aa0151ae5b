// Export of a recorded picture as SVG: lines become paths, shapes and texts their SVG elements,
// in the picture's logical units (the viewBox), stretched over the page as a replay would be.
#include "core/text_render.h"
#include "plat/metafile.hpp"

#include <cmath>
#include <cstdio>
#include <sstream>

namespace mf = plat::mf;

namespace {

std::string Hex(COLORREF c) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "#%02x%02x%02x", GetRValue(c), GetGValue(c), GetBValue(c));
    return buf;
}

std::string Num(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", v);
    std::string s = buf;
    while (!s.empty() && s.back() == '0')
        s.pop_back();
    if (!s.empty() && s.back() == '.')
        s.pop_back();
    return s == "-0" ? "0" : s;
}

std::string Utf8(std::u32string_view text) {
    std::string out;
    for (char32_t c : text) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (c == '"')
            out += "&quot;";
        else if (c < 0x20)
            out += ' ';
        else if (c < 0x80)
            out += char(c);
        else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

class SvgWriter {
  public:
    explicit SvgWriter(std::ostringstream& out) : out_(out) {}

    void Play(const mf::Record& rec) {
        std::visit([&](const auto& x) { On(x); }, rec);
    }
    void Finish() { FlushPath(); }

  private:
    std::string Stroke() const {
        if (pen_.IsNull())
            return "stroke=\"none\"";
        const int w = pen_.width <= 1 ? 1 : pen_.width;
        return "stroke=\"" + Hex(pen_.color) + "\" stroke-width=\"" + std::to_string(w) + "\"";
    }
    std::string Fill() const {
        return brush_.IsNull() ? "fill=\"none\"" : "fill=\"" + Hex(brush_.color) + "\"";
    }
    void FlushPath() {
        if (path_.empty())
            return;
        out_ << "<path d=\"" << path_ << "\" fill=\"none\" " << Stroke()
             << " stroke-linecap=\"square\"/>\n";
        path_.clear();
    }
    static std::string P(TPoint p) { return Num(p.x) + "," + Num(p.y); }

    void On(const mf::SetWindowExt&) {}
    void On(const mf::SetWindowOrg&) {}
    void On(const mf::SelectPen& x) {
        if (!(x.pen == pen_))
            FlushPath();
        pen_ = x.pen;
    }
    void On(const mf::SelectBrush& x) { brush_ = x.brush; }
    void On(const mf::SelectFont& x) { font_ = x.font; }
    void On(const mf::SetTextColor& x) { textColour_ = x.color; }
    void On(const mf::SetBkColor& x) { bkColour_ = x.color; }
    void On(const mf::SetBkMode& x) { bkMode_ = x.mode; }
    void On(const mf::SetTextAlign& x) { align_ = x.flags; }
    void On(const mf::SetROP2&) {}
    void On(const mf::SetPolyFillMode& x) { winding_ = x.mode == WINDING; }
    void On(const mf::SaveDC&) {}
    void On(const mf::RestoreDC&) {}
    void On(const mf::IntersectClipRect&) {}
    void On(const mf::MoveTo& x) { cp_ = x.p; }
    void On(const mf::LineTo& x) {
        if (pen_.IsNull()) {
            cp_ = x.p;
            return;
        }
        if (path_.empty() || !(pathEnd_ == cp_))
            path_ += (path_.empty() ? "M" : " M") + P(cp_);
        path_ += " L" + P(x.p);
        pathEnd_ = cp_ = x.p;
    }
    void Points(const std::vector<TPoint>& pts) {
        out_ << " points=\"";
        for (size_t i = 0; i < pts.size(); ++i)
            out_ << (i ? " " : "") << P(pts[i]);
        out_ << "\"";
    }
    void On(const mf::Polyline& x) {
        FlushPath();
        if (pen_.IsNull())
            return;
        out_ << "<polyline";
        Points(x.points);
        out_ << " fill=\"none\" " << Stroke() << "/>\n";
    }
    void On(const mf::Polygon& x) {
        FlushPath();
        out_ << "<polygon";
        Points(x.points);
        out_ << " " << Fill() << " fill-rule=\"" << (winding_ ? "nonzero" : "evenodd") << "\" "
             << Stroke() << "/>\n";
    }
    static TRect Norm(const TRect& r) {
        return {std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
                std::max(r.top, r.bottom)};
    }
    void On(const mf::Rectangle& x) {
        FlushPath();
        const TRect r = Norm(x.rect);
        out_ << "<rect x=\"" << r.left << "\" y=\"" << r.top << "\" width=\"" << r.Width() - 1
             << "\" height=\"" << r.Height() - 1 << "\" " << Fill() << " " << Stroke() << "/>\n";
    }
    void On(const mf::Ellipse& x) {
        FlushPath();
        const TRect r = Norm(x.rect);
        out_ << "<ellipse cx=\"" << Num((r.left + r.right - 1) / 2.0) << "\" cy=\""
             << Num((r.top + r.bottom - 1) / 2.0) << "\" rx=\"" << Num((r.Width() - 1) / 2.0)
             << "\" ry=\"" << Num((r.Height() - 1) / 2.0) << "\" " << Fill() << " " << Stroke()
             << "/>\n";
    }
    void On(const mf::FillRect& x) {
        FlushPath();
        if (x.brush.IsNull())
            return;
        const TRect r = Norm(x.rect);
        out_ << "<rect x=\"" << r.left << "\" y=\"" << r.top << "\" width=\"" << r.Width()
             << "\" height=\"" << r.Height() << "\" fill=\"" << Hex(x.brush.color) << "\"/>\n";
    }
    void On(const mf::SetPixel& x) {
        FlushPath();
        out_ << "<rect x=\"" << x.p.x << "\" y=\"" << x.p.y << "\" width=\"1\" height=\"1\" fill=\""
             << Hex(x.color) << "\"/>\n";
    }
    // Text placed by the same alignment rules as on a raster: the baseline offset and the
    // anchor are worked out here, so no renderer-dependent baseline keywords are needed.
    void On(const mf::Text& x) {
        FlushPath();
        plat::text::Metrics m;
        plat::text::Measure(font_, 1.0, x.text, m);
        const std::string family = plat::text::FontFile(font_);
        const bool serif = family.find("Serif") != std::string::npos;
        const bool mono = family.find("Mono") != std::string::npos;
        const TPoint ref = (align_ & TA_UPDATECP) ? cp_ : x.p;
        double dy = 0;
        if ((align_ & TA_BASELINE) == TA_BASELINE)
            dy = 0;
        else if (align_ & TA_BOTTOM)
            dy = -m.descent;
        else
            dy = m.ascent;
        double start = 0;
        const char* anchor = "start";
        if ((align_ & TA_CENTER) == TA_CENTER) {
            anchor = "middle";
            start = -m.width / 2;
        } else if (align_ & TA_RIGHT) {
            anchor = "end";
            start = -m.width;
        }
        const double angle = font_.escapement / 10.0;
        out_ << "<g transform=\"translate(" << ref.x << "," << ref.y << ")";
        if (angle != 0)
            out_ << " rotate(" << Num(-angle) << ")";
        out_ << "\">";
        if (bkMode_ == OPAQUE && m.width > 0)
            out_ << "<rect x=\"" << Num(start) << "\" y=\"" << Num(dy - m.ascent) << "\" width=\""
                 << Num(m.width) << "\" height=\"" << Num(m.ascent + m.descent) << "\" fill=\""
                 << Hex(bkColour_) << "\"/>";
        out_ << "<text x=\"0\" y=\"" << Num(dy) << "\" font-family=\""
             << (serif  ? "DejaVu Serif, serif"
                 : mono ? "DejaVu Sans Mono, monospace"
                        : "DejaVu Sans, sans-serif")
             << "\" font-size=\"" << Num(m.em > 0 ? m.em : std::abs(font_.height)) << "\"";
        if (font_.weight >= FW_SEMIBOLD)
            out_ << " font-weight=\"bold\"";
        if (font_.italic)
            out_ << " font-style=\"italic\"";
        out_ << " text-anchor=\"" << anchor << "\" fill=\"" << Hex(textColour_)
             << "\" xml:space=\"preserve\">" << Utf8(plat::text::Decode(x.text)) << "</text></g>\n";
        if (align_ & TA_UPDATECP)
            cp_.x = ref.x + int(std::lround(m.width));
    }

    std::ostringstream& out_;
    TPen pen_;
    TBrush brush_;
    TFont font_;
    COLORREF textColour_ = RGB(0, 0, 0), bkColour_ = RGB(255, 255, 255);
    int bkMode_ = OPAQUE;
    unsigned align_ = TA_LEFT | TA_TOP;
    bool winding_ = false;
    TPoint cp_, pathEnd_;
    std::string path_;
};

} // namespace

namespace plat {

std::string ToSvg(const MetaFile& picture, const SvgOptions& options) {
    TSize box = options.viewBox;
    if (box.cx == 0 || box.cy == 0)
        box = picture.WindowExt();
    if (box.cx == 0 || box.cy == 0)
        box = {1399, 1000};
    TPoint org{0, 0};
    for (const mf::Record& r : picture.Records())
        if (const auto* o = std::get_if<mf::SetWindowOrg>(&r))
            org = o->org;
    std::ostringstream out;
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\""
        << Num(options.widthMm) << "mm\" height=\"" << Num(options.heightMm) << "mm\" viewBox=\""
        << org.x << " " << org.y << " " << box.cx << " " << box.cy
        << "\" preserveAspectRatio=\"none\">\n";
    SvgWriter writer(out);
    for (const mf::Record& r : picture.Records())
        writer.Play(r);
    writer.Finish();
    out << "</svg>\n";
    return out.str();
}

} // namespace plat
