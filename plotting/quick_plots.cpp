// Quick plots: temporary views and curves over the caller's arrays, handed to the painters.
#include "plotting/quick_plots.h"

#include "foundations/ccurve.h"
#include "foundations/cvector.h"
#include "foundations/nr_arrays.h"
#include "plat/window.hpp"
#include "plat/window_dc.hpp"
#include "plotting/curve_painters.h"
#include "plotting/plot_globals.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

// A curve over x[offset..] and y[offset..] for the time of one painter call.
struct ViewCurve {
    std::unique_ptr<CVector> x = std::make_unique<CVector>();
    std::unique_ptr<CVector> y = std::make_unique<CVector>();
    std::unique_ptr<CCurve> curve;
    ViewCurve(float* xs, float* ys, int count, int offset) {
        if (count > 0) {
            x->Attach(xs, std::uint32_t(count), std::uint32_t(offset));
            y->Attach(ys, std::uint32_t(count), std::uint32_t(offset));
        }
        curve = std::make_unique<CCurve>(x.get(), y.get());
    }
};

// A float copy of a 1-based double array, released with the library's own release function.
struct FloatCopy {
    float* v;
    int n;
    FloatCopy(const double* src, int count) : v(vector(1, count)), n(count) {
        for (int i = 1; i <= n; ++i)
            v[i] = float(src[i]);
    }
    ~FloatCopy() { free_vector(v, 1, n); }
    FloatCopy(const FloatCopy&) = delete;
    FloatCopy& operator=(const FloatCopy&) = delete;
};

// y[1..n] times factor, in a float copy, plotted over x.
template <class T>
HMETAFILE QuickPlotScaled(CWINPlot* plot, float* x, const T* y, int n, double factor,
                          COLORREF colour, int style, int size) {
    float* v = vector(1, n);
    for (int i = 1; i <= n; ++i)
        v[i] = float(factor * y[i]);
    HMETAFILE mf = QuickPlot(plot, x, v, n, colour, style, size);
    free_vector(v, 1, n);
    return mf;
}

} // namespace

void PlayOverThePlots(TWindow* window, HMETAFILE picture) {
    if (window == nullptr || picture == nullptr)
        return;
    TClientDC dc(window);
    const TRect client = window->GetClientRect();
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowExt(TSize{LogicalPageWidth(), LogicalPageHeight()});
    dc.SetViewportExt(TSize{client.right, client.bottom});
    PlayMetaFile(dc, picture);
    DeleteMetaFile(picture);
}

HMETAFILE QuickPlotCurve(CWINPlot* plot, CCurve* curve, COLORREF colour, int style, int size) {
    if (curve == nullptr)
        return nullptr;
    const int n = curve->x != nullptr ? int(curve->x->length) : 0;
    return PaintCurvePlot(plot, curve, 1, n, colour, style, size);
}

HMETAFILE QuickPlot(CWINPlot* plot, float* x, float* y, int n, COLORREF colour, int style,
                    int size) {
    if (x == nullptr || y == nullptr || n <= 0)
        return nullptr;
    ViewCurve c(x, y, n, 1);
    return QuickPlotCurve(plot, c.curve.get(), colour, style, size);
}

HMETAFILE QuickPlotDouble(CWINPlot* plot, const double* x, const double* y, int n, COLORREF colour,
                          int style, int size) {
    if (x == nullptr || y == nullptr || n <= 0)
        return nullptr;
    FloatCopy fx(x, n), fy(y, n);
    return QuickPlot(plot, fx.v, fy.v, n, colour, style, size);
}

HMETAFILE QuickPlotMixed(CWINPlot* plot, float* x, const double* y, int n, COLORREF colour,
                         int style, int size) {
    if (x == nullptr || y == nullptr || n <= 0)
        return nullptr;
    FloatCopy fy(y, n);
    return QuickPlot(plot, x, fy.v, n, colour, style, size);
}

HMETAFILE QuickPlotNormalized(CWINPlot* plot, float* x, const double* y, int n, double target,
                              COLORREF colour, int style, int size) {
    if (x == nullptr || y == nullptr || n <= 0)
        return nullptr;
    double max = y[1];
    for (int i = 2; i <= n; ++i)
        max = std::max(max, y[i]);
    if (std::fabs(max) < 1e-30)
        max = target;
    return QuickPlotScaled(plot, x, y, n, target / max, colour, style, size);
}

HMETAFILE QuickPlotNormalizedFloat(CWINPlot* plot, float* x, const float* y, int n, double target,
                                   COLORREF colour, int style, int size) {
    if (x == nullptr || y == nullptr || n <= 0)
        return nullptr;
    float max = y[1];
    for (int i = 2; i <= n; ++i)
        max = std::max(max, y[i]);
    if (max == 0)
        max = float(target);
    return QuickPlotScaled(plot, x, y, n, target / max, colour, style, size);
}

HMETAFILE QuickPlotRange(CWINPlot* plot, float* x, float* y, int n, int first, int last,
                         COLORREF colour, int style, int size) {
    if (x == nullptr || y == nullptr || n <= 0)
        return nullptr;
    const int from = std::max(first, 1);
    // Never past x[n]: the count is also bounded by what lies from the first viewed point on.
    const int count = std::min({last - first + 1, n, n - from + 1});
    if (count <= 0)
        return nullptr;
    ViewCurve c(x, y, count, from);
    return QuickPlotCurve(plot, c.curve.get(), colour, style, size);
}

HMETAFILE QuickPlotCurve2(CWINPlot* plot, float* x, float* y, int n, int** colours, int style,
                          int size) {
    if (x == nullptr || y == nullptr || n <= 0)
        return nullptr;
    ViewCurve c(x, y, n, 1);
    return PaintCurvePlot2(plot, c.curve.get(), 1, n, colours, style, size);
}
