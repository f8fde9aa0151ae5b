// Right button on the plots. A band drawn on the data plot zooms it and pushes a level of the
// zoom history; a right double click goes back one level. On the distribution plot the band
// is integrated when an integration waits for it and zooms that plot; a double click returns it
// to full scale. During a Run or Fit every right button message only asks the computation to
// stop.
#include "app/distribution_range.h"
#include "app/molar_mass_readout.h"
#include "app/mstar_actions.h"
#include "app/pointer_in_client.h"
#include "app/rubber_band.h"
#include "app/txla_window.h"
#include "display/distribution_plot.h"
#include "display/integrated_area.h"
#include "display/marker_lines.h"
#include "display/plot_coordinates.h"
#include "display/plot_hit_tests.h"
#include "distributions/conti_fit.h"
#include "foundations/sounds.h"
#include "plat/window_dc.hpp"
#include "plotting/aux_plots.h"
#include "plotting/win_plot.h"
#include "scandata/scan_store_alloc.h"
#include "state/conti_state.h"
#include "state/model_choice.h"
#include "state/mstar_state.h"
#include "state/plot_interaction_state.h"
#include "state/run_switches.h"

#include <algorithm>
#include <cmath>

namespace {

using RB = RubberBand;
using DB = DistributionBand;

// The guard of the three handlers; true when the message ends here.
bool RightButtonIgnored(TXLAWindow* w) {
    if (AuxPlots::auxPlotShown || AuxPlots::auxPlotShown2)
        return true;
    if (w->runBusy || w->fitBusy) {
        gUserInterrupt = true;
        return true;
    }
    return !ScanStore::dataPlot;
}

// An integration band stands on the distribution plot's base line and spans its full height.
bool IntegrationRows() {
    return DB::integrateArmed && !SizeShapeModel();
}

int DistributionRow(TXLAWindow* w, int perMille) {
    return int(std::floor(perMille * double(w->clientHeight) / 1000.0));
}

float DataY(TXLAWindow* w, int row) {
    return LogicalToDataY(*ScanStore::dataPlot, PixelToLogicalY(row, w->clientHeight));
}

float DistributionS(TXLAWindow* w, int column) {
    return LogicalToDataX(*ContiState::distributionPlot, PixelToLogicalX(column, w->clientWidth));
}

// The secondary-axis value of a client row; the plot measures rows in its logical units.
float DistributionV(TXLAWindow* w, int row) {
    return ContiState::distributionPlot->Y2FromPixel(PixelToLogicalY(row, w->clientHeight));
}

// A released marker that waits for confirmation keeps its radius when the scale changes.
void FollowScaleWithWaitingMarker(TXLAWindow* w) {
    if (MarkerDragState::awaitingConfirm)
        MarkerDragState::releaseX = DataPlotColumn(w, gMouseDataX);
}

void RevertWaitingMeniscusShift(TXLAWindow* w) {
    if (MarkerDragState::awaitingConfirm && MarkerDragState::meniscusShiftPending)
        w->ApplyMarkerDrag(false);
}

// The zoom of a band across the data plot; the history gets a level only when the plot took
// the ranges, so that zooming out never passes through a level that was not shown.
void ZoomDataPlot(TXLAWindow* w, int xmin, int xmax, int ymin, int ymax) {
    CWINPlot* plot = ScanStore::dataPlot;
    const float x0 = DataRadiusAtColumn(w, xmin), x1 = DataRadiusAtColumn(w, xmax);
    const float y0 = DataY(w, ymax), y1 = DataY(w, ymin);
    if (ymin == ymax || !(std::fabs(y1 - y0) >= 1e-10f) || !(std::fabs(x1 - x0) >= 1e-10f))
        return;
    ZoomHistory::Push(x0, x1, y0, y1);
    const int k = ZoomHistory::level;
    plot->SetRanges(ZoomHistory::xLow[k], ZoomHistory::xHigh[k], ZoomHistory::yLow[k],
                    ZoomHistory::yHigh[k]);
    plot->Draw();
}

} // namespace

void TrackRubberBand(TXLAWindow* w, const TPoint& point) {
    RB::currentX = ColumnInClient(*w, point.x);
    RB::currentY = IntegrationRows() ? DistributionRow(w, ContiState::distributionPlotTop)
                                     : RowInClient(*w, point.y);
    DrawRubberBandRect(w, RB::anchorX, RB::anchorY, RB::drawnX, RB::drawnY);
    DrawRubberBandRect(w, RB::anchorX, RB::anchorY, RB::currentX, RB::currentY);
    if (IntegrationRows() && DB::active && ContiState::distributionPlot) {
        // The stretch under the old band back in black, then the one under the new band in red.
        DrawIntegratedArea(w, DistributionS(w, RB::anchorX), DistributionS(w, RB::drawnX), 13, 0);
        DrawIntegratedArea(w, DistributionS(w, RB::minX), DistributionS(w, RB::maxX), -1, 0);
        DrawIntegratedArea(w, DistributionS(w, RB::anchorX), DistributionS(w, RB::currentX), 12,
                           255);
    }
    RB::drawnX = RB::currentX;
    RB::drawnY = RB::currentY;
    RB::maxX = std::max(RB::maxX, RB::currentX);
    RB::minX = std::min(RB::minX, RB::currentX);
}

