// Pens, brushes, fonts and bitmaps: construction and the stock objects.
#include "plat/gdi.hpp"

TFont CreateFont(int height, int width, int escapement, int orientation, int weight,
                 unsigned italic, unsigned underline, unsigned strikeOut, unsigned charSet,
                 unsigned outPrecision, unsigned clipPrecision, unsigned quality,
                 unsigned pitchAndFamily, const char* faceName) {
    TFont f;
    f.height = height;
    f.width = width;
    f.escapement = escapement;
    f.orientation = orientation;
    f.weight = weight;
    f.italic = italic != 0;
    f.underline = underline != 0;
    f.strikeOut = strikeOut != 0;
    f.charSet = charSet;
    f.outPrecision = outPrecision;
    f.clipPrecision = clipPrecision;
    f.quality = quality;
    f.pitchAndFamily = pitchAndFamily;
    f.faceName = faceName ? faceName : "";
    return f;
}

TPen GetStockPen(int index) {
    switch (index) {
    case WHITE_PEN:
        return TPen(RGB(255, 255, 255));
    case NULL_PEN:
        return TPen(RGB(0, 0, 0), 0, PS_NULL);
    default:
        return TPen(RGB(0, 0, 0));
    }
}

TBrush GetStockBrush(int index) {
    switch (index) {
    case LTGRAY_BRUSH:
        return TBrush(RGB(192, 192, 192));
    case GRAY_BRUSH:
        return TBrush(RGB(128, 128, 128));
    case DKGRAY_BRUSH:
        return TBrush(RGB(64, 64, 64));
    case BLACK_BRUSH:
        return TBrush(RGB(0, 0, 0));
    case NULL_BRUSH: {
        TBrush b;
        b.style = BS_NULL;
        return b;
    }
    default:
        return TBrush(RGB(255, 255, 255));
    }
}

TFont GetStockFont(int index) {
    TFont f;
    f.height = 16;
    f.pitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    f.weight = index == SYSTEM_FONT ? FW_BOLD : FW_NORMAL;
    if (index == DEFAULT_GUI_FONT)
        f.height = 13;
    return f;
}

TBitmap::TBitmap(int width, int height, COLORREF fill)
    : pixels_(std::make_shared<plat::Surface>(width, height, fill)) {}

TBitmap::TBitmap(const plat::Surface& pixels) : pixels_(std::make_shared<plat::Surface>(pixels)) {}
