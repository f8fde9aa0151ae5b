// Lamm solutions that strain the solver: sharp boundaries, bottom pile-ups thinner than the grid,
// slow runs toward equilibrium, early times and user-set grids, each with a much finer run of
// the other loop that stands for the exact solution.
#pragma once

#include "support/lamm_harness.h"

#include <functional>
#include <string>
#include <vector>

struct LammHardCase {
    std::string name;
    LammCase tested;
    std::function<void(CLammIdeal&)> adjust; // options set after loading, as a user would
    LammCase reference;
    bool defaultOptions = true; // nothing set but the case itself: counted in the speed target
};

std::vector<LammHardCase> LammHardCases();

// Loads the run, applies the case's options and solves; returns the solver's code.
LammResult SolveHardCase(LammRun& run, const std::function<void(CLammIdeal&)>& adjust);

// Root mean square of the difference to the reference over the fit range of one scan.
double RmsdOverFitRange(const LammRun& run, const LammRun& reference, int scan);
