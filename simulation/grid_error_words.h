// The error words of the simulation grid's record, set from the result of a run on it.
#pragma once

#include "lamm/lamm_result.h"
#include "state/lamm_grid.h"

// Sets LammGrid::singularMatrix or discretizationError for a result that is that failure; the
// words are cleared where a run on the grid is started.
inline void SetGridErrorWords(LammResult result) {
    if (result == LammResult::SingularMatrix)
        LammGrid::singularMatrix = 1;
    if (result == LammResult::DiscretizationError)
        LammGrid::discretizationError = 1;
}
