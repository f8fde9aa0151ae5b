// The working state of one run of the reacting system A + B <-> AB and the steps that act on
// it: the integrals and the Newton and chord passes in reacting_newton_passes.cpp, the step
// control and the run in reacting_system.cpp.
#pragma once

#include "lamm/lamm_result.h"
#include "simulation/lamm_solver_inputs.h"
#include "simulation/reacting_system.h"
#include "simulation/run_end_tests.h"

#include <cstddef>
#include <vector>

// The working state of one run: the grid, the pair and product integrals, the levels of both
// free species and the kept elimination of the last Newton pass.
struct CReactingRun {
    using V = std::vector<double>;

    const CLammProblem& problem;
    const CReaction& rx;
    const CLammControl& control;
    CGridClock& clock;
    CLammSink& out;

    int n = 0;
    V r;                  // radii 1..n
    V M[3], TA[3], TB[3]; // pair matrices, diagonal d = j - i + 1
    V M3, G3;             // 7 per row, index 7 i + p
    V W, Wo;              // M3 -+ h/2 G3 for the step length weightsStep
    V LA[3], LB[3];       // M + h/2 T_X for the same step length
    V RA[3], RB[3];       // M - h/2 T_X, the same on the old level
    V A, B, Ap, Bp, App, Bpp, Appp, Bppp, Apppp, Bpppp, oldA, oldB, dA, dB;
    V eA, eB, complexOfChange; // the change since the last Newton pass and its complex
    // The kept elimination of the last Newton pass, 2 x 2 blocks row-major, 4 per row: the
    // inverse pivot P, the carry Q = P times the coupling toward row m (the meeting row), and the
    // link, the coupling to the row before in the elimination (the one away from m); row m has
    // two links, the second in meetLink.
    V piv, carry, link;
    double meetLink[4] = {};
    double dtPrev = 0.0, dtPrev2 = 0.0, dtPrev3 = 0.0, weightsStep = -1.0;
    double changeA = 0.0, changeB = 0.0;
    int shortenings = 0; // steps shortened in a row because their passes did not converge
    int singularRow = 0; // the row whose block the last Newton pass could not invert
    CGridRunFailure failure;

    std::size_t At(int i) const { return std::size_t(i); }
    void Assemble(double w2);
    void ProductWeights(double h);
    void Contract(const V& w, const V& P, int i, double out[3]) const;
    inline void ContractInterior(const V& w, const V& P, int i, double out[3]) const;
    struct Row {
        double lo[4], diag[4], up[4]; // Jacobian blocks toward i - 1, i, i + 1
        double ra, rb;                // minus the residuals
    };
    template <bool Interior> void AssembleRow(int i, bool withOld, Row& row);
    void AssembleAnyRow(int i, bool withOld, Row& row);
    bool NewtonPass(bool withOld, double& change);
    int Meeting() const { return (n + 1) / 2; }
    double ChordPass(bool afterNewton);
    double BackSubstitute(bool chord);
    enum class Solved { Yes, NotConverged, Failed };
    void Extrapolation(double h, double c[3]) const;
    Solved SolveStep(double h);
    bool SolveShortening(double& h);
    struct Measures {
        double deviation, change;
    };
    template <bool WithDeviation> Measures Measure(double h) const;
    double StepFactor(double d) const;
    void Advance();
    double Step();
    void Signal();
    LammResult Run();
};
