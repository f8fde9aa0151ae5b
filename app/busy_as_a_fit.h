// The window busy as during a Fit while a command computes outside Run and Fit.
#pragma once

#include "app/txla_window.h"

// While one lives, what the user gives the window stops the computation or is lost, as during a
// Fit: a command chosen meanwhile waits for the command's end, and the keys and clicks given
// meanwhile are dropped when it ends, before a box of the command could hand them on. Inside a
// Fit, or inside another one, it adds nothing.
class BusyAsAFit {
  public:
    explicit BusyAsAFit(TXLAWindow& window) : window_(window), began_(!window.fitBusy) {
        if (began_)
            window_.BeginBusy(window_.fitBusy);
    }
    ~BusyAsAFit() {
        if (began_)
            window_.EndBusy(window_.fitBusy);
    }
    BusyAsAFit(const BusyAsAFit&) = delete;
    BusyAsAFit& operator=(const BusyAsAFit&) = delete;

  private:
    TXLAWindow& window_;
    bool began_;
};
