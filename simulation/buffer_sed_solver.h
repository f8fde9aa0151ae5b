// The sedimentation of one small buffer component in one sector: a Crank-Nicolson finite-element
// Lamm solution on its own uniform grid, with the profile taken at every scan time.
#pragma once

#include <functional>
#include <vector>

struct BufferSideProblem {
    double meniscus = 0.0, bottom = 0.0; // cm
    double loading = 0.0;                // initial flat signal
    double d = 0.0;                      // cm^2/s
    double s = 0.0;                      // S
    double rpm = 0.0;                    // speed after the acceleration
    bool ramp = false;                   // simulate the acceleration phase
    double accelerationEnd = 0.0;        // s
    double accelerationRate = 0.0;       // rpm/s
    std::vector<double> scanTimes;       // in scan order
    int n = 200;                         // grid points
};

struct BufferSideResult {
    std::vector<double> r;                     // the grid, [0..n-1]
    std::vector<std::vector<double>> profiles; // per scan in scan order; empty: not reached
    bool singular = false;                     // a zero pivot ended the side
    bool retryFailure = false;                 // negative values could not be stepped out of
    bool interrupted = false;                  // the stop predicate ended the side
    bool equilibrium = false;                  // the profile stopped changing before the last scan
    int steps = 0;
};

// Solves the side from a flat loading at t = 0 up to the last scan time. The step size adapts to
// the relative change of the profile; the factorisation is kept while the step stays the same.
// After an equilibrium stop the remaining scans get the final profile: the profile does not
// change any more, and a scan left without it would lose the buffer's signal. A zero loading
// gives no profiles. `stop` is asked after every step.
BufferSideResult SimulateBufferSide(const BufferSideProblem& problem,
                                    const std::function<bool()>& stop = {});
