// Normal equations of the distribution fit: raw inner products of float kernel rows summed in
// double, corrected by the centring means; four columns share one pass over a row. The result
// is the same for every thread count (checked bit for bit in the distribution tests).
#include "distributions/conti_normal_equations.h"

#include "foundations/key_polling.h"
#include "state/run_switches.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

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

} // namespace

// Eight rows at a time: the sums do not wait on one another, and each has the bits it has alone.
void ContiNormalEquations::RowProducts(const std::vector<double>& c, const std::vector<int>& rows,
                                       std::vector<double>& out) const {
    const int count = static_cast<int>(rows.size());
    out.resize(rows.size());
    int k = 0;
    for (; k + 8 <= count; k += 8)
        RowProductsOf<8>(A, c, rows.data() + k, out.data() + k);
    for (; k + 4 <= count; k += 4)
        RowProductsOf<4>(A, c, rows.data() + k, out.data() + k);
    for (; k < count; ++k)
        RowProductsOf<1>(A, c, rows.data() + k, out.data() + k);
}

double ContiNormalEquations::ChiSquare(const std::vector<double>& c) const {
    const int n = N();
    std::vector<int> live;
    live.reserve(n);
    for (int p = 1; p <= n; ++p)
        if (c[p] != 0.0)
            live.push_back(p);
    std::vector<double> row;
    RowProducts(c, live, row);
    double q = 0.0, lin = 0.0;
    for (std::size_t k = 0; k < live.size(); ++k) {
        const int p = live[k];
        lin += b[p] * c[p];
        q += c[p] * row[k];
    }
    return q - 2.0 * lin + yy;
}

bool ContiNormalEquations::AnyHeld() const {
    return std::find(held.begin(), held.end(), 1) != held.end();
}

namespace {

using V4 = double __attribute__((vector_size(32)));
using F4 = float __attribute__((vector_size(16)));

// Four floats from v, widened to double (through a reference: vectors are not passed by value).
[[gnu::always_inline]] inline void Load4(const float* v, V4& out) {
    F4 f;
    std::memcpy(&f, v, sizeof f);
    out = __builtin_convertvector(f, V4);
}

// Adds the products of x with the four columns y[0..3] to sum[0..3]. Four lanes per cell (points
// i mod 4, one vector per cell), added in a fixed order at the end: the same sums for any thread
// count, and independent chains for the CPU.
[[gnu::always_inline]] inline void AddFour(const float* x, const float* const* y, int lo, int hi,
                                           double* sum) {
    V4 acc[4] = {};
    int i = lo;
    for (; i + 3 <= hi; i += 4) {
        V4 xi, yi;
        Load4(x + i, xi);
        for (int u = 0; u < 4; ++u) {
            Load4(y[u] + i, yi);
            acc[u] += xi * yi;
        }
    }
    for (; i <= hi; ++i) {
        const double xi = x[i];
        for (int u = 0; u < 4; ++u)
            acc[u][0] += xi * y[u][i];
    }
    for (int u = 0; u < 4; ++u)
        sum[u] += (acc[u][0] + acc[u][1]) + (acc[u][2] + acc[u][3]);
}

// AddFour for two rows x1 and x2 at once: each cell gets exactly the sums AddFour gives it, with
// the columns loaded once for both.
[[gnu::always_inline]] inline void AddFourTwice(const float* x1, const float* x2,
                                                const float* const* y, int lo, int hi, double* sum1,
                                                double* sum2) {
    V4 acc1[4] = {}, acc2[4] = {};
    int i = lo;
    for (; i + 3 <= hi; i += 4) {
        V4 xi1, xi2, yi;
        Load4(x1 + i, xi1);
        Load4(x2 + i, xi2);
        for (int u = 0; u < 4; ++u) {
            Load4(y[u] + i, yi);
            acc1[u] += xi1 * yi;
            acc2[u] += xi2 * yi;
        }
    }
    for (; i <= hi; ++i) {
        const double xi1 = x1[i], xi2 = x2[i];
        for (int u = 0; u < 4; ++u) {
            acc1[u][0] += xi1 * y[u][i];
            acc2[u][0] += xi2 * y[u][i];
        }
    }
    for (int u = 0; u < 4; ++u) {
        sum1[u] += (acc1[u][0] + acc1[u][1]) + (acc1[u][2] + acc1[u][3]);
        sum2[u] += (acc2[u][0] + acc2[u][1]) + (acc2[u][2] + acc2[u][3]);
    }
}

// The last m < 4 columns of a row, point by point.
inline void AddTail(const float* x, const float* const* y, int m, int lo, int hi, double* sum) {
    for (int u = 0; u < m; ++u) {
        double t = sum[u];
        for (int i = lo; i <= hi; ++i)
            t += double(x[i]) * y[u][i];
        sum[u] = t;
    }
}

// Adds one scan's products of column p1 with columns q >= p1 to sum1[q - p1] and, when x2 is
// given, those of column p2 with columns q >= p2 to sum2[q - p2]. The columns of row p1 go in
// groups of four from p1, the last group shorter; p2 - p1 is a multiple of four, so from p2 on
// both rows have the same groups and share their loads.
[[gnu::always_inline]] inline void AddScanToRows(const float* const* col, int n, int lo, int hi,
                                                 const float* x1, int p1, double* sum1,
                                                 const float* x2, int p2, double* sum2) {
    const int shared = x2 ? p2 : n + 1;
    for (int q = p1; q <= n; q += 4) {
        const int m = std::min(4, n - q + 1);
        if (m < 4) {
            AddTail(x1, col + q, m, lo, hi, sum1 + (q - p1));
            if (q >= shared)
                AddTail(x2, col + q, m, lo, hi, sum2 + (q - p2));
        } else if (q >= shared) {
            AddFourTwice(x1, x2, col + q, lo, hi, sum1 + (q - p1), sum2 + (q - p2));
        } else {
            AddFour(x1, col + q, lo, hi, sum1 + (q - p1));
        }
    }
}

// AddScanToRows built for AVX2 and for any x86-64, chosen at run time (by a plain check rather
// than an indirect function, whose resolver runs before the sanitizers are set up). Both do the
// same multiplications and additions in the same order (no fused multiply-add), so they give
// the same bits.
[[gnu::target("avx2")]] void AddScanToRowsAvx2(const float* const* col, int n, int lo, int hi,
                                               const float* x1, int p1, double* sum1,
                                               const float* x2, int p2, double* sum2) {
    AddScanToRows(col, n, lo, hi, x1, p1, sum1, x2, p2, sum2);
}

void AddScanToRowsPlain(const float* const* col, int n, int lo, int hi, const float* x1, int p1,
                        double* sum1, const float* x2, int p2, double* sum2) {
    AddScanToRows(col, n, lo, hi, x1, p1, sum1, x2, p2, sum2);
}

} // namespace

