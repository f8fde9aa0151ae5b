// Simulation switches that the scan loaders read or clear.
#include "simulation/simulation_switches.h"

void ResetSimulationSwitches() {
    LammGrid::ResetToDefaults();
}
