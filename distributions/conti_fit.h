// The Fit of the continuous distributions: the nonlinear parameters of the kernel (meniscus,
// bottom, frictional ratio) optimised with the distribution solved anew at every trial.
#pragma once

#include "state/compute_observer.h"

#include <string>
#include <vector>

class TXLAWindow;
struct ContiStrengthHint;

// The size-and-shape models span f/f0 on their grid.
bool SizeShapeModel();
// The c(s) with bimodal f/f0, with or without its discrete component.
bool BimodalModel();

// The trial p[1..n] of the floated kernel parameters (in the order meniscus, bottom, f/f0 of
// those floated) goes into the model, the distribution is computed at the fixed confidence level,
// and rmsd^2 is returned; residuals (data minus fit, the fitted points) when asked. A key press
// aborts the fit; a trial outside the bounds is clamped to them. The hint carries the entropy's
// strength search from one trial to the next (ComputeContiSolution).
double ContiSimplexSim(TXLAWindow* window, CComputeObserver& observer, const double* p,
                       std::vector<double>* residuals, ContiStrengthHint* hint = nullptr);

// What the Fit says when no kernel parameter of the model chosen is floated: the ones it could
// float, and Run instead.
std::string NoFloatedKernelMessage();

// The Levenberg-Marquardt variant of the Fit.
bool MLContiFit(TXLAWindow* window, CComputeObserver& observer);

// Fits the floated kernel parameters with the optimiser chosen in FitControl, then runs the
// distribution once more at the best values and stores it; a fit stopped by a key does so at the
// best values it had reached (FitControl::fitAborted tells). False when nothing was stored (a
// refusal said why).
bool ContiFit(TXLAWindow* window, CComputeObserver& observer);
