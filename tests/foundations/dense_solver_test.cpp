// The dense solver against explicit dense solves: the non-negative solution of noise-projected
// normal equations over the four noise switch combinations and three scales of data and kernel,
// and the Cholesky subset solve with and without a ridge.
#include "foundations/dense_solver.h"
#include "foundations/linear_solvers.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <vector>

namespace {

using Column = std::vector<double>;

// Unconstrained least squares of y on the columns by their normal equations (LU), 0-based.
std::vector<double> DenseLeastSquares(const std::vector<Column>& cols, const Column& y) {
    const int m = static_cast<int>(cols.size());
    CDenseMatrix g(m);
    std::vector<double> h(m + 1);
    for (int i = 1; i <= m; ++i) {
        for (std::size_t r = 0; r < y.size(); ++r)
            h[i] += cols[i - 1][r] * y[r];
        for (int j = 1; j <= m; ++j)
            for (std::size_t r = 0; r < y.size(); ++r)
                g(i, j) += cols[i - 1][r] * cols[j - 1][r];
    }
    DLUSolve(g.RowPointers().data(), h.data(), m, false);
    return std::vector<double>(h.begin() + 1, h.end());
}

// y minus its least-squares fit by the columns (the projection onto their complement).
Column Residual(const std::vector<Column>& cols, const Column& y) {
    Column r = y;
    if (cols.empty())
        return r;
    const std::vector<double> a = DenseLeastSquares(cols, y);
    for (std::size_t k = 0; k < cols.size(); ++k)
        for (std::size_t i = 0; i < r.size(); ++i)
            r[i] -= a[k] * cols[k][i];
    return r;
}

double Dot(const Column& x, const Column& y) {
    double s = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i)
        s += x[i] * y[i];
    return s;
}

// Kernel columns and data over scans x points with time-invariant (per point) and radially
// invariant (per scan) offsets, and the indicator columns of the noise that is switched on (the
// last scan's left out when both are on: the pair shares the constant).
struct NoisyProblem {
    int scans = 6, points = 40, n = 8;
    std::vector<Column> kernel, noise;
    Column y;
    NoisyProblem(unsigned seed, bool ti, bool ri, double scale) {
        std::mt19937 rng(seed);
        std::uniform_real_distribution<double> u(0.0, 1.0);
        std::normal_distribution<double> g(0.0, 0.01);
        const int rows = scans * points;
        kernel.assign(n, Column(rows));
        for (Column& c : kernel)
            for (double& v : c)
                v = u(rng);
        const double truth[] = {0.6, 0.0, 0.3, 0.0, 0.9, 0.2, 0.0, 0.4};
        y.assign(rows, 0.0);
        for (int s = 0; s < scans; ++s)
            for (int i = 0; i < points; ++i) {
                double v = g(rng) + (ti ? 0.2 * std::sin(0.3 * i) : 0.0) +
                           (ri ? 0.3 * std::cos(1.1 * s) : 0.0);
                for (int p = 0; p < n; ++p)
                    v += truth[p] * kernel[p][s * points + i];
                y[s * points + i] = v;
            }
        for (Column& c : kernel)
            for (double& v : c)
                v *= scale;
        for (double& v : y)
            v *= scale;
        if (ti)
            for (int i = 0; i < points; ++i) {
                Column c(rows, 0.0);
                for (int s = 0; s < scans; ++s)
                    c[s * points + i] = 1.0;
                noise.push_back(c);
            }
        if (ri)
            for (int s = 0; s < scans - (ti ? 1 : 0); ++s) {
                Column c(rows, 0.0);
                for (int i = 0; i < points; ++i)
                    c[s * points + i] = 1.0;
                noise.push_back(c);
            }
    }
};

} // namespace