void TXLAWindow::EvRButtonDown(UINT, const TPoint& point) {
    if (RightButtonIgnored(this) || rubberBandActive)
        return;
    const int row =
        IntegrationRows() ? DistributionRow(this, ContiState::distributionPlotBottom) : point.y;
    RB::anchorX = RB::currentX = RB::drawnX = RB::maxX = RB::minX = point.x;
    RB::anchorY = RB::currentY = RB::drawnY = RB::maxY = RB::minY = row;
    rubberBandActive = true;
    if (InsideDistributionPlot(this, point.x, point.y)) {
        SetCursor(IDC_CROSS);
        DB::zoomArmed = DB::selectArmed = DB::active = true;
    } else {
        DB::active = false;
        gZoomed = InsideDataPlotBand(this, point.x, point.y);
        if (!gZoomed)
            return; // outside both plots the release only cleans up
    }
    RB::captured = true;
    SetCapture();
    SetCursor(IDC_CROSS);
    rubberBandDC = new TClientDC(this);
}

void TXLAWindow::EvRButtonUp(UINT, const TPoint&) {
    if (RightButtonIgnored(this))
        return;
    if (rubberBandActive) {
        // The band ends with the release: the mouse is free again before a box of the
        // integration or the M* screen opens, so that the box takes its clicks.
        if (RB::captured)
            ReleaseCapture();
        DrawRubberBandRect(this, RB::anchorX, RB::anchorY, RB::currentX, RB::currentY);
        const int xmin = std::min(RB::anchorX, RB::currentX);
        const int xmax = std::max(RB::anchorX, RB::currentX);
        const int ymin = std::min(RB::anchorY, RB::currentY);
        const int ymax = std::max(RB::anchorY, RB::currentY);
        // On the M* screen a band dragged to the right gives a pending extrapolation range;
        // it zooms nothing.
        const bool mStarRange = MStarState::active && (MStarState::meniscusRangeDragPending ||
                                                       MStarState::bottomRangeDragPending);
        if (mStarRange) {
            if (RB::currentX - RB::anchorX > 10)
                MStarMouseAction(this, MStarState::meniscusRangeDragPending ? 1 : 4, RB::anchorX,
                                 RB::currentX);
        } else if (xmax - xmin > 10 && (!gZoomed || ymax > ymin)) {
            // A flat band would give the data plot no y range: it zooms nothing.
            if (gZoomed) {
                ZoomDataPlot(this, xmin, xmax, ymin, ymax);
            } else if (DB::active && ContiState::distributionPlot) {
                if (DB::integrateArmed)
                    ReportIntegral(this, DistributionS(this, xmin), DistributionS(this, xmax),
                                   DistributionV(this, ymax), DistributionV(this, ymin));
                if (DB::zoomArmed)
                    RedrawDistribution(this, DistributionS(this, xmin), DistributionS(this, xmax));
            }
            gRangeSetByUser = true;
            if (!DB::zoomArmed)
                RequestRepaint();
        }
        SetCursor(IDC_ARROW);
        delete rubberBandDC;
        rubberBandDC = nullptr;
        rubberBandActive = RB::captured = gZoomed = DB::active = false;
        FollowScaleWithWaitingMarker(this);
    }
    RevertWaitingMeniscusShift(this);
}

void TXLAWindow::EvRButtonDblClk(UINT modifiers, const TPoint& point) {
    ContiState::fMvsMOneShot = false;
    if (RightButtonIgnored(this) || MarkerDragState::buttonDown)
        return;
    gZoomed = DB::active = false;
    RevertWaitingMeniscusShift(this);
    if (InsideDistributionPlot(this, point.x, point.y)) {
        if (modifiers == (MK_CONTROL | MK_RBUTTON) && MolarMassReadoutEnabled()) {
            ShowMolarMassReadout(this, point.x, point.y, DistributionS(this, point.x));
            return;
        }
        CmFullscaleDistributionPlot();
        RequestRepaint();
        return;
    }
    if (ZoomHistory::level - 1 < 0) {
        ZoomHistory::level = 0;
        PlayOkSound();
        return;
    }
    const int k = --ZoomHistory::level;
    CWINPlot* plot = ScanStore::dataPlot;
    if (k == 0)
        plot->FullRange();
    else if (gRangeSetByUser)
        plot->SetRanges(ZoomHistory::xLow[k], ZoomHistory::xHigh[k], ZoomHistory::yLow[k],
                        ZoomHistory::yHigh[k]);
    else
        plot->ZoomX(ZoomHistory::xLow[k], ZoomHistory::xHigh[k]);
    plot->Draw();
    FollowScaleWithWaitingMarker(this);
    RequestRepaint();
}
