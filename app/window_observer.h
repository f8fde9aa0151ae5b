// The main window's observer of a computation: the progress line, status texts and trial curves
// drawn straight into the window (a computation does not dispatch messages, so a paint would come
// too late), and repaint requests.
#pragma once

#include "state/compute_observer.h"

#include <vector>

class TXLAWindow;

class TWindowObserver : public CComputeObserver {
  public:
    explicit TWindowObserver(TXLAWindow* window) : window_(window) {}

    bool Shows() const override;
    std::unique_ptr<CProgressReport> ShowProgress(int x, int y, ProgressBarColour colour) override;
    void StatusText(int x, int y, const char* text) override;
    void TrialCurve(const float* x, const float* y, int n, std::uint32_t colour) override;
    void RequestRepaint() override;
    void TrialDistribution(const std::vector<float>& x, const std::vector<float>& c) override;
    void EndTrialDistribution() override;
    void LiveView() override;

    // How far the newest progress line shown with its left end at (x, y) has advanced; -1 while
    // none is shown there.
    float LineFraction(int x, int y) const;

  private:
    friend class WindowProgressLine;
    struct ShownLine {
        int x, y;
        const CProgressReport* line;
    };
    TXLAWindow* window_;
    std::vector<ShownLine> shown_; // the lines alive, oldest first
};
