// The data that enter a distribution fit: the fitted scans, the common-grid range and which
// systematic noise is eliminated (by the centring of foundations/noise_projection.h).
#pragma once

#include "foundations/noise_projection.h"

#include <vector>

// The fitted scans (header indices), the common-grid range [first, last] and the noise switches.
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
    // The noise terms eliminated: a distribution has no separate baseline.
    NoiseTerms Noise() const { return {timeInvariant, radiallyInvariant, false}; }
    // Means over the set of the vector whose row of the s-th fitted scan is row(s) (1-based grid).
    template <typename RowOf> NoiseMeans Means(RowOf row) const {
        return ComputeNoiseMeans(row, Scans(), first, Points());
    }
};
