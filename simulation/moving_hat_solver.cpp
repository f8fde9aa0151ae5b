// The moving-hat solution on the simulation grid: hat functions that travel outward with the
// boundary, Crank-Nicolson steps in the moving frame, and a shift of the profile by one node at
// the end of every grid period.
#include "foundations/resampling.h"
#include "foundations/show_error.h"
#include "lamm/hat_integrals.h"
#include "lamm/lamm_moving_hat_ends.h"
#include "lamm/moving_hat_step_weights.h"
#include "lamm/tridiagonal.h"
#include "simulation/bottom_pellet.h"
#include "simulation/cosolute_time_course.h"
#include "simulation/grid_element_integrals.h"
#include "simulation/grid_error_words.h"
#include "simulation/initial_profile.h"
#include "simulation/module_solvers.h"
#include "simulation/run_end_tests.h"
#include "simulation/scan_output.h"
#include "simulation/solvent_profile.h"
#include "simulation/speed_and_equilibrium.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/scan_store.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <vector>

namespace {

constexpr double kTwoPiOver60 = 2.0 * M_PI / 60.0;
constexpr double kSectorFactor = 1.2 * 0.0349065850398866;

using Vec = std::vector<double>;

// State of one run; its frame is published in LammGrid::movingFrame for ScaleGridByExponential.
struct MovingHatState {
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

double* X() {
    return LammGrid::movingRadius;
}
double* C() {
    return LammGrid::concentration;
}

double Volume(int i) {
    return FeElemGrid1B(i);
}

// One run on its own state: the steps, the grid periods and the matrices.
class MovingHatRun {
  public:
    LammResult Run(const CLammProblem& problem, const CLammControl& control, CLammSink& out);

  private:
    MovingHatState g;
    CCosoluteTimeCourse cosolute;
    CGridRunFailure failure;

    void PublishFrame() { LammGrid::movingFrame = {g.x, g.n, g.k, g.t0}; }

    // With the frame moving exactly with the species at constant speed the transport is
    // sigma (F - S), which avoids cancelling k F against sigma S.
    bool Combined() {
        return g.control.automaticSGrid && !ModelChoice::inhomogeneousSolvent &&
               !LammGrid::accelerating;
    }

    void ComputeTransportRow(int i) {
        if (Combined()) {
            g.Ta[i] = g.sigma * (g.Fa[i] - g.Sa[i]);
            g.Tb[i] = g.sigma * (g.Fb[i] - g.Sb[i]);
            g.Tc[i] = g.sigma * (g.Fc[i] - g.Sc[i]);
        } else {
            g.Ta[i] = g.k * g.Fa[i] - g.sigma * g.Sa[i];
            g.Tb[i] = g.k * g.Fb[i] - g.sigma * g.Sb[i];
            g.Tc[i] = g.k * g.Fc[i] - g.sigma * g.Sc[i];
        }
    }

    void SetMovingGridEndsFE(double tau) {
        g.e = std::exp(g.k * tau);
        g.e2 = g.e * g.e;
        X()[1] = g.m / g.e;
        X()[g.n] = g.b / g.e;
    }

    void SetupMovingGridFE() {
        const int n = g.n;
        double* x = X();
        g.periods = 0;
        const double omega = LammGrid::rotorSpeed * kTwoPiOver60;
        g.sigma = omega * omega * g.s * 1e-13;
        g.k = omega * omega * g.sGrid * 1e-13;
        g.t0 = LammGrid::time;
        PublishFrame();
        const double m = g.m, b = g.b;
        g.period = g.k == 0.0 ? 1e10 : std::log(b / m) / (std::fabs(g.k) * (n - 1));
        const double ratio = std::pow(b / m, 1.0 / (n - 1));
        x[1] = m;
        if (g.sGrid >= 0.0) {
            for (int i = 2; i < n; ++i)
                x[i] = m * std::pow(b / m, (i - 1.5) / (n - 1));
        } else {
            x[2] = m * std::pow(b / m, 1.5 / (n - 1));
            for (int i = 3; i < n; ++i)
                x[i] = x[i - 1] * ratio;
        }
        x[n] = b;
        for (int i = 1; i <= n; ++i)
            LammGrid::radius[i] = x[i];
        g.e = g.e2 = 1.0;
        g.V1 = Volume(1);
        g.V2 = Volume(2);
        g.P2 = (x[2] - x[1]) * (x[1] + 2.0 * x[2]) / 6.0;
        g.P3 = (x[3] - x[2]) * (x[2] + 2.0 * x[3]) / 6.0;
        g.volumes.assign(n + 1, 0.0);
        for (int i = 1; i <= n; ++i)
            g.volumes[i] = Volume(i);
        g.VN = Volume(n);
        g.VN1 = Volume(n - 1);
        g.PN1 = (x[n] - x[n - 1]) * (2.0 * x[n - 1] + x[n]) / 6.0;
        g.PN2 = (x[n - 1] - x[n - 2]) * (2.0 * x[n - 2] + x[n - 1]) / 6.0;
    }

