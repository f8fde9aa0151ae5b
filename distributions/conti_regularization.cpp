// Regularization and its strength. The second-derivative penalty is a quadratic form added to
// the normal matrix; the entropy's solution at one strength is conti_entropy_solution's. The
// strength search (conti_strength_search.cpp) brackets alpha by decades and refines log alpha with
// Brent's method; the achieved chi-square ratio is checked against FCriticalRatio in the
// distribution tests.
#include "distributions/conti_regularization.h"

#include "distributions/conti_entropy_solution.h"
#include "distributions/conti_held_noise.h"
#include "distributions/conti_nnls.h"
#include "distributions/conti_strength_search.h"
#include "foundations/brent_root.h"
#include "foundations/statistical_tests.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

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

// The rise of the ratio per decade near the root a (gap there g), from the strengths solved: from
// below, between the nearest strengths solved on either side of a whose ratios lie on either side
// of the target; on the smooth road, from a itself to the strength solved nearest to it at least
// kSlopeSpan decades away, on either side (nearer strengths differ in their ratio by little more
// than the accuracy each is solved to). 0 when there are no such strengths or the ratio falls.
constexpr double kSlopeSpan = 1e-4;
double SlopeNearTheRoot(const std::vector<SolvedStrength>& solved, double a, double g,
                        bool fromBelow) {
    const double x = std::log10(a);
    const SolvedStrength *below = nullptr, *other = nullptr;
    double span = 0.0;
    for (const SolvedStrength& s : solved) {
        if (fromBelow) {
            if (s.alpha < a && s.gap <= 0.0 && (!below || s.alpha > below->alpha))
                below = &s;
            if (s.alpha > a && s.gap > 0.0 && (!other || s.alpha < other->alpha))
                other = &s;
            continue;
        }
        const double d = std::fabs(std::log10(s.alpha) - x);
        if (d >= kSlopeSpan && (!other || d < span)) {
            other = &s;
            span = d;
        }
    }
    if (!other || (fromBelow && !below))
        return 0.0;
    const double slope =
        below ? (other->gap - below->gap) / (std::log10(other->alpha) - std::log10(below->alpha))
              : (other->gap - g) / (std::log10(other->alpha) - x);
    return std::isfinite(slope) && slope > 0.0 ? slope : 0.0;
}

// A hint is usable on a search over as many amplitudes, all finite and >= 0: one from below on an
// entropy search, a smooth one on either kind.
bool HintUsable(const ContiStrengthHint* hint, ContiRegularizationKind kind, int n) {
    return (hint && (hint->smooth || kind == ContiRegularizationKind::MaximumEntropy)) &&
           hint->alpha > 0.0 && std::isfinite(hint->alpha) &&
           static_cast<int>(hint->c.size()) == n + 1 &&
           std::all_of(hint->c.begin() + 1, hint->c.end(),
                       [](double v) { return std::isfinite(v) && v >= 0.0; });
}

// What a search leaves for the next: the strength it reached, with its amplitudes, the slope of
// the ratio there (on the smooth road the last hint's when none was measured) and the road, when
// it met no failure; else nothing.
ContiStrengthHint HintForNextSearch(bool fromBelow, AnalysisFailure first,
                                    const ContiRegularizedSolution& out, double gap,
                                    const std::vector<SolvedStrength>& solved, double lastSlope) {
    if (first != AnalysisFailure::None || !(out.alpha > 0.0))
        return ContiStrengthHint{};
    const double slope = SlopeNearTheRoot(solved, out.alpha, gap, fromBelow);
    if (fromBelow)
        return ContiStrengthHint{out.alpha, out.c, slope, false};
    return ContiStrengthHint{out.alpha, out.c, slope > 0.0 ? slope : lastSlope, true};
}

// The numbers a failure of the strength search carries into its message.
std::string StrengthReachedDetail(double alpha, double gap, double targetRatio) {
    char text[160];
    std::snprintf(text, sizeof text, "chi-square ratio %.6g reached at strength %.3g, %.6g asked",
                  gap + targetRatio, alpha, targetRatio);
    return std::string(text);
}

// The default model of the entropy is the prior's shape (flat without one) at the mean NNLS
// amplitude of the distribution; a flat prior gives exactly the flat model. The entropy solutions
// start from the NNLS one (lifted to 1e-9 of its largest amplitude), so that a weak entropy stays
// close to it.
RegularizationShape ShapeOfRegularization(const ContiNormalEquations& eq,
                                          const std::vector<double>& nnls,
                                          const std::vector<double>& prior) {
    const int n = eq.N();
    const int nd = eq.DistributionColumns();
    RegularizationShape shape;
    // A prior covers the distribution's columns; discrete species after them take its ends'
    // neutral value.
    if (static_cast<int>(prior.size()) == nd + 1)
        shape.q = PriorShape(prior);
    if (!shape.q.empty())
        shape.q.resize(std::size_t(n) + 1, 1.0);
    double total = 0.0;
    for (int p = 1; p <= nd; ++p)
        total += nnls[p];
    const double level = total > 0.0 ? total / std::max(nd, 1) : 1e-6;
    double nnlsMax = 0.0;
    for (int p = 1; p <= n; ++p)
        nnlsMax = std::max(nnlsMax, nnls[p]);
    shape.m.assign(std::size_t(n) + 1, level);
    if (!shape.q.empty()) {
        double qMean = 0.0;
        for (int p = 1; p <= nd; ++p)
            qMean += shape.q[p];
        qMean /= nd;
        for (int p = 1; p <= n; ++p)
            shape.m[p] = level * (shape.q[p] / qMean);
    }
    shape.start.assign(std::size_t(n) + 1, 0.0);
    for (int p = 1; p <= n; ++p)
        shape.start[p] = std::max(nnls[p], 1e-9 * nnlsMax);
    return shape;
}

