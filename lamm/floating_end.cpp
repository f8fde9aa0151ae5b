// The floating species' tests of the run's end.
#include "lamm/floating_end.h"

#include <algorithm>
#include <cmath>

double LogEquilibriumTail(double s, double D, double rpm, double meniscus, double bottom,
                          double edge) {
    if (D <= 0.0 || s >= 0.0)
        return -1e300;
    const double omega = rpm * 2.0 * M_PI / 60.0;
    const double sigma = s * 1e-13 * omega * omega / D;
    const double a = -0.5 * sigma * (bottom * bottom - meniscus * meniscus);
    const double x = 0.5 * sigma * (edge * edge - meniscus * meniscus);
    if (a < 1e-12)
        return 0.0;
    return std::log(a) + x - std::log1p(-std::exp(-a));
}

double FloatingCeiling(double s, double rpm, double t, double loadingPeak, double logTail) {
    const double omega = rpm * 2.0 * M_PI / 60.0;
    const double plateau = -2.0 * s * 1e-13 * omega * omega * t;
    return 2.0 * loadingPeak * std::exp(std::max(plateau, logTail));
}

bool SignalInDataRange(const double* c, int from, int to, double level) {
    int run = 0;
    for (int i = from; i <= to; ++i) {
        run = c[i] >= level ? run + 1 : 0;
        if (run >= 3)
            return true;
    }
    return false;
}
