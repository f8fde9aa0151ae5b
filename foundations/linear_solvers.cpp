// LU and Cholesky decompositions and the solvers built on them.
#include "foundations/linear_solvers.h"

#include "foundations/analysis_failure.h"
#include "foundations/dense_solver.h"
#include "foundations/nr_arrays.h"
#include "foundations/show_error.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string>
#include <vector>

namespace {

template <typename T> struct Tiny;
template <> struct Tiny<float> { static constexpr float value = 1.0e-20f; };
template <> struct Tiny<double> { static constexpr double value = 1.0e-100; };

// Crout's method with partial pivoting on implicitly scaled rows: rows are compared as if each
// had largest element 1, so the pivot choice does not depend on row scaling. The last of equal
// pivot candidates wins. Checked by reconstructing P A = L U in the solver tests.
template <typename T> bool Decompose(T** a, int n, int* indx, T* d) {
    std::vector<T> vv(n + 1);
    *d = 1;
    for (int i = 1; i <= n; ++i) {
        T big = 0;
        for (int j = 1; j <= n; ++j)
            big = std::max(big, static_cast<T>(std::fabs(a[i][j])));
        if (big == 0) {
            nrerror("Singular matrix in routine ludcmp");
            return false;
        }
        vv[i] = 1 / big;
    }
    for (int j = 1; j <= n; ++j) {
        for (int i = 1; i < j; ++i) {
            T sum = a[i][j];
            for (int k = 1; k < i; ++k)
                sum -= a[i][k] * a[k][j];
            a[i][j] = sum;
        }
        T big = 0;
        int imax = j;
        for (int i = j; i <= n; ++i) {
            T sum = a[i][j];
            for (int k = 1; k < j; ++k)
                sum -= a[i][k] * a[k][j];
            a[i][j] = sum;
            T dum = vv[i] * static_cast<T>(std::fabs(sum));
            if (dum >= big) {
                big = dum;
                imax = i;
            }
        }
        if (j != imax) {
            for (int k = 1; k <= n; ++k)
                std::swap(a[imax][k], a[j][k]);
            *d = -*d;
            vv[imax] = vv[j];
        }
        indx[j] = imax;
        if (a[j][j] == 0)
            a[j][j] = Tiny<T>::value;
        if (j != n) {
            T dum = 1 / a[j][j];
            for (int i = j + 1; i <= n; ++i)
                a[i][j] *= dum;
        }
    }
    return true;
}

// Forward substitution in pivot order, starting at the first non-zero element of b, then back
// substitution.
template <typename T> void BackSubstitute(T** a, int n, const int* indx, T* b) {
    int ii = 0;
    for (int i = 1; i <= n; ++i) {
        int ip = indx[i];
        T sum = b[ip];
        b[ip] = b[i];
        if (ii) {
            for (int j = ii; j < i; ++j)
                sum -= a[i][j] * b[j];
        } else if (sum != 0) {
            ii = i;
        }
        b[i] = sum;
    }
    for (int i = n; i >= 1; --i) {
        T sum = b[i];
        for (int j = i + 1; j <= n; ++j)
            sum -= a[i][j] * b[j];
        b[i] = sum / a[i][i];
    }
}

template <typename T> void CopyMatrix(T** from, T** to, int n) {
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j)
            to[i][j] = from[i][j];
}

} // namespace

bool ludcmp(float** a, int n, int* indx, float* d) {
    return Decompose(a, n, indx, d);
}
bool dludcmp(double** a, int n, int* indx, double* d) {
    return Decompose(a, n, indx, d);
}
void lubksb(float** a, int n, const int* indx, float* b) {
    BackSubstitute(a, n, indx, b);
}
void dlubksb(double** a, int n, const int* indx, double* b) {
    BackSubstitute(a, n, indx, b);
}

namespace {

// LU solve on a copy (onCopy) or in place; a zero row leaves b as it was.
template <typename T> void LUSolveT(T** a, T* b, int n, bool onCopy) {
    std::vector<T> copy;
    std::vector<T*> rows;
    T** work = a;
    if (onCopy) {
        copy.assign(static_cast<std::size_t>(n + 1) * (n + 1), T(0));
        rows.assign(n + 1, nullptr);
        for (int i = 1; i <= n; ++i)
            rows[i] = copy.data() + static_cast<std::size_t>(i) * (n + 1);
        work = rows.data();
        CopyMatrix(a, work, n);
    }
    std::vector<int> indx(n + 1);
    T d = 0;
    if (Decompose(work, n, indx.data(), &d))
        BackSubstitute(work, n, indx.data(), b);
}

} // namespace

void LUSolve(float** a, float* b, int n, bool onCopy) {
    LUSolveT(a, b, n, onCopy);
}

void DLUSolve(double** a, double* b, int n, bool onCopy) {
    LUSolveT(a, b, n, onCopy);
}

bool choldc(float** a, int n, float* p) {
    return CholeskyFactor(a, n, p, CholeskySumOrder::FromDiagonal);
}
bool dcholdc(double** a, int n, double* p) {
    return CholeskyFactor(a, n, p, CholeskySumOrder::FromDiagonal);
}

