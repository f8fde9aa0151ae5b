// The matrices of the moving-hat solution on the simulation grid: the mass, stiffness,
// sedimentation and frame matrices on the moving reference grid, their end entries as the end
// nodes move, and the conservative Crank-Nicolson step built from them.
#include "foundations/show_error.h"
#include "lamm/hat_integrals.h"
#include "lamm/lamm_moving_hat_ends.h"
#include "lamm/moving_hat_step_weights.h"
#include "lamm/tridiagonal.h"
#include "simulation/grid_element_integrals.h"
#include "simulation/moving_hat_run.h"
#include "simulation/speed_and_equilibrium.h"
#include "state/lamm_grid.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace {

constexpr double kTwoPiOver60 = 2.0 * M_PI / 60.0;

} // namespace

double CMovingHatRun::Volume(int i) {
    return FeElemGrid1B(i);
}

// Inlined into the loops over the rows.
[[gnu::always_inline]] inline void CMovingHatRun::ComputeTransportRow(int i) {
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

void CMovingHatRun::SetMovingGridEndsFE(double tau) {
    g.e = std::exp(g.k * tau);
    g.e2 = g.e * g.e;
    X()[1] = g.m / g.e;
    X()[g.n] = g.b / g.e;
}

void CMovingHatRun::SetupMovingGridFE() {
    const int n = g.n;
    double* x = X();
    g.periods = 0;
    const double omega = LammGrid::rotorSpeed * kTwoPiOver60;
    g.sigma = omega * omega * g.s * 1e-13;
    g.k = omega * omega * g.sGrid * 1e-13;
    g.t0 = clock_.time;
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
void CMovingHatRun::EndEntriesHere(double* m8, double* k8, double* s8, double* f8) {
    for (int p = 0; p < 8; ++p) {
        const EndPosition e = EndPositionOf(p, g.n);
        const int j = e.Column();
        m8[p] = FeElemGrid2B(e.row, j);
        k8[p] = FeElemGrid2Stiff(e.row, j);
        s8[p] = FeElemGrid2Sed(e.row, j);
        f8[p] = FeElemGrid2A(e.row, j);
    }
}

void CMovingHatRun::BoundaryEntriesAtStart() {
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
void CMovingHatRun::EndMassRates(double* rate8) {
    MovingEndMassRates(X(), g.n, g.k, rate8);
}

void CMovingHatRun::BoundaryEntriesAtEnd(double tau) {
    double* x = X();
    const double keep1 = x[1], keepN = x[g.n];
    const double e = std::exp(g.k * tau);
    x[1] = g.m / e;
    x[g.n] = g.b / e;
    double f8[8];
    EndEntriesHere(g.endM, g.endK, g.endS, f8);
    EndMassRates(g.endRate);
    for (int p = 0; p < 8; ++p)
        g.endTr[p] = Combined() ? g.sigma * (f8[p] - g.endS[p]) : g.k * f8[p] - g.sigma * g.endS[p];
    x[1] = keep1;
    x[g.n] = keepN;
}

void CMovingHatRun::Resize(int n) {
    for (CMovingHatState::Vec* v :
         {&g.Ma,  &g.Mb, &g.Mc, &g.Ka, &g.Kb,      &g.Kc,     &g.Sa,      &g.Sb,  &g.Sc,
          &g.Fa,  &g.Fb, &g.Fc, &g.Ta, &g.Tb,      &g.Tc,     &g.La,      &g.Lb,  &g.Lc,
          &g.rhs, &g.Ba, &g.Bb, &g.Bc, &g.aScaled, &g.invBet, &g.gamFull, &g.gam, &g.cOld})
        v->assign(n + 2, 0.0);
}

void CMovingHatRun::AssembleMovingHatMatricesFE() {
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
void CMovingHatRun::RebuildSolventRows() {
    for (int i = 1; i <= g.n; ++i) {
        g.Ka[i] = FeElemGrid2Stiff(i, i - 1), g.Kb[i] = FeElemGrid2Stiff(i, i);
        g.Kc[i] = FeElemGrid2Stiff(i, i + 1);
        g.Sa[i] = FeElemGrid2Sed(i, i - 1), g.Sb[i] = FeElemGrid2Sed(i, i);
        g.Sc[i] = FeElemGrid2Sed(i, i + 1);
        ComputeTransportRow(i);
    }
}

// A new rotor speed changes sigma only; the grid and the frame rate stay.
void CMovingHatRun::UpdateSedimentationMatricesFE() {
    const double omega = LammGrid::rotorSpeed * kTwoPiOver60;
    g.sigma = omega * omega * g.s * 1e-13;
    for (int i = 1; i <= g.n; ++i)
        ComputeTransportRow(i);
    BoundaryEntriesAtStart();
}

void CMovingHatRun::DampProfileOverflow() {
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

void CMovingHatRun::Tridag(const double* a, const double* b, const double* cc, const double* r,
                           double* u) {
    const TridiagStatus status = ThomasSolve(a, b, cc, r, u, g.gam.data(), 1, g.n);
    if (status != TridiagStatus::Ok) {
        ShowError(
            status == TridiagStatus::FirstPivotZero ? "Error 1 in tridag" : "Error 2 in tridag", 0);
        failure.singular = true;
    }
}

void CMovingHatRun::FactorFixedPeriodStep() {
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
void CMovingHatRun::LammFETimeStep(double h) {
    const int n = g.n;
    double* c = C();
    const double* old = g.cOld.data();
    if (Accelerating()) {
        LammGrid::rotorSpeed = EffectiveRotorOmega(clock_.time, h);
        UpdateSedimentationMatricesFE();
    }
    const double tau = clock_.time - g.t0;
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
