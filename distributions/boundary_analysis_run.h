// Run (and Fit) of the boundary analyses: van Holde-Weischet and the extrapolation of ls-g*(s)
// area fractions, from the loaded scans to the extrapolation table and the integral
// distribution G(s).
#pragma once

#include "distributions/boundary_extrapolation.h"
#include "distributions/conti_data_set.h"
#include "distributions/conti_grid.h"

#include <string>
#include <vector>

class TXLAWindow;

// Van Holde-Weischet of scans in time order: n fractions, scans whose boundary does not stand
// out of their noise left out. The edge is the meniscus (the bottom for a floating boundary).
BoundaryExtrapolation ComputeVanHoldeWeischet(const std::vector<BoundaryScan>& scans,
                                              const std::vector<double>& baselines, int n,
                                              double edgeCm, bool floating);

// The ls-g*(s) of each fitted scan of the set on the grid (non-diffusing boundaries from the
// meniscus, regularized at confidence level P), its area fractions at the grid's n levels, and
// their extrapolation. curves[i][p - 1] holds scan i's ls-g*(s) per unit s at grid point p.
struct AreaFractionOutcome {
    BoundaryExtrapolation extrapolation;
    std::vector<std::vector<double>> curves;
};
AreaFractionOutcome ComputeAreaFractionExtrapolation(const ContiDataSet& set, const ContiGrid& grid,
                                                     const std::vector<double>& w2t,
                                                     const std::vector<double>& timesS,
                                                     double meniscusCm, double P, bool maxEnt);

// The run integral of omega^2 dt of scan k (header index) as the analyses use it (recorded or
// from speed and time, less the time offset), and its effective time at the scan's speed.
double ScanW2t(int k);
double ScanEffectiveTime(int k);

// Writes an extrapolation: the table for the view and G(s) = fraction over the extrapolated s
// as the distribution (ascending s), with curves of ls-g*(s) on grid for the copy.
void StoreBoundaryResult(const BoundaryExtrapolation& e, const std::vector<double>& grid,
                         const std::vector<std::vector<double>>& curves);

// The Run of each analysis: reads the scans and switches, computes, stores and shows G(s). False,
// with the previous result intact, when nothing could be computed (said in a box).
bool RunVanHoldeWeischet(TXLAWindow* window);
bool RunLsgExtrapolation(TXLAWindow* window);
