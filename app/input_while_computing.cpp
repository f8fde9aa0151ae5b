// The window while a Run or Fit computes: what the user does to it stops the computation or is
// lost, and acts on nothing, then or after.
#include "app/txla_window.h"
#include "foundations/key_polling.h"
#include "state/realtime_state.h"
#include "state/run_switches.h"
#include "state/serial_fit_state.h"

LRESULT TXLAWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    // Input reaches the window meanwhile only through the loop of a box the computation shows: a
    // stop is counted, so that no evaluation of the running fit clears it as a failure of its own.
    // Plain moves go on to the handler.
    if (runBusy || fitBusy) {
        MSG msg;
        msg.hwnd = this;
        msg.message = message;
        msg.wParam = wParam;
        msg.lParam = lParam;
        if (IsInputOfComputation(msg)) {
            if (CountStopHandedToWindow(msg))
                gUserInterrupt = true;
            return 0;
        }
    }
    return TFrameWindow::HandleMessage(message, wParam, lParam);
}

void TXLAWindow::BeginBusy(bool& busy) {
    if (!runBusy && !fitBusy)
        stopsBeforeBusy_ = StopsCounted();
    busy = true;
}

void TXLAWindow::EndBusy(bool& busy) {
    busy = false;
    if (runBusy || fitBusy)
        return;
    // A key the computation saw, or left queued when it did not poll, is a stop of the series or
    // the realtime mode at its next check.
    const bool keyLeft = DropInputOfComputation(this);
    if (!keyLeft && StopsCounted() == stopsBeforeBusy_)
        return;
    if (SerialFitState::serializing)
        SerialFitState::stopRequested = true;
    if (RealtimeState::realtimeMode)
        RealtimeState::stopRequested = true;
}
