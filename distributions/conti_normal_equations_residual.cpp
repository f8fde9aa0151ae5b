// What the normal equations say of given amplitudes: the squared residual they leave, from the
// equations, and the systematic noise their residual implies, from the kernel and the data.
#include "distributions/conti_normal_equations.h"
#include "lamm/kept_thread_pool.h"

#include <algorithm>
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

// model[i] += a x[i] and residual[i] -= a x[i] for i in [from, last], from one read of x: each
// the same bits as AddMultiple on its own (taking a x off is adding -a x).
[[gnu::always_inline]] inline void
AddAndTakeMultiple(double* model, double* residual, const float* x, double a, int from, int last) {
    for (int i = from; i <= last; ++i) {
        const double m = a * x[i];
        model[i] += m;
        residual[i] -= m;
    }
}

[[gnu::target("avx512f"), gnu::optimize("fp-contract=off")]] void
AddAndTakeMultipleAvx512(double* model, double* residual, const float* x, double a, int from,
                         int last) {
    AddAndTakeMultiple(model, residual, x, a, from, last);
}

[[gnu::target("avx2")]] void AddAndTakeMultipleAvx2(double* model, double* residual, const float* x,
                                                    double a, int from, int last) {
    AddAndTakeMultiple(model, residual, x, a, from, last);
}

void AddAndTakeMultiplePlain(double* model, double* residual, const float* x, double a, int from,
                             int last) {
    AddAndTakeMultiple(model, residual, x, a, from, last);
}

void AddAndTake(double* model, double* residual, const float* x, double a, int from, int last) {
    static const bool avx512 = __builtin_cpu_supports("avx512f");
    static const bool avx2 = __builtin_cpu_supports("avx2");
    const auto add = avx512 ? AddAndTakeMultipleAvx512
                     : avx2 ? AddAndTakeMultipleAvx2
                            : AddAndTakeMultiplePlain;
    add(model, residual, x, a, from, last);
}

// The residual rows of the scans over the set's range (data less each column's multiple, column by
// column in order) and, with model, each scan's model over points 1..points: the columns'
// multiples added in order from 0, past each column's leading zeros, from the same read of each
// kernel row. Each scan's rows by one thread.
void ResidualAndModelRows(int n, const ContiDataSet& set, const ContiColumnRow& column,
                          const ContiDataRow& data, const std::vector<double>& c, int threads,
                          const std::vector<int>* firstNonzero, int points,
                          std::vector<std::vector<double>>& residual,
                          std::vector<std::vector<double>>* model) {
    const int S = set.Scans();
    const bool known =
        firstNonzero && firstNonzero->size() == static_cast<std::size_t>(S) * (n + 1);
    residual.assign(S, {});
    if (model)
        model->assign(S, {});
    // Scan by scan, each scan's rows made and formed by whichever thread claims it.
    RunOnKeptThreads(S, std::clamp(threads, 1, std::max(1, S)) - 1, [&](int k, bool) {
        const int s = k - 1;
        std::vector<double>& row = residual[s];
        row.assign(std::size_t(set.last) + 1, 0.0);
        if (model)
            (*model)[s].assign(std::size_t(std::max(points, set.last)) + 1, 0.0);
        const float* y = data(s);
        for (int i = set.first; i <= set.last; ++i)
            row[i] = y[i];
        for (int p = 1; p <= n; ++p) {
            if (c[p] == 0.0)
                continue;
            // Past a column's leading zeros: they leave the rows as they are.
            const float* x = column(p, s);
            const int from = known ? (*firstNonzero)[static_cast<std::size_t>(s) * (n + 1) + p]
                                   : ContiFirstNonzero(x, set.first, set.last);
            if (!model) {
                ContiAddMultiple(row.data(), x, -c[p], from, set.last);
                continue;
            }
            double* to = (*model)[s].data();
            const int before = ContiFirstNonzero(x, 1, set.first - 1);
            if (before < set.first)
                ContiAddMultiple(to, x, c[p], before, set.first - 1);
            AddAndTake(to, row.data(), x, c[p], from, set.last);
            ContiAddMultiple(to, x, c[p], std::max(from, set.last + 1), points);
        }
    });
}

} // namespace

void ContiAddMultiple(double* row, const float* x, double a, int from, int last) {
    static const bool avx512 = __builtin_cpu_supports("avx512f");
    static const bool avx2 = __builtin_cpu_supports("avx2");
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
