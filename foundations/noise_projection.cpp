// The centring of the systematic noise elimination.
#include "foundations/noise_projection.h"

void CentreBlock(CDenseMatrix& x, const NoiseTerms& terms) {
    if (!terms.Any())
        return;
    const NoiseMeans m =
        ComputeNoiseMeans([&](int r) { return x.Row(r + 1); }, x.Rows(), 1, x.Cols());
    for (int k = 0; k < x.Rows(); ++k) {
        double* row = x.Row(k + 1) + 1;
        for (int j = 0; j < x.Cols(); ++j) {
            double shift = 0.0;
            if (terms.timeInvariant && terms.radiallyInvariant)
                shift = m.row[k] + m.point[j] - m.grand;
            else if (terms.timeInvariant)
                shift = m.point[j];
            else if (terms.radiallyInvariant)
                shift = m.row[k];
            else
                shift = m.grand;
            row[j] -= shift;
        }
    }
}

double CentredProduct(double rawSum, const NoiseMeans& x, const NoiseMeans& y,
                      const NoiseTerms& terms) {
    const double S = static_cast<double>(x.row.size()), n = static_cast<double>(x.point.size());
    double p = rawSum;
    if (terms.timeInvariant) {
        double g = 0.0;
        for (std::size_t j = 0; j < x.point.size(); ++j)
            g += x.point[j] * y.point[j];
        p -= S * g;
    }
    if (terms.radiallyInvariant) {
        double r = 0.0;
        for (std::size_t s = 0; s < x.row.size(); ++s)
            r += x.row[s] * y.row[s];
        p -= n * r;
    }
    if (terms.timeInvariant && terms.radiallyInvariant)
        p += S * n * x.grand * y.grand;
    else if (terms.baseline && !terms.timeInvariant && !terms.radiallyInvariant)
        p -= S * n * x.grand * y.grand;
    return p;
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
