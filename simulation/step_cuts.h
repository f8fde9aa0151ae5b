// Step-length cuts shared by the grid solvers: the acceleration phase's bound and end, and a
// pending target time.
#pragma once

#include "simulation/lamm_solver_inputs.h"
#include "state/lamm_grid.h"

#include <algorithm>

// In the acceleration phase: the phase's step bound, and the step cut to end on the phase's end
// at most once per step (endCut records it).
inline void CutStepForAcceleration(const CRotorSchedule& rotor, bool& endCut) {
    double& dt = LammGrid::dt;
    const double t = LammGrid::time, end = rotor.accelerationEndS;
    dt = std::min(dt, rotor.maxDtAccelerationS);
    if (!endCut && t + dt > end && end > t) {
        dt = end - t;
        endCut = true;
    }
}

// Shortens the step to end on the pending target; true when it did.
inline bool CutStepAtTarget() {
    double& dt = LammGrid::dt;
    if (!LammGrid::endTimePending || LammGrid::time + dt <= LammGrid::endTime)
        return false;
    dt = LammGrid::endTime - LammGrid::time;
    LammGrid::endTimePending = 0;
    return true;
}
