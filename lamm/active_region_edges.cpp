// The ends of the active region after a step.
#include "lamm/active_region_edges.h"

#include "foundations/vector_unit.h"

#include <algorithm>
#include <immintrin.h>

namespace {

// v[0..count - 1] = value, four at a time, the last four rows overlapping those before.
[[gnu::target("avx2")]] void FillAvx2(double* v, int count, double value) {
    const __m256d four = _mm256_set1_pd(value);
    for (int i = 0; i + 4 <= count; i += 4)
        _mm256_storeu_pd(v + i, four);
    _mm256_storeu_pd(v + count - 4, four);
}

} // namespace

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
        // the plateau is written above the region at every step
        if (n - U >= 4 && UsableVectorUnit() >= VectorUnit::Avx2)
            FillAvx2(c + U + 1, n - U, plateauLevel);
        else if (U < n)
            std::fill(c + U + 1, c + n + 1, plateauLevel);
        return;
    }
    const int lo = L >= 4 ? L - 2 : 1;
    std::copy(cOld + lo, cOld + U + 1, c + lo);
}
