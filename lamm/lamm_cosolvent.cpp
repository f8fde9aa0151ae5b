// The sedimenting cosolvent on its own uniform grid: set-up, assembly and the step that follows
// each committed step of the species.
#include "foundations/show_error.h"
#include "lamm/hat_integrals.h"
#include "lamm/lamm_ideal.h"
#include "lamm/tridiagonal.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace {

constexpr double kTwoPiOver60 = 2.0 * M_PI / 60.0;

} // namespace

// One block of 22 vectors for the cosolvent grid (and 14 triple tables with
// concentration-dependent coefficients); the grid is uniform from meniscus to bottom.
bool CLammIdeal::AllocateBlock() {
    FreeBlock();
    const int n = cosolventGridCount;
    if (n < 3 || bottom <= meniscus)
        return false;
    CCosolventGrid& g = cosolvent;
    const size_t stride = static_cast<size_t>(n) + 1;
    try {
        g.block.assign(stride * 22, 0.0);
        if (cosolventConcentrationDependent)
            g.tables.assign(stride * 14, 0.0);
    } catch (const std::bad_alloc&) {
        FreeBlock();
        return false;
    }
    double* p = g.block.data();
    double** slots[22] = {&g.r,  &g.c,      &g.predicted, &g.old, &g.rhs,   &g.Ma,   &g.Mb, &g.Mc,
                          &g.Aa, &g.Ab,     &g.Ac,        &g.La,  &g.Lb,    &g.Lc,   &g.Ra, &g.Rb,
                          &g.Rc, &g.invBet, &g.aScaled,   &g.gam, &g.sNode, &g.dNode};
    for (int k = 0; k < 22; ++k)
        *slots[k] = p + k * stride;
    for (int k = 0; k < 7 && !g.tables.empty(); ++k) {
        g.td[k] = g.tables.data() + k * stride;
        g.ts[k] = g.tables.data() + (7 + k) * stride;
    }
    g.n = n;
    g.h = (bottom - meniscus) / (n - 1);
    for (int i = 1; i <= n; ++i) {
        g.r[i] = meniscus + (i - 1) * g.h;
        g.sNode[i] = cosolventS;
        g.dNode[i] = cosolventD;
    }
    return true;
}

void CLammIdeal::FreeBlock() {
    CCosolventGrid& g = cosolvent;
    g = CCosolventGrid{};
}

// The cosolvent starts uniform at its loading (outside the zone with zone loading), at the
// rotor speed now in force.
bool CLammIdeal::SetupCosolvent() {
    if (!AllocateBlock())
        return false;
    CCosolventGrid& g = cosolvent;
    const double edge = g.r[1] + zoneWidth;
    for (int i = 1; i <= g.n; ++i)
        g.c[i] = (zoneLoading && g.r[i] < edge) ? 0.0 : cosolventLoading;
    g.rpm = currentRotorSpeed;
    if (cosolventConcentrationDependent) {
        CosolventCoefficients(g.c);
        CosolventTripleTables();
        CosolventTransport();
    } else {
        AssembleCosolvent();
    }
    cosolventStartTime = 0.0;
    cosolventDt = cosolventPreviousDt = 0.0;
    cosolventFactoredDt = 0.0;
    cosolventForceRefactor = true;
    g.ready = true;
    return true;
}

// Constant s2 and D2: A2 = -D2 K + s2 w^2 1e-13 S with the exact uniform-grid elements, the
// no-flux ends built in. Columns of A2 sum to zero against the node volumes, so the amount on
// the grid is conserved; the cosolvent tests check that and the equilibrium exponential.
void CLammIdeal::AssembleCosolvent() {
    CCosolventGrid& g = cosolvent;
    const double omega = g.rpm * kTwoPiOver60;
    const double k = cosolventS * omega * omega * 1e-13;
    const int n = g.n;
    for (int i = 1; i <= n; ++i) {
        g.Ma[i] = HatMass(g.r, n, i, i - 1);
        g.Mb[i] = HatMass(g.r, n, i, i);
        g.Mc[i] = HatMass(g.r, n, i, i + 1);
        g.Aa[i] =
            -cosolventD * HatStiffness(g.r, n, i, i - 1) + k * HatSedimentation(g.r, n, i, i - 1);
        g.Ab[i] = -cosolventD * HatStiffness(g.r, n, i, i) + k * HatSedimentation(g.r, n, i, i);
        g.Ac[i] =
            -cosolventD * HatStiffness(g.r, n, i, i + 1) + k * HatSedimentation(g.r, n, i, i + 1);
    }
    g.Aa[1] = 0.0;
    g.Ac[n] = 0.0;
}

void CLammIdeal::BuildCosolventSystem(double step) {
    CCosolventGrid& g = cosolvent;
    const double half = 0.5 * step;
    for (int i = 1; i <= g.n; ++i) {
        g.La[i] = g.Ma[i] - half * g.Aa[i];
        g.Lb[i] = g.Mb[i] - half * g.Ab[i];
        g.Lc[i] = g.Mc[i] - half * g.Ac[i];
        g.Ra[i] = g.Ma[i] + half * g.Aa[i];
        g.Rb[i] = g.Mb[i] + half * g.Ab[i];
        g.Rc[i] = g.Mc[i] + half * g.Ac[i];
    }
}

void CLammIdeal::BuildCosolventSystemStored(double step) {
    BuildCosolventSystem(step);
    cosolventFactoredDt = step;
    cosolventForceRefactor = false;
}

