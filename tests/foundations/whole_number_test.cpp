// Whole numbers from doubles no int can hold: every case must be defined behaviour (the sanitizer
// build checks float-cast-overflow) and land inside the asked bounds.
#include "foundations/whole_number.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

TEST(WholeNumber, FloorAndCeilStayInsideTheirBounds) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    constexpr int big = std::numeric_limits<int>::max();
    struct Case {
        double v;
        int lo, hi, floor, ceil;
    };
    const Case cases[] = {
        {2.5, 0, 10, 2, 3},      {-2.5, -10, 10, -3, -2}, {1e10, 0, big, big, big},
        {3e9, 1, 100, 100, 100}, {-1e30, 5, 9, 5, 5},     {inf, 0, 7, 7, 7},
        {-inf, -3, 7, -3, -3},   {nan, 4, 9, 4, 4},       {9.0, 0, 9, 9, 9},
        {0.0, 0, 9, 0, 0},       {1e-300, 0, 9, 0, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FloorToInt(c.v, c.lo, c.hi), c.floor) << c.v;
        EXPECT_EQ(CeilToInt(c.v, c.lo, c.hi), c.ceil) << c.v;
    }
}

} // namespace
