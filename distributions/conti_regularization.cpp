// Regularization and its strength. The second-derivative penalty is a quadratic form added to
// the normal matrix; the entropy is minimised by damped Newton steps inside c > 0. The strength
// search brackets alpha by decades and refines log alpha with Brent's method; the achieved
// chi-square ratio is checked against FCriticalRatio in the distribution tests.
#include "distributions/conti_regularization.h"

#include "distributions/conti_nnls.h"
#include "foundations/brent_root.h"
#include "foundations/statistical_tests.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <limits>

double ContiTargetRatio(double P, double nu) {
    if (P <= 0.5)
        return 1.0;
    if (P >= 1.0)
        return P;
    if (!(nu >= 1.0))
        return 2.0;
    return std::min(2.0, FCriticalRatio(P, nu, nu));
}

double SecondDerivativeNorm(const std::vector<double>& c) {
    const int n = static_cast<int>(c.size()) - 1;
    auto at = [&](int p) { return p >= 1 && p <= n ? c[p] : 0.0; };
    double sum = 0.0;
    for (int p = 1; p <= n; ++p) {
        const double d = at(p - 1) - 2.0 * at(p) + at(p + 1);
        sum += d * d;
    }
    return sum;
}

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

} // namespace

std::vector<double> PriorShape(const std::vector<double>& prior) {
    double largest = 0.0;
    for (std::size_t p = 1; p < prior.size(); ++p)
        if (std::isfinite(prior[p]))
            largest = std::max(largest, prior[p]);
    if (!(largest > 0.0))
        return {};
    std::vector<double> q(prior.size(), 1.0);
    for (std::size_t p = 1; p < prior.size(); ++p)
        q[p] = std::isfinite(prior[p]) ? std::max(prior[p] / largest, 1e-3) : 1e-3;
    return q;
}

AnalysisFailure SolveSecondDerivative(const ContiNormalEquations& eq, double alpha,
                                      std::vector<double>& c, const std::vector<double>& q) {
    // Only the distribution's columns are smoothed; discrete species after them are not.
    const int n = eq.DistributionColumns();
    CDenseMatrix A = eq.A;
    // L'L of the second differences with zero continuation: rows p of L are (1, -2, 1) at
    // p - 1, p, p + 1, so (L'L)_pq is the sum over rows touching both. A prior scales column p
    // of L by 1 / q_p.
    const bool shaped = static_cast<int>(q.size()) >= n + 1;
    const double stencil[3] = {1.0, -2.0, 1.0};
    for (int row = 1; row <= n; ++row)
        for (int u = 0; u < 3; ++u)
            for (int v = 0; v < 3; ++v) {
                const int p = row - 1 + u, r = row - 1 + v;
                if (p >= 1 && p <= n && r >= 1 && r <= n)
                    A(p, r) += shaped ? alpha * stencil[u] * stencil[v] / (q[p] * q[r])
                                      : alpha * stencil[u] * stencil[v];
            }
    return ContiNNLSOnFreeColumns(eq, A, c);
}

