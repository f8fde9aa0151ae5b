// Device contexts, pens, brushes, fonts and bitmaps: the drawing API the program's painters call.
#pragma once

#include "plat/geometry.hpp"
#include "plat/surface.hpp"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// ---- Constants, with the numbers the drawing code was written against --------------------------

inline constexpr int MM_TEXT = 1;
inline constexpr int MM_ISOTROPIC = 7;
inline constexpr int MM_ANISOTROPIC = 8;

inline constexpr int WHITE_BRUSH = 0;
inline constexpr int LTGRAY_BRUSH = 1;
inline constexpr int GRAY_BRUSH = 2;
inline constexpr int DKGRAY_BRUSH = 3;
inline constexpr int BLACK_BRUSH = 4;
inline constexpr int NULL_BRUSH = 5;
inline constexpr int HOLLOW_BRUSH = NULL_BRUSH;
inline constexpr int WHITE_PEN = 6;
inline constexpr int BLACK_PEN = 7;
inline constexpr int NULL_PEN = 8;
inline constexpr int ANSI_VAR_FONT = 12;
inline constexpr int SYSTEM_FONT = 13;
inline constexpr int DEFAULT_GUI_FONT = 17;

inline constexpr int PS_SOLID = 0;
inline constexpr int PS_DASH = 1;
inline constexpr int PS_DOT = 2;
inline constexpr int PS_DASHDOT = 3;
inline constexpr int PS_DASHDOTDOT = 4;
inline constexpr int PS_NULL = 5;
inline constexpr int PS_INSIDEFRAME = 6;

inline constexpr int BS_SOLID = 0;
inline constexpr int BS_NULL = 1;
inline constexpr int BS_HOLLOW = BS_NULL;

// Mix modes of pens and brushes against the pixels already there.
inline constexpr int R2_BLACK = 1;
inline constexpr int R2_NOTMERGEPEN = 2;
inline constexpr int R2_MASKNOTPEN = 3;
inline constexpr int R2_NOTCOPYPEN = 4;
inline constexpr int R2_MASKPENNOT = 5;
inline constexpr int R2_NOT = 6;
inline constexpr int R2_XORPEN = 7;
inline constexpr int R2_NOTMASKPEN = 8;
inline constexpr int R2_MASKPEN = 9;
inline constexpr int R2_NOTXORPEN = 10;
inline constexpr int R2_NOP = 11;
inline constexpr int R2_MERGENOTPEN = 12;
inline constexpr int R2_COPYPEN = 13;
inline constexpr int R2_MERGEPENNOT = 14;
inline constexpr int R2_MERGEPEN = 15;
inline constexpr int R2_WHITE = 16;

inline constexpr int TRANSPARENT = 1;
inline constexpr int OPAQUE = 2;

inline constexpr unsigned TA_NOUPDATECP = 0;
inline constexpr unsigned TA_UPDATECP = 1;
inline constexpr unsigned TA_LEFT = 0;
inline constexpr unsigned TA_RIGHT = 2;
inline constexpr unsigned TA_CENTER = 6;
inline constexpr unsigned TA_TOP = 0;
inline constexpr unsigned TA_BOTTOM = 8;
inline constexpr unsigned TA_BASELINE = 24;

inline constexpr unsigned ETO_OPAQUE = 2;
inline constexpr unsigned ETO_CLIPPED = 4;

inline constexpr int ALTERNATE = 1;
inline constexpr int WINDING = 2;

inline constexpr int NULLREGION = 1;
inline constexpr int SIMPLEREGION = 2;

inline constexpr std::uint32_t SRCCOPY = 0x00CC0020;
inline constexpr std::uint32_t SRCPAINT = 0x00EE0086;
inline constexpr std::uint32_t SRCAND = 0x008800C6;
inline constexpr std::uint32_t SRCINVERT = 0x00660046;
inline constexpr std::uint32_t NOTSRCCOPY = 0x00330008;
inline constexpr std::uint32_t DSTINVERT = 0x00550009;
inline constexpr std::uint32_t BLACKNESS = 0x00000042;
inline constexpr std::uint32_t WHITENESS = 0x00FF0062;

inline constexpr int FW_DONTCARE = 0;
inline constexpr int FW_NORMAL = 400;
inline constexpr int FW_SEMIBOLD = 600;
inline constexpr int FW_BOLD = 700;
inline constexpr int FW_HEAVY = 900;

