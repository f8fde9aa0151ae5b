// The radial grid of the simulation in its four shapes, the sizing of the uniform-then-growing
// grid of the fixed-grid solver, and its refinement near the bottom.
#pragma once

#include "state/lamm_grid.h"

// The algorithm of the model's switches (ModelChoice::movingHatAlgorithm, claverieAlgorithm).
GridAlgorithm ChosenGridAlgorithm();

// Fills LammGrid::radius[1..n] between ModelParameters::meniscus and ::bottom for the current
// solver switches: cell-centred uniform (neither algorithm), uniform with end points (Claverie),
// uniform then growing (Claverie with LammGrid::growingGrid), geometric (moving hat). Nothing
// happens without arrays or with light-scattering data.
void BuildRadialGrid();
// The same for a given algorithm.
void BuildRadialGridFor(GridAlgorithm algorithm);

// Sizes a uniform-then-growing grid whose steps start to grow beyond r0 (the first data radius),
// reallocates the arrays for it and returns LammGrid::gridSize. Degenerate input (no meniscus or
// bottom, r0 not inside the cell, fewer than 50 points, moving hat) keeps the size.
int SetupLammGrid(double r0);

// Refines a built uniform-then-growing grid towards the bottom for a species near equilibrium;
// sigma = omega^2 M (1 - vbar rho) / (2 R T) in cm^-2. False, with the grid unchanged, when there
// is nothing to refine or no geometric continuation reaches the bottom.
bool SolveGridSpacingParameter(double sigma);

// b - r_n of the grid continued from the refinement point with steps d q, d q^2, ...
double GridSpacingResidual(double q);
