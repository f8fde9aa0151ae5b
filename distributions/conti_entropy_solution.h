// The maximum-entropy solution of the distribution's normal equations at one strength.
#pragma once

#include "distributions/conti_normal_equations.h"
#include "foundations/analysis_failure.h"

#include <functional>
#include <vector>

// How the entropy's Newton steps treat amplitudes that the data press towards zero.
enum class EntropyNewton {
    // Every amplitude in each step, the step cut so that none shrinks more than a hundredfold.
    AllAmplitudes,
    // Amplitudes at the floor (1e-12 of the largest start) that the gradient presses down, and
    // those the step would take through it, are held on the floor; the step is solved over the
    // others: the road for weak strengths, where the solution is close to the unregularized one
    // with many amplitudes at zero.
    OffTheFloor,
};

// The maximum-entropy solution at strength alpha with default model m[1..n] > 0: Newton steps
// on c > 0 from start. abandon (optional), asked before each step of AllAmplitudes, ends the
// solution where it stands once it says true: for a caller that learned meanwhile it will not
// read c.
AnalysisFailure SolveMaximumEntropy(const ContiNormalEquations& eq, double alpha,
                                    const std::vector<double>& m, const std::vector<double>& start,
                                    std::vector<double>& c,
                                    EntropyNewton newton = EntropyNewton::AllAmplitudes,
                                    const std::function<bool()>& abandon = {});
