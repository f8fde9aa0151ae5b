// The fixed-grid Lamm solver ("Claverie algorithm") as an object that owns its matrices, their
// factors and the active region between the steps of a run.
#pragma once

#include "lamm/lamm_result.h"
#include "simulation/fixed_grid_state.h"
#include "simulation/lamm_solver_inputs.h"

class CFixedGridSolver {
  public:
    // One run from the profile in LammGrid on the clock, as SimulateLammTimeCourse describes;
    // every profile goes to out. LammResult::SingularMatrix or LammResult::DiscretizationError,
    // LammResult::NoArrays without arrays, else LammResult::Solved; the error words and the clock
    // of LammGrid are left to the caller (SetGridErrorWords, SetGridClockOfRun).
    LammResult Run(const CLammProblem& problem, const CLammControl& control, CGridClock& clock,
                   CLammSink& out);

    // The active region [L, R] of the run in progress (1 and n without truncation).
    int ActiveLeft() const { return state_.L; }
    int ActiveRight() const { return state_.R; }

  private:
    FixedGridState state_;
    FixedGridRegion region_;
};
