// One-curve painters over an existing plot's scale.
#include "plotting/curve_painters.h"

#include "foundations/ccurve.h"
#include "foundations/cvector.h"
#include "plotting/curve_marks.h"
#include "plotting/plot_globals.h"
#include "plotting/win_plot.h"

#include <algorithm>
#include <cmath>

namespace {

COLORREF RowColour(int** colours, int k) {
    return RGB(colours[k][1] & 0xFF, colours[k][2] & 0xFF, colours[k][3] & 0xFF);
}

// Product and sum in double from the single-precision operands, then truncated; values that a
// logarithmic axis cannot show go to a margin outside the plot.
int PixelX(const CWINPlot& p, float x) {
    if (p.xLog)
        return x > 0 ? p.Column(std::log10(x)) : p.plotLeft - p.outsideMargin;
    return p.Column(x);
}

int PixelY(const CWINPlot& p, float y) {
    if (p.yLog)
        return y > 0 ? p.Row(std::log10(y)) : p.plotBottom - p.outsideMargin;
    return p.Row(y);
}

HMETAFILE Paint(CWINPlot* plot, CCurve* curve, int first, int last, COLORREF colour, int** colours,
                int style, int size) {
    if (plot == nullptr || curve == nullptr || curve->x == nullptr || curve->y == nullptr ||
        curve->x->data == nullptr || curve->y->data == nullptr) {
        return nullptr;
    }
    // The range reads its first point before any test, so a curve without points records nothing.
    const int n = int(std::min(curve->x->length, curve->y->length));
    if (n == 0)
        return nullptr;
    CWINPlot& p = *plot;

    const auto un = [](int v) { return unsigned(v); };
    const int start = (first > 1 && un(first) < un(n - 1)) ? first - 1 : 0;
    const int end = (un(last) < un(n) && un(last) > un(start + 1)) ? last : n;
    const int colourRow = (first >= 1 && first <= n) ? first : start + 1;

    TMetaFileDC rec;
    rec.SetWindowExt(TSize{LogicalPageWidth(), LogicalPageHeight()});
    const COLORREF firstColour = colours ? RowColour(colours, colourRow) : colour;
    TPen pen(firstColour);
    const TBrush brush = style == 15 ? GetStockBrush(NULL_BRUSH) : TBrush(firstColour);
    rec.SelectObject(pen);
    rec.SelectObject(brush);

    const int savedMarkSize = p.markSize;
    p.markSize = size;
    MarkContext mark{size,
                     p.barHalfWidth,
                     p.squareHalfWidth,
                     p.squareHalfHeight,
                     p.yLog ? p.plotBottom - p.outsideMargin : p.Row(0.0f),
                     pen};

    const float* xs = curve->x->data;
    const float* ys = curve->y->data;
    rec.MoveTo(PixelX(p, xs[start]), PixelY(p, ys[start]));
    const bool clip = p.clipSymbols && colours == nullptr;
    const auto insideShrunk = [&](int px, int py) {
        return p.plotLeft + p.markSize < px && px < p.plotRight - p.markSize &&
               p.plotTop + p.markSize < py && py < p.plotBottom - p.markSize;
    };
    const auto hiddenValue = [&](int i) {
        return p.missingHidden && p.colourValues != nullptr && i < p.colourValueCount &&
               p.colourValues[i] == -1.0f;
    };

    const int pointStep = p.pointStep > 0 ? p.pointStep : 1;
    int counter = pointStep;
    bool inRun = false;
    int ppx = 0, ppy = 0;
    float prevX = xs[start];
    for (int i = start; i < end; ++i) {
        if (counter != pointStep) {
            ++counter;
            continue;
        }
        counter = 1;
        const float x = xs[i], y = ys[i];
        if (colours) {
            pen = TPen(RowColour(colours, i + 1));
            rec.SelectObject(pen);
            mark.pointPen = pen;
        }
        const bool logZero = (p.xLog && x == 0) || (p.yLog && y == 0);
        const bool off = !std::isfinite(x) || !std::isfinite(y) || y < p.yMin || y > p.yMax ||
                         ((x < p.xMin || x > p.xMax) && !logZero);
        if (off) {
            inRun = false;
        } else {
            const int px = PixelX(p, x), py = PixelY(p, y);
            if (inRun) {
                const bool joined = (p.connectPoints || style == -1) && style != 14 &&
                                    !(x < prevX && p.breakOnXBack);
                if (joined) {
                    rec.LineTo(px, py);
                } else {
                    rec.MoveTo(px, py);
                }
                if (!(clip && !insideShrunk(px, py)) && !hiddenValue(i)) {
                    DrawMark(rec, style, px, py, true, ppx, ppy, i == end - 1, mark);
                }
                ppx = px;
                ppy = py;
            } else if (!(clip && !insideShrunk(px, py))) {
                inRun = true;
                ppx = px;
                ppy = py;
                rec.MoveTo(px, py);
                if (!hiddenValue(i))
                    DrawMark(rec, style, px, py, false, ppx, ppy, i == end - 1, mark);
            }
        }
        prevX = x;
    }

    p.markSize = savedMarkSize;
    return rec.Close();
}

} // namespace

HMETAFILE PaintCurvePlot(CWINPlot* plot, CCurve* curve, int first, int last, COLORREF colour,
                         int style, int size) {
    if (last < first)
        return nullptr;
    return Paint(plot, curve, first, last, colour, nullptr, style, size);
}

HMETAFILE PaintCurvePlot2(CWINPlot* plot, CCurve* curve, int first, int last, int** colours,
                          int style, int size) {
    if (colours == nullptr)
        return nullptr;
    return Paint(plot, curve, first, last, 0, colours, style, size);
}