namespace {

// A strength whose chi-square ratio is this close to the target is taken as it is when a hint
// offers it: the solutions from below are solved no closer (the root search's 1e-4 in log alpha
// moves the ratio by about as much).
constexpr double kHintRatioTolerance = 1e-5;

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

double EntropyObjective(const ContiNormalEquations& eq, double alpha, const std::vector<double>& m,
                        const std::vector<double>& c) {
    double s = 0.0;
    const std::size_t end = std::min(c.size(), std::size_t(eq.DistributionColumns()) + 1);
    for (std::size_t p = 1; p < end; ++p)
        s += c[p] * std::log(c[p] / m[p]) - c[p] + m[p];
    return eq.ChiSquare(c) + alpha * s;
}

// The end of one Newton iteration with gradient grad and step d from c (objective f): false when
// the decrement is spent (EntropyNewtonConverged) or no backtracked step lowers f; otherwise c and
// f take the first step of 1, 1/2, 1/4, ... that does, each trial amplitude kept at least share
// times its value and at the floor.
bool EntropyStepTaken(const ContiNormalEquations& eq, double alpha, const std::vector<double>& m,
                      const std::vector<double>& grad, const std::vector<double>& d, double share,
                      double floor, double& previousDecrement, std::vector<double>& c, double& f,
                      std::vector<double>& trial) {
    const int n = eq.N();
    double decrement = 0.0;
    for (int p = 1; p <= n; ++p)
        decrement -= grad[p] * d[p];
    if (EntropyNewtonConverged(decrement, f, eq, previousDecrement))
        return false;
    double t = 1.0;
    for (int tries = 0; tries < 40; ++tries, t *= 0.5) {
        for (int p = 1; p <= n; ++p)
            trial[p] = std::max({c[p] + t * d[p], share * c[p], floor});
        const double ft = EntropyObjective(eq, alpha, m, trial);
        if (ft < f) {
            c.swap(trial);
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
bool NewtonStepOffTheBound(const CDenseMatrix& H, const std::vector<double>& negGrad,
                           std::vector<int> rows, int entropic, const std::vector<double>& c,
                           std::vector<double>& d) {
    for (;;) {
        if (!CholeskySolveSubset(H, negGrad, rows, 0.0, d))
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
    std::vector<double> grad(n + 1), d(n + 1, 0.0), trial(n + 1), row, rhs, step;
    std::vector<int> all(n), freeRows, unit;
    std::vector<char> bound(n + 1);
    for (int p = 1; p <= n; ++p)
        all[p - 1] = p;
    double f = EntropyObjective(eq, alpha, m, c);
    double previousDecrement = std::numeric_limits<double>::infinity();
    CDenseMatrix H;
    for (int iter = 0; iter < 200; ++iter) {
        eq.RowProducts(c, all, row);
        for (int p = 1; p <= n; ++p) {
            grad[p] = 2.0 * (row[p - 1] - eq.b[p]);
            if (p <= entropic)
                grad[p] += alpha * std::log(c[p] / m[p]);
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
                if (k > 0 && !CholeskySolveSubset(H, rhs, unit, 0.0, step))
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
        if (!EntropyStepTaken(eq, alpha, m, grad, d, 0.0, floor, previousDecrement, c, f, trial))
            return AnalysisFailure::None;
    }
    return AnalysisFailure::None;
}

} // namespace

AnalysisFailure SolveMaximumEntropy(const ContiNormalEquations& eq, double alpha,
                                    const std::vector<double>& m, const std::vector<double>& start,
                                    std::vector<double>& c, EntropyNewton newton) {
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
        const AnalysisFailure code = SolveMaximumEntropy(sub, alpha, subM, subStart, subC, newton);
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
    std::vector<double> grad(n + 1), d(n + 1, 0.0), trial(n + 1), row;
    std::vector<int> all(n);
    for (int p = 1; p <= n; ++p)
        all[p - 1] = p;
    double f = EntropyObjective(eq, alpha, m, c);
    double previousDecrement = std::numeric_limits<double>::infinity();
    const int entropic = eq.DistributionColumns();
    for (int iter = 0; iter < 200; ++iter) {
        CDenseMatrix H = eq.A;
        eq.RowProducts(c, all, row);
        for (int p = 1; p <= n; ++p) {
            grad[p] = 2.0 * (row[p - 1] - eq.b[p]);
            for (int q = 1; q <= n; ++q)
                H(p, q) *= 2.0;
            if (p > entropic)
                continue;
            grad[p] += alpha * std::log(c[p] / m[p]);
            H(p, p) += alpha / c[p];
        }
        std::vector<double> negGrad(n + 1);
        for (int p = 1; p <= n; ++p)
            negGrad[p] = -grad[p];
        if (!NewtonStepOffTheBound(H, negGrad, all, entropic, c, d))
            return AnalysisFailure::NnlsNotPositiveDefinite;
        // Projected step: a component may shrink at most a hundredfold per iteration, so the
        // small ones reach their level in a few steps; then backtracking on the objective.
        if (!EntropyStepTaken(eq, alpha, m, grad, d, 0.01, floor, previousDecrement, c, f, trial))
            return AnalysisFailure::None;
    }
    return AnalysisFailure::None;
}

AnalysisFailure RegularizeDistribution(const ContiNormalEquations& eq, ContiRegularizationKind kind,
                                       double P, double nu, ContiRegularizedSolution& out,
                                       const std::vector<double>& prior, ContiStrengthHint* hint) {
    const int n = eq.N();
    AnalysisFailure firstCode = ContiNNLSOnFreeColumns(eq, eq.A, out.nnls);
    out.c = out.nnls;
    out.alpha = 0.0;
    out.chiSquare0 = out.chiSquare = eq.ChiSquare(out.nnls);
    out.targetRatio = ContiTargetRatio(P, nu);
    out.solves = 0;
    // A hint is usable on an entropy search over as many amplitudes, all finite and >= 0.
    const bool hinted = kind == ContiRegularizationKind::MaximumEntropy && hint &&
                        hint->alpha > 0.0 && std::isfinite(hint->alpha) &&
                        static_cast<int>(hint->c.size()) == n + 1 &&
                        std::all_of(hint->c.begin() + 1, hint->c.end(),
                                    [](double v) { return std::isfinite(v) && v >= 0.0; });
    // The rise of the ratio per decade between the nearest strengths solved on either side of a
    // (0 when there are none); set once the solutions are kept.
    std::function<double(double)> SlopeNear = [](double) { return 0.0; };
    // What this search leaves for the next: the strength reached from below, else nothing.
    auto leave = [&](bool fromBelow) {
        if (!hint)
            return;
        if (fromBelow && firstCode == AnalysisFailure::None && out.alpha > 0.0) {
            hint->alpha = out.alpha;
            hint->c = out.c;
            hint->slope = SlopeNear(out.alpha);
        } else {
            hint->alpha = 0.0;
            hint->c.clear();
            hint->slope = 0.0;
        }
    };
    if (out.targetRatio <= 1.0 || eq.DistributionColumns() < 2 || !(out.chiSquare0 > 0.0)) {
        leave(false);
        return firstCode;
    }
    auto note = [&](AnalysisFailure code, const std::string& detail = {}) {
        if (firstCode == AnalysisFailure::None) {
            firstCode = code;
            out.failureDetail = detail;
        }
    };

    // Default model of the entropy: the prior's shape (flat without one) at the mean NNLS
    // amplitude; a flat prior gives exactly the flat model.
    // A prior covers the distribution's columns; discrete species after them take its ends'
    // neutral value.
    const int nd = eq.DistributionColumns();
    std::vector<double> q =
        static_cast<int>(prior.size()) == nd + 1 ? PriorShape(prior) : std::vector<double>{};
    if (!q.empty())
        q.resize(std::size_t(n) + 1, 1.0);
    double total = 0.0, trace = 0.0;
    for (int p = 1; p <= nd; ++p) {
        total += out.nnls[p];
        trace += eq.A(p, p);
    }
    const double level = total > 0.0 ? total / std::max(nd, 1) : 1e-6;
    double nnlsMax = 0.0;
    for (int p = 1; p <= n; ++p)
        nnlsMax = std::max(nnlsMax, out.nnls[p]);
    // The entropy solutions start from the NNLS one, so that a weak entropy stays close to it.
    std::vector<double> m(n + 1, level), start(n + 1), c(n + 1);
    if (!q.empty()) {
        double qMean = 0.0;
        for (int p = 1; p <= nd; ++p)
            qMean += q[p];
        qMean /= nd;
        for (int p = 1; p <= n; ++p)
            m[p] = level * (q[p] / qMean);
    }
    for (int p = 1; p <= n; ++p)
        start[p] = std::max(out.nnls[p], 1e-9 * nnlsMax);
    std::vector<double> warm = start;
    // Each strength is solved once: the root search starts from the two ends of the bracket and
    // as a rule ends where it last evaluated, both solved before.
    struct Solved {
        double alpha, gap;
        std::vector<double> c;
    };
    std::vector<Solved> solved;
    // Once the search has started again from below, an entropy solution starts from the one of
    // the nearest weaker strength solved (the NNLS one below them all), never from a smoother
    // one.
    bool fromBelow = false;
    // The solution below every one solved on the road from below: the NNLS one, or the hint's.
    const std::vector<double>* base = &start;
    auto solve = [&](double alpha) {
        for (const Solved& s : solved)
            if (s.alpha == alpha) {
                c = s.c;
                if (kind == ContiRegularizationKind::MaximumEntropy)
                    warm = c;
                return s.gap;
            }
        AnalysisFailure code = AnalysisFailure::None;
        if (kind == ContiRegularizationKind::SecondDerivative) {
            code = SolveSecondDerivative(eq, alpha, c, q);
        } else if (fromBelow) {
            const Solved* below = nullptr;
            for (const Solved& s : solved)
                if (s.alpha < alpha && (!below || s.alpha > below->alpha))
                    below = &s;
            code = SolveMaximumEntropy(eq, alpha, m, below ? below->c : *base, c,
                                       EntropyNewton::OffTheFloor);
        } else {
            code = SolveMaximumEntropy(eq, alpha, m, warm, c);
        }
        if (kind == ContiRegularizationKind::MaximumEntropy)
            warm = c;
        note(code);
        ++out.solves;
        const double gap = eq.ChiSquare(c) / out.chiSquare0 - out.targetRatio;
        solved.push_back(Solved{alpha, gap, c});
        return gap;
    };

    SlopeNear = [&](double a) {
        const Solved *below = nullptr, *above = nullptr;
        for (const Solved& s : solved) {
            if (s.alpha < a && s.gap <= 0.0 && (!below || s.alpha > below->alpha))
                below = &s;
            if (s.alpha > a && s.gap > 0.0 && (!above || s.alpha < above->alpha))
                above = &s;
        }
        if (!below || !above)
            return 0.0;
        const double slope =
            (above->gap - below->gap) / (std::log10(above->alpha) - std::log10(below->alpha));
        return std::isfinite(slope) && slope > 0.0 ? slope : 0.0;
    };

    double alpha = 0.0, g = 0.0, lo = 0.0, hi = 0.0;
    // The root search's bracket in log10 alpha.
    double xLo = 0.0, xHi = 0.0;
    int steps = 0;
    bool bracketed = false;
    // The search went from the hint; a strength x0 (log10) met on the way meets the ratio.
    bool byHint = false, atHint = false;
    double x0 = 0.0;
    if (hinted) {
        // The hint's strength, then away from it by steps that double, the first where the
        // ratio's slope at the hint puts the target (as many decades as the ratio is off without
        // one; at least 1/128), up to 30 decades. Every strength is a power of ten of x0 + k / 128
        // with integer k, so that the root search finds its bracket's ends solved. A strength
        // whose ratio is within kHintRatioTolerance of the target ends the search.
        constexpr double kHintUnit = 1.0 / 128.0;
        constexpr int kHintReach = 30 * 128;
        const AnalysisFailure nnlsCode = firstCode;
        fromBelow = true;
        base = &hint->c;
        x0 = std::log10(hint->alpha);
        int k = 0, previous = 0;
        g = solve(std::pow(10.0, x0));
        atHint = std::fabs(g) <= kHintRatioTolerance;
        const int dir = g > 0.0 ? -1 : 1;
        const double decades = std::fabs(g) / (hint->slope > 0.0 ? hint->slope : 1.0);
        const int first = std::isfinite(decades)
                              ? static_cast<int>(std::clamp(std::ceil(decades / kHintUnit), 1.0,
                                                            double(kHintReach)))
                              : kHintReach;
        for (int stride = first;
             !atHint && (dir < 0 ? g > 0.0 : g <= 0.0) && std::abs(k) < kHintReach;
             stride = std::min(2 * stride, kHintReach)) {
            previous = k;
            k += dir * stride;
            g = solve(std::pow(10.0, x0 + kHintUnit * k));
            if (std::fabs(g) <= kHintRatioTolerance) {
                atHint = true;
                x0 += kHintUnit * k;
            }
        }
        bracketed = atHint || (dir < 0 ? g <= 0.0 : g > 0.0);
        byHint = bracketed;
        if (bracketed) {
            xLo = x0 + kHintUnit * std::min(k, previous);
            xHi = x0 + kHintUnit * std::max(k, previous);
        } else {
            // The whole search instead, as without a hint.
            solved.clear();
            fromBelow = false;
            base = &start;
            warm = start;
            firstCode = nnlsCode;
            out.failureDetail.clear();
        }
    }
    if (!bracketed) {
        // Bracket by decades: g < 0 at lo, g > 0 at hi.
        alpha = 1e-6 * trace / std::max(nd, 1);
        g = solve(alpha);
        lo = hi = alpha;
        // Up by decades from a strength whose ratio is below the target until one is above it.
        auto climb = [&] {
            while (g <= 0.0 && steps++ < 30) {
                lo = alpha;
                alpha *= 10.0;
                g = solve(alpha);
            }
            hi = alpha;
        };
        bool stalled = false;
        if (g > 0.0) {
            while (g > 0.0 && steps++ < 30) {
                hi = alpha;
                alpha /= 10.0;
                const double above = g;
                g = solve(alpha);
                // A tenfold weaker entropy that leaves the ratio where it was: the steps from the
                // smoother solution no longer reach the minimum.
                stalled = kind == ContiRegularizationKind::MaximumEntropy && g > 0.0 &&
                          above - g <= 1e-6 * (g + out.targetRatio);
                if (stalled)
                    break;
            }
            lo = alpha;
        } else {
            climb();
        }
        if (stalled) {
            // Again from the NNLS solution at the weakest strength reached, up by decades, each
            // strength from the one below.
            solved.clear();
            fromBelow = true;
            steps = 0;
            g = solve(alpha);
            while (g > 0.0 && steps++ < 30) {
                alpha /= 10.0;
                solved.clear();
                g = solve(alpha);
            }
            climb();
        }
        xLo = std::log10(lo);
        xHi = std::log10(hi);
    }
    // The numbers a failure of the strength search carries into its message.
    auto reached = [&](double a, double gap) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "chi-square ratio %.6g reached at strength %.3g, %.6g asked",
                      gap + out.targetRatio, a, out.targetRatio);
        return std::string(text);
    };
    if (steps > 30 || !(g == g)) {
        note(AnalysisFailure::RegularizationUnreachable, reached(alpha, g));
        out.c = c;
        out.alpha = alpha;
        out.chiSquare = eq.ChiSquare(c);
        leave(false);
        return firstCode;
    }
    // From below, each strength is solved to the floor's accuracy, which moves the ratio by about
    // 1e-5 of a change of 1e-4 in log alpha: a finer root only follows that rounding.
    BrentResult r;
    if (atHint)
        r.root = x0;
    else
        r = BrentRoot(
            [&](double x) {
                const double gap = solve(std::pow(10.0, x));
                return byHint && std::fabs(gap) <= kHintRatioTolerance ? 0.0 : gap;
            },
            xLo, xHi, fromBelow ? 1e-4 : 1e-7, 100);
    const AnalysisFailure search = !r.bracketed   ? AnalysisFailure::RootNotBracketed
                                   : !r.converged ? AnalysisFailure::ZbrentIterations
                                                  : AnalysisFailure::None;
    note(search);
    out.alpha = std::pow(10.0, r.root);
    g = solve(out.alpha);
    if (search != AnalysisFailure::None && firstCode == search)
        out.failureDetail = reached(out.alpha, g);
    out.c = c;
    out.chiSquare = eq.ChiSquare(c);
    leave(fromBelow);
    return firstCode;
}