    // Raw end entries (mass, stiffness, sedimentation, frame) for the end radii in force.
    void EndEntriesHere(double* m8, double* k8, double* s8, double* f8) {
        for (int p = 0; p < 8; ++p) {
            const EndPosition e = EndPositionOf(p, g.n);
            const int j = e.Column();
            m8[p] = FeElemGrid2B(e.row, j);
            k8[p] = FeElemGrid2Stiff(e.row, j);
            s8[p] = FeElemGrid2Sed(e.row, j);
            f8[p] = FeElemGrid2A(e.row, j);
        }
    }

    void BoundaryEntriesAtStart() {
        double m8[8], k8[8], s8[8], f8[8];
        EndEntriesHere(m8, k8, s8, f8);
        for (int p = 0; p < 8; ++p) {
            const EndPosition e = EndPositionOf(p, g.n);
            EndEntry(g.Ma.data(), g.Mb.data(), g.Mc.data(), e) = m8[p];
            EndEntry(g.Ka.data(), g.Kb.data(), g.Kc.data(), e) = k8[p];
            EndEntry(g.Sa.data(), g.Sb.data(), g.Sc.data(), e) = s8[p];
            EndEntry(g.Fa.data(), g.Fb.data(), g.Fc.data(), e) = f8[p];
        }
        for (int i : {1, 2, g.n - 1, g.n})
            ComputeTransportRow(i);
    }

    // Rates of change of the end entries of M for the end radii in force.
    void EndMassRates(double* rate8) { MovingEndMassRates(X(), g.n, g.k, rate8); }

    void BoundaryEntriesAtEnd(double tau) {
        double* x = X();
        const double keep1 = x[1], keepN = x[g.n];
        const double e = std::exp(g.k * tau);
        x[1] = g.m / e;
        x[g.n] = g.b / e;
        double f8[8];
        EndEntriesHere(g.endM, g.endK, g.endS, f8);
        EndMassRates(g.endRate);
        for (int p = 0; p < 8; ++p)
            g.endTr[p] =
                Combined() ? g.sigma * (f8[p] - g.endS[p]) : g.k * f8[p] - g.sigma * g.endS[p];
        x[1] = keep1;
        x[g.n] = keepN;
    }

    void Resize(int n) {
        for (Vec* v :
             {&g.Ma,  &g.Mb, &g.Mc, &g.Ka, &g.Kb,      &g.Kc,     &g.Sa,      &g.Sb,  &g.Sc,
              &g.Fa,  &g.Fb, &g.Fc, &g.Ta, &g.Tb,      &g.Tc,     &g.La,      &g.Lb,  &g.Lc,
              &g.rhs, &g.Ba, &g.Bb, &g.Bc, &g.aScaled, &g.invBet, &g.gamFull, &g.gam, &g.cOld})
            v->assign(n + 2, 0.0);
    }

    void AssembleMovingHatMatricesFE() {
        SetupMovingGridFE();
        for (int i = 1; i <= g.n; ++i) {
            g.Ma[i] = FeElemGrid2B(i, i - 1), g.Mb[i] = FeElemGrid2B(i, i);
            g.Mc[i] = FeElemGrid2B(i, i + 1);
            g.Ka[i] = FeElemGrid2Stiff(i, i - 1), g.Kb[i] = FeElemGrid2Stiff(i, i);
            g.Kc[i] = FeElemGrid2Stiff(i, i + 1);
            g.Sa[i] = FeElemGrid2Sed(i, i - 1), g.Sb[i] = FeElemGrid2Sed(i, i);
            g.Sc[i] = FeElemGrid2Sed(i, i + 1);
            g.Fa[i] = FeElemGrid2A(i, i - 1), g.Fb[i] = FeElemGrid2A(i, i);
            g.Fc[i] = FeElemGrid2A(i, i + 1);
            ComputeTransportRow(i);
        }
        BoundaryEntriesAtStart();
    }

