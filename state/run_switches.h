// Program-wide run switches: the stop flag of long computations and the simulate-only switch.
#pragma once

#include <atomic>

// Set on a key press or a failed worker; long loops and worker threads test it. Atomic because
// the Lamm worker threads read it while the window's thread writes it.
extern std::atomic<bool> gUserInterrupt;

// A Run or a data generation without fitting is in progress.
extern bool gSimulateOnly;

// Set at the end of every Run and Fit that evaluated a model; the painter reads and clears it.
extern bool gRunCompleted;
