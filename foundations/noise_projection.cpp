// The centring of the systematic noise elimination.
#include "foundations/noise_projection.h"

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

// The sums of point and row means of x with those of y[0..W-1], side by side (each its own
// sum in index order), then each centred product from its raw sum.
template <int W>
void CentredProductsOf(const double* rawSum, const NoiseMeans& x, const NoiseMeans* y,
                       const NoiseTerms& terms, double* out) {
    const std::size_t rows = x.row.size(), points = x.point.size();
    const double S = static_cast<double>(rows), n = static_cast<double>(points);
    double g[W] = {}, r[W] = {};
    if (terms.timeInvariant)
        for (std::size_t j = 0; j < points; ++j)
            for (int u = 0; u < W; ++u)
                g[u] += x.point[j] * y[u].point[j];
    if (terms.radiallyInvariant)
        for (std::size_t s = 0; s < rows; ++s)
            for (int u = 0; u < W; ++u)
                r[u] += x.row[s] * y[u].row[s];
    for (int u = 0; u < W; ++u) {
        double p = rawSum[u];
        if (terms.timeInvariant)
            p -= S * g[u];
        if (terms.radiallyInvariant)
            p -= n * r[u];
        if (terms.timeInvariant && terms.radiallyInvariant)
            p += S * n * x.grand * y[u].grand;
        else if (terms.baseline && !terms.timeInvariant && !terms.radiallyInvariant)
            p -= S * n * x.grand * y[u].grand;
        out[u] = p;
    }
}

} // namespace

void CentredProducts(const double* rawSum, const NoiseMeans& x, const NoiseMeans* y, int count,
                     const NoiseTerms& terms, double* out) {
    int k = 0;
    for (; k + 4 <= count; k += 4)
        CentredProductsOf<4>(rawSum + k, x, y + k, terms, out + k);
    for (; k < count; ++k)
        CentredProductsOf<1>(rawSum + k, x, y + k, terms, out + k);
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
