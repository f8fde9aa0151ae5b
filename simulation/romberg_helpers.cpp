// Trapezoidal refinement, the first step of Romberg quadrature.
#include "simulation/romberg_helpers.h"

namespace {

double gTrapezoidSum = 0.0;

} // namespace

// Each stage doubles the number of intervals reusing the previous sum, so stage n costs only
// the 2^(n-2) new function values; the error falls as h^2, which the Romberg extrapolation uses.
double trapzd(double (*f)(double), double a, double b, int stage) {
    if (stage <= 1) {
        gTrapezoidSum = 0.5 * (b - a) * (f(a) + f(b));
        return gTrapezoidSum;
    }
    const long points = 1L << (stage - 2);
    const double del = (b - a) / double(points);
    double x = a + 0.5 * del;
    double sum = 0.0;
    for (long j = 1; j <= points; ++j, x += del)
        sum += f(x);
    gTrapezoidSum = 0.5 * (gTrapezoidSum + (b - a) * sum / double(points));
    return gTrapezoidSum;
}
