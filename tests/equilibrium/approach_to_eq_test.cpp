// The time to sedimentation equilibrium: the closed form at its worked example, the simulated
// run's final profile (mass conserved, species weighted by loading) and the closed form against
// the time the simulated approach takes.
#include "equilibrium/approach_to_eq.h"
#include "equilibrium/speed_program.h"
#include "foundations/key_polling.h"
#include "foundations/physical_constants.h"
#include "plat/app.hpp"
#include "plat/testing.hpp"
#include "state/run_switches.h"
#include "support/reset_all_state.h"

#include <cmath>
#include <gtest/gtest.h>
#include <iterator>
#include <vector>

namespace {

class ApproachToEq : public ::testing::Test {
  protected:
    void SetUp() override { ResetAllState(); }
    void TearDown() override { ResetAllState(); }
};

// s of a species of molar mass M and diffusion coefficient D at temperature t (C).
float SFromMAndD(double M, double D, double t, double vbar = 0.73) {
    return float(M * (1.0 - vbar) * D / (PhysicalConstants::gasConstant * (t + 273.15)) * 1e13);
}

TEST_F(ApproachToEq, ClosedFormAtItsWorkedExample) {
    EXPECT_NEAR(EstimateTimeToEq(4200, 4, 200000, 1.0f, 0.73f, 7.2f, 6.7f, 5e-7f, 0.01f), 58.58,
                0.05);
}

TEST_F(ApproachToEq, FinalProfileHoldsTheLoadingOfEachSpecies) {
    struct Case {
        const char* name;
        int species;
        float loading[3], s[3], D[3];
    };
    const Case cases[] = {
        {"one species", 1, {0, 1.0f, 0}, {0, 4.0f, 0}, {0, 6e-7f, 0}},
        {"two species", 2, {0, 0.7f, 0.3f}, {0, 4.0f, 7.0f}, {0, 6e-7f, 4e-7f}},
    };
    for (const Case& c : cases) {
        CApproachToEqSim sim;
        // Limits given in the wrong order are swapped.
        ASSERT_TRUE(sim.Setup(nullptr, 2.0f, 7.2f, 6.8f, 6.82f, 7.15f, c.species, c.loading, c.s,
                              c.D, 0.73f, 20.0f, 15000.0f));
        EXPECT_EQ(sim.scanCount, 4) << c.name;
        EXPECT_LT(sim.leftLimit, sim.rightLimit) << c.name;
        double integral = 0.0;
        for (int i = 1; i < sim.pointCount; ++i)
            integral +=
                0.5 *
                (sim.equilibrium[i] * sim.radius[i] + sim.equilibrium[i + 1] * sim.radius[i + 1]) *
                (sim.radius[i + 1] - sim.radius[i]);
        const double b = sim.radius[sim.pointCount];
        EXPECT_NEAR(2.0 * integral / (b * b - 6.8 * 6.8), 1.0, 2e-3) << c.name;
    }
    CApproachToEqSim none;
    const float one[2] = {0, 1}, s[2] = {0, 4}, D[2] = {0, 6e-7f};
    none.Setup(nullptr, 0.0f, 7.2f, 6.8f, 6.82f, 7.15f, 1, one, s, D, 0.73f, 20.0f, 15000.0f);
    EXPECT_EQ(none.scanCount, 0);
}

// The rotor accelerates at 280 rpm/s: w = a t up to the speed at ta, so omega^2 t is the closed
// form a^2 t^3 / 3 on the ramp and w^2 (t - ta) + w^2 ta / 3 after it.
TEST_F(ApproachToEq, ScanHeadersHoldOmega2tOfTheRampAndAfterIt) {
    const float one[2] = {0, 1}, s[2] = {0, 4}, D[2] = {0, 6e-7f};
    CApproachToEqSim sim;
    sim.scanInterval = 60.0f; // scans at 60, 120, 180 s; 28000 rpm is reached at 100 s
    ASSERT_TRUE(
        sim.Setup(nullptr, 0.04f, 7.2f, 6.8f, 6.82f, 7.15f, 1, one, s, D, 0.73f, 20.0f, 28000.0f));
    ASSERT_EQ(sim.scanCount, 3);
    const double perRpm = M_PI / 30.0, a = 280.0 * perRpm, w = 28000.0 * perRpm;
    const double expected[] = {0.0, a * a * 60.0 * 60.0 * 60.0 / 3.0,
                               w * w * (120.0 - 100.0) + w * w * 100.0 / 3.0,
                               w * w * (180.0 - 100.0) + w * w * 100.0 / 3.0};
    for (int i = 1; i <= 3; ++i) {
        EXPECT_NEAR(sim.headers[std::size_t(i)].omega2t / expected[i], 1.0, 1e-9) << "scan " << i;
        EXPECT_NEAR(sim.headers[std::size_t(i)].accelerationTime, i == 1 ? 60.0 : 100.0, 1e-9);
    }
}

TEST_F(ApproachToEq, ClosedFormAgreesWithTheSimulatedApproach) {
    const double M = 50000, D = 8e-7, t = 20;
    const float rpm = 15000, epsilon = 0.01f;
    const float hours =
        EstimateTimeToEq(rpm, float(t), float(M), 1.0f, 0.73f, 7.2f, 6.9f, float(D), epsilon);
    ASSERT_GT(hours, 1.0f);
    const float loading[2] = {0, 1.0f}, s[2] = {0, SFromMAndD(M, D, t)}, d[2] = {0, float(D)};
    CApproachToEqSim sim;
    sim.Setup(nullptr, 1.5f * hours, 7.2f, 6.9f, 7.18f, 6.91f, 1, loading, s, d, 0.73f, float(t),
              rpm);
    ASSERT_TRUE(sim.Run());
    sim.Analyse(epsilon, epsilon);
    // The approach slows to the closed form's mode: the last scan lies close to equilibrium.
    EXPECT_LT(sim.rmsDifference[sim.scanCount], 0.5f * epsilon);
    EXPECT_NEAR(sim.timeToEquilibrium / 3600.0f, hours, 0.3f * hours)
        << "closed form " << hours << " h";
}

TEST_F(ApproachToEq, OverspeedingReachesEquilibriumSooner) {
    const double M = 50000, D = 8e-7, t = 20;
    const float loading[2] = {0, 1.0f}, s[2] = {0, SFromMAndD(M, D, t)}, d[2] = {0, float(D)};
    auto run = [&](bool overspeed) {
        CApproachToEqSim sim;
        sim.Setup(nullptr, 18.0f, 7.2f, 6.9f, 7.18f, 6.91f, 1, loading, s, d, 0.73f, float(t),
                  15000.0f);
        // 19000 rpm for the first three hours, then down to the final speed.
        const float start[3] = {0, 0, 3 * 3600}, speed[3] = {0, 19000, 15000},
                    rate[3] = {0, 280, 280};
        if (overspeed)
            sim.SetSpeedSchedule(2, start, speed, rate, 2);
        EXPECT_TRUE(sim.Run());
        sim.Analyse(0.01f, 0.01f);
        return sim.timeToEquilibrium;
    };
    const float constant = run(false), faster = run(true);
    EXPECT_LT(faster, constant) << constant / 3600 << " h at constant speed";
}

// A key ended the solve part way, yet the run reported success with the later scans all zero.
TEST_F(ApproachToEq, AKeyEndsTheRunAsAFailureAndStaysQueued) {
    plat::test::Script script; // the headless queue, empty
    const float loading[2] = {0, 1.0f}, s[2] = {0, 4.0f}, d[2] = {0, 6e-7f};
    for (const bool keyStops : {true, false}) {
        CApproachToEqSim sim;
        sim.Setup(nullptr, 4.0f, 7.2f, 6.9f, 7.15f, 6.92f, 1, loading, s, d, 0.73f, 20.0f,
                  15000.0f);
        sim.keyStops = keyStops;
        PostMessage(nullptr, WM_KEYDOWN, 'A', 0);
        PostMessage(nullptr, WM_KEYUP, 'A', 0);
        EXPECT_EQ(sim.Run(), !keyStops) << keyStops;
        EXPECT_EQ(sim.stoppedByKey, keyStops) << keyStops;
        EXPECT_FALSE(gUserInterrupt.load()) << keyStops;
        if (!keyStops) {
            EXPECT_GT(sim.scans[std::size_t(sim.scanCount)][std::size_t(sim.pointCount)], 1.0f)
                << "every scan computed";
        }
        EXPECT_TRUE(KeyPressed()) << "the key is left for the caller, " << keyStops;
    }
}

TEST_F(ApproachToEq, SpeedStaircaseDrawsEachStepAsARampToTheLastScan) {
    const float loading[2] = {0, 1.0f}, s[2] = {0, 4.0f}, d[2] = {0, 6e-7f};
    CApproachToEqSim sim;
    sim.Setup(nullptr, 5.0f, 7.2f, 6.8f, 7.15f, 6.82f, 1, loading, s, d, 0.73f, 20.0f, 15000.0f);
    std::vector<float> hours, rpm;
    EXPECT_FALSE(sim.BuildSpeedStaircase(hours, rpm)) << "no schedule";

    const float start[4] = {0, 0, 3600, 7200}, speed[4] = {0, 20000, 17200, 15000},
                rate[4] = {0, 280, 280, 200};
    sim.SetSpeedSchedule(3, start, speed, rate, 2);
    ASSERT_TRUE(sim.BuildSpeedStaircase(hours, rpm));
    ASSERT_EQ(hours.size(), 2u * 3 + 2) << "2 n + 1 points from index 1";
    const struct {
        float h, rpm;
    } expected[] = {{0, 0},     {0, 20000},
                    {1, 20000}, {(3600 + 17200 / 280.0f) / 3600, 17200},
                    {2, 17200}, {(7200 + 15000 / 200.0f) / 3600, 15000},
                    {5, 15000}}; // the last of ten scans, every half hour
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_NEAR(hours[i + 1], expected[i].h, 1e-5) << i + 1;
        EXPECT_FLOAT_EQ(rpm[i + 1], expected[i].rpm) << i + 1;
    }
}

