// Tick placement of the plot axes and the colour bar, in single precision.
#include "foundations/cvector.h"
#include "plotting/plot_globals.h"
#include "plotting/win_plot.h"

#include <cmath>
#include <vector>

namespace {

constexpr int kMinMajorTicks = 3;
constexpr int kTickCap = 10000;
constexpr float kRangeLimit = 1e30f;

struct Placement {
    float first = 0;
    int count = 0;
};

// Ticks at the multiples of step inside lo..hi; a lower end on a multiple is itself a tick.
// Counts stay in float as the axes always had them, so a count just below an integer loses its
// last tick. A mirrored range gives a count of 0 or less, which means no ticks.
Placement Place(float lo, float hi, float step) {
    Placement p;
    const float k = std::floor(lo / step);
    p.first = (k * step == lo) ? lo : (k + 1) * step;
    const float c = std::floor((hi - p.first) / step);
    if (!(c >= 0))
        return p; // mirrored or not a number
    p.count = c >= float(kTickCap) ? kTickCap : int(c) + 1;
    return p;
}

} // namespace

std::unique_ptr<CVector> CWINPlot::ComputeTicks(int major, float lo, float hi) const {
    std::vector<float> ticks;
    const bool usable = std::isfinite(lo) && std::isfinite(hi) && std::fabs(lo) <= kRangeLimit &&
                        std::fabs(hi) <= kRangeLimit && lo != hi;
    if (usable) {
        float step = float(std::pow(10.0, std::floor(std::log10(double(std::fabs(hi - lo))))));
        Placement p = Place(lo, hi, step);
        if (gLogTicks == 0 || major == 1) {
            if (gLogTicks == 0 && p.count < kMinMajorTicks) {
                step = step * 0.5f;
                p = Place(lo, hi, step);
            }
            if (major == 0) {
                step = step * (p.count < kMinMajorTicks ? 0.1f : 0.2f);
                p = Place(lo, hi, step);
            }
            for (int i = 0; i < p.count; ++i)
                ticks.push_back(p.first + float(i) * step);
        } else {
            // Minor ticks of an axis of decimal logarithms: log10(2..9) within each decade.
            for (int j = 1; j < 10; ++j) {
                const float t = p.first - (1 - std::log10(float(10 - j))) * step;
                if (!(t > lo))
                    break;
                ticks.push_back(t);
            }
            for (int i = 0; i + 1 < p.count; ++i) {
                const float m = p.first + float(i) * step;
                for (int j = 2; j <= 9; ++j)
                    ticks.push_back(m + std::log10(float(j)) * step);
            }
            if (p.count > 0) {
                const float m = p.first + float(p.count - 1) * step;
                for (int j = 2; j < 10; ++j) {
                    const float t = m + std::log10(float(j)) * step;
                    if (!(t < hi))
                        break;
                    ticks.push_back(t);
                }
            }
        }
    }
    auto v = std::make_unique<CVector>(int(ticks.size()), 1);
    for (std::size_t i = 0; i < ticks.size(); ++i)
        v->data[i] = ticks[i];
    return v;
}
