// The bounds on the library's exp near a point where it was taken hold its value across the
// range, within a few hundred-billionths of each other where they do not take the call, and they
// take it, exactly, far from the point and where its value nears the ends of the range.
#include "lamm/library_exp_bounds.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

TEST(LibraryExpNear, HoldsTheLibrarysValueTightly) {
    for (const double start : {-650.0, -35.0, -1.0, 0.0, 0.5, 40.0, 650.0}) {
        LibraryExpNear near;
        int taken = 0;
        for (int j = 0; j <= 20000; ++j) {
            // steps up and down by up to a few hundredths, past the reach now and then
            const double x = start + 1e-5 * j + 0.015 * std::sin(0.37 * j);
            const ExpBounds b = near.At(x);
            const double e = std::exp(x);
            ASSERT_LE(b.lo, e) << x;
            ASSERT_GE(b.hi, e) << x;
            ASSERT_LE(b.hi - b.lo, 1e-9 * e) << x;
            taken += b.lo == b.hi;
            if (b.lo == b.hi)
                ASSERT_EQ(b.lo, e) << x;
        }
        EXPECT_GT(taken, 0) << start;
        EXPECT_LT(taken, 4000) << start;
    }
    LibraryExpNear near;
    for (const double x : {-750.0, -750.001, 750.0, 750.001}) {
        const ExpBounds b = near.At(x);
        EXPECT_EQ(b.lo, std::exp(x)) << x;
        EXPECT_EQ(b.hi, std::exp(x)) << x;
    }
    EXPECT_TRUE(std::isnan(near.At(std::nan("")).lo));
}

} // namespace
