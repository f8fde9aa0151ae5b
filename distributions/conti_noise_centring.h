// Elimination of time-invariant and radially invariant noise by centring: inner products of the
// projected vectors computed from raw sums and means, without forming the projections.
#pragma once

#include <vector>

// The data that enter a distribution fit: the fitted scans (header indices), the common-grid
// range [first, last] and which systematic noise is eliminated.
struct ContiDataSet {
    std::vector<int> scans;
    int first = 1, last = 0;
    bool timeInvariant = false;
    bool radiallyInvariant = false;
    int Points() const { return last >= first ? last - first + 1 : 0; }
    int Scans() const { return static_cast<int>(scans.size()); }
    double Values() const { return double(Points()) * Scans(); }
    // Linear noise parameters eliminated: one per grid point (TI) and one per scan (RI).
    int NoiseParameters() const {
        return (timeInvariant ? Points() : 0) + (radiallyInvariant ? Scans() : 0);
    }
};

// A vector over the data set: rows[s] is the 1-based common-grid row of the s-th fitted scan.
// The means of a vector: per scan over the range, per grid point over the scans, and overall.
struct CentringMeans {
    std::vector<double> scan; // [0..Scans()-1]
    std::vector<double> grid; // [0..Points()-1]
    double grand = 0.0;
};

// Means of the vector whose row of the s-th fitted scan is row(s) (1-based grid index).
template <typename RowOf> CentringMeans ComputeCentringMeans(RowOf row, const ContiDataSet& set) {
    CentringMeans m;
    const int S = set.Scans(), n = set.Points();
    m.scan.assign(S, 0.0);
    m.grid.assign(n, 0.0);
    if (S == 0 || n == 0)
        return m;
    for (int s = 0; s < S; ++s) {
        const auto* x = row(s);
        double sum = 0.0;
        for (int j = 0; j < n; ++j) {
            sum += x[set.first + j];
            m.grid[j] += x[set.first + j];
        }
        m.scan[s] = sum / n;
        m.grand += sum;
    }
    for (double& g : m.grid)
        g /= S;
    m.grand /= double(S) * n;
    return m;
}

// <P x, P y> from the raw sum of x y over the data set and the means of x and y: P subtracts
// the grid-point means (time-invariant), the scan means (radially invariant), or both (double
// centring, which adds the grand mean back).
double CentredProduct(double rawSum, const CentringMeans& x, const CentringMeans& y,
                      const ContiDataSet& set);

// The noise of a residual whose means are r: per grid point b[j] (time-invariant) and per scan
// beta[s] (radially invariant), zero where not eliminated. With both on, the overall offset goes
// to the time-invariant part.
void NoiseFromResidualMeans(const CentringMeans& r, const ContiDataSet& set,
                            std::vector<double>& ti, std::vector<double>& ri);
