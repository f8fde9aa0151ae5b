// Range integrals of a distribution: the moments are trapezoid sums of the products at the nodes
// and at the interpolated range ends; exact to second order in the grid step (checked on a
// normal-shaped distribution in the distribution tests).
#include "distributions/integrate_distribution.h"

#include "distributions/conti_fit.h"
#include "distributions/size_shape_distribution.h"
#include "state/conti_state.h"
#include "state/model_choice.h"
#include "state/size_shape_state.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

struct Moments {
    double m0 = 0.0, m1 = 0.0, m2 = 0.0, mInv = 0.0;
};

Moments RangeMoments(const float* x, const float* c, int n, double lo, double hi) {
    Moments m;
    if (n < 2 || !(hi > lo))
        return m;
    lo = std::max<double>(lo, x[1]);
    hi = std::min<double>(hi, x[n]);
    if (!(hi > lo))
        return m;
    auto valueAt = [&](double r) {
        int i = 1;
        while (i < n - 1 && x[i + 1] < r)
            ++i;
        const double f = x[i + 1] > x[i] ? (r - x[i]) / (x[i + 1] - x[i]) : 0.0;
        return c[i] + f * (double(c[i + 1]) - c[i]);
    };
    std::vector<double> xs{lo}, cs{valueAt(lo)};
    for (int i = 1; i <= n; ++i)
        if (x[i] > lo && x[i] < hi) {
            xs.push_back(x[i]);
            cs.push_back(c[i]);
        }
    xs.push_back(hi);
    cs.push_back(valueAt(hi));
    for (std::size_t i = 0; i + 1 < xs.size(); ++i) {
        const double h = 0.5 * (xs[i + 1] - xs[i]);
        const double a = cs[i], b = cs[i + 1];
        m.m0 += h * (a + b);
        m.m1 += h * (a * xs[i] + b * xs[i + 1]);
        m.m2 += h * (a * xs[i] * xs[i] + b * xs[i + 1] * xs[i + 1]);
        if (xs[i] != 0.0 && xs[i + 1] != 0.0)
            m.mInv += h * (a / xs[i] + b / xs[i + 1]);
    }
    return m;
}

} // namespace

DistributionIntegral IntegrateCurve(const float* x, const float* c, int n, double lo, double hi) {
    DistributionIntegral r;
    const Moments m = RangeMoments(x, c, n, lo, hi);
    r.area = m.m0;
    if (n >= 1)
        r.total = RangeMoments(x, c, n, x[1], x[n]).m0;
    if (m.m0 != 0.0) {
        r.weightAverage = m.m1 / m.m0;
        r.stdDev = std::sqrt(std::max(0.0, m.m2 / m.m0 - r.weightAverage * r.weightAverage));
    }
    if (m.mInv != 0.0)
        r.numberAverage = m.m0 / m.mInv;
    if (m.m1 != 0.0)
        r.zAverage = m.m2 / m.m1;
    return r;
}

void IntegrateDistribution(float lo, float hi, float* area, float* weightAverage, float* total,
                           float* stdDev, float* numberAverage, float* zAverage) {
    if (ContiState::sValues == nullptr || ContiState::distribution == nullptr ||
        ContiState::gridPoints < 2)
        return;
    const DistributionIntegral r = IntegrateCurve(ContiState::sValues, ContiState::distribution,
                                                  ContiState::gridPoints, lo, hi);
    auto put = [](float* out, double v) {
        if (out)
            *out = static_cast<float>(v);
    };
    put(area, r.area);
    put(weightAverage, r.weightAverage);
    put(total, r.total);
    put(stdDev, r.stdDev);
    put(numberAverage, r.numberAverage);
    put(zAverage, r.zAverage);
    // A size-and-shape result leaves its averages over the s range, every shape included.
    if (SizeShapeModel() && SizeShapeState::Held())
        IntegrateSizeShape(lo, hi, -HUGE_VAL, HUGE_VAL);
}
