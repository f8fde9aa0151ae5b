// The centring of the systematic noise elimination.
#include "foundations/noise_projection.h"

#include "foundations/rows_in_lanes.h"
#include "foundations/vector_unit.h"

#include <algorithm>
#include <cstring>
#include <immintrin.h>

void CentreBlock(CDenseMatrix& x, const NoiseTerms& terms) {
    if (!terms.Any())
        return;
    const NoiseMeans m =
        ComputeNoiseMeans([&](int r) { return x.Row(r + 1); }, x.Rows(), 1, x.Cols());
    for (int k = 0; k < x.Rows(); ++k) {
        double* row = x.Row(k + 1) + 1;
        for (int j = 0; j < x.Cols(); ++j)
            row[j] -= NoiseShift(m, terms, k, j);
    }
}

double CentredProduct(double rawSum, const NoiseMeans& x, const NoiseMeans& y,
                      const NoiseTerms& terms) {
    double p = 0.0;
    CentredProducts(&rawSum, x, &y, 1, terms, &p);
    return p;
}

namespace {

// The centred product from the raw sum and the sums g of point means and r of row means.
inline double CentredFromSums(double rawSum, double g, double r, const NoiseMeans& x,
                              const NoiseMeans& y, const NoiseTerms& terms) {
    const double S = static_cast<double>(x.row.size()), n = static_cast<double>(x.point.size());
    double p = rawSum;
    if (terms.timeInvariant)
        p -= S * g;
    if (terms.radiallyInvariant)
        p -= n * r;
    if (terms.timeInvariant && terms.radiallyInvariant)
        p += S * n * x.grand * y.grand;
    else if (terms.baseline && !terms.timeInvariant && !terms.radiallyInvariant)
        p -= S * n * x.grand * y.grand;
    return p;
}

// The part of the product the noise terms take, from the same sums: minus the centred product of a
// raw sum of zero, formed as that is.
inline double NoisePartFromSums(double g, double r, const NoiseMeans& x, const NoiseMeans& y,
                                const NoiseTerms& terms) {
    return -CentredFromSums(0.0, g, r, x, y, terms);
}

// The sums of point and row means of x(u) with those of y(u), u = 0..W-1, side by side (each its
// own sum in index order), then each centred product from its raw sum.
template <int W, class XOf, class YOf>
void CentredProductsOf(const double* rawSum, XOf x, YOf y, const NoiseTerms& terms, double* out,
                       double* noisePart = nullptr) {
    const std::size_t rows = x(0).row.size(), points = x(0).point.size();
    double g[W] = {}, r[W] = {};
    if (terms.timeInvariant)
        for (std::size_t j = 0; j < points; ++j)
            for (int u = 0; u < W; ++u)
                g[u] += x(u).point[j] * y(u).point[j];
    if (terms.radiallyInvariant)
        for (std::size_t s = 0; s < rows; ++s)
            for (int u = 0; u < W; ++u)
                r[u] += x(u).row[s] * y(u).row[s];
    for (int u = 0; u < W; ++u) {
        out[u] = CentredFromSums(rawSum[u], g[u], r[u], x(u), y(u), terms);
        if (noisePart != nullptr)
            noisePart[u] = NoisePartFromSums(g[u], r[u], x(u), y(u), terms);
    }
}

// CentredProductsOf of one x with y[0..W-1].
template <int W>
void CentredProductsOf(const double* rawSum, const NoiseMeans& x, const NoiseMeans* y,
                       const NoiseTerms& terms, double* out, double* noisePart) {
    CentredProductsOf<W>(
        rawSum, [&](int) -> const NoiseMeans& { return x; },
        [&](int u) -> const NoiseMeans& { return y[u]; }, terms, out, noisePart);
}

// The sums of CentredProductsOf for every pair at once, each pair's in index order, the product
// rounded before it is added (no fused multiply-adds): W pairs at a time held in registers of
// eight through the whole pass, the pairs left over one by one.
using V8 = double __attribute__((vector_size(64)));

template <int W, int R = 1>
[[gnu::always_inline]] inline void AddMeanProductsOf(const std::vector<double>* const* x,
                                                     const double* side, std::size_t stride,
                                                     double* const* sum) {
    V8 acc[R][W / 8];
    for (int i = 0; i < R; ++i)
        std::memcpy(acc[i], sum[i], sizeof acc[i]);
    for (std::size_t j = 0; j < x[0]->size(); ++j) {
        double xj[R];
        for (int i = 0; i < R; ++i)
            xj[i] = (*x[i])[j];
        const double* yj = side + j * stride;
        for (int v = 0; v < W / 8; ++v) {
            V8 y;
            std::memcpy(&y, yj + 8 * v, sizeof y);
            for (int i = 0; i < R; ++i)
                acc[i][v] += xj[i] * y;
        }
    }
    for (int i = 0; i < R; ++i)
        std::memcpy(sum[i], acc[i], sizeof acc[i]);
}

void AddMeanProductsPlain(const std::vector<double>& x, const double* side, std::size_t stride,
                          int count, double* sum) {
    for (int u = 0; u < count; ++u)
        for (std::size_t j = 0; j < x.size(); ++j)
            sum[u] += x[j] * side[j * stride + u];
}

// R rows x[0..R-1] of the same length with the same count pairs: the side's values are loaded
// once for the R rows, W pairs at a time.
template <int R, int W>
[[gnu::always_inline]] inline void AddMeanProductsRowsIn(const std::vector<double>* const* x,
                                                         const double* side, std::size_t stride,
                                                         int count, double* const* sum) {
    int u = 0;
    double* at[R];
    for (; u + W <= count; u += W) {
        for (int i = 0; i < R; ++i)
            at[i] = sum[i] + u;
        AddMeanProductsOf<W, R>(x, side + u, stride, at);
    }
    if (u < count) {
        // The last pairs in the fewest lanes of eight that hold them, the lanes past them
        // summing what follows (the side ends in 32 lanes to spare) and left out.
        double last[R][32] = {};
        for (int i = 0; i < R; ++i) {
            std::copy(sum[i] + u, sum[i] + count, last[i]);
            at[i] = last[i];
        }
        switch ((count - u + 7) / 8) {
        case 1:
            AddMeanProductsOf<8, R>(x, side + u, stride, at);
            break;
        case 2:
            AddMeanProductsOf<16, R>(x, side + u, stride, at);
            break;
        case 3:
            AddMeanProductsOf<24, R>(x, side + u, stride, at);
            break;
        default:
            AddMeanProductsOf<32, R>(x, side + u, stride, at);
            break;
        }
        for (int i = 0; i < R; ++i)
            std::copy(last[i], last[i] + (count - u), sum[i] + u);
    }
}

// The same sums in registers of eight (AVX-512: 32 pairs a pass) or in pairs of registers of four
// (AVX2: 16 pairs a pass, 8 for four rows, so that the sums stay in the unit's sixteen registers).
template <int R>
[[gnu::target("avx512f"), gnu::optimize("fp-contract=off")]] void
AddMeanProductsRowsAvx512(const std::vector<double>* const* x, const double* side,
                          std::size_t stride, int count, double* const* sum) {
    AddMeanProductsRowsIn<R, 32>(x, side, stride, count, sum);
}

template <int R>
[[gnu::target("avx2"), gnu::optimize("fp-contract=off")]] void
AddMeanProductsRowsAvx2(const std::vector<double>* const* x, const double* side, std::size_t stride,
                        int count, double* const* sum) {
    AddMeanProductsRowsIn<R, (R > 2 ? 8 : 16)>(x, side, stride, count, sum);
}

void AddMeanProductsAvx512(const std::vector<double>& x, const double* side, std::size_t stride,
                           int count, double* sum) {
    const std::vector<double>* rows[1] = {&x};
    AddMeanProductsRowsAvx512<1>(rows, side, stride, count, &sum);
}

void AddMeanProductsAvx2(const std::vector<double>& x, const double* side, std::size_t stride,
                         int count, double* sum) {
    const std::vector<double>* rows[1] = {&x};
    AddMeanProductsRowsAvx2<1>(rows, side, stride, count, &sum);
}

} // namespace

