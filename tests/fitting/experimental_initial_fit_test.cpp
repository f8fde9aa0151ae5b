// A fit that starts every solution from the first scan: s and D of one species are found again
// from noisy data, and the rms deviation counts the simulated scans only. Within an optimiser run
// the species keep the algorithm their first evaluation chose.
#include "fitting/fit_driver.h"
#include "plat/testing.hpp"
#include "scandata/fit_limits.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/discrete_sed_module.h"
#include "state/fit_control.h"
#include "state/held_discretisation.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/reset_all_state.h"
#include "support/velocity_store.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

using M = ModelParameters;

class ExperimentalInitialFit : public ::testing::Test {
  protected:
    void SetUp() override { ResetAllState(); }
    void TearDown() override { ResetAllState(); }
};

TEST_F(ExperimentalInitialFit, RecoversSAndDFromTheFirstScanOn) {
    VelocitySet set;
    set.species = {{4.5, 6e-7, 0.8}};
    set.scans = 8;
    set.noise = 0.005;
    set.seed = 1207;
    FillVelocityStore(set);
    M::experimentalInitialDistribution = true;
    M::constantInitialDistribution = false;
    M::speciesS[1] = 4.0f;
    M::speciesDOrM[1] = 7.5f;
    M::speciesSFloat[1] = M::speciesDOrMFloat[1] = 1;
    M::concentrationFloat[1] = 0;
    M::meniscusFloat = M::bottomFloat = 0;
    FitControl::simplex = false;
    FitControl::simulatedAnnealing = false;
    FitControl::marquardtLevenberg = true;
    plat::test::Script script; // no box
    ASSERT_EQ(RunFitWith(nullptr, SilentObserver(), CurrentModelEvaluator(), false),
              FitOutcome::Completed);
    EXPECT_TRUE(script.done()) << script.logText();
    EXPECT_TRUE(LammGrid::firstScanIsInitial);
    EXPECT_NEAR(M::speciesS[1] / 4.5, 1.0, 0.01) << "s " << M::speciesS[1];
    EXPECT_NEAR(M::speciesDOrM[1] / 6.0, 1.0, 0.05) << "D " << M::speciesDOrM[1];
    // Scan 1 is its own model and does not lower the deviation below the noise.
    EXPECT_NEAR(CalcFitRmsd() / set.noise, 1.0, 0.06) << "rmsd " << CalcFitRmsd();
}

// The automatic choice changes algorithm at a limit of s: a trial that crosses it within an
// optimiser run keeps the first choice, so the objective does not jump there; outside an
// optimiser run, and in the next one, the choice follows s again.
TEST_F(ExperimentalInitialFit, AlgorithmHeldWithinAnOptimiserRun) {
    VelocitySet set;
    set.species = {{4.5, 6e-7, 0.8}};
    set.scans = 4;
    FillVelocityStore(set);
    M::experimentalInitialDistribution = true;
    ModelChoice::automaticAlgorithm = true;
    plat::test::Script script; // no box
    const float above = float(1.1 * AutomaticAlgorithmLimit());
    const float below = float(0.9 * AutomaticAlgorithmLimit());
    auto runAt = [](float s) {
        for (int k = 1; k <= 4; ++k) // the excluded slots choose too, outside a fit
            M::speciesS[k] = s;
        PackFitParameters();
        HeldDiscretisation::BeginEvaluation();
        CurrentModelEvaluator()(nullptr);
        return ModelChoice::movingHatAlgorithm;
    };
    {
        const HeldDiscretisation::Scope hold;
        EXPECT_TRUE(runAt(above));
        EXPECT_TRUE(runAt(below)) << "held from the first evaluation";
    }
    EXPECT_FALSE(runAt(below)) << "outside an optimiser run";
    {
        const HeldDiscretisation::Scope hold;
        EXPECT_FALSE(runAt(below));
        EXPECT_FALSE(runAt(above)) << "held from the first evaluation";
    }
    EXPECT_TRUE(script.done()) << script.logText();
}

} // namespace
