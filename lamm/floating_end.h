// What tells a floating species' depletion from the dip a coarse grid leaves beside its pile-up at
// the meniscus: the share of the species that sedimentation equilibrium keeps at the data's inner
// limit, and whether the data range still shows the species.
#pragma once

// Log of the concentration, over the loading, that sedimentation equilibrium at rpm keeps of a
// floating species (s in S, D in cm^2/s) at radius edge of a column from meniscus to bottom:
// c/c0 = A e^x / (e^A - 1) with A = sigma (b^2 - m^2) / 2, x = sigma (r^2 - m^2) / 2,
// sigma = s omega^2 / D < 0. A very small value (-1e300) for a species that does not float.
double LogEquilibriumTail(double s, double D, double rpm, double meniscus, double bottom,
                          double edge);

// Twice what a floating species (s in S, loaded with largest value loadingPeak) can reach in the
// data by time t (s) at rpm: its plateau, concentrating as exp(-2 s omega^2 t), or its equilibrium
// at the data's inner limit (logTail, from LogEquilibriumTail). Data above it show a grid that
// smears the pile-up into the data, or a solution that rings without bound.
double FloatingCeiling(double s, double rpm, double t, double loadingPeak, double logTail);

// Whether c[from..to] still shows the species: three neighbouring nodes at or above level. A
// single node there is the ringing a pile-up leaves beside it once the species has gone.
bool SignalInDataRange(const double* c, int from, int to, double level);