namespace {

void RowSumsOfEightPlain(const float* const* x, int from, int points, double* s) {
    RowSumsOfEightInOrder(x, from, points, s);
}

[[gnu::target("avx2")]] void RowSumsOfEightAvx2(const float* const* x, int from, int points,
                                                double* s) {
    __m256d acc[2] = {_mm256_setzero_pd(), _mm256_setzero_pd()}; // rows 0..3, 4..7
    int j = from;
    for (; j + 8 <= points; j += 8) {
        __m256d t[16];
        TurnEightRowsAvx2(x, j, t);
        for (int h = 0; h < 2; ++h)
            for (int k = 0; k < 8; ++k)
                acc[h] = _mm256_add_pd(acc[h], t[8 * h + k]);
    }
    for (; j < points; ++j)
        for (int h = 0; h < 2; ++h)
            acc[h] = _mm256_add_pd(acc[h], _mm256_setr_pd(x[4 * h][j], x[4 * h + 1][j],
                                                          x[4 * h + 2][j], x[4 * h + 3][j]));
    _mm256_storeu_pd(s, acc[0]);
    _mm256_storeu_pd(s + 4, acc[1]);
}

// Points j..j + 7 of eight rows turned and added to acc (rows 0..3, 4..7) point by point.
[[gnu::target("avx2"), gnu::always_inline]] inline void AddTurnedEight(const float* const* x, int j,
                                                                       __m256d* acc) {
    __m256d t[16];
    TurnEightRowsAvx2(x, j, t);
    for (int h = 0; h < 2; ++h)
        for (int k = 0; k < 8; ++k)
            acc[h] = _mm256_add_pd(acc[h], t[8 * h + k]);
}

[[gnu::target("avx2")]] void RowSumsOfSixteenAvx2(const float* const (*x)[8], const int* from,
                                                  int points, double (*s)[8]) {
    const int a = from[1] < from[0] ? 1 : 0, b = 1 - a; // a begins first
    const float* const* first = x[a];
    const float* const* second = x[b];
    __m256d acc[2][2] = {{_mm256_setzero_pd(), _mm256_setzero_pd()},
                         {_mm256_setzero_pd(), _mm256_setzero_pd()}};
    int j = from[a];
    for (; j + 8 <= points && j + 8 <= from[b]; j += 8)
        AddTurnedEight(first, j, acc[0]);
    for (; j + 8 <= points; j += 8) {
        AddTurnedEight(first, j, acc[0]);
        AddTurnedEight(second, j, acc[1]);
    }
    for (; j < points; ++j)
        for (int g = 0; g < 2; ++g) {
            const float* const* y = g == 0 ? first : second;
            for (int h = 0; h < 2; ++h)
                acc[g][h] =
                    _mm256_add_pd(acc[g][h], _mm256_setr_pd(y[4 * h][j], y[4 * h + 1][j],
                                                            y[4 * h + 2][j], y[4 * h + 3][j]));
        }
    for (int h = 0; h < 2; ++h) {
        _mm256_storeu_pd(s[a] + 4 * h, acc[0][h]);
        _mm256_storeu_pd(s[b] + 4 * h, acc[1][h]);
    }
}

void RowSumsOfSixteenPlain(const float* const (*x)[8], const int* from, int points,
                           double (*s)[8]) {
    for (int h = 0; h < 2; ++h)
        RowSumsOfEightInOrder(x[h], from[h], points, s[h]);
}

} // namespace

