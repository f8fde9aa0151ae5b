// Whole numbers from computed or typed doubles, without the undefined behaviour of a conversion
// whose value an int cannot hold.
#pragma once

#include <cmath>

// The whole part of v toward minus infinity, held inside [lo, hi]; NaN gives lo.
inline int FloorToInt(double v, int lo, int hi) {
    if (!(v > lo))
        return lo;
    if (v >= hi)
        return hi;
    return static_cast<int>(std::floor(v));
}

// The smallest whole number not below v, held inside [lo, hi]; NaN gives lo.
inline int CeilToInt(double v, int lo, int hi) {
    if (!(v > lo))
        return lo;
    if (v >= hi)
        return hi;
    return static_cast<int>(std::ceil(v));
}
