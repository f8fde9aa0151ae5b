// Progress of the distribution's normal equations, reported to the observer as it goes: the
// computation does not dispatch messages, so a repaint would not come in time.
#include "distributions/conti_progress.h"

#include "state/conti_state.h"
#include "state/fit_control.h"

#include <new>

ContiProgress::ContiProgress(CComputeObserver& observer) {
    if (FitControl::fitInProgress || ContiState::calledFromFit)
        return;
    observer.StatusText(10, 50, "calculating normal equations");
    line_ = CProgress(observer, 10, 65, ProgressBarColour::blue);
}

// Hiding the line takes memory for what it covered; without it the line stays until the next
// paint draws the window anew, and nothing leaves the destructor.
ContiProgress::~ContiProgress() {
    try {
        line_.Hide();
    } catch (const std::bad_alloc&) {
    }
}

void ContiProgress::Draw(double fraction) {
    line_.Advance(static_cast<float>(fraction));
}
