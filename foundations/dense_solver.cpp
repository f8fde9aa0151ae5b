// Cholesky and the active-set non-negative solution on dense 1-based matrices.
#include "foundations/dense_solver.h"

#include "foundations/vector_unit.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <immintrin.h>
#include <utility>

namespace {

// sum - a[1..count] . b[1..count] in the order asked.
template <typename T>
T SubtractProducts(T sum, const T* a, const T* b, int count, CholeskySumOrder order) {
    if (order == CholeskySumOrder::FromDiagonal) {
        for (int k = count; k >= 1; --k)
            sum -= a[k] * b[k];
    } else {
        for (int k = 1; k <= count; ++k)
            sum -= a[k] * b[k];
    }
    return sum;
}

// SubtractProducts of a with W rows b[0..W-1] at once: W independent sums, each in the order
// asked, so each gives the bits it gives alone.
template <int W, typename T>
void SubtractProductsOfRows(T* sum, const T* a, const T* const* b, int count,
                            CholeskySumOrder order) {
    T s[W];
    const T* r[W];
    for (int u = 0; u < W; ++u) {
        s[u] = sum[u];
        r[u] = b[u];
    }
    if (order == CholeskySumOrder::FromDiagonal) {
        for (int k = count; k >= 1; --k)
            for (int u = 0; u < W; ++u)
                s[u] -= a[k] * r[u][k];
    } else {
        for (int k = 1; k <= count; ++k)
            for (int u = 0; u < W; ++u)
                s[u] -= a[k] * r[u][k];
    }
    for (int u = 0; u < W; ++u)
        sum[u] = s[u];
}

// The elements j..j+W-1 of column i of the factor.
template <int W, typename T>
void FactorRows(T* const* rows, int i, int j, const T* diag, CholeskySumOrder order) {
    T sum[W];
    for (int u = 0; u < W; ++u)
        sum[u] = rows[i][j + u];
    SubtractProductsOfRows<W>(sum, rows[i], rows + j, i - 1, order);
    for (int u = 0; u < W; ++u)
        rows[j + u][i] = sum[u] / diag[i];
}

} // namespace

// Column by column (left-looking): column i of L from the columns before it. The product of two
// rows of L is summed in the caller's order; everything else is the same for every caller. The
// rows below the diagonal go eight or four at a time, so their sums do not wait on one another.
template <typename T> bool CholeskyFactor(T* const* rows, int n, T* diag, CholeskySumOrder order) {
    for (int i = 1; i <= n; ++i) {
        const T pivot = SubtractProducts(rows[i][i], rows[i], rows[i], i - 1, order);
        if (!(pivot > 0) || !std::isfinite(pivot))
            return false;
        diag[i] = std::sqrt(pivot);
        int j = i + 1;
        for (; j + 7 <= n; j += 8)
            FactorRows<8>(rows, i, j, diag, order);
        for (; j + 3 <= n; j += 4)
            FactorRows<4>(rows, i, j, diag, order);
        for (; j <= n; ++j)
            rows[j][i] = SubtractProducts(rows[i][j], rows[i], rows[j], i - 1, order) / diag[i];
    }
    return true;
}

template <typename T>
void CholeskySubstitute(T* const* rows, int n, const T* diag, const T* b, T* x,
                        CholeskySumOrder order) {
    for (int i = 1; i <= n; ++i)
        x[i] = SubtractProducts(b[i], rows[i], x, i - 1, order) / diag[i];
    for (int i = n; i >= 1; --i) {
        T sum = x[i];
        for (int k = i + 1; k <= n; ++k)
            sum -= rows[k][i] * x[k];
        x[i] = sum / diag[i];
    }
}

template bool CholeskyFactor<float>(float* const*, int, float*, CholeskySumOrder);
template bool CholeskyFactor<double>(double* const*, int, double*, CholeskySumOrder);
template void CholeskySubstitute<float>(float* const*, int, const float*, const float*, float*,
                                        CholeskySumOrder);
