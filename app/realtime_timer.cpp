// The realtime update timer of the main window.
#include "app/txla_window.h"
#include "state/realtime_state.h"

void TXLAWindow::EvRealtimeTimer(UINT id) {
    // Only the realtime update starts timer 13; no other timer belongs to this window.
    if (id != 13 || !RealtimeState::realtimeMode)
        return;
}
