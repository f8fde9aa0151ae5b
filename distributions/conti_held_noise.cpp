// The noise part of the columns' products and the normal equations with the noise held.
#include "distributions/conti_held_noise.h"

#include "distributions/conti_normal_equations.h"

#include <algorithm>
#include <cstddef>
#include <vector>

// The pair (p, q >= p) of the noise part is minus the centred product of a raw sum of zero with x
// the means of column p, the first of the two: the product of the two grand means is formed in
// that order, so the pair is made so wherever it is made (whole or brought up to date).
CDenseMatrix NoiseGramOfColumns(const ContiNormalEquations& eq, const NoiseTerms& terms,
                                int threads) {
    const int n = eq.N();
    if (!terms.Any() || static_cast<int>(eq.columnMeans.size()) != n + 1)
        return CDenseMatrix(0);
    CDenseMatrix Q(n);
    // the call's own (the shares read it through the lambda's reference)
    NoiseMeansSideBySide side;
    side.Assign(eq.columnMeans.data(), n + 1);
    const std::vector<double> zeros(std::size_t(n) + 1, 0.0);
    // Rows p..p + 3 over their columns from p on, four rows sharing the loads of the means; the
    // groups dealt out over the shares (the sums of a pair do not depend on those beside it).
    const int groups = (n + 3) / 4;
    RunContiShares(std::clamp(threads, 1, std::max(groups, 1)), [&](int k, int count) {
        std::vector<double> out(4 * (std::size_t(n) + 1));
        for (int g = k - 1; g < groups; g += count) {
            const int first = 4 * g + 1, in = std::min(4, n - first + 1);
            const double* sums[4];
            const NoiseMeans* x[4];
            double* to[4];
            int from[4];
            for (int i = 0; i < 4; ++i) {
                from[i] = first + i;
                sums[i] = zeros.data();
                x[i] = &eq.columnMeans[std::size_t(first + i)];
                to[i] = out.data() + std::size_t(i) * (std::size_t(n) + 1);
            }
            if (in == 4)
                CentredProductsSideBySide4(sums, x, eq.columnMeans.data(), side, from, n, terms,
                                           to);
            else
                for (int i = 0; i < in; ++i)
                    CentredProductsSideBySide(zeros.data(), *x[i], eq.columnMeans.data() + from[i],
                                              side, from[i], n - from[i] + 1, terms, to[i]);
            for (int i = 0; i < in; ++i)
                for (int q = from[i]; q <= n; ++q)
                    Q(from[i], q) = Q(q, from[i]) = -to[i][q - from[i]];
        }
    });
    return Q;
}

void UpdateNoiseGramOfColumns(const ContiNormalEquations& eq, const NoiseTerms& terms,
                              const std::vector<char>& changed, CDenseMatrix& Q) {
    const int n = eq.N();
    if (Q.N() != n || static_cast<int>(eq.columnMeans.size()) != n + 1) {
        Q = NoiseGramOfColumns(eq, terms);
        return;
    }
    const std::vector<double> zeros(std::size_t(n) + 1, 0.0);
    std::vector<double> out(std::size_t(n) + 1);
    std::vector<const NoiseMeans*> before;
    for (int p = 1; p <= n; ++p) {
        if (!changed[std::size_t(p)])
            continue;
        // the pairs (p, q >= p) from p's means, those (q < p, p) from q's
        CentredProducts(zeros.data(), eq.columnMeans[std::size_t(p)], eq.columnMeans.data() + p,
                        n - p + 1, terms, out.data());
        for (int q = p; q <= n; ++q)
            Q(p, q) = Q(q, p) = -out[std::size_t(q - p)];
        before.clear();
        for (int q = 1; q < p; ++q)
            before.push_back(&eq.columnMeans[std::size_t(q)]);
        CentredProductsWith(zeros.data(), before.data(), eq.columnMeans[std::size_t(p)], p - 1,
                            terms, out.data());
        for (int q = 1; q < p; ++q)
            Q(p, q) = Q(q, p) = -out[std::size_t(q - 1)];
    }
}

ContiNormalEquations EquationsWithNoiseHeld(const ContiNormalEquations& eq,
                                            const std::vector<double>& c0) {
    const int n = eq.N();
    const CDenseMatrix& Q = eq.noiseGram;
    ContiNormalEquations held;
    held.A = eq.A;
    held.b = eq.b;
    held.yy = eq.yy;
    held.rawYy = eq.rawYy;
    held.values = eq.values;
    held.noiseParameters = eq.noiseParameters;
    held.rawNorm = eq.rawNorm;
    held.held = eq.held;
    held.discreteColumns = eq.discreteColumns;
    for (int p = 1; p <= n; ++p) {
        double qc = 0.0;
        for (int q = 1; q <= n; ++q) {
            held.A(p, q) += Q(p, q);
            qc += Q(p, q) * c0[std::size_t(q)];
        }
        held.b[std::size_t(p)] += qc;
        held.yy += c0[std::size_t(p)] * qc;
    }
    return held;
}

void AddChangeOfMeans(const std::vector<NoiseMeans>& columnMeans, const std::vector<double>& c,
                      const std::vector<double>& c0, int from, int to, bool rows, NoiseMeans& d) {
    for (std::size_t p = 1; p < columnMeans.size() && p < c.size(); ++p) {
        const double w = c[p] - c0[p];
        const NoiseMeans& m = columnMeans[p];
        if (w == 0.0 || m.point.size() != d.point.size() || m.row.size() != d.row.size())
            continue;
        for (int j = from; j < to; ++j)
            d.point[std::size_t(j)] += w * m.point[std::size_t(j)];
        if (!rows)
            continue;
        for (std::size_t s = 0; s < d.row.size(); ++s)
            d.row[s] += w * m.row[s];
        d.grand += w * m.grand;
    }
}

void MoveNoiseToAmplitudes(const std::vector<NoiseMeans>& columnMeans, const std::vector<double>& c,
                           const std::vector<double>& c0, const NoiseTerms& terms,
                           std::vector<double>& ti, std::vector<double>& ri) {
    NoiseMeans d;
    d.point.assign(ti.size(), 0.0);
    d.row.assign(ri.size(), 0.0);
    AddChangeOfMeans(columnMeans, c, c0, 0, static_cast<int>(d.point.size()), true, d);
    const NoiseEstimate e = NoiseFromMeans(d, terms);
    for (std::size_t j = 0; j < ti.size(); ++j)
        ti[j] += e.ti[j];
    for (std::size_t s = 0; s < ri.size(); ++s)
        ri[s] += e.ri[s];
}
