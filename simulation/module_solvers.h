// The Lamm solvers of the simulation grid: one ideal species (constant s and D) propagated on
// LammGrid from the profile in LammGrid::concentration, with the profile handed to
// ShowLammProfiles after every step.
#pragma once

// The caller fills LammGrid: arrays allocated for the solver, the initial profile, s and D, the
// rotor speed with the acceleration state, time 0, the first scan as target (targetScan,
// targetScanTime, endTime with endTimePending), dt, the tolerance "max dc/c" (dcOverCLimit with
// dcOverCLow and dcOverCMid) and running = 1. Both return when the run is over: after the last
// scan, on a key press, at equilibrium or when the boundary has left the data (the scans not yet
// reached then get the final profile, or nothing), or with singularMatrix or discretizationError
// set.

// "moving hat algorithm": finite elements on a grid that moves with the boundary. Leaves
// ModelChoice::fixedTimeStep on. Needs the moving-grid arrays (ModelChoice::movingHatAlgorithm
// at allocation); without them it sets discretizationError.
void SolveLammFE();

// Physical radii of the moving grid at LammGrid::time into LammGrid::radius (interior nodes;
// the ends stay at meniscus and bottom).
void ScaleGridByExponential();

// "Claverie algorithm": Crank-Nicolson on the fixed grid of LammGrid::radius, restricted to an
// active region with "dynamically truncate grid"; also the rectangular cells and the external
// loading cell chosen by the model switches.
void SimulateLammTimeCourse();
