// The columns of a distribution fit that the data cannot tell apart from nothing, from a
// neighbour or from the noise terms, held at zero, and the non-negative solution over the others.
#include "distributions/conti_nnls.h"
#include "distributions/conti_normal_equations.h"
#include "distributions/conti_slow_holds.h"
#include "distributions/made_ahead.h"
#include "foundations/statistical_tests.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

bool ContiNormalEquations::AnyHeld() const {
    return std::find(held.begin(), held.end(), 1) != held.end();
}

namespace {

// Column p at amplitude c adds c^2 rawNorm[p] to the data before the noise terms are eliminated
// and c^2 A(p, p) after: only the latter can be told from the noise terms. No amplitude makes a
// column carry more than the data hold, c^2 rawNorm[p] <= rawYy, so the most the column can
// change the squared residual by (alone, the other columns left as they are) is
// rawYy A(p, p) / rawNorm[p]. Below the variance of one data value, a change of one in
// chi-square at the column's largest amplitude, no amplitude of it differs from zero by a
// standard deviation: the data cannot tell it, and only the regularization would set it.
double OwnSignalBound(const ContiNormalEquations& eq, int p) {
    return eq.rawYy * (eq.A(p, p) / eq.rawNorm[p]);
}

// The variance of one data value: the least squares chi-square of the free columns
// (non-negative) over the nu degrees of freedom; 0 when that solution failed (nothing is held on
// it: the solve that follows reports the failure).
double NoiseVarianceOf(const ContiNormalEquations& eq, double nu) {
    std::vector<double> x;
    if (ContiNNLSOnFreeColumns(eq, eq.A, x) != AnalysisFailure::None)
        return 0.0;
    return std::max(0.0, eq.ChiSquare(x)) / nu;
}

// The degrees of freedom of a fit with noise terms eliminated; 0 without noise terms or data.
double DegreesOfFreedomWithNoise(const ContiNormalEquations& eq) {
    if (eq.noiseParameters == 0 || !(eq.rawYy > 0.0) || !std::isfinite(eq.rawYy))
        return 0.0;
    const double nu = eq.values - eq.N() - eq.noiseParameters;
    return nu >= 1.0 ? nu : 0.0;
}

// Holds the free columns whose own signal lies below the noise; returns how many.
int HoldColumnsBelowTheNoise(ContiNormalEquations& eq) {
    const double nu = DegreesOfFreedomWithNoise(eq);
    if (nu == 0.0)
        return 0;
    // The chi-square of the least squares solution is at most yy: columns above yy / nu are
    // kept without it, and the solve is made only when a column is below that.
    std::vector<int> candidates;
    for (int p = 1; p <= eq.N(); ++p)
        if (!eq.held[p] && eq.rawNorm[p] > 0.0 && OwnSignalBound(eq, p) < eq.yy / nu)
            candidates.push_back(p);
    if (candidates.empty())
        return 0;
    const double variance = NoiseVarianceOf(eq, nu);
    int held = 0;
    for (int p : candidates)
        if (OwnSignalBound(eq, p) < variance) {
            eq.held[p] = 1;
            ++held;
        }
    return held;
}

} // namespace

namespace {

// The columns 1..n not held by `held` ([1..n], or empty for none), in order.
std::vector<int> FreeColumnsOf(const std::vector<char>& held, int n) {
    std::vector<int> idx;
    for (int p = 1; p <= n; ++p)
        if (held.empty() || !held[p])
            idx.push_back(p);
    return idx;
}

// ContiNNLSOnFreeColumns of eq's n columns and b with the columns `held` held; abandoned (false)
// where abandon says so (SolveNonNegative), else true with the failure in code.
bool NNLSWithHeld(const CDenseMatrix& A, const std::vector<double>& b,
                  const std::vector<char>& held, int n, std::vector<double>& x,
                  AnalysisFailure& code, const std::function<bool()>& abandon = {}) {
    NnlsResult r;
    if (std::find(held.begin(), held.end(), 1) == held.end()) {
        r = SolveNonNegative(A, b, x, abandon);
    } else {
        const std::vector<int> idx = FreeColumnsOf(held, n);
        const int m = static_cast<int>(idx.size());
        CDenseMatrix sub(m);
        std::vector<double> subB(m + 1), subX;
        for (int i = 1; i <= m; ++i) {
            subB[i] = b[idx[i - 1]];
            for (int j = 1; j <= m; ++j)
                sub(i, j) = A(idx[i - 1], idx[j - 1]);
        }
        r = SolveNonNegative(sub, subB, subX, abandon);
        x.assign(n + 1, 0.0);
        for (int i = 1; i <= m; ++i)
            x[idx[i - 1]] = subX[i];
    }
    code = r.failure;
    return !r.abandoned;
}

} // namespace

std::vector<int> ContiFreeColumns(const ContiNormalEquations& eq) {
    return FreeColumnsOf(eq.held, eq.N());
}

AnalysisFailure ContiNNLSOnFreeColumns(const ContiNormalEquations& eq, const CDenseMatrix& A,
                                       std::vector<double>& x) {
    AnalysisFailure code = AnalysisFailure::None;
    NNLSWithHeld(A, eq.b, eq.held, eq.N(), x, code);
    return code;
}

