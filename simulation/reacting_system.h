// The reacting system A + B <-> AB in instantaneous local equilibrium: free A and free B
// sediment and diffuse with their own coefficients, the complex K A B with its own; the signal is
// the sum of the species weighted with their signal increments.
#pragma once

#include "lamm/lamm_result.h"
#include "simulation/lamm_solver_inputs.h"

#include <vector>

// The system as the solver takes it: K on the molar scale of the loadings, s in S, D in cm^2/s.
struct CReaction {
    double K = 1.0;
    double a0 = 0.5, b0 = 0.5; // total A and total B (molar units)
    double eA = 1.0, eB = 1.0; // signal per unit concentration; the complex carries both
    double sA = 7.0, sB = 7.0, sAB = 11.0;
    double dA = 6e-7, dB = 6e-7, dAB = 4e-7;
};

// The complex concentration of the uniform mixture at equilibrium: the smaller root of
// K (a0 - x)(b0 - x) = x.
double EquilibriumComplex(double K, double a0, double b0);

// K, extinctionAB and complexConcentration of ReactionParameters from its loadings, increments
// and logK.
void InitReactionSystem();

// One run from the uniform equilibrium mixture on the clock, as the other grid solvers take it,
// on a grid of LammGrid::allocatedGridSize nodes that grows geometrically from
// the meniscus (LammGrid::radius during the run, put back afterwards). Each step is started from
// the free species extrapolated along the cubic through the last four levels and solved by
// Newton passes on the coupled Crank-Nicolson equations of both free species and their common
// complex, so total A and total B are both conserved; a single pass ends the step where the
// residual it leaves is far below the tolerance. Steps are at most control.maxDcOverC seconds long;
// with control.fixedTimeStep every step has that length, otherwise a step is shortened where it
// leaves the straight continuation of the last step by more than the aim (a passing boundary, a
// complex forming or falling apart). A step whose passes do not converge within kMostReactionPasses
// is halved, and ten halvings in a row end the run with the discretization error, as does a step
// that would be shorter than a microsecond; a block the first pass of a step cannot invert shows
// "Error 1 in tridag" (at the meniscus row, "Error 2 in tridag" elsewhere) and ends the run with
// the singular matrix. The signal goes to the sink after every step; the run ends as the other
// grid solvers' do (StepUntilStopped). The free profiles are left in freeA and freeB when given.
// Nothing waits for a key.
constexpr int kMostReactionPasses = 100;
LammResult RunReactingLamm(const CLammProblem& problem, const CReaction& reaction,
                           const CLammControl& control, CGridClock& clock, CLammSink& out,
                           std::vector<double>* freeA = nullptr,
                           std::vector<double>* freeB = nullptr);