    // New solvent factors change the stiffness and sedimentation rows; the mass, the frame and the
    // grid stay. The end rows follow at the next step, which assembles them for its end radii.
    void RebuildSolventRows() {
        for (int i = 1; i <= g.n; ++i) {
            g.Ka[i] = FeElemGrid2Stiff(i, i - 1), g.Kb[i] = FeElemGrid2Stiff(i, i);
            g.Kc[i] = FeElemGrid2Stiff(i, i + 1);
            g.Sa[i] = FeElemGrid2Sed(i, i - 1), g.Sb[i] = FeElemGrid2Sed(i, i);
            g.Sc[i] = FeElemGrid2Sed(i, i + 1);
            ComputeTransportRow(i);
        }
    }

    // A new rotor speed changes sigma only; the grid and the frame rate stay.
    void UpdateSedimentationMatricesFE() {
        const double omega = LammGrid::rotorSpeed * kTwoPiOver60;
        g.sigma = omega * omega * g.s * 1e-13;
        for (int i = 1; i <= g.n; ++i)
            ComputeTransportRow(i);
        BoundaryEntriesAtStart();
    }

    bool Accelerating() { return g.problem.rotor.ramp && LammGrid::accelerating; }

    // The step bounds of the acceleration phase; true when dt was cut.
    bool CutForAcceleration() {
        if (!Accelerating())
            return false;
        double& dt = LammGrid::dt;
        const double before = dt;
        dt = std::min(dt, g.problem.rotor.maxDtAccelerationS);
        const double end = g.problem.rotor.accelerationEndS, t = LammGrid::time;
        if (end > t && t + dt > end)
            dt = end - t;
        return dt != before;
    }

    void DampProfileOverflow() {
        if (g.D > 2e-8)
            return;
        double* c = C();
        const int n = g.n;
        if (g.s > 0.0 && std::fabs(c[n]) >= 1e30) {
            for (int i = n; i >= std::max(1, n - 20); --i)
                if (std::fabs(c[i]) > 1e35)
                    c[i] *= 0.1;
        } else if (g.s < 0.0 && std::fabs(c[1]) >= 1e15) {
            for (int i = 1; i <= std::min(n, 20); ++i)
                if (std::fabs(c[i]) > 1e15)
                    c[i] *= 0.1;
        }
    }

    void Tridag(const double* a, const double* b, const double* cc, const double* r, double* u) {
        const TridiagStatus status = ThomasSolve(a, b, cc, r, u, g.gam.data(), 1, g.n);
        if (status != TridiagStatus::Ok) {
            ShowError(status == TridiagStatus::FirstPivotZero ? "Error 1 in tridag"
                                                              : "Error 2 in tridag",
                      0);
            failure.singular = true;
        }
    }

    void FactorFixedPeriodStep() {
        SetMovingGridEndsFE(0.0);
        BoundaryEntriesAtStart();
        double rate0[8];
        EndMassRates(rate0);
        BoundaryEntriesAtEnd(g.period);
        const CMovingHatStepWeights w(g.D, g.k, 0.0, g.period);
        for (int i = 1; i <= g.n; ++i) {
            g.Ba[i] = w.Right(g.Ma[i], 0.0, g.Ka[i], g.Ta[i]);
            g.Bb[i] = w.Right(g.Mb[i], 0.0, g.Kb[i], g.Tb[i]);
            g.Bc[i] = w.Right(g.Mc[i], 0.0, g.Kc[i], g.Tc[i]);
            g.La[i] = w.Left(g.Ma[i], 0.0, g.Ka[i], g.Ta[i]);
            g.Lb[i] = w.Left(g.Mb[i], 0.0, g.Kb[i], g.Tb[i]);
            g.Lc[i] = w.Left(g.Mc[i], 0.0, g.Kc[i], g.Tc[i]);
        }
        for (int p = 0; p < 8; ++p) {
            const EndPosition e = EndPositionOf(p, g.n);
            EndEntry(g.Ba.data(), g.Bb.data(), g.Bc.data(), e) += w.half * rate0[p];
            EndEntry(g.La.data(), g.Lb.data(), g.Lc.data(), e) =
                w.Left(g.endM[p], g.endRate[p], g.endK[p], g.endTr[p]);
        }
        ThomasFactor(g.La.data(), g.Lb.data(), g.Lc.data(), g.invBet.data(), g.aScaled.data(),
                     g.gamFull.data(), 1, g.n);
    }

