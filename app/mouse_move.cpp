// The pointer on the plots. While a marker is held its tentative line follows the pointer and the
// radius under it becomes the drop radius; otherwise a marker under the pointer is highlighted
// with the resize cursor and a scan point under it gets its scan's name box; while the right
// button draws a band, the band follows; on the equilibrium test's plot the pointer's values are
// shown. During a Run or Fit a move with a button held asks the computation to stop, as the press
// did; a plain move does nothing, for the moves queued meanwhile reach the window through the
// loop of any box the computation shows, and would stop it although no key or button was pressed.
#include "app/pointer_in_client.h"
#include "app/rubber_band.h"
#include "app/txla_window.h"
#include "display/marker_lines.h"
#include "display/plot_coordinates.h"
#include "display/plot_hit_tests.h"
#include "display/pointer_history.h"
#include "display/scan_menu.h"
#include "display/screen_button_set.h"
#include "display/screen_modes.h"
#include "plat/window_dc.hpp"
#include "plotting/aux_plots.h"
#include "plotting/win_plot.h"
#include "scandata/scan_store_alloc.h"
#include "state/buffer_sedimentation.h"
#include "state/display_options.h"
#include "state/fit_control.h"
#include "state/model_parameters.h"
#include "state/mstar_state.h"
#include "state/plot_interaction_state.h"
#include "state/realtime_state.h"
#include "state/run_switches.h"
#include "state/serial_fit_state.h"

#include <cstdio>
#include <cstdlib>

// Since the pointer last left a marker the arrow is back and the markers are redrawn.
bool gArrowCursorShown = false;

namespace {

using D = MarkerDragState;

// The marker under column x in the hover order; false when none. Colour 0 means cursor only.
bool HoveredMarker(TXLAWindow* w, int x, int& column, COLORREF& colour) {
    const bool mStar = MStarState::mStarMode;
    const float ref =
        float(double(ModelParameters::meniscus) - BufferSedimentation::meniscusDifference);
    D::meniscusPx = DataPlotColumn(w, ModelParameters::meniscus);
    D::bottomPx = DataPlotColumn(w, ModelParameters::bottom);
    D::leftLimitPx = DataPlotColumn(w, ScanStore::leftFitLimit);
    D::rightLimitPx = DataPlotColumn(w, ScanStore::rightFitLimit);
    D::meniscusLowPx = DataPlotColumn(w, FitControl::meniscusMin);
    D::meniscusHighPx = DataPlotColumn(w, FitControl::meniscusMax);
    D::bottomLowPx = DataPlotColumn(w, FitControl::bottomMin);
    D::bottomHighPx = DataPlotColumn(w, FitControl::bottomMax);
    D::refMeniscusPx = DataPlotColumn(w, ref);
    const COLORREF limit = RGB(0, 180, 0), bound = RGB(80, 80, 80);
    // On the M* screen the fit limits only change the cursor.
    const struct {
        bool tested;
        int column;
        COLORREF colour;
    } rows[] = {
        {true, D::meniscusPx, RGB(180, 0, 0)},
        {true, D::rightLimitPx, mStar ? COLORREF(0) : limit},
        {!mStar, D::meniscusLowPx, bound},
        {!mStar, D::meniscusHighPx, bound},
        {!mStar, D::bottomLowPx, bound},
        {!mStar, D::bottomHighPx, bound},
        {true, D::leftLimitPx, mStar ? COLORREF(0) : limit},
        {true, D::bottomPx, RGB(180, 180, 255)},
        {D::awaitingConfirm, D::releaseX, 0},
        {!mStar && BufferSedimentation::on && BufferSedimentation::meniscusDiffOn, D::refMeniscusPx,
         RGB(150, 0, 150)},
    };
    for (const auto& r : rows) {
        if (r.tested && DataPlotShowsColumn(w, r.column) &&
            std::abs(x - r.column) < D::grabTolerance) {
            column = r.column;
            colour = r.colour;
            return true;
        }
    }
    return false;
}

void Hover(TXLAWindow* w, const TPoint& point) {
    const bool eqTest = RealtimeState::equilibriumTestMode;
    if (!eqTest && InsideDataPlotBand(w, point.x, point.y)) {
        int column = 0;
        COLORREF colour = 0;
        if (HoveredMarker(w, point.x, column, colour)) {
            if (colour)
                DrawMarkerLineA(w, column, colour, kMarkerDashes);
            w->SetCursor(IDC_SIZEWE);
            gArrowCursorShown = false;
        } else if (!gArrowCursorShown) {
            w->SetCursor(IDC_ARROW);
            RedrawMarkers(w);
            gArrowCursorShown = true;
        }
    }
    if (!gScanNameTips || eqTest || ScanStore::scanCount < 1 || MStarState::mStarMode)
        return;
    const int hit = ScanUnderPixel(point.x, point.y, w->clientWidth, w->clientHeight);
    if (hit)
        ShowScanNameTip(w, hit, point.x, point.y);
    else
        HideScanNameTip(w);
}

// The pointer's place in the data of the equilibrium test's plot.
void ShowEqTestReadout(TXLAWindow* w, const TPoint& point) {
    const CWINPlot& plot = *AuxPlots::auxPlot;
    const float x = LogicalToDataX(plot, PixelToLogicalX(point.x, w->clientWidth));
    const float y = LogicalToDataY(plot, PixelToLogicalY(point.y, w->clientHeight));
    char first[48], second[48];
    std::snprintf(first, sizeof first, "%1.3f    ", double(x));
    std::snprintf(second, sizeof second, "%1.3f    ", double(y));
    TClientDC dc(w);
    dc.TextOut(10, 50, first);
    dc.TextOut(10, 70, second);
}

} // namespace

void TXLAWindow::EvMouseMove(UINT modifiers, const TPoint& point) {
    if (runBusy || fitBusy) {
        if (modifiers & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON))
            gUserInterrupt = true;
        return;
    }
    if (!ScanStore::dataPlot || !ScanStore::residualPlot || AuxPlots::auxPlotShown ||
        AuxPlots::auxPlotShown2 || SerialFitState::serializing)
        return;
    if (ScreenModes::eqTestPlotShown && AuxPlots::auxPlot) {
        ShowEqTestReadout(this, point);
        return;
    }
    if (D::buttonDown) {
        if (!D::awaitingConfirm)
            MouseTrackAdd(point.x, point.y);
        D::releaseX = ColumnInClient(*this, point.x);
        DrawMarkerLineB(this, D::releaseX, 1);
        gMouseDataX = DataRadiusAtColumn(this, D::releaseX);
        return;
    }
    if (RubberBand::captured && (gZoomed || DistributionBand::active)) {
        TrackRubberBand(this, point);
        return;
    }
    Hover(this, point);
}
