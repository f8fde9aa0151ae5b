// Leaving the test of attained equilibrium: the main plots come back from the store.
#include "app/txla_window.h"
#include "state/window_services.h"
#include "state/realtime_state.h"

void TXLAWindow::LeaveEqTestMode() {
    if (!RealtimeState::equilibriumTestMode)
        return;
    // The test's own series and plot window come with the equilibrium test itself.
    WindowServices::SetPlotAxisTitles();
    WindowServices::UpdateResiduals(false);
    WindowServices::RedrawDataPlot(false);
    RealtimeState::equilibriumTestMode = false;
    RequestRepaint();
}