template void CholeskySubstitute<double>(double* const*, int, const double*, const double*, double*,
                                         CholeskySumOrder);

namespace {

using V4 = double __attribute__((vector_size(32)));

// out[j..j+15] (sixteen) or out[j..j+3] -= L(i, k) L(j.., k) for k = 0..i-1 in turn, the sums
// held in named registers of four.
[[gnu::always_inline]] inline void Load4(V4& v, const double* p) {
    std::memcpy(&v, p, sizeof v);
}

[[gnu::always_inline]] inline void UpdateSixteenRows(double* const* col, double* out, int i,
                                                     int j) {
    V4 s0, s1, s2, s3;
    Load4(s0, out + j), Load4(s1, out + j + 4), Load4(s2, out + j + 8), Load4(s3, out + j + 12);
    for (int k = 0; k < i; ++k) {
        const double* lk = col[k] + j;
        const double l = col[k][i];
        const V4 lv = {l, l, l, l};
        V4 v0, v1, v2, v3;
        Load4(v0, lk), Load4(v1, lk + 4), Load4(v2, lk + 8), Load4(v3, lk + 12);
        s0 -= lv * v0, s1 -= lv * v1, s2 -= lv * v2, s3 -= lv * v3;
    }
    std::memcpy(out + j, &s0, sizeof s0), std::memcpy(out + j + 4, &s1, sizeof s1);
    std::memcpy(out + j + 8, &s2, sizeof s2), std::memcpy(out + j + 12, &s3, sizeof s3);
}

[[gnu::always_inline]] inline void UpdateFourRows(double* const* col, double* out, int i, int j) {
    V4 s0;
    Load4(s0, out + j);
    for (int k = 0; k < i; ++k) {
        const double l = col[k][i];
        const V4 lv = {l, l, l, l};
        V4 v0;
        Load4(v0, col[k] + j);
        s0 -= lv * v0;
    }
    std::memcpy(out + j, &s0, sizeof s0);
}

// The last R rows (fewer than four) side by side, each sum held in a register rather than
// stored and loaded again at every product.
template <int R>
[[gnu::always_inline]] inline void UpdateLastRows(double* const* col, double* out, int i, int j) {
    double t[R];
    for (int r = 0; r < R; ++r)
        t[r] = out[j + r];
    for (int k = 0; k < i; ++k) {
        const double l = col[k][i];
        for (int r = 0; r < R; ++r)
            t[r] -= l * col[k][j + r];
    }
    for (int r = 0; r < R; ++r)
        out[j + r] = t[r];
}

// Column i of the factor once the earlier columns' terms are off its entries out[i + 1..m - 1]
// and its pivot diag[i]: the pivot's root, the entries divided by it, the forward substitution's
// step, and the column's squares and products taken off the later pivots and sums. False when
// the pivot is not positive and finite.
[[gnu::always_inline]] inline bool FinishColumn(double* out, int i, int m, double* diag,
                                                double* rhs) {
    const double pivot = diag[i];
    if (!(pivot > 0.0) || !std::isfinite(pivot))
        return false;
    const double root = std::sqrt(pivot);
    diag[i] = root;
    const double y = rhs[i] / root;
    rhs[i] = y;
    for (int j = i + 1; j < m; ++j) {
        const double l = out[j] / root;
        out[j] = l;
        diag[j] -= l * l;
        rhs[j] -= l * y;
    }
    return true;
}

// The back substitution L' x = y on the factor held by columns (y in rhs, x replaces it).
[[gnu::always_inline]] inline void SubstituteBack(double* const* col, int m, const double* diag,
                                                  double* rhs) {
    for (int i = m - 1; i >= 0; --i) {
        double sum = rhs[i];
        for (int k = i + 1; k < m; ++k)
            sum -= col[i][k] * rhs[k];
        rhs[i] = sum / diag[i];
    }
}

// The factor of the subset solve, column by column (left-looking) as CholeskyFactor sums it from
// the first column, but with L held by columns: column i's entries below the diagonal are then
// the updates of one contiguous run by the earlier columns, four rows a register where the build
// allows. Every entry sees the same products subtracted in the same order, so the factor and the
// solution are those of CholeskyFactor and CholeskySubstitute, bit for bit. col[k][j] = L(j, k)
// for j > k (0-based); z receives the solution of rhs.
[[gnu::always_inline]] inline bool SubsetFactorSolveBody(const double* const* rows, const int* idx,
                                                         int m, double ridge, double* const* col,
                                                         double* diag, double* rhs) {
    // diag[j] holds the pivot of column j, less the squares of the columns done so far, until
    // column j takes its root; rhs[j] the forward substitution's sum likewise. Each loses its
    // terms in column order as the columns are done, rather than all at once in a chain of its
    // own when its turn comes: the same terms in the same order.
    for (int i = 0; i < m; ++i)
        diag[i] = rows[i][idx[i]] + ridge;
    for (int i = 0; i < m; ++i) {
        double* out = col[i];
        const int at = idx[i];
        for (int j = i + 1; j < m; ++j)
            out[j] = rows[j][at];
        // sixteen rows at a time in four registers, then four, then one
        int j = i + 1;
        for (; j + 15 < m; j += 16)
            UpdateSixteenRows(col, out, i, j);
        for (; j + 3 < m; j += 4)
            UpdateFourRows(col, out, i, j);
        switch (m - j) {
        case 3:
            UpdateLastRows<3>(col, out, i, j);
            break;
        case 2:
            UpdateLastRows<2>(col, out, i, j);
            break;
        case 1:
            UpdateLastRows<1>(col, out, i, j);
            break;
        default:
            break;
        }
        if (!FinishColumn(out, i, m, diag, rhs))
            return false;
    }
    SubstituteBack(col, m, diag, rhs);
    return true;
}

// With AVX-512 the columns go in pairs: columns i and i + 1 take the earlier columns' terms
// together over rows j.. (rows of them, at most 32: NV registers of eight, the last under a
// mask), each segment of an earlier column loaded once for both. Row i + 1 of column i + 1 is its
// pivot's place: what is left there is never read.
template <int NV>
[[gnu::target("avx512f"), gnu::optimize("fp-contract=off"), gnu::always_inline]] inline void
UpdatePairOfColumns(double* const* col, double* a, double* b, int i, int j, int rows) {
    const auto last = static_cast<__mmask8>((1u << (rows - 8 * (NV - 1))) - 1u);
    __m512d sa[NV], sb[NV];
    for (int v = 0; v < NV; ++v) {
        const __mmask8 mask = v == NV - 1 ? last : static_cast<__mmask8>(0xff);
        sa[v] = _mm512_maskz_loadu_pd(mask, a + j + 8 * v);
        sb[v] = _mm512_maskz_loadu_pd(mask, b + j + 8 * v);
    }
    for (int k = 0; k < i; ++k) {
        const double* lk = col[k];
        const __m512d la = _mm512_set1_pd(lk[i]), lb = _mm512_set1_pd(lk[i + 1]);
        for (int v = 0; v < NV; ++v) {
            const __mmask8 mask = v == NV - 1 ? last : static_cast<__mmask8>(0xff);
            const __m512d x = _mm512_maskz_loadu_pd(mask, lk + j + 8 * v);
            sa[v] = _mm512_sub_pd(sa[v], _mm512_mul_pd(la, x));
            sb[v] = _mm512_sub_pd(sb[v], _mm512_mul_pd(lb, x));
        }
    }
    for (int v = 0; v < NV; ++v) {
        const __mmask8 mask = v == NV - 1 ? last : static_cast<__mmask8>(0xff);
        _mm512_mask_storeu_pd(a + j + 8 * v, mask, sa[v]);
        _mm512_mask_storeu_pd(b + j + 8 * v, mask, sb[v]);
    }
}

// Columns i and i + 1 of the subset's matrix, from row i + 1 on, into their places in the factor.
[[gnu::always_inline]] inline void CopyPairOfColumns(const double* const* rows, const int* idx,
                                                     int m, double* const* col, int i) {
    double* a = col[i];
    double* b = col[i + 1];
    const int at = idx[i], bt = idx[i + 1];
    for (int j = i + 1; j < m; ++j) {
        a[j] = rows[j][at];
        b[j] = rows[j][bt];
    }
}

// Four columns c[0..3] (i..i + 3) take the earlier columns' terms together over rows j.. as a
// pair does in UpdatePairOfColumns, each segment of an earlier column loaded once for the four.
template <int NV>
[[gnu::target("avx512f"), gnu::optimize("fp-contract=off"), gnu::always_inline]] inline void
UpdateFourColumns(double* const* col, double* const* c, int i, int j, int rows) {
    const auto last = static_cast<__mmask8>((1u << (rows - 8 * (NV - 1))) - 1u);
    __m512d s[4][NV];
    for (int v = 0; v < NV; ++v) {
        const __mmask8 mask = v == NV - 1 ? last : static_cast<__mmask8>(0xff);
        for (int u = 0; u < 4; ++u)
            s[u][v] = _mm512_maskz_loadu_pd(mask, c[u] + j + 8 * v);
    }
    for (int k = 0; k < i; ++k) {
        const double* lk = col[k];
        __m512d l[4];
        for (int u = 0; u < 4; ++u)
            l[u] = _mm512_set1_pd(lk[i + u]);
        for (int v = 0; v < NV; ++v) {
            const __mmask8 mask = v == NV - 1 ? last : static_cast<__mmask8>(0xff);
            const __m512d x = _mm512_maskz_loadu_pd(mask, lk + j + 8 * v);
            for (int u = 0; u < 4; ++u)
                s[u][v] = _mm512_sub_pd(s[u][v], _mm512_mul_pd(l[u], x));
        }
    }
    for (int v = 0; v < NV; ++v) {
        const __mmask8 mask = v == NV - 1 ? last : static_cast<__mmask8>(0xff);
        for (int u = 0; u < 4; ++u)
            _mm512_mask_storeu_pd(c[u] + j + 8 * v, mask, s[u][v]);
    }
}

// Columns i..i + 3 of the subset's matrix, from row i + 1 on, into their places in the factor:
// each row's four entries from one read of its pointer.
[[gnu::always_inline]] inline void CopyFourColumns(const double* const* rows, const int* idx, int m,
                                                   double* const* col, int i) {
    double* c[4] = {col[i], col[i + 1], col[i + 2], col[i + 3]};
    const int at[4] = {idx[i], idx[i + 1], idx[i + 2], idx[i + 3]};
    for (int j = i + 1; j < m; ++j) {
        const double* r = rows[j];
        for (int u = 0; u < 4; ++u)
            c[u][j] = r[at[u]];
    }
}

// The factor and solution of SubsetFactorSolveBody, the columns four at a time while four are
// left, then in pairs: four columns take the earlier columns' terms together
// (UpdateFourColumns), then each is finished in turn, its term taken off the later ones of the
// four at once (so those go on beside the next one's pivot), each entry's terms still in column
// order; a pair likewise (UpdatePairOfColumns), its first column finished, the second taking the
// first's term and finished. The next four's or pair's entries are copied before these are
// finished, so the copy goes on beside the divisions. Every entry sees the same products
// subtracted in the same order as in SubsetFactorSolveBody: the same bits. Its fused multiply-adds
// turned off: they would round differently.
[[gnu::target("avx512f"), gnu::optimize("fp-contract=off")]] bool
SubsetFactorSolveAvx512(const double* const* rows, const int* idx, int m, double ridge,
                        double* const* col, double* diag, double* rhs) {
    for (int i = 0; i < m; ++i)
        diag[i] = rows[i][idx[i]] + ridge;
    int i = 0;
    if (m >= 4)
        CopyFourColumns(rows, idx, m, col, 0);
    for (; i + 3 < m; i += 4) {
        double* c[4] = {col[i], col[i + 1], col[i + 2], col[i + 3]};
        int j = i + 1;
        for (; j + 32 <= m; j += 32)
            UpdateFourColumns<4>(col, c, i, j, 32);
        const int left = m - j;
        if (left > 24)
            UpdateFourColumns<4>(col, c, i, j, left);
        else if (left > 16)
            UpdateFourColumns<3>(col, c, i, j, left);
        else if (left > 8)
            UpdateFourColumns<2>(col, c, i, j, left);
        else if (left > 0)
            UpdateFourColumns<1>(col, c, i, j, left);
        if (i + 7 < m)
            CopyFourColumns(rows, idx, m, col, i + 4);
        for (int t = 0; t < 4; ++t) {
            if (!FinishColumn(c[t], i + t, m, diag, rhs))
                return false;
            for (int u = t + 1; u < 4; ++u) {
                const double l = c[t][i + u];
                for (j = i + u + 1; j < m; ++j)
                    c[u][j] -= l * c[t][j];
            }
        }
    }
    if (i + 1 < m)
        CopyPairOfColumns(rows, idx, m, col, i);
    for (; i + 1 < m; i += 2) {
        double* a = col[i];
        double* b = col[i + 1];
        int j = i + 1;
        for (; j + 32 <= m; j += 32)
            UpdatePairOfColumns<4>(col, a, b, i, j, 32);
        const int left = m - j;
        if (left > 24)
            UpdatePairOfColumns<4>(col, a, b, i, j, left);
        else if (left > 16)
            UpdatePairOfColumns<3>(col, a, b, i, j, left);
        else if (left > 8)
            UpdatePairOfColumns<2>(col, a, b, i, j, left);
        else if (left > 0)
            UpdatePairOfColumns<1>(col, a, b, i, j, left);
        if (i + 3 < m)
            CopyPairOfColumns(rows, idx, m, col, i + 2);
        if (!FinishColumn(a, i, m, diag, rhs))
            return false;
        const double l = a[i + 1];
        for (j = i + 2; j < m; ++j)
            b[j] -= l * a[j];
        if (!FinishColumn(b, i + 1, m, diag, rhs))
            return false;
    }
    // The last column of an odd count has no rows below its pivot.
    if (i < m && !FinishColumn(col[i], i, m, diag, rhs))
        return false;
    SubstituteBack(col, m, diag, rhs);
    return true;
}

// Built for AVX2 (which has no fused multiply-adds) or for any x86-64, chosen at run time by a
// plain check beside the AVX-512 build.
[[gnu::target("avx2")]] bool SubsetFactorSolveAvx2(const double* const* rows, const int* idx, int m,
                                                   double ridge, double* const* col, double* diag,
                                                   double* rhs) {
    return SubsetFactorSolveBody(rows, idx, m, ridge, col, diag, rhs);
}

bool SubsetFactorSolvePlain(const double* const* rows, const int* idx, int m, double ridge,
                            double* const* col, double* diag, double* rhs) {
    return SubsetFactorSolveBody(rows, idx, m, ridge, col, diag, rhs);
}

} // namespace

