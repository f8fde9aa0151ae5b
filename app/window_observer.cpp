// TWindowObserver: draws through the progress line, the window's surface and the quick plots.
#include "app/window_observer.h"

#include "plotting/progress_line.h"
#include "plotting/quick_plots.h"
#include "plotting/window_surface.h"
#include "state/scan_store.h"
#include "state/window_services.h"

#include <algorithm>
#include <vector>

// A progress line drawn into the window, known to its observer while it lives.
class WindowProgressLine : public CProgressReport {
  public:
    WindowProgressLine(TWindowObserver& observer, TXLAWindow* window, int x, int y,
                       ProgressBarColour colour)
        : observer_(observer), window_(window) {
        if (colour == ProgressBarColour::blue)
            line_.SetBlueBar();
        else if (colour == ProgressBarColour::purple)
            line_.SetPurpleBar();
        line_.Show(window_, x, y);
        observer_.shown_.push_back({x, y, this});
    }
    ~WindowProgressLine() override {
        auto& shown = observer_.shown_;
        shown.erase(std::remove_if(shown.begin(), shown.end(),
                                   [this](const auto& s) { return s.line == this; }),
                    shown.end());
    }
    WindowProgressLine(const WindowProgressLine&) = delete;
    WindowProgressLine& operator=(const WindowProgressLine&) = delete;
    void Advance(float fraction) override { line_.Draw(fraction, window_); }
    void Hide() override { line_.Hide(window_); }
    float Fraction() const override { return line_.value; }

  private:
    TWindowObserver& observer_;
    TXLAWindow* window_;
    CProgressLine line_;
};

bool TWindowObserver::Shows() const {
    return OnDrawingThread();
}

std::unique_ptr<CProgressReport> TWindowObserver::ShowProgress(int x, int y,
                                                               ProgressBarColour colour) {
    return std::make_unique<WindowProgressLine>(*this, window_, x, y, colour);
}

float TWindowObserver::LineFraction(int x, int y) const {
    for (auto s = shown_.rbegin(); s != shown_.rend(); ++s)
        if (s->x == x && s->y == y)
            return s->line->Fraction();
    return -1.0f;
}

void TWindowObserver::StatusText(int x, int y, const char* text) {
    DrawStatusText(window_, x, y, text);
}

// The curve is viewed in copies: a view sets the tiniest values to 0 in place.
void TWindowObserver::TrialCurve(const float* x, const float* y, int n, std::uint32_t colour) {
    if (ScanStore::dataPlot == nullptr || x == nullptr || y == nullptr || n <= 0)
        return;
    std::vector<float> xs(x, x + n + 1), ys(y, y + n + 1);
    PlayOverThePlots(WindowServices::PlatformWindow(window_),
                     QuickPlot(ScanStore::dataPlot, xs.data(), ys.data(), n, colour, -1, 0));
}

void TWindowObserver::RequestRepaint() {
    WindowServices::RequestRepaint(window_);
}

void TWindowObserver::TrialDistribution(const std::vector<float>& x, const std::vector<float>& c) {
    WindowServices::ShowTrialDistribution(window_, x, c);
}

void TWindowObserver::EndTrialDistribution() {
    WindowServices::EndTrialDistribution(window_);
}

void TWindowObserver::LiveView() {
    WindowServices::DrawResidualsView(window_);
}
