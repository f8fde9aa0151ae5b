// The bounds of a species' scan values over whole rows.
#include "foundations/vector_unit.h"
#include "simulation/run_end_tests.h"

#include <cfloat>
#include <cstring>

namespace {

// Four or eight floats and their comparison masks: one register on any x86-64, or on a processor
// with AVX2.
using F4 = float __attribute__((vector_size(16)));
using M4 = int __attribute__((vector_size(16)));
using F8 = float __attribute__((vector_size(32)));
using M8 = int __attribute__((vector_size(32)));

// Whether v[0..] holds, two vectors at a time: finite (within +-FLT_MAX) and within both bounds;
// every comparison is false for a value that is not a number. Returns the count of values
// taken; the rest are left to the caller.
template <class F, class M>
[[gnu::always_inline]] inline std::size_t HoldVectors(const float* v, std::size_t n, float sign,
                                                      float lowest, float highest, bool& hold) {
    constexpr std::size_t w = sizeof(F) / sizeof(float);
    M all = M{} - 1, other = all;
    std::size_t i = 0;
    for (; i + 2 * w <= n; i += 2 * w) {
        F x, y;
        std::memcpy(&x, v + i, sizeof x);
        std::memcpy(&y, v + i + w, sizeof y);
        const F sx = sign * x, sy = sign * y;
        all &= (x <= FLT_MAX) & (x >= -FLT_MAX) & (sx >= lowest) & (sx <= highest);
        other &= (y <= FLT_MAX) & (y >= -FLT_MAX) & (sy >= lowest) & (sy <= highest);
    }
    all &= other;
    int lanes = -1;
    for (std::size_t l = 0; l < w; ++l)
        lanes &= all[l];
    hold = lanes != 0;
    return i;
}

[[gnu::target("avx2")]] std::size_t HoldVectorsAvx2(const float* v, std::size_t n, float sign,
                                                    float lowest, float highest, bool& hold) {
    return HoldVectors<F8, M8>(v, n, sign, lowest, highest, hold);
}

} // namespace

bool LoadingBounds::HoldAll(const float* v, std::size_t n) const {
    bool hold = true;
    const std::size_t i = UsableVectorUnit() >= VectorUnit::Avx2
                              ? HoldVectorsAvx2(v, n, sign_, lowest_, highest_, hold)
                              : HoldVectors<F4, M4>(v, n, sign_, lowest_, highest_, hold);
    for (std::size_t j = i; j < n; ++j)
        hold &= std::fabs(v[j]) <= FLT_MAX && Hold(v[j]);
    return hold;
}