void RowSumsOfSixteenFloats(const float* const (*x)[8], const int* from, int points,
                            double (*s)[8]) {
    (UsableAvx2() ? RowSumsOfSixteenAvx2 : RowSumsOfSixteenPlain)(x, from, points, s);
}

void RowSumsOfEightFloats(const float* const* x, int from, int points, double* s) {
    (UsableAvx2() ? RowSumsOfEightAvx2 : RowSumsOfEightPlain)(x, from, points, s);
}

namespace {

// Values 0..length - 1 (length a multiple of 4) of eight blocks from[0..7] written side by side:
// at[j * stride + u] = from[u][j], four values of four blocks turned in registers at a time.
[[gnu::target("avx2")]] void PlaceEightSideBySideAvx2(const double* const* from, std::size_t length,
                                                      std::size_t stride, double* at) {
    for (std::size_t j = 0; j < length; j += 4)
        for (int h = 0; h < 8; h += 4) {
            const __m256d r0 = _mm256_loadu_pd(from[h] + j), r1 = _mm256_loadu_pd(from[h + 1] + j);
            const __m256d r2 = _mm256_loadu_pd(from[h + 2] + j);
            const __m256d r3 = _mm256_loadu_pd(from[h + 3] + j);
            const __m256d a = _mm256_unpacklo_pd(r0, r1), b = _mm256_unpackhi_pd(r0, r1);
            const __m256d c = _mm256_unpacklo_pd(r2, r3), d = _mm256_unpackhi_pd(r2, r3);
            double* to = at + j * stride + std::size_t(h);
            _mm256_storeu_pd(to, _mm256_permute2f128_pd(a, c, 0x20));
            _mm256_storeu_pd(to + stride, _mm256_permute2f128_pd(b, d, 0x20));
            _mm256_storeu_pd(to + 2 * stride, _mm256_permute2f128_pd(a, c, 0x31));
            _mm256_storeu_pd(to + 3 * stride, _mm256_permute2f128_pd(b, d, 0x31));
        }
}

} // namespace

