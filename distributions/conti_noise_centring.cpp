// The centring of the systematic noise elimination.
#include "distributions/conti_noise_centring.h"

double CentredProduct(double rawSum, const CentringMeans& x, const CentringMeans& y,
                      const ContiDataSet& set) {
    const double S = set.Scans(), n = set.Points();
    double p = rawSum;
    if (set.timeInvariant) {
        double g = 0.0;
        for (std::size_t j = 0; j < x.grid.size(); ++j)
            g += x.grid[j] * y.grid[j];
        p -= S * g;
    }
    if (set.radiallyInvariant) {
        double r = 0.0;
        for (std::size_t s = 0; s < x.scan.size(); ++s)
            r += x.scan[s] * y.scan[s];
        p -= n * r;
    }
    if (set.timeInvariant && set.radiallyInvariant)
        p += S * n * x.grand * y.grand;
    return p;
}

void NoiseFromResidualMeans(const CentringMeans& r, const ContiDataSet& set,
                            std::vector<double>& ti, std::vector<double>& ri) {
    ti.assign(set.Points(), 0.0);
    ri.assign(set.Scans(), 0.0);
    const bool both = set.timeInvariant && set.radiallyInvariant;
    if (set.timeInvariant)
        for (int j = 0; j < set.Points(); ++j)
            ti[j] = r.grid[j];
    if (set.radiallyInvariant)
        for (int s = 0; s < set.Scans(); ++s)
            ri[s] = both ? r.scan[s] - r.grand : r.scan[s];
}
