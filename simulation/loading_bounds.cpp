// The bounds of a species' scan values over whole rows.
#include "simulation/run_end_tests.h"

#include <cfloat>
#include <cstring>

namespace {

// Four floats and their comparison masks: one register on any x86-64.
using F4 = float __attribute__((vector_size(16)));
using M4 = int __attribute__((vector_size(16)));

F4 Broadcast(float v) {
    return F4{v, v, v, v};
}

} // namespace

bool LoadingBounds::HoldAll(const float* v, std::size_t n) const {
    // finite (within +-FLT_MAX) and within both bounds; every comparison is false for a value
    // that is not a number
    const F4 sign = Broadcast(sign_), lowest = Broadcast(lowest_), highest = Broadcast(highest_);
    const F4 largest = Broadcast(FLT_MAX), smallest = Broadcast(-FLT_MAX);
    M4 all = {-1, -1, -1, -1}, other = all;
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        F4 x, y;
        std::memcpy(&x, v + i, sizeof x);
        std::memcpy(&y, v + i + 4, sizeof y);
        const F4 sx = sign * x, sy = sign * y;
        all &= (x <= largest) & (x >= smallest) & (sx >= lowest) & (sx <= highest);
        other &= (y <= largest) & (y >= smallest) & (sy >= lowest) & (sy <= highest);
    }
    all &= other;
    bool hold = (all[0] & all[1] & all[2] & all[3]) != 0;
    for (; i < n; ++i)
        hold &= std::fabs(v[i]) <= FLT_MAX && Hold(v[i]);
    return hold;
}
