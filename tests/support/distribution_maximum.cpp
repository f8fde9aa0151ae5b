#include "support/distribution_maximum.h"

#include "state/conti_state.h"

double DistributionMaximumAbscissa() {
    int best = 1;
    for (int p = 2; p <= ContiState::gridPoints; ++p)
        if (ContiState::distribution[p] > ContiState::distribution[best])
            best = p;
    return ContiState::sValues[best];
}

double DistributionPeakIn(double lo, double hi, double* area) {
    using C = ContiState;
    int best = 0;
    *area = 0.0;
    for (int p = 1; p <= C::gridPoints; ++p) {
        const double x = C::sValues[p];
        if (x < lo || x > hi)
            continue;
        if (best == 0 || C::distribution[p] > C::distribution[best])
            best = p;
        if (p > 1 && C::sValues[p - 1] >= lo)
            *area += 0.5 * (C::distribution[p] + C::distribution[p - 1]) * (x - C::sValues[p - 1]);
    }
    return best > 0 ? C::sValues[best] : 0.0;
}
