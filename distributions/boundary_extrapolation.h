// The computations of the boundary analyses: boundary fractions of a scan, apparent s at area
// fractions of a distribution, and the extrapolation of apparent s to infinite time.
#pragma once

#include <vector>

// One scan as the boundary analyses read it: its radii (ascending, cm) and signal inside the
// fitting limits, and its run integral of omega^2 dt (rad^2/s) and effective time (s).
struct BoundaryScan {
    std::vector<double> r, y;
    double w2t = 0.0;
    double timeS = 0.0;
};

// The fractions (k - 0.5) / n, k = 1..n.
std::vector<double> BoundaryFractions(int n);

// Baseline and plateau of a scan, and whether its boundary stands out of its noise.
struct BoundaryLevels {
    double baseline = 0.0, plateau = 0.0, noise = 0.0;
    // plateau - baseline at least 3 times the point-to-point noise, a flat plateau, a clear start
    bool usable = false;
};
// The plateau is the median of the last 5% of the points (the first 5% for a floating
// boundary); the noise is estimated from the median of second differences, which the boundary
// itself hardly moves.
BoundaryLevels ScanBoundaryLevels(const BoundaryScan& scan, double baseline, bool floating);

// Light smoothing (5-point quadratic Savitzky-Golay) of a scan's signal; ends kept.
std::vector<double> SmoothedSignal(const std::vector<double>& y);

// Where the loading fractions (k - 0.5) / n stand on a scan's plateau after the run integral w2t
// (rad^2/s), when the material of fraction k sediments with s[k] (S) and so dilutes by
// exp(-2 s w2t): faster material dilutes more, so the slower material's fractions take a growing
// share of the plateau. A fraction without s takes that of its nearest neighbour with one; none
// with one leaves the fractions as they are.
std::vector<double> PlateauFractionsOfLoading(const std::vector<double>& s, double w2t);

// Apparent s (S) of each fraction in a scan: the radius where the signal first crosses
// baseline + f (plateau - baseline), from the meniscus side (from the bottom side for a floating
// boundary, whose s comes out negative), by linear interpolation, as ln(r / edge) / w2t. NaN
// for a fraction whose level is already passed at the first point (the boundary has not left
// the edge there) or never reached.
std::vector<double> ApparentSAtFractions(const std::vector<double>& r, const std::vector<double>& y,
                                         const BoundaryLevels& levels,
                                         const std::vector<double>& fractions, double edgeCm,
                                         double w2t, bool floating);

// s (S) where the cumulative share of amplitudes a[0..n-1] (negative ones taken as 0) on the
// ascending grid s[0..n-1] reaches each fraction. Each amplitude is spread evenly over its
// cell, whose edges lie halfway between neighbouring grid points (half a step beyond the ends).
// NaN everywhere when the amplitudes sum to nothing.
std::vector<double> SAtAreaFractions(const std::vector<double>& s, const std::vector<double>& a,
                                     const std::vector<double>& fractions);

// The apparent s of every fraction over the scans, fitted by a straight line against
// 1/sqrt(t) and extrapolated to 1/sqrt(t) = 0.
struct BoundaryExtrapolation {
    std::vector<double> fractions;
    std::vector<double> abscissa;                 // 1/sqrt(t) of the scans, then 0
    std::vector<std::vector<double>> apparentS;   // [k][scan]
    std::vector<std::vector<double>> fittedLines; // [k][row of abscissa]
    std::vector<double> s;                        // [k] extrapolated; NaN below 2 scans
    std::vector<double> slope;                    // [k]
};
// apparentS[k][i] belongs to scan i with time timesS[i] (> 0).
BoundaryExtrapolation ExtrapolateToInfiniteTime(const std::vector<double>& fractions,
                                                const std::vector<std::vector<double>>& apparentS,
                                                const std::vector<double>& timesS);
