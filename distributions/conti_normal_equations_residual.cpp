// What the normal equations say of given amplitudes: the squared residual they leave, from the
// equations, and the systematic noise their residual implies, from the kernel and the data.
#include "distributions/conti_held_noise.h"
#include "distributions/conti_normal_equations.h"
#include "foundations/vector_unit.h"
#include "lamm/kept_thread_pool.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <immintrin.h>
#include <utility>
#include <vector>

namespace {

// Rows[0..W-1] of A times c: W independent sums, each over the columns in order.
template <int W>
void RowProductsOf(const CDenseMatrix& A, const std::vector<double>& c, const int* rows,
                   double* out) {
    const int n = A.N();
    const double* a[W];
    double sum[W];
    for (int u = 0; u < W; ++u) {
        a[u] = A.Row(rows[u]);
        sum[u] = 0.0;
    }
    for (int r = 1; r <= n; ++r)
        for (int u = 0; u < W; ++u)
            sum[u] += a[u][r] * c[r];
    for (int u = 0; u < W; ++u)
        out[u] = sum[u];
}

// Rows p..p + count - 1 of A times c (count at most 32; NV registers of eight, the last under a
// mask) read down the columns of A, which is symmetric: A(r, p..) are the entries A(p.., r), and
// each sum takes the products of the columns r = 1..n in order, as RowProductsOf does. Built for
// AVX-512 without fused multiply-adds (each product rounded before it is added).
template <int NV>
[[gnu::target("avx512f"), gnu::optimize("fp-contract=off"), gnu::always_inline]] inline void
ConsecutiveRowProducts(const CDenseMatrix& A, const double* c, int p, int count, double* out) {
    const auto last = static_cast<__mmask8>((1u << (count - 8 * (NV - 1))) - 1u);
    __m512d sum[NV];
    for (int v = 0; v < NV; ++v)
        sum[v] = _mm512_setzero_pd();
    const int n = A.N();
    for (int r = 1; r <= n; ++r) {
        const double* a = A.Row(r) + p;
        const __m512d x = _mm512_set1_pd(c[r]);
        for (int v = 0; v < NV; ++v) {
            const __mmask8 mask = v == NV - 1 ? last : static_cast<__mmask8>(0xff);
            sum[v] =
                _mm512_add_pd(sum[v], _mm512_mul_pd(_mm512_maskz_loadu_pd(mask, a + 8 * v), x));
        }
    }
    for (int v = 0; v < NV; ++v) {
        const __mmask8 mask = v == NV - 1 ? last : static_cast<__mmask8>(0xff);
        _mm512_mask_storeu_pd(out + 8 * v, mask, sum[v]);
    }
}

// The products of the rows listed: runs of consecutive rows down the columns, up to 32 at a time.
[[gnu::target("avx512f"), gnu::optimize("fp-contract=off")]] void
RowProductsAvx512(const CDenseMatrix& A, const double* c, const int* rows, int count, double* out) {
    for (int k = 0; k < count;) {
        int run = 1;
        while (run < 32 && k + run < count && rows[k + run] == rows[k] + run)
            ++run;
        if (run > 24)
            ConsecutiveRowProducts<4>(A, c, rows[k], run, out + k);
        else if (run > 16)
            ConsecutiveRowProducts<3>(A, c, rows[k], run, out + k);
        else if (run > 8)
            ConsecutiveRowProducts<2>(A, c, rows[k], run, out + k);
        else
            ConsecutiveRowProducts<1>(A, c, rows[k], run, out + k);
        k += run;
    }
}

// ConsecutiveRowProducts for AVX2: exactly 4 NV consecutive rows in registers of four, the same
// sums in the same order without fused multiply-adds.
template <int NV>
[[gnu::target("avx2"), gnu::optimize("fp-contract=off"), gnu::always_inline]] inline void
ConsecutiveRowProductsAvx2(const CDenseMatrix& A, const double* c, int p, double* out) {
    __m256d sum[NV];
    for (int v = 0; v < NV; ++v)
        sum[v] = _mm256_setzero_pd();
    const int n = A.N();
    for (int r = 1; r <= n; ++r) {
        const double* a = A.Row(r) + p;
        const __m256d x = _mm256_set1_pd(c[r]);
        for (int v = 0; v < NV; ++v)
            sum[v] = _mm256_add_pd(sum[v], _mm256_mul_pd(_mm256_loadu_pd(a + 4 * v), x));
    }
    for (int v = 0; v < NV; ++v)
        _mm256_storeu_pd(out + 4 * v, sum[v]);
}

// The products of the rows listed: runs of consecutive rows down the columns, up to 16 at a time
// in fours, the rows a run leaves over each on its own.
[[gnu::target("avx2"), gnu::optimize("fp-contract=off")]] void
RowProductsAvx2(const CDenseMatrix& A, const std::vector<double>& c, const int* rows, int count,
                double* out) {
    for (int k = 0; k < count;) {
        int run = 1;
        while (run < 16 && k + run < count && rows[k + run] == rows[k] + run)
            ++run;
        if (run < 4) {
            RowProductsOf<1>(A, c, rows + k, out + k);
            ++k;
            continue;
        }
        run -= run % 4;
        if (run == 16)
            ConsecutiveRowProductsAvx2<4>(A, c.data(), rows[k], out + k);
        else if (run == 12)
            ConsecutiveRowProductsAvx2<3>(A, c.data(), rows[k], out + k);
        else if (run == 8)
            ConsecutiveRowProductsAvx2<2>(A, c.data(), rows[k], out + k);
        else
            ConsecutiveRowProductsAvx2<1>(A, c.data(), rows[k], out + k);
        k += run;
    }
}

} // namespace

