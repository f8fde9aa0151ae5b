// The discrete fit on a sedimentation velocity experiment of known truth: two species, started
// away from the truth, recovered by each optimiser with the loadings as linear amplitudes.
#include "fitting/fit_driver.h"
#include "scandata/fit_limits.h"
#include "scandata/scan_store_alloc.h"
#include "state/fit_control.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/optimiser_cases.h"
#include "support/reset_all_state.h"
#include "support/two_component_start.h"
#include "support/velocity_store.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

using M = ModelParameters;

// M of a species from s and D by the Svedberg relation at the scans' temperature.
double MolarMass(double s, double d) {
    const double rt = double(ScanStore::gasConstantTimesT) > 0
                          ? double(ScanStore::gasConstantTimesT)
                          : 8.314472e7 * 293.15;
    return s * 1e-13 * rt / (d * (1.0 - ScanStore::vbarRho));
}

class TwoSpeciesFit : public ::testing::Test {
  protected:
    void SetUp() override { ResetAllState(); }
    void TearDown() override { ResetAllState(); }
};

TEST_F(TwoSpeciesFit, EveryOptimiserRecoversBothSpecies) {
    for (const OptimiserCase& c : kEveryOptimiser) {
        ResetAllState();
        VelocitySet set;
        set.noise = 0.005;
        set.seed = 20261207;
        set.points = 301;
        ModelChoice::linearAmplitudes = true;
        FillVelocityStore(set);
        const double trueM[3] = {0, MolarMass(set.species[0].s, set.species[0].D),
                                 MolarMass(set.species[1].s, set.species[1].D)};
        SetTwoSpeciesStartValues();
        ChooseOptimiser(c.simplex, c.annealing, c.ml);
        EXPECT_EQ(RunFitWith(nullptr, SilentObserver(), CurrentModelEvaluator(), false),
                  FitOutcome::Completed)
            << c.name;
        for (int k = 1; k <= 2; ++k) {
            EXPECT_NEAR(M::speciesS[k] / set.species[k - 1].s, 1.0, 0.01)
                << c.name << " s of species " << k << " (1%)";
            EXPECT_NEAR(M::speciesDOrM[k] / trueM[k], 1.0, 0.05)
                << c.name << " M of species " << k << " (5%)";
            EXPECT_NEAR(M::speciesLoading[k] / set.species[k - 1].loading, 1.0, 0.01)
                << c.name << " loading of species " << k << " (1%)";
        }
        EXPECT_NEAR(FitControl::bestRmsd, 0.005, 0.0003) << c.name;
    }
}

} // namespace
