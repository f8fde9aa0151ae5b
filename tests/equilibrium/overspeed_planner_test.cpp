// The overspeed planner: its program reaches equilibrium no later than the constant speed and
// meets its own criterion when simulated again; a pass stops at its evaluation cap and says so.
#include "equilibrium/approach_to_eq.h"
#include "equilibrium/overspeed_planner.h"
#include "foundations/error_box_log.h"
#include "foundations/physical_constants.h"
#include "support/reset_all_state.h"

#include <gtest/gtest.h>

namespace {

class OverspeedPlanner : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetAllState();
        TakeErrorBoxes();
        const double M = 50000, D = 8e-7, t = 20;
        problem.temperature = float(t);
        problem.meniscus = 6.9f;
        problem.bottom = 7.2f;
        problem.leftLimit = 6.92f;
        problem.rightLimit = 7.18f;
        problem.epsilon = 0.01f;
        problem.loading = {0, 1.0f};
        problem.D = {0, float(D)};
        problem.s = {0,
                     float(M * 0.27 * D / (PhysicalConstants::gasConstant * (t + 273.15)) * 1e13)};
        problem.program.finalSpeed = 15000.0f;
        problem.program.overspeedTime = 6 * 3600.0f;
        problem.program.exponential = true;
        problem.horizonSeconds = 18 * 3600.0f;
    }
    void TearDown() override { ResetAllState(); }
    OverspeedProblem problem;
};

TEST_F(OverspeedPlanner, ProgramMeetsItsOwnCriterionNoLaterThanConstantSpeed) {
    // At constant speed: every factor 0.
    const double constant = ApproachToEqObjective(problem, {0, 1.0f, 0.0f, 0.0f}, false);
    const OverspeedPlan plan = OptimizeSpeedProgram(problem, {0, 1.0f, 0.3f, 0.1f});
    EXPECT_TRUE(plan.converged);
    EXPECT_LE(plan.hours, constant);
    ASSERT_GE(plan.steps.Count(), 2);
    EXPECT_FLOAT_EQ(plan.steps.speed[plan.steps.Count()], 15000.0f);

    // Simulated again, the program's approach meets epsilon at the reported time.
    CApproachToEqSim sim;
    sim.Setup(nullptr, problem.horizonSeconds / 3600.0f, problem.bottom, problem.meniscus,
              problem.rightLimit, problem.leftLimit, 1, problem.loading.data(), problem.s.data(),
              problem.D.data(), problem.vbar, problem.temperature, 15000.0f);
    sim.SetSpeedSchedule(plan.steps.Count(), plan.steps.start.data(), plan.steps.speed.data(),
                         plan.steps.rate.data(), 2);
    ASSERT_TRUE(sim.Run());
    sim.Analyse(problem.epsilon, problem.epsilon);
    EXPECT_LT(sim.rmsDifference[sim.rmsCriterionIndex], problem.epsilon);
    EXPECT_NEAR(sim.timeToEquilibrium / 3600.0f, plan.hours, 1e-3);
}

TEST_F(OverspeedPlanner, SimplexStopsAtItsCap) {
    problem.maxEvaluations = 12;
    const OverspeedPlan plan = OptimizeSpeedProgram(problem, {0, 1.0f, 0.3f, 0.1f});
    EXPECT_FALSE(plan.converged);
    // The start value, then at most the cap and one simplex move past it.
    EXPECT_LE(plan.evaluations, 1 + 12 + 4);
    const auto boxes = TakeErrorBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Nelder-Mead not converged");
}

TEST_F(OverspeedPlanner, StopKeepsTheBestSoFarAndProgressReportsOnlyImprovements) {
    struct Report {
        double value;
        std::vector<float> parameters;
        int pass, evaluations, scans;
        float horizon;
    };
    std::vector<Report> reports;
    int asked = 0;
    OverspeedWatch watch;
    watch.stop = [&] { return ++asked == 6; }; // a key after the sixth evaluation
    watch.progress = [&](const OverspeedProgress& p) {
        reports.push_back({p.value, *p.parameters, p.pass, p.evaluations, p.simulation->scanCount,
                           p.horizonHours});
    };
    const OverspeedPlan plan = OptimizeSpeedProgram(problem, {0, 1.0f, 0.3f, 0.1f}, watch);
    EXPECT_TRUE(plan.stopped);
    EXPECT_EQ(asked, 6) << "nothing is evaluated for the search after the stop";

    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports[0].pass, 0) << "the start point";
    EXPECT_EQ(reports[0].evaluations, 1);
    for (std::size_t i = 0; i < reports.size(); ++i) {
        EXPECT_GT(reports[i].scans, 1) << i;
        EXPECT_FLOAT_EQ(reports[i].horizon, 18.0f) << i;
        if (i > 0) {
            EXPECT_LE(reports[i].value, reports[i - 1].value) << i;
            EXPECT_EQ(reports[i].pass, 1) << i;
        }
    }
    // The program kept is the last one reported, and its run is the one analysed.
    EXPECT_EQ(plan.parameters, reports.back().parameters);
    EXPECT_NEAR(ApproachToEqObjective(problem, plan.parameters, true), reports.back().value, 1e-9);
    EXPECT_FLOAT_EQ(plan.simulation.timeToEquilibrium / 3600.0f, plan.hours);
}

} // namespace