// Eight rows at a time: the sums do not wait on one another, and each has the bits it has alone;
// with AVX-512 or AVX2, runs of consecutive rows read down the columns (the same sums, the same
// bits).
void ContiNormalEquations::RowProducts(const std::vector<double>& c, const std::vector<int>& rows,
                                       std::vector<double>& out) const {
    const int count = static_cast<int>(rows.size());
    out.resize(rows.size());
    if (UsableAvx512()) {
        RowProductsAvx512(A, c.data(), rows.data(), count, out.data());
        return;
    }
    if (UsableAvx2()) {
        RowProductsAvx2(A, c, rows.data(), count, out.data());
        return;
    }
    int k = 0;
    for (; k + 8 <= count; k += 8)
        RowProductsOf<8>(A, c, rows.data() + k, out.data() + k);
    for (; k + 4 <= count; k += 4)
        RowProductsOf<4>(A, c, rows.data() + k, out.data() + k);
    for (; k < count; ++k)
        RowProductsOf<1>(A, c, rows.data() + k, out.data() + k);
}

double ContiNormalEquations::ChiSquare(const std::vector<double>& c,
                                       std::vector<double>* products) const {
    const int n = N();
    std::vector<int> live;
    live.reserve(n);
    for (int p = 1; p <= n; ++p)
        if (c[p] != 0.0)
            live.push_back(p);
    std::vector<double> own;
    std::vector<double>& row = products ? *products : own;
    RowProducts(c, live, row);
    double q = 0.0, lin = 0.0;
    for (std::size_t k = 0; k < live.size(); ++k) {
        const int p = live[k];
        lin += b[p] * c[p];
        q += c[p] * row[k];
    }
    if (products && std::ssize(live) != n)
        products->clear();
    return q - 2.0 * lin + yy;
}