    // One Crank-Nicolson step of length h from cOld into the concentration.
    void LammFETimeStep(double h) {
        const int n = g.n;
        double* c = C();
        const double* old = g.cOld.data();
        if (Accelerating()) {
            LammGrid::rotorSpeed = EffectiveRotorOmega(LammGrid::time, h);
            UpdateSedimentationMatricesFE();
        }
        const double tau = LammGrid::time - g.t0;
        const bool atPeriodStart = h == g.period && tau == 0.0;
        if (!LammGrid::accelerating && !g.solventChanges &&
            ((g.fullPeriodMode && g.fullPeriodStep) || atPeriodStart)) {
            if (atPeriodStart)
                SetMovingGridEndsFE(0.0);
            ThomasSubstituteProduct(g.Ba.data(), g.Bb.data(), g.Bc.data(), old, g.aScaled.data(),
                                    g.invBet.data(), g.gamFull.data(), c, 1, 1, n);
            DampProfileOverflow();
            return;
        }
        SetMovingGridEndsFE(tau);
        BoundaryEntriesAtStart();
        double rate0[8];
        EndMassRates(rate0);
        BoundaryEntriesAtEnd(PeriodPhase(tau + h, g.period));
        const CMovingHatStepWeights w(g.D, g.k, tau, h);
        for (int i = 1; i <= n; ++i) {
            g.La[i] = w.Left(g.Ma[i], 0.0, g.Ka[i], g.Ta[i]);
            g.Lb[i] = w.Left(g.Mb[i], 0.0, g.Kb[i], g.Tb[i]);
            g.Lc[i] = w.Left(g.Mc[i], 0.0, g.Kc[i], g.Tc[i]);
        }
        double* rhs = g.rhs.data();
        rhs[1] = w.Right(g.Mb[1], 0.0, g.Kb[1], g.Tb[1]) * old[1] +
                 w.Right(g.Mc[1], 0.0, g.Kc[1], g.Tc[1]) * old[2];
        for (int i = 2; i < n; ++i)
            rhs[i] = w.Right(g.Ma[i], 0.0, g.Ka[i], g.Ta[i]) * old[i - 1] +
                     w.Right(g.Mb[i], 0.0, g.Kb[i], g.Tb[i]) * old[i] +
                     w.Right(g.Mc[i], 0.0, g.Kc[i], g.Tc[i]) * old[i + 1];
        rhs[n] = w.Right(g.Ma[n], 0.0, g.Ka[n], g.Ta[n]) * old[n - 1] +
                 w.Right(g.Mb[n], 0.0, g.Kb[n], g.Tb[n]) * old[n];
        for (int p = 0; p < 8; ++p) {
            const EndPosition e = EndPositionOf(p, n);
            rhs[e.row] += w.half * rate0[p] * old[e.Column()];
            EndEntry(g.La.data(), g.Lb.data(), g.Lc.data(), e) =
                w.Left(g.endM[p], g.endRate[p], g.endK[p], g.endTr[p]);
        }
        Tridag(g.La.data(), g.Lb.data(), g.Lc.data(), rhs, c);
        if (failure.singular)
            std::copy(old + 1, old + n + 1, c + 1);
        DampProfileOverflow();
    }

    // Sum of node volume times concentration on the reference radii with the end radii in force.
    double ReferenceAmount() { return ReferenceGridAmount(g.volumes.data(), C(), g.n); }

    double TotalAmountInCellFE() { return kSectorFactor * ReferenceAmount() * g.e2; }

    // The amount on the grid and the last node's volume in the frame at the present time.
    void MovingGridAmount(double& amount, double& lastVolume) {
        SetMovingGridEndsFE(PeriodPhase(LammGrid::time - g.t0, g.period));
        amount = ReferenceAmount() * g.e2;
        lastVolume = Volume(g.n) * g.e2;
    }

