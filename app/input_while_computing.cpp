// The window while a Run or Fit computes: what the user does to it stops the computation and
// acts on nothing else, then or after.
#include "app/txla_window.h"
#include "foundations/key_polling.h"
#include "state/run_switches.h"

LRESULT TXLAWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    // Keys, presses and drags reach the window meanwhile only through the loop of a box the
    // computation shows: the stop is counted, so that no evaluation of the running fit clears it
    // as a failure of its own. A key's release is no stop: that of the key that started the
    // command comes meanwhile. Plain moves go on to the handler.
    const bool button = message >= WM_LBUTTONDOWN && message <= WM_MBUTTONDBLCLK;
    const bool drag = message == WM_MOUSEMOVE && (wParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON));
    if ((runBusy || fitBusy) &&
        (button || drag || (message >= WM_KEYFIRST && message <= WM_KEYLAST))) {
        MSG msg;
        msg.hwnd = this;
        msg.message = message;
        msg.wParam = wParam;
        msg.lParam = lParam;
        if (CountStop(msg) || (message != WM_KEYUP && message != WM_SYSKEYUP))
            gUserInterrupt = true;
        return 0;
    }
    return TFrameWindow::HandleMessage(message, wParam, lParam);
}

void TXLAWindow::EndBusy(bool& busy) {
    busy = false;
    if (!runBusy && !fitBusy)
        DropInputOfComputation(this);
}
