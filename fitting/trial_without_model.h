// The trials an optimiser may try that are no model. Every optimiser meets them through the fit's
// objective, which gives them the failed value instead of an rmsd, so the optimiser moves away
// (a damped step shorter, a vertex contracted) and the fit goes on.
#pragma once

#include <vector>

enum class NoModel {
    None,
    LightMass,       // a sedimenting species lighter than 1 Da
    NegativeLoading, // a species with a loading below zero (a negative signal)
    Unsolved,        // the model could not be computed at the values (the solver refused them)
};

// A species M or D slot of the models that sediment it (the buoyant mass of equilibrium and the
// values of the light-scattering models are not).
bool SedimentingMassOrDSlot(int slot);

// Before the trial is evaluated, its values p[1..n] for the free slots already written into the
// parameters: a species lighter than 1 Da (the evaluation would take the lightest particle,
// whose D no longer depends on the value), or, while the loadings are floated rather than solved
// as linear amplitudes, a species whose loading is below zero (the evaluation would count it as
// 0, where its s and M no longer act).
NoModel NoModelBeforeEvaluation(const std::vector<int>& slots, const double* p);

// After the evaluation: nothing was computed, or the linear amplitudes gave a species a loading
// below zero.
NoModel NoModelAfterEvaluation(bool computed);

// Why, as a failed fit says it: "a species has a loading below zero", ...
const char* NoModelReason(NoModel why);
