// The objective the nonlinear optimisers minimise.
#pragma once

#include <functional>
#include <limits>
#include <vector>

class TXLAWindow;

// A trial vector p[1..n] gives the mean square of its residuals (rmsd^2); when residuals is not
// null it also receives the residual vector (data minus model, always of the same length). A
// trial the model cannot evaluate returns kFailedEvaluation, so the optimisers move away from it.
struct FitObjective {
    std::function<double(const double* p, std::vector<double>* residuals)> evaluate;
    double operator()(const double* p) const { return evaluate(p, nullptr); }
};

constexpr double kFailedEvaluation = 1e10;

// The box the trial vectors p[1..n] must stay in, as the model sees it: lower[k] <= p[k] <=
// upper[k]. Vectors shorter than k + 1 (or infinite entries) leave that side open. An optimiser
// evaluates only points inside, so the objective it searches is never flattened by a clamp
// downstream.
struct ParameterBounds {
    std::vector<double> lower, upper;
    double Lower(int k) const {
        return k < static_cast<int>(lower.size()) ? lower[k]
                                                  : -std::numeric_limits<double>::infinity();
    }
    double Upper(int k) const {
        return k < static_cast<int>(upper.size()) ? upper[k]
                                                  : std::numeric_limits<double>::infinity();
    }
    double Clamp(int k, double v) const {
        const double lo = Lower(k), hi = Upper(k);
        return v < lo ? lo : (v > hi ? hi : v);
    }
    // A point beyond a bound mirrored at it (clamped when the box is narrower than the overshoot).
    double Reflect(int k, double v) const {
        const double lo = Lower(k), hi = Upper(k);
        if (v > hi)
            v = 2.0 * hi - v;
        else if (v < lo)
            v = 2.0 * lo - v;
        return Clamp(k, v);
    }
};
