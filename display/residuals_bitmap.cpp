// The residuals bitmap: rendering, clipboard copy and the stretched copy into the main window.
#include "display/residuals_bitmap.h"

#include "display/scan_plots.h"
#include "foundations/nr_arrays.h"
#include "foundations/resampling.h"
#include "plat/clipboard.hpp"
#include "plat/window.hpp"
#include "plotting/plot_globals.h"
#include "plotting/win_plot.h"
#include "scandata/fit_limits.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_store_alloc.h"
#include "state/model_parameters.h"

#include <algorithm>
#include <cmath>

bool gShowResidualsBitmap = true;
bool gBitmapBlackWhite = true;
bool gBitmapShading = true;
float gBitmapFullScale = 0.05f;

int ResidualLevel(float r, float fullScale) {
    // A full scale of 0 (fluorescence residuals all 0) shows every point at level 0.
    if (fullScale == 0 || !std::isfinite(fullScale))
        return 0;
    const double v = std::floor(128.0 * double(r) / double(fullScale));
    if (std::isnan(v))
        return 0;
    return int(std::clamp(v, -128.0, 127.0));
}

COLORREF ResidualLevelColour(int v, bool blackWhite, bool shading) {
    // Channels are kept within a byte, so the most negative level stays full blue rather than
    // wrapping 128 + 128 around to 0.
    const auto ch = [](int c) { return std::clamp(c, 0, 255); };
    if (!blackWhite && !shading)
        return v > 0 ? 0x0000FF : v < 0 ? 0xFF0000 : 0xFFFFFF;
    if (!blackWhite) {
        if (v > 0)
            return RGB(ch(128 + v), ch(128 - v), ch(128 - v));
        if (v < 0)
            return RGB(ch(128 + v), ch(128 + v), ch(128 - v));
        return 0x808080;
    }
    if (!shading)
        return v > 0 ? 0xFFFFFF : v < 0 ? 0x000000 : 0x808080;
    return RGB(ch(128 + v), ch(128 + v), ch(128 + v));
}

TBitmap RenderResidualsBitmap(const ResidualsBitmapSource& s, bool blackWhite, bool shading) {
    const int w = s.gridLastFit - s.gridFirstFit + 1;
    const int rows = s.scanCount;
    if (w <= 0 || rows <= 0 || s.gridCount <= 0 || s.gridRadius == nullptr || s.gridFirstFit < 1 ||
        s.gridLastFit > s.gridCount) {
        return TBitmap();
    }
    TBitmap bitmap = TBitmap::CreateCompatible(w, rows);
    TMemoryDC dc;
    dc.SelectObject(bitmap);
    float* work = vector(1, s.gridCount);
    for (int i = 1; i <= rows; ++i) {
        const int k = s.scanOrder[i];
        std::fill(work + 1, work + s.gridCount + 1, 0.0f);
        ResampleCurve(s.gridCount, s.gridRadius, work, s.pointCount[k], s.radius[k],
                      s.residuals[k]);
        for (int j = s.gridFirstFit; j <= s.gridLastFit; ++j) {
            const int v = ResidualLevel(work[j], s.fullScale);
            dc.SetPixel(j - s.gridFirstFit, i - 1, ResidualLevelColour(v, blackWhite, shading));
        }
    }
    free_vector(work, 1, s.gridCount);
    return bitmap;
}

bool CopyBitmapToClipboard(const TBitmap& bitmap, HWND owner) {
    TClipboard clipboard(owner);
    if (!clipboard.IsOpen())
        return false;
    clipboard.EmptyClipboard();
    if (const plat::Surface* pixels = bitmap.Pixels())
        clipboard.SetBitmap(*pixels);
    clipboard.CloseClipboard();
    return true;
}

void StretchResidualsBitmap(TDC& dc, const TBitmap& bitmap, float clientWidth, float clientHeight,
                            int anchorRow) {
    if (bitmap.IsNull())
        return;
    const int rows = bitmap.Height();
    const int left = ScreenColumn(75);
    const int width = ScreenColumn(975 - 75);
    const double page = double(gScreenScale) * double(gLogicalHeight);
    const auto scaled = [&](double v, double client, double of) {
        return of > 0 ? int(std::floor(v * client / of)) : 0;
    };
    const int x = scaled(left, clientWidth, page);
    const int dw = scaled(width, clientWidth, page);
    const int y = scaled(anchorRow, clientHeight, gLogicalHeight);
    const int hs = scaled(rows, clientHeight, gLogicalHeight);
    TMemoryDC source;
    source.SelectObject(bitmap);
    dc.StretchBlt(x, y + hs - rows, dw, rows, source, 0, 0, bitmap.Width(), rows, SRCCOPY);
}

ResidualsBitmapSource ResidualsBitmapSourceFromStore() {
    ResidualsBitmapSource s;
    float f = gBitmapFullScale;
    if (f == 0 && ScanStore::residualPlot != nullptr) {
        f = std::max(std::fabs(ScanStore::residualPlot->yMax),
                     std::fabs(ScanStore::residualPlot->yMin));
    }
    if (ScanDataKind::fluorescence)
        f = 3 * CalcFitRmsd();
    s.fullScale = f;
    if (ScanStore::scanOrder == nullptr || ScanStore::pointCount == nullptr ||
        ScanStore::radius == nullptr || ScanStore::residuals == nullptr) {
        return s;
    }
    s.scanCount = ScanStore::scanCount;
    s.scanOrder = ScanStore::scanOrder;
    s.pointCount = ScanStore::pointCount;
    s.radius = ScanStore::radius;
    s.residuals = ScanStore::residuals;
    s.gridRadius = ScanStore::gridRadius;
    s.gridCount = ScanStore::gridCount;
    s.gridFirstFit = ScanStore::gridFirstFit;
    s.gridLastFit = ScanStore::gridLastFit;
    return s;
}

namespace {

TBitmap RenderFromStore() {
    UpdateResiduals(true);
    return RenderResidualsBitmap(ResidualsBitmapSourceFromStore(), gBitmapBlackWhite,
                                 gBitmapShading);
}

} // namespace

void CopyResidualsBitmap(TWindow* mainWindow) {
    CopyBitmapToClipboard(RenderFromStore(), mainWindow);
}

void DrawResidualsBitmap(TWindow* mainWindow) {
    if (mainWindow == nullptr)
        return;
    const TBitmap bitmap = RenderFromStore();
    const TRect client = mainWindow->GetClientRect();
    // Straight into the window, shown at once as drawing outside painting is.
    TSurfaceDC dc(mainWindow->GetSurface(),
                  [mainWindow](const TRect& dirty) { mainWindow->Present(dirty); });
    StretchResidualsBitmap(dc, bitmap, float(client.Width()), float(client.Height()),
                           ScanStore::distPlotRect[2]);
}
