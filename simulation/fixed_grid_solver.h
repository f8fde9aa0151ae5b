// The fixed-grid Lamm solver ("Claverie algorithm") as an object that owns its matrices, their
// factors and the active region between the steps of a run.
#pragma once

#include "simulation/fixed_grid_state.h"

class CFixedGridSolver {
  public:
    // One run on the simulation grid, as SimulateLammTimeCourse describes.
    void Run();

    // The active region [L, R] of the run in progress (1 and n without truncation).
    int ActiveLeft() const { return state_.L; }
    int ActiveRight() const { return state_.R; }

  private:
    FixedGridState state_;
    FixedGridRegion region_;
};