void cholsl(float** a, int n, const float* p, const float* b, float* x) {
    CholeskySubstitute(a, n, p, b, x, CholeskySumOrder::FromDiagonal);
}

void dcholsl(double** a, int n, const double* p, const double* b, double* x) {
    CholeskySubstitute(a, n, p, b, x, CholeskySumOrder::FromDiagonal);
}

bool CholeskySolve(float** a, float* b, int n) {
    float** work = matrix(1, n, 1, n);
    float* p = vector(1, n);
    CopyMatrix(a, work, n);
    bool ok = choldc(work, n, p);
    if (ok) {
        float* x = vector(1, n);
        cholsl(work, n, p, b, x);
        for (int i = 1; i <= n; ++i)
            b[i] = x[i];
        free_vector(x, 1, n);
    } else {
        CopyMatrix(a, work, n);
        LUSolve(work, b, n, false);
    }
    free_vector(p, 1, n);
    free_matrix(work, 1, n, 1, n);
    return ok;
}

bool DCholeskySolve(double** a, const double* b, int n, double* x, double* p) {
    double** work = dmatrix(1, n, 1, n);
    CopyMatrix(a, work, n);
    bool ok = dcholdc(work, n, p);
    if (ok) {
        dcholsl(work, n, p, b, x);
    } else {
        CopyMatrix(a, work, n);
        for (int i = 1; i <= n; ++i)
            x[i] = b[i];
        DLUSolve(work, x, n, false);
    }
    free_dmatrix(work, 1, n, 1, n);
    return ok;
}

namespace {

// The sub-system of rows and columns idx (1-based positions in a, in order): r[1..m][1..m] and
// rb[1..m].
template <typename T> void Gather(T** a, const T* b, const std::vector<int>& idx, T** r, T* rb) {
    int m = static_cast<int>(idx.size());
    for (int i = 1; i <= m; ++i) {
        rb[i] = b[idx[i - 1]];
        for (int j = 1; j <= m; ++j)
            r[i][j] = a[idx[i - 1]][idx[j - 1]];
    }
}

} // namespace

// Rows of all zeros (components or noise terms without signal) make the normal matrix singular;
// they are removed with their columns, the rest is solved, and their unknowns are set to 0.
bool DCholeskySolveReduced(double** a, const double* b, int n, double* x, double* p) {
    std::vector<int> kept;
    for (int i = 1; i <= n; ++i) {
        bool zero = true;
        for (int j = 1; j <= n && zero; ++j)
            zero = a[i][j] == 0.0;
        if (!zero)
            kept.push_back(i);
    }
    int m = static_cast<int>(kept.size());
    if (m == n) {
        DCholeskySolve(a, b, n, x, p);
        return true;
    }
    for (int i = 1; i <= n; ++i)
        x[i] = 0.0;
    if (m == 0)
        return true;
    double** r = dmatrix(1, m, 1, m);
    double* rb = dvector(1, m);
    double* rx = dvector(1, m);
    Gather(a, b, kept, r, rb);
    DCholeskySolve(r, rb, m, rx, p);
    for (int i = 1; i <= m; ++i)
        x[kept[i - 1]] = rx[i];
    free_dvector(rx, 1, m);
    free_dvector(rb, 1, m);
    free_dmatrix(r, 1, m, 1, m);
    return true;
}

// The float normal equations go to the one solver in double and come back rounded; a is left
// intact either way (it is never decomposed in place).
bool NormalEquationsNNLS(float** a, float* b, int n, bool onCopy) {
    (void)onCopy;
    CDenseMatrix A(n);
    std::vector<double> rhs(n + 1), x;
    for (int i = 1; i <= n; ++i) {
        rhs[i] = b[i];
        for (int j = 1; j <= n; ++j)
            A(i, j) = a[i][j];
    }
    const NnlsResult r = SolveNonNegative(A, rhs, x);
    for (int i = 1; i <= n; ++i)
        b[i] = static_cast<float>(x[i]);
    return r.failure != AnalysisFailure::NnlsIterations;
}

// The design matrix is turned into its normal equations in double for the one solver.
bool NNLS(double** design, int rows, int n, const double* y, double* x) {
    CDenseMatrix A(n);
    std::vector<double> b(n + 1), solution;
    for (int i = 1; i <= n; ++i) {
        for (int j = i; j <= n; ++j) {
            double s = 0.0;
            for (int r = 1; r <= rows; ++r)
                s += design[r][i] * design[r][j];
            A(i, j) = A(j, i) = s;
        }
        double s = 0.0;
        for (int r = 1; r <= rows; ++r)
            s += design[r][i] * y[r];
        b[i] = s;
    }
    const NnlsResult r = SolveNonNegative(A, b, solution);
    for (int i = 1; i <= n; ++i)
        x[i] = solution[i];
    if (r.failure == AnalysisFailure::NnlsIterations) {
        const std::string detail = "stopped after " + std::to_string(r.iterations) + " iterations";
        ShowError(AnalysisFailureMessage(r.failure, detail).c_str(), 0);
    } else if (r.failure != AnalysisFailure::None) {
        ShowError(AnalysisFailureText(r.failure), 0);
    }
    return r.failure != AnalysisFailure::NnlsIterations;
}
