// CWINPlot::DrawCurves: one curve of a plot with its symbols, lines, legend, error bars, point
// colours and the profiles of a colour-scaled curve.
#include "foundations/ccurve.h"
#include "foundations/cvector.h"
#include "foundations/sorting.h"
#include "plotting/curve_marks.h"
#include "plotting/plot_fonts.h"
#include "plotting/plot_globals.h"
#include "plotting/win_plot.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

void CWINPlot::DrawValueLabel(TDC& dc, int x, int y, int curve, int point) {
    if (curve < 0 || curve >= nCurves)
        return;
    const CCurve* c = curves[std::size_t(curve)];
    if (c == nullptr || c->y == nullptr)
        return;
    char text[20];
    if (c->y->FormatElement(std::uint32_t(point), text, sizeof text, yLabelFactor) == 0)
        return;
    // Written from the current position rightwards and downwards, which it then leaves behind.
    const unsigned previous = dc.SetTextAlign(TA_LEFT | TA_TOP | TA_UPDATECP);
    dc.MoveTo(x, y);
    dc.TextOut(x, y, text);
    dc.SetTextAlign(previous);
}

void CWINPlot::DrawErrorBars(TDC& dc, int i, const float* upper, const float* lower,
                             COLORREF colour) {
    if (i < 0 || i >= nCurves)
        return;
    const CCurve* c = curves[std::size_t(i)];
    if (c == nullptr || c->x == nullptr || c->y == nullptr)
        return;
    const TPen previous = dc.SelectObject(TPen(colour));
    const int n = int(std::min(c->x->length, c->y->length));
    for (int j = 0; j < n; ++j) {
        const float x = c->x->data[j], y = c->y->data[j];
        if (!(x >= xMin && x <= xMax && y >= yMin && y <= yMax))
            continue;
        const int px = Column(x), py = Row(y);
        for (const float* e : {upper, lower}) {
            if (e == nullptr || !std::isfinite(e[j]))
                continue;
            const int r = Row(e[j]);
            dc.MoveTo(px - gMarkSize, r);
            dc.LineTo(px + gMarkSize, r);
            dc.MoveTo(px, r);
            dc.LineTo(px, py);
        }
    }
    dc.SelectObject(previous);
}

