// Species 1 marked non-ideal in the discrete-species model: with ks and kd off it is the ideal
// species (the scans of known truth), with ks it is slowed while species 2 stays ideal, on both
// algorithms of the Lamm options.
#include "plat/msgbox.hpp"
#include "plat/testing.hpp"
#include "scandata/scan_store_alloc.h"
#include "simulation/discrete_sed.h"
#include "simulation/simulation_switches.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/reset_all_state.h"
#include "support/velocity_store.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>

namespace {

using M = ModelParameters;
using S = ScanStore;

class FirstSpeciesNonideal : public ::testing::Test {
  protected:
    void SetUp() override { ResetAllState(); }
    void TearDown() override { ResetAllState(); }
};

} // namespace

TEST_F(FirstSpeciesNonideal, IdealLimitAndSlowedSpeciesOnBothAlgorithms) {
    for (bool movingHat : {true, false}) {
        for (float logKs : {-8.0f, -0.5f}) {
            SCOPED_TRACE(std::string(movingHat ? "moving hat" : "Claverie") + ", log10(ks) " +
                         std::to_string(logKs));
            ResetAllState();
            VelocitySet set;
            set.species = {{4.0, 6e-7, 0.6}, {7.0, 4.2e-7, 0.4}};
            set.scans = 6;
            set.points = 301;
            FillVelocityStore(set);
            ModelChoice::firstSpeciesNonideal = true;
            ModelChoice::automaticAlgorithm = false;
            ModelChoice::movingHatAlgorithm = movingHat;
            ModelChoice::claverieAlgorithm = !movingHat;
            M::logKs = logKs;
            M::logKd = -8.0f;
            PackFitParameters();
            plat::test::Script script; // no box
            ASSERT_TRUE(DiscreteModelAvailable());
            ASSERT_TRUE(RunDiscreteSed(nullptr));
            if (logKs < -7.0f)
                EXPECT_LT(WorstFitAgainstSignal(), 5e-3)
                    << "the ideal species (default step control)";
            else
                EXPECT_GT(LastScanSumBelow(S::fit, 6.6), 1.05 * LastScanSumBelow(S::signal, 6.6))
                    << "species 1 slowed by ks = 0.32";
        }
    }
}

// A floating species 1 on the moving hat: its frame is refused with a box and the refusal is the
// solver's whole result; the evaluation sets the discretization error's word from it and keeps
// the model the scans had, as it does for a failed discretization.
TEST_F(FirstSpeciesNonideal, AFloatingFrameKeepsTheModelTheScansHad) {
    VelocitySet set;
    set.species = {{-4.0, 6e-7, 0.6}};
    set.scans = 4;
    set.points = 201;
    FillVelocityStore(set);
    ModelChoice::firstSpeciesNonideal = true;
    ModelChoice::automaticAlgorithm = false;
    ModelChoice::movingHatAlgorithm = true;
    ModelChoice::claverieAlgorithm = false;
    M::logKs = -0.5f;
    M::logKd = -8.0f;
    PackFitParameters();
    for (int k = 1; k <= S::scanCount; ++k)
        std::fill(S::fit[k] + 1, S::fit[k] + S::pointCount[k] + 1, 0.25f);
    plat::test::Script script;
    script.expectBox().caption("Error").textHas("floating component").answer(IDOK);
    RunDiscreteSed(nullptr);
    EXPECT_TRUE(script.done()) << script.logText();
    EXPECT_EQ(LammGrid::discretizationError, 1);
    for (int k = 1; k <= S::scanCount; ++k)
        EXPECT_EQ(std::count(S::fit[k] + 1, S::fit[k] + S::pointCount[k] + 1, 0.25f),
                  S::pointCount[k])
            << "scan " << k;
}
