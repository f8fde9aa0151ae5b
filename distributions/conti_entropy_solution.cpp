// The maximum-entropy solution at one strength: damped Newton steps inside c > 0 on the
// chi-square plus alpha times the entropy relative to a default model. Amplitudes held by the
// equations drop out of the sum; the solutions are checked against the unregularized one and
// the chi-square ratio in the distribution tests.
#include "distributions/conti_entropy_solution.h"

#include "foundations/dense_solver.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// The normal equations restricted to the columns idx (renumbered 1..m); yy is kept, so the
// chi-square of amplitudes that are zero off idx is the same in both.
ContiNormalEquations Restricted(const ContiNormalEquations& eq, const std::vector<int>& idx) {
    const int m = static_cast<int>(idx.size());
    ContiNormalEquations r;
    r.A.Resize(m);
    r.b.assign(m + 1, 0.0);
    r.yy = eq.yy;
    for (int i = 1; i <= m; ++i) {
        r.b[i] = eq.b[idx[i - 1]];
        for (int j = 1; j <= m; ++j)
            r.A(i, j) = eq.A(idx[i - 1], idx[j - 1]);
    }
    return r;
}

// A Newton decrement below this fraction of the objective that stops shrinking has reached
// the rounding of the objective (seen at 1e-12 for 100 grid points and 50,000 values).
constexpr double kRoundingDecrement = 1e-9;

// Newton's method on the entropy objective f has converged when the decrement is negligible, or
// small and no longer falling as it falls near the minimum, so that only rounding is left to
// remove (each further step would be a line search through the rounding of f). Keeps the last
// decrement in previous.
bool EntropyNewtonConverged(double decrement, double f, const ContiNormalEquations& eq,
                            double& previous) {
    const double scale = std::fabs(f) + eq.yy * 1e-6;
    if (decrement <= 1e-13 * scale ||
        (decrement <= kRoundingDecrement * scale && decrement > 0.25 * previous))
        return true;
    previous = decrement;
    return false;
}

// The objective at c; with products, (A c) over every row beside it when ChiSquare gives it;
// with logs, log(c[p] / m[p]) of the entropic amplitudes p beside it ([p], as the gradient reads
// them).
double EntropyObjective(const ContiNormalEquations& eq, double alpha, const std::vector<double>& m,
                        const std::vector<double>& c, std::vector<double>* products = nullptr,
                        std::vector<double>* logs = nullptr) {
    double s = 0.0;
    const std::size_t end = std::min(c.size(), std::size_t(eq.DistributionColumns()) + 1);
    if (logs)
        logs->resize(end);
    for (std::size_t p = 1; p < end; ++p) {
        const double l = std::log(c[p] / m[p]);
        if (logs)
            (*logs)[p] = l;
        s += c[p] * l - c[p] + m[p];
    }
    return eq.ChiSquare(c, products) + alpha * s;
}

// What the objective formed at a point beside its value: the row products (empty when it did
// not form them) and the logs of the entropic amplitudes over the default model.
struct ObjectiveParts {
    std::vector<double> products, logs;
    void swap(ObjectiveParts& o) {
        products.swap(o.products);
        logs.swap(o.logs);
    }
};

// The end of one Newton iteration with gradient grad and step d from c (objective f): false when
// the decrement is spent (EntropyNewtonConverged) or no backtracked step lowers f; otherwise c and
// f take the first step of 1, 1/2, 1/4, ... that does, each trial amplitude kept at least share
// times its value and at the floor, and parts those of the step taken, which the objective formed
// on the way.
bool EntropyStepTaken(const ContiNormalEquations& eq, double alpha, const std::vector<double>& m,
                      const std::vector<double>& grad, const std::vector<double>& d, double share,
                      double floor, double& previousDecrement, std::vector<double>& c, double& f,
                      std::vector<double>& trial, ObjectiveParts& parts,
                      ObjectiveParts& trialParts) {
    const int n = eq.N();
    double decrement = 0.0;
    for (int p = 1; p <= n; ++p)
        decrement -= grad[p] * d[p];
    if (EntropyNewtonConverged(decrement, f, eq, previousDecrement))
        return false;
    // The squared residual sums terms as large as yy, so the objective is rounded by about
    // yy's last bit: a trial whose fall (t times the decrement, at most) is below that cannot be
    // told from where it starts, and its halvings would only sample the rounding.
    const double resolved = std::numeric_limits<double>::epsilon() * eq.yy;
    double t = 1.0;
    for (int tries = 0; tries < 40 && t * decrement >= resolved; ++tries, t *= 0.5) {
        for (int p = 1; p <= n; ++p)
            trial[p] = std::max({c[p] + t * d[p], share * c[p], floor});
        const double ft =
            EntropyObjective(eq, alpha, m, trial, &trialParts.products, &trialParts.logs);
        if (ft < f) {
            c.swap(trial);
            parts.swap(trialParts);
            f = ft;
            return true;
        }
    }
    return false;
}

