// CWINPlot scaling: plot rectangle, automatic and fixed ranges, zoom, value-to-position mapping.
#include "foundations/ccurve.h"
#include "foundations/cvector.h"
#include "plotting/plot_globals.h"
#include "plotting/win_plot.h"

#include <cmath>
#include <limits>

namespace {

constexpr double kMargin = 0.05;
constexpr double kDegenerate = 1e-15;

// Extremes of the finite values of v over lo..hi; a range without finite values gives 0, as an
// empty vector does, so NaN or infinite points never reach the scales.
void FiniteExtremes(const CVector* v, int lo, int hi, float& mn, float& mx) {
    mn = mx = 0;
    if (v == nullptr || v->data == nullptr)
        return;
    if (lo < 0)
        lo = 0;
    if (hi > int(v->length) - 1)
        hi = int(v->length) - 1;
    bool found = false;
    for (int k = lo; k <= hi; ++k) {
        const float a = v->data[k];
        if (!std::isfinite(a))
            continue;
        if (!found) {
            mn = mx = a;
            found = true;
        } else {
            if (a < mn)
                mn = a;
            if (a > mx)
                mx = a;
        }
    }
}

// Smallest and largest finite y among points lo .. hi-1 whose x lies in [x0, x1]; the walk stops at
// the first x beyond x1 because the curves it serves rise in x. 0 when no point qualifies.
void WindowExtremes(const CCurve* c, float x0, float x1, int lo, int hi,
                    const std::vector<int>* mask, int maskCount, float& mn, float& mx,
                    bool& found) {
    if (c == nullptr || c->x == nullptr || c->y == nullptr)
        return;
    const int n = std::min(int(c->x->length), int(c->y->length));
    if (lo < 0)
        lo = 0;
    if (hi > n)
        hi = n;
    for (int k = lo; k < hi; ++k) {
        const float x = c->x->data[k];
        if (x > x1)
            break;
        if (!(x >= x0))
            continue;
        const float y = c->y->data[k];
        if (!std::isfinite(y))
            continue;
        if (mask != nullptr && !(k < maskCount && (*mask)[std::size_t(k) + 1] != 0))
            continue;
        if (!found) {
            mn = mx = y;
            found = true;
        } else {
            if (y < mn)
                mn = y;
            if (y > mx)
                mx = y;
        }
    }
}

// A range of zero width, absolutely or relative to its ends, is widened by 1 on each side.
void WidenDegenerate(float& lo, float& hi) {
    if (hi == lo) {
        hi += 1;
        lo -= 1;
    }
    const float ref = hi == 0 ? lo : hi;
    if (ref != 0 && std::fabs((double(hi) - lo) / ref) < kDegenerate) {
        hi += 1;
        lo -= 1;
    }
}

int TruncToInt(double v) {
    if (std::isnan(v))
        return 0;
    constexpr double lim = 1e9;
    if (v > lim)
        return int(lim);
    if (v < -lim)
        return int(-lim);
    return int(std::trunc(v));
}

} // namespace

int CWINPlot::Column(float x) const {
    return TruncToInt(double(x) * xScale + xOffset);
}

int CWINPlot::Row(float y) const {
    return TruncToInt(double(y) * yScale + yOffset);
}

void CWINPlot::EmptyPlotRule() {
    xScale = yScale = 0;
    xOffset = yOffset = 0;
    xMin = -1;
    xMax = 1;
    yMin = -1;
    yMax = 1;
}

// The scale update: pixel = value x scale + offset; scaleChanged records whether a scale or offset
// that had been set before moved.
void CWINPlot::UpdateXScale() {
    const float s = float(plotRight - plotLeft) / (xMax - xMin);
    if (s != xScale && xScale != 0)
        scaleChanged = 1;
    xScale = s;
    const float o = float(plotLeft) - xMin * xScale;
    if (o != xOffset && xOffset != 0)
        scaleChanged = 1;
    xOffset = o;
}

