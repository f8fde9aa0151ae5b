// The simulation grid's memory blocks: none is allocated before the simulation engine exists.
#include "simulation/lamm_arrays.h"

void FreeLammArrays() {}
