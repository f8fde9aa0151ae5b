// The model evaluation of the single-component models whose s and D depend on concentration
// (non-ideal species, rapid self-association) and of the reacting A + B system.
#pragma once

#include "lamm/lamm_result.h"
#include "simulation/lamm_solver_inputs.h"
#include "simulation/radial_grid.h"

class TXLAWindow;

// The non-ideal or self-associating component (species 1 the monomer, 2 and 3 the oligomers)
// solved on the simulation grid from the loading of species 1; its signal becomes the model.
// False, with the fit as it was, when nothing could be computed. The automatic algorithm is
// chosen from the model's s, once per optimiser run while HeldDiscretisation is active.
bool RunNonidealSingleModel(TXLAWindow* window);

// True while a model of this kind is chosen (the Lamm model itself is off).
bool NonidealSingleModelChosen();

// The species solver of the discrete-species loop with species 1 marked non-ideal
// (ModelChoice::firstSpeciesNonideal): species 1 with s / (1 + ks c) and D (1 + kd c) from its
// own s and D (or the tabulated coefficients), on the moving frame with the moving hat
// algorithm and on the fixed grid otherwise; every other species as SolveOnSimulationGrid.
LammResult SolveWithFirstSpeciesNonideal(GridAlgorithm algorithm, const CLammProblem& problem,
                                         const CLammControl& control, CGridClock& clock,
                                         CLammSink& out);

// The reacting system A + B <-> AB: free A from species 1 (loading, s, D or M), free B from
// species 2, the complex's s and D or M from species 3, log10 K from the association slot.
bool RunReactingModel(TXLAWindow* window);
// ReactionParameters from those slots (with InitReactionSystem), and back into them with the
// equilibrium complex of the loading shown as the loading of species 3.
void ReactionParametersFromSlots();
void ReactionParametersToSlots();
