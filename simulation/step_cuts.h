// Step-length cuts shared by the grid solvers: the acceleration phase's bound and end, and a
// pending target time.
#pragma once

#include "simulation/lamm_solver_inputs.h"

#include <algorithm>

// In the acceleration phase: the phase's step bound, and the step cut to end on the phase's end
// at most once per step (endCut records it).
inline void CutStepForAcceleration(const CRotorSchedule& rotor, CGridClock& clock, bool& endCut) {
    double& dt = clock.dt;
    const double t = clock.time, end = rotor.accelerationEndS;
    dt = std::min(dt, rotor.maxDtAccelerationS);
    if (!endCut && t + dt > end && end > t) {
        dt = end - t;
        endCut = true;
    }
}

// Shortens the step to end on the pending target; true when it did.
inline bool CutStepAtTarget(CGridClock& clock) {
    double& dt = clock.dt;
    if (!clock.endTimePending || clock.time + dt <= clock.endTime)
        return false;
    dt = clock.endTime - clock.time;
    clock.endTimePending = false;
    return true;
}
