// What a computation shows while it runs: a progress line, status texts, a trial's curves over
// the data plot and a repaint request. The computation reports to an observer and never draws:
// the window's observer (app/) draws through the plots, batch runs and tests pass their own, and
// the silent observer shows nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

enum class ProgressBarColour { red, blue, purple };

// A curve colour as 0x00bbggrr.
constexpr std::uint32_t CurveColour(int r, int g, int b) {
    return std::uint32_t(r) | std::uint32_t(g) << 8 | std::uint32_t(b) << 16;
}
// The colour of the trial curves of species (or equation) 1 to 4; black for any other.
constexpr std::uint32_t SpeciesCurveColour(int species) {
    constexpr std::uint32_t kColours[4] = {CurveColour(150, 0, 150), CurveColour(0, 255, 0),
                                           CurveColour(0, 0, 255), CurveColour(0, 150, 150)};
    return species >= 1 && species <= 4 ? kColours[species - 1] : CurveColour(0, 0, 0);
}

// One progress line while it is on the screen.
class CProgressReport {
  public:
    virtual ~CProgressReport() = default;
    // Advances the bar to fraction (0..1); a value that does not advance it is ignored.
    virtual void Advance(float fraction) = 0;
    // Puts back what the line covered; the line may be hidden more than once.
    virtual void Hide() = 0;
    // How far the bar has advanced.
    virtual float Fraction() const = 0;
};

class CComputeObserver {
  public:
    virtual ~CComputeObserver() = default;
    // True when the calling thread may show anything: a worker's reports are not shown.
    virtual bool Shows() const { return false; }
    // A progress line with its left end at pixel (x, y), at fraction 0; null when not shown.
    virtual std::unique_ptr<CProgressReport> ShowProgress(int /*x*/, int /*y*/,
                                                          ProgressBarColour /*colour*/) {
        return nullptr;
    }
    // A line of text with its top left at pixel (x, y), over what is there.
    virtual void StatusText(int /*x*/, int /*y*/, const char* /*text*/) {}
    // A trial's curve over the data plot: 1-based x[1..n], y[1..n], colour as 0x00bbggrr.
    virtual void TrialCurve(const float* /*x*/, const float* /*y*/, int /*n*/,
                            std::uint32_t /*colour*/) {}
    // The plots are to be drawn again at the next paint.
    virtual void RequestRepaint() {}
    // A running fit's trial distribution, 1-based x[1..n], c[1..n], in place of the one held,
    // until EndTrialDistribution puts that one back.
    virtual void TrialDistribution(const std::vector<float>& /*x*/,
                                   const std::vector<float>& /*c*/) {}
    virtual void EndTrialDistribution() {}
    // A running fit's latest trial is to be shown (the live refresh keeps its own interval).
    virtual void LiveView() {}
};

// The observer that shows nothing.
inline CComputeObserver& SilentObserver() {
    static CComputeObserver silent;
    return silent;
}

// A progress line that may not be there: each call does nothing without one. It is not hidden
// when it goes: its owner hides it where the screen is to be put back.
class CProgress {
  public:
    CProgress() = default;
    CProgress(CComputeObserver& observer, int x, int y,
              ProgressBarColour colour = ProgressBarColour::red)
        : line_(observer.ShowProgress(x, y, colour)) {}

    void Advance(float fraction) {
        if (line_)
            line_->Advance(fraction);
    }
    void Hide() {
        if (line_)
            line_->Hide();
    }
    float Fraction() const { return line_ ? line_->Fraction() : 0.0f; }
    bool Shown() const { return line_ != nullptr; }

  private:
    std::unique_ptr<CProgressReport> line_;
};