    void AdvanceLammFETime() {
        ++LammGrid::stepCount;
        LammGrid::time += LammGrid::dt;
        if (LammGrid::accelerating && LammGrid::time >= g.problem.rotor.accelerationEndS) {
            LammGrid::rotorSpeed = EffectiveRotorOmega(LammGrid::time, LammGrid::dt);
            LammGrid::accelerating = false;
            UpdateSedimentationMatricesFE();
        }
        if (g.control.trackAmount) {
            const double previous = g.total;
            SetMovingGridEndsFE(PeriodPhase(LammGrid::time - g.t0, g.period));
            g.total = TotalAmountInCellFE() + kSectorFactor * PelletAmount();
            LammGrid::totalAmount = g.total;
            if (g.total != 0.0 && std::fabs((previous - g.total) / g.total) >= 1e-8)
                g.massLoss = true;
        }
    }

    // End of a grid period: every interior node has reached its neighbour's start, so the profile
    // moves by one node. The end values come from the amount balance of the end elements (where
    // material arrives) or from interpolation at the new node position (where it leaves). The
    // interior elements map onto their neighbours with their amounts only to the rounding of their
    // widths; the arriving end node takes that difference, so no amount is made or lost over many
    // periods.
    void ShiftMovingGridFE() {
        SetMovingGridEndsFE(PeriodPhase(LammGrid::time - g.t0, g.period));
        const int n = g.n;
        double* c = C();
        double* cOld = g.cOld.data();
        const double* x = X();
        const double E = g.e, E2 = g.e2, m = g.m, b = g.b, s = g.s, D = g.D;
        // The interior amounts before and after the move in one pass: only the end volumes change.
        double interiorBefore = 0.0, interiorAfter = 0.0;
        HatInteriorAmounts(g.volumes.data(), c, n, s < 0.0 ? 1 : -1, interiorBefore, interiorAfter);
        const double before = HatGridAmountFrom(x, c, n, interiorBefore) * E2;
        double newN = c[n], newN1 = c[n - 1], new1 = c[1], new2 = c[2];
        if (s >= 0.0) {
            const double amount =
                E2 * (g.PN2 * c[n - 2] + Volume(n - 1) * c[n - 1] + Volume(n) * c[n]);
            newN1 = c[n - 2];
            newN = (amount - c[n - 2] * g.PN1) / g.VN;
            if (s > 0.0 && newN < newN1)
                newN = newN1 = (newN1 * g.VN1 + newN * g.VN) / (g.VN + g.VN1);
            if (D != 0.0 || s <= 1e-10) {
                new1 = c[1];
                new2 = c[1] + (c[2] - c[1]) * (x[2] - m) / ((x[2] - x[1]) * E);
            } else {
                new1 = 0.0;
                new2 = (((x[2] * x[2] / 3.0 - x[2] * x[1] / 6.0 - x[1] * x[1] / 6.0) * E2 - g.P3) *
                            c[2] +
                        Volume(1) * E2 * c[1]) /
                       g.V2;
            }
        } else {
            if (D != 0.0 || std::fabs(s) <= 1e-10) {
                newN = c[n];
                newN1 = c[n] + (c[n - 1] - c[n]) * (x[n - 1] - b) / ((x[n - 1] - x[n]) * E);
            } else {
                newN = 0.0;
                const double w = (x[n] * x[n] + x[n - 1] * x[n] - 2.0 * x[n - 1] * x[n - 1]) / 6.0;
                const double amount = E2 * (c[n - 1] * w + Volume(n) * c[n]);
                newN1 = (amount - g.PN2 * c[n - 1]) / g.VN1;
            }
            const double amount = E2 * (g.P3 * c[3] + Volume(2) * c[2] + Volume(1) * c[1]);
            new2 = c[3];
            new1 = (amount - g.P2 * c[3]) / g.V1;
            if (new1 < new2)
                new1 = new2 = (new2 * g.V2 + new1 * g.V1) / (g.V1 + g.V2);
        }
        for (double* v : {c, cOld}) {
            if (s < 0.0) {
                for (int i = 3; i <= n - 2; ++i)
                    v[i] = v[i + 1];
            } else {
                for (int i = n - 2; i >= 3; --i)
                    v[i] = v[i - 1];
            }
            v[1] = new1, v[2] = new2, v[n - 1] = newN1, v[n] = newN;
        }
        X()[1] = m;
        X()[n] = b;
        g.e = g.e2 = 1.0;
        const int arriving = s < 0.0 ? 1 : n;
        const double rounding =
            (before - HatGridAmountFrom(x, c, n, interiorAfter)) / g.volumes[arriving];
        c[arriving] += rounding;
        cOld[arriving] += rounding;
        g.t0 = LammGrid::time;
        PublishFrame();
        ++g.periods;
    }