void CWINPlot::UpdateYScale() {
    const float s = float(plotTop - plotBottom) / (yMax - yMin);
    if (s != yScale && yScale != 0)
        scaleChanged = 1;
    yScale = s;
    const float o = float(plotBottom) - yMin * yScale;
    if (o != yOffset && yOffset != 0)
        scaleChanged = 1;
    yOffset = o;
}

void CWINPlot::CurveIndexRange(int i, int& first, int& last) const {
    const CCurve* c = curves[std::size_t(i)];
    const int n = (c != nullptr && c->x != nullptr) ? int(c->x->length) : 0;
    first = 0;
    last = n - 1;
    if (partialRange[std::size_t(i)] == 1) {
        const int f = rangeFirst[std::size_t(i)];
        const int l = rangeLast[std::size_t(i)];
        if (f >= 0 && f <= n - 1)
            first = f;
        if (l >= 0 && l <= n - 1)
            last = l;
    }
}

void CWINPlot::AutoScale() {
    if (nCurves == 0) {
        EmptyPlotRule();
        return;
    }
    if (xFixed && yFixed)
        return;
    scaleChanged = 0;

    if (!xFixed) {
        for (int i = 0; i < nCurves; ++i) {
            int first, last;
            CurveIndexRange(i, first, last);
            const CCurve* c = curves[std::size_t(i)];
            float mn, mx;
            FiniteExtremes(c ? c->x : nullptr, first, last, mn, mx);
            xMin = i == 0 ? mn : MinOf(xMin, mn);
            xMax = i == 0 ? mx : MaxOf(xMax, mx);
        }
        WidenDegenerate(xMin, xMax);
        const float w = xMax - xMin;
        xMin = float(xMin - kMargin * w);
        xMax = float(xMax + kMargin * w);
    }

    if (!yFixed) {
        if (pointMaskCount != 0 && yRangeFromMask) {
            bool found = false;
            yMin = yMax = 0;
            for (int i = 0; i < nCurves; ++i) {
                int first, last;
                CurveIndexRange(i, first, last);
                const CCurve* c = curves[std::size_t(i)];
                if (c == nullptr || c->y == nullptr || c->y->data == nullptr)
                    continue;
                for (int j = first; j <= last && j < int(c->y->length); ++j) {
                    const float y = c->y->data[j];
                    if (!PointUnmasked(j) || !std::isfinite(y))
                        continue;
                    if (!found) {
                        yMin = yMax = y;
                        found = true;
                    } else {
                        yMin = MinOf(yMin, y);
                        yMax = MaxOf(yMax, y);
                    }
                }
            }
        } else {
            for (int i = 0; i < nCurves; ++i) {
                // The colour-scaled curve drawn against the secondary range does not set y.
                if (i >= 1 && i == colourCurve && colourCurveOn && y2On)
                    continue;
                int first, last;
                CurveIndexRange(i, first, last);
                const CCurve* c = curves[std::size_t(i)];
                float mn, mx;
                FiniteExtremes(c ? c->y : nullptr, first, last, mn, mx);
                yMin = i == 0 ? mn : MinOf(yMin, mn);
                yMax = i == 0 ? mx : MaxOf(yMax, mx);
            }
        }
        if (yMin > 0 && yFromZero)
            yMin = 0;
        WidenDegenerate(yMin, yMax);
        yMax = float(yMax + kMargin * (yMax - yMin));
        if (!yFromZero && yMin > 0) {
            const double d = kMargin * (yMax - yMin);
            yMin = yMin - d < 0 ? 0.0f : float(yMin - d);
        }
    }

    UpdateXScale();
    UpdateYScale();
}

void CWINPlot::FullRange() {
    xFixed = yFixed = 0;
    AutoScale();
}

