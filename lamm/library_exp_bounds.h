// Where std::exp's value lies without the call, from its value at a point nearby: a test that only
// asks on which side of a level a product of it falls is decided from these bounds, and takes the
// call only when the level lies between them.
#pragma once

#include <cmath>
#include <limits>

struct ExpBounds {
    double lo, hi;
};

// The library's exp (within an ulp of e^x) near the point x0 where it was last taken: e^(x - x0)
// is its Taylor polynomial to the fourth power within |d|^5 / 120 e^|d|, and the roundings of
// the few operations and of the library's values lie far below the margin.
class LibraryExpNear {
  public:
    // lo <= std::exp(x) <= hi. Further than kReach from the point it was taken at, exp is taken
    // at x, which becomes the point, and lo = hi is its value.
    ExpBounds At(double x) {
        const double d = x - x0_;
        if (!(std::fabs(d) <= kReach)) {
            const double e = Exact(x);
            return {e, e};
        }
        // the polynomial in pairs of terms (Estrin's scheme): a short chain of dependent operations
        const double d2 = d * d, d4 = d2 * d2;
        const double p = ((1.0 + d) + d2 * (0.5 + d * (1.0 / 6.0))) + d4 * (1.0 / 24.0);
        const double rest = d4 * std::fabs(d) * (1.03 / 120.0);
        return {low_ * (p - rest), high_ * (p + rest)};
    }

    // std::exp(x), whose point then is x (none where the value is not a normal number far from the
    // ends of the range, so later bounds take the call).
    double Exact(double x) {
        const double e = std::exp(x);
        const bool usable = e >= 1e-300 && e <= 1e300;
        x0_ = usable ? x : std::numeric_limits<double>::quiet_NaN();
        low_ = e * (1.0 - kMargin), high_ = e * (1.0 + kMargin);
        return e;
    }

  private:
    static constexpr double kReach = 0.02;
    static constexpr double kMargin = 1e-13;
    // the point, and the library's value there widened by the margin
    double x0_ = std::numeric_limits<double>::quiet_NaN(), low_ = 0.0, high_ = 0.0;
};
