// Speed programs: the parameterized speed, its rounding and ceiling, and the staircase within the
// rotor's acceleration with small changes merged away.
#include "equilibrium/speed_program.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

TEST(SpeedProgram, SpeedOfTheParameters) {
    SpeedProgramSettings steps;
    steps.exponential = false;
    steps.overspeedTime = 36000.0f;
    const std::vector<float> p = {0, 1.5f, 1.2f, 1.0f};
    struct Case {
        float t, expected;
    };
    // Three equal thirds of ten hours, then the final speed.
    for (const Case c : {Case{0, 22500}, Case{3 * 3600, 22500}, Case{5 * 3600, 18000},
                         Case{9 * 3600, 15000}, Case{11 * 3600, 15000}, Case{-1, 15000}})
        EXPECT_FLOAT_EQ(SpeedAtTime(p, steps, c.t, false, 1.0f), c.expected) << c.t;
    // A large factor meets the ceiling; rounding gives whole hundreds.
    EXPECT_FLOAT_EQ(SpeedAtTime({0, 9.0f, 1, 1}, steps, 0, false, 1.0f), 50000.0f);
    EXPECT_FLOAT_EQ(SpeedAtTime({0, 1.0123f, 1, 1}, steps, 0, true, 100.0f), 15200.0f);

    SpeedProgramSettings decay;
    decay.overspeedTime = 36000.0f;
    // tau = |p1| x 5 h; at t = 0 the speed is (factor + 1) F.
    const std::vector<float> q = {0, 1.0f, 0.5f, 0.2f};
    EXPECT_FLOAT_EQ(SpeedAtTime(q, decay, 0, false, 1.0f), 22500.0f);
    EXPECT_NEAR(SpeedAtTime(q, decay, 2 * 3600, false, 1.0f),
                (std::exp(-2.0 / 5.0) * 0.5 + 1.0) * 15000.0, 0.5);
    EXPECT_NEAR(SpeedAtTime(q, decay, 7 * 3600, false, 1.0f),
                (std::exp(-7.0 / 5.0) * 0.2 + 1.0) * 15000.0, 0.5);
}

TEST(SpeedProgram, StaircaseFollowsTheRotorAndMergesSmallChanges) {
    SpeedProgramSettings settings;
    settings.overspeedTime = 36000.0f;
    settings.exponential = false;
    settings.acceleration = 1.0f; // rpm/s: a slow rotor climbing to a speed far too high
    const std::vector<float> far = {0, 1.0f, 50.0f, 50.0f, 50.0f, 50.0f};
    SpeedSteps steps;
    ASSERT_TRUE(BuildSpeedProgram(far, settings, true, 100.0f, steps));
    ASSERT_GE(steps.Count(), 3);
    EXPECT_FLOAT_EQ(steps.start[1], 0.0f);
    for (int k = 2; k <= steps.Count(); ++k) {
        const float dt = steps.start[k] - steps.start[k - 1];
        EXPECT_LE(steps.speed[k], 50000.0f);
        EXPECT_LE(steps.speed[k] - steps.speed[k - 1], settings.acceleration * dt + 1e-3f) << k;
        if (k < steps.Count()) {
            EXPECT_EQ(std::fmod(steps.speed[k], 100.0f), 0.0f) << k;
        }
        if (k > 1 && k < steps.Count()) {
            EXPECT_GE(std::fabs(steps.speed[k] - steps.speed[k - 1]), 100.0f) << k;
        }
    }
    EXPECT_FLOAT_EQ(steps.start[steps.Count()], 36000.0f);
    EXPECT_FLOAT_EQ(steps.speed[steps.Count()], 15000.0f);
    EXPECT_FLOAT_EQ(steps.rate[steps.Count()], settings.deceleration);

    // Factors of 1 ask for the final speed throughout: two steps remain.
    SpeedProgramSettings plain;
    plain.exponential = false;
    ASSERT_TRUE(BuildSpeedProgram({0, 1, 1, 1}, plain, true, 100.0f, steps));
    EXPECT_EQ(steps.Count(), 2);
}

} // namespace
