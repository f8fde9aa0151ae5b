// Levenberg-Marquardt over a fit objective with a forward-difference Jacobian.
#pragma once

#include "fitting/fit_objective.h"
#include "fitting/optim_control.h"
#include "fitting/optim_simplex.h"
#include "state/compute_observer.h"

#include <functional>
#include <vector>

// The progress line of a Levenberg-Marquardt fit at (10, 10), shown to the observer while the
// scope lives and removed on every way out: it fills during the first curvature evaluation.
// Sink() advances it, for OptimControl::progress; it must not outlive the scope.
class MLProgressLineScope {
  public:
    explicit MLProgressLineScope(CComputeObserver& observer) : line_(observer, 10, 10) {}
    ~MLProgressLineScope() { line_.Hide(); }
    MLProgressLineScope(const MLProgressLineScope&) = delete;
    MLProgressLineScope& operator=(const MLProgressLineScope&) = delete;
    std::function<void(double)> Sink() {
        return [this](double fraction) { line_.Advance(static_cast<float>(fraction)); };
    }

  private:
    CProgress line_;
};

struct MLOptions {
    double tolerance = 0.01; // stop when the relative change of rmsd^2 stays below it twice
    int maxIterations = 50;
};

struct MLResult : OptimResult {
    // Standard errors of the parameters at the end: sqrt of the diagonal of the inverse curvature
    // matrix times s^2 = RSS / (N - free parameters) (0 for frozen parameters).
    std::vector<double> standardError;
};

// The curvature matrix alpha = J^T J and the gradient vector beta = -J^T r at p[1..n], with r the
// residual vector at p (given in r0) and J its forward-difference Jacobian: one evaluation per
// active parameter, step 1e-4 x max(|p_k|, scale[k]), taken backwards where the forward point
// would pass the upper bound. A column that is zero marks the parameter in zeroColumn and makes
// the result false. The evaluations count in control and its progress advances with every column.
bool mlcof(OptimControl& control, const double* p, int n, const FitObjective& objective,
           const std::vector<double>& r0, const std::vector<double>& scale,
           const std::vector<char>& active, std::vector<std::vector<double>>& alpha,
           std::vector<double>& beta, std::vector<char>& zeroColumn,
           const ParameterBounds& bounds = {});

// Damped Gauss-Newton steps from p[1..n]; p receives the best vector. Each parameter is damped by
// the largest curvature it had so far. A parameter without effect on the residuals at the start is
// reported once per control (code 9 "zero differential in mlcof") and held fixed; one that loses
// its effect on the way is held for that step. A parameter that a step would take past a bound is
// pinned on it and the others solved again for that step, so every trial stays within the bounds.
// A trial that is no model (kFailedEvaluation) is a step too long: it is halved along its direction
// (twice at most) back to where the model exists, the damping then kept for the next step, and
// failing that the damping grows. The status is Failed, for the caller to say, when the start is
// no model, when a parameter that had an effect at the start has none at the final vector (it was
// not determined), or when the last step still met a trial without a model (atModelEdge: the steps
// were led towards values without a model and only crept to their edge). The evaluations and steps
// count in control, the progress of each curvature goes to it, and once its stop predicate answers
// true the best vector so far is returned. The standard errors use s^2 = RSS / (N - free
// parameters).
MLResult MLOptimize(double* p, int n, const FitObjective& objective, const MLOptions& options,
                    const ParameterBounds& bounds, OptimControl& control);
