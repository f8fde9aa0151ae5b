// The Lamm solver on hard cases, each against a much finer run of the other loop: sharp
// boundaries, bottom pile-ups thinner than the grid, slow runs toward equilibrium, early times and
// grids the user set. No failure may pass as success, the profile must match over the fit range,
// nothing but the last node may go negative, a closed cell keeps its amount, and the thread's
// floating-point mode is the same after the run.
#include "support/lamm_hard_cases.h"
#include "support/reset_all_state.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

namespace {

class LammHardSolutions : public ::testing::TestWithParam<LammHardCase> {
  protected:
    void SetUp() override { ResetAllState(); }
};

// Amount in the 2-degree sector of 1.2 cm height loaded with c0: what a closed cell keeps.
double LoadedAmount(const LammCase& lc) {
    return lc.c0 * (lc.bottom * lc.bottom - lc.meniscus * lc.meniscus) / 2.0 * 1.2 *
           0.03490658503988659;
}

TEST_P(LammHardSolutions, MatchFineReference) {
    const auto& hc = GetParam();
    LammCase tested = hc.tested;
    tested.massCheck = 1;
    LammRun run(tested);
    ASSERT_EQ(SolveHardCase(run, hc.adjust), LammResult::Solved) << "a failure";
    LammRun reference(hc.reference);
    ASSERT_EQ(reference.Run(), LammResult::Solved) << "the reference failed";
    const CLammIdeal& o = run.solver;
    for (int scan = 1; scan <= tested.scans; ++scan) {
        EXPECT_LT(RmsdOverFitRange(run, reference, scan), 1e-3 * tested.c0) << "scan " << scan;
        const float* profile = run.Profile(scan);
        const float lowest = *std::min_element(profile + 1, profile + run.Points());
        EXPECT_GT(lowest, -1e-3 * tested.c0) << "scan " << scan;
    }
    double lowestNode = 0.0;
    for (int i = 1; i < o.N; ++i)
        lowestNode = std::min(lowestNode, o.c[i]);
    EXPECT_GT(lowestNode, -1e-3 * tested.c0) << "grid at the end";
    if (!o.backDiffusionShutOff) {
        EXPECT_NEAR(o.totalAmount / LoadedAmount(tested), 1.0, 1e-6) << "amount, closed bottom";
    }
    // the steps take subnormal values as zero; the thread's arithmetic is left as it was
    volatile double tiny = 1e-310;
    EXPECT_GT(tiny * 0.5, 0.0) << "subnormals flushed after the run";
}

INSTANTIATE_TEST_SUITE_P(Cases, LammHardSolutions, ::testing::ValuesIn(LammHardCases()),
                         [](const auto& info) { return info.param.name; });

} // namespace
