// Simulation switches; the discrete-species model evaluation comes with the simulation engine.
#include "simulation/simulation_switches.h"

void RunDiscreteSed(TXLAWindow* window)
{
    (void)window;
}

void ResetSimulationSwitches()
{
    LammGrid::ResetToDefaults();
}
