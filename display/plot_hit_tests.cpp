// Hit tests of the mouse handlers. The point search walks a scan in storage order, which is
// increasing radius, and stops once a point's column lies beyond the pointer by more than the
// look-ahead, so a search costs only the points left of the pointer.
#include "display/plot_hit_tests.h"

#include "display/plot_coordinates.h"
#include "display/screen_button_set.h"
#include "plat/window.hpp"
#include "plotting/win_plot.h"
#include "scandata/scan_store_alloc.h"
#include "state/conti_state.h"
#include "state/window_services.h"

#include <cmath>

namespace {

int ClientHeight(TXLAWindow* window) {
    const TRect r = WindowServices::PlatformWindow(window)->GetClientRect();
    return r.bottom - r.top;
}

bool InsideStrict(int v, int centre, int tolerance) {
    return centre - tolerance < v && v < centre + tolerance;
}

// Shared walk over one scan; values are the signal or the residuals of that scan.
bool SearchPoints(const CWINPlot* plot, int scan, const float* values, int x, int y, int tolX,
                  int tolY) {
    ScreenButtonSet::hitPoint = 0;
    if (!plot || scan < 1 || scan > ScanStore::scanCount || !ScanStore::pointCount || !values)
        return false;
    const float* r = ScanStore::radius[scan];
    for (int j = 1; j <= ScanStore::pointCount[scan]; ++j) {
        const int c = DataToLogicalX(*plot, r[j]);
        const int row = DataToLogicalY(*plot, values[j]);
        if (InsideStrict(x, c, tolX) && InsideStrict(y, row, tolY)) {
            ScreenButtonSet::hitPoint = j;
            return true;
        }
        if (c - ScreenButtonSet::hitTolerance > x)
            return false;
    }
    return false;
}

} // namespace

bool InsideDataPlotBand(TXLAWindow* window, int, int y) {
    if (!ScanStore::dataPlot || !ScanStore::showData)
        return false;
    const int h = ClientHeight(window);
    if (h <= 0)
        return false;
    const double row = 1000.0 * y / h;
    return ScanStore::distPlotRect[0] < row && row < ScanStore::distPlotRect[1];
}

bool InsideDistributionPlot(TXLAWindow* window, int, int y) {
    if (!ContiState::distributionPlot)
        return false;
    const int h = ClientHeight(window);
    return y > int(std::floor(0.001 * ContiState::distributionPlotTop * h * 0.95));
}

bool HitTestScanPoint(int scan, int x, int y, int toleranceX, int toleranceY) {
    const float* values = ScanStore::signal && scan >= 1 && scan <= ScanStore::scanCount
                              ? ScanStore::signal[scan]
                              : nullptr;
    return SearchPoints(ScanStore::dataPlot, scan, values, x, y, toleranceX, toleranceY);
}

bool HitTestResidualPoint(int scan, int x, int y, int toleranceX, int toleranceY) {
    const float* values = ScanStore::residuals && scan >= 1 && scan <= ScanStore::scanCount
                              ? ScanStore::residuals[scan]
                              : nullptr;
    return SearchPoints(ScanStore::residualPlot, scan, values, x, y, toleranceX, toleranceY);
}

int ScanUnderPixel(int px, int py, float clientWidth, float clientHeight) {
    const int x = PixelToLogicalX(px, clientWidth);
    const int y = PixelToLogicalY(py, clientHeight);
    const int tx = PixelToLogicalX(ScreenButtonSet::hitTolerance, clientWidth);
    const int ty = PixelToLogicalY(ScreenButtonSet::hitTolerance, clientHeight);
    int hit = 0;
    for (int k = 1; ScanStore::dataPlot && !hit && k <= ScanStore::scanCount; ++k)
        if (HitTestScanPoint(ScanStore::scanOrder[k], x, y, tx, ty))
            hit = k;
    for (int k = 1; ScanStore::residualPlot && !hit && k <= ScanStore::scanCount; ++k)
        if (HitTestResidualPoint(ScanStore::scanOrder[k], x, y, tx, ty))
            hit = k;
    return hit;
}
