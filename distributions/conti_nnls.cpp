// The active-set solution of Lawson and Hanson, on normal equations: the passive set grows by
// the variable with the largest positive gradient, and each passive solve that leaves the
// feasible region is cut back to its boundary. Checked against the KKT conditions and the float
// solver of the foundations on random problems in the distribution tests.
#include "distributions/conti_nnls.h"

#include "distributions/conti_errors.h"

#include <algorithm>
#include <cmath>

bool ContiSubsystemSolve(const ContiMatrix& A, const std::vector<double>& b,
                         const std::vector<int>& idx, double ridge, std::vector<double>& z) {
    const int m = static_cast<int>(idx.size());
    std::vector<double> L(static_cast<std::size_t>(m) * m, 0.0);
    auto at = [&](int i, int j) -> double& { return L[static_cast<std::size_t>(i) * m + j]; };
    for (int i = 0; i < m; ++i)
        for (int j = 0; j <= i; ++j)
            at(i, j) = A(idx[i], idx[j]) + (i == j ? ridge : 0.0);
    for (int j = 0; j < m; ++j) {
        double d = at(j, j);
        for (int k = 0; k < j; ++k)
            d -= at(j, k) * at(j, k);
        if (!(d > 0.0) || !std::isfinite(d))
            return false;
        d = std::sqrt(d);
        at(j, j) = d;
        for (int i = j + 1; i < m; ++i) {
            double s = at(i, j);
            for (int k = 0; k < j; ++k)
                s -= at(i, k) * at(j, k);
            at(i, j) = s / d;
        }
    }
    std::vector<double> y(m);
    for (int i = 0; i < m; ++i) {
        double s = b[idx[i]];
        for (int k = 0; k < i; ++k)
            s -= at(i, k) * y[k];
        y[i] = s / at(i, i);
    }
    for (int i = m - 1; i >= 0; --i) {
        double s = y[i];
        for (int k = i + 1; k < m; ++k)
            s -= at(k, i) * y[k];
        y[i] = s / at(i, i);
    }
    for (int i = 0; i < m; ++i)
        z[idx[i]] = y[i];
    return true;
}

int ContiNNLS(const ContiMatrix& A, const std::vector<double>& b, std::vector<double>& x) {
    const int n = A.N();
    x.assign(n + 1, 0.0);
    double bMax = 0.0, trace = 0.0;
    for (int p = 1; p <= n; ++p) {
        bMax = std::max(bMax, std::fabs(b[p]));
        trace += A(p, p);
    }
    if (n == 0 || bMax == 0.0)
        return kContiOk;
    const double tol = 1e-10 * bMax;
    const int cap = 3 * n;
    int code = kContiOk;
    double ridge = 0.0;
    std::vector<char> passive(n + 1, 0), skipped(n + 1, 0);
    std::vector<double> w(n + 1), z(n + 1);
    std::vector<int> idx;
    auto gradient = [&] {
        for (int p = 1; p <= n; ++p) {
            double s = b[p];
            for (int q = 1; q <= n; ++q)
                if (x[q] != 0.0)
                    s -= A(p, q) * x[q];
            w[p] = s;
        }
    };
    auto solvePassive = [&]() -> bool {
        idx.clear();
        for (int p = 1; p <= n; ++p)
            if (passive[p])
                idx.push_back(p);
        if (ContiSubsystemSolve(A, b, idx, ridge, z))
            return true;
        // Not positive definite: said once, then solved with a small ridge.
        code = kNnlsNotPositiveDefinite;
        if (ridge == 0.0)
            ridge = 1e-12 * trace / n + 1e-300;
        return ContiSubsystemSolve(A, b, idx, ridge, z);
    };
    gradient();
    for (int outer = 0; outer < cap; ++outer) {
        int t = 0;
        double best = tol;
        for (int p = 1; p <= n; ++p)
            if (!passive[p] && !skipped[p] && w[p] > best) {
                best = w[p];
                t = p;
            }
        if (t == 0)
            return code;
        passive[t] = 1;
        for (int inner = 0;; ++inner) {
            if (inner >= cap)
                return code == kContiOk ? kNnlsIterations : code;
            if (!solvePassive())
                return kNnlsNotPositiveDefinite;
            // A variable whose own solve is not positive cannot enter: leave it out until the
            // solution moves.
            if (inner == 0 && !(z[t] > 0.0)) {
                passive[t] = 0;
                skipped[t] = 1;
                break;
            }
            double alpha = 2.0;
            int blocking = 0;
            for (int p : idx)
                if (!(z[p] > 0.0)) {
                    const double a = x[p] / (x[p] - z[p]);
                    if (a < alpha) {
                        alpha = a;
                        blocking = p;
                    }
                }
            if (blocking == 0) {
                for (int p : idx)
                    x[p] = z[p];
                std::fill(skipped.begin(), skipped.end(), 0);
                break;
            }
            // Step to the boundary; the blocking variable and any that reached 0 leave.
            for (int p : idx) {
                x[p] += alpha * (z[p] - x[p]);
                if (p == blocking || x[p] <= 0.0) {
                    x[p] = 0.0;
                    passive[p] = 0;
                }
            }
        }
        gradient();
    }
    return code == kContiOk ? kNnlsIterations : code;
}
