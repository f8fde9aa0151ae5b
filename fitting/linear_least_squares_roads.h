// The roads of the separable least squares (linear_least_squares.cpp) and the steps they share.
#pragma once

#include "fitting/linear_least_squares.h"

#include <vector>

// Scan k's fit range, clipped to its points.
void FitRangeOf(int k, int& first, int& last);
// The baseline into the model's parameters and their fitted values.
void StoreBaseline(double value);
// Without time-invariant noise: amplitudes, radially invariant noise and baseline solved against
// the data on each scan's own radii, over its fit range (linear_least_squares_scan_radii.cpp).
double SolveOnScanRadii(const LinearUnknowns& u, const std::vector<int>& scans);
