// Confidence limits by the rmsd criterion and rmsd error surfaces, both by refitting with
// parameters held at chosen values.
#include "fitting/error_analysis.h"

#include "fitting/fit_driver.h"
#include "foundations/whole_number.h"
#include "plat/atomic_file.hpp"
#include "state/fit_control.h"
#include "state/fluorophore.h"
#include "state/model_parameters.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

namespace {

using M = ModelParameters;

// The parameters with their flags at the start, and the detection corrections the refits vary.
// The analysis puts them back with their model at its end; an exception that ends it before
// leaves them back all the same, with the best rmsd (the model is shown anew by the next Run).
class SavedFit {
  public:
    SavedFit()
        : values((PackFitParameters(), M::fitValues), M::fitValues + M::kFitSlots + 1),
          flags(M::fitFloat, M::fitFloat + M::kFitSlots + 1), bestRmsd(FitControl::bestRmsd) {}
    ~SavedFit() {
        if (restored_)
            return;
        Apply();
        FitControl::bestRmsd = bestRmsd;
    }
    SavedFit(const SavedFit&) = delete;
    SavedFit& operator=(const SavedFit&) = delete;

    void Apply() const {
        for (int k = 0; k <= M::kFitSlots; ++k) {
            M::fitValues[k] = values[k];
            M::fitFloat[k] = flags[k];
        }
        detection.PutBack();
        UnpackFitParameters();
    }
    // The analysis' own end: the start back and its model evaluated; a stop stays a stop.
    void Restore(TXLAWindow* window) {
        const bool aborted = FitControl::fitAborted;
        Apply();
        CurrentModelEvaluator()(window);
        FitControl::bestRmsd = bestRmsd;
        FitControl::fitAborted = aborted;
        restored_ = true;
    }

  private:
    std::vector<float> values;
    std::vector<std::int32_t> flags;
    float bestRmsd;
    DetectionCorrectionsSnapshot detection = DetectionCorrectionsSnapshot::Take();
    bool restored_ = false;
};

// Fits the floated parameters with the given slots held at the given values, starting the given
// floated slots from the given values; the rmsd. Both go into the fit vector, whose slots the
// parameters' fields are unpacked from.
double RefitHolding(TXLAWindow* window, CComputeObserver& observer,
                    const std::vector<std::pair<int, float>>& held,
                    const std::vector<std::pair<int, float>>& starts = {}) {
    PackFitParameters();
    for (const auto& [slot, value] : starts)
        M::fitValues[slot] = value;
    for (const auto& [slot, value] : held) {
        M::fitValues[slot] = value;
        M::fitFloat[slot] = 0;
    }
    UnpackFitParameters();
    RunFitWith(window, observer, CurrentModelEvaluator(), false);
    return FitControl::bestRmsd;
}

// One side of the search. Near the optimum rmsd^2 rises quadratically, so the crossing is
// interpolated linearly in sqrt(rmsd^2 - best^2), which is exact for a parabola.
LimitSearch SearchSide(TXLAWindow* window, CComputeObserver& observer, int slot, float start,
                       float step, double critical, double bestRmsd, float* limit) {
    const double bestSq = bestRmsd * bestRmsd;
    const double target = std::sqrt(std::max(0.0, critical * critical - bestSq));
    double previousValue = start, previousD = 0.0;
    for (int i = 1; i <= kConfidenceSteps; ++i) {
        const double value = start + i * double(step);
        const double rmsd = RefitHolding(window, observer, {{slot, static_cast<float>(value)}});
        if (FitControl::fitAborted)
            return LimitSearch::Stopped;
        const double d = std::sqrt(std::max(0.0, rmsd * rmsd - bestSq));
        if (rmsd > critical) {
            const double t = d > previousD ? (target - previousD) / (d - previousD) : 1.0;
            *limit = static_cast<float>(previousValue +
                                        std::clamp(t, 0.0, 1.0) * (value - previousValue));
            return LimitSearch::Found;
        }
        previousValue = value;
        previousD = d;
    }
    return LimitSearch::NoCrossing;
}

} // namespace

ConfidenceLimits FindConfidenceLimits(TXLAWindow* window, CComputeObserver& observer, int slot,
                                      float interval, float criticalRmsd) {
    SavedFit saved;
    PackFitParameters();
    const float start = M::fitValues[slot];
    const double best = FitControl::bestRmsd;
    ConfidenceLimits r;
    r.lower = r.upper = start;
    if (interval > 0.0f) {
        r.lowerSearch =
            SearchSide(window, observer, slot, start, -interval, criticalRmsd, best, &r.lower);
        saved.Apply();
        r.upperSearch =
            r.lowerSearch == LimitSearch::Stopped
                ? LimitSearch::Stopped
                : SearchSide(window, observer, slot, start, interval, criticalRmsd, best, &r.upper);
    }
    saved.Restore(window);
    return r;
}

