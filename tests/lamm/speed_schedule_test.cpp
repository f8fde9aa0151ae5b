// Rotor speed schedules of the Lamm solver: speed-step profiles, ramps and the effective speed
// over a step, and a solution under a profile against the exact omega^2 t of that profile.
#include "foundations/error_box_log.h"
#include "lamm/lamm_ideal.h"
#include "scandata/rotor_speed_profile.h"
#include "support/lamm_harness.h"
#include "support/reset_all_state.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

struct Schedule {
    std::vector<float> start, speed, accel; // 1-based
};

// Run start to 40,000 rpm at 200 rpm/s, up to 50,000 at 100 rpm/s from 3000 s, down to
// 30,000 rpm at 400 rpm/s from 6000 s.
Schedule ThreeSteps() {
    return {{0, 0, 3000, 6000}, {0, 40000, 50000, 30000}, {0, 200, 100, 400}};
}

class SpeedSchedule : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetAllState();
        TakeErrorBoxes();
    }
    void Load(const Schedule& s, int mode = 0) {
        solver.CheckRotorSpeeds(static_cast<int>(s.start.size()) - 1, s.start.data(),
                                s.speed.data(), s.accel.data(), mode);
    }
    CLammIdeal solver;
};

TEST_F(SpeedSchedule, FollowsRampsBetweenSteps) {
    Load(ThreeSteps());
    struct Case {
        double t, rpm;
    } cases[] = {{0, 0},        {100, 20000},  {200, 40000},  {2999, 40000},
                 {3000, 40000}, {3050, 45000}, {3100, 50000}, {5000, 50000},
                 {6010, 46000}, {6050, 30000}, {9000, 30000}};
    for (const Case& c : cases)
        EXPECT_NEAR(solver.RotorSpeedAt(c.t), c.rpm, 1e-6) << "t = " << c.t;
    EXPECT_DOUBLE_EQ(solver.finalRotorSpeed, 30000.0);
    EXPECT_FALSE(solver.checkAcceleration);
}

TEST_F(SpeedSchedule, SpeedIsZeroBeforeTheFirstStep) {
    Load({{0, 100, 4000}, {0, 40000, 50000}, {0, 200, 100}});
    EXPECT_EQ(solver.RotorSpeedAt(50.0), 0.0);
    EXPECT_NEAR(solver.RotorSpeedAt(150.0), 10000.0, 1e-9);
}

// A ramp that would outlast the next step's start ends 1 s before it.
TEST_F(SpeedSchedule, OverlappingRampEndsBeforeNextStep) {
    Load({{0, 0, 150}, {0, 40000, 50000}, {0, 200, 100}});
    EXPECT_DOUBLE_EQ(solver.stepEnd[1], 149.0);
    EXPECT_DOUBLE_EQ(solver.stepEnd[2], 250.0);
}

// Accelerations from a user's file that are zero or missing: the change is instantaneous
// instead of an end time of infinity (0/0 for equal speeds) that never reaches the step speed.
TEST_F(SpeedSchedule, ZeroAccelerationIsAnInstantaneousChange) {
    Load({{0, 0, 1000, 2000}, {0, 40000, 50000, 50000}, {0, 0, 0, 0}});
    for (int i = 1; i <= 3; ++i)
        EXPECT_TRUE(std::isfinite(solver.stepEnd[i])) << i;
    EXPECT_NEAR(solver.RotorSpeedAt(10.0), 40000.0, 1e-9);
    EXPECT_NEAR(solver.RotorSpeedAt(1500.0), 50000.0, 1e-9);
    EXPECT_NEAR(solver.RotorSpeedAt(2500.0), 50000.0, 1e-9);
}

// The effective speed is the root mean square of the speeds at both ends of the step, so that
// omega^2 is averaged; it never overshoots the step's speed.
TEST_F(SpeedSchedule, EffectiveSpeedAveragesOmegaSquared) {
    Load(ThreeSteps());
    solver.currentStep = 1;
    EXPECT_NEAR(solver.EffectiveRotorSpeed(100.0, 50.0), std::sqrt((2e4 * 2e4 + 3e4 * 3e4) / 2.0),
                1e-6);
    EXPECT_NEAR(solver.EffectiveRotorSpeed(190.0, 50.0),
                std::sqrt((3.8e4 * 3.8e4 + 4e4 * 4e4) / 2.0), 1e-6);
    solver.currentStep = 3;
    EXPECT_NEAR(solver.EffectiveRotorSpeed(6000.0, 10.0),
                std::sqrt((5e4 * 5e4 + 4.6e4 * 4.6e4) / 2.0), 1e-6);
    EXPECT_NEAR(solver.EffectiveRotorSpeed(6045.0, 10.0),
                std::sqrt((3.2e4 * 3.2e4 + 3e4 * 3e4) / 2.0), 1e-6);
}

TEST_F(SpeedSchedule, EffectiveSpeedOfTheHeaderRamp) {
    solver.finalRotorSpeed = 50000.0;
    solver.accelerationRate = 200.0;
    solver.accelerationDuration = 250.0;
    solver.accelerationPhaseActive = true;
    EXPECT_NEAR(solver.EffectiveRotorSpeed(100.0, 10.0),
                std::sqrt((2e4 * 2e4 + 2.2e4 * 2.2e4) / 2.0), 1e-6);
    EXPECT_NEAR(solver.EffectiveRotorSpeed(245.0, 10.0), 50000.0, 1e-6); // capped
    EXPECT_TRUE(solver.accelerationPhaseActive);
    EXPECT_NEAR(solver.EffectiveRotorSpeed(250.0, 10.0), 50000.0, 1e-6);
    EXPECT_FALSE(solver.accelerationPhaseActive);
    solver.accelerationDuration = 9.0; // shorter than 10 s: at speed at once
    solver.accelerationPhaseActive = true;
    EXPECT_NEAR(solver.EffectiveRotorSpeed(1.0, 1.0), 50000.0, 1e-9);
    EXPECT_FALSE(solver.accelerationPhaseActive);
}

