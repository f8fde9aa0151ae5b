// The optimiser a fit runs, as the user chose it, and the one road that runs it for every fit
// (the discrete and equilibrium fits, error analysis, the distribution Fit).
#pragma once

#include "fitting/fit_objective.h"
#include "fitting/optim_control.h"
#include "fitting/optim_ml.h"
#include "fitting/optim_simplex.h"
#include "state/compute_observer.h"

struct OptimiserChoice {
    enum class Method { Simplex, Annealing, MarquardtLevenberg };
    enum class FinalStep { None, MarquardtLevenberg, Simplex }; // after annealing
    Method method = Method::Simplex;
    FinalStep afterAnnealing = FinalStep::MarquardtLevenberg;
    SimplexOptions simplex;
    AnnealingOptions annealing;
    MLOptions ml;
};

// The choice and settings held in FitControl (Levenberg-Marquardt first when several are set),
// read once at the edge of a fit command.
OptimiserChoice ChosenOptimiser();

// Minimises the objective from p[1..n] within the bounds with the chosen optimiser (annealing
// followed by its final step, unless stopped); p receives the best vector. The counts, the stop
// predicate and the progress go through control; a Levenberg-Marquardt phase shows its progress
// line to the observer. Returns the result of the last optimiser that ran, with the evaluations
// of all.
OptimResult RunChosenOptimiser(CComputeObserver& observer, const OptimiserChoice& choice, double* p,
                               int n, const FitObjective& objective, const ParameterBounds& bounds,
                               OptimControl& control);