namespace {

// row[i] += a x[i] for i in [from, last], each point on its own: the same bits in any width. Built
// for AVX-512 and AVX2 without fused multiply-adds (a x is rounded before it is added, as in the
// plain build), chosen at run time as the normal equations' kernels are. Subtracting a x is adding
// -a x: the same bits.
[[gnu::always_inline]] inline void AddMultiple(double* row, const float* x, double a, int from,
                                               int last) {
    for (int i = from; i <= last; ++i)
        row[i] += a * x[i];
}

[[gnu::target("avx512f"), gnu::optimize("fp-contract=off")]] void
AddMultipleAvx512(double* row, const float* x, double a, int from, int last) {
    AddMultiple(row, x, a, from, last);
}

[[gnu::target("avx2")]] void AddMultipleAvx2(double* row, const float* x, double a, int from,
                                             int last) {
    AddMultiple(row, x, a, from, last);
}

void AddMultiplePlain(double* row, const float* x, double a, int from, int last) {
    AddMultiple(row, x, a, from, last);
}

// One column's part in a scan's rows: its values x, its multiple a and the first point of the
// set's range where it may differ from zero (from).
struct ScanTerm {
    const float* x;
    double a;
    int from;
};

// Blocks of four columns or more ask for their rows' values some 2.5 kilobytes ahead, a cache line
// each sixteen points: the kernel rows come from memory, several at once, each a few pages.
constexpr int kPrefetchChunk = 16, kPrefetchAhead = 640;

// The multiples of W columns at once over [from, last]: at each point the terms a[u] x[u][i], each
// rounded before it is added, are added to model[i] (with Model) and taken off residual[i] (with
// Residual) in the order u = 0..W-1. Each point sees the same operations in the same order as
// when the columns are added one after another, while the rows are read and written once.
template <int W, bool Model, bool Residual>
[[gnu::always_inline]] inline void AddColumnBlock(double* __restrict model,
                                                  double* __restrict residual, const ScanTerm* t,
                                                  int from, int last) {
    const float* x[W];
    double a[W];
    for (int u = 0; u < W; ++u) {
        x[u] = t[u].x;
        a[u] = t[u].a;
    }
    auto add = [&](int lo, int hi) {
        for (int i = lo; i <= hi; ++i) {
            double m = Model ? model[i] : 0.0;
            double r = Residual ? residual[i] : 0.0;
            for (int u = 0; u < W; ++u) {
                const double v = a[u] * x[u][i];
                if constexpr (Model)
                    m += v;
                if constexpr (Residual)
                    r -= v;
            }
            if constexpr (Model)
                model[i] = m;
            if constexpr (Residual)
                residual[i] = r;
        }
    };
    int i = from;
    if constexpr (W >= 4)
        for (; i + kPrefetchChunk - 1 <= last; i += kPrefetchChunk) {
            for (int u = 0; u < W; ++u)
                __builtin_prefetch(x[u] + i + kPrefetchAhead);
            add(i, i + kPrefetchChunk - 1);
        }
    add(i, last);
}

// W columns over [start(u), last], start(u) where column u begins: each column alone up to the
// latest start of the W, then all W together. At every point the columns still come in order.
template <int W, bool Model, bool Residual, typename Start>
[[gnu::always_inline]] inline void AddColumnsFrom(double* model, double* residual,
                                                  const ScanTerm* t, Start start, int last) {
    int together = last + 1;
    if constexpr (W > 1) {
        together = start(0);
        for (int u = 1; u < W; ++u)
            together = std::max(together, start(u));
        together = std::min(together, last + 1);
        for (int u = 0; u < W; ++u)
            AddColumnBlock<1, Model, Residual>(model, residual, t + u, start(u), together - 1);
    } else {
        together = start(0);
    }
    AddColumnBlock<W, Model, Residual>(model, residual, t, together, last);
}

// W columns' part in a scan's rows: before the set's range (model), inside it (both) and after it
// up to points (model). Before the range every point is added: a column's leading zeros add
// exact zeros to a model that is never a negative zero, which leaves it as it is.
template <int W, bool Model>
[[gnu::always_inline]] inline void AddScanTerms(const ScanTerm* t, int first, int last, int points,
                                                double* model, double* residual) {
    if constexpr (Model)
        AddColumnBlock<W, true, false>(model, nullptr, t, 1, first - 1);
    AddColumnsFrom<W, Model, true>(
        model, residual, t, [t](int u) { return t[u].from; }, last);
    if constexpr (Model)
        AddColumnsFrom<W, true, false>(
            model, nullptr, t, [t, last](int u) { return std::max(t[u].from, last + 1); }, points);
}

// Every term of a scan, in order, eight columns at a time (then four, two and one).
template <bool Model>
[[gnu::always_inline]] inline void FormScanRows(const ScanTerm* t, int count, int first, int last,
                                                int points, double* model, double* residual) {
    int u = 0;
    for (; u + 8 <= count; u += 8)
        AddScanTerms<8, Model>(t + u, first, last, points, model, residual);
    if (u + 4 <= count) {
        AddScanTerms<4, Model>(t + u, first, last, points, model, residual);
        u += 4;
    }
    if (u + 2 <= count) {
        AddScanTerms<2, Model>(t + u, first, last, points, model, residual);
        u += 2;
    }
    if (u < count)
        AddScanTerms<1, Model>(t + u, first, last, points, model, residual);
}

using FormScanRowsFunction = void (*)(const ScanTerm*, int, int, int, int, double*, double*);

// Built for AVX-512 and AVX2 without fused multiply-adds (each product is rounded before it is
// added, as in the plain build), chosen at run time.
template <bool Model>
[[gnu::target("avx512f"), gnu::optimize("fp-contract=off")]] void
FormScanRowsAvx512(const ScanTerm* t, int count, int first, int last, int points, double* model,
                   double* residual) {
    FormScanRows<Model>(t, count, first, last, points, model, residual);
}

template <bool Model>
[[gnu::target("avx2")]] void FormScanRowsAvx2(const ScanTerm* t, int count, int first, int last,
                                              int points, double* model, double* residual) {
    FormScanRows<Model>(t, count, first, last, points, model, residual);
}

template <bool Model>
void FormScanRowsPlain(const ScanTerm* t, int count, int first, int last, int points, double* model,
                       double* residual) {
    FormScanRows<Model>(t, count, first, last, points, model, residual);
}

template <bool Model> FormScanRowsFunction FormScanRowsForThisMachine() {
    const bool avx512 = UsableAvx512(), avx2 = UsableAvx2();
    return avx512 ? FormScanRowsAvx512<Model>
           : avx2 ? FormScanRowsAvx2<Model>
                  : FormScanRowsPlain<Model>;
}

// The residual rows of the scans over the set's range (data less each column's multiple, column by
// column in order) and, with model, each scan's model over points 1..points: the columns'
// multiples added in order from 0, past each column's leading zeros, from the same read of each
// kernel row, several columns a pass over the rows. Each scan's rows by one thread. The shares
// beside(0..besides - 1), when given, are claimed first, before the scans'.
void ResidualAndModelRows(int n, const ContiDataSet& set, const ContiColumnRow& column,
                          const ContiDataRow& data, const std::vector<double>& c, int threads,
                          const std::vector<int>* firstNonzero, int points,
                          std::vector<std::vector<double>>& residual,
                          std::vector<std::vector<double>>* model, int besides = 0,
                          const std::function<void(int)>& beside = {}) {
    const int S = set.Scans();
    const bool known =
        firstNonzero && firstNonzero->size() == static_cast<std::size_t>(S) * (n + 1);
    residual.assign(S, {});
    if (model)
        model->assign(S, {});
    const FormScanRowsFunction form =
        model ? FormScanRowsForThisMachine<true>() : FormScanRowsForThisMachine<false>();
    // Scan by scan, each scan's rows made and formed by whichever thread claims it.
    RunOnKeptThreads(besides + S, std::clamp(threads, 1, std::max(1, S)) - 1, [&](int k, bool) {
        if (k <= besides) {
            beside(k - 1);
            return;
        }
        const int s = k - besides - 1;
        // The data over the set's range behind zeros, each value written once.
        std::vector<double>& row = residual[s];
        const float* y = data(s);
        if (set.last >= set.first) {
            row.reserve(std::size_t(set.last) + 1);
            row.assign(std::size_t(set.first), 0.0);
            row.insert(row.end(), y + set.first, y + set.last + 1);
        } else {
            row.assign(std::size_t(set.last) + 1, 0.0);
        }
        double* to = nullptr;
        if (model) {
            (*model)[s].assign(std::size_t(std::max(points, set.last)) + 1, 0.0);
            to = (*model)[s].data();
        }
        std::vector<ScanTerm> terms;
        terms.reserve(std::size_t(n));
        for (int p = 1; p <= n; ++p) {
            if (c[p] == 0.0)
                continue;
            // Past a column's leading zeros: they leave the rows as they are.
            const float* x = column(p, s);
            const int from = known ? (*firstNonzero)[static_cast<std::size_t>(s) * (n + 1) + p]
                                   : ContiFirstNonzero(x, set.first, set.last);
            terms.push_back(ScanTerm{x, c[p], from});
        }
        form(terms.data(), static_cast<int>(terms.size()), set.first, set.last,
             std::max(points, set.last), to, row.data());
    });
}

} // namespace

