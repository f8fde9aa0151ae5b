// The scans of a simulated approach to equilibrium as scan files, for a look at them or a fit.
#pragma once

#include "equilibrium/approach_to_eq.h"

#include <string>

// Writes scan i of sim as folder + "00%03d.R00" (i = 1, 2, ...), then the final equilibrium
// profile as folder + "eq.R00" with the header of scan 1; each file whole or not at all. folder
// ends with its separator. False when there is nothing to write or any file failed.
bool WriteSimulatedEqScans(const CApproachToEqSim& sim, const std::string& folder);