bool CholeskySolveSubset(const CDenseMatrix& A, const std::vector<double>& b,
                         const std::vector<int>& idx, double ridge, std::vector<double>& z,
                         std::vector<double>& factor) {
    const int m = static_cast<int>(idx.size());
    // Every entry of the factor that is read is written first: the caller's block is reused
    // from one solve to the next rather than made and cleared each time.
    if (factor.size() < static_cast<std::size_t>(m) * m)
        factor.resize(static_cast<std::size_t>(m) * m);
    std::vector<double> diag(m), rhs(m);
    std::vector<double*> col(m);
    // The rows of the subset, so that each element is one load from its row.
    std::vector<const double*> rows(m);
    for (int k = 0; k < m; ++k) {
        col[k] = factor.data() + static_cast<std::size_t>(k) * m;
        rows[k] = A.Row(idx[k]);
    }
    for (int i = 0; i < m; ++i)
        rhs[i] = b[idx[i]];
    const bool avx512 = UsableAvx512(), avx2 = UsableAvx2();
    const auto solve = avx512 ? SubsetFactorSolveAvx512
                       : avx2 ? SubsetFactorSolveAvx2
                              : SubsetFactorSolvePlain;
    if (!solve(rows.data(), idx.data(), m, ridge, col.data(), diag.data(), rhs.data()))
        return false;
    for (int i = 0; i < m; ++i)
        z[idx[i]] = rhs[i];
    return true;
}

