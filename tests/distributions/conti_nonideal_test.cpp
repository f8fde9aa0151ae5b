// The c(s) whose species feel the total concentration, on data of one non-ideal species made by
// the concentration-dependent solver: where the plain c(s) puts the slowed boundary below the
// true s, the non-ideal c(s), repeated on its own total, finds s and the loading. Its predictor
// takes the distribution's total concentration, and it needs a distribution to take it from. Its
// Fit brings a meniscus started off the truth back.
#include "distributions/conti_fit.h"
#include "distributions/conti_grid.h"
#include "distributions/conti_run.h"
#include "distributions/integrate_distribution.h"
#include "plat/testing.hpp"
#include "plat/window.hpp"
#include "scandata/scan_store_alloc.h"
#include "simulation/conti_kernel.h"
#include "simulation/discrete_sed_module.h"
#include "simulation/distribution_totals.h"
#include "simulation/lamm_arrays.h"
#include "simulation/module_solvers.h"
#include "simulation/nonlinear_solver.h"
#include "simulation/scan_output.h"
#include "state/conti_state.h"
#include "state/fit_control.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/result_table.h"
#include "support/conti_data_store.h"
#include "support/distribution_maximum.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

using S = ScanStore;

constexpr double kS = 5.0, kLoading = 0.5, kKs = 0.3; // S, OD, 1/OD

ContiStoreCase EightScans() {
    ContiStoreCase c;
    c.scans = 8;
    c.intervalS = 500.0;
    return c;
}

class ContiNonideal : public ::testing::Test {
  protected:
    ContiNonideal() : store(EightScans()) {}
    void SetUp() override {
        window.Create();
        script.pumpUntilIdle();
        ModelChoice::nonInteractingSpecies = false;
        ModelChoice::contiMode = true;
        ContiState::ff0 = 1.25f;
        ContiState::rangeMin = 2.0f;
        ContiState::rangeMax = 8.0f;
        ContiState::resolution = 61.0f; // 0.1 S apart
        ContiState::confidenceLevel = 0.68f;
        ModelParameters::logKs = float(std::log10(kKs));
        ModelParameters::nonidealPositive = true;
        LammGrid::gridSize = 300;
        MakeData();
    }
    void TearDown() override { FreeResultTable(); }

    // The scans of one species whose s falls as s / (1 + ks c) with its own concentration.
    void MakeData() {
        std::vector<double> x = {0.0, kS};
        const ContiGrid g = ContiGridAt(ContiVariant::Cs, x, ContiState::ff0, 0.0, 20.0);
        ASSERT_TRUE(AllocLammArrays());
        gContiKernel.Allocate(1, S::scanCount, S::gridRadius, S::gridCount);
        ContiState::kernelColumn = 1;
        CConcentrationLaw law;
        law.s1 = LammGrid::s = kS;
        law.D1 = LammGrid::d = g.D[1];
        law.ks = kKs;
        CGridClock clock = StartSpeciesRun(nullptr, kLoading);
        CScanOutput scans;
        ASSERT_EQ(
            SolveLammNonlinear(LammProblemOfRecord(), law, LammControlOfRecord(), clock, scans),
            LammResult::Solved);
        for (int k = 1; k <= S::scanCount; ++k)
            for (int i = 1; i <= S::gridCount; ++i)
                store.signal[k][i] = gContiKernel.Row(1, k)[i];
        gContiKernel.Free();
    }
    static double Area() {
        float area = 0, sw = 0, total = 0, sd = 0;
        IntegrateDistribution(0.0f, 100.0f, &area, &sw, &total, &sd);
        return area;
    }
    static double Rmsd() {
        ContiSolution sol;
        return ComputeContiSolution(nullptr, SilentObserver(), sol, false) == ContiStatus::Done
                   ? sol.rmsd
                   : NAN;
    }

    plat::test::Script script;
    TFrameWindow window{nullptr, "test"};
    ContiDataStore store;
};

TEST_F(ContiNonideal, RepeatedOnItsOwnTotalItFindsTheTrueSAndLoading) {
    ModelChoice::contiCs = true;
    ASSERT_TRUE(RunContiSed(nullptr, SilentObserver())) << script.logText();
    const double plainPeak = DistributionMaximumAbscissa(), plainRmsd = Rmsd();
    EXPECT_LT(plainPeak, 0.97 * kS) << "the plain c(s) sees the slowed boundary";

    ModelChoice::contiCs = false;
    ModelChoice::csWithBaselineEstimates = true;
    ASSERT_TRUE(ModelChoice::contiSpeciesVariant);
    ASSERT_EQ(CurrentContiVariant(), ContiVariant::CsNonideal);
    for (int round = 1; round <= 3; ++round)
        ASSERT_TRUE(RunContiSed(nullptr, SilentObserver()))
            << "round " << round << script.logText();
    EXPECT_NEAR(DistributionMaximumAbscissa(), kS, 0.02 * kS) << "plain c(s) peak " << plainPeak;
    EXPECT_NEAR(Area(), kLoading, 0.02 * kLoading);
    EXPECT_LT(Rmsd(), 0.5 * plainRmsd) << "plain c(s) rmsd " << plainRmsd;
}

// The Fit moves the meniscus: each evaluation solves the columns on the grid of its own
// meniscus, so a start 0.02 cm off the truth comes back.
TEST_F(ContiNonideal, FitBringsTheMeniscusBack) {
    ModelChoice::contiCs = true;
    ASSERT_TRUE(RunContiSed(nullptr, SilentObserver())) << script.logText();
    ModelChoice::contiCs = false;
    ModelChoice::csWithBaselineEstimates = true;
    ASSERT_TRUE(RunContiSed(nullptr, SilentObserver())) << script.logText();
    const float truth = ModelParameters::meniscus;
    ModelParameters::meniscus = truth + 0.02f;
    ModelParameters::meniscusFloat = 1;
    FitControl::meniscusMin = truth - 0.05f;
    FitControl::meniscusMax = truth + 0.04f;
    FitControl::simplex = true;
    FitControl::simplexTolerance = 1e-5;
    ASSERT_TRUE(ContiFit(nullptr, SilentObserver())) << script.logText();
    EXPECT_NEAR(ModelParameters::meniscus, truth, 0.002);
    EXPECT_NEAR(DistributionMaximumAbscissa(), kS, 0.02 * kS);
}

// Without a distribution there is no total concentration: refused, nothing computed.
TEST_F(ContiNonideal, NeedsADistributionFirst) {
    ModelChoice::csWithBaselineEstimates = true;
    ClearDistributionTotals();
    script.expectBox()
        .caption("Error")
        .text("The non-ideal c(s) takes the total concentration of a distribution computed "
              "before: run c(s) first.")
        .answer(IDOK);
    EXPECT_FALSE(RunContiSed(nullptr, SilentObserver()));
    EXPECT_TRUE(script.done()) << script.logText();
    EXPECT_TRUE(gContiKernel.Empty());
}

} // namespace
