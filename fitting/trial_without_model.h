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
    BeyondTheCell,   // a species whose boundary has left the cell before the first scan
};

// A species M or D slot of the models that sediment it (the buoyant mass of equilibrium and the
// values of the light-scattering models are not).
bool SedimentingMassOrDSlot(int slot);

// An s slot of a species of the non-interacting discrete species sedimenting in the centrifugal
// field (not of the buffer's slot, nor in electrophoresis).
bool SedimentationSlot(int slot);

// The fastest sedimentation (S, either way) that leaves a model to fit: beyond it the boundary
// has left the column (ln(bottom / meniscus), the widest the bounds allow) before the earliest
// scan, which then shows no trace of the species, or it exceeds 1e5 S, faster than any particle
// that stays in solution (at 1,000 rpm it would cross a 1.2 cm column within two seconds).
double FastestSedimentation();

// Before the trial is evaluated, its values p[1..n] for the free slots already written into the
// parameters: a species lighter than 1 Da (the evaluation would take the lightest particle,
// whose D no longer depends on the value), a species faster than FastestSedimentation (its s no
// longer acts), or, while the loadings are floated rather than solved
// as linear amplitudes, a species whose loading is below zero (the evaluation would count it as
// 0, where its s and M no longer act).
NoModel NoModelBeforeEvaluation(const std::vector<int>& slots, const double* p);

// After the evaluation: nothing was computed. The linear amplitudes are those of the least
// squares, of either sign: a species' negative amplitude is a model.
NoModel NoModelAfterEvaluation(bool computed);

// Why, as a failed fit says it: "a species has a loading below zero", ...
const char* NoModelReason(NoModel why);
