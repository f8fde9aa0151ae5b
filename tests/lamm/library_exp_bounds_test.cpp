// The bounds on the library's exp hold its value across the range the step control asks for,
// within a few billionths of each other; beyond e^+-700 they bound nothing.
#include "lamm/library_exp_bounds.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

TEST(LibraryExpBounds, HoldTheLibrarysValueTightly) {
    for (int j = -70000; j <= 70000; ++j) {
        for (const double x : {j * 0.01, std::nextafter(j * 0.01, 0.0), j * 1e-7}) {
            const ExpBounds b = LibraryExpBounds(x);
            const double e = std::exp(x);
            ASSERT_LE(b.lo, e) << x;
            ASSERT_GE(b.hi, e) << x;
            ASSERT_LE(b.hi - b.lo, 3e-12 * e) << x;
        }
    }
    for (const double x : {700.5, -700.5, 1e6, std::nan("")}) {
        const ExpBounds b = LibraryExpBounds(x);
        EXPECT_EQ(b.lo, 0.0) << x;
        EXPECT_EQ(b.hi, HUGE_VAL) << x;
    }
}

} // namespace
