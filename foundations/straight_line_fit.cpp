// Ordinary least squares of a straight line from the sums about the means.
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
    // Sums about the means: raw sums of x^2 lose the slope's digits when x sits far from 0.
    double sx = 0.0, sy = 0.0;
    for (std::size_t i = 0; i < count; ++i) {
        sx += x[i];
        sy += y[i];
    }
    const double points = static_cast<double>(count);
    const double mx = sx / points, my = sy / points;
    double sxx = 0.0, sxy = 0.0;
    for (std::size_t i = 0; i < count; ++i) {
        sxx += (x[i] - mx) * (x[i] - mx);
        sxy += (x[i] - mx) * (y[i] - my);
    }
    // Points that share one x (to rounding: a spread below 1e-10 of their size) fix no slope.
    if (!(sxx > 1e-20 * (sxx + points * mx * mx)) || !std::isfinite(sxx))
        return fit;
    fit.slope = sxy / sxx;
    fit.intercept = my - fit.slope * mx;
    for (std::size_t i = 0; i < count; ++i) {
        const double r = y[i] - (fit.slope * x[i] + fit.intercept);
        fit.residualSum += r * r;
    }
    fit.ok = std::isfinite(fit.intercept) && std::isfinite(fit.slope);
    return fit;
}