TEST_F(SpeedSchedule, ShortRampCountsAsInstantaneous) {
    Load({{0, 0, 1000}, {0, 40000, 40500}, {0, 200, 100}});
    solver.currentStep = 2;
    EXPECT_DOUBLE_EQ(solver.EffectiveRotorSpeed(1000.0, 3.0), 40500.0);
}

TEST_F(SpeedSchedule, AdvancesStepsAndMarksTheLast) {
    Load(ThreeSteps());
    solver.AdvanceSpeedStep(3050.0);
    EXPECT_EQ(solver.currentStep, 2);
    EXPECT_TRUE(solver.accelerationPhaseActive);
    solver.AdvanceSpeedStep(5000.0);
    EXPECT_TRUE(solver.atStepSpeed);
    EXPECT_FALSE(solver.lastStepReached);
    solver.AdvanceSpeedStep(7000.0);
    EXPECT_EQ(solver.currentStep, 3);
    EXPECT_TRUE(solver.lastStepReached);
}

// Mode 1 checks the scans against the schedule, one box per scan off by more than 100 rpm;
// mode 2 replaces the recorded speeds.
TEST_F(SpeedSchedule, ChecksOrReplacesRecordedScanSpeeds) {
    LammCase lc;
    lc.scans = 3;
    lc.firstScanS = 1000.0, lc.intervalS = 1000.0;
    LammRun run(lc);
    run.Load();
    run.headers_[1].rotorSpeed = 40100.0f; // schedule: 40,000 at 1000 s
    run.headers_[2].rotorSpeed = 39899.5f; // 100.5 rpm off
    run.headers_[3].rotorSpeed = 40000.0f;
    const Schedule s = ThreeSteps();
    run.solver.CheckRotorSpeeds(3, s.start.data(), s.speed.data(), s.accel.data(), 1);
    const auto boxes = TakeErrorBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "\nrotor speed scan #2 is 39899.500000, incompatible with schedule "
                             "at time 2000.000000 predicting 40000");
    run.solver.CheckRotorSpeeds(3, s.start.data(), s.speed.data(), s.accel.data(), 2);
    EXPECT_FLOAT_EQ(run.headers_[2].rotorSpeed, 40000.0f);
    EXPECT_FLOAT_EQ(run.headers_[3].rotorSpeed, 40000.0f); // the ramp to 50,000 starts now
    CLammIdeal unloaded;
    unloaded.CheckRotorSpeeds(3, s.start.data(), s.speed.data(), s.accel.data(), 1);
    const auto refused = TakeErrorBoxes();
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_EQ(refused[0].text, "can't check rotor speeds - data not loaded");
    EXPECT_TRUE(unloaded.profileLoaded); // the schedule is built before the check
}

// omega^2 t of the three-step profile, integrated exactly over its linear ramps.
double ProfileOmega2T(double t) {
    const Schedule s = ThreeSteps();
    CLammIdeal o;
    o.CheckRotorSpeeds(3, s.start.data(), s.speed.data(), s.accel.data(), 0);
    double sum = 0.0;
    const int pieces = 20000;
    for (int i = 0; i < pieces; ++i) { // Simpson on a fine partition: exact for the quadratics
        const double a = t * i / pieces, b = t * (i + 1) / pieces, m = 0.5 * (a + b);
        auto w2 = [&](double x) {
            const double w = o.RotorSpeedAt(x) * M_PI / 30.0;
            return w * w;
        };
        sum += (b - a) / 6.0 * (w2(a) + 4.0 * w2(m) + w2(b));
    }
    return sum;
}

// Under a speed-step profile the plateau must follow exp(-2 s integral omega^2 dt), through the
// ramps and the deceleration.
TEST_F(SpeedSchedule, PlateauFollowsTheProfilesOmegaSquared) {
    for (bool movingHat : {false, true}) {
        LammCase lc;
        lc.s = 2.0, lc.D = 7e-7;
        lc.rpm = 30000;
        lc.scans = 8;
        lc.firstScanS = 1000.0, lc.intervalS = 1000.0;
        lc.movingHat = movingHat;
        lc.maxDcOverC = movingHat ? 0.25 : 1.0;
        LammRun run(lc);
        run.Load();
        const Schedule s = ThreeSteps();
        run.solver.CheckRotorSpeeds(3, s.start.data(), s.speed.data(), s.accel.data(), 0);
        ASSERT_EQ(run.solver.Run(), LammResult::Solved);
        for (int scan = 1; scan <= lc.scans; ++scan) {
            const double t = run.ScanTime(scan);
            const double w2t = ProfileOmega2T(t);
            const double boundary = lc.meniscus * std::exp(lc.s * 1e-13 * w2t);
            const double probe = 0.5 * (boundary + 0.15 + lc.bottom - 0.15);
            EXPECT_NEAR(run.ValueAt(scan, probe), std::exp(-2.0 * lc.s * 1e-13 * w2t), 2e-4)
                << (movingHat ? "moving hat" : "fixed grid") << " scan " << scan << " t " << t;
        }
    }
}

} // namespace