TEST(DenseSolver, NonNegativeSolutionMatchesExplicitSolveAtItsActiveSet) {
    struct Case {
        bool ti, ri;
        double scale;
    };
    std::vector<Case> cases;
    for (int mask = 0; mask < 4; ++mask)
        for (double scale : {1.0, 1e-12, 1e12})
            cases.push_back({(mask & 1) != 0, (mask & 2) != 0, scale});
    const unsigned seed = 20261207;
    std::vector<std::vector<double>> unscaled(4);
    for (const Case& c : cases) {
        NoisyProblem pr(seed, c.ti, c.ri, c.scale);
        const int n = pr.n;
        // Normal equations of the projected columns and data.
        std::vector<Column> pk;
        for (const Column& k : pr.kernel)
            pk.push_back(Residual(pr.noise, k));
        const Column py = Residual(pr.noise, pr.y);
        CDenseMatrix A(n);
        std::vector<double> b(n + 1);
        for (int p = 1; p <= n; ++p) {
            b[p] = Dot(pk[p - 1], py);
            for (int q = 1; q <= n; ++q)
                A(p, q) = Dot(pk[p - 1], pk[q - 1]);
        }
        std::vector<double> x;
        const NnlsResult r = SolveNonNegative(A, b, x);
        const std::string what = std::string("TI ") + (c.ti ? "on" : "off") + ", RI " +
                                 (c.ri ? "on" : "off") + ", scale " + std::to_string(c.scale) +
                                 ", seed " + std::to_string(seed);
        ASSERT_EQ(r.failure, AnalysisFailure::None) << what;

        // The explicit solve over the variables it kept and every noise column.
        std::vector<Column> cols;
        std::vector<int> kept;
        for (int p = 1; p <= n; ++p)
            if (x[p] > 0.0) {
                kept.push_back(p);
                cols.push_back(pr.kernel[p - 1]);
            }
        ASSERT_GE(kept.size(), 3u) << what;
        cols.insert(cols.end(), pr.noise.begin(), pr.noise.end());
        const std::vector<double> dense = DenseLeastSquares(cols, pr.y);
        for (std::size_t k = 0; k < kept.size(); ++k)
            EXPECT_NEAR(x[kept[k]], dense[k], 1e-9) << what << ", x[" << kept[k] << "]";
        // The variables left at zero would only make the fit worse (gradient <= 0).
        for (int p = 1; p <= n; ++p) {
            double w = b[p];
            for (int q = 1; q <= n; ++q)
                w -= A(p, q) * x[q];
            if (x[p] == 0.0) {
                EXPECT_LE(w, 1e-10 * std::fabs(b[p]) + 1e-12 * A(p, p)) << what << ", p " << p;
            }
        }
        // The same solution whatever the scale of data and kernel.
        auto& reference = unscaled[(c.ti ? 1 : 0) + (c.ri ? 2 : 0)];
        if (c.scale == 1.0)
            reference = x;
        for (int p = 1; p <= n; ++p)
            EXPECT_NEAR(x[p], reference[p], 1e-10) << what << ", x[" << p << "] against scale 1";

        // The Cholesky subset solve on the kept variables, with and without a ridge, against LU.
        std::vector<double> factor;
        for (double ridge : {0.0, 1e-3 * A(1, 1)}) {
            std::vector<double> z(n + 1, -7.0);
            ASSERT_TRUE(CholeskySolveSubset(A, b, kept, ridge, z, factor)) << what;
            const int m = static_cast<int>(kept.size());
            CDenseMatrix sub(m);
            std::vector<double> rhs(m + 1);
            for (int i = 1; i <= m; ++i) {
                rhs[i] = b[kept[i - 1]];
                for (int j = 1; j <= m; ++j)
                    sub(i, j) = A(kept[i - 1], kept[j - 1]) + (i == j ? ridge : 0.0);
            }
            DLUSolve(sub.RowPointers().data(), rhs.data(), m, false);
            for (int i = 1; i <= m; ++i)
                EXPECT_NEAR(z[kept[i - 1]], rhs[i], 1e-9 * std::fabs(rhs[i]) + 1e-12)
                    << what << ", ridge " << ridge;
            for (int p = 1; p <= n; ++p)
                if (x[p] == 0.0) {
                    EXPECT_EQ(z[p], -7.0) << "outside the subset z is untouched";
                }
        }
    }
}

// The factor takes the rows below the diagonal in groups; every element must still be the sum of
// the textbook loop in the order asked, bit for bit, for sizes around the groups' widths, and a
// matrix that is not positive definite is refused.
TEST(DenseSolver, CholeskyFactorKeepsTheSumOrderOfEveryElement) {
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    for (CholeskySumOrder order :
         {CholeskySumOrder::FromDiagonal, CholeskySumOrder::FromFirstColumn})
        for (int n = 1; n <= 21; ++n) {
            CDenseMatrix B(n), A(n);
            for (int i = 1; i <= n; ++i)
                for (int j = 1; j <= n; ++j)
                    B(i, j) = u(rng);
            for (int i = 1; i <= n; ++i)
                for (int j = 1; j <= n; ++j) {
                    for (int k = 1; k <= n; ++k)
                        A(i, j) += B(i, k) * B(j, k);
                    A(i, j) += i == j ? 0.1 : 0.0;
                }
            CDenseMatrix ref = A, got = A;
            std::vector<double> refDiag(n + 1), gotDiag(n + 1);
            for (int i = 1; i <= n; ++i)
                for (int j = i; j <= n; ++j) {
                    double sum = ref(i, j);
                    if (order == CholeskySumOrder::FromDiagonal)
                        for (int k = i - 1; k >= 1; --k)
                            sum -= ref(i, k) * ref(j, k);
                    else
                        for (int k = 1; k < i; ++k)
                            sum -= ref(i, k) * ref(j, k);
                    if (i == j)
                        refDiag[i] = std::sqrt(sum);
                    else
                        ref(j, i) = sum / refDiag[i];
                }
            std::vector<double*> rows = got.RowPointers();
            ASSERT_TRUE(CholeskyFactor(rows.data(), n, gotDiag.data(), order)) << "n " << n;
            EXPECT_EQ(gotDiag, refDiag) << "n " << n;
            EXPECT_TRUE(got == ref) << "n " << n;
            if (n >= 2) {
                CDenseMatrix bad = A;
                bad(n, n) = -1.0;
                std::vector<double*> badRows = bad.RowPointers();
                EXPECT_FALSE(CholeskyFactor(badRows.data(), n, gotDiag.data(), order)) << n;
            }
        }
}

