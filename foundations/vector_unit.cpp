#include "foundations/vector_unit.h"

#include <algorithm>

namespace {

VectorUnit Detect() {
    __builtin_cpu_init(); // may run before the other static constructors
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") &&
        __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("fma"))
        return VectorUnit::Avx512;
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma"))
        return VectorUnit::Avx2;
    return VectorUnit::Plain;
}

const VectorUnit detected = Detect();
VectorUnit cap = VectorUnit::Avx512;

} // namespace

VectorUnit vector_unit_detail::usable = detected;

VectorUnit DetectedVectorUnit() {
    return detected;
}

VectorUnit CapVectorUnit(VectorUnit newCap) {
    const VectorUnit previous = cap;
    cap = newCap;
    vector_unit_detail::usable = std::min(detected, cap);
    return previous;
}
