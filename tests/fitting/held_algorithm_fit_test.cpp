// The concentration-dependent single-component models choose their algorithm from s: a fit whose
// trials cross the automatic limit keeps the solver of its first evaluation for the whole
// optimiser run, and only the evaluations outside it follow s again.
#include "fitting/fit_driver.h"
#include "plat/testing.hpp"
#include "scandata/scan_store_alloc.h"
#include "simulation/run_end_tests.h"
#include "state/fit_control.h"
#include "state/held_discretisation.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/reset_all_state.h"
#include "support/velocity_store.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

using C = ModelChoice;
using M = ModelParameters;

struct Evaluation {
    bool held;
    float s;
    GridAlgorithm solver;
};
std::vector<Evaluation> gEvaluations;

bool RecordingEvaluator(TXLAWindow* window) {
    const bool computed = CurrentModelEvaluator()(window);
    gEvaluations.push_back({HeldDiscretisation::Active(), M::speciesS[1], LammGrid::lastSolver});
    return computed;
}

constexpr double kTrueS = 4.4, kLimit = 4.0, kStartS = 3.6;

TEST(HeldAlgorithmFit, ConcentrationDependentModelKeepsOneSolverAcrossTheLimit) {
    struct Case {
        const char* name;
        bool* model;
    } cases[] = {{"non-ideal species", &C::singleSpecies}, {"monomer-dimer", &C::monomerDimer}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetAllState();
        VelocitySet set;
        set.species = {{kTrueS, 6.3e-7, 0.8}};
        set.scans = 6;
        set.points = 241;
        set.noise = 0.003;
        set.seed = 29;
        FillVelocityStore(set);
        C::lammModel = false;
        *c.model = true;
        C::automaticAlgorithm = true;
        // the limit at 4 S for the scans' 50,000 rpm
        LammGrid::autoChangeS = float(kLimit * (50000.0 / 30000.0) * (50000.0 / 30000.0));
        M::speciesIncluded[1] = 1;
        M::concentration[1] = 0.8f;
        M::speciesS[1] = float(kStartS);
        M::speciesDOrM[1] = 6.3f;
        M::speciesS[2] = 6.5f, M::speciesDOrM[2] = 4.5f; // the dimer, hardly formed
        M::assocLogK = -4.0f;
        M::logKs = M::logKd = -4.0f; // the non-ideal terms all but off
        M::speciesSFloat[1] = 1;
        M::concentrationFloat[1] = M::speciesDOrMFloat[1] = 0;
        M::meniscusFloat = M::bottomFloat = 0;
        PackFitParameters();
        FitControl::simplex = FitControl::simulatedAnnealing = false;
        FitControl::marquardtLevenberg = true;
        gEvaluations.clear();
        plat::test::Script script; // no box
        ASSERT_EQ(RunFitWith(nullptr, SilentObserver(), RecordingEvaluator, false),
                  FitOutcome::Completed);
        EXPECT_TRUE(script.done()) << script.logText();
        EXPECT_NEAR(M::speciesS[1], kTrueS, 0.05);

        bool below = false, above = false;
        for (const Evaluation& e : gEvaluations) {
            if (!e.held)
                continue;
            below = below || e.s < kLimit;
            above = above || e.s > kLimit;
            EXPECT_EQ(e.solver, GridAlgorithm::FixedGrid) << "trial at s = " << e.s;
        }
        EXPECT_TRUE(below && above) << "the trials did not cross the limit";
        ASSERT_FALSE(gEvaluations.back().held);
        EXPECT_EQ(gEvaluations.back().solver, GridAlgorithm::MovingFrame)
            << "the evaluation after the fit chooses from its own s";
    }
    ResetAllState();
}

} // namespace