// The subset solve holds its factor by columns and updates them a register at a time; it must
// give the bits of CholeskyFactor and CholeskySubstitute on the gathered subset (first column
// first), with and without a ridge, for every subset size up to past two passes of 32 rows (the
// columns go in pairs with AVX-512: odd and even counts, every masked rest), and refuse a subset
// that is not positive definite, whether the bad pivot is the first or the second of a pair,
// leaving z untouched.
TEST(DenseSolver, SubsetSolveGivesTheBitsOfTheRowWiseFactor) {
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    const int n = 80;
    CDenseMatrix A(n);
    std::vector<std::vector<double>> B(n + 4, std::vector<double>(n + 1));
    for (auto& row : B)
        for (int p = 1; p <= n; ++p)
            row[p] = u(rng);
    std::vector<double> b(n + 1);
    for (int p = 1; p <= n; ++p) {
        b[p] = u(rng);
        for (int q = 1; q <= n; ++q)
            for (const auto& row : B)
                A(p, q) += row[p] * row[q];
    }
    // One work space for every solve, its entries stale from the solve before (NaN at first).
    std::vector<double> factor(100, std::numeric_limits<double>::quiet_NaN());
    for (int m = 1; m <= 72; ++m)
        for (double ridge : {0.0, 0.25}) {
            std::vector<int> idx; // every other column while there are enough, else each
            const int step = m <= n / 2 ? 2 : 1;
            for (int p = step; p <= n && static_cast<int>(idx.size()) < m; p += step)
                idx.push_back(p);
            CDenseMatrix work(m);
            std::vector<double> diag(m + 1), x(m + 1);
            for (int i = 1; i <= m; ++i) {
                x[i] = b[idx[i - 1]];
                work(i, i) = A(idx[i - 1], idx[i - 1]) + ridge;
                for (int j = i + 1; j <= m; ++j)
                    work(i, j) = A(idx[j - 1], idx[i - 1]);
            }
            std::vector<double*> rows = work.RowPointers();
            ASSERT_TRUE(
                CholeskyFactor(rows.data(), m, diag.data(), CholeskySumOrder::FromFirstColumn));
            CholeskySubstitute(rows.data(), m, diag.data(), x.data(), x.data(),
                               CholeskySumOrder::FromFirstColumn);
            std::vector<double> z(n + 1, -7.0);
            ASSERT_TRUE(CholeskySolveSubset(A, b, idx, ridge, z, factor)) << m;
            for (int i = 1; i <= m; ++i)
                EXPECT_EQ(z[idx[i - 1]], x[i]) << "m " << m << ", ridge " << ridge << ", " << i;
        }
    CDenseMatrix bad = A;
    bad(9, 9) = -1.0;
    for (const std::vector<int>& subset :
         {std::vector<int>{1, 5, 9, 12}, std::vector<int>{1, 9, 12}, std::vector<int>{9}}) {
        std::vector<double> z(n + 1, -7.0);
        EXPECT_FALSE(CholeskySolveSubset(bad, b, subset, 0.0, z, factor)) << subset.size();
        EXPECT_EQ(z, std::vector<double>(n + 1, -7.0)) << subset.size();
    }
    // The pivot that is not positive at every place of a subset of eleven (two sets of four
    // columns, a pair and a single one): refused, the solution left as it was.
    for (int at = 0; at < 11; ++at) {
        std::vector<int> subset; // 1, 4, 7, ... (never 9) with 9 put at its place
        for (int p = 1; static_cast<int>(subset.size()) < 10; p += 3)
            subset.push_back(p);
        subset.insert(subset.begin() + at, 9);
        std::vector<double> z(n + 1, -7.0);
        EXPECT_FALSE(CholeskySolveSubset(bad, b, subset, 0.0, z, factor)) << at;
        EXPECT_EQ(z, std::vector<double>(n + 1, -7.0)) << at;
    }
}
