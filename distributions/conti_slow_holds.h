// The search for slow amplitudes within the noise on the kept threads, leaving the solution it
// ends on.
#pragma once

#include "distributions/conti_normal_equations.h"

#include <vector>

// HoldSlowAmplitudesWithinTheNoise(eq, P) (conti_normal_equations.h), the solutions it may ask
// for next made ahead of it on up to `threads` threads: the same columns held for any count. With
// solution, that receives the non-negative solution over the columns left free (what
// ContiNNLSOnFreeColumns gives for eq as returned, the same bits), or is emptied when the search
// made none (nothing searched, or that solution failed).
int HoldSlowAmplitudesWithinTheNoise(ContiNormalEquations& eq, double P, int threads,
                                     std::vector<double>* solution);
