// The noise part of the columns' products and the normal equations with the noise held.
#include "distributions/conti_held_noise.h"

#include <cstddef>

CDenseMatrix NoiseGramOfColumns(const ContiNormalEquations& eq, const NoiseTerms& terms) {
    const int n = eq.N();
    if (!terms.Any() || static_cast<int>(eq.columnMeans.size()) != n + 1)
        return CDenseMatrix(0);
    CDenseMatrix Q(n);
    // From a raw sum of zero the centred product is minus the noise's part.
    std::vector<double> zeros(static_cast<std::size_t>(n), 0.0);
    std::vector<double> row(static_cast<std::size_t>(n));
    for (int p = 1; p <= n; ++p) {
        CentredProducts(zeros.data(), eq.columnMeans[std::size_t(p)], eq.columnMeans.data() + p,
                        n - p + 1, terms, row.data());
        for (int q = p; q <= n; ++q)
            Q(p, q) = Q(q, p) = -row[std::size_t(q - p)];
    }
    return Q;
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

void MoveNoiseToAmplitudes(const std::vector<NoiseMeans>& columnMeans, const std::vector<double>& c,
                           const std::vector<double>& c0, const NoiseTerms& terms,
                           std::vector<double>& ti, std::vector<double>& ri) {
    NoiseMeans d;
    d.point.assign(ti.size(), 0.0);
    d.row.assign(ri.size(), 0.0);
    for (std::size_t p = 1; p < columnMeans.size() && p < c.size(); ++p) {
        const double w = c[p] - c0[p];
        const NoiseMeans& m = columnMeans[p];
        if (w == 0.0 || m.point.size() != d.point.size() || m.row.size() != d.row.size())
            continue;
        for (std::size_t j = 0; j < d.point.size(); ++j)
            d.point[j] += w * m.point[j];
        for (std::size_t s = 0; s < d.row.size(); ++s)
            d.row[s] += w * m.row[s];
        d.grand += w * m.grand;
    }
    const NoiseEstimate e = NoiseFromMeans(d, terms);
    for (std::size_t j = 0; j < ti.size(); ++j)
        ti[j] += e.ti[j];
    for (std::size_t s = 0; s < ri.size(); ++s)
        ri[s] += e.ri[s];
}
