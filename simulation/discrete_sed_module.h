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
// grid by the selected algorithm, added into the scans' fit or the slot's ComponentScans. A
// failed solution is tried again from the start (without grid truncation, with the moving hat
// after the Claverie algorithm, and last with the meniscus repair); every attempt starts from
// the model as it was before this species, so no other species' signal is lost. False when
// every attempt failed (the species then adds nothing; the error words tell why).
bool SolveSpeciesOnGrid(TXLAWindow* window, int slot, double loading);

// The evaluation species by species on this engine's own profiles and grid solvers, whatever
// road the model would take (the road of the Faxen simulation, and of the models that need the
// simulation grid).
void RunDiscreteSedOnGrid(TXLAWindow* window);

// Test seam: when set, called instead of the selected grid solver.
inline void (*gGridSolverForTests)() = nullptr;
