// The Lamm solution of one component whose s and D depend on the local concentration (non-ideal
// species, rapid self-association), on a uniform fixed grid of the simulation arrays.
#pragma once

#include "lamm/lamm_result.h"
#include "simulation/concentration_coefficients.h"
#include "simulation/lamm_solver_inputs.h"

// The coefficient law of the model now chosen, from ModelParameters: the association constants
// from their decimal logarithms, ks and kd signed by nonidealPositive and divided by the
// concentration scale (the monomer-dimer's ks as entered).
CConcentrationLaw ConcentrationLawOfRecord();

// One run from the profile in LammGrid on the clock (as the other grid solvers take them), on
// a uniform grid of LammGrid::allocatedGridSize nodes between meniscus and bottom; the loaded
// profile is carried over onto it and LammGrid::radius holds it during the run. Predictor and
// corrector Crank-Nicolson steps with the step control of "max dc/c"; a bottom pile-up thinner
// than the last element is kept as a pellet at the last node. The grid radii are put
// back afterwards. LammResult::NoArrays without arrays, LammResult::SingularMatrix or
// LammResult::DiscretizationError on failure.
LammResult SolveLammNonlinear(const CLammProblem& problem, const CConcentrationLaw& law,
                              const CLammControl& control, CGridClock& clock, CLammSink& out);