void ContiNEQJob::ComputeRows(int k, int count) const {
    const ContiDataSet& ds = *set;
    const int S = ds.Scans(), lo = ds.first, hi = ds.last;
    const NoiseTerms noise = ds.Noise();
    ContiNormalEquations& o = *out;
    // The rows of this thread and, for each, the running sums of its cells A(p, q >= p) and of
    // b(p). The scans are the outer loop: one scan's columns stay in the core's cache while every
    // row of the thread is taken through them, instead of the whole kernel being streamed once
    // per row. Each cell still adds its per-scan partial sums in scan order, so the sums are
    // the same as a row-by-row pass and the same for any thread count.
    std::vector<int> rows;
    std::vector<std::size_t> offset{0};
    for (int p = k; p <= n; p += count) {
        rows.push_back(p);
        offset.push_back(offset.back() + static_cast<std::size_t>(n - p + 1));
    }
    if (rows.empty())
        return;
    std::vector<double> cells(offset.back(), 0.0), sb(rows.size(), 0.0);
    std::vector<const float*> col(n + 1, nullptr);
    const std::size_t pairStep = count % 4 == 0 ? 1 : count % 2 == 0 ? 2 : 4;
    static const bool avx2 = __builtin_cpu_supports("avx2");
    const auto addScan = avx2 ? AddScanToRowsAvx2 : AddScanToRowsPlain;
    for (int s = 0; s < S; ++s) {
        for (int q = rows.front(); q <= n; ++q)
            col[q] = column(q, s);
        const float* y = data(s);
        for (std::size_t r = 0; r < rows.size(); ++r) {
            const int p = rows[r];
            const float* x = col[p];
            double rb = sb[r];
            for (int i = lo; i <= hi; ++i)
                rb += double(x[i]) * double(y[i]);
            sb[r] = rb;
        }
        // Rows r and r + pairStep (their distance a multiple of four) share one pass; the rest
        // go alone.
        for (std::size_t r0 = 0; r0 < rows.size(); r0 += 2 * pairStep)
            for (std::size_t r = r0; r < r0 + pairStep && r < rows.size(); ++r) {
                const std::size_t r2 = r + pairStep;
                if (r2 < rows.size())
                    addScan(col.data(), n, lo, hi, col[rows[r]], rows[r], cells.data() + offset[r],
                            col[rows[r2]], rows[r2], cells.data() + offset[r2]);
                else
                    addScan(col.data(), n, lo, hi, col[rows[r]], rows[r], cells.data() + offset[r],
                            nullptr, 0, nullptr);
            }
    }
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const int p = rows[r];
        const double* sum = cells.data() + offset[r];
        o.b[p] = CentredProduct(sb[r], o.columnMeans[p], o.dataMeans, noise);
        o.rawNorm[p] = sum[0];
        for (int q = p; q <= n; ++q)
            o.A(p, q) = CentredProduct(sum[q - p], o.columnMeans[p], o.columnMeans[q], noise);
    }
}

