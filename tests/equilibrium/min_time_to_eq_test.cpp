// The minimum-time-to-equilibrium planner called directly (no menu command binds it): the
// reference at constant speed, the rounded best program that gets there sooner, and its file.
#include "equilibrium/approach_to_eq.h"
#include "equilibrium/min_time_to_eq.h"
#include "equilibrium/speed_step_file.h"
#include "equilibrium/time_to_eq_parameters.h"
#include "foundations/physical_constants.h"
#include "support/reset_all_state.h"
#include "support/temp_folder.h"

#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>

namespace {
using P = TimeToEqParameters;

class MinimumTimeToEq : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetAllState();
        P::ResetToDefaults();
        // A small, fast species in a short column.
        const double M = 50000, D = 8e-7, t = 20;
        P::temperature = float(t);
        P::meniscus = 6.9f;
        P::bottom = 7.2f;
        P::leftLimit = 6.92f;
        P::rightLimit = 7.18f;
        P::epsilon = 0.01f;
        P::density = 1.0f;
        P::vbar1 = 0.73f;
        P::M1 = float(M);
        P::D1 = float(D);
        P::s1 = float(M * 0.27 * D / (PhysicalConstants::gasConstant * (t + 273.15)) * 1e13);
        P::secondSpecies = false;
        P::finalSpeed = 15000.0f;
        P::overspeedTime = 6 * 3600.0f;
        P::parameterCount = 3;
        P::exponentialParameterization = true;
        P::outputPath = folder.file("steps.txt");
    }
    void TearDown() override {
        P::ResetToDefaults();
        ResetAllState();
    }
    TempFolder folder;
};

TEST_F(MinimumTimeToEq, BestRoundedProgramShortensTheRunAndIsWritten) {
    const float hours = PlannerMaxSimulationHours();
    ASSERT_GT(hours, 1.0f);
    const MinimumTimeToEqOutcome outcome = RunMinimumTimeToEq(hours);
    ASSERT_TRUE(outcome.simulated);
    EXPECT_GT(outcome.timeAtConstantSpeed, 0.0f);
    EXPECT_LE(outcome.timeAtConstantSpeed, hours);
    EXPECT_LT(outcome.bestHours, outcome.timeAtConstantSpeed);
    EXPECT_FLOAT_EQ(P::bestValue, outcome.bestHours);
    EXPECT_FLOAT_EQ(P::speedRoundingStep, 100.0f);

    // The second search rounds: whole hundreds, ending at the final speed, above it at first.
    const SpeedSteps& steps = outcome.plan.steps;
    ASSERT_GE(steps.Count(), 2);
    for (int i = 1; i <= steps.Count(); ++i)
        EXPECT_EQ(std::fmod(steps.speed[std::size_t(i)], 100.0f), 0.0f) << i;
    EXPECT_GT(steps.speed[1], P::finalSpeed);
    EXPECT_FLOAT_EQ(steps.speed[std::size_t(steps.Count())], P::finalSpeed);

    ASSERT_TRUE(outcome.fileWritten);
    EXPECT_EQ(ReadTextFile(P::outputPath), SpeedStepText(steps));
}

TEST_F(MinimumTimeToEq, FailedReferenceSearchesNothingAndWritesNoFile) {
    const MinimumTimeToEqOutcome outcome = RunMinimumTimeToEq(0.0f);
    EXPECT_FALSE(outcome.simulated);
    EXPECT_FALSE(outcome.fileWritten);
    EXPECT_FALSE(std::filesystem::exists(P::outputPath));
}

TEST_F(MinimumTimeToEq, SecondSpeciesOnlyWhenFullyGiven) {
    P::secondSpecies = true;
    P::s2 = 6.0f;
    P::D2 = 5e-7f;
    P::M2 = 100000.0f;
    P::vbar2 = 0.73f;
    P::ff02 = 1.3f;
    struct Case {
        float fraction;
        int count;
    };
    for (const Case c : {Case{0.0f, 1}, Case{0.25f, 2}}) {
        P::fraction2 = c.fraction;
        const PlannerSpecies species = PlannerSpeciesFromParameters();
        ASSERT_EQ(species.Count(), c.count) << c.fraction;
        EXPECT_FLOAT_EQ(species.loading[1], c.count == 1 ? 1.0f : 0.75f);
        if (c.count == 2) {
            EXPECT_FLOAT_EQ(species.loading[2], 0.25f);
            EXPECT_FLOAT_EQ(species.s[2], 6.0f);
        }
    }
    // The simulated length covers the slower of the two.
    const float both = PlannerMaxSimulationHours();
    const float second =
        1.5f * EstimateTimeToEq(P::finalSpeed, P::temperature, P::M2, P::density, P::vbar2,
                                P::bottom, P::meniscus, P::D2, P::epsilon);
    P::secondSpecies = false;
    const float first = PlannerMaxSimulationHours();
    EXPECT_FLOAT_EQ(both, std::max(first, second));
    EXPECT_GT(second, first);
}

TEST_F(MinimumTimeToEq, CaptionShowsBothTimesAndThePath) {
    EXPECT_EQ(MinimumTimeToEqCaption(0.001f, 41.6f, 17.4f, "/tmp/a/steps.txt"),
              "epsilon = 0.0010: t(const) = 42 h, t(opt) = 17 h, saved in /tmp/a/steps.txt");
}

TEST(SpeedProgramProgressLine, ShowsPassHoursStartSpeedAndParameters) {
    struct Case {
        const char* name;
        std::vector<float> p;
        bool exponential;
        const char* line;
    };
    const Case cases[] = {
        {"steps",
         {0, 1.5f, 1.2f, 1.1f, 1.0f},
         false,
         "(2) 07: 12.345 h | om(0)=22500 | 1.200000 | ... | 1.000000  "},
        {"exponential, seven",
         {0, -0.5f, 2, 3, 4, 5, 6, 7},
         true,
         "(2) 07: 12.345 h | om(0)=22500 | decay-time = 2.5 h | 2.000000 | 3.000000 | 4.000000 | "
         "5.000000 | 6.000000 | 7.000000"},
        {"exponential, three",
         {0, 1.0f, 0.3f, 0.1f},
         true,
         "(2) 07: 12.345 h | om(0)=22500 | decay-time = 5.0 h | 0.300000 | ... | 0.100000"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SpeedProgramProgressLine(2, 7, 12.345f, 22500.0f, c.p, c.exponential, 5.0f),
                  c.line)
            << c.name;
}

} // namespace
