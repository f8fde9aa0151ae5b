// Where std::exp's value lies without the call: a test that only asks on which side of a level a
// product of it falls is decided from these bounds, and takes the call only when the level lies
// between them.
#pragma once

#include "foundations/series_exp.h"

#include <cmath>

struct ExpBounds {
    double lo, hi;
};

// lo <= std::exp(x) <= hi. Within |x| <= 700 the series and the library's exp both lie within
// 2 ulp of e^x (series_exp_test.cpp finds them within 4.5e-16 of each other); the margin is a
// thousand times that. Beyond, and for x not a number, nothing is bounded: lo is 0, hi infinite.
inline ExpBounds LibraryExpBounds(double x) {
    constexpr double kMargin = 1e-12;
    if (!(std::fabs(x) <= 700.0))
        return {0.0, HUGE_VAL};
    const double e = SeriesExp(x);
    return {e * (1.0 - kMargin), e * (1.0 + kMargin)};
}
