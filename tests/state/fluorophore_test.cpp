// The photophysics factor of a fluorophore against hand computations: the exponential approach to
// the limiting level, restarted at each reset of the illumination with that reset's level.
#include "state/fluorophore.h"

#include <cmath>
#include <gtest/gtest.h>

TEST(Fluorophore, PhotophysicsFactorFollowsTheResets) {
    CFluorophore fresh;
    for (double t : {0.0, 3600.0, 1e6})
        EXPECT_EQ(fresh.SignalFraction(t, 1), 1.0) << t;

    CFluorophore f;
    f.bleachingRate[1] = -0.5f; // the magnitude counts
    f.bleachingPlateau[1] = 0.2f;
    f.recovery = true;
    f.recoveryTimeCount = 2;
    f.recoveryTimes = {0.0f, 3600.0f, 7200.0f};
    f.recoveryLevels[1] = {0.0f, 0.9f, 0.6f};
    auto e = [](double since) { return 0.2 + 0.8 * std::exp(-0.5 * since / 3600.0); };
    struct Case {
        double t, expected;
    } cases[] = {
        {1800.0, e(1800.0)},       // before the first reset: from zero, level 1
        {3600.0, e(3600.0)},       // exactly at a reset: still the time before it
        {5400.0, 0.9 * e(1800.0)}, // after reset 1
        {7200.0, 0.9 * e(3600.0)}, {9000.0, 0.6 * e(1800.0)}, // after reset 2
    };
    for (const Case& c : cases)
        EXPECT_NEAR(f.SignalFraction(c.t, 1), c.expected, 1e-6) << c.t;
    // Hand value: 0.2 + 0.8 e^-0.25 = 0.823040, times 0.9.
    EXPECT_NEAR(f.SignalFraction(5400.0, 1), 0.9 * 0.8230403, 1e-6);

    // A limiting level below zero: the factor stops at 0 instead of turning negative.
    CFluorophore g;
    g.bleachingRate[1] = 1.0f;
    g.bleachingPlateau[1] = -0.5f;
    EXPECT_EQ(g.SignalFraction(36000.0, 1), 0.0);
    EXPECT_NEAR(g.SignalFraction(3600.0, 1), -0.5 + 1.5 * std::exp(-1.0), 1e-6);
}
