// The working state of one moving-hat run on the simulation grid and the steps that act on it:
// the matrices and the Crank-Nicolson step in moving_hat_matrices.cpp, the step control, the
// amounts and the grid periods in moving_hat_solver.cpp.
#pragma once

#include "lamm/lamm_result.h"
#include "simulation/bottom_pellet.h"
#include "simulation/cosolute_time_course.h"
#include "simulation/lamm_solver_inputs.h"
#include "simulation/run_end_tests.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"

#include <algorithm>
#include <cmath>
#include <vector>

// State of one run; its frame is published in LammGrid::movingFrame for ScaleGridByExponential.
struct CMovingHatState {
    using Vec = std::vector<double>;

    int n = 0;
    double m = 0.0, b = 0.0; // meniscus and bottom, cm
    double s = 0.0, D = 0.0; // S, cm^2/s
    double sGrid = 0.0;      // S
    double sigma = 0.0;      // s omega^2, 1/s
    double k = 0.0;          // frame rate s_grid omega^2, 1/s
    double t0 = 0.0, period = 0.0;
    double e = 1.0, e2 = 1.0; // frame factor at the ends in force and its square
    double V1 = 0, V2 = 0, P2 = 0, P3 = 0, VN = 0, VN1 = 0, PN1 = 0, PN2 = 0;
    Vec volumes; // reference node volumes with the ends at meniscus and bottom
    // mass, stiffness, sedimentation, frame and transport diagonals (sub a, main b, super c)
    Vec Ma, Mb, Mc, Ka, Kb, Kc, Sa, Sb, Sc, Fa, Fb, Fc, Ta, Tb, Tc;
    // left-hand matrix, right-hand side, full-period right-hand matrix and factors
    Vec La, Lb, Lc, rhs, Ba, Bb, Bc, aScaled, invBet, gamFull, gam, cOld;
    double endM[8] = {}, endK[8] = {}, endS[8] = {}, endTr[8] = {}, endRate[8] = {};
    double dt0 = 0.0;
    bool fullPeriodMode = false, firstStep = false, startUp = false;
    bool periodEndNext = false, fullPeriodNext = false, fullPeriodStep = false;
    double total = 0.0;
    bool massLoss = false;
    bool depletingEndUnresolved = false; // the depletion layer is thinner than the end element
    int periods = 0;
    const double* x = nullptr; // the moving-grid radii the frame was set up on
    // A sedimenting cosolute changes the solvent, and with it the transport, at every step; its
    // factors belong to the nodes at their reference radii (the ends at meniscus and bottom).
    bool solventChanges = false;
    Vec reference;
    CLammProblem problem;
    CLammControl control;
};

// One run on its own state and the clock it is given: the steps, the grid periods and the
// matrices.
class CMovingHatRun {
  public:
    explicit CMovingHatRun(CGridClock& clock) : clock_(clock) {}
    LammResult Run(const CLammProblem& problem, const CLammControl& control, CLammSink& out);

  private:
    CGridClock& clock_;
    CMovingHatState g;
    CCosoluteTimeCourse cosolute;
    CBottomPellet pellet;
    CGridRunFailure failure;

    static double* X() { return LammGrid::movingRadius; }
    static double* C() { return LammGrid::concentration; }
    // The volume of node i on the moving grid with the end radii in force.
    static double Volume(int i);

    void PublishFrame() { LammGrid::movingFrame = {g.x, g.n, g.k, g.t0}; }
    // With the frame moving exactly with the species at constant speed the transport is
    // sigma (F - S), which avoids cancelling k F against sigma S.
    bool Combined() {
        return g.control.automaticSGrid && !ModelChoice::inhomogeneousSolvent &&
               !LammGrid::accelerating;
    }
    bool Accelerating() { return g.problem.rotor.ramp && LammGrid::accelerating; }
    // The end of the grid period is reached: within rounding of the clock, which grows with the
    // time (at 1e6 s a fixed 1e-10 s lies below the spacing of doubles, and the run stood still
    // there).
    bool AtPeriodEnd(double t) {
        return std::fabs(t - g.t0 - g.period) < 1e-10 * std::max(1.0, std::fabs(t));
    }
    double LammFEStepControl() { return g.fullPeriodMode ? FixedPeriodStep() : FreeModeStep(); }

    // The matrices and the step (moving_hat_matrices.cpp).
    inline void ComputeTransportRow(int i);
    void SetMovingGridEndsFE(double tau);
    void SetupMovingGridFE();
    void EndEntriesHere(double* m8, double* k8, double* s8, double* f8);
    void BoundaryEntriesAtStart();
    void EndMassRates(double* rate8);
    void BoundaryEntriesAtEnd(double tau);
    void Resize(int n);
    void AssembleMovingHatMatricesFE();
    void RebuildSolventRows();
    void UpdateSedimentationMatricesFE();
    void DampProfileOverflow();
    void Tridag(const double* a, const double* b, const double* cc, const double* r, double* u);
    void FactorFixedPeriodStep();
    void LammFETimeStep(double h);

    // The step control, the amounts and the grid periods (moving_hat_solver.cpp).
    bool CutForAcceleration();
    double ReferenceAmount();
    double TotalAmountInCellFE();
    void MovingGridAmount(double& amount, double& lastVolume);
    void AdvanceLammFETime();
    void ShiftMovingGridFE();
    double FreeModeStep();
    double FixedPeriodStep();
};
