// Levenberg-Marquardt: damped normal equations of a forward-difference Jacobian.
#include "fitting/optim_ml.h"

#include "foundations/analysis_failure.h"
#include "foundations/linear_solvers.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// A damped step whose trial is no model is shortened this many times by half, along its own
// direction, before the damping grows.
constexpr int kHalvings = 2;

double Evaluate(const FitObjective& objective, const double* p, std::vector<double>& r,
                OptimControl& control) {
    ++control.evaluations;
    double v = objective.evaluate(p, &r);
    return std::isfinite(v) ? v : kFailedEvaluation;
}

// Solves (alpha + lambda diag(damping)) delta = beta over the active parameters.
bool DampedStep(const std::vector<std::vector<double>>& alpha, const std::vector<double>& beta,
                const std::vector<char>& active, int n, double lambda,
                const std::vector<double>& damping, std::vector<double>& delta) {
    std::vector<int> map;
    for (int k = 1; k <= n; ++k)
        if (active[k])
            map.push_back(k);
    const int m = static_cast<int>(map.size());
    delta.assign(n + 1, 0.0);
    if (m == 0)
        return false;
    std::vector<double> block(static_cast<std::size_t>(m + 1) * (m + 1));
    std::vector<double*> rows(m + 1);
    for (int i = 0; i <= m; ++i)
        rows[i] = &block[static_cast<std::size_t>(i) * (m + 1)];
    std::vector<double> b(m + 1), x(m + 1), diag(m + 1);
    for (int i = 1; i <= m; ++i) {
        for (int j = 1; j <= m; ++j)
            rows[i][j] = alpha[map[i - 1]][map[j - 1]];
        rows[i][i] += lambda * damping[map[i - 1]];
        b[i] = beta[map[i - 1]];
    }
    DCholeskySolve(rows.data(), b.data(), m, x.data(), diag.data());
    for (int i = 1; i <= m; ++i) {
        if (!std::isfinite(x[i]))
            return false;
        delta[map[i - 1]] = x[i];
    }
    return true;
}

// The damped step within the bounds: a parameter that the step would take past a bound is pinned
// there (one that sits on it stays), and the others are solved again with its step given, as
// often as the new step takes another past its bound.
bool BoundedStep(const std::vector<std::vector<double>>& alpha, const std::vector<double>& beta,
                 const std::vector<char>& active, const double* p, int n, double lambda,
                 const std::vector<double>& damping, const ParameterBounds& bounds,
                 std::vector<double>& delta) {
    std::vector<char> free = active;
    std::vector<double> pinned(n + 1, 0.0), rhs(n + 1);
    for (;;) {
        for (int i = 1; i <= n; ++i) {
            rhs[i] = beta[i];
            for (int j = 1; j <= n; ++j)
                if (active[j] && !free[j])
                    rhs[i] -= alpha[i][j] * pinned[j];
        }
        if (std::find(free.begin() + 1, free.end(), 1) == free.end()) {
            // Every parameter pinned: the step is theirs alone.
            delta = pinned;
            return std::any_of(delta.begin() + 1, delta.end(), [](double d) { return d != 0.0; });
        }
        if (!DampedStep(alpha, rhs, free, n, lambda, damping, delta))
            return false;
        bool held = false;
        for (int k = 1; k <= n; ++k) {
            if (active[k] && !free[k])
                delta[k] = pinned[k];
            if (!free[k])
                continue;
            const double lo = bounds.Lower(k), hi = bounds.Upper(k);
            if (p[k] + delta[k] > hi || p[k] + delta[k] < lo) {
                free[k] = 0;
                pinned[k] = (p[k] + delta[k] > hi ? std::max(hi, p[k]) : std::min(lo, p[k])) - p[k];
                delta[k] = pinned[k];
                held = true;
            }
        }
        if (!held)
            return true;
    }
}

// Standard errors from the undamped curvature matrix.
std::vector<double> StandardErrors(const std::vector<std::vector<double>>& alpha,
                                   const std::vector<char>& active, int n, double meanSquare,
                                   std::size_t points) {
    std::vector<double> se(n + 1, 0.0);
    std::vector<int> map;
    for (int k = 1; k <= n; ++k)
        if (active[k])
            map.push_back(k);
    const int m = static_cast<int>(map.size());
    if (m == 0 || points <= static_cast<std::size_t>(m))
        return se;
    // Residual variance with the degrees of freedom the free parameters took.
    const double variance = meanSquare * points / static_cast<double>(points - m);
    std::vector<double> block(static_cast<std::size_t>(m + 1) * (m + 1));
    std::vector<double*> rows(m + 1);
    for (int i = 0; i <= m; ++i)
        rows[i] = &block[static_cast<std::size_t>(i) * (m + 1)];
    for (int i = 1; i <= m; ++i)
        for (int j = 1; j <= m; ++j)
            rows[i][j] = alpha[map[i - 1]][map[j - 1]];
    std::vector<double> e(m + 1), x(m + 1), diag(m + 1);
    for (int i = 1; i <= m; ++i) {
        std::fill(e.begin(), e.end(), 0.0);
        e[i] = 1.0;
        DCholeskySolve(rows.data(), e.data(), m, x.data(), diag.data());
        se[map[i - 1]] = x[i] > 0 ? std::sqrt(x[i] * variance) : 0.0;
    }
    return se;
}

