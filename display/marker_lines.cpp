// Marker lines drawn outside the paint. Each call opens its own client context, so the lines can
// be drawn from any handler and from long loops; copy mode replaces pixels, invert mode restores
// them when drawn twice.
#include "display/marker_lines.h"

#include "display/plot_coordinates.h"
#include "display/screen_modes.h"
#include "plat/window.hpp"
#include "plat/window_dc.hpp"
#include "plotting/win_plot.h"
#include "scandata/scan_store_alloc.h"
#include "state/fit_control.h"
#include "state/model_parameters.h"
#include "state/window_services.h"

void MarkerState::ResetToDefaults() {
    cursorShown = false;
    cursorRadius = 0.0f;
    cursorDrawnX = 0;
}

namespace {

// Top and bottom pixel rows of the data panel.
void PanelRows(const TXLAWindow* window, int& top, int& bottom) {
    top = LogicalToPixelY(ScanStore::distPlotRect[0], WindowServices::ClientHeight(window));
    bottom = LogicalToPixelY(ScanStore::distPlotRect[1], WindowServices::ClientHeight(window));
}

void VerticalLine(TDC& dc, int x, int top, int bottom) {
    dc.MoveTo(x, top);
    dc.LineTo(x, bottom);
}

void DrawInMode(TXLAWindow* window, int x, COLORREF colour, int rop) {
    int top, bottom;
    PanelRows(window, top, bottom);
    TClientDC dc(WindowServices::PlatformWindow(window));
    dc.SelectObject(TPen(colour));
    dc.SetROP2(rop);
    VerticalLine(dc, x, top, bottom);
}

} // namespace

void DrawMarkerLine(TXLAWindow* window, int x, COLORREF colour) {
    if (window && DataPlotShowsColumn(window, x))
        DrawInMode(window, x, colour, R2_COPYPEN);
}

void DrawMarkerLineA(TXLAWindow* window, int x, COLORREF colour, int dashCount) {
    if (!window || dashCount <= 0 || !DataPlotShowsColumn(window, x))
        return;
    if (dashCount == 1) {
        DrawMarkerLine(window, x, colour);
        return;
    }
    const int top = ScanStore::distPlotRect[0];
    const double dash = double(ScanStore::distPlotRect[1] - top) / (2 * dashCount + 1);
    TClientDC dc(WindowServices::PlatformWindow(window));
    dc.SelectObject(TPen(colour));
    dc.SetROP2(R2_COPYPEN);
    for (int i = 1; i <= dashCount; ++i) {
        const int y0 =
            LogicalToPixelY(int(top + (2 * i - 2) * dash), WindowServices::ClientHeight(window));
        const int y1 =
            LogicalToPixelY(int(top + (2 * i - 1) * dash), WindowServices::ClientHeight(window));
        VerticalLine(dc, x, y0, y1);
    }
}

void DrawMarkerLineB(TXLAWindow* window, int x, int erasePrevious) {
    if (!window)
        return;
    if (erasePrevious != 0 && MarkerState::cursorDrawnX != 0)
        DrawInMode(window, MarkerState::cursorDrawnX, 0, R2_NOT);
    MarkerState::cursorDrawnX = x;
    if (x != 0)
        DrawInMode(window, x, 0, R2_NOT);
}

void DrawRubberBandRect(TXLAWindow* window, int x1, int y1, int x2, int y2) {
    TClientDC* band = WindowServices::RubberBandDC(window);
    if (!band)
        return;
    if (x1 == x2 && y1 == y2)
        return;
    TClientDC& dc = *band;
    dc.SetROP2(R2_NOT);
    dc.MoveTo(x1, y1);
    dc.LineTo(x1, y2);
    dc.LineTo(x2, y2);
    dc.LineTo(x2, y1);
    dc.LineTo(x1, y1);
    dc.Flush();
}

bool DataPlotShowsColumn(const TXLAWindow* window, int x) {
    const CWINPlot* plot = ScanStore::dataPlot;
    if (!plot)
        return true;
    const float width = WindowServices::ClientWidth(window);
    return LogicalToPixelX(plot->plotLeft, width) <= x &&
           x <= LogicalToPixelX(plot->plotRight, width);
}

int DataPlotColumn(TXLAWindow* window, float radius) {
    const CWINPlot* plot = ScanStore::dataPlot;
    return plot ? MarkerColumn(*plot, radius, WindowServices::ClientWidth(window)) : 0;
}

float DataRadiusAtColumn(TXLAWindow* window, int x) {
    if (!ScanStore::dataPlot)
        return 0.0f;
    return LogicalToDataX(*ScanStore::dataPlot,
                          PixelToLogicalX(x, WindowServices::ClientWidth(window)));
}

void RedrawMarkers(TXLAWindow* window) {
    if (!window || !ScanStore::dataPlot)
        return;
    auto solid = [&](float v, COLORREF colour) {
        if (v != 0.0f)
            DrawMarkerLine(window, DataPlotColumn(window, v), colour);
    };
    auto dashed = [&](float v) {
        if (v != 0.0f)
            DrawMarkerLineA(window, DataPlotColumn(window, v), MarkerState::variationLimitColour,
                            kMarkerDashes);
    };
    const bool mstar = MStarScreenActive();
    if (!mstar) {
        solid(ScanStore::rightFitLimit, MarkerState::fitLimitColour);
        solid(ScanStore::leftFitLimit, MarkerState::fitLimitColour);
    }
    solid(ModelParameters::meniscus, MarkerState::meniscusColour);
    solid(ModelParameters::bottom, MarkerState::bottomColour);
    if (!mstar) {
        dashed(FitControl::minMeniscus);
        dashed(FitControl::maxMeniscus);
        dashed(FitControl::minBottom);
        dashed(FitControl::maxBottom);
    }
}
