// The ends of the active region after a step.
#include "lamm/active_region_edges.h"

#include <algorithm>

LowerEdge SettleLowerEdge(double* c, int L, double level) {
    const double mean = 0.2 * (c[L - 1] + c[L] + c[L + 1] + c[L + 2] + c[L + 3]);
    if (mean >= 10.0 * level)
        return LowerEdge::Failed;
    if ((c[L] - mean) * (c[L - 1] - mean) < 0.0 && (c[L + 1] - mean) * (c[L] - mean) != 0.0) {
        static const double ramp[5] = {5.0, 10.0, 20.0, 40.0, 60.0};
        for (int j = 0; j < 5; ++j)
            c[L - 1 + j] = mean * ramp[j] / 27.0;
        return LowerEdge::Ramped;
    }
    return LowerEdge::Kept;
}

void FinishActiveStep(double* c, const double* cOld, int L, int U, int n, bool failed,
                      double plateauLevel) {
    if (!failed) {
        if (U < n)
            std::fill(c + U + 1, c + n + 1, plateauLevel);
        return;
    }
    const int lo = L >= 4 ? L - 2 : 1;
    std::copy(cOld + lo, cOld + U + 1, c + lo);
}