// The curvature matrix and gradient of mlcof, with the evaluations counted in control, progress
// reported to it per column and its stop predicate asked after each.
bool Curvature(const double* p, int n, const FitObjective& objective, const std::vector<double>& r0,
               const std::vector<double>& scale, const std::vector<char>& active,
               const ParameterBounds& bounds, OptimControl& control,
               std::vector<std::vector<double>>& alpha, std::vector<double>& beta,
               std::vector<char>& zeroColumn) {
    const std::size_t points = r0.size();
    std::vector<std::vector<double>> jac(n + 1);
    std::vector<double> trial(p, p + n + 1), r;
    bool ok = true;
    zeroColumn.assign(n + 1, 0);
    for (int k = 1; k <= n; ++k) {
        if (!active[k])
            continue;
        const double step = 1e-4 * std::max(std::fabs(p[k]), scale[k]);
        // On or near its upper bound the difference is taken inward (the model clamps the rest);
        // where the step is no model (a loading crossing zero) it is taken the other way, and a
        // column with no model either way counts as zero for this step.
        trial[k] = p[k] + step;
        if (trial[k] > bounds.Upper(k))
            trial[k] = bounds.Clamp(k, p[k] - step);
        double h = trial[k] - p[k]; // the step as represented
        bool noModel = Evaluate(objective, trial.data(), r, control) >= kFailedEvaluation;
        if (noModel && !control.Stopped()) {
            trial[k] = bounds.Clamp(k, p[k] - h);
            h = trial[k] - p[k];
            noModel = Evaluate(objective, trial.data(), r, control) >= kFailedEvaluation;
        }
        if (noModel)
            h = 0.0;
        trial[k] = p[k];
        jac[k].assign(points, 0.0);
        bool zero = r.size() == points;
        if (r.size() == points && h != 0.0)
            for (std::size_t i = 0; i < points; ++i) {
                jac[k][i] = (r[i] - r0[i]) / h;
                if (jac[k][i] != 0.0)
                    zero = false;
            }
        if (zero) {
            zeroColumn[k] = 1;
            ok = false;
        }
        if (control.progress)
            control.progress(static_cast<float>(k) / n);
        if (control.Stopped())
            return ok;
    }
    alpha.assign(n + 1, std::vector<double>(n + 1, 0.0));
    beta.assign(n + 1, 0.0);
    for (int k = 1; k <= n; ++k) {
        if (!active[k] || zeroColumn[k])
            continue;
        double b = 0.0;
        for (std::size_t i = 0; i < points; ++i)
            b -= jac[k][i] * r0[i];
        beta[k] = b;
        for (int l = 1; l <= k; ++l) {
            if (!active[l] || zeroColumn[l])
                continue;
            double a = 0.0;
            for (std::size_t i = 0; i < points; ++i)
                a += jac[k][i] * jac[l][i];
            alpha[k][l] = alpha[l][k] = a;
        }
    }
    return ok;
}

} // namespace

bool mlcof(OptimControl& control, const double* p, int n, const FitObjective& objective,
           const std::vector<double>& r0, const std::vector<double>& scale,
           const std::vector<char>& active, std::vector<std::vector<double>>& alpha,
           std::vector<double>& beta, std::vector<char>& zeroColumn,
           const ParameterBounds& bounds) {
    return Curvature(p, n, objective, r0, scale, active, bounds, control, alpha, beta, zeroColumn);
}

