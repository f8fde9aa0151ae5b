// When a stage of a fit is run again on grids sized afresh: only when its best trial needed a
// finer grid than the held one. A trial far from the optimum (a meniscus at its bound next to the
// fit limit) once marked every stage for two more runs, tripling the c(s) Fit.
#include "fitting/optimiser_choice.h"
#include "state/held_discretisation.h"

#include <gtest/gtest.h>

TEST(HeldGridResize, OnlyAnOutgrownBestTrialRunsTheStageAgain) {
    struct Case {
        const char* name;
        bool (*outgrows)(double q);
        unsigned long resizes; // the scope's two clears come on top
    } cases[] = {
        {"no trial outgrows", [](double) { return false; }, 0},
        {"only trials far from the optimum", [](double q) { return q > 2.5; }, 0},
        {"the trials at the optimum", [](double q) { return q > 0.5 && q < 1.5; }, 2},
    };
    for (const Case& c : cases) {
        FitObjective objective;
        objective.evaluate = [&c](const double* p, std::vector<double>*) {
            if (c.outgrows(p[1]))
                HeldDiscretisation::NoteOutgrown();
            return (p[1] - 1.0) * (p[1] - 1.0) + 0.01;
        };
        OptimiserChoice choice;
        choice.method = OptimiserChoice::Method::Simplex;
        double p[] = {0.0, 3.0};
        OptimControl control;
        const unsigned long before = HeldDiscretisation::Epoch();
        RunChosenOptimiser(SilentObserver(), choice, p, 1, objective, ParameterBounds{}, control);
        EXPECT_EQ(HeldDiscretisation::Epoch() - before, 2 + c.resizes) << c.name;
        EXPECT_NEAR(p[1], 1.0, 1e-3) << c.name;
    }
}
