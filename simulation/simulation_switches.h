// Switches of the simulation engine that the scan loaders read or clear.
#pragma once

#include "state/lamm_grid.h"

class TXLAWindow;

// The scan loaders' name of the Lamm-equation option "simulate time resolution".
inline bool& scanTimeCorrection = LammGrid::simulateTimeResolution;

// Computes the current discrete-species model into every scan's fit and residuals. False when
// nothing was computed: no scans, a model this version does not evaluate, input the engine
// refused (it said why) or a key press; the previous fit is then left as it was.
bool RunDiscreteSed(TXLAWindow* window);

void ResetSimulationSwitches();