MLResult MLOptimize(double* p, int n, const FitObjective& objective, const MLOptions& options,
                    const ParameterBounds& bounds, OptimControl& control) {
    MLResult result;
    const int first = control.evaluations;
    for (int k = 1; k <= n; ++k)
        p[k] = bounds.Clamp(k, p[k]);
    std::vector<double> r0, r;
    double chi = Evaluate(objective, p, r0, control);
    // A start that is no model gives nothing to step from: the caller says so.
    if (chi >= kFailedEvaluation) {
        result.value = chi;
        result.evaluations = control.evaluations - first;
        result.status = control.Stopped() ? OptimStatus::Aborted : OptimStatus::Failed;
        return result;
    }
    std::vector<double> scale(n + 1);
    for (int k = 1; k <= n; ++k)
        scale[k] = std::fabs(p[k]) > 0 ? std::fabs(p[k]) : 1e-2;
    // Parameters without effect at the start mean nothing to the model (s at equilibrium): said
    // once and held. Another one without effect is held for that step only: the next vector may
    // give it one again.
    std::vector<char> meaningful(n + 1, 1), active, zero;
    std::vector<std::vector<double>> alpha;
    std::vector<double> beta, delta, trial(n + 1);
    // The damping of each parameter: the largest curvature it had so far. A parameter whose
    // effect fades (a species whose signal the others take) keeps the damping it had, so its
    // steps do not grow as its effect shrinks and carry it off.
    std::vector<double> damping(n + 1, 0.0);
    double lambda = 1e-3;
    int quiet = 0;
    // A trial of the last step was no model: the values sought lie beyond the edge of the model,
    // and the damped steps only crept towards it.
    bool atEdge = false;
    for (int it = 0; it < options.maxIterations && !control.Stopped(); ++it) {
        ++control.iterations;
        Curvature(p, n, objective, r0, scale, meaningful, bounds, control, alpha, beta, zero);
        if (control.Stopped())
            break;
        active = meaningful;
        for (int k = 1; k <= n; ++k) {
            if (zero[k]) {
                active[k] = 0;
                if (it == 0)
                    meaningful[k] = 0;
            }
            damping[k] = std::max(damping[k], alpha[k][k]);
        }
        if (it == 0 && active != std::vector<char>(n + 1, 1) && !control.zeroDifferentialReported) {
            control.zeroDifferentialReported = true;
            ReportAnalysisFailure(AnalysisFailure::ZeroDifferential);
        }
        // Raise the damping until a step lowers the objective (or nothing more can be gained).
        // A trial that is no model (a loading below zero, a molar mass below 1 Da) is such a
        // step too long: the shorter one stays where every floated parameter acts.
        bool accepted = false;
        atEdge = false;
        while (!accepted && lambda < 1e12 && !control.Stopped()) {
            if (!BoundedStep(alpha, beta, active, p, n, lambda, damping, bounds, delta))
                break;
            for (int k = 1; k <= n; ++k)
                trial[k] = bounds.Clamp(k, p[k] + delta[k]);
            double chiTrial = Evaluate(objective, trial.data(), r, control);
            // A step that crosses the edge of the model (a loading below zero) goes back along
            // its own direction into the region where every floated parameter acts: the larger
            // damping would turn it towards the gradient, which led there, and creep to the edge.
            bool shortened = false;
            for (int half = 1;
                 half <= kHalvings && chiTrial >= kFailedEvaluation && !control.Stopped(); ++half) {
                atEdge = shortened = true;
                for (int k = 1; k <= n; ++k)
                    trial[k] = bounds.Clamp(k, p[k] + std::ldexp(delta[k], -half));
                chiTrial = Evaluate(objective, trial.data(), r, control);
            }
            atEdge = atEdge || chiTrial >= kFailedEvaluation;
            if (chiTrial < chi && r.size() == r0.size()) {
                const double change = (chi - chiTrial) / chi;
                for (int k = 1; k <= n; ++k)
                    p[k] = trial[k];
                chi = chiTrial;
                r0.swap(r);
                // A shortened step counts as the failure of its full length (x10) and the
                // success of the shorter one (/10): the damping stays, so the next step, from
                // wherever the shorter one led, is not a longer one.
                if (!shortened)
                    lambda = std::max(lambda / 10.0, 1e-12);
                accepted = true;
                quiet = change < options.tolerance ? quiet + 1 : 0;
            } else {
                lambda *= 10.0;
            }
        }
        if (!accepted || quiet >= 2 || chi <= 1e-300)
            break;
    }
    bool failed = false;
    if (!control.Stopped() && !alpha.empty()) {
        // The curvature at the final vector, for the standard errors. A parameter that has no
        // effect there was not fitted: the fit failed.
        Curvature(p, n, objective, r0, scale, meaningful, bounds, control, alpha, beta, zero);
        active = meaningful;
        for (int k = 1; k <= n; ++k)
            if (zero[k]) {
                active[k] = 0;
                failed = true;
            }
        result.standardError = StandardErrors(alpha, active, n, chi, r0.size());
    }
    result.value = chi;
    result.evaluations = control.evaluations - first;
    result.atModelEdge = atEdge && !failed;
    result.status = control.Stopped()  ? OptimStatus::Aborted
                    : failed || atEdge ? OptimStatus::Failed
                                       : OptimStatus::Converged;
    return result;
}
