// Eight rows of floats turned so that their values at one point share a vector: what sums that
// each run along one row need to go side by side, a lane per row, each in point order.
#pragma once

#include <immintrin.h>

// Points j..j + 7 of the rows x[0..7] widened to double and turned: out[8 h + k] holds point
// j + k of rows 4 h..4 h + 3 (h < 2, k < 8). For code built for AVX2 or wider.
[[gnu::target("avx2"), gnu::always_inline]] inline void TurnEightRowsAvx2(const float* const* x,
                                                                          int j, __m256d* out) {
    __m256 v[8], a[8];
    for (int u = 0; u < 8; ++u)
        v[u] = _mm256_loadu_ps(x[u] + j);
    // pairs of rows interleaved, then fours: points k and k + 4 of four rows in the two halves
    for (int u = 0; u < 8; u += 2) {
        a[u] = _mm256_unpacklo_ps(v[u], v[u + 1]);
        a[u + 1] = _mm256_unpackhi_ps(v[u], v[u + 1]);
    }
    for (int h = 0; h < 2; ++h)
        for (int k = 0; k < 2; ++k) {
            const __m256 low = a[4 * h + k], high = a[4 * h + k + 2];
            const __m256 even = _mm256_shuffle_ps(low, high, 0x44);
            const __m256 odd = _mm256_shuffle_ps(low, high, 0xee);
            out[8 * h + 2 * k] = _mm256_cvtps_pd(_mm256_castps256_ps128(even));
            out[8 * h + 2 * k + 4] = _mm256_cvtps_pd(_mm256_extractf128_ps(even, 1));
            out[8 * h + 2 * k + 1] = _mm256_cvtps_pd(_mm256_castps256_ps128(odd));
            out[8 * h + 2 * k + 5] = _mm256_cvtps_pd(_mm256_extractf128_ps(odd, 1));
        }
}
