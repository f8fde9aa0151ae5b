// Whether a number read as double can be kept in a float field without becoming infinite.
#pragma once

#include <cfloat>
#include <cmath>

// True for finite v within the single-precision range (NaN and infinities are not).
inline bool FitsFloat(double v) {
    return std::fabs(v) <= static_cast<double>(FLT_MAX);
}
