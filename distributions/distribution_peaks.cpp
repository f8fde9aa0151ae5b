// Peak ranges of a distribution. A peak is bounded by the valleys that go deeper than a fraction
// of its height, so the regularization's small ripples on a flank do not cut it; its moments come
// from the one range integral of the distributions. Checked on sums of normal-shaped bumps of
// known areas in the distribution tests.
#include "distributions/distribution_peaks.h"

#include "distributions/integrate_distribution.h"
#include "foundations/ccurve.h"
#include "state/conti_state.h"

#include <vector>

namespace {

// Below this share of its height a peak has ended: the regularization leaves tails of that order
// far from any species, which would otherwise stretch a peak's range across the grid.
constexpr double kNegligible = 1e-3;

// The last grid index reached walking from index by step (+1 or -1).
int WalkToValley(const float* c, int n, int index, int step, double level) {
    const double negligible = kNegligible * c[index];
    int j = index;
    while (true) {
        const int next = j + step;
        if (next < 1 || next > n)
            return j;
        // A local minimum below the level, or nothing left to the peak, ends it.
        if (j != index && (c[j] <= negligible || (c[next] > c[j] && c[j] < level)))
            return j;
        j = next;
    }
}

bool HaveDistribution() {
    return ContiState::sValues && ContiState::distribution && ContiState::gridPoints >= 2;
}

} // namespace

DistributionPeak FindPeakRange(const float* x, const float* c, int n, int index, double fraction) {
    DistributionPeak peak;
    if (!x || !c || n < 2 || index < 1 || index > n)
        return peak;
    const double level = fraction * c[index];
    peak.index = index;
    peak.first = WalkToValley(c, n, index, -1, level);
    peak.last = WalkToValley(c, n, index, +1, level);
    peak.low = x[peak.first];
    peak.high = x[peak.last];
    const DistributionIntegral r = IntegrateCurve(x, c, n, peak.low, peak.high);
    peak.area = r.area;
    peak.percent = r.total != 0.0 ? 100.0 * r.area / r.total : 0.0;
    peak.weightAverage = r.weightAverage;
    return peak;
}

std::vector<DistributionPeak> FindAllPeaks(const float* x, const float* c, int n, int maxPeaks,
                                           double fraction) {
    std::vector<DistributionPeak> peaks;
    if (!x || !c || n < 2 || maxPeaks < 1)
        return peaks;
    const CCurve curve(x, c, static_cast<std::uint32_t>(n), 1, 1);
    std::vector<float> px(std::size_t(maxPeaks) + 1, 0.0f), py(px);
    std::vector<int> pi(std::size_t(maxPeaks) + 1, 0);
    const int count = curve.FindPeaks(px.data(), py.data(), pi.data(), maxPeaks, 2);
    for (int k = 1; k <= count; ++k)
        peaks.push_back(FindPeakRange(x, c, n, pi[std::size_t(k)], fraction));
    return peaks;
}

bool FindDistributionPeaks(int index, float fraction, float* low, float* high, float* area,
                           float* percent, float* weightAverage) {
    if (!HaveDistribution() || index < 1 || index > ContiState::gridPoints)
        return false;
    const DistributionPeak p = FindPeakRange(ContiState::sValues, ContiState::distribution,
                                             ContiState::gridPoints, index, fraction);
    auto put = [](float* out, double v) {
        if (out)
            *out = static_cast<float>(v);
    };
    put(low, p.low);
    put(high, p.high);
    put(area, p.area);
    put(percent, p.percent);
    put(weightAverage, p.weightAverage);
    return true;
}

std::vector<DistributionPeak> FindCurrentDistributionPeaks(int maxPeaks, double fraction) {
    if (!HaveDistribution())
        return {};
    return FindAllPeaks(ContiState::sValues, ContiState::distribution, ContiState::gridPoints,
                        maxPeaks, fraction);
}
