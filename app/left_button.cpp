// Left button on the plots: a press first goes to the on-plot confirm buttons, then reverts a move
// that still waits, then grabs the marker line within the grab zone; the release leaves the move
// waiting for "confirm" or "cancel" beside the release point, after the marker has slid on with
// the speed it was let go at (when sliding is on). A press or release during a Run or Fit only
// asks the computation to stop.
#include "app/distribution_range.h"
#include "app/mstar_actions.h"
#include "app/peak_labels.h"
#include "app/pointer_in_client.h"
#include "app/txla_window.h"
#include "display/marker_commit.h"
#include "display/marker_lines.h"
#include "display/plot_coordinates.h"
#include "display/plot_hit_tests.h"
#include "display/pointer_history.h"
#include "display/scan_menu.h"
#include "display/screen_button_set.h"
#include "foundations/key_polling.h"
#include "foundations/nr_arrays.h"
#include "plat/window_dc.hpp"
#include "plotting/aux_plots.h"
#include "plotting/screen_button.h"
#include "plotting/win_plot.h"
#include "scandata/scan_store_alloc.h"
#include "state/buffer_sedimentation.h"
#include "state/fit_control.h"
#include "state/model_parameters.h"
#include "state/mstar_state.h"
#include "state/plot_interaction_state.h"
#include "state/run_switches.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace {

using D = MarkerDragState;

bool AuxScreenShown() {
    return AuxPlots::auxPlotShown || AuxPlots::auxPlotShown2;
}

bool BandOwnsTheMouse() {
    return RubberBand::captured && (gZoomed || DistributionBand::active);
}

// The nine markers in the order a press tests them; earlier ones win within the grab zone. A
// marker outside the range shown is not drawn and not grabbed.
void GrabMarkerAt(TXLAWindow* w, int x) {
    const float ref =
        float(double(ModelParameters::meniscus) - BufferSedimentation::meniscusDifference);
    struct Row {
        bool& grabbed;
        std::int32_t& column;
        float value;
    } rows[] = {
        {D::leftLimitGrabbed, D::leftLimitPx, ScanStore::leftFitLimit},
        {D::rightLimitGrabbed, D::rightLimitPx, ScanStore::rightFitLimit},
        {D::meniscusGrabbed, D::meniscusPx, ModelParameters::meniscus},
        {D::meniscusLowGrabbed, D::meniscusLowPx, FitControl::meniscusMin},
        {D::meniscusHighGrabbed, D::meniscusHighPx, FitControl::meniscusMax},
        {D::bottomGrabbed, D::bottomPx, ModelParameters::bottom},
        {D::bottomLowGrabbed, D::bottomLowPx, FitControl::bottomMin},
        {D::bottomHighGrabbed, D::bottomHighPx, FitControl::bottomMax},
        {D::refMeniscusGrabbed, D::refMeniscusPx, ref},
    };
    for (Row& r : rows)
        r.column = DataPlotColumn(w, r.value);
    for (Row& r : rows) {
        if (DataPlotShowsColumn(w, r.column) && r.column - D::grabTolerance < x &&
            x < r.column + D::grabTolerance) {
            r.grabbed = true;
            return;
        }
    }
}

bool AnyGrabbed() {
    return D::meniscusGrabbed || D::refMeniscusGrabbed || D::bottomGrabbed || D::leftLimitGrabbed ||
           D::rightLimitGrabbed || D::meniscusLowGrabbed || D::meniscusHighGrabbed ||
           D::bottomLowGrabbed || D::bottomHighGrabbed;
}

// The present button that the per-mille point hits, with what it does. Where buttons overlap, the
// one drawn last is the one seen and the one that acts: the marker's confirm pair drawn over an
// open scan menu takes the click, not the scan's "delete" beneath it.
bool ButtonPressed(TXLAWindow* w, float px, float py) {
    using S = ScreenButtonSet;
    struct Row {
        CScreenButton* button;
        void (*action)(TXLAWindow*, int);
        int which;
    } rows[] = {
        {S::scanEditButton, ScanButtonAction, 1},
        {S::pointDeleteButton, PointEditButtonAction, 1},
        {S::pointNotepadButton, PointEditButtonAction, 2},
        {S::scanDeleteButton, ScanButtonAction, 2},
        {S::scanCancelButton, ScanButtonAction, 0},
        {S::confirmButton, [](TXLAWindow* x, int) { MarkerConfirmButtonAction(x, true); }, 0},
        {S::cancelMoveButton, [](TXLAWindow* x, int) { MarkerConfirmButtonAction(x, false); }, 0},
    };
    // The peak labels come before the single buttons.
    if (PressPeakLabel(w, px, py))
        return true;
    std::stable_sort(std::begin(rows), std::end(rows), [](const Row& a, const Row& b) {
        return (a.button ? a.button->shownOrder : 0) > (b.button ? b.button->shownOrder : 0);
    });
    for (const auto& r : rows) {
        if (r.button && r.button->HitTest(px, py)) {
            r.action(w, r.which);
            return true;
        }
    }
    return MStarButtonPressed(w, px, py);
}

void ShowReadouts(TXLAWindow* w, const char* first, const char* second) {
    TClientDC dc(w);
    dc.TextOut(10, 50, first);
    dc.TextOut(10, 70, second);
}

