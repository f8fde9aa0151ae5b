// Linear solvers: pivoting, P A = L U reconstruction, Cholesky with LU fallback, removal of zero
// rows, and non-negative least squares (x >= 0 and the optimality conditions always hold).
#include "foundations/linear_solvers.h"
#include "foundations/nr_arrays.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace {

template <typename T> struct Matrix {
    int n;
    T** m;
    explicit Matrix(std::vector<std::vector<T>> rows) : n(static_cast<int>(rows.size())) {
        if constexpr (std::is_same_v<T, float>)
            m = matrix(1, n, 1, n);
        else
            m = dmatrix(1, n, 1, n);
        for (int i = 1; i <= n; ++i)
            for (int j = 1; j <= n; ++j)
                m[i][j] = rows[i - 1][j - 1];
    }
    ~Matrix() {
        if constexpr (std::is_same_v<T, float>)
            free_matrix(m, 1, n, 1, n);
        else
            free_dmatrix(m, 1, n, 1, n);
    }
};

template <typename T> std::vector<T> OneBased(std::vector<T> v) {
    v.insert(v.begin(), T(0));
    return v;
}

} // namespace

TEST(LUSolve, InterchangesRowsAndKeepsTheMatrixOnCopy) {
    Matrix<float> a({{0, 1}, {1, 0}});
    auto b = OneBased<float>({2, 3});
    LUSolve(a.m, b.data(), 2, true);
    EXPECT_FLOAT_EQ(b[1], 3.0f);
    EXPECT_FLOAT_EQ(b[2], 2.0f);
    EXPECT_EQ(a.m[1][1], 0.0f);
    EXPECT_EQ(a.m[1][2], 1.0f);

    Matrix<double> d({{4, -2, 1}, {-2, 4, -2}, {1, -2, 4}});
    auto x = OneBased<double>({11, -16, 17});
    DLUSolve(d.m, x.data(), 3, false);
    EXPECT_NEAR(x[1], 1.0, 1e-12);
    EXPECT_NEAR(x[2], -2.0, 1e-12);
    EXPECT_NEAR(x[3], 3.0, 1e-12);
}

TEST(Ludcmp, ReconstructsThePermutedMatrix) {
    std::vector<std::vector<double>> rows{{2, 1, 1, 3}, {4, -6, 0, 1}, {-2, 7, 2, 0}, {1, 1, 5, 2}};
    Matrix<double> a(rows);
    std::vector<int> indx(5);
    double d = 0;
    ASSERT_TRUE(dludcmp(a.m, 4, indx.data(), &d));
    // Apply the recorded interchanges to the original rows and compare with L U.
    auto permuted = rows;
    for (int j = 1; j <= 4; ++j)
        std::swap(permuted[j - 1], permuted[indx[j] - 1]);
    for (int i = 1; i <= 4; ++i)
        for (int j = 1; j <= 4; ++j) {
            double sum = 0;
            for (int k = 1; k <= std::min(i, j); ++k)
                sum += (k == i ? 1.0 : a.m[i][k]) * a.m[k][j];
            EXPECT_NEAR(sum, permuted[i - 1][j - 1], 1e-12) << i << "," << j;
        }
    EXPECT_TRUE(d == 1.0 || d == -1.0);
}

TEST(Ludcmp, EqualRowsDecomposeWithATinyPivot) {
    Matrix<float> a({{1, 2}, {1, 2}});
    int indx[3];
    float d = 0;
    EXPECT_TRUE(ludcmp(a.m, 2, indx, &d));
    EXPECT_EQ(a.m[2][2], 1.0e-20f);
}

TEST(Cholesky, FallsBackToLUForIndefiniteMatrices) {
    struct Case {
        const char* name;
        std::vector<std::vector<double>> a;
        std::vector<double> b, x;
        bool cholesky;
    };
    const Case cases[] = {
        {"positive definite", {{4, 2}, {2, 3}}, {8, 7}, {1.25, 1.5}, true},
        {"indefinite", {{1, 2}, {2, 1}}, {3, 3}, {1, 1}, false},
    };
    for (const Case& c : cases) {
        Matrix<double> a(c.a);
        auto b = OneBased(c.b);
        std::vector<double> x(3), p(3);
        EXPECT_EQ(DCholeskySolve(a.m, b.data(), 2, x.data(), p.data()), c.cholesky) << c.name;
        EXPECT_NEAR(x[1], c.x[0], 1e-12) << c.name;
        EXPECT_NEAR(x[2], c.x[1], 1e-12) << c.name;
        EXPECT_EQ(a.m[1][2], c.a[0][1]) << c.name; // a left unchanged
    }
    Matrix<float> f({{4, 2}, {2, 3}});
    auto b = OneBased<float>({8, 7});
    EXPECT_TRUE(CholeskySolve(f.m, b.data(), 2));
    EXPECT_NEAR(b[1], 1.25f, 1e-6f);
}