// A length, interval or column whose scans or points cannot be counted or held is refused before
// any loop counts them; a speed program of absurd steps is not built.
TEST_F(ApproachToEq, BoundsThatCannotBeCountedAreRefused) {
    const float one[2] = {0, 1}, s[2] = {0, 4}, D[2] = {0, 6e-7f};
    const float inf = INFINITY, nan = NAN;
    struct Case {
        const char* name;
        float hours, bottom, interval, step;
        bool held;
    };
    const Case cases[] = {{"a day", 24, 7.2f, 1800, 0.002f, true},
                          {"infinite hours", inf, 7.2f, 1800, 0.002f, false},
                          {"hours not a number", nan, 7.2f, 1800, 0.002f, false},
                          {"hours beyond a year", 2e4f, 7.2f, 1800, 0.002f, false},
                          {"no interval", 24, 7.2f, 0, 0.002f, false},
                          {"a bottom at infinity", 24, inf, 1800, 0.002f, false},
                          {"a bottom far out", 24, 1e30f, 1800, 0.002f, false},
                          {"no radial step", 24, 7.2f, 1800, 0, false}};
    for (const Case& c : cases) {
        CApproachToEqSim sim;
        sim.scanInterval = c.interval;
        sim.radialStep = c.step;
        EXPECT_EQ(sim.Setup(nullptr, c.hours, c.bottom, 6.8f, 7.15f, 6.82f, 1, one, s, D, 0.73f,
                            20.0f, 15000.0f),
                  c.held)
            << c.name;
        EXPECT_EQ(sim.scanCount, c.held ? 48 : 0) << c.name;
    }
    SpeedProgramSettings program;
    SpeedSteps steps;
    const struct {
        float overspeed, step;
        bool built;
    } programs[] = {{30000, 900, true}, {inf, 900, false},      {1e30f, 900, false},
                    {1e9f, 900, false}, {30000, 1e-30f, false}, {30000, 0, false}};
    for (const auto& p : programs) {
        program.overspeedTime = p.overspeed;
        program.stepTime = p.step;
        EXPECT_EQ(BuildSpeedProgram({0, 1}, program, false, 1, steps), p.built)
            << p.overspeed << " s in steps of " << p.step << " s";
    }
}

} // namespace
