// The per-species steps of the discrete-species evaluation on the simulation grid: the automatic
// choice between the two finite-element algorithms and the Lamm solution of one species.
#pragma once

class TXLAWindow;

// The normalized s above which the moving hat algorithm is chosen: the "normalized s for
// automatic change" (or its value "when optimized", with optimized grid spacing and automatic
// grid size outside zone centrifugation) scaled by (30000 / rpm)^2 of the last scan.
double AutomaticAlgorithmLimit();
// With the automatic algorithm (and no light-scattering or equilibrium data): the Claverie
// algorithm for |s| below the limit, the moving hat algorithm above it, reallocating the
// simulation arrays on a change; |s| equal to the limit keeps the algorithm selected before.
void ChooseAlgorithmForSpecies(double sS);

// The Lamm solution of one included species (LammGrid::s and LammGrid::d set) on the simulation
// grid, added into the scans' fit or the slot's ComponentScans. Nothing is computed while the
// solvers of the simulation grid are not part of the build.
void SolveSpeciesOnGrid(TXLAWindow* window, int slot, double loading);
