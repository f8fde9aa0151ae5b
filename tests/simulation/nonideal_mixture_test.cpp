// The non-ideal multiple-species model evaluated through the discrete-species road: with ks and
// kd switched off it is the sum of its ideal species (the scans of known truth), with no further
// species it is species 1 alone, and ks slows or speeds the boundaries by its sign.
#include "plat/testing.hpp"
#include "scandata/scan_store_alloc.h"
#include "simulation/discrete_sed.h"
#include "simulation/simulation_switches.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/reset_all_state.h"
#include "support/velocity_store.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

using M = ModelParameters;
using S = ScanStore;

class NonidealMixture : public ::testing::Test {
  protected:
    void SetUp() override { ResetAllState(); }
    void TearDown() override { ResetAllState(); }
};

// The store of the species' true signal, with the multiple-species model chosen on the same
// values: amounts, s and D (in 1e-7 cm^2/s) in slots 1 to 3, none of them included.
void ChooseMixture(const std::vector<TrueSpecies>& species) {
    VelocitySet set;
    set.species = species;
    set.scans = 6;
    set.points = 301;
    FillVelocityStore(set);
    ModelChoice::lammModel = false;
    ModelChoice::multipleSpecies = true;
    for (int k = 1; k <= 3; ++k) {
        const bool given = std::size_t(k) <= species.size();
        M::speciesOn[k] = 0;
        M::concentration[k] = given ? float(species[std::size_t(k - 1)].loading) : 0.0f;
        M::speciesS[k] = given ? float(species[std::size_t(k - 1)].s) : 4.0f;
        M::speciesDOrM[k] = given ? float(species[std::size_t(k - 1)].D * 1e7) : 5.0f;
    }
    M::logKs = M::logKd = -8.0f;
    PackFitParameters(); // the evaluation starts from the fit vector
}

} // namespace

TEST_F(NonidealMixture, IdealLimitsAreTheSpeciesTheyHold) {
    struct Case {
        const char* name;
        std::vector<TrueSpecies> species;
    } cases[] = {
        {"three species", {{3.0, 6.5e-7, 0.5}, {5.0, 5e-7, 0.3}, {7.0, 4e-7, 0.2}}},
        {"species 1 alone (single form)", {{4.0, 6e-7, 0.8}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ChooseMixture(c.species);
        plat::test::Script script; // no box
        ASSERT_TRUE(DiscreteModelAvailable());
        ASSERT_TRUE(RunDiscreteSed(nullptr));
        EXPECT_LT(WorstFitAgainstSignal(), 3e-3) << "against the sum of the ideal species";
        EXPECT_EQ(M::speciesLoading[1], 1.0f) << "the mixture carries its own amounts";
    }
}

// ks = 0.3 at a total of 1 slows the species of the plateau by up to 30 %: clearly more signal
// is left in the inner half of the cell than the ideal species leave. With the sign switch off
// the same ks speeds them up.
TEST_F(NonidealMixture, KsSlowsOrSpeedsTheBoundariesByItsSign) {
    for (bool positive : {true, false}) {
        SCOPED_TRACE(positive ? "ks positive" : "ks negated");
        ChooseMixture({{3.0, 6.5e-7, 0.5}, {5.0, 5e-7, 0.3}, {7.0, 4e-7, 0.2}});
        M::logKs = std::log10(0.3f);
        M::nonidealPositive = positive;
        PackFitParameters();
        plat::test::Script script;
        ASSERT_TRUE(RunDiscreteSed(nullptr));
        ASSERT_EQ(LammGrid::discretizationError + LammGrid::singularMatrix, 0);
        const double ideal = LastScanSumBelow(S::signal, 6.6);
        const double model = LastScanSumBelow(S::fit, 6.6);
        if (positive)
            EXPECT_GT(model, 1.1 * ideal);
        else
            EXPECT_LT(model, 0.9 * ideal);
    }
}
