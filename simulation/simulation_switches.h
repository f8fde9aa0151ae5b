// Switches of the simulation engine that the scan loaders read or clear.
#pragma once

class TXLAWindow;

// The Lamm-equation option "scan time correction".
inline bool scanTimeCorrection = false;

// Computes the current discrete-species model into every scan's fit and residuals.
void RunDiscreteSed(TXLAWindow* window);

void ResetSimulationSwitches();
