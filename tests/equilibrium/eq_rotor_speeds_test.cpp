// Rotor speeds of known values for a 20 kDa to 200 kDa range in a 6.7 to 7.2 cm column, the
// normalised equilibrium profiles behind them, and the inputs that give no estimate.
#include "equilibrium/eq_rotor_speeds.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

RotorSpeedInputs Column(double low, double high) {
    return {low, high, 7.2, 6.7, 0.73, 1.0};
}

// K = 277.15 x 166290200 / (0.27 x 6.95) = 2.45603e10; w1 = sqrt(ln 5 K / 2e5) = 444.568 rad/s
// = 4245.3 rpm; w2 = sqrt(ln 10 K / 2e4) = 1681.55 rad/s = 16057.6 rpm.
TEST(EqRotorSpeeds, SpeedsOfKnownValue) {
    struct Case {
        double low, high, speed1, speed2, speed3;
    };
    const Case cases[] = {
        {2e4, 2e5, 4200, 16000, 27000},
        {2e3, 2e5, 4200, 50700, 0}, // too light to deplete the meniscus at 60,000 rpm
        {2e4, 8e5, 2100, 16000, 27000},
    };
    for (const Case& c : cases) {
        const RotorSpeedEstimate e = EstimateEqRotorSpeeds(Column(c.low, c.high));
        ASSERT_TRUE(e.ok) << e.refusal;
        EXPECT_EQ(e.speed1, c.speed1) << c.low << " " << c.high;
        EXPECT_EQ(e.speed2, c.speed2) << c.low << " " << c.high;
        EXPECT_EQ(e.speed3, c.speed3) << c.low << " " << c.high;
        EXPECT_GT(e.hours, 0.0);
        EXPECT_TRUE(std::isfinite(e.hours));
    }
}

TEST(EqRotorSpeeds, ProfilesHoldTheLoadingAndTheTargetRatios) {
    const double b = 7.2, m = 6.7, buoyancy = 0.27;
    const double rpm1 = 4245.315612594864, rpm2 = 16057.602889787238;
    auto ratio = [&](double mass, double rpm) {
        return EqProfileAt(mass, buoyancy, rpm, m, b, b) /
               EqProfileAt(mass, buoyancy, rpm, m, b, m);
    };
    EXPECT_NEAR(ratio(2e5, rpm1), 5.0, 1e-6);
    EXPECT_NEAR(ratio(2e4, rpm2), 10.0, 1e-6);
    EXPECT_NEAR(ratio(2e5, 4200), 4.832008, 1e-5);
    EXPECT_NEAR(EqProfileAt(2e5, buoyancy, 4200, m, b, m), 0.4110801, 1e-6);
    // Unit loading in the sector at any speed; uniform at rest; finite for a heavy mass fast.
    for (double rpm : {0.0, 3000.0, 27000.0, 60000.0}) {
        const int n = 20000;
        double total = 0.0;
        for (int i = 0; i <= n; ++i) {
            const double r = m + (b - m) * i / n;
            const double w = (i == 0 || i == n) ? 0.5 : 1.0;
            total += w * EqProfileAt(1e5, buoyancy, rpm, m, b, r) * 2.0 * r * (b - m) / n;
        }
        EXPECT_NEAR(total / (b * b - m * m), 1.0, 1e-4) << rpm;
    }
    EXPECT_EQ(EqProfileAt(1e5, buoyancy, 0.0, m, b, 7.0), 1.0);
    EXPECT_TRUE(std::isfinite(EqProfileAt(5e6, buoyancy, 60000.0, m, 7.4, 7.4)));

    const RotorSpeedEstimate e = EstimateEqRotorSpeeds(Column(2e4, 2e5));
    ASSERT_EQ(e.radius.size(), 100u);
    EXPECT_DOUBLE_EQ(e.radius.front(), m);
    EXPECT_DOUBLE_EQ(e.radius.back(), b);
    for (int s = 0; s < 3; ++s)
        for (std::size_t i = 0; i < 100; i += 33)
            EXPECT_DOUBLE_EQ(e.profiles[6 + s][i], 0.5 * (e.profiles[s][i] + e.profiles[3 + s][i]))
                << "mean of the two profiles, not the profile of the mean mass";
    // The speeds being rounded down, the plotted ratios stay at or below their targets.
    const double r1 = e.profiles[0].back() / e.profiles[0].front();
    const double r2 = e.profiles[4].back() / e.profiles[4].front();
    EXPECT_LE(r1, 5.0);
    EXPECT_GT(r1, 4.8);
    EXPECT_LE(r2, 10.0);
    EXPECT_GT(r2, 9.8);
}

TEST(EqRotorSpeeds, RefusesMeaninglessInputs) {
    const RotorSpeedInputs refused[] = {
        Column(0.0, 0.0),
        Column(2e4, -1.0),
        {2e4, 2e5, 6.7, 6.7, 0.73, 1.0},
        {2e4, 2e5, 6.5, 6.7, 0.73, 1.0},
        {2e4, 2e5, 7.2, 6.7, 1.0, 1.0},
    };
    for (const RotorSpeedInputs& in : refused) {
        const RotorSpeedEstimate e = EstimateEqRotorSpeeds(in);
        EXPECT_FALSE(e.ok);
        EXPECT_FALSE(e.refusal.empty());
    }
}

} // namespace
