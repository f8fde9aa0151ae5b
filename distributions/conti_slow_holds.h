// The search for slow amplitudes within the noise, leaving the solution it ends on.
#pragma once

#include "distributions/conti_normal_equations.h"

#include <vector>

// HoldSlowAmplitudesWithinTheNoise(eq, P) (conti_normal_equations.h); with solution, that
// receives the non-negative solution over the columns left free (what ContiNNLSOnFreeColumns
// gives for eq as returned, the same bits), or is emptied when the search made none (nothing
// searched, or that solution failed).
int HoldSlowAmplitudesWithinTheNoise(ContiNormalEquations& eq, double P,
                                     std::vector<double>* solution);