int MultiContiNEQThread::Run() {
    SetPriority(Highest);
    share_(k_, count_);
    return 0;
}

void RunContiShares(int count, const std::function<void(int, int)>& share) {
    if (count <= 1) {
        share(1, 1);
        return;
    }
    std::vector<std::unique_ptr<MultiContiNEQThread>> workers;
    for (int k = 2; k <= count; ++k)
        workers.push_back(std::make_unique<MultiContiNEQThread>(share, k, count));
    for (auto& w : workers)
        w->Start();
    share(1, count);
    for (auto& w : workers)
        w->WaitForExit();
}

bool BuildContiNormalEquations(int n, const ContiDataSet& set, const ContiColumnRow& column,
                               const ContiDataRow& data, int threads, ContiNormalEquations& out) {
    out.A.Resize(n);
    out.b.assign(n + 1, 0.0);
    out.rawNorm.assign(n + 1, 0.0);
    out.held.assign(n + 1, 0);
    out.columnMeans.assign(n + 1, NoiseMeans{});
    const int count = std::clamp(threads, 1, std::max(1, n));
    RunContiShares(count, [&](int k, int m) {
        for (int p = k; p <= n; p += m)
            out.columnMeans[p] = set.Means([&](int s) { return column(p, s); });
    });
    out.dataMeans = set.Means(data);
    double yy = 0.0;
    for (int s = 0; s < set.Scans(); ++s) {
        const float* y = data(s);
        for (int i = set.first; i <= set.last; ++i)
            yy += double(y[i]) * double(y[i]);
    }
    out.yy = CentredProduct(yy, out.dataMeans, out.dataMeans, set.Noise());

    ContiNEQJob job{n, &set, column, data, &out};
    RunContiShares(count, [&job](int k, int m) { job.ComputeRows(k, m); });
    out.A.MirrorUpper();
    // Only while noise is eliminated can a column with signal have a vanishing centred norm; a
    // column that is zero everywhere (raw norm 0) is left as it was.
    if (set.timeInvariant || set.radiallyInvariant)
        for (int p = 1; p <= n; ++p)
            out.held[p] = out.A(p, p) < kHeldColumnRatio * out.rawNorm[p] ? 1 : 0;
    if (KeyPressed()) {
        gUserInterrupt.store(true);
        return false;
    }
    return true;
}

void ContiNoiseForAmplitudes(int n, const ContiDataSet& set, const ContiColumnRow& column,
                             const ContiDataRow& data, const std::vector<double>& c,
                             std::vector<double>& ti, std::vector<double>& ri, int threads) {
    const int S = set.Scans();
    std::vector<std::vector<double>> residual(S, std::vector<double>(set.last + 1, 0.0));
    // Each scan's row by one thread, column by column in order.
    RunContiShares(std::clamp(threads, 1, std::max(1, S)), [&](int k, int m) {
        for (int s = k - 1; s < S; s += m) {
            std::vector<double>& row = residual[s];
            const float* y = data(s);
            for (int i = set.first; i <= set.last; ++i)
                row[i] = y[i];
            for (int p = 1; p <= n; ++p) {
                if (c[p] == 0.0)
                    continue;
                const float* x = column(p, s);
                for (int i = set.first; i <= set.last; ++i)
                    row[i] -= c[p] * x[i];
            }
        }
    });
    NoiseEstimate e =
        NoiseFromMeans(set.Means([&](int s) { return residual[s].data(); }), set.Noise());
    ti = std::move(e.ti);
    ri = std::move(e.ri);
}