    // The end of the grid period is reached: within rounding of the clock, which grows with the
    // time (at 1e6 s a fixed 1e-10 s lies below the spacing of doubles, and the run stood still
    // there).
    bool AtPeriodEnd(double t) {
        return std::fabs(t - g.t0 - g.period) < 1e-10 * std::max(1.0, std::fabs(t));
    }

    // Steps of the initial length, cut at period ends, targets and the end of the acceleration.
    double FreeModeStep() {
        double& dt = LammGrid::dt;
        const double t = LammGrid::time;
        const bool first = LammGrid::stepCount == 0;
        dt = g.dt0;
        if (AtPeriodEnd(t))
            ShiftMovingGridFE();
        if (t + dt > g.t0 + g.period)
            dt = g.t0 + g.period - t;
        CutForAcceleration();
        std::copy(C() + 1, C() + g.n + 1, g.cOld.begin() + 1);
        if (LammGrid::endTimePending && t + dt > LammGrid::endTime) {
            LammGrid::endTimePending = 0;
            dt = LammGrid::endTime - t;
        }
        if (dt <= 0.0) {
            dt = 1.0;
            return 1.0;
        }
        LammFETimeStep(dt);
        AdvanceLammFETime();
        return first ? dt : 1.0;
    }

    // The fixed-period sequence: 1 s, 0.1 T, the rest of the first period, then steps of exactly T
    // on the factors made once; a target inside the period interrupts it.
    double FixedPeriodStep() {
        double& dt = LammGrid::dt;
        const double t = LammGrid::time;
        auto cutFlags = [this] {
            g.fullPeriodNext = false;
            g.periodEndNext = true;
            g.fullPeriodStep = false;
        };
        const bool pending = LammGrid::endTimePending != 0;
        const double target = LammGrid::endTime;
        if (pending && t + dt > target && target <= g.t0 + g.period) {
            dt = LammGrid::stepCount <= 1 ? 1.0 : target - t;
            CutForAcceleration();
            if (target - t == dt)
                LammGrid::endTimePending = 0;
            g.periodEndNext = true;
            g.firstStep = g.startUp = g.fullPeriodStep = false;
        } else if (g.startUp) {
            g.fullPeriodStep = false;
            if (g.firstStep) {
                g.firstStep = g.periodEndNext = false;
                dt = std::min(1.0, g.period);
            } else {
                g.startUp = false;
                g.periodEndNext = true;
                dt = 0.1 * g.period;
            }
            CutForAcceleration();
        } else if (g.periodEndNext || g.fullPeriodNext) {
            const bool completing = g.periodEndNext;
            g.periodEndNext = false;
            g.fullPeriodNext = completing;
            g.fullPeriodStep = !completing;
            dt = completing ? g.t0 + g.period - t : g.period;
            if (pending && target < t + dt) {
                dt = target - t;
                cutFlags();
            }
            if (CutForAcceleration())
                cutFlags();
        }
        std::copy(C() + 1, C() + g.n + 1, g.cOld.begin() + 1);
        if (dt <= 0.0) {
            dt = 1.0;
            return 1.0;
        }
        LammFETimeStep(dt);
        // a negative value at the depleting end: halve the step; at 0.1 s move the negative amount
        // to the neighbour. The step is redone with the final dt, so profile and time agree. A
        // depletion layer thinner than the end element rings whatever the step: its amount is moved
        // at once.
        double* c = C();
        const int watched = g.s >= 0.0 ? 1 : g.n;
        const int neighbour = g.s >= 0.0 ? 2 : g.n - 1;
        while (c[watched] < -0.001) {
            if (!g.depletingEndUnresolved) {
                dt /= 2.0;
                g.fullPeriodStep = false;
                g.periodEndNext = true;
                LammFETimeStep(dt);
            }
            if (dt <= 0.1 || g.depletingEndUnresolved) {
                if (c[watched] < 0.0) {
                    SetMovingGridEndsFE(PeriodPhase(t + dt - g.t0, g.period));
                    c[neighbour] += Volume(watched) * c[watched] / Volume(neighbour);
                    g.cOld[neighbour] = c[neighbour];
                    c[watched] = g.cOld[watched] = 0.0;
                }
                break;
            }
        }
        AdvanceLammFETime();
        if (g.fullPeriodStep || AtPeriodEnd(LammGrid::time))
            ShiftMovingGridFE();
        return 1.0;
    }

