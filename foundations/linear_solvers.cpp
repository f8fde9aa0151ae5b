// LU and Cholesky decompositions and the solvers built on them.
#include "foundations/linear_solvers.h"

#include "foundations/nr_arrays.h"
#include "foundations/show_error.h"

#include <algorithm>
#include <cmath>
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

// Cholesky by rows; a non-positive (or NaN) pivot means not positive definite.
template <typename T> bool Cholesky(T** a, int n, T* p) {
    for (int i = 1; i <= n; ++i) {
        for (int j = i; j <= n; ++j) {
            T sum = a[i][j];
            for (int k = i - 1; k >= 1; --k)
                sum -= a[i][k] * a[j][k];
            if (i == j) {
                if (!(sum > 0))
                    return false;
                p[i] = std::sqrt(sum);
            } else {
                a[j][i] = sum / p[i];
            }
        }
    }
    return true;
}

template <typename T> void CholeskyBack(T** a, int n, const T* p, const T* b, T* x) {
    for (int i = 1; i <= n; ++i) {
        T sum = b[i];
        for (int k = i - 1; k >= 1; --k)
            sum -= a[i][k] * x[k];
        x[i] = sum / p[i];
    }
    for (int i = n; i >= 1; --i) {
        T sum = x[i];
        for (int k = i + 1; k <= n; ++k)
            sum -= a[k][i] * x[k];
        x[i] = sum / p[i];
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

void LUSolve(float** a, float* b, int n, bool onCopy) {
    float** work = a;
    if (onCopy) {
        work = matrix(1, n, 1, n);
        CopyMatrix(a, work, n);
    }
    int* indx = ivector(1, n);
    float d = 0;
    if (ludcmp(work, n, indx, &d))
        lubksb(work, n, indx, b);
    free_ivector(indx, 1, n);
    if (onCopy)
        free_matrix(work, 1, n, 1, n);
}

void DLUSolve(double** a, double* b, int n, bool onCopy) {
    double** work = a;
    if (onCopy) {
        work = dmatrix(1, n, 1, n);
        CopyMatrix(a, work, n);
    }
    int* indx = ivector(1, n);
    double d = 0;
    if (dludcmp(work, n, indx, &d))
        dlubksb(work, n, indx, b);
    free_ivector(indx, 1, n);
    if (onCopy)
        free_dmatrix(work, 1, n, 1, n);
}

bool choldc(float** a, int n, float* p) {
    return Cholesky(a, n, p);
}
bool dcholdc(double** a, int n, double* p) {
    return Cholesky(a, n, p);
}

void cholsl(float** a, int n, const float* p, const float* b, float* x) {
    CholeskyBack(a, n, p, b, x);
}

void dcholsl(double** a, int n, const double* p, const double* b, double* x) {
    CholeskyBack(a, n, p, b, x);
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

namespace {

// Indices 1..n of the passive set, in order.
std::vector<int> PassiveIndices(const std::vector<char>& passive, int n) {
    std::vector<int> idx;
    for (int i = 1; i <= n; ++i)
        if (passive[i])
            idx.push_back(i);
    return idx;
}

// The float normal equations restricted to the passive indices: Cholesky, or LU when the
// passive block is not positive definite (CholeskySolve). z is 0 outside the passive set.
void SolvePassive(float** a, const float* b, int n, const std::vector<char>& passive,
                  std::vector<float>& z) {
    std::vector<int> idx = PassiveIndices(passive, n);
    std::fill(z.begin(), z.end(), 0.0f);
    int m = static_cast<int>(idx.size());
    if (m == 0)
        return;
    float** r = matrix(1, m, 1, m);
    float* rx = vector(1, m);
    Gather(a, b, idx, r, rx);
    CholeskySolve(r, rx, m);
    // A singular passive block can leave non-finite values; they count as 0 (not positive).
    for (int i = 1; i <= m; ++i)
        z[idx[i - 1]] = std::isfinite(rx[i]) ? rx[i] : 0.0f;
    free_vector(rx, 1, m);
    free_matrix(r, 1, m, 1, m);
}

// Lawson and Hanson's active-set method on normal equations a x = b (a = A^T A, b = A^T y).
// solve(passive, z) solves the system restricted to the passive set. Every iterate is kept
// feasible, so x >= 0 always holds; outer iterations are capped at 3n and inner ones at n + 1 per
// outer step, so a cycling active set cannot hang the program. False when a cap stopped it.
template <typename T, typename Solve>
bool ActiveSet(T** a, const T* b, int n, std::vector<T>& x, Solve solve) {
    std::vector<T> z(n + 1, 0), w(n + 1, 0);
    std::vector<char> passive(n + 1, 0);
    x.assign(n + 1, 0);
    const int maxOuter = 3 * n;
    for (int outer = 0;; ++outer) {
        for (int i = 1; i <= n; ++i) {
            double sum = b[i];
            for (int j = 1; j <= n; ++j)
                sum -= static_cast<double>(a[i][j]) * x[j];
            w[i] = static_cast<T>(sum);
        }
        int t = 0;
        for (int i = 1; i <= n; ++i)
            if (!passive[i] && (t == 0 || w[i] > w[t]))
                t = i;
        if (t == 0 || !(w[t] > 0))
            return true;
        if (outer >= maxOuter)
            return false;
        passive[t] = 1;
        bool firstSolve = true;
        for (int inner = 0; inner <= n; ++inner) {
            solve(passive, z);
            if (firstSolve && z[t] <= 0)
                break;
            firstSolve = false;
            bool allPositive = true;
            for (int i = 1; i <= n; ++i)
                if (passive[i] && !(z[i] > 0))
                    allPositive = false;
            if (allPositive) {
                x = z;
                break;
            }
            double alpha = 1.0;
            for (int i = 1; i <= n; ++i)
                if (passive[i] && !(z[i] > 0)) {
                    double step = static_cast<double>(x[i]) - z[i];
                    alpha = std::min(alpha, step > 0.0 ? x[i] / step : 0.0);
                }
            for (int i = 1; i <= n; ++i) {
                x[i] = static_cast<T>(x[i] + alpha * (static_cast<double>(z[i]) - x[i]));
                if ((passive[i] && std::fabs(x[i]) < T(1e-8)) || x[i] < 0) {
                    x[i] = 0;
                    passive[i] = 0;
                }
            }
        }
    }
}

} // namespace

// The passive block is solved by Cholesky, or by LU when it is not positive definite (instead of
// returning the unconstrained solution, which could be negative). Checked against known
// solutions and the KKT conditions in the solver tests.
bool NormalEquationsNNLS(float** a, float* b, int n, bool onCopy) {
    (void)onCopy; // a is never decomposed in place, so it stays intact either way
    std::vector<float> x;
    bool converged =
        ActiveSet(a, b, n, x, [&](const std::vector<char>& passive, std::vector<float>& z) {
            SolvePassive(a, b, n, passive, z);
        });
    for (int i = 1; i <= n; ++i)
        b[i] = x[i] > 0.0f ? x[i] : 0.0f;
    return converged;
}

// The design matrix is turned into its normal equations in double; passive sub-problems are
// solved by DCholeskySolve, whose LU fallback is reported once per call.
bool NNLS(double** design, int rows, int n, const double* y, double* x) {
    double** a = dmatrix(1, n, 1, n);
    double* b = dvector(1, n);
    for (int i = 1; i <= n; ++i) {
        for (int j = i; j <= n; ++j) {
            double s = 0.0;
            for (int r = 1; r <= rows; ++r)
                s += design[r][i] * design[r][j];
            a[i][j] = a[j][i] = s;
        }
        double s = 0.0;
        for (int r = 1; r <= rows; ++r)
            s += design[r][i] * y[r];
        b[i] = s;
    }
    bool definite = true;
    std::vector<double> solution;
    bool converged =
        ActiveSet(a, b, n, solution, [&](const std::vector<char>& passive, std::vector<double>& z) {
            std::vector<int> idx = PassiveIndices(passive, n);
            std::fill(z.begin(), z.end(), 0.0);
            int m = static_cast<int>(idx.size());
            if (m == 0)
                return;
            double** r = dmatrix(1, m, 1, m);
            double* rb = dvector(1, m);
            double* rx = dvector(1, m);
            double* p = dvector(1, m);
            Gather(a, b, idx, r, rb);
            if (!DCholeskySolve(r, rb, m, rx, p))
                definite = false;
            for (int i = 1; i <= m; ++i)
                z[idx[i - 1]] = std::isfinite(rx[i]) ? rx[i] : 0.0;
            free_dvector(p, 1, m);
            free_dvector(rx, 1, m);
            free_dvector(rb, 1, m);
            free_dmatrix(r, 1, m, 1, m);
        });
    for (int i = 1; i <= n; ++i)
        x[i] = solution[i] > 0.0 ? solution[i] : 0.0;
    if (!definite)
        ShowError("matrix not positive definite in NNLS", 0);
    if (!converged)
        ShowError("max #iteration exceeded in NNLS", 0);
    free_dvector(b, 1, n);
    free_dmatrix(a, 1, n, 1, n);
    return converged;
}
