// A fit that starts every solution from the first scan: s and D of one species are found again
// from noisy data, and the rms deviation counts the simulated scans only.
#include "fitting/fit_driver.h"
#include "plat/testing.hpp"
#include "scandata/fit_limits.h"
#include "scandata/scan_store_alloc.h"
#include "state/fit_control.h"
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
    ASSERT_EQ(RunFitWith(nullptr, CurrentModelEvaluator(), false), FitOutcome::Completed);
    EXPECT_TRUE(script.done()) << script.logText();
    EXPECT_TRUE(LammGrid::firstScanIsInitial);
    EXPECT_NEAR(M::speciesS[1] / 4.5, 1.0, 0.01) << "s " << M::speciesS[1];
    EXPECT_NEAR(M::speciesDOrM[1] / 6.0, 1.0, 0.05) << "D " << M::speciesDOrM[1];
    // Scan 1 is its own model and does not lower the deviation below the noise.
    EXPECT_NEAR(CalcFitRmsd() / set.noise, 1.0, 0.06) << "rmsd " << CalcFitRmsd();
}

} // namespace