// The Newton step d of the entropy objective with gradient -negGrad and Hessian H over the
// columns rows. The entropy keeps a distribution's amplitude off zero, but a discrete species
// after the entropic columns has no such barrier: where the unconstrained step would take its
// amplitude through zero while the gradient presses it down (NNLS leaves it at zero), the step
// that the positivity then clips no longer descends, and the search stalls far from the
// minimum. Such a species is held for this step (d = 0) and the step is solved over the others.
// factor is the work space of the factor, kept by the caller over its steps.
bool NewtonStepOffTheBound(const CDenseMatrix& H, const std::vector<double>& negGrad,
                           std::vector<int> rows, int entropic, const std::vector<double>& c,
                           std::vector<double>& d, std::vector<double>& factor) {
    for (;;) {
        if (!CholeskySolveSubset(H, negGrad, rows, 0.0, d, factor))
            return false;
        std::vector<int> kept;
        for (int p : rows) {
            if (p > entropic && negGrad[p] < 0.0 && c[p] + d[p] <= 0.0)
                d[p] = 0.0;
            else
                kept.push_back(p);
        }
        if (kept.size() == rows.size())
            return true;
        rows.swap(kept);
        if (rows.empty())
            return true;
    }
}

// Projected Newton over c >= floor from c. An amplitude is bound to the floor when it sits there
// with the gradient pressing it down, or when the Newton step would take it through the floor
// while the gradient presses it down; the step is solved over the free amplitudes alone, with the
// bound ones moved onto the floor, until no such free amplitude is taken through it. Where that
// step would climb (bound moves against the free ones' coupling), the plain projected step is
// taken instead: an ascent ended the iteration as if converged, short of the minimum. Near the
// unregularized solution most amplitudes are bound and the free block is that of the amplitudes the
// data hold, which is well conditioned; a step over every amplitude instead asks hundreds of them
// to pass zero together, and cut to keep them positive it no longer descends. Each step starts with
// every amplitude above the floor or lifted by the gradient free again.
AnalysisFailure EntropyOffTheFloor(const ContiNormalEquations& eq, double alpha,
                                   const std::vector<double>& m, double floor,
                                   std::vector<double>& c) {
    const int n = eq.N();
    const int entropic = eq.DistributionColumns();
    std::vector<double> grad(n + 1), d(n + 1, 0.0), trial(n + 1), rhs, step, factor;
    std::vector<int> all(n), freeRows, unit;
    std::vector<char> bound(n + 1);
    for (int p = 1; p <= n; ++p)
        all[p - 1] = p;
    // at.products holds A c: formed with the objective at c, else here.
    ObjectiveParts at, trialParts;
    double f = EntropyObjective(eq, alpha, m, c, &at.products, &at.logs);
    double previousDecrement = std::numeric_limits<double>::infinity();
    CDenseMatrix H;
    for (int iter = 0; iter < 200; ++iter) {
        std::vector<double>& row = at.products;
        if (std::ssize(row) != n)
            eq.RowProducts(c, all, row);
        for (int p = 1; p <= n; ++p) {
            grad[p] = 2.0 * (row[p - 1] - eq.b[p]);
            if (p <= entropic)
                grad[p] += alpha * at.logs[p];
            bound[p] = c[p] <= floor && grad[p] > 0.0;
        }
        // The Newton step over the free amplitudes with the bound ones moved onto the floor; with
        // grow, amplitudes the step takes through the floor are bound too and the step solved
        // again. False when the free block is not positive definite.
        auto newtonStep = [&](bool grow) {
            for (bool grown = true; grown;) {
                std::fill(d.begin(), d.end(), 0.0);
                freeRows.clear();
                for (int p = 1; p <= n; ++p) {
                    if (bound[p])
                        d[p] = floor - c[p];
                    else
                        freeRows.push_back(p);
                }
                const int k = static_cast<int>(freeRows.size());
                H.Resize(k);
                rhs.assign(std::size_t(k) + 1, 0.0);
                step.assign(std::size_t(k) + 1, 0.0);
                unit.resize(std::size_t(k));
                for (int i = 1; i <= k; ++i) {
                    const int p = freeRows[i - 1];
                    const double* a = eq.A.Row(p);
                    unit[i - 1] = i;
                    double coupled = 0.0; // the bound amplitudes' move seen by this one
                    for (int q = 1; q <= n; ++q)
                        if (d[q] != 0.0)
                            coupled += a[q] * d[q];
                    rhs[i] = -grad[p] - 2.0 * coupled;
                    for (int j = 1; j <= i; ++j)
                        H(i, j) = 2.0 * a[freeRows[j - 1]];
                    if (p <= entropic)
                        H(i, i) += alpha / c[p];
                }
                if (k > 0 && !CholeskySolveSubset(H, rhs, unit, 0.0, step, factor))
                    return false;
                grown = false;
                for (int i = 1; i <= k; ++i) {
                    const int p = freeRows[i - 1];
                    d[p] = step[i];
                    if (grow && c[p] + d[p] <= floor && grad[p] > 0.0) {
                        bound[p] = 1;
                        grown = true;
                    }
                }
            }
            return true;
        };
        if (!newtonStep(true))
            return AnalysisFailure::NnlsNotPositiveDefinite;
        // Amplitudes moved onto the floor against a gradient that would lift them can make the
        // step climb; the plain projected step (only the amplitudes on the floor and pressed down
        // held, the others clipped at the floor along the line) descends.
        double slope = 0.0;
        for (int p = 1; p <= n; ++p)
            slope += grad[p] * d[p];
        if (!(slope < 0.0)) {
            for (int p = 1; p <= n; ++p)
                bound[p] = c[p] <= floor && grad[p] > 0.0;
            if (!newtonStep(false))
                return AnalysisFailure::NnlsNotPositiveDefinite;
        }
        if (!EntropyStepTaken(eq, alpha, m, grad, d, 0.0, floor, previousDecrement, c, f, trial, at,
                              trialParts))
            return AnalysisFailure::None;
    }
    return AnalysisFailure::None;
}

} // namespace

