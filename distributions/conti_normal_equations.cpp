// Normal equations of the distribution fit: raw inner products of float kernel rows summed in
// double, corrected by the centring means; four columns share one pass over a row. The result
// is the same for every thread count (checked bit for bit in the distribution tests).
#include "distributions/conti_normal_equations.h"

#include "foundations/key_polling.h"
#include "state/run_switches.h"

#include <algorithm>
#include <memory>
#include <utility>

double ContiNormalEquations::ChiSquare(const std::vector<double>& c) const {
    const int n = N();
    double q = 0.0, lin = 0.0;
    for (int p = 1; p <= n; ++p) {
        if (c[p] == 0.0)
            continue;
        lin += b[p] * c[p];
        double row = 0.0;
        for (int r = 1; r <= n; ++r)
            row += A(p, r) * c[r];
        q += c[p] * row;
    }
    return q - 2.0 * lin + yy;
}

bool ContiNormalEquations::AnyHeld() const {
    return std::find(held.begin(), held.end(), 1) != held.end();
}

void ContiNEQJob::ComputeRows(int k, int count) const {
    const ContiDataSet& ds = *set;
    const int S = ds.Scans(), lo = ds.first, hi = ds.last;
    const NoiseTerms noise = ds.Noise();
    ContiNormalEquations& o = *out;
    for (int p = k; p <= n; p += count) {
        // b(p) first, then the cells of row p in blocks of four columns.
        double sb = 0.0;
        for (int s = 0; s < S; ++s) {
            const float* x = column(p, s);
            const float* y = data(s);
            for (int i = lo; i <= hi; ++i)
                sb += double(x[i]) * double(y[i]);
        }
        o.b[p] = CentredProduct(sb, o.columnMeans[p], o.dataMeans, noise);
        for (int q = p; q <= n; q += 4) {
            const int m = std::min(4, n - q + 1);
            double sum[4] = {0.0, 0.0, 0.0, 0.0};
            for (int s = 0; s < S; ++s) {
                const float* x = column(p, s);
                const float* y[4] = {};
                for (int u = 0; u < m; ++u)
                    y[u] = column(q + u, s);
                if (m == 4) {
                    // Four lanes per cell (points i mod 4), added in a fixed order at the end:
                    // the same sums for any thread count, and independent chains for the CPU.
                    double acc[4][4] = {};
                    const float *y0 = y[0], *y1 = y[1], *y2 = y[2], *y3 = y[3];
                    int i = lo;
                    for (; i + 3 <= hi; i += 4)
                        for (int l = 0; l < 4; ++l) {
                            const double xi = x[i + l];
                            acc[0][l] += xi * y0[i + l];
                            acc[1][l] += xi * y1[i + l];
                            acc[2][l] += xi * y2[i + l];
                            acc[3][l] += xi * y3[i + l];
                        }
                    for (; i <= hi; ++i) {
                        const double xi = x[i];
                        acc[0][0] += xi * y0[i];
                        acc[1][0] += xi * y1[i];
                        acc[2][0] += xi * y2[i];
                        acc[3][0] += xi * y3[i];
                    }
                    for (int u = 0; u < 4; ++u)
                        sum[u] += (acc[u][0] + acc[u][1]) + (acc[u][2] + acc[u][3]);
                } else {
                    for (int u = 0; u < m; ++u)
                        for (int i = lo; i <= hi; ++i)
                            sum[u] += double(x[i]) * y[u][i];
                }
            }
            if (q == p)
                o.rawNorm[p] = sum[0];
            for (int u = 0; u < m; ++u)
                o.A(p, q + u) =
                    CentredProduct(sum[u], o.columnMeans[p], o.columnMeans[q + u], noise);
        }
    }
}

int MultiContiNEQThread::Run() {
    SetPriority(Highest);
    job_.ComputeRows(k_, count_);
    return 0;
}

bool BuildContiNormalEquations(int n, const ContiDataSet& set, const ContiColumnRow& column,
                               const ContiDataRow& data, int threads, ContiNormalEquations& out) {
    out.A.Resize(n);
    out.b.assign(n + 1, 0.0);
    out.rawNorm.assign(n + 1, 0.0);
    out.held.assign(n + 1, 0);
    out.columnMeans.assign(n + 1, NoiseMeans{});
    for (int p = 1; p <= n; ++p)
        out.columnMeans[p] = set.Means([&](int s) { return column(p, s); });
    out.dataMeans = set.Means(data);
    double yy = 0.0;
    for (int s = 0; s < set.Scans(); ++s) {
        const float* y = data(s);
        for (int i = set.first; i <= set.last; ++i)
            yy += double(y[i]) * double(y[i]);
    }
    out.yy = CentredProduct(yy, out.dataMeans, out.dataMeans, set.Noise());

    ContiNEQJob job{n, &set, column, data, &out};
    const int count = std::clamp(threads, 1, std::max(1, n));
    if (count <= 1) {
        job.ComputeRows(1, 1);
    } else {
        std::vector<std::unique_ptr<MultiContiNEQThread>> workers;
        for (int k = 1; k <= count; ++k)
            workers.push_back(std::make_unique<MultiContiNEQThread>(job, k, count));
        for (auto& w : workers)
            w->Start();
        for (auto& w : workers)
            w->WaitForExit();
    }
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
                             std::vector<double>& ti, std::vector<double>& ri) {
    const int S = set.Scans();
    std::vector<std::vector<double>> residual(S, std::vector<double>(set.last + 1, 0.0));
    for (int s = 0; s < S; ++s) {
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
    NoiseEstimate e =
        NoiseFromMeans(set.Means([&](int s) { return residual[s].data(); }), set.Noise());
    ti = std::move(e.ti);
    ri = std::move(e.ri);
}