NoiseMeansSideBySide::NoiseMeansSideBySide(const NoiseMeans* y, int count) {
    Assign(y, count);
}

void NoiseMeansSideBySide::Assign(const NoiseMeans* y, int blocks) {
    count = blocks;
    std::size_t points = 0, rows = 0;
    for (int u = 0; u < count; ++u) {
        points = std::max(points, y[u].point.size());
        rows = std::max(rows, y[u].row.size());
    }
    // Every value written once (no clearing before), eight blocks at a time: their values are
    // read in order, eight streams side by side, and written eight together.
    const bool avx2 = UsableAvx2();
    auto fill = [&](std::vector<double>& to, std::size_t length, auto of) {
        const std::size_t stride = static_cast<std::size_t>(count);
        to.resize(length * stride + 32);
        double* at = to.data();
        for (std::size_t u0 = 0; u0 < stride; u0 += 8) {
            const std::size_t w = std::min<std::size_t>(8, stride - u0);
            const double* from[8];
            std::size_t have[8];
            for (std::size_t u = 0; u < w; ++u) {
                from[u] = of(y[u0 + u]).data();
                have[u] = std::min(length, of(y[u0 + u]).size());
            }
            std::size_t j = 0;
            if (w == 8 && avx2) {
                // where all eight have values, four points at a time turned in registers
                const std::size_t whole = *std::min_element(have, have + 8) / 4 * 4;
                PlaceEightSideBySideAvx2(from, whole, stride, at + u0);
                j = whole;
            }
            for (; j < length; ++j)
                for (std::size_t u = 0; u < w; ++u)
                    at[j * stride + u0 + u] = j < have[u] ? from[u][j] : 0.0;
        }
        std::fill(at + length * stride, at + length * stride + 32, 0.0);
    };
    fill(point, points, [](const NoiseMeans& m) -> const std::vector<double>& { return m.point; });
    fill(row, rows, [](const NoiseMeans& m) -> const std::vector<double>& { return m.row; });
}

void CentredProductsSideBySide(const double* rawSum, const NoiseMeans& x, const NoiseMeans* y,
                               const NoiseMeansSideBySide& side, int from, int count,
                               const NoiseTerms& terms, double* out, double* noisePart) {
    const auto add = UsableAvx512() ? AddMeanProductsAvx512
                     : UsableAvx2() ? AddMeanProductsAvx2
                                    : AddMeanProductsPlain;
    const std::size_t stride = static_cast<std::size_t>(side.count);
    std::vector<double> g(static_cast<std::size_t>(count), 0.0), r(g);
    if (terms.timeInvariant)
        add(x.point, side.point.data() + from, stride, count, g.data());
    if (terms.radiallyInvariant)
        add(x.row, side.row.data() + from, stride, count, r.data());
    for (int u = 0; u < count; ++u) {
        out[u] = CentredFromSums(rawSum[u], g[u], r[u], x, y[u], terms);
        if (noisePart != nullptr)
            noisePart[u] = NoisePartFromSums(g[u], r[u], x, y[u], terms);
    }
}

