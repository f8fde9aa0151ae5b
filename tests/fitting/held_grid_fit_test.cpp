// Fits on the automatic solution grid, whose node count and layout follow D, s and the meniscus:
// within a fit they are held from the start values, so the objective is smooth and every
// optimiser reaches the rmsd of the generating values; a Run outside a fit is left as it was.
#include "fitting/fit_driver.h"
#include "plat/testing.hpp"
#include "scandata/fit_limits.h"
#include "scandata/scan_store_alloc.h"
#include "state/fit_control.h"
#include "state/held_discretisation.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/optimiser_cases.h"
#include "support/reset_all_state.h"
#include "support/velocity_store.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

using M = ModelParameters;

// The store as the user's defaults leave it: the automatic grid size is on.
void Fill(const VelocitySet& set) {
    FillVelocityStore(set);
    ModelChoice::linearAmplitudes = true;
    ASSERT_TRUE(M::autoGridSize);
}

double RmsdOfRun() {
    PackFitParameters();
    CurrentModelEvaluator()(nullptr);
    return CalcFitRmsd();
}

std::vector<float> FirstScanFit() {
    return std::vector<float>(ScanStore::fit[1] + 1,
                              ScanStore::fit[1] + 1 + ScanStore::pointCount[1]);
}

class HeldGridFit : public ::testing::Test {
  protected:
    void SetUp() override { ResetAllState(); }
    void TearDown() override { ResetAllState(); }
};

TEST_F(HeldGridFit, EveryOptimiserReachesTheRmsdOfTheGeneratingValuesOnTheAutomaticGrid) {
    const VelocitySet set = TenAndTwentyS();
    for (const OptimiserCase& c : kEveryOptimiser) {
        ResetAllState();
        plat::test::Script script; // no box
        Fill(set);
        const double truth = RmsdOfRun();
        Fill(set);
        StartTenAndTwentySOffTheirValues(set);
        ChooseOptimiser(c.simplex, c.annealing, c.ml);
        EXPECT_EQ(RunFitWith(nullptr, SilentObserver(), CurrentModelEvaluator(), false),
                  FitOutcome::Completed)
            << c.name;
        EXPECT_FALSE(HeldDiscretisation::Active()) << c.name << ": the grid is held past the fit";
        EXPECT_LT(FitControl::bestRmsd, 1.01 * truth)
            << c.name << ": rmsd " << FitControl::bestRmsd << " against " << truth
            << " at the generating values (1%), " << FitControl::evaluationCount << " evaluations";
        for (int k = 1; k <= 2; ++k)
            EXPECT_NEAR(M::speciesS[k] / set.species[k - 1].s, 1.0, 0.01)
                << c.name << " s of species " << k << " (1%): " << M::speciesS[k];
    }
}

// Inside a held scope the rmsd along steps of 1e-4 in D and in the meniscus has no steps: its
// second differences stay at the size the curvature gives; outside, Runs repeat bit for bit and
// are the same after a held scope as before it.
TEST_F(HeldGridFit, HeldObjectiveIsSmoothAndRunsOutsideAFitAreUnchanged) {
    const VelocitySet set = TenAndTwentyS();
    Fill(set);
    RmsdOfRun();
    const std::vector<float> before = FirstScanFit();

    struct Probe {
        const char* name;
        float* value;
    } probes[] = {{"D of species 1", &M::speciesDOrM[1]}, {"meniscus", &M::meniscus}};
    for (const Probe& probe : probes) {
        Fill(set);
        const float start = *probe.value;
        std::vector<double> rmsd;
        {
            const HeldDiscretisation::Scope hold;
            for (int k = -4; k <= 4; ++k) {
                *probe.value = float(start * (1.0 + 1e-4 * k));
                HeldDiscretisation::BeginEvaluation();
                rmsd.push_back(RmsdOfRun());
            }
        }
        *probe.value = start;
        // The objective (rmsd^2) is nearly quadratic over these steps: its second differences
        // are nearly equal. A step in it shows as one out of line: the automatic grid gave
        // steps of about 2e-9 along D, the rounding of the float fit values about 1e-11.
        std::vector<double> second;
        for (std::size_t i = 1; i + 1 < rmsd.size(); ++i)
            second.push_back(rmsd[i - 1] * rmsd[i - 1] - 2.0 * rmsd[i] * rmsd[i] +
                             rmsd[i + 1] * rmsd[i + 1]);
        const auto [lo, hi] = std::minmax_element(second.begin(), second.end());
        EXPECT_LT(*hi - *lo, 0.05 * std::fabs(*hi + *lo) / 2.0 + 1e-10)
            << probe.name << ": second differences from " << *lo << " to " << *hi;
    }

    Fill(set);
    RmsdOfRun();
    EXPECT_EQ(FirstScanFit(), before) << "a Run after a held scope differs from the one before";
}

} // namespace
