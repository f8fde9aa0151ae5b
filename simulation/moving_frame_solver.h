// The moving hat algorithm for one component whose s and D depend on the local concentration
// (a non-ideal species, rapid monomer-dimer or monomer-trimer association).
#pragma once

#include "lamm/lamm_result.h"
#include "simulation/concentration_coefficients.h"
#include "simulation/lamm_solver_inputs.h"

// The frame's s (S): control.sGrid, or with the automatic s grid the law's s at the loading c:
// s1 / (1 + ks c) for the non-ideal species, the tabulated s(c), (s1 + s2) / 2 for the
// associations.
double MovingFrameS(const CConcentrationLaw& law, const CLammControl& control, double loading);

// One run from the profile in LammGrid on the clock and the moving-grid arrays: the grid moves
// outward with the frame's s, and every step is a predictor and a corrector Crank-Nicolson step
// of fixed length, "max dc/c" times the grid period (the tolerance 0.1 when the frame moves
// slower than 1 S and the tolerance is 1 or more), the first step 1 s. The amount in the cell is
// kept to rounding, also over the shifts at the end of each grid period. LammGrid::radius holds
// the physical radii of the nodes during the run and after it.
// A frame that floats (s < 0) is refused with a message: LammResult::Refused. LammResult::NoArrays
// without arrays, LammResult::DiscretizationError without the moving grid, and
// LammResult::SingularMatrix or LammResult::DiscretizationError when a run fails.
LammResult SolveMovingFrameNonlinear(const CLammProblem& problem, const CConcentrationLaw& law,
                                     const CLammControl& control, CGridClock& clock,
                                     CLammSink& out);
