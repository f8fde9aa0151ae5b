// The out-of-range test of a solved step: the same verdict as |v| <= 1e100 for every kind of
// value, wherever the value sits in the pass.
#include "lamm/step_change_kernels.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <vector>

TEST(StepChangeKernels, OutOfRangeAsTheComparisonSaysForEveryKindOfValue) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double values[] = {0.0,
                             -0.0,
                             1.0,
                             -3.5e-310,
                             1e100,
                             -1e100,
                             1.0e100 * (1 + 1e-15),
                             -std::nextafter(1e100, inf),
                             1e300,
                             inf,
                             -inf,
                             nan,
                             -nan,
                             std::numeric_limits<double>::denorm_min()};
    for (double value : values) {
        const bool beyond = !(std::fabs(value) <= 1e100);
        for (int at : {1, 2, 7, 9}) {
            std::vector<double> v(11, 0.5);
            v[at] = value;
            EXPECT_EQ(AnyBeyond1e100(v.data(), 1, 9), beyond) << value << " at " << at;
            // outside the pass it does not count
            EXPECT_FALSE(AnyBeyond1e100(v.data(), at + 1, 10)) << value << " at " << at;
        }
    }
    EXPECT_FALSE(AnyBeyond1e100(nullptr, 1, 0));
}

// The ratios of a pass, a zero old value taken as 1.
TEST(StepChangeKernels, RelativeChangesTakeAZeroOldValueAsOne) {
    const std::vector<double> u = {0, 1.1, 0.25, -0.5, 2.0};
    const std::vector<double> v = {0, 1.0, 0.0, -1.0, 4.0};
    std::vector<double> ratio(5, -1.0);
    RelativeChanges(u.data(), v.data(), ratio.data(), 1, 4);
    const double expected[] = {-1.0, 0.1, 0.25, 0.5, 0.5};
    for (int j = 0; j < 5; ++j)
        EXPECT_NEAR(ratio[j], expected[j], 1e-15) << j;
}
