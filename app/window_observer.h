// The main window's observer of a computation: the progress line, status texts and trial curves
// drawn straight into the window (a computation does not dispatch messages, so a paint would come
// too late), and repaint requests.
#pragma once

#include "state/compute_observer.h"

class TXLAWindow;

class TWindowObserver : public CComputeObserver {
  public:
    explicit TWindowObserver(TXLAWindow* window) : window_(window) {}

    bool Shows() const override;
    std::unique_ptr<CProgressReport> ShowProgress(int x, int y, ProgressBarColour colour) override;
    void StatusText(int x, int y, const char* text) override;
    void TrialCurve(const float* x, const float* y, int n, std::uint32_t colour) override;
    void RequestRepaint() override;

  private:
    TXLAWindow* window_;
};
