// Keys on the plots: Enter or Tab applies a released marker move that waits for confirmation,
// Esc puts it back, and any character closes an open scan menu. A key during a Run or Fit only
// asks the computation to stop.
#include "plotting/aux_plots.h"
#include "state/run_switches.h"
#include "app/txla_window.h"
#include "state/plot_interaction_state.h"
#include "display/scan_menu.h"
#include "display/screen_button_set.h"
#include "scandata/scan_store_alloc.h"

namespace {

bool TentativePending() {
    return TentativeMarker::boundaryPending || TentativeMarker::fitLimitPending ||
           TentativeMarker::refMeniscusPending;
}

} // namespace

void TXLAWindow::EvChar(UINT key, UINT, UINT) {
    if (runBusy || fitBusy) {
        gUserInterrupt = true;
        return;
    }
    if (AuxPlots::auxPlotShown || AuxPlots::auxPlotShown2)
        RequestRepaint();
    if (!ScanStore::dataPlot)
        return;
    if (ScreenButtonSet::scanCancelButton)
        ScanButtonAction(this, 0);
    const bool moveWaits = MarkerDragState::awaitingConfirm && !TentativePending();
    if (key == 27) {
        if (moveWaits)
            ApplyMarkerDrag(false);
        return;
    }
    if ((key == 13 || key == 9) && moveWaits)
        ApplyMarkerDrag(true);
}
