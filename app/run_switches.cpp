// Program-wide run switches.
#include "app/run_switches.h"

std::atomic<bool> gUserInterrupt{false};
bool gSimulateOnly = false;
bool gRunCompleted = false;