void ContiAddMultiple(double* row, const float* x, double a, int from, int last) {
    const bool avx512 = UsableAvx512(), avx2 = UsableAvx2();
    const auto add = avx512 ? AddMultipleAvx512 : avx2 ? AddMultipleAvx2 : AddMultiplePlain;
    add(row, x, a, from, last);
}

void ContiNoiseForAmplitudes(int n, const ContiDataSet& set, const ContiColumnRow& column,
                             const ContiDataRow& data, const std::vector<double>& c,
                             std::vector<double>& ti, std::vector<double>& ri, int threads,
                             const std::vector<int>* firstNonzero) {
    std::vector<std::vector<double>> residual;
    ResidualAndModelRows(n, set, column, data, c, threads, firstNonzero, 0, residual, nullptr);
    NoiseEstimate e =
        NoiseFromMeans(set.Means([&](int s) { return residual[s].data(); }), set.Noise());
    ti = std::move(e.ti);
    ri = std::move(e.ri);
}

void ContiNoiseAndModelMovedTo(int n, const ContiDataSet& set, const ContiColumnRow& column,
                               const ContiDataRow& data, const std::vector<double>& c,
                               const std::vector<double>& c0,
                               const std::vector<NoiseMeans>& columnMeans, int points,
                               std::vector<double>& ti, std::vector<double>& ri,
                               std::vector<std::vector<double>>& model, int threads,
                               const std::vector<int>* firstNonzero) {
    // The change of the means in parts of kMovePoints points or more, a part for each thread at
    // most; the first part takes the row means too.
    constexpr int kMovePoints = 256;
    NoiseMeans change;
    change.point.assign(std::size_t(set.Points()), 0.0);
    change.row.assign(std::size_t(set.Scans()), 0.0);
    const int parts = std::clamp(set.Points() / kMovePoints, 1, std::max(threads, 1));
    auto movePart = [&](int k) {
        const int from = int(std::int64_t(set.Points()) * k / parts);
        const int to = int(std::int64_t(set.Points()) * (k + 1) / parts);
        AddChangeOfMeans(columnMeans, c, c0, from, to, k == 0, change);
    };
    std::vector<std::vector<double>> residual;
    ResidualAndModelRows(n, set, column, data, c, threads, firstNonzero, points, residual, &model,
                         parts, movePart);
    NoiseEstimate e =
        NoiseFromMeans(set.Means([&](int s) { return residual[s].data(); }), set.Noise());
    const NoiseEstimate moved = NoiseFromMeans(change, set.Noise());
    ti = std::move(e.ti);
    ri = std::move(e.ri);
    for (std::size_t j = 0; j < ti.size(); ++j)
        ti[j] += moved.ti[j];
    for (std::size_t s = 0; s < ri.size(); ++s)
        ri[s] += moved.ri[s];
}

void ContiNoiseAndModel(int n, const ContiDataSet& set, const ContiColumnRow& column,
                        const ContiDataRow& data, const std::vector<double>& c, int points,
                        std::vector<double>& ti, std::vector<double>& ri,
                        std::vector<std::vector<double>>& model, int threads,
                        const std::vector<int>* firstNonzero) {
    std::vector<std::vector<double>> residual;
    ResidualAndModelRows(n, set, column, data, c, threads, firstNonzero, points, residual, &model);
    NoiseEstimate e =
        NoiseFromMeans(set.Means([&](int s) { return residual[s].data(); }), set.Noise());
    ti = std::move(e.ti);
    ri = std::move(e.ri);
}
