// The per-species steps of the discrete-species evaluation on the simulation grid: the automatic
// choice between the two finite-element algorithms and the Lamm solution of one species.
#pragma once

#include "lamm/lamm_result.h"
#include "simulation/automatic_grid_size.h"
#include "simulation/lamm_solver_inputs.h"
#include "simulation/radial_grid.h"

#include <functional>

class TXLAWindow;

// The automatic sizing's inputs for the species in a slot, from the scans and the model.
GridSizeInputs GridSizeInputsFor(int slot);
// The normalized s above which the moving hat algorithm is chosen: the "normalized s for
// automatic change" (or its value "when optimized", with optimized grid spacing and automatic
// grid size outside zone centrifugation) scaled by (30000 / rpm)^2 of the last scan.
double AutomaticAlgorithmLimit();
// With the automatic algorithm (and no light-scattering or equilibrium data): the Claverie
// algorithm for |s| below the limit, the moving hat algorithm above it, reallocating the
// simulation arrays on a change; |s| equal to the limit keeps the algorithm selected before.
// The rectangular, electrophoresis and external loading cells always take the Claverie
// algorithm, the only one that carries their cross-sections.
void ChooseAlgorithmForSpecies(double sS);

// The state every species run starts from: the uniform loading on the grid, the rotor of the
// last scan with its acceleration phase, the step control of "max dc/c", the error words
// cleared; and the clock the run starts on, with the first scan awaited.
[[nodiscard]] CGridClock StartSpeciesRun(TXLAWindow* window, double loading);

// Within an optimiser run (HeldDiscretisation active) the first evaluation's choices of each
// species are held for the later ones: the algorithm (and its s-grid and fixed-step switches)
// and the open bottom, which would otherwise switch where s or D crosses a limit and make the
// objective jump. heldList below: the evaluation's list number, -1 outside an optimiser run.
//
// The simulation grid for the species in a slot: with the automatic grid size (and no
// light-scattering, zone-centrifugation or equilibrium data, D or M of the slot > 0) sized from
// the species' boundary width (ChooseAutomaticGridSize), otherwise the default grid size. Within
// an optimiser run the first evaluation sizes it with HeldDiscretisation::kMargin and the later
// ones keep it; a trial that needs a finer grid marks the run outgrown.
void SizeGridForSpecies(int slot, int heldList);
// ChooseAlgorithmForSpecies, or the choice held for the slot.
void ChooseAlgorithmHeld(int slot, double sS, int heldList);

// The Lamm solution of one included species (LammGrid::s and LammGrid::d set) on the simulation
// grid by the selected algorithm, added into the scans' fit or the slot's ComponentScans. A
// failed solution is tried again from the start (without grid truncation, with the moving hat
// after the Claverie algorithm, and last with the meniscus repair); every attempt starts from
// the model as it was before this species, so no other species' signal is lost. False when
// every attempt failed (the species then adds nothing; the error words tell why). The records
// take the error words and the clock of the last attempt. Nothing held.
bool SolveSpeciesOnGrid(TXLAWindow* window, int slot, double loading);

// A Lamm solver of the simulation grid by algorithm: one run from the profile in LammGrid on the
// clock, on arrays made for that algorithm; a failure (GridRunFailed) sets its error word.
using GridSpeciesSolver = std::function<LammResult(GridAlgorithm, const CLammProblem&,
                                                   const CLammControl&, CGridClock&, CLammSink&)>;
// This module's: SolveMovingHat, CFixedGridSolver, nothing on a cell-centred grid (Solved); any
// other value is refused (LammResult::Refused) without a step.
LammResult SolveOnSimulationGrid(GridAlgorithm algorithm, const CLammProblem& problem,
                                 const CLammControl& control, CGridClock& clock, CLammSink& out);
// SolveSpeciesOnGrid with the given solver and the open bottom held in the evaluation's list;
// the retries never change the model's choice.
bool SolveSpeciesOnGrid(TXLAWindow* window, int slot, double loading,
                        const GridSpeciesSolver& solve, int heldList);

// The evaluation species by species on this engine's own profiles and grid solvers, whatever
// road the model would take (the road of the Faxen simulation, and of the models that need the
// simulation grid).
void RunDiscreteSedOnGrid(TXLAWindow* window);
// The same with the given solver of each species.
void RunDiscreteSedOnGrid(TXLAWindow* window, const GridSpeciesSolver& solve);
