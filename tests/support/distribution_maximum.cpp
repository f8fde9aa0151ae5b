#include "support/distribution_maximum.h"

#include "state/conti_state.h"

double DistributionMaximumAbscissa() {
    int best = 1;
    for (int p = 2; p <= ContiState::gridPoints; ++p)
        if (ContiState::distribution[p] > ContiState::distribution[best])
            best = p;
    return ContiState::sValues[best];
}