int HoldColumnsWithoutOwnSignal(ContiNormalEquations& eq) {
    const int n = eq.N();
    if (static_cast<int>(eq.held.size()) != n + 1 || static_cast<int>(eq.rawNorm.size()) != n + 1)
        return 0;
    double largest = 0.0;
    for (int p = 1; p <= n; ++p)
        if (std::isfinite(eq.rawNorm[p]))
            largest = std::max(largest, eq.rawNorm[p]);
    int newlyHeld = 0;
    auto hold = [&](int p) {
        eq.held[p] = 1;
        ++newlyHeld;
    };
    for (int p = 1; p <= n; ++p)
        // A column that is not finite is a failed solution: left for the solution's check.
        if (!eq.held[p] && eq.rawNorm[p] <= kHeldColumnRatio * largest)
            hold(p);
    int previous = 0; // the last free distribution column
    for (int p = 1; p <= eq.DistributionColumns(); ++p) {
        if (eq.held[p])
            continue;
        if (previous > 0) {
            const double app = eq.A(p, p), aqq = eq.A(previous, previous);
            const double difference = app + aqq - 2.0 * eq.A(p, previous);
            if (difference <= kHeldColumnRatio * std::max(app, aqq)) {
                hold(p);
                continue;
            }
        }
        previous = p;
    }
    return newlyHeld + HoldColumnsBelowTheNoise(eq);
}

namespace {

// The non-negative solution with the free columns up to q held, and its chi-square.
struct SolutionWithSlowHeld {
    bool solved = false;
    double chiSquare = 0.0;
    std::vector<double> x;
};

// The first free distribution column with an amplitude in x (past the distribution's columns for
// none).
int SlowestAmplitude(const ContiNormalEquations& eq, const std::vector<double>& x) {
    int p = 1;
    while (p <= eq.DistributionColumns() && (eq.held[p] || !(x[p] > 0.0)))
        ++p;
    return p;
}

} // namespace

int HoldSlowAmplitudesWithinTheNoise(ContiNormalEquations& eq, double P) {
    return HoldSlowAmplitudesWithinTheNoise(eq, P, 1, nullptr);
}

// Once the amplitude at p is dropped, every column up to p is held, and the next amplitude to drop
// is most often at p + 1: the solutions with the columns up to the next free ones held are made
// ahead on the kept threads, each alone (the same bits on any thread).
int HoldSlowAmplitudesWithinTheNoise(ContiNormalEquations& eq, double P, int threads,
                                     std::vector<double>* solution) {
    const double nu = DegreesOfFreedomWithNoise(eq);
    std::vector<double> x;
    if (solution)
        solution->clear();
    if (!(P > 0.5 && P < 1.0) || nu == 0.0 ||
        ContiNNLSOnFreeColumns(eq, eq.A, x) != AnalysisFailure::None)
        return 0;
    const double best = eq.ChiSquare(x);
    const double variance = std::max(0.0, best) / nu;
    const std::vector<char> start = eq.held;
    const int nd = eq.DistributionColumns();
    std::vector<SolutionWithSlowHeld> without[2];
    for (std::vector<SolutionWithSlowHeld>& place : without)
        place.resize(std::size_t(nd) + 1);
    auto make = [&](int q, int place, const std::function<bool()>& abandon) {
        if (start[q])
            return;
        std::vector<char> heldUpTo = start;
        std::fill(heldUpTo.begin() + 1, heldUpTo.begin() + q + 1, 1);
        SolutionWithSlowHeld& s = without[place][std::size_t(q)];
        AnalysisFailure code = AnalysisFailure::None;
        if (NNLSWithHeld(eq.A, eq.b, heldUpTo, eq.N(), s.x, code, abandon)) {
            s.solved = code == AnalysisFailure::None;
            if (s.solved)
                s.chiSquare = eq.ChiSquare(s.x);
        }
    };
    int held = 0, removed = 0; // columns held, and how many of them had an amplitude
    auto walk = [&](const std::function<int(int)>& ask) {
        for (;;) {
            const int p = SlowestAmplitude(eq, x);
            if (p > nd)
                return;
            std::vector<int> newly;
            int amplitudes = 0;
            for (int q = 1; q <= p; ++q)
                if (!eq.held[q]) {
                    eq.held[q] = 1;
                    newly.push_back(q);
                    amplitudes += x[q] > 0.0 ? 1 : 0;
                }
            // The rise of chi-square by the amplitudes dropped so far, against the F-test at P
            // with as many parameters.
            SolutionWithSlowHeld& s = without[ask(p)][std::size_t(p)];
            const double rise = s.solved ? s.chiSquare - best : HUGE_VAL;
            const double k = removed + amplitudes;
            if (!(rise < k * FCriticalRatio(P, k, nu) * variance)) {
                for (int q : newly)
                    eq.held[q] = 0;
                return;
            }
            x = std::move(s.x);
            held += static_cast<int>(newly.size());
            removed += amplitudes;
        }
    };
    const int helpers = std::clamp(threads, 1, std::max(nd, 1)) - 1;
    WalkWithItemsMadeAhead(SlowestAmplitude(eq, x), nd + 1, helpers, helpers, make, walk);
    if (held > 0)
        eq.chiSquareBeforeSlowHolds = best;
    if (solution)
        *solution = std::move(x);
    return held;
}
