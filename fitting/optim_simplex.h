// The downhill simplex and simulated annealing over a fit objective, and their one move.
#pragma once

#include "fitting/fit_objective.h"
#include "fitting/optim_control.h"

class TXLAWindow;

// Moves the worst vertex p[worst] of the simplex p[1..n+1][1..n] through the centroid of the
// others by factor (-1 reflects, 2 expands, 0.5 contracts); when the trial value is lower than
// y[worst] it replaces the vertex and psum[1..n] (the column sums of p) is updated. Returns the
// trial value.
float NelderMeadTry(TXLAWindow* window, double** p, double* y, double* psum, int n,
                    const FitObjective& objective, int worst, double factor);

struct SimplexOptions {
    double tolerance = 1e-6;     // stop on 2|worst - best| / (|worst| + |best|) below this
    double randomization = 0.01; // spread of the first vertices, a fraction of each value
    int maxEvaluations = 0;      // 0: 500 per free parameter
    bool restart = true;         // one restart from the best vertex after convergence
};

// Minimises the objective from p[1..n]; p receives the best vertex. Every evaluation counts in
// control; once control's stop predicate answers true it ends with the best vertex so far.
// Reaching the evaluation cap reports code 10 "Nelder-Mead not converged". Every vertex stays
// within the bounds.
OptimResult SimplexOptimize(double* p, int n, const FitObjective& objective,
                            const SimplexOptions& options, const ParameterBounds& bounds,
                            OptimControl& control);

struct AnnealingOptions {
    double startTemperature = 2.0; // relative increase of the objective at the first level
    int steps = 10;                // temperature levels, falling linearly towards 0
    int iterationsPerStep = 500;   // evaluations per level at most (see AnnealingOptimize)
    double randomization = 0.01;
    // A final optimiser polishes the result: a level after the first that found no vector better
    // than the best before it by this fraction of it ends the annealing (the cooler levels would
    // search less of the same neighbourhood, which the polish searches faster). 0: every level.
    double endWithoutGain = 0.0;
};

// Simplex moves judged with thermal fluctuations: each vertex value is raised and each trial
// lowered by T |ln u| (u from ran1, seeded with -3 at the start, so two runs are identical), T
// falling linearly from startTemperature times the best value so far. A level ends early once a
// quarter of its evaluations in a row found no better vector. The best vector ever evaluated is
// returned in p. The final optimiser is the caller's choice.
OptimResult AnnealingOptimize(double* p, int n, const FitObjective& objective,
                              const AnnealingOptions& options, const ParameterBounds& bounds,
                              OptimControl& control);