    double LammFEStepControl() { return g.fullPeriodMode ? FixedPeriodStep() : FreeModeStep(); }
};

// The change of the profile in the laboratory frame. The step's own change is taken in the
// moving frame, where a profile at rest (the equilibrium, a pile-up at the bottom) still changes
// every period as the nodes move through it, so it never tells that the run has come to rest;
// and the grid period bounds the steps, often below the length the equilibrium test counts.
// Measured over windows of that length: the largest change of the profile against the one of
// the window before, resampled onto the same radii, relative to the largest concentration, per
// second.
class LabFrameChange {
  public:
    // Negative for the first window, which has nothing to compare with.
    double PerSecond(const MovingGridFrame& frame, double window) {
        const int n = frame.n;
        const double e = std::exp(frame.k * (LammGrid::time - frame.t0));
        r_.assign(std::size_t(n) + 1, 0.0);
        for (int i = 1; i <= n; ++i)
            r_[std::size_t(i)] = i == 1 || i == n ? X()[i] : X()[i] * e;
        double rate = -1.0;
        if (!previousC_.empty()) {
            before_.assign(r_.size(), 0.0);
            ResampleLinear(n, r_.data(), before_.data(), n, previousR_.data(), previousC_.data());
            double change = 0.0, largest = 0.0;
            for (int i = 1; i <= n; ++i) {
                change = std::max(change, std::fabs(C()[i] - before_[std::size_t(i)]));
                largest = std::max(largest, std::fabs(C()[i]));
            }
            rate = largest > 0.0 ? change / largest / window : 0.0;
        }
        previousR_ = r_;
        previousC_.assign(C(), C() + n + 1);
        return rate;
    }