AnalysisFailure SolveMaximumEntropy(const ContiNormalEquations& eq, double alpha,
                                    const std::vector<double>& m, const std::vector<double>& start,
                                    std::vector<double>& c, EntropyNewton newton,
                                    const std::function<bool()>& abandon) {
    const int n = eq.N();
    if (eq.AnyHeld()) {
        // The entropy is a sum over the amplitudes, so the held ones (zero) drop out of it.
        const std::vector<int> idx = ContiFreeColumns(eq);
        const int k = static_cast<int>(idx.size());
        std::vector<double> subM(k + 1), subStart(k + 1), subC;
        for (int i = 1; i <= k; ++i) {
            subM[i] = m[idx[i - 1]];
            subStart[i] = start[idx[i - 1]];
        }
        ContiNormalEquations sub = Restricted(eq, idx);
        for (int i = 1; i <= k; ++i)
            if (idx[i - 1] > eq.DistributionColumns())
                ++sub.discreteColumns;
        const AnalysisFailure code =
            SolveMaximumEntropy(sub, alpha, subM, subStart, subC, newton, abandon);
        c.assign(n + 1, 0.0);
        for (int i = 1; i <= k; ++i)
            c[idx[i - 1]] = subC[i];
        return code;
    }
    double maxStart = 0.0;
    for (int p = 1; p <= n; ++p)
        maxStart = std::max(maxStart, start[p]);
    const double floor = std::max(1e-12 * maxStart, 1e-300);
    c = start;
    for (int p = 1; p <= n; ++p)
        c[p] = std::max(c[p], floor);
    if (newton == EntropyNewton::OffTheFloor)
        return EntropyOffTheFloor(eq, alpha, m, floor, c);
    std::vector<double> grad(n + 1), d(n + 1, 0.0), trial(n + 1);
    std::vector<int> all(n);
    for (int p = 1; p <= n; ++p)
        all[p - 1] = p;
    // at.products holds A c: formed with the objective at c, else here.
    ObjectiveParts at, trialParts;
    double f = EntropyObjective(eq, alpha, m, c, &at.products, &at.logs);
    double previousDecrement = std::numeric_limits<double>::infinity();
    const int entropic = eq.DistributionColumns();
    // The Hessian's lower triangle, the only part the factor reads (which leaves it as it is):
    // twice A's below the diagonal, made once; the diagonal made again in each iteration.
    CDenseMatrix H(n);
    for (int p = 1; p <= n; ++p) {
        const double* a = eq.A.Row(p);
        double* h = H.Row(p);
        for (int q = 1; q < p; ++q)
            h[q] = 2.0 * a[q];
    }
    std::vector<double> negGrad(n + 1), factor;
    for (int iter = 0; iter < 200; ++iter) {
        if (abandon && abandon())
            return AnalysisFailure::None;
        std::vector<double>& row = at.products;
        if (std::ssize(row) != n)
            eq.RowProducts(c, all, row);
        for (int p = 1; p <= n; ++p) {
            grad[p] = 2.0 * (row[p - 1] - eq.b[p]);
            double& h = H(p, p);
            h = 2.0 * eq.A(p, p);
            if (p > entropic)
                continue;
            grad[p] += alpha * at.logs[p];
            h += alpha / c[p];
        }
        for (int p = 1; p <= n; ++p)
            negGrad[p] = -grad[p];
        if (!NewtonStepOffTheBound(H, negGrad, all, entropic, c, d, factor))
            return AnalysisFailure::NnlsNotPositiveDefinite;
        // Projected step: a component may shrink at most a hundredfold per iteration, so the
        // small ones reach their level in a few steps; then backtracking on the objective.
        if (!EntropyStepTaken(eq, alpha, m, grad, d, 0.01, floor, previousDecrement, c, f, trial,
                              at, trialParts))
            return AnalysisFailure::None;
    }
    return AnalysisFailure::None;
}