TEST(DCholeskySolveReduced, ZeroRowsGetZeroUnknowns) {
    Matrix<double> a({{2, 0, 0}, {0, 0, 0}, {0, 0, 4}});
    auto b = OneBased<double>({2, 5, 8});
    std::vector<double> x(4, -1.0), p(4);
    EXPECT_TRUE(DCholeskySolveReduced(a.m, b.data(), 3, x.data(), p.data()));
    EXPECT_DOUBLE_EQ(x[1], 1.0);
    EXPECT_DOUBLE_EQ(x[2], 0.0);
    EXPECT_DOUBLE_EQ(x[3], 2.0);
}

namespace {

// Karush-Kuhn-Tucker conditions of min |A x - y|^2, x >= 0, in normal-equation form:
// x >= 0, w = b - a x <= 0 where x = 0, w = 0 where x > 0.
void ExpectOptimal(float** a, const std::vector<float>& b, const std::vector<float>& x, int n,
                   float tol) {
    for (int i = 1; i <= n; ++i) {
        EXPECT_GE(x[i], 0.0f) << "x[" << i << "]";
        double w = b[i];
        for (int j = 1; j <= n; ++j)
            w -= static_cast<double>(a[i][j]) * x[j];
        if (x[i] > 0.0f)
            EXPECT_NEAR(w, 0.0, tol) << "gradient at passive " << i;
        else
            EXPECT_LE(w, tol) << "gradient at bound " << i;
    }
}

} // namespace