  private:
    std::vector<double> r_, before_, previousR_, previousC_;
};

LammResult MovingHatRun::Run(const CLammProblem& problem, const CLammControl& control,
                             CLammSink& out) {
    if (const auto early = StartGridRun(problem.rotor))
        return *early;
    const int n = LammGrid::allocatedGridSize;
    if (X() == nullptr || n < 4)
        return LammResult::DiscretizationError;
    LammGrid::lastSolver = GridSolver::MovingHat;
    g.n = n;
    g.x = X();
    g.problem = problem;
    g.control = control;
    g.m = problem.meniscusCm;
    g.b = problem.bottomCm;
    g.s = problem.s;
    g.D = problem.D;
    // In an inhomogeneous solvent the frame follows the species at the solvent's loading state.
    const double sFrame =
        ModelChoice::inhomogeneousSolvent ? SolventDensityViscosityRatio(g.s) : g.s;
    g.sGrid = control.automaticSGrid ? sFrame : control.sGrid;
    // a frame at rest needs short steps: the tolerance is then a step of 0.1 period at most
    double limit = control.maxDcOverC;
    if (std::fabs(g.sGrid) < 1.0 && limit >= 1.0)
        limit = 0.1;
    LammGrid::stepCount = 0;
    Resize(n);
    SetupMovingGridFE();
    g.solventChanges = false;
    if (ModelChoice::inhomogeneousSolvent) {
        SolventDensityViscosityProfile(X(), n);
        g.reference.assign(X(), X() + n + 1);
        g.solventChanges = cosolute.Start(g.reference.data(), n);
    }
    if (problem.initial != nullptr)
        SampleInitialProfile(*problem.initial, n, LammGrid::radius, C());
    DecideBottomPellet(X()[n] - X()[n - 1], g.s, g.D, g.b);
    // the pellet's open bottom is the bottom row of the back-diffusion shut-off
    struct OpenBottom {
        bool kept = LammGrid::backDiffusionShutOff;
        explicit OpenBottom(bool shutOff) {
            LammGrid::backDiffusionShutOff = shutOff || BottomPelletOn();
        }
        ~OpenBottom() { LammGrid::backDiffusionShutOff = kept; }
    } openBottom(control.backDiffusionShutOff);
    AssembleMovingHatMatricesFE();
    StartBottomPellet(
        [this](double& amount, double& lastVolume) { MovingGridAmount(amount, lastVolume); });
    const double* x = X();
    const double endElement = g.s >= 0.0 ? x[2] - x[1] : x[n] - x[n - 1];
    const double endRadius = g.s >= 0.0 ? g.m : g.b;
    g.depletingEndUnresolved = std::fabs(g.sigma) * endRadius * endElement / g.D > 2.0;
    LammGrid::dt = 1.0;
    g.dt0 = g.sGrid == 0.0 ? limit : limit * g.period;
    g.fullPeriodMode = g.dt0 >= g.period;
    if (g.fullPeriodMode) {
        g.dt0 = g.period;
        FactorFixedPeriodStep();
    }
    g.firstStep = true;
    g.startUp = g.fullPeriodMode;
    g.periodEndNext = g.fullPeriodNext = g.fullPeriodStep = false;
    const double rpm = LammGrid::rotorSpeed;
    LammGrid::maxDt = g.s == 0.0 ? 1000.0 : std::clamp(0.5 * rpm * rpm * g.D / g.s, 10.0, 1000.0);
    const DepletionProbe probe(g.s);
    g.massLoss = false;
    if (control.trackAmount)
        g.total = LammGrid::totalAmount = TotalAmountInCellFE();
    EquilibriumCounter equilibrium;
    LabFrameChange labChange;
    double pooledTime = 0.0;
    bool atEquilibrium = false, depleted = false;
    int idle = 0;
    while (LammGrid::running && !failure.Any()) {
        const double before = LammGrid::time;
        if (g.solventChanges)
            cosolute.BeforeStep();
        double change = LammFEStepControl();
        if (g.solventChanges && cosolute.AfterStep(g.reference.data(), n))
            RebuildSolventRows();
        idle = LammGrid::time > before ? 0 : idle + 1;
        const double* c = C();
        if (idle > kMostIdleSteps || !std::isfinite(c[1]) || !std::isfinite(c[n]))
            failure.discretization = true;
        if (LammGrid::time > kLastSimulatedTime)
            LammGrid::running = 0;
        out.Step(change);
        pooledTime += LammGrid::time - before;
        if (probe.Reached()) {
            LammGrid::running = 0;
            depleted = true;
        }
        if (pooledTime >= kEquilibriumStepLength) {
            const double rate = labChange.PerSecond(LammGrid::movingFrame, pooledTime);
            if (rate >= 0.0 && equilibrium.CountSettled(pooledTime, rate)) {
                LammGrid::running = 0;
                atEquilibrium = true;
            }
            pooledTime = 0.0;
        }
    }
    if (atEquilibrium || depleted) {
        ScaleGridByExponential();
        out.Remaining(!atEquilibrium);
    }
    EndBottomPellet();
    return failure.Result();
}

} // namespace

void ScaleGridByExponential() {
    // after another solver, or on arrays made since, the frame belongs to no grid
    const MovingGridFrame& frame = LammGrid::movingFrame;
    if (LammGrid::lastSolver != GridSolver::MovingHat || !LammGrid::arraysAllocated ||
        X() == nullptr || X() != frame.x || frame.n != LammGrid::allocatedGridSize)
        return;
    const double e = std::exp(frame.k * (LammGrid::time - frame.t0));
    for (int i = 2; i < frame.n; ++i)
        LammGrid::radius[i] = X()[i] * e;
}

// Checked against the plateau, the second moment, the equilibrium exponential and the
// non-diffusing limit, and against the solver object on the same grid, in the solver tests.
LammResult SolveMovingHat(const CLammProblem& problem, const CLammControl& control,
                          CLammSink& out) {
    return MovingHatRun().Run(problem, control, out);
}

LammResult SolveLammFE() {
    ModelChoice::fixedTimeStep = true;
    CScanOutput scans;
    return SetGridErrorWordsOfRun(
        SolveMovingHat(LammProblemOfRecord(), LammControlOfRecord(), scans));
}
