// Test helper: the user's start values of a two-species fit.
#include "two_component_start.h"

#include "state/model_choice.h"
#include "state/model_parameters.h"

void SetTwoSpeciesStartValues() {
    using M = ModelParameters;
    ModelChoice::equilibriumMs = true;
    const float s0[3] = {0, 3.0f, 8.0f}, m0[3] = {0, 40000.0f, 180000.0f};
    for (int k = 1; k <= 2; ++k) {
        M::speciesS[k] = s0[k];
        M::speciesDOrM[k] = m0[k];
        M::speciesSFloat[k] = M::speciesDOrMFloat[k] = 1;
        M::concentrationFloat[k] = 0;
    }
}
