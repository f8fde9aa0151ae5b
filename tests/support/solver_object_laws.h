// The concentration-dependent models loaded into the solver object, each with the law the
// solvers of the simulation grid take for the same species, for tests that compare the two.
#pragma once

#include "simulation/concentration_coefficients.h"
#include "support/lamm_harness.h"
#include "support/module_solver_harness.h"

// Monomer 4 S, 6e-7 cm^2/s throughout. Dimer and trimer: 7 S, 4.5e-7 cm^2/s, constant 10^logK.
// Oligomers 1-2-4 and 1-4-8: 6.5 S and 10 S, 4.8e-7 and 3.6e-7 cm^2/s, both constants 10^logK.
// Non-ideal: ks x 3.3 = 10^logK and kd = 0.1, which the object slows as s (1 - ks c) and the
// grid solvers take as a tabulated law. Mixture: the non-ideal species as two equal halves of a
// mixture whose factors follow the total, which is the same species.
enum class ObjectModel { Dimer, Trimer, Oligomers124, Oligomers148, Nonideal, Mixture };

// Loads the model into the run's solver object and returns its law.
CConcentrationLaw LoadObjectModel(LammRun& object, ObjectModel model, float logK);

// The case's column, grid, scans and output radii taken over by a module case.
ModuleCase ModuleCaseOn(const LammCase& lc, ModuleCase mc = {});
