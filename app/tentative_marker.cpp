// The tentative marker: a left double click places a line at the clicked radius, to become a
// fitting limit (plain), the meniscus or bottom (Ctrl) or the reference meniscus (Shift); the
// Left and Right keys nudge it by 0.0003 cm. Any key or click during a Run or Fit only asks the
// computation to stop.
#include "app/txla_window.h"
#include "display/marker_commit.h"
#include "display/marker_lines.h"
#include "display/screen_button_set.h"
#include "plat/window_dc.hpp"
#include "plotting/aux_plots.h"
#include "plotting/screen_button.h"
#include "scandata/scan_store_alloc.h"
#include "state/conti_state.h"
#include "state/model_parameters.h"
#include "state/plot_interaction_state.h"
#include "state/realtime_state.h"
#include "state/run_switches.h"

#include <cstdio>

namespace {

using D = MarkerDragState;
using T = TentativeMarker;

constexpr float kNudgeCm = 0.0003f;

bool AnyGrabbed() {
    return D::meniscusGrabbed || D::refMeniscusGrabbed || D::bottomGrabbed || D::leftLimitGrabbed ||
           D::rightLimitGrabbed || D::meniscusLowGrabbed || D::meniscusHighGrabbed ||
           D::bottomLowGrabbed || D::bottomHighGrabbed;
}

void ShowRadius(TXLAWindow* w, float r) {
    char text[48];
    std::snprintf(text, sizeof text, "%1.4f    ", double(r));
    TClientDC dc(w);
    dc.TextOut(10, 50, text);
}

// The noise and integration buttons take a double click as a single press.
bool OnNoiseOrRangeButton(const TRect& client, const TPoint& point) {
    const int w = client.right - client.left, h = client.bottom - client.top;
    if (w <= 0 || h <= 0)
        return false;
    const float fx = float(point.x) / float(w), fy = float(point.y) / float(h);
    const float x = float(int(1000.0f * fx)), y = float(int(1000.0f * fy));
    for (CScreenButton* b : {ScreenButtonSet::noiseButton1, ScreenButtonSet::noiseButton2,
                             ScreenButtonSet::rangeButton})
        if (b && b->HitTest(x, y))
            return true;
    return false;
}

} // namespace

void TXLAWindow::EvLButtonDblClk(UINT modifiers, const TPoint& point) {
    ContiState::fMvsMOneShot = false;
    if (AuxPlots::auxPlotShown || AuxPlots::auxPlotShown2)
        return;
    if (runBusy || fitBusy) {
        gUserInterrupt = true;
        return;
    }
    if (D::buttonDown)
        return;
    if (D::awaitingConfirm && D::meniscusShiftPending)
        ApplyMarkerDrag(false);
    if (D::awaitingConfirm) {
        // A released move that waits takes the clicked radius instead.
        DrawMarkerLineB(this, point.x, 1);
        D::releaseX = point.x;
        gMouseDataX = DataRadiusAtColumn(this, point.x);
        return;
    }
    if (OnNoiseOrRangeButton(GetClientRect(), point)) {
        EvLButtonDown(modifiers, point);
        return;
    }
    if (!ScanStore::dataPlot)
        return;
    const bool ctrl = modifiers == (MK_LBUTTON | MK_CONTROL);
    const bool shift = modifiers == (MK_LBUTTON | MK_SHIFT);
    // A reference meniscus is measured from the meniscus: without one there is nothing to place.
    if (shift && ModelParameters::meniscus == 0.0f)
        return;
    const bool hadLine = gMouseDataX != 0.0f;
    gMouseDataX = DataRadiusAtColumn(this, point.x);
    DrawMarkerLineB(this, DataPlotColumn(this, gMouseDataX), hadLine ? 1 : 0);
    T::placed = true;
    T::boundaryPending = ctrl;
    T::refMeniscusPending = shift;
    T::fitLimitPending = !ctrl && !shift;
    if (ctrl)
        D::meniscusGrabbed = true;
    else if (shift)
        D::refMeniscusGrabbed = true;
    else
        D::leftLimitGrabbed = true;
    ShowRadius(this, gMouseDataX);
    D::awaitingConfirm = true;
    if (AnyGrabbed())
        ShowMarkerConfirmButtons(this, point.x, point.y);
}

void TXLAWindow::EvKeyDown(UINT key, UINT, UINT) {
    if (runBusy || fitBusy) {
        gUserInterrupt = true;
        return;
    }
    // A key pressed while nothing computes is not kept as an abort request: it would stop the
    // next long command at its first key poll. In the realtime mode it stops the update at once.
    if (RealtimeState::realtimeMode) {
        RealtimeState::stopRequested = true;
        EvRealtimeTimer(13);
    }
    if (!ScanStore::dataPlot || !T::placed || (key != VK_LEFT && key != VK_RIGHT))
        return;
    gMouseDataX = float(double(gMouseDataX) + (key == VK_LEFT ? -kNudgeCm : kNudgeCm));
    DrawMarkerLineB(this, DataPlotColumn(this, gMouseDataX), 1);
    ShowRadius(this, gMouseDataX);
}