inline constexpr unsigned ANSI_CHARSET = 0;
inline constexpr unsigned OUT_DEFAULT_PRECIS = 0;
inline constexpr unsigned OUT_TT_PRECIS = 4;
inline constexpr unsigned OUT_TT_ONLY_PRECIS = 7;
inline constexpr unsigned CLIP_DEFAULT_PRECIS = 0;
inline constexpr unsigned DEFAULT_QUALITY = 0;
inline constexpr unsigned PROOF_QUALITY = 2;
inline constexpr unsigned DEFAULT_PITCH = 0x00;
inline constexpr unsigned FIXED_PITCH = 0x01;
inline constexpr unsigned VARIABLE_PITCH = 0x02;
inline constexpr unsigned FF_DONTCARE = 0x00;
inline constexpr unsigned FF_ROMAN = 0x10;
inline constexpr unsigned FF_SWISS = 0x20;
inline constexpr unsigned FF_MODERN = 0x30;

// ---- Drawing objects: small values; selecting one copies it into the context -------------------

// A pen of width 0 draws one device pixel whatever the mapping; wider pens scale with it.
struct TPen {
    int style = PS_SOLID;
    int width = 0;
    COLORREF color = RGB(0, 0, 0);

    TPen() = default;
    explicit TPen(COLORREF c, int w = 0, int s = PS_SOLID) : style(s), width(w), color(c) {}
    bool IsNull() const { return style == PS_NULL; }
    friend bool operator==(const TPen&, const TPen&) = default;
};

struct TBrush {
    int style = BS_SOLID;
    COLORREF color = RGB(255, 255, 255);

    TBrush() = default;
    explicit TBrush(COLORREF c) : style(BS_SOLID), color(c) {}
    bool IsNull() const { return style == BS_NULL; }
    friend bool operator==(const TBrush&, const TBrush&) = default;
};

// A logical font as CreateFont describes it. A positive height is the cell height (ascent plus
// descent), a negative one the em height, both in logical units. Escapement is in tenths of a
// degree counter-clockwise (900 writes upwards). Weight >= 600 takes the bold face.
struct TFont {
    int height = 0;
    int width = 0;
    int escapement = 0;
    int orientation = 0;
    int weight = FW_NORMAL;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    unsigned charSet = ANSI_CHARSET;
    unsigned outPrecision = OUT_DEFAULT_PRECIS;
    unsigned clipPrecision = CLIP_DEFAULT_PRECIS;
    unsigned quality = DEFAULT_QUALITY;
    unsigned pitchAndFamily = DEFAULT_PITCH | FF_SWISS;
    std::string faceName;

    TFont() = default;
    explicit TFont(int height_, int escapement_ = 0, int weight_ = FW_NORMAL,
                   unsigned pitchAndFamily_ = DEFAULT_PITCH | FF_ROMAN, std::string face = {})
        : height(height_), escapement(escapement_), orientation(escapement_), weight(weight_),
          pitchAndFamily(pitchAndFamily_), faceName(std::move(face)) {}
    friend bool operator==(const TFont&, const TFont&) = default;
};

// The Windows argument order, so painters read as they were written.
TFont CreateFont(int height, int width, int escapement, int orientation, int weight,
                 unsigned italic, unsigned underline, unsigned strikeOut, unsigned charSet,
                 unsigned outPrecision, unsigned clipPrecision, unsigned quality,
                 unsigned pitchAndFamily, const char* faceName);

TPen GetStockPen(int index);     // WHITE_PEN, BLACK_PEN, NULL_PEN
TBrush GetStockBrush(int index); // WHITE_BRUSH .. BLACK_BRUSH, NULL_BRUSH
TFont GetStockFont(int index);   // SYSTEM_FONT, ANSI_VAR_FONT, DEFAULT_GUI_FONT

// A bitmap is a handle: copies share the pixels, so a memory DC draws into the caller's bitmap.
class TBitmap {
  public:
    TBitmap() = default; // the null bitmap
    TBitmap(int width, int height, COLORREF fill = RGB(0, 0, 0));
    explicit TBitmap(const plat::Surface& pixels); // a copy of the pixels
    static TBitmap CreateCompatible(int width, int height) { return TBitmap(width, height); }

    bool IsNull() const { return !pixels_; }
    int Width() const { return pixels_ ? pixels_->Width() : 0; }
    int Height() const { return pixels_ ? pixels_->Height() : 0; }
    plat::Surface* Pixels() { return pixels_.get(); }
    const plat::Surface* Pixels() const { return pixels_.get(); }
    friend bool operator==(const TBitmap& a, const TBitmap& b) { return a.pixels_ == b.pixels_; }

  private:
    std::shared_ptr<plat::Surface> pixels_;
};

