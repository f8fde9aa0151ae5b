// Ordinary least squares of a straight line from the sums of x, x^2, y and xy.
#include "foundations/straight_line_fit.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

StraightLineFit FitStraightLine(const std::vector<double>& x, const std::vector<double>& y, int n) {
    StraightLineFit fit;
    const std::size_t count = n < 0 ? std::min(x.size(), y.size())
                                    : std::min({x.size(), y.size(), static_cast<std::size_t>(n)});
    if (count == 0)
        return fit;
    if (count == 1) {
        fit.ok = true;
        fit.intercept = y[0];
        return fit;
    }
    double sx = 0.0, sxx = 0.0, sy = 0.0, sxy = 0.0;
    for (std::size_t i = 0; i < count; ++i) {
        sx += x[i];
        sxx += x[i] * x[i];
        sy += y[i];
        sxy += x[i] * y[i];
    }
    const double points = static_cast<double>(count);
    const double delta = points * sxx - sx * sx;
    // Points that share one x (to rounding) fix no slope.
    if (!(delta > 1e-12 * points * sxx) || !std::isfinite(delta))
        return fit;
    fit.intercept = (sxx * sy - sx * sxy) / delta;
    fit.slope = (points * sxy - sx * sy) / delta;
    for (std::size_t i = 0; i < count; ++i) {
        const double r = y[i] - (fit.slope * x[i] + fit.intercept);
        fit.residualSum += r * r;
    }
    fit.ok = std::isfinite(fit.intercept) && std::isfinite(fit.slope);
    return fit;
}
