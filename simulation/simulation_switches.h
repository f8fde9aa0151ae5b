// Switches of the simulation engine that the scan loaders read or clear.
#pragma once

#include "state/lamm_grid.h"

class TXLAWindow;

// The scan loaders' name of the Lamm-equation option "simulate time resolution".
inline bool& scanTimeCorrection = LammGrid::simulateTimeResolution;

// Computes the current discrete-species model into every scan's fit and residuals.
void RunDiscreteSed(TXLAWindow* window);

void ResetSimulationSwitches();