bool FindConfidenceLimit(TXLAWindow* window, CComputeObserver& observer, int slot, float interval,
                         float criticalRmsd, float* lower, float* upper) {
    const ConfidenceLimits r = FindConfidenceLimits(window, observer, slot, interval, criticalRmsd);
    *lower = r.lower;
    *upper = r.upper;
    return r.BothFound() && !FitControl::fitAborted;
}

bool FindConfidenceLimitS(TXLAWindow* window, CComputeObserver& observer, float interval,
                          float criticalRmsd, float* lower, float* upper) {
    return FindConfidenceLimit(window, observer, kSlotS1, interval, criticalRmsd, lower, upper);
}

bool FindConfidenceLimitM(TXLAWindow* window, CComputeObserver& observer, float interval,
                          float criticalRmsd, float* lower, float* upper) {
    return FindConfidenceLimit(window, observer, kSlotDOrM1, interval, criticalRmsd, lower, upper);
}

int SurfaceAxisCount(const SurfaceAxis& a) {
    const double span = double(a.maximum) - a.minimum;
    if (span == 0.0)
        return 1;
    if (a.increment == 0.0f || (span > 0) != (a.increment > 0))
        return 0;
    // A count no int can hold is no usable axis.
    constexpr int kMostSteps = std::numeric_limits<int>::max() - 1;
    const int steps = FloorToInt(span / a.increment + 1e-6, -1, kMostSteps);
    return steps < 0 || steps == kMostSteps ? 0 : steps + 1;
}

bool ScanErrorSurface(TXLAWindow* window, CComputeObserver& observer, const std::string& path,
                      const SurfaceAxis& x, const SurfaceAxis* y, float contourLevel, float startS1,
                      float startS2) {
    const int nx = SurfaceAxisCount(x), ny = y ? SurfaceAxisCount(*y) : 1;
    if (nx == 0 || ny == 0)
        return false;
    plat::AtomicFile out(path);
    std::FILE* file = out.file();
    if (!file)
        return false;
    SavedFit saved;
    for (int i = 0; i < nx && !FitControl::fitAborted; ++i) {
        const float xv = static_cast<float>(x.minimum + i * double(x.increment));
        for (int j = 0; j < ny && !FitControl::fitAborted; ++j) {
            saved.Apply();
            std::vector<std::pair<int, float>> held{{x.slot, xv}};
            float yv = 0.0f;
            if (y) {
                yv = static_cast<float>(y->minimum + j * double(y->increment));
                held.push_back({y->slot, yv});
            }
            // The start values of s1 and s2, where they are not held.
            std::vector<std::pair<int, float>> starts;
            if (startS1 > 0.0f && x.slot != kSlotS1 && (!y || y->slot != kSlotS1))
                starts.push_back({kSlotS1, startS1});
            if (startS2 > 0.0f && x.slot != kSlotS2 && (!y || y->slot != kSlotS2))
                starts.push_back({kSlotS2, startS2});
            const double rmsd = RefitHolding(window, observer, held, starts);
            if (FitControl::fitAborted)
                break;
            if (contourLevel > 0.0f && rmsd > contourLevel)
                continue;
            if (y)
                std::fprintf(file, "%e %e %e\n", xv, yv, rmsd);
            else
                std::fprintf(file, "%e %e\n", xv, rmsd);
        }
        if (y)
            std::fprintf(file, "\n");
    }
    // An interrupted scan keeps the points it reached.
    const bool written = out.Commit();
    saved.Restore(window);
    return written && !FitControl::fitAborted;
}

bool ScanErrorSurfaceSM(TXLAWindow* window, CComputeObserver& observer, const std::string& path,
                        const SurfaceAxis& s, const SurfaceAxis& m, float contourLevel,
                        float startS1, float startS2) {
    SurfaceAxis xs = s, ym = m;
    xs.slot = kSlotS1;
    ym.slot = kSlotDOrM1;
    return ScanErrorSurface(window, observer, path, xs, &ym, contourLevel, startS1, startS2);
}

bool ScanErrorSurface2D(TXLAWindow* window, CComputeObserver& observer, const std::string& path,
                        const SurfaceAxis& s1, const SurfaceAxis& s2, float contourLevel,
                        float startS1, float startS2) {
    SurfaceAxis x = s1, y = s2;
    x.slot = kSlotS1;
    y.slot = kSlotS2;
    return ScanErrorSurface(window, observer, path, x, &y, contourLevel, startS1, startS2);
}

bool ScanErrorSurfaceK(TXLAWindow* window, CComputeObserver& observer, const std::string& path,
                       const SurfaceAxis& logK) {
    SurfaceAxis x = logK;
    x.slot = kSlotLogK;
    return ScanErrorSurface(window, observer, path, x, nullptr, 0.0f, 0.0f, 0.0f);
}
