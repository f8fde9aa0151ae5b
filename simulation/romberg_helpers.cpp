// Trapezoidal refinement and Neville's polynomial extrapolation in double precision.
#include "simulation/romberg_helpers.h"

#include "foundations/nr_arrays.h"

#include <cmath>

namespace {

double gTrapezoidSum = 0.0;

}  // namespace

// Each stage doubles the number of intervals reusing the previous sum, so stage n costs only
// the 2^(n-2) new function values; the error falls as h^2, which the Romberg extrapolation uses.
double trapzd(double (*f)(double), double a, double b, int stage)
{
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

// Neville's tableau, started at the node nearest x; the returned error estimate is the last
// correction added, which is what the Romberg loop compares against its tolerance.
void dpolint(const double* xa, const double* ya, int n, double x, double* y, double* dy)
{
    double* c = dvector(1, n);
    double* d = dvector(1, n);
    int ns = 1;
    double dif = std::fabs(x - xa[1]);
    for (int i = 1; i <= n; ++i) {
        const double dift = std::fabs(x - xa[i]);
        if (dift < dif) {
            ns = i;
            dif = dift;
        }
        c[i] = ya[i];
        d[i] = ya[i];
    }
    *y = ya[ns--];
    *dy = 0.0;
    for (int m = 1; m < n; ++m) {
        for (int i = 1; i <= n - m; ++i) {
            const double ho = xa[i] - x;
            const double hp = xa[i + m] - x;
            const double w = c[i + 1] - d[i];
            const double den = ho - hp;
            if (den == 0.0) {
                nrerror("Error in routine polint");
                free_dvector(d, 1, n);
                free_dvector(c, 1, n);
                return;
            }
            const double factor = w / den;
            d[i] = hp * factor;
            c[i] = ho * factor;
        }
        *dy = (2 * ns < (n - m)) ? c[ns + 1] : d[ns--];
        *y += *dy;
    }
    free_dvector(d, 1, n);
    free_dvector(c, 1, n);
}
