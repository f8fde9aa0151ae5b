// Progress of the distribution's normal equations, drawn straight into the window: the
// computation does not dispatch messages, so a repaint would not come in time.
#include "distributions/conti_progress.h"

#include "state/conti_state.h"
#include "state/fit_control.h"
#include "state/window_services.h"

ContiProgress::ContiProgress(TXLAWindow* window) {
    if (FitControl::fitInProgress || ContiState::calledFromFit)
        return;
    CComputeObserver& observer = WindowServices::Observer(window);
    observer.StatusText(10, 50, "calculating normal equations");
    line_ = CProgress(observer, 10, 65, ProgressBarColour::blue);
}

ContiProgress::~ContiProgress() {
    line_.Hide();
}

void ContiProgress::Draw(double fraction) {
    line_.Advance(static_cast<float>(fraction));
}
