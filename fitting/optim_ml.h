// Levenberg-Marquardt over a fit objective with a forward-difference Jacobian.
#pragma once

#include "fitting/fit_objective.h"
#include "fitting/optim_simplex.h"

#include <vector>

class TXLAWindow;
class CProgressLine;

// The progress line of the Levenberg-Marquardt fits at (10, 10): it fills during the first
// curvature evaluation and is removed on every way out of the fit (null outside a fit).
extern CProgressLine* gMLProgressLine;

struct MLOptions {
    double tolerance = 0.01; // stop when the relative change of rmsd^2 stays below it twice
    int maxIterations = 50;
};

struct MLResult : OptimResult {
    // Standard errors of the parameters at the end: sqrt of the diagonal of the inverse curvature
    // matrix times the mean square residual (0 for frozen parameters).
    std::vector<double> standardError;
};

// The curvature matrix alpha = J^T J and the gradient vector beta = -J^T r at p[1..n], with r the
// residual vector at p (given in r0) and J its forward-difference Jacobian: one evaluation per
// active parameter, step 1e-4 x max(|p_k|, scale[k]), taken backwards where the forward point
// would pass the upper bound. A column that is zero marks the parameter in zeroColumn and makes
// the result false. The evaluations count in FitControl; the progress line, while it exists,
// advances with every column.
bool mlcof(TXLAWindow* window, const double* p, int n, const FitObjective& objective,
           const std::vector<double>& r0, const std::vector<double>& scale,
           const std::vector<char>& active, std::vector<std::vector<double>>& alpha,
           std::vector<double>& beta, std::vector<char>& zeroColumn,
           const ParameterBounds& bounds = {});

// Damped Gauss-Newton steps from p[1..n]; p receives the best vector. A parameter without effect
// on the residuals is reported once (code 9 "zero differential in mlcof") and held fixed. A
// parameter on a bound that a step would push past it is held there for that step; every trial
// stays within the bounds. A set FitControl::fitAborted ends it with the best vector so far.
MLResult MLOptimize(TXLAWindow* window, double* p, int n, const FitObjective& objective,
                    const MLOptions& options, const ParameterBounds& bounds = {});
