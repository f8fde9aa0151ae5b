// Regularization of a distribution: second-derivative (Tikhonov-Phillips) and maximum entropy,
// with the strength chosen so that the chi-square rises by the F-statistics ratio.
#pragma once

#include "distributions/conti_normal_equations.h"
#include "foundations/analysis_failure.h"

#include <string>
#include <vector>

enum class ContiRegularizationKind { SecondDerivative, MaximumEntropy };

struct ContiRegularizedSolution {
    std::vector<double> c;     // [1..n], non-negative amplitudes
    std::vector<double> nnls;  // [1..n], the unregularized solution
    double alpha = 0.0;        // strength reached (0: unregularized)
    double chiSquare = 0.0;    // of c
    double chiSquare0 = 0.0;   // of the unregularized solution, or eq.chiSquareBeforeSlowHolds
    double targetRatio = 1.0;  // chi-square ratio aimed at
    std::string failureDetail; // the numbers of the failure returned, for its message
    int solves = 0;            // regularized solutions computed by the strength search
    // The noise was held at what the unregularized amplitudes leave (nnls): the fit of c is its
    // model with that noise.
    bool noiseHeld = false;
};

// What one strength search leaves for the next on a nearly equal problem (the next trial of a
// Fit): the strength it reached and the amplitudes there. An entropy search whose steps from the
// smooth solution stopped short had to start again from below and leaves that road; one that
// never stalled (or a second-derivative one) leaves the smooth road (smooth). Empty (alpha 0)
// after a failure.
struct ContiStrengthHint {
    double alpha = 0.0;
    std::vector<double> c; // [1..n]
    double slope = 0.0;    // rise of the ratio per decade of strength near alpha (0: unknown)
    bool smooth = false;   // the search stayed on the smooth road
};

// The chi-square ratio the confidence level P asks for with nu degrees of freedom: 1 for
// P <= 0.5 (no regularization), FCriticalRatio(P, nu, nu) below 1 (at most 2), and P itself
// taken as the ratio from 1 on.
double ContiTargetRatio(double P, double nu);

// Squared second differences of c (zero beyond both ends), ||L c||^2.
double SecondDerivativeNorm(const std::vector<double>& c);

// The second-derivative solution at strength alpha: NNLS on (A + alpha L'L, b). With a prior
// shape q[1..n] (largest 1), L acts on c_p / q_p, so amplitudes that follow the prior cost
// nothing and those where it is small are pressed down; empty q is flat.
AnalysisFailure SolveSecondDerivative(const ContiNormalEquations& eq, double alpha,
                                      std::vector<double>& c, const std::vector<double>& q = {});

// Amplitudes of held columns (ContiNormalEquations::held) stay at zero throughout.
// NNLS, then the regularized solution whose chi-square ratio to the NNLS one equals
// ContiTargetRatio(P, nu), found by Brent's search in log alpha. The entropy's search goes down
// from a smooth solution; where the ratio stops falling on the way (the steps from the smoother
// solution cannot take the amplitudes back to zero), it starts again from the NNLS solution at
// that strength with EntropyNewton::OffTheFloor, each strength then solved from the nearest
// weaker one. Returns the first failure met
// (the solution is still filled: at the largest strength tried for RegularizationUnreachable).
// With eq.noiseGram (of every column), the entropy's amplitudes are chosen with the noise held
// where the NNLS solution put it (EquationsWithNoiseHeld): the ratio and chi-square are those of
// the data less the model and that noise.
// A prior [1..n] (relative probability of each grid point, >= 0, not all 0; empty: none) shapes
// both kinds: the entropy's default model and the second-derivative penalty follow it.
// With a hint that holds a strength, the entropy's search goes from below at once: the strength
// of the hint is solved from its amplitudes and kept when its ratio is within 1e-5 of the
// target; else the bracket is found in steps that double from there, and the root is refined as
// on the road from below; a bracket not found within 30 decades falls back to the whole search.
// A smooth hint instead starts the smooth road at its strength (the entropy's Newton steps from
// its amplitudes), steps by the hint's slope to the bracket and refines the root as the whole
// search does, to the same tolerance; where the entropy stalls on the way down, or no bracket is
// found within 30 decades, the whole search is made. The hint is then left for the next search:
// filled when the search reached its ratio without a failure, emptied otherwise. The climb by
// decades from the first strength solves its decades side by side on `threads` threads, each from
// the NNLS solution: the result is the same for any count. A caller that has the NNLS solution
// of eq (ContiNNLSOnFreeColumns without a failure) passes it as nnls: it is not solved again.
AnalysisFailure RegularizeDistribution(const ContiNormalEquations& eq, ContiRegularizationKind kind,
                                       double P, double nu, ContiRegularizedSolution& out,
                                       const std::vector<double>& prior = {},
                                       ContiStrengthHint* hint = nullptr, int threads = 1,
                                       const std::vector<double>* nnls = nullptr);

// The prior scaled to its largest value 1 and floored at 1e-3 ([1..n]); empty for no prior, or
// one without a positive finite value.
std::vector<double> PriorShape(const std::vector<double>& prior);