// The scan point under the press, on the data plot first, then on the residual plot; opens
// that scan's menu or, on a miss, closes a menu left open.
void SelectScanPoint(TXLAWindow* w, const TPoint& point) {
    if (ScanStore::scanCount < 1)
        return;
    const int hit = ScanUnderPixel(point.x, point.y, w->clientWidth, w->clientHeight);
    if (!hit) {
        ShowReadouts(w, "              ", "              ");
        if (ScreenButtonSet::scanCancelButton)
            ScanButtonAction(w, 0);
        return;
    }
    if (ScreenButtonSet::scanCancelButton)
        ScanButtonAction(w, 0);
    const int s = ScanStore::scanOrder[hit];
    const int j = ScreenButtonSet::hitPoint;
    char first[64], second[64];
    std::snprintf(first, sizeof first, "r = %1.4f    ", double(ScanStore::radius[s][j]));
    std::snprintf(second, sizeof second, "a = %1.4f    ", double(ScanStore::signal[s][j]));
    ShowReadouts(w, first, second);
    ShowScanButtons(w, point.x, point.y, hit);
}

// The columns between which a released marker may slide: its neighbours on the plot, the
// plot's edges where it has none.
void SlideBounds(TXLAWindow* w, int left, int right, int& low, int& high) {
    const int menHigh = DataPlotColumn(w, FitControl::meniscusMax);
    const int menLow = DataPlotColumn(w, FitControl::meniscusMin);
    const int botLow = DataPlotColumn(w, FitControl::bottomMin);
    const int botHigh = DataPlotColumn(w, FitControl::bottomMax);
    const int leftLimit = DataPlotColumn(w, ScanStore::leftFitLimit);
    const int rightLimit = DataPlotColumn(w, ScanStore::rightFitLimit);
    const struct {
        bool grabbed;
        int low, high;
    } rows[] = {
        {D::meniscusGrabbed || D::refMeniscusGrabbed, left, botLow},
        {D::bottomGrabbed, menHigh, right},
        {D::leftLimitGrabbed, menHigh, rightLimit},
        {D::rightLimitGrabbed, leftLimit, botLow},
        {D::meniscusLowGrabbed, left, menHigh},
        {D::meniscusHighGrabbed, menLow, leftLimit},
        {D::bottomLowGrabbed, rightLimit, botHigh},
        {D::bottomHighGrabbed, botLow, right},
    };
    for (const auto& r : rows) {
        if (r.grabbed) {
            low = r.low;
            high = r.high;
            return;
        }
    }
    low = left;
    high = right;
}

} // namespace

void TXLAWindow::EvLButtonDown(UINT, const TPoint& point) {
    if (AuxScreenShown())
        return;
    if (runBusy || fitBusy) {
        gUserInterrupt = true;
        return;
    }
    const TRect client = GetClientRect();
    const float px = float(PixelToPerMille(point.x, client.right - client.left));
    const float py = float(PixelToPerMille(point.y, client.bottom - client.top));
    if (ButtonPressed(this, px, py))
        return;
    PressNoiseAndIntegrateButtons(this, px, py);
    if (D::awaitingConfirm) {
        ApplyMarkerDrag(false);
        return;
    }
    if (!BandOwnsTheMouse() && ScanStore::dataPlot && InsideDataPlotBand(this, point.x, point.y)) {
        GrabMarkerAt(this, point.x);
        if (AnyGrabbed()) {
            D::buttonDown = true;
            DrawMarkerLineB(this, point.x, 0);
            TentativeMarker::placed = true;
            MouseTrackReset();
            MouseTrackAdd(point.x, point.y);
            return;
        }
    }
    SelectScanPoint(this, point);
}

void TXLAWindow::EvLButtonUp(UINT, const TPoint& point) {
    if (AuxScreenShown())
        return;
    if (runBusy || fitBusy) {
        gUserInterrupt = true;
        return;
    }
    if (BandOwnsTheMouse() || !D::buttonDown)
        return;
    D::buttonDown = false;
    D::releaseX = ColumnInClient(*this, point.x);
    gMouseDataX = DataRadiusAtColumn(this, D::releaseX);
    D::settledByKey = false;
    if (!D::awaitingConfirm) {
        MouseTrackAdd(point.x, point.y);
        SlideReleasedMarker(this);
    }
    if (D::settledByKey) {
        D::awaitingConfirm = false;
        return;
    }
    D::awaitingConfirm = true;
    if (!AnyGrabbed())
        return;
    if (MStarState::mStarMode)
        ApplyMarkerDrag(true); // the M* screen takes a released marker at once
    else
        ShowMarkerConfirmButtons(this, D::releaseX, point.y);
}

void SlideReleasedMarker(TXLAWindow* w) {
    const CWINPlot* plot = ScanStore::dataPlot;
    if (!plot)
        return;
    const int left = LogicalToPixelX(plot->plotLeft, w->clientWidth);
    const int right = LogicalToPixelX(plot->plotRight, w->clientWidth);
    if (D::releaseX < left || D::releaseX > right)
        return;
    int low = left, high = right;
    SlideBounds(w, left, right, low, high);
    int* columns = nullptr;
    float* delays = nullptr;
    int count = 0;
    if (!MouseTrackRelease(&columns, &delays, &count, low, high, D::releaseX))
        return;
    D::settledByKey = false;
    int key = -1;
    for (int i = 1; i <= count; ++i) {
        if (delays[i] <= 0.0f)
            continue;
        int c = 0;
        if (ReadKeyChar(&c)) {
            key = c;
            break;
        }
        WaitSeconds(delays[i]);
        D::releaseX = columns[i];
        gMouseDataX = DataRadiusAtColumn(w, D::releaseX);
        DrawMarkerLineB(w, D::releaseX, 1);
    }
    free_ivector(columns, 1, count);
    free_vector(delays, 1, count);
    if (key == 9 || key == 13) {
        D::settledByKey = true;
        w->ApplyMarkerDrag(true);
    } else if (key == 27) {
        D::settledByKey = true;
        w->ApplyMarkerDrag(false);
    }
}
