// The time to sedimentation equilibrium: the closed form at its worked example, the simulated
// run's final profile (mass conserved, species weighted by loading) and the closed form against
// the time the simulated approach takes.
#include "equilibrium/approach_to_eq.h"
#include "foundations/physical_constants.h"
#include "support/reset_all_state.h"

#include <cmath>
#include <gtest/gtest.h>

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

} // namespace