void CWINPlot::DrawCurves(TDC& dc, int i) {
    if (i < 0 || i >= nCurves)
        return;
    const CCurve* c = curves[std::size_t(i)];
    if (c == nullptr || c->x == nullptr || c->y == nullptr)
        return;

    // Index range; the y vector bounds it too, so a short y is never read past its end.
    const int length = int(std::min(c->x->length, c->y->length));
    int n = length;
    int first = 0;
    if (partialRange[std::size_t(i)]) {
        if (rangeLast[std::size_t(i)] + 1 < n)
            n = rangeLast[std::size_t(i)] + 1;
        if (rangeFirst[std::size_t(i)] < length)
            first = std::max(rangeFirst[std::size_t(i)], 0);
    }
    if (n <= 0)
        return;
    const float* xs = c->x->data;
    const float* ys = c->y->data;

    const int style = curveStyle[std::size_t(i)];
    const COLORREF colour = GetCurveColor(i);
    const TPen curvePen(colour);
    const TBrush curveBrush(colour);
    const TBrush fillBrush = style == 15 ? GetStockBrush(NULL_BRUSH) : curveBrush;
    dc.SelectObject(curvePen);
    dc.SelectObject(fillBrush);

    if (style == 20) {
        std::vector<TPoint> points;
        points.reserve(std::size_t(n));
        for (int j = 0; j < n; ++j)
            points.push_back({Column(xs[j]), Row(ys[j])});
        dc.Polygon(points);
    } else {
        // Legends stack down from the top-left corner of the plot in curve order.
        if (legendsOn && style != 0 && legends[std::size_t(i)] && legends[std::size_t(i)][0]) {
            const COLORREF oldColour = dc.SetTextColor(colour);
            const TFont oldFont = dc.SelectObject(gLabelFont);
            const unsigned oldAlign = dc.SetTextAlign(TA_LEFT | TA_TOP);
            dc.TextOut(plotLeft + 5, plotTop + 20 * i + 5, legends[std::size_t(i)].get());
            dc.SetTextAlign(oldAlign);
            dc.SelectObject(oldFont);
            dc.SetTextColor(oldColour);
        }

        const bool isColourCurve = colourCurveOn && colourCurve == i && colourValues != nullptr;
        const bool onY2 = isColourCurve && y2On;
        const bool missingSwitch = missingAsBlack || missingHidden || missingAsWhite;
        dc.MoveTo(Column(xs[first]), Row(ys[first]));
        if (isColourCurve) {
            colourValuesMax = 0;
            for (int k = 0; k < colourValueCount; ++k) {
                if (k == 0 || colourValues[k] > colourValuesMax)
                    colourValuesMax = colourValues[k];
            }
        }

        MarkContext mark{markSize,         barHalfWidth, squareHalfWidth,
                         squareHalfHeight, Row(0.0f),    curvePen};
        bool anyVisible = false;
        int prevCol = 0, prevRow = 0;
        float prevX = xs[first];
        for (int j = first; j < n; ++j) {
            const float x = xs[j], y = ys[j];
            const bool hasValue = isColourCurve && j < colourValueCount;
            TPen pointPen = curvePen;
            bool pointColoured = false;
            if (hasValue && colourValuesMax != 0) {
                float f = colourRangeFixed ? (colourValues[j] - colourRangeMin) /
                                                 (colourRangeMax - colourRangeMin)
                                           : colourValues[j] / colourValuesMax;
                f = std::clamp(f, 0.0f, 1.0f);
                if (missingSwitch && colourValues[j] == -1)
                    f = -1;
                const COLORREF pc = ValueToColor(f);
                pointPen = TPen(pc);
                dc.SelectObject(pointPen);
                dc.SelectObject(TBrush(pc));
                pointColoured = true;
            }

            const bool unmasked = PointUnmasked(j);
            const bool xInside = x >= xMin && x <= xMax;
            if ((!xFixed || xInside) && !onY2 && (y > yMax || y < yMin) &&
                (!yRangeFromMask || unmasked)) {
                gRescaleRequest = 1;
            }

            const bool masked = pointMaskCount > 0 && j < pointMaskCount && !unmasked;
            int pointStyle = style;
            mark.size = markSize;
            mark.pointPen = pointPen;
            if (masked) {
                pointPen = TPen(maskedColour);
                dc.SelectObject(pointPen);
                pointStyle = maskedStyle;
                mark.size = maskedMarkSize;
                mark.pointPen = pointPen;
            }

            const bool visible = onY2 ? xInside : (xInside && y >= yMin && y <= yMax);
            if (visible) {
                const int col = Column(x);
                int row = Row(y);
                if (onY2) {
                    if (y <= y2Min) {
                        row = plotBottom;
                    } else if (y >= y2Max) {
                        row = plotTop;
                    } else {
                        row = int((y - y2Min) / (y2Max - y2Min) * float(plotTop - plotBottom) +
                                  float(plotBottom));
                    }
                }
                const bool hasPrevious = anyVisible;
                if (!hasPrevious) {
                    dc.MoveTo(col, row);
                } else {
                    // A masked point is drawn as a point of the masked style, its line included.
                    const bool joined =
                        (pointStyle == -1 || (connectPoints && pointStyle != 0 &&
                                              pointStyle != 14 && !isColourCurve)) &&
                        !(breakOnXBack && x < prevX);
                    if (joined) {
                        dc.LineTo(col, row);
                    } else {
                        dc.MoveTo(col, row);
                    }
                }
                const bool hidden = missingHidden && hasValue && colourValues[j] == -1;
                if (!hidden) {
                    if (pointStyle == 4) {
                        DrawValueLabel(dc, col, row, i, j);
                    } else {
                        DrawMark(dc, pointStyle, col, row, hasPrevious, prevCol, prevRow,
                                 j == n - 1, mark);
                    }
                }
                for (int e = 0; e < 2; ++e) {
                    const bool on = e == 0 ? upperErrorsOn : lowerErrorsOn;
                    const auto& set = e == 0 ? upperErrors : lowerErrors;
                    if (!on || std::size_t(i) >= set.size() || !set[std::size_t(i)])
                        continue;
                    const CVector& ev = *set[std::size_t(i)];
                    if (j >= int(ev.length))
                        continue;
                    const int r = Row(ev.data[j]);
                    dc.MoveTo(col - gMarkSize, r);
                    dc.LineTo(col + gMarkSize, r);
                    dc.MoveTo(col, r);
                    dc.LineTo(col, row);
                }
                anyVisible = true;
                prevCol = col;
                prevRow = row;
            }
            prevX = x;
            if (masked || pointColoured) {
                dc.SelectObject(curvePen);
                dc.SelectObject(fillBrush);
            }
        }

        // Profiles: the largest colour value at each distinct x (blue, along the bottom) and at
        // each distinct y (green, along the left), scaled into the plot.
        if (isColourCurve && colourProjections && colourValuesMax != 0) {
            const int m = std::min(n, colourValueCount);
            if (m > 0) {
                std::vector<float> ax(std::size_t(m) + 1), ay(std::size_t(m) + 1),
                    w(std::size_t(m) + 1);
                for (int k = 0; k < m; ++k) {
                    ax[std::size_t(k) + 1] = xs[k];
                    ay[std::size_t(k) + 1] = ys[k];
                    w[std::size_t(k) + 1] = colourValues[k];
                }
                projX.assign(std::size_t(m) + 1, 0);
                projXValues.assign(std::size_t(m) + 1, 0);
                projY.assign(std::size_t(m) + 1, 0);
                projYValues.assign(std::size_t(m) + 1, 0);
                SortMergeXY(m, ax.data(), ay.data(), w.data(), &projXCount, projX.data(),
                            projXValues.data(), &projYCount, projYValues.data(), projY.data());
                std::vector<TPoint> line;
                dc.SelectObject(TPen(RGB(0, 0, 255)));
                dc.SelectObject(TBrush(RGB(0, 0, 255)));
                for (int k = 1; k <= projXCount; ++k) {
                    const float v =
                        yMin + (yMax - yMin) * projXValues[std::size_t(k)] / colourValuesMax;
                    line.push_back({Column(projX[std::size_t(k)]), Row(v)});
                }
                dc.Polyline(line);
                dc.SelectObject(curvePen);
                dc.SelectObject(fillBrush);
                line.clear();
                dc.SelectObject(TPen(RGB(0, 255, 0)));
                dc.SelectObject(TBrush(RGB(0, 255, 0)));
                for (int k = 1; k <= projYCount; ++k) {
                    const float v =
                        xMin + (xMax - xMin) * projYValues[std::size_t(k)] / colourValuesMax;
                    line.push_back({Column(v), Row(projY[std::size_t(k)])});
                }
                dc.Polyline(line);
                dc.SelectObject(curvePen);
                dc.SelectObject(fillBrush);
                projX.clear();
                projXValues.clear();
                projY.clear();
                projYValues.clear();
                projXCount = projYCount = 0;
            }
        }
    }

    // The recording's first pen and brush come back: the black pen and the hollow brush, so the
    // frame drawn after the curves shows as an outline.
    dc.SelectObject(GetStockPen(BLACK_PEN));
    dc.SelectObject(GetStockBrush(NULL_BRUSH));
}
