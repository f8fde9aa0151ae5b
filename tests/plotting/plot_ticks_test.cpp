// Tick placement: halving of sparse steps, minor subdivisions, single precision, and no ticks
// (instead of a huge allocation) for mirrored, degenerate or unusable ranges.
#include "foundations/cvector.h"
#include "plotting/plot_globals.h"
#include "plotting/win_plot.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <vector>

namespace {

std::vector<float> Ticks(int major, float lo, float hi, int logTicks = 0) {
    CWINPlot p;
    gLogTicks = logTicks;
    auto v = p.ComputeTicks(major, lo, hi);
    gLogTicks = 0;
    return std::vector<float>(v->data, v->data + v->length);
}

std::vector<float> Steps(float first, float step, int count) {
    std::vector<float> r;
    for (int i = 0; i < count; ++i)
        r.push_back(first + float(i) * step);
    return r;
}

} // namespace

TEST(PlotTicks, MajorAndMinorTicksOfCommonRanges) {
    struct Case {
        float lo, hi;
        std::vector<float> major;
        std::vector<float> minor;
    } cases[] = {
        {0, 10, {0, 5, 10}, Steps(0, 1, 11)},        {0, 1, {0, 0.5f, 1}, Steps(0, 0.1f, 11)},
        {0, 100, {0, 50, 100}, Steps(0, 10, 11)},    {0, 35, {0, 10, 20, 30}, Steps(0, 2, 18)},
        {-0.5f, 10.5f, {0, 5, 10}, Steps(0, 1, 11)}, {0.895f, 3.1f, {1, 2, 3}, Steps(1, 0.2f, 11)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Ticks(1, c.lo, c.hi), c.major) << c.lo << " .. " << c.hi;
        EXPECT_EQ(Ticks(0, c.lo, c.hi), c.minor) << c.lo << " .. " << c.hi;
    }
}

// A mirrored range (which SetRanges allows) gave a negative count; taken as a vector length it
// asked for billions of elements. Such ranges, and unusable ones, now give no ticks.
TEST(PlotTicks, UnusableRangesGiveNoTicks) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        float lo, hi;
    } cases[] = {{10, 0}, {1, -1}, {3, 3}, {0, 2e30f}, {-2e30f, 0}, {nan, 1}, {0, inf}};
    for (const Case& c : cases) {
        for (int major = 0; major <= 1; ++major) {
            for (int log = 0; log <= 1; ++log) {
                EXPECT_TRUE(Ticks(major, c.lo, c.hi, log).empty()) << c.lo << " .. " << c.hi;
            }
        }
    }
}

TEST(PlotTicks, LowerEndOnAMultipleIsItselfATick) {
    EXPECT_EQ(Ticks(1, 20, 60).front(), 20.0f);
    EXPECT_EQ(Ticks(1, 21, 60).front(), 30.0f);
}

TEST(PlotTicks, HugeRangesAreCapped) {
    // 0 .. 1e30 with a tiny offset still gives a bounded list.
    EXPECT_LE(Ticks(0, -1e29f, 1e30f).size(), 10000u);
}

TEST(PlotTicks, LogarithmicMinorTicksFallOnLog10OfTheDigits) {
    // Values stored as decimal logarithms: 0 .. 2 is 1 .. 100; majors are not halved.
    EXPECT_EQ(Ticks(1, 0, 2, 1), (std::vector<float>{0, 1, 2}));
    const std::vector<float> minor = Ticks(0, 0, 2, 1);
    ASSERT_EQ(minor.size(), 16u);
    EXPECT_NEAR(minor[0], std::log10(2.0f), 1e-6);
    EXPECT_NEAR(minor[7], std::log10(9.0f), 1e-6);
    EXPECT_NEAR(minor[8], 1 + std::log10(2.0f), 1e-6);
    EXPECT_NEAR(minor[15], 1 + std::log10(9.0f), 1e-6);
}
