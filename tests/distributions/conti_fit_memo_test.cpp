// The memo of the distribution Fit: a model computed before in an optimiser run gives its first
// value (and its residuals while kept), the held discretisation's epoch tells models apart, and a
// Fit whose trials repeat a model solves that model once.
#include "distributions/conti_fit.h"
#include "distributions/conti_fit_memo.h"
#include "distributions/conti_run.h"
#include "simulation/conti_kernel.h"
#include "state/conti_state.h"
#include "state/fit_control.h"
#include "state/held_discretisation.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/conti_data_store.h"
#include "support/race_checker.h"

#include <cmath>
#include <gtest/gtest.h>

TEST(ContiFitMemo, KeepsValuesByModelAndTheLatestResidualSets) {
    ContiFitMemo memo;
    auto model = [](float meniscus, unsigned long epoch) {
        return ContiTrialModel{meniscus, 7.2f, 1.25f, epoch};
    };
    double value = 0.0;
    std::vector<double> r;
    EXPECT_FALSE(memo.Find(model(6.0f, 1), nullptr, value)) << "empty memo";
    memo.Keep(model(6.0f, 1), 2.5, nullptr);
    ASSERT_TRUE(memo.Find(model(6.0f, 1), nullptr, value));
    EXPECT_EQ(value, 2.5);
    EXPECT_FALSE(memo.Find(model(6.0f, 1), &r, value)) << "kept without residuals";
    EXPECT_FALSE(memo.Find(model(6.0f, 2), nullptr, value)) << "another held discretisation";
    EXPECT_FALSE(memo.Find(model(std::nextafter(6.0f, 7.0f), 1), nullptr, value))
        << "the next float is another model";

    // One more model with residuals than are kept: the oldest loses its residuals, not its value.
    const int sets = ContiFitMemo::kResidualSets + 1;
    for (int k = 0; k < sets; ++k) {
        const std::vector<double> residuals(3, double(k));
        memo.Keep(model(5.9f + 0.01f * k, 1), 10.0 + k, &residuals);
    }
    for (int k = 0; k < sets; ++k) {
        ASSERT_TRUE(memo.Find(model(5.9f + 0.01f * k, 1), nullptr, value)) << k;
        EXPECT_EQ(value, 10.0 + k);
        const bool kept = memo.Find(model(5.9f + 0.01f * k, 1), &r, value);
        EXPECT_EQ(kept, k > 0) << "residual set " << k;
        if (kept) {
            EXPECT_EQ(r, std::vector<double>(3, double(k)));
        }
    }
    EXPECT_EQ(memo.Size(), std::size_t(sets + 1));
}

namespace {

void ChooseCsWithNoise(ContiDataStore& store) {
    FillTwoSpeciesOnSystematicNoise(store, 17);
    ChooseCsOver(0.5f, 15.0f, 40.0f);
    ModelChoice::fitTINoise = ModelChoice::fitRINoise = true;
    ContiState::ff0 = 1.2f;
    ContiState::ff0Float = 1;
    ModelParameters::meniscus = 6.02f;
    ModelParameters::meniscusFloat = 1;
    FitControl::meniscusMin = 5.95f;
    FitControl::meniscusMax = 6.04f;
    FitControl::simplex = true;
    FitControl::simulatedAnnealing = FitControl::marquardtLevenberg = false;
    FitControl::simplexTolerance = 1e-5;
}

ContiStoreCase EightScans() {
    ContiStoreCase c;
    c.scans = 8;
    c.points = 200;
    c.firstTimeS = 600.0;
    c.intervalS = 500.0;
    return c;
}

} // namespace

// What the memo rests on: within one held discretisation a model solved again, after another
// model was solved in between, gives the same bits (value and residuals).
TEST(ContiFitMemo, AModelSolvedAgainOnTheHeldDiscretisationGivesTheSameBits) {
    ContiDataStore store(EightScans());
    ChooseCsWithNoise(store);
    const HeldDiscretisation::Scope hold;
    const double p1[] = {0.0, 6.01, 1.22}, p2[] = {0.0, 5.99, 1.3};
    std::vector<double> r1(1), r2(1), again(1);
    HeldDiscretisation::BeginEvaluation();
    const double v1 = ContiSimplexSim(nullptr, SilentObserver(), p1, &r1);
    HeldDiscretisation::BeginEvaluation();
    const double v2 = ContiSimplexSim(nullptr, SilentObserver(), p2, &r2);
    HeldDiscretisation::BeginEvaluation();
    const double v3 = ContiSimplexSim(nullptr, SilentObserver(), p1, &again);
    EXPECT_NE(v1, v2) << "the two models differ";
    EXPECT_EQ(v3, v1);
    EXPECT_EQ(again, r1);
    FreeDistributionArrays();
}

// The simplex may run into trials that the single-precision model cannot tell apart; each such
// model is solved once (a solved kernel is a new kernel generation), and the fit still lands on
// the parameters of the data.
TEST(ContiFitMemo, ASimplexFitSolvesEachModelOnce) {
    ContiStoreCase c = EightScans();
    c.points = FullOrUnderRaceChecker(200, 120);
    ContiDataStore store(c);
    ChooseCsWithNoise(store);
    const unsigned long before = gContiKernel.Generation();
    ASSERT_TRUE(ContiFit(nullptr, SilentObserver()));
    const unsigned long solved = gContiKernel.Generation() - before;
    EXPECT_LE(solved, static_cast<unsigned long>(FitControl::evaluationCount))
        << solved << " kernels for " << FitControl::evaluationCount << " evaluations";
    EXPECT_NEAR(ContiState::ff0, 1.25, 0.05 * 1.25);
    EXPECT_NEAR(ModelParameters::meniscus, 6.0, 0.002);
    FreeDistributionArrays();
}
