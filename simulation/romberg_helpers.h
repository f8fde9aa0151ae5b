// Romberg quadrature: trapezoidal refinement and the extrapolation of its stages to zero step by
// dpolint (foundations/resampling.h).
#pragma once

#include "foundations/resampling.h"

#include <cmath>

// Stage 1 returns (b - a)(f(a) + f(b))/2; stage n >= 2 adds the 2^(n-2) new midpoints to
// previous, the estimate of stage n - 1, and halves the step. Each stage so costs only its new
// function values; the error falls as h^2, which the Romberg extrapolation uses.
template <typename F> double trapzd(F f, double a, double b, int stage, double previous) {
    if (stage <= 1)
        return 0.5 * (b - a) * (f(a) + f(b));
    const long points = 1L << (stage - 2);
    const double del = (b - a) / double(points);
    double x = a + 0.5 * del;
    double sum = 0.0;
    for (long j = 1; j <= points; ++j, x += del)
        sum += f(x);
    return 0.5 * (previous + (b - a) * sum / double(points));
}

// Integral of f over [a, b] by Romberg extrapolation of trapezoidal sums (relative error
// estimate below 3e-6, or the value after 20 stages).
template <typename F> double RombergIntegrate(F f, double a, double b) {
    constexpr int kStages = 20, kPoints = 5;
    double s[kStages + 2] = {}, h[kStages + 2] = {};
    h[1] = 1.0;
    double value = 0.0;
    for (int k = 1; k <= kStages; ++k) {
        s[k] = trapzd(f, a, b, k, s[k - 1]);
        if (k >= kPoints) {
            double error = 0.0;
            dpolint(&h[k - kPoints], &s[k - kPoints], kPoints, 0.0, &value, &error);
            if (std::fabs(error) < 3e-6 * std::fabs(value) || (value == 0.0 && error == 0.0))
                return value;
        }
        h[k + 1] = 0.25 * h[k];
    }
    return value;
}