// Factors L2 (keeping the factors for later steps of the same length) and solves for out; a
// zero pivot is reported and ends the solve loop through the singular-matrix word. More than
// three rows are eliminated from both ends, the two halves side by side.
bool CLammIdeal::tridag(double* out) {
    CCosolventGrid& g = cosolvent;
    g.twisted = g.n >= 4;
    const TridiagStatus status =
        g.twisted ? TwistedFactor(g.La, g.Lb, g.Lc, g.invBet, g.aScaled, g.gam, g.meet, 1, g.n)
                  : ThomasFactor(g.La, g.Lb, g.Lc, g.invBet, g.aScaled, g.gam, 1, g.n);
    if (status != TridiagStatus::Ok) {
        ShowError(
            status == TridiagStatus::FirstPivotZero ? "Error 1 in tridag" : "Error 2 in tridag", 0);
        singularMatrix = 1;
        cosolventFactoredDt = 0.0;
        return false;
    }
    SolveCosolventFactored(out);
    return true;
}

// out := the solution of L2 out = R2 c2_old, or c2_old when L2 is singular.
void CLammIdeal::SolveCosolventFromOld(double* out) {
    CCosolventGrid& g = cosolvent;
    if (!tridag(out))
        std::copy(g.old + 1, g.old + g.n + 1, out + 1);
}

// out := the solution of L2 out = R2 c2_old with the stored factors of L2.
void CLammIdeal::SolveCosolventFactored(double* out) {
    CCosolventGrid& g = cosolvent;
    if (g.twisted) {
        TwistedSubstituteProduct(g.Ra, g.Rb, g.Rc, g.old, g.invBet, g.aScaled, g.gam, g.meet, out,
                                 1, g.n);
        return;
    }
    TridiagProduct(g.Ra, g.Rb, g.Rc, g.old, g.rhs, 1, g.n);
    ThomasSubstitute(g.aScaled, g.invBet, g.gam, g.rhs, out, 1, g.n);
}

// The rotor speed over [from, from + step] without ending the species' acceleration phase.
double CLammIdeal::CosolventRotorSpeed(double from, double step) {
    const bool phase = accelerationPhaseActive;
    const double rpm = EffectiveRotorSpeed(from, step);
    accelerationPhaseActive = phase;
    return rpm;
}

// Advances the cosolvent over the step the species has just taken, from the noted start time to
// t, so both always sit at the same time.
void CLammIdeal::StepCosolvent() {
    CCosolventGrid& g = cosolvent;
    cosolventPreviousDt = cosolventDt;
    cosolventDt = t - cosolventStartTime;
    std::copy(g.c + 1, g.c + g.n + 1, g.old + 1);
    if (cosolventDt == 0.0)
        return;
    if (cosolventConcentrationDependent) {
        PredictCosolvent(cosolventDt);
        CorrectCosolvent();
        return;
    }
    StepCosolventConstant(cosolventDt);
    if (cosolventCleanUp && t < 10.0)
        SpreadTinyValues(g.c, g.r, g.n);
}

// A run of equal steps costs one product and one substitution each: L2 is factored only when
// the step length or the rotor speed changes.
void CLammIdeal::StepCosolventConstant(double step) {
    CCosolventGrid& g = cosolvent;
    const bool accelerating = accelerationPhaseActive && (rampRotorSpeed || profileLoaded);
    const double rpm =
        accelerating ? CosolventRotorSpeed(cosolventStartTime, step) : currentRotorSpeed;
    if (rpm != g.rpm) {
        g.rpm = rpm;
        AssembleCosolvent();
        cosolventForceRefactor = true;
    }
    if (step == cosolventFactoredDt && !cosolventForceRefactor && !accelerating) {
        SolveCosolventFactored(g.c);
        return;
    }
    cosolventForceRefactor = false;
    cosolventFactoredDt = step;
    BuildCosolventSystem(step);
    SolveCosolventFromOld(g.c);
}

// Concentration-dependent s and D: a predictor with the coefficients of the old profile, then a
// corrector with their mean over the old and the predicted profile (second order in time).
void CLammIdeal::PredictCosolvent(double step) {
    CCosolventGrid& g = cosolvent;
    cosolventPredictDt = step;
    CosolventCoefficients(g.c);
    const bool accelerating = accelerationPhaseActive && (rampRotorSpeed || profileLoaded);
    const double rpm =
        accelerating ? CosolventRotorSpeed(cosolventStartTime, step) : currentRotorSpeed;
    if (rpm != g.rpm) {
        g.rpm = rpm;
        CosolventTripleTables();
    }
    CosolventTransport();
    BuildCosolventSystemStored(step);
    SolveCosolventFromOld(g.predicted);
}

void CLammIdeal::CorrectCosolvent() {
    CCosolventGrid& g = cosolvent;
    AverageCosolventCoefficients();
    CosolventTransport();
    BuildCosolventSystemStored(cosolventPredictDt);
    SolveCosolventFromOld(g.c);
}

bool CLammIdeal::SolventChangesEveryStep() const {
    return cosolvent.ready && cosolventGradient && inhomogeneousSolvent;
}

// After each committed step of the species: the cosolvent follows, and when it shapes the
// solvent the factors and the species' matrices are rebuilt from its new profile, on the fixed
// grid only the rows of the nodes whose factors changed.
void CLammIdeal::AdvanceCosolventAfterStep(const double* radii, bool movingGrid) {
    if (!cosolvent.ready)
        return;
    StepCosolvent();
    if (!SolventChangesEveryStep())
        return;
    const auto [first, last] = UpdateSolventFactors(radii);
    if (movingGrid) {
        ReassembleSolventMatrices();
    } else if (first <= last) {
        RefreshSolventRows(first, last);
        forceRebuild = true;
    }
}
