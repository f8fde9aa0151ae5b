// The passes over a solved step, written so that the compiler runs several elements at a time.
#include "lamm/step_change_kernels.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

// The magnitude's bits, read as an integer, exceed those of 1e100 exactly when the value is
// beyond it or not a number; added to the distance from there to the sign bit they carry into
// it. So one pass of integer adds and ors, without a branch or a floating-point comparison.
bool AnyBeyond1e100(const double* v, int lo, int hi) {
    constexpr std::uint64_t kMagnitude = 0x7fffffffffffffffull;
    constexpr std::uint64_t kCarry = kMagnitude - std::bit_cast<std::uint64_t>(1e100);
    std::uint64_t carried = 0;
    for (int i = lo; i <= hi; ++i) {
        std::uint64_t bits;
        std::memcpy(&bits, v + i, sizeof bits);
        carried |= (bits & kMagnitude) + kCarry;
    }
    return (carried >> 63) != 0;
}

// The ratios the Thomas substitution leaves in the shadow of its latency, in a pass of their own
// where the two recurrences of a two-ended substitution leave no such shadow: no branch and no
// reduction, so the divisions run several at a time.
void RelativeChanges(const double* u, const double* v, double* ratio, int lo, int hi) {
    for (int j = lo; j <= hi; ++j) {
        const double old = v[j] != 0.0 ? v[j] : 1.0;
        ratio[j] = std::fabs((u[j] - v[j]) / old);
    }
}