namespace plat {

// Everything SaveDC keeps.
struct DCState {
    int mapMode = MM_TEXT;
    TPoint windowOrg{0, 0};
    TSize windowExt{1, 1};
    TPoint viewportOrg{0, 0};
    TSize viewportExt{1, 1};
    TPen pen;
    TBrush brush;
    TFont font;
    COLORREF textColor = RGB(0, 0, 0);
    COLORREF bkColor = RGB(255, 255, 255);
    int bkMode = OPAQUE;
    unsigned textAlign = TA_LEFT | TA_TOP;
    int rop2 = R2_COPYPEN;
    int polyFillMode = ALTERNATE;
    bool clipped = false; // clip holds a device rectangle when set
    TRect clip;
    TPoint currentPos{0, 0};
};

// Logical to device mapping of one state, in double; device pixel = floor of the exact value.
struct Mapping {
    double sx = 1, sy = 1, ox = 0, oy = 0; // device = logical * s + o
    explicit Mapping(const DCState& s);
    double X(double lx) const { return lx * sx + ox; }
    double Y(double ly) const { return ly * sy + oy; }
};

} // namespace plat

// ---- Device contexts ----------------------------------------------------------------------------

// The abstract device context: the state (mapping, objects, colours, modes, clip) lives here;
// drawing is done by the raster contexts or recorded by the metafile context.
class TDC {
  public:
    TDC() = default;
    TDC(const TDC&) = delete;
    TDC& operator=(const TDC&) = delete;
    virtual ~TDC() = default;

    // Mapping. Extents are ignored in MM_TEXT, as on the original platform.
    virtual int SetMapMode(int mode);
    int GetMapMode() const { return state_.mapMode; }
    virtual bool SetWindowExt(const TSize& ext, TSize* oldExt = nullptr);
    virtual bool SetWindowOrg(const TPoint& org, TPoint* oldOrg = nullptr);
    virtual bool SetViewportExt(const TSize& ext, TSize* oldExt = nullptr);
    virtual bool SetViewportOrg(const TPoint& org, TPoint* oldOrg = nullptr);
    TSize GetWindowExt() const { return state_.windowExt; }
    TPoint GetWindowOrg() const { return state_.windowOrg; }
    TSize GetViewportExt() const { return state_.viewportExt; }
    TPoint GetViewportOrg() const { return state_.viewportOrg; }
    TPoint LPtoDP(const TPoint& p) const;
    TPoint DPtoLP(const TPoint& p) const;

    // State stack: SaveDC returns the new level (1, 2, ...); RestoreDC(-1) pops one level and a
    // positive level restores that level.
    virtual int SaveDC();
    virtual bool RestoreDC(int savedDC = -1);

    // Objects: each returns the object it replaced.
    virtual TPen SelectObject(const TPen& pen);
    virtual TBrush SelectObject(const TBrush& brush);
    virtual TFont SelectObject(const TFont& font);
    virtual TBitmap SelectObject(const TBitmap& bitmap); // memory DCs; others return a null bitmap
    void SelectStockObject(int index);
    const TPen& GetPen() const { return state_.pen; }
    const TBrush& GetBrush() const { return state_.brush; }
    const TFont& GetFont() const { return state_.font; }

    virtual COLORREF SetTextColor(COLORREF c);
    COLORREF GetTextColor() const { return state_.textColor; }
    virtual COLORREF SetBkColor(COLORREF c);
    COLORREF GetBkColor() const { return state_.bkColor; }
    virtual int SetBkMode(int mode);
    int GetBkMode() const { return state_.bkMode; }
    virtual unsigned SetTextAlign(unsigned flags);
    unsigned GetTextAlign() const { return state_.textAlign; }
    virtual int SetROP2(int mode);
    int GetROP2() const { return state_.rop2; }
    virtual int SetPolyFillMode(int mode);
    int GetPolyFillMode() const { return state_.polyFillMode; }

    // Clipping to a logical rectangle; returns NULLREGION, SIMPLEREGION or 0.
    virtual int IntersectClipRect(const TRect& rect);
    int IntersectClipRect(int l, int t, int r, int b) {
        return IntersectClipRect(TRect{l, t, r, b});
    }