// The first strength the search by decades tries: 1e-6 of the mean diagonal of the
// distribution's columns of the normal matrix.
double FirstDecadeStrength(const ContiNormalEquations& eq) {
    const int nd = eq.DistributionColumns();
    double trace = 0.0;
    for (int p = 1; p <= nd; ++p)
        trace += eq.A(p, p);
    return 1e-6 * trace / std::max(nd, 1);
}

void KeepSolution(const ContiNormalEquations& eq, double alpha, const std::vector<double>& c,
                  ContiRegularizedSolution& out) {
    out.c = c;
    out.alpha = alpha;
    out.chiSquare = eq.ChiSquare(c);
}

} // namespace

AnalysisFailure RegularizeDistribution(const ContiNormalEquations& whole,
                                       ContiRegularizationKind kind, double P, double nu,
                                       ContiRegularizedSolution& out,
                                       const std::vector<double>& prior, ContiStrengthHint* hint,
                                       int threads, const std::vector<double>* nnls) {
    AnalysisFailure nnlsFailure = AnalysisFailure::None;
    if (nnls)
        out.nnls = *nnls;
    else
        nnlsFailure = ContiNNLSOnFreeColumns(whole, whole.A, out.nnls);
    out.c = out.nnls;
    out.alpha = 0.0;
    out.chiSquare0 = out.chiSquare = whole.ChiSquare(out.nnls);
    out.targetRatio = ContiTargetRatio(P, nu);
    out.solves = 0;
    out.noiseHeld = false;
    if (out.targetRatio <= 1.0 || whole.DistributionColumns() < 2 || !(out.chiSquare0 > 0.0)) {
        if (hint)
            *hint = ContiStrengthHint{};
        return nnlsFailure;
    }
    ContiNormalEquations held;
    out.noiseHeld =
        kind == ContiRegularizationKind::MaximumEntropy && whole.noiseGram.N() == whole.N();
    if (out.noiseHeld) {
        held = EquationsWithNoiseHeld(whole, out.nnls);
        out.chiSquare0 = out.chiSquare = held.ChiSquare(out.nnls);
    }
    // Slow amplitudes held within the noise: the rise is measured from the best solution, so
    // that what they cost comes out of the regularization's share (all of it at most).
    if (whole.chiSquareBeforeSlowHolds > 0.0)
        out.chiSquare0 = std::max(std::min(out.chiSquare0, whole.chiSquareBeforeSlowHolds),
                                  out.chiSquare0 / out.targetRatio);
    const ContiNormalEquations& eq = out.noiseHeld ? held : whole;
    CStrengthSolver solver(eq, kind, ShapeOfRegularization(eq, out.nnls, prior), nnlsFailure, out);
    StrengthBracket bracket;
    const double lastSlope = hint ? hint->slope : 0.0;
    if (HintUsable(hint, kind, eq.N())) {
        bracket = BracketFromHint(solver, *hint);
        if (!bracket.found)
            solver.StartOver();
    }
    if (!bracket.found)
        // from the data's own scale: with the noise held the matrix carries the columns'
        // whole products, the strength at the target stays near that of the free noise
        bracket = BracketByDecades(solver, FirstDecadeStrength(whole), threads);
    if (!bracket.reached) {
        solver.Note(AnalysisFailure::RegularizationUnreachable,
                    StrengthReachedDetail(bracket.lastAlpha, bracket.lastGap, out.targetRatio));
        KeepSolution(eq, bracket.lastAlpha, solver.c(), out);
        if (hint)
            *hint = ContiStrengthHint{};
        return solver.First();
    }
    const BrentResult r = StrengthRoot(solver, bracket);
    const AnalysisFailure search = RootSearchFailure(r);
    solver.Note(search);
    const double alpha = std::pow(10.0, r.root);
    const double g = solver.Gap(alpha);
    if (search != AnalysisFailure::None && solver.First() == search)
        out.failureDetail = StrengthReachedDetail(alpha, g, out.targetRatio);
    KeepSolution(eq, alpha, solver.c(), out);
    if (hint)
        *hint = HintForNextSearch(solver.FromBelow(), solver.First(), out, g, solver.Solved(),
                                  lastSlope);
    return solver.First();
}
