// Progress of the distribution's normal equations, drawn straight into the window: the
// computation does not dispatch messages, so a repaint would not come in time.
#include "distributions/conti_progress.h"

#include "plotting/progress_line.h"
#include "plotting/window_surface.h"
#include "state/conti_state.h"
#include "state/fit_control.h"
#include "state/window_services.h"

ContiProgress::ContiProgress(TXLAWindow* window) {
    if (!WindowServices::PlatformWindow(window) || FitControl::fitInProgress ||
        ContiState::calledFromFit)
        return;
    window_ = window;
    DrawStatusText(window_, 10, 50, "calculating normal equations");
    line_ = std::make_unique<CProgressLine>();
    line_->SetBlueBar();
    line_->Show(window_, 10, 65);
}

ContiProgress::~ContiProgress() {
    if (line_)
        line_->Hide(window_);
}

void ContiProgress::Draw(double fraction) {
    if (line_)
        line_->Draw(static_cast<float>(fraction), window_);
}
