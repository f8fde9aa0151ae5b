// The kernel of the electrophoresis c(v): Lamm solutions of the linear drift cell.
#pragma once

#include "distributions/conti_grid.h"

class TXLAWindow;

// Per grid point one run of unit loading drifting at s[p] 1e-4 cm/s with diffusion D[p], on the
// fixed-grid solver of the rectangular cell from the meniscus to the bottom (meniscus plus the
// electrophoresis length); the scan output writes the column. False (kernel freed) after a failed
// run, said with its error box, or a key press.
bool DriftKernel(TXLAWindow* window, const ContiGrid& g);