NnlsResult SolveNonNegative(const CDenseMatrix& A, const std::vector<double>& b,
                            std::vector<double>& x, const std::function<bool()>& abandon) {
    NnlsResult result;
    bool ridged = false;
    // The first failure met wins: a ridge is reported even when a cap stops the solve later.
    auto stop = [&](AnalysisFailure failure) {
        result.failure = ridged ? AnalysisFailure::NnlsNotPositiveDefinite : failure;
        return result;
    };
    const int n = A.N();
    x.assign(n + 1, 0.0);
    double bMax = 0.0, trace = 0.0;
    for (int p = 1; p <= n; ++p) {
        bMax = std::max(bMax, std::fabs(b[p]));
        trace += A(p, p);
    }
    if (n == 0 || bMax == 0.0)
        return result;
    const double tol = 1e-10 * bMax;
    const int cap = 3 * n;
    double ridge = 0.0;
    std::vector<char> passive(n + 1, 0), skipped(n + 1, 0);
    std::vector<double> w(n + 1), z(n + 1);
    std::vector<int> idx;
    std::vector<double> factor; // the passive blocks' factor, kept over the iterations
    // w = b - A x, over the rows of A (contiguous), skipping the zero x: the nonzero ones are
    // listed once, and each row takes them in order.
    std::vector<int> nonzero;
    auto gradient = [&] {
        nonzero.clear();
        for (int q = 1; q <= n; ++q)
            if (x[q] != 0.0)
                nonzero.push_back(q);
        for (int p = 1; p <= n; ++p) {
            const double* row = A.Row(p);
            double s = b[p];
            for (int q : nonzero)
                s -= row[q] * x[q];
            w[p] = s;
        }
    };
    auto solvePassive = [&]() -> bool {
        idx.clear();
        for (int p = 1; p <= n; ++p)
            if (passive[p])
                idx.push_back(p);
        if (CholeskySolveSubset(A, b, idx, ridge, z, factor))
            return true;
        // Not positive definite: noted, then solved with a small ridge from here on.
        ridged = true;
        if (ridge == 0.0)
            ridge = 1e-12 * trace / n + 1e-300;
        return CholeskySolveSubset(A, b, idx, ridge, z, factor);
    };
    gradient();
    for (int outer = 0; outer < cap; ++outer) {
        if (abandon && abandon()) {
            result.abandoned = true;
            return result;
        }
        int t = 0;
        double best = tol;
        for (int p = 1; p <= n; ++p)
            if (!passive[p] && !skipped[p] && w[p] > best) {
                best = w[p];
                t = p;
            }
        if (t == 0)
            return stop(AnalysisFailure::None);
        result.iterations = outer + 1;
        passive[t] = 1;
        for (int inner = 0;; ++inner) {
            if (inner >= cap)
                return stop(AnalysisFailure::NnlsIterations);
            if (!solvePassive())
                return stop(AnalysisFailure::NnlsNotPositiveDefinite);
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
    return stop(AnalysisFailure::NnlsIterations);
}
