// The kernel of the c(s) whose species feel the total concentration of the distribution: the
// module road through the concentration-dependent solver of the simulation grid.
#pragma once

#include "distributions/conti_grid.h"

class TXLAWindow;

// Per grid point one run of unit loading with the point's s and D, slowed as s / (1 + ks C) and
// sped up as D (1 + kd C) by the total concentration C of the last distribution (ks and kd of
// the non-ideal model's entries); the scan output writes the column. False (kernel freed) after
// a failed run, said with its error box, or a key press.
bool NonidealTotalKernel(TXLAWindow* window, const ContiGrid& g);