TEST(NormalEquationsNNLS, KnownSolutions) {
    struct Case {
        const char* name;
        std::vector<std::vector<float>> a;
        std::vector<float> b, x;
    };
    const Case cases[] = {
        {"identity clips the negative", {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {1, -2, 3}, {1, 0, 3}},
        {"unconstrained optimum is feasible", {{2, 1}, {1, 2}}, {4, 5}, {1, 2}},
        {"coupled, one bound active", {{2, 1}, {1, 2}}, {1, 5}, {0, 2.5}},
        {"all negative", {{1, 0}, {0, 1}}, {-1, -1}, {0, 0}},
    };
    for (const Case& c : cases) {
        Matrix<float> a(c.a);
        auto b = OneBased(c.b);
        EXPECT_TRUE(NormalEquationsNNLS(a.m, b.data(), a.n, true)) << c.name;
        for (int i = 1; i <= a.n; ++i)
            EXPECT_NEAR(b[i], c.x[i - 1], 1e-5f) << c.name << " x[" << i << "]";
    }
}

// A singular passive block used to make the solver return the unconstrained LU solution with
// negative entries; now every result satisfies x >= 0 and the optimality conditions.
TEST(NormalEquationsNNLS, StaysFeasibleOnSingularAndRandomSystems) {
    {
        // Columns 1 and 2 of A identical: a is singular, the unconstrained solution is not unique.
        Matrix<float> a({{1, 1, 0}, {1, 1, 0}, {0, 0, 1}});
        auto b = OneBased<float>({2, 2, -1});
        auto original = b;
        NormalEquationsNNLS(a.m, b.data(), 3, false);
        ExpectOptimal(a.m, original, b, 3, 1e-4f);
    }
    const unsigned seed = 20261206;
    std::mt19937 rng(seed);
    std::normal_distribution<float> g(0.0f, 1.0f);
    for (int trial = 0; trial < 20; ++trial) {
        const int n = 8, rows = 12;
        std::vector<std::vector<float>> A(rows, std::vector<float>(n));
        std::vector<float> y(rows);
        for (auto& r : A)
            for (float& v : r)
                v = g(rng);
        for (float& v : y)
            v = g(rng);
        std::vector<std::vector<float>> ata(n, std::vector<float>(n, 0.0f));
        std::vector<float> aty(n + 1, 0.0f);
        for (int i = 0; i < n; ++i) {
            for (int j = 0; j < n; ++j)
                for (int r = 0; r < rows; ++r)
                    ata[i][j] += A[r][i] * A[r][j];
            for (int r = 0; r < rows; ++r)
                aty[i + 1] += A[r][i] * y[r];
        }
        Matrix<float> a(ata);
        auto b = aty;
        EXPECT_TRUE(NormalEquationsNNLS(a.m, b.data(), n, true))
            << "seed " << seed << " trial " << trial;
        ExpectOptimal(a.m, aty, b, n, 1e-3f);
    }
}

TEST(NNLS, FitsNonNegativeAmplitudesOfADesignMatrix) {
    // y = 2 * column 1 + 0 * column 2 + 1 * column 3 exactly; column 2 would take a negative
    // amplitude in an unconstrained fit of the perturbed data.
    const int rows = 5, n = 3;
    double** A = dmatrix(1, rows, 1, n);
    const double cols[3][5] = {{1, 1, 1, 1, 1}, {0, 1, 2, 3, 4}, {0, 1, 4, 9, 16}};
    for (int r = 1; r <= rows; ++r)
        for (int j = 1; j <= n; ++j)
            A[r][j] = cols[j - 1][r - 1];
    std::vector<double> y(rows + 1), x(n + 1);
    for (int r = 1; r <= rows; ++r)
        y[r] = 2.0 * A[r][1] + 1.0 * A[r][3];
    EXPECT_TRUE(NNLS(A, rows, n, y.data(), x.data()));
    EXPECT_NEAR(x[1], 2.0, 1e-9);
    EXPECT_NEAR(x[2], 0.0, 1e-9);
    EXPECT_NEAR(x[3], 1.0, 1e-9);
    // A falling line: the slope is held at 0 and the level is the mean.
    for (int r = 1; r <= rows; ++r)
        y[r] = 4.0 - 1.0 * A[r][2];
    EXPECT_TRUE(NNLS(A, rows, 2, y.data(), x.data()));
    EXPECT_NEAR(x[1], 2.0, 1e-9);
    EXPECT_EQ(x[2], 0.0);
    free_dmatrix(A, 1, rows, 1, n);
}

TEST(NormalEquationsNNLS, RecoversAmplitudesOfOverlappingBoundaries) {
    // Data from two boundary kernels among 100 with noise 0.01: the solution puts the mass at
    // (or next to) the two true positions.
    const unsigned seed = 11;
    const int n = 100, rows = 300;
    std::mt19937 rng(seed);
    std::normal_distribution<float> noise(0.0f, 0.01f);
    std::vector<float> k(rows * n), y(rows);
    for (int r = 0; r < rows; ++r)
        for (int j = 0; j < n; ++j)
            k[r * n + j] = 0.5f * (1.0f + std::erf((r - 3.0f * j) / 12.0f));
    for (int r = 0; r < rows; ++r)
        y[r] = 0.4f * k[r * n + 20] + 0.7f * k[r * n + 55] + noise(rng);
    std::vector<std::vector<float>> ata(n, std::vector<float>(n));
    std::vector<float> b(n + 1);
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            double s = 0;
            for (int r = 0; r < rows; ++r)
                s += k[r * n + i] * k[r * n + j];
            ata[i][j] = static_cast<float>(s);
        }
        double s = 0;
        for (int r = 0; r < rows; ++r)
            s += k[r * n + i] * y[r];
        b[i + 1] = static_cast<float>(s);
    }
    Matrix<float> a(ata);
    ASSERT_TRUE(NormalEquationsNNLS(a.m, b.data(), n, true)) << "seed " << seed;
    auto near = [&](int centre) { return b[centre] + b[centre - 1] + b[centre + 1]; };
    EXPECT_NEAR(near(21), 0.4f, 0.01f) << "seed " << seed;
    EXPECT_NEAR(near(56), 0.7f, 0.01f) << "seed " << seed;
    float total = 0.0f;
    for (int i = 1; i <= n; ++i)
        total += b[i];
    EXPECT_NEAR(total, 1.1f, 0.02f) << "seed " << seed;
}