void CentredProductsSideBySide4(const double* const* rawSum, const NoiseMeans* const* x,
                                const NoiseMeans* y, const NoiseMeansSideBySide& side,
                                const int* from, int end, const NoiseTerms& terms,
                                double* const* out, double* const* noisePart) {
    const bool avx512 = UsableAvx512(), avx2 = UsableAvx2();
    const bool same =
        x[0]->point.size() == x[3]->point.size() && x[1]->point.size() == x[3]->point.size() &&
        x[2]->point.size() == x[3]->point.size() && x[0]->row.size() == x[3]->row.size() &&
        x[1]->row.size() == x[3]->row.size() && x[2]->row.size() == x[3]->row.size();
    const int first = std::min({from[0], from[1], from[2], from[3]});
    if (!avx2 || !same || first < 0 || std::max({from[0], from[1], from[2], from[3]}) > end) {
        for (int i = 0; i < 4; ++i)
            CentredProductsSideBySide(rawSum[i], *x[i], y + from[i], side, from[i],
                                      end - from[i] + 1, terms, out[i],
                                      noisePart != nullptr ? noisePart[i] : nullptr);
        return;
    }
    // Every row's pairs from the first row's first block on: a pair's sum does not depend on
    // the pairs summed beside it, and the pairs before a row's own first block are left out.
    const std::size_t stride = static_cast<std::size_t>(side.count);
    const int count = end - first + 1;
    std::vector<double> sums(8 * static_cast<std::size_t>(count), 0.0);
    double *g[4], *r[4];
    const std::vector<double>*points[4], *rows[4];
    for (int i = 0; i < 4; ++i) {
        g[i] = sums.data() + static_cast<std::size_t>(i) * count;
        r[i] = g[i] + 4 * static_cast<std::size_t>(count);
        points[i] = &x[i]->point, rows[i] = &x[i]->row;
    }
    const auto add = avx512 ? AddMeanProductsRowsAvx512<4> : AddMeanProductsRowsAvx2<4>;
    if (terms.timeInvariant)
        add(points, side.point.data() + first, stride, count, g);
    if (terms.radiallyInvariant)
        add(rows, side.row.data() + first, stride, count, r);
    for (int i = 0; i < 4; ++i)
        for (int u = 0; u <= end - from[i]; ++u) {
            const int at = from[i] - first + u;
            out[i][u] =
                CentredFromSums(rawSum[i][u], g[i][at], r[i][at], *x[i], y[from[i] + u], terms);
            if (noisePart != nullptr)
                noisePart[i][u] =
                    NoisePartFromSums(g[i][at], r[i][at], *x[i], y[from[i] + u], terms);
        }
}

void CentredProductsWith(const double* rawSum, const NoiseMeans* const* x, const NoiseMeans& y,
                         int count, const NoiseTerms& terms, double* out) {
    int k = 0;
    for (; k + 4 <= count; k += 4) {
        const std::size_t rows = x[k]->row.size(), points = x[k]->point.size();
        bool same = true;
        for (int u = 1; u < 4; ++u)
            same = same && x[k + u]->row.size() == rows && x[k + u]->point.size() == points;
        if (!same)
            break;
        // each pair's sums in index order, as CentredProduct forms them, four side by side
        CentredProductsOf<4>(
            rawSum + k, [&](int u) -> const NoiseMeans& { return *x[k + u]; },
            [&](int) -> const NoiseMeans& { return y; }, terms, out + k);
    }
    for (; k < count; ++k)
        out[k] = CentredProduct(rawSum[k], *x[k], y, terms);
}

void CentredProducts(const double* rawSum, const NoiseMeans& x, const NoiseMeans* y, int count,
                     const NoiseTerms& terms, double* out, double* noisePart) {
    auto part = [noisePart](int k) { return noisePart != nullptr ? noisePart + k : nullptr; };
    int k = 0;
    for (; k + 4 <= count; k += 4)
        CentredProductsOf<4>(rawSum + k, x, y + k, terms, out + k, part(k));
    for (; k < count; ++k)
        CentredProductsOf<1>(rawSum + k, x, y + k, terms, out + k, part(k));
}

NoiseEstimate NoiseFromMeans(const NoiseMeans& r, const NoiseTerms& terms) {
    NoiseEstimate e;
    e.ti.assign(r.point.size(), 0.0);
    e.ri.assign(r.row.size(), 0.0);
    if (terms.timeInvariant)
        e.ti = r.point;
    const bool offsetElsewhere = terms.timeInvariant || terms.baseline;
    if (terms.radiallyInvariant)
        for (std::size_t s = 0; s < r.row.size(); ++s)
            e.ri[s] = r.row[s] - (offsetElsewhere ? r.grand : 0.0);
    if (terms.baseline && !terms.timeInvariant)
        e.baseline = r.grand;
    return e;
}
