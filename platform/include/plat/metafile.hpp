// Recorded pictures: a display list of logical drawing calls, replayable into any context.
#pragma once

#include "plat/gdi.hpp"

#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace plat::mf {

// One record per call, in logical units of the recording.
struct SetWindowExt {
    TSize ext;
};
struct SetWindowOrg {
    TPoint org;
};
struct SelectPen {
    TPen pen;
};
struct SelectBrush {
    TBrush brush;
};
struct SelectFont {
    TFont font;
};
struct SetTextColor {
    COLORREF color;
};
struct SetBkColor {
    COLORREF color;
};
struct SetBkMode {
    int mode;
};
struct SetTextAlign {
    unsigned flags;
};
struct SetROP2 {
    int mode;
};
struct SetPolyFillMode {
    int mode;
};
struct SaveDC {};
struct RestoreDC {
    int pops;
}; // levels popped, >= 1
struct IntersectClipRect {
    TRect rect;
};
struct MoveTo {
    TPoint p;
};
struct LineTo {
    TPoint p;
};
struct Polyline {
    std::vector<TPoint> points;
};
struct Polygon {
    std::vector<TPoint> points;
};
struct Rectangle {
    TRect rect;
};
struct Ellipse {
    TRect rect;
};
struct FillRect {
    TRect rect;
    TBrush brush;
};
struct SetPixel {
    TPoint p;
    COLORREF color;
};
struct Text {
    TPoint p;
    unsigned options;
    bool hasRect;
    TRect rect;
    std::string text;
};

using Record = std::variant<SetWindowExt, SetWindowOrg, SelectPen, SelectBrush, SelectFont,
                            SetTextColor, SetBkColor, SetBkMode, SetTextAlign, SetROP2,
                            SetPolyFillMode, SaveDC, RestoreDC, IntersectClipRect, MoveTo, LineTo,
                            Polyline, Polygon, Rectangle, Ellipse, FillRect, SetPixel, Text>;

} // namespace plat::mf

// A recorded picture. It holds no mapping mode: the player chooses one.
class MetaFile {
  public:
    const std::vector<plat::mf::Record>& Records() const { return records_; }
    void Add(plat::mf::Record r) { records_.push_back(std::move(r)); }
    bool Empty() const { return records_.empty(); }
    // The last recorded window extent, {0, 0} when none was recorded.
    TSize WindowExt() const;
    friend bool operator==(const MetaFile&, const MetaFile&);

  private:
    std::vector<plat::mf::Record> records_;
};

// The handle painters pass around; owned by whoever the painter's contract says.
using HMETAFILE = MetaFile*;
bool DeleteMetaFile(HMETAFILE mf);

// A recording context (a memory metafile: there is no file). Close() ends the recording and
// hands over the picture; calls after Close record nothing.
class TMetaFileDC : public TDC {
  public:
    explicit TMetaFileDC(const char* fileName = nullptr);
    ~TMetaFileDC() override;

    HMETAFILE Close(); // nullptr when already closed

    int SetMapMode(int mode) override; // kept in the state only: the player chooses the mode
    bool SetWindowExt(const TSize& ext, TSize* oldExt = nullptr) override;
    bool SetWindowOrg(const TPoint& org, TPoint* oldOrg = nullptr) override;
    int SaveDC() override;
    bool RestoreDC(int savedDC = -1) override;
    TPen SelectObject(const TPen& pen) override;
    TBrush SelectObject(const TBrush& brush) override;
    TFont SelectObject(const TFont& font) override;
    using TDC::SelectObject;
    COLORREF SetTextColor(COLORREF c) override;
    COLORREF SetBkColor(COLORREF c) override;
    int SetBkMode(int mode) override;
    unsigned SetTextAlign(unsigned flags) override;
    int SetROP2(int mode) override;
    int SetPolyFillMode(int mode) override;
    int IntersectClipRect(const TRect& rect) override;
    using TDC::IntersectClipRect;
    bool MoveTo(int x, int y) override;
    using TDC::MoveTo;
    bool LineTo(int x, int y) override;
    using TDC::LineTo;
    bool Polyline(const TPoint* points, int count) override;
    using TDC::Polyline;
    bool Polygon(const TPoint* points, int count) override;
    using TDC::Polygon;
    bool Rectangle(int l, int t, int r, int b) override;
    using TDC::Rectangle;
    bool Ellipse(int l, int t, int r, int b) override;
    using TDC::Ellipse;
    bool FillRect(const TRect& rect, const TBrush& brush) override;
    COLORREF SetPixel(int x, int y, COLORREF c) override;
    using TDC::SetPixel;
    bool ExtTextOut(int x, int y, unsigned options, const TRect* rect,
                    std::string_view text) override;

    const MetaFile* Recording() const { return picture_.get(); }

  private:
    bool Put(plat::mf::Record r);
    std::unique_ptr<MetaFile> picture_;
};

// Plays the picture into dc: the recorded window extent and origin are applied to dc (so a
// 1399 x 1000 picture stretches over a 1400 x 1000 mapping as it did on the original platform);
// the mapping mode is never changed. Pen, brush, font and clip of dc are restored afterwards.
bool PlayMetaFile(TDC& dc, const MetaFile& mf);
bool PlayMetaFile(TDC& dc, HMETAFILE mf); // false for a null handle

enum TAutoDelete { NoAutoDelete, AutoDelete };

// Owning (or borrowing) wrapper for the "wrap, play, delete" pattern.
class TMetaFilePict {
  public:
    explicit TMetaFilePict(HMETAFILE mf, TAutoDelete autoDelete = AutoDelete)
        : mf_(mf), owns_(autoDelete == AutoDelete) {}
    TMetaFilePict(const TMetaFilePict&) = delete;
    TMetaFilePict& operator=(const TMetaFilePict&) = delete;
    TMetaFilePict(TMetaFilePict&& o) noexcept : mf_(o.mf_), owns_(o.owns_) { o.mf_ = nullptr; }
    ~TMetaFilePict() {
        if (owns_)
            DeleteMetaFile(mf_);
    }

    bool PlayOnto(TDC& dc) const { return PlayMetaFile(dc, mf_); }
    HMETAFILE GetHandle() const { return mf_; }
    HMETAFILE Release() {
        HMETAFILE h = mf_;
        mf_ = nullptr;
        return h;
    }

  private:
    HMETAFILE mf_;
    bool owns_;
};

namespace plat {

struct SvgOptions {
    double widthMm = 130;
    double heightMm = 90;
    TSize viewBox{0, 0}; // {0, 0}: the recorded window extent, else 1399 x 1000
};

// The picture as an SVG document (viewBox in logical units), for the clipboard and for reading.
std::string ToSvg(const MetaFile& mf, const SvgOptions& options = {});

// One line per record with coordinates rounded to multiples of `quantum`, for golden
// comparisons in tests; text records carry the font and alignment in force.
std::string DumpMetaFile(const MetaFile& mf, int quantum = 1);

} // namespace plat
