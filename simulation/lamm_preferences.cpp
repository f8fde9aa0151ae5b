// The Lamm equation preferences: their options belong to the simulation engine, which reads them
// once it defines them.
#include "simulation/lamm_preferences.h"

void ReadLammEqParameterPreferences(TXLAWindow*) {}
