// The error words and the clock of the simulation grid's record, set from a run on it.
#pragma once

#include "lamm/lamm_result.h"
#include "simulation/lamm_solver_inputs.h"
#include "state/lamm_grid.h"

// Sets LammGrid::singularMatrix or discretizationError for a result that is that failure; a run
// refused before its first step (a frame it cannot follow, which said why) left no model either
// and takes the discretization error's word, so an evaluation keeps the fit it had. The words
// are cleared where a run on the grid is started.
inline void SetGridErrorWords(LammResult result) {
    if (result == LammResult::SingularMatrix)
        LammGrid::singularMatrix = 1;
    if (result == LammResult::DiscretizationError || result == LammResult::Refused)
        LammGrid::discretizationError = 1;
}

// The words of a run started on the records: its own failure only. Hands the result on.
inline LammResult SetGridErrorWordsOfRun(LammResult result) {
    LammGrid::singularMatrix = LammGrid::discretizationError = 0;
    SetGridErrorWords(result);
    return result;
}

// The time and the steps of a run's clock where the run ends, for the readers after it.
inline void SetGridClockOfRun(const CGridClock& clock) {
    LammGrid::time = clock.time;
    LammGrid::stepCount = clock.stepCount;
}
