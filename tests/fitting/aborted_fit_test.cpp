// A fit stopped by a key press: the curves and rmsd left in the store belong to the parameters
// kept. They once belonged to the last trial evaluated before the key was seen.
#include "fitting/fit_driver.h"
#include "scandata/fit_limits.h"
#include "scandata/scan_store_alloc.h"
#include "state/fit_control.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/run_switches.h"
#include "support/reset_all_state.h"
#include "support/two_component_start.h"
#include "support/velocity_store.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

using S = ScanStore;

int gEvaluations = 0;
int gKeyAfter = 0;

// The model, with a key pressed after the chosen evaluation.
bool EvaluateThenPressKey(TXLAWindow* window) {
    const bool computed = CurrentModelEvaluator()(window);
    if (++gEvaluations == gKeyAfter)
        gUserInterrupt = true;
    return computed;
}

// The fit curve of every scan, indexed as the store is (from 1).
std::vector<std::vector<float>> FitCurves() {
    std::vector<std::vector<float>> curves(std::size_t(S::scanCount) + 1);
    for (int k = 1; k <= S::scanCount; ++k)
        curves[std::size_t(k)].assign(S::fit[k], S::fit[k] + S::pointCount[k] + 1);
    return curves;
}

class AbortedFit : public ::testing::Test {
  protected:
    void SetUp() override { ResetAllState(); }
    void TearDown() override { ResetAllState(); }
};

TEST_F(AbortedFit, ShowsTheFitOfTheParametersKept) {
    struct Case {
        const char* name;
        bool simplex, annealing, ml;
        int keyAfter;
    } cases[] = {{"simplex", true, false, false, 9},
                 {"simplex", true, false, false, 14},
                 {"ML", false, false, true, 4},
                 {"ML", false, false, true, 8},
                 {"annealing", false, true, false, 12}};
    for (const Case& c : cases) {
        ResetAllState();
        VelocitySet set;
        set.points = 201;
        set.noise = 0.005;
        ModelChoice::linearAmplitudes = true;
        FillVelocityStore(set);
        SetTwoSpeciesStartValues();
        FitControl::simplex = c.simplex;
        FitControl::simulatedAnnealing = c.annealing;
        FitControl::marquardtLevenberg = c.ml;
        gEvaluations = 0;
        gKeyAfter = c.keyAfter;
        ASSERT_EQ(RunFitWith(nullptr, SilentObserver(), EvaluateThenPressKey, false),
                  FitOutcome::Aborted)
            << c.name;
        EXPECT_EQ(FitControl::evaluationCount, c.keyAfter) << c.name;
        EXPECT_TRUE(FitControl::fitAborted) << c.name;
        const std::vector<std::vector<float>> shown = FitCurves();
        const float shownRmsd = FitControl::bestRmsd;

        // A fresh evaluation at the parameters kept.
        gUserInterrupt = false;
        CurrentModelEvaluator()(nullptr);
        const std::vector<std::vector<float>> fresh = FitCurves();
        double largest = 0.0;
        for (int k = 1; k <= S::scanCount; ++k)
            for (int i = 1; i <= S::pointCount[k]; ++i)
                largest = std::max(largest, std::fabs(double(shown[k][i]) - fresh[k][i]));
        EXPECT_LT(largest, 1e-5) << c.name << " after " << c.keyAfter << " evaluations";
        EXPECT_NEAR(shownRmsd, CalcFitRmsd(), 1e-6 * shownRmsd)
            << c.name << " after " << c.keyAfter << " evaluations";
    }
}

} // namespace
