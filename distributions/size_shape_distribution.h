// The two-dimensional size-and-shape distribution c(s, f/f0): one kernel column per point of a
// grid in s and f/f0, solved with the normal equations and the regularization of c(s).
#pragma once

#include "distributions/conti_run.h"
#include "state/compute_observer.h"

#include <string>
#include <vector>

class TXLAWindow;

// The grid: sPoints values of s (the distribution range) times ff0Points values of f/f0. The flat
// grid holds point (i, j) at (j - 1) sPoints + i with its s, D, M and the weight
// ws_i wf_j, so that the sum of the amplitudes is the integral of c over s and f/f0.
struct SizeShapeGrid {
    int sPoints = 0, ff0Points = 0;
    std::vector<double> sAxis, ff0Axis;     // [1..sPoints], [1..ff0Points]
    std::vector<double> sWeight, ff0Weight; // trapezoid weights on each axis
    std::vector<double> rhNm;               // per flat point, the Stokes radius from D
    ContiGrid flat;
    int Index(int i, int j) const { return (j - 1) * sPoints + i; }
};

// sPoints s values from sLo to sHi (equidistant, or in log s with logGrid and sLo > 0) times
// ff0Points f/f0 values from ff0Lo to ff0Hi (one point: ff0Lo), in the buffer of the scans at
// temperatureC.
SizeShapeGrid BuildSizeShapeGrid(int sPoints, double sLo, double sHi, bool logGrid, int ff0Points,
                                 double ff0Lo, double ff0Hi, double temperatureC);

// The f/f0 settings and the size of the problem on the data set; the first problem as a sentence,
// empty when usable.
std::string CheckSizeShapeSettings(float ff0Min, float ff0Max, int ff0Points, int sPoints,
                                   const ContiDataSet& set);

struct SizeShapeSolution {
    SizeShapeGrid grid;
    ContiSolution conti; // amplitudes, noise and rmsd on the flat grid
};

// Computes the distribution of the current settings without storing it: the checks of the c(s)
// Run plus those of the f/f0 grid (Refused, nothing computed), the kernel (rebuilt when its
// inputs changed), the normal equations and the regularized amplitudes; the hint as for
// ComputeContiSolution.
ContiStatus ComputeSizeShapeSolution(TXLAWindow* window, CComputeObserver& observer,
                                     SizeShapeSolution& out, ContiStrengthHint* hint = nullptr);

// Writes a solution: fits, residuals and noise of the scans as the c(s) Run does, the
// two-dimensional result in SizeShapeState, and the distribution state's curve as the marginal
// c(s) = integral of c(s, f/f0) over f/f0 (with M at the weight-average f/f0).
void StoreSizeShapeSolution(const SizeShapeSolution& solution);

// The c-weighted averages of the held result over s in [sLo, sHi] and f/f0 in [fLo, fHi]: Mw,
// Mz and the z-weighted second central moment about Mz, fw, the weight-average Stokes radius
// and its second central moment; left in SizeShapeState. Returns the integral of c there.
double IntegrateSizeShape(double sLo, double sHi, double fLo, double fHi);

// The Run of "Continuous c(s,ff0)": checks (each refusal says why and changes nothing), the
// computation, the result and its plot, and the systematic noise moved into the data. False when
// nothing was stored. The hint as for ComputeContiSolution.
bool RunSizeShapeDistribution(TXLAWindow* window, CComputeObserver& observer,
                              ContiStrengthHint* hint = nullptr);

// The held size-and-shape distribution, one line of six numbers per grid point: s (S), f/f0,
// c (per S per unit f/f0), M (Da), Stokes radius (nm), D (cm^2/s). False, writing nothing, when
// no result is held or the file cannot be written.
bool WriteMonteCarloColumns(const char* path);
