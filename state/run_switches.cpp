// Program-wide run switches.
#include "state/run_switches.h"

std::atomic<bool> gUserInterrupt{false};
bool gSimulateOnly = false;
bool gRunCompleted = false;
