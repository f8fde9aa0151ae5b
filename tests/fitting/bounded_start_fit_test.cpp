// A fit started with the meniscus on its bound: two species of 10 and 20 S, the meniscus floated
// from the first data radius, the other start values 6-25% off. Every optimiser must reach the
// rmsd of the generating values; Levenberg-Marquardt once kept the meniscus on the bound (its
// forward difference was clamped away) and ended ten times above it.
#include "fitting/fit_driver.h"
#include "fitting/trial_without_model.h"
#include "plat/testing.hpp"
#include "scandata/fit_limits.h"
#include "scandata/scan_store_alloc.h"
#include "state/fit_control.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/reset_all_state.h"
#include "support/velocity_store.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

using M = ModelParameters;

// The store with the model set up as the fits below see it. The solution grid has a fixed size:
// the automatic size steps with D and the meniscus, which makes the objective step-wise at the
// scale of a forward difference and stalls Levenberg-Marquardt whatever the bounds do.
void Fill(const VelocitySet& set) {
    FillVelocityStore(set);
    ModelChoice::linearAmplitudes = true;
    M::autoGridSize = false;
}

// rmsd of the model at the values the store was generated with (loadings solved linearly).
double RmsdAtTruth(const VelocitySet& set) {
    Fill(set);
    PackFitParameters();
    CurrentModelEvaluator()(nullptr);
    return CalcFitRmsd();
}

class BoundedStartFit : public ::testing::Test {
  protected:
    void SetUp() override { ResetAllState(); }
    void TearDown() override { ResetAllState(); }
};

TEST_F(BoundedStartFit, EveryOptimiserReachesTheRmsdOfTheGeneratingValues) {
    struct Case {
        const char* name;
        bool simplex, annealing, ml;
        bool secondDFixed; // the meniscus is the fourth free parameter instead of the fifth
    } cases[] = {{"simplex", true, false, false, false},
                 {"annealing + ML", false, true, false, false},
                 {"ML", false, false, true, false},
                 {"simplex, D2 fixed", true, false, false, true},
                 {"annealing + ML, D2 fixed", false, true, false, true},
                 {"ML, D2 fixed", false, false, true, true}};
    const VelocitySet set = TenAndTwentyS();
    for (const Case& c : cases) {
        ResetAllState();
        plat::test::Script script; // no box: nothing failed, no column was zero
        const double truth = RmsdAtTruth(set);
        Fill(set);
        // Starts: meniscus on its upper bound (the first data radius), s and D 6-25% off.
        StartTenAndTwentySOffTheirValues(set);
        if (c.secondDFixed) {
            M::speciesDOrM[2] = float(MolarMass(set.species[1]));
            M::speciesDOrMFloat[2] = 0;
        }
        ChooseOptimiser(c.simplex, c.annealing, c.ml);
        EXPECT_EQ(RunFitWith(nullptr, SilentObserver(), CurrentModelEvaluator(), false),
                  FitOutcome::Completed)
            << c.name;
        EXPECT_LT(FitControl::bestRmsd, 1.01 * truth)
            << c.name << ": rmsd " << FitControl::bestRmsd << " against " << truth
            << " at the generating values (1%), " << FitControl::evaluationCount << " evaluations";
        for (int k = 1; k <= 2; ++k)
            EXPECT_NEAR(M::speciesS[k] / set.species[k - 1].s, 1.0, 0.01)
                << c.name << " s of species " << k << " (1%): " << M::speciesS[k];
        EXPECT_NEAR(M::meniscus, set.meniscus, 0.005) << c.name;
    }
}

// The optimisers' bounds: a floated D is never negative (the model would take it as 0 and stop
// depending on it), s stays where a boundary is in the cell, and M in the buoyant-mass form is
// not bounded below.
TEST_F(BoundedStartFit, AFloatedDIsBoundedBelowByZero) {
    const int sSlot = M::maxSpecies + 1;
    const struct {
        const char* name;
        bool massForm;
        int slot;
        double lower;
    } cases[] = {
        {"D", false, 1, 0.0},
        {"s", false, sSlot, -FastestSedimentation()},
        {"M", true, 1, -HUGE_VAL},
    };
    for (const auto& c : cases) {
        ModelChoice::equilibriumMs = c.massForm;
        EXPECT_EQ(FreeSlotBounds({c.slot}).lower[1], c.lower) << c.name;
    }
}

} // namespace
