// The Lamm solvers of the simulation grid: one ideal species (constant s and D) propagated on
// LammGrid from the profile in LammGrid::concentration, with the profile handed to a sink after
// every step. The names that take a clock alone read the problem and the control from the
// records, hand the profiles to the scans (CScanOutput) and set the error words and the clock of
// LammGrid from the run (SetGridErrorWordsOfRun, SetGridClockOfRun).
#pragma once

#include "lamm/lamm_result.h"
#include "simulation/lamm_solver_inputs.h"

// The caller fills LammGrid (arrays allocated for the solver, the initial profile) and starts the
// run's clock: its time, the first scan as target (targetScan, targetScanTime, endTime pending),
// the first step dt, running. The solver steps on that clock, which the sink moves on, and
// returns when the run is over: after the last scan, on a key press, at equilibrium or when the
// boundary has left the data (the scans not yet reached then get the final profile, or nothing),
// or with LammResult::SingularMatrix or LammResult::DiscretizationError. The clock holds where
// the run ended.

// The records as a problem (meniscus, bottom, LammGrid::s and d, the rotor) and a control
// (dcOverCLimit with dcOverCLow and dcOverCMid, ModelChoice::fixedTimeStep, the truncation, the
// back-diffusion shut-off, lastResortMode, the s grid, profileCurves).
CLammProblem LammProblemOfRecord();
CLammControl LammControlOfRecord();

// The moving hat algorithm on the moving-grid arrays; without them LammResult::DiscretizationError.
// The result as CFixedGridSolver::Run gives it.
LammResult SolveMovingHat(const CLammProblem& problem, const CLammControl& control,
                          CGridClock& clock, CLammSink& out);

// "moving hat algorithm": finite elements on a grid that moves with the boundary. Leaves
// ModelChoice::fixedTimeStep on. Needs the moving-grid arrays (ModelChoice::movingHatAlgorithm
// at allocation); without them LammResult::DiscretizationError.
LammResult SolveLammFE(CGridClock& clock);

// Physical radii of the moving grid at the time (s) into LammGrid::radius (interior nodes; the
// ends stay at meniscus and bottom).
void ScaleGridByExponential(double time);

// "Claverie algorithm": Crank-Nicolson on the fixed grid of LammGrid::radius, restricted to an
// active region with "dynamically truncate grid"; also the rectangular cells and the external
// loading cell chosen by the model switches.
LammResult SimulateLammTimeCourse(CGridClock& clock);
