// The series exponential against the library's: within 2 ulp across the range, exact where the
// answer is a power of two, and held at e^+-700 beyond.
#include "foundations/series_exp.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

TEST(SeriesExp, AgreesWithTheLibraryAcrossTheRange) {
    // dense sweeps of the argument ranges the coefficient laws use and of the whole range, with
    // the points where the rounding of x / ln2 changes its integer
    struct Range {
        double from, to;
        int points;
    } ranges[] = {{-1.0, 1.0, 20001}, {-40.0, 0.0, 40001}, {-700.0, 700.0, 140001}};
    for (const Range& r : ranges)
        for (int j = 0; j < r.points; ++j) {
            const double x = r.from + (r.to - r.from) * j / (r.points - 1);
            const double want = std::exp(x);
            ASSERT_LE(std::fabs(SeriesExp(x) - want), 4.5e-16 * want) << x;
        }
    for (int k = -20; k <= 20; ++k) {
        const double half = (k + 0.5) * std::log(2.0);
        for (double x : {std::nextafter(half, -1e9), half, std::nextafter(half, 1e9)})
            ASSERT_LE(std::fabs(SeriesExp(x) - std::exp(x)), 4.5e-16 * std::exp(x)) << x;
    }
    EXPECT_EQ(SeriesExp(0.0), 1.0);
    EXPECT_EQ(SeriesExp(-0.0), 1.0);
    EXPECT_EQ(SeriesExp(-1e6), SeriesExp(-700.0));
    EXPECT_EQ(SeriesExp(1e6), SeriesExp(700.0));
    EXPECT_GT(SeriesExp(-700.0), 0.0);
    EXPECT_TRUE(std::isfinite(SeriesExp(700.0)));
}

} // namespace
