// The end of a command that an exception ended before its own end.
#include "app/command_ended_by_exception.h"

#include "app/txla_window.h"
#include "state/conti_state.h"
#include "state/fit_control.h"
#include "state/run_switches.h"

#include <new>

void EndCommandEndedByException(TXLAWindow& window) {
    // An exception passed over the fit's own ends and those of the nested fits in its trials.
    FitControl::fitInProgress = false;
    ContiState::calledFromFit = false;
    gSimulateOnly = false;
    if (window.runBusy || window.fitBusy) {
        window.runBusy = false;
        window.EndBusy(window.fitBusy);
    }
    window.SetCursor(IDC_ARROW);
}

bool RanOutOfMemory(TXLAWindow& window, const std::function<void()>& steps) {
    try {
        steps();
        return false;
    } catch (const std::bad_alloc&) {
        EndCommandEndedByException(window);
        return true;
    }
}