void CWINPlot::SetRanges(float x0, float x1, float y0, float y1) {
    if (nCurves == 0) {
        EmptyPlotRule();
        return;
    }
    if (!std::isfinite(x0) || !std::isfinite(x1) || !std::isfinite(y0) || !std::isfinite(y1))
        return;
    if (std::fabs(y0 - y1) < 1e-10 || std::fabs(x0 - x1) < 1e-10)
        return;
    scaleChanged = 0;
    xFixed = yFixed = 1;
    xMin = x0;
    xMax = x1;
    yMin = y0;
    yMax = y1 > 1e10 ? 1.0f : y1;
    UpdateXScale();
    UpdateYScale();
}

// Ranges narrower than SetRanges accepts, or not finite, leave the plot as it was: a zero-width
// range would make the scale infinite.
static bool UsableRange(float a, float b) {
    return std::isfinite(a) && std::isfinite(b) && std::fabs(double(a) - b) >= 1e-10;
}

// The start of setting one axis' range to a..b: a plot without curves takes the empty plot's
// rule instead, an unusable range changes nothing. True when the range is to be taken.
bool CWINPlot::BeginRangeChange(float a, float b) {
    if (nCurves == 0) {
        EmptyPlotRule();
        return false;
    }
    if (!UsableRange(a, b))
        return false;
    scaleChanged = 0;
    return true;
}

void CWINPlot::SetXRange(float x0, float x1) {
    if (!BeginRangeChange(x0, x1))
        return;
    xFixed = 1;
    xMin = x0;
    xMax = x1;
    UpdateXScale();
}

void CWINPlot::SetYRange(float y0, float y1) {
    if (!BeginRangeChange(y0, y1))
        return;
    yFixed = 1;
    yMin = y0;
    yMax = y1;
    UpdateYScale();
}

void CWINPlot::ZoomX(float x0, float x1) {
    if (!BeginRangeChange(x0, x1))
        return;
    xFixed = 1;
    yFixed = 0;
    xMin = x0;
    xMax = x1;
    const bool masked = pointMaskCount != 0 && yRangeFromMask;
    float lo = 0, hi = 0;
    bool found = false;
    for (int i = 0; i < nCurves; ++i) {
        int first, last;
        CurveIndexRange(i, first, last);
        if (masked) {
            WindowExtremes(curves[std::size_t(i)], x0, x1, first, last, &pointMask, pointMaskCount,
                           lo, hi, found);
        } else {
            // Each curve contributes 0 when none of its points lies in the window.
            float mn = 0, mx = 0;
            bool any = false;
            WindowExtremes(curves[std::size_t(i)], x0, x1, first, last, nullptr, 0, mn, mx, any);
            lo = i == 0 ? mn : MinOf(lo, mn);
            hi = i == 0 ? mx : MaxOf(hi, mx);
        }
    }
    yMin = lo;
    yMax = hi;
    if (yMin > 0 && yFromZero)
        yMin = 0;
    if (yMax == yMin) {
        yMax += 1;
        yMin -= 1;
    }
    UpdateXScale();
    UpdateYScale();
}

float CWINPlot::Y2FromPixel(int row) const {
    if (!y2On || plotTop == plotBottom)
        return 0.0f;
    return y2Min + float(row - plotBottom) * (y2Max - y2Min) / float(plotTop - plotBottom);
}

void CWINPlot::SetPlotRect(int top, int left, int bottom, int right) {
    plotLeft = ScreenColumn(left);
    plotRight = ScreenColumn(right);
    plotBottom = bottom;
    plotTop = top;
    if (nCurves > 0)
        AutoScale();
    frameLeft = plotLeft - (noYAxis ? 5 : 8);
    frameBottom = noXAxis ? plotBottom : plotBottom + 8 + 20;
    frameRight = plotRight + (noYAxis ? 5 : 8);
    frameTop = noTopGap ? plotTop : plotTop - 8;
    if (buttonCount > 0)
        PlaceButtons();
}
