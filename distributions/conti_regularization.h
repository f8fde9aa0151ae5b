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
    double chiSquare0 = 0.0;   // of the unregularized solution
    double targetRatio = 1.0;  // chi-square ratio aimed at
    std::string failureDetail; // the numbers of the failure returned, for its message
};

// The chi-square ratio the confidence level P asks for with nu degrees of freedom: 1 for
// P <= 0.5 (no regularization), FCriticalRatio(P, nu, nu) below 1 (at most 2), and P itself
// taken as the ratio from 1 on.
double ContiTargetRatio(double P, double nu);

// Squared second differences of c (zero beyond both ends), ||L c||^2.
double SecondDerivativeNorm(const std::vector<double>& c);

// The second-derivative solution at strength alpha: NNLS on (A + alpha L'L, b).
AnalysisFailure SolveSecondDerivative(const ContiNormalEquations& eq, double alpha,
                                      std::vector<double>& c);
// The maximum-entropy solution at strength alpha with default model m[1..n] > 0: Newton steps
// on c > 0 from start.
AnalysisFailure SolveMaximumEntropy(const ContiNormalEquations& eq, double alpha,
                                    const std::vector<double>& m, const std::vector<double>& start,
                                    std::vector<double>& c);

// Amplitudes of held columns (ContiNormalEquations::held) stay at zero throughout.
// NNLS, then the regularized solution whose chi-square ratio to the NNLS one equals
// ContiTargetRatio(P, nu), found by Brent's search in log alpha. Returns the first failure met
// (the solution is still filled: at the largest strength tried for RegularizationUnreachable).
AnalysisFailure RegularizeDistribution(const ContiNormalEquations& eq, ContiRegularizationKind kind,
                                       double P, double nu, ContiRegularizedSolution& out);