    // Lines leave out their end pixel; the current position moves to the end point.
    virtual bool MoveTo(int x, int y);
    bool MoveTo(const TPoint& p) { return MoveTo(p.x, p.y); }
    TPoint GetCurrentPosition() const { return state_.currentPos; }
    virtual bool LineTo(int x, int y) = 0;
    bool LineTo(const TPoint& p) { return LineTo(p.x, p.y); }
    virtual bool Polyline(const TPoint* points, int count) = 0;
    bool Polyline(const std::vector<TPoint>& p) { return Polyline(p.data(), int(p.size())); }
    virtual bool Polygon(const TPoint* points, int count) = 0;
    bool Polygon(const std::vector<TPoint>& p) { return Polygon(p.data(), int(p.size())); }
    // Outline with the pen, fill with the brush; right and bottom edges are left out.
    virtual bool Rectangle(int l, int t, int r, int b) = 0;
    bool Rectangle(const TRect& r) { return Rectangle(r.left, r.top, r.right, r.bottom); }
    virtual bool Ellipse(int l, int t, int r, int b) = 0;
    bool Ellipse(const TRect& r) { return Ellipse(r.left, r.top, r.right, r.bottom); }
    // Fills with the given brush, no outline, right and bottom edges left out.
    virtual bool FillRect(const TRect& rect, const TBrush& brush) = 0;
    virtual COLORREF SetPixel(int x, int y, COLORREF c) = 0;
    COLORREF SetPixel(const TPoint& p, COLORREF c) { return SetPixel(p.x, p.y, c); }
    virtual COLORREF GetPixel(int x, int y) const; // CLR_INVALID where there are no pixels

    // Text in the selected font at the reference point that SetTextAlign describes.
    bool TextOut(int x, int y, std::string_view text) { return ExtTextOut(x, y, 0, nullptr, text); }
    bool TextOut(int x, int y, const char* text, int count) {
        return TextOut(x, y, count < 0 ? std::string_view(text) : std::string_view(text, count));
    }
    virtual bool ExtTextOut(int x, int y, unsigned options, const TRect* rect,
                            std::string_view text) = 0;
    // Width and cell height of the text in logical units.
    virtual TSize GetTextExtent(std::string_view text) const;

    // Pixel copies between raster contexts, in each context's logical units.
    virtual bool BitBlt(int x, int y, int w, int h, const TDC& src, int xSrc, int ySrc,
                        std::uint32_t rop = SRCCOPY);
    virtual bool StretchBlt(int x, int y, int w, int h, const TDC& src, int xSrc, int ySrc,
                            int wSrc, int hSrc, std::uint32_t rop = SRCCOPY);

    // The pixels behind a raster context, nullptr for recording contexts.
    virtual const plat::Surface* GetSurface() const { return nullptr; }
    virtual plat::Surface* GetSurface() { return nullptr; }

    const plat::DCState& State() const { return state_; }

  protected:
    plat::DCState state_;
    std::vector<plat::DCState> saved_;

  private:
    void FixIsotropic();
};

// A context drawing on a surface (a window's backing store, a bitmap). The raster rules live in
// the core once and are used by every raster context. `onRelease` is called from the destructor
// with the device rectangle drawn on since the last Flush (empty when nothing was drawn), so a
// window can present exactly what changed. Drawing is for the window's thread only.
class TSurfaceDC : public TDC {
  public:
    explicit TSurfaceDC(plat::Surface& surface, std::function<void(const TRect&)> onRelease = {});
    ~TSurfaceDC() override;

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
    COLORREF GetPixel(int x, int y) const override;
    bool ExtTextOut(int x, int y, unsigned options, const TRect* rect,
                    std::string_view text) override;
    TSize GetTextExtent(std::string_view text) const override;
    bool BitBlt(int x, int y, int w, int h, const TDC& src, int xSrc, int ySrc,
                std::uint32_t rop = SRCCOPY) override;
    bool StretchBlt(int x, int y, int w, int h, const TDC& src, int xSrc, int ySrc, int wSrc,
                    int hSrc, std::uint32_t rop = SRCCOPY) override;

    const plat::Surface* GetSurface() const override { return surface_; }
    plat::Surface* GetSurface() override { return surface_; }

    // The device rectangle drawn on since the last call (or since construction); clears it.
    TRect TakeDirty();
    // Hands what was drawn so far to onRelease now, for contexts held open across messages.
    void Flush();

  protected:
    explicit TSurfaceDC(std::nullptr_t) {}
    void Retarget(plat::Surface* surface) { surface_ = surface; }

  private:
    plat::Surface* surface_ = nullptr;
    std::function<void(const TRect&)> onRelease_;
    TRect dirty_;
};

// A context on a bitmap of its own: a 1 x 1 bitmap until one is selected.
class TMemoryDC : public TSurfaceDC {
  public:
    TMemoryDC();
    explicit TMemoryDC(const TDC& compatible) : TMemoryDC() { (void)compatible; }
    explicit TMemoryDC(const TBitmap& bitmap);

    TBitmap SelectObject(const TBitmap& bitmap) override;
    using TDC::SelectObject;
    const TBitmap& GetBitmap() const { return bitmap_; }

  private:
    TBitmap bitmap_;
};
