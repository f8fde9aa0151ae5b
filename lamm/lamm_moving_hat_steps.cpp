// Time stepping of the moving-hat loop: Crank-Nicolson steps, full grid periods, the solve loop.
#include "foundations/show_error.h"
#include "foundations/subnormal_flush.h"
#include "foundations/vector_unit.h"
#include "lamm/lamm_ideal.h"
#include "lamm/lamm_moving_hat_ends.h"
#include "lamm/moving_hat_step_weights.h"
#include "lamm/tridiagonal.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr int kMostIdleSteps = 1000;

// The rows of a general step before its end entries: the left matrix, and the right-hand side
// from the right matrix's rows and the old profile. The outputs share no memory with the inputs,
// which lets the compiler run the loops in vectors without checking.
[[gnu::always_inline]] inline void
StepRows(const CMovingHatStepWeights& weights, const double* __restrict Ma,
         const double* __restrict Mb, const double* __restrict Mc, const double* __restrict Ka,
         const double* __restrict Kb, const double* __restrict Kc, const double* __restrict Ta,
         const double* __restrict Tb, const double* __restrict Tc, const double* __restrict cOld,
         double* __restrict La, double* __restrict Lb, double* __restrict Lc,
         double* __restrict rhs, int N) {
    const CMovingHatStepWeights w = weights;
    for (int i = 1; i <= N; ++i) {
        La[i] = w.Left(Ma[i], 0.0, Ka[i], Ta[i]);
        Lb[i] = w.Left(Mb[i], 0.0, Kb[i], Tb[i]);
        Lc[i] = w.Left(Mc[i], 0.0, Kc[i], Tc[i]);
    }
    rhs[1] =
        w.Right(Mb[1], 0.0, Kb[1], Tb[1]) * cOld[1] + w.Right(Mc[1], 0.0, Kc[1], Tc[1]) * cOld[2];
    for (int i = 2; i < N; ++i)
        rhs[i] = w.Right(Ma[i], 0.0, Ka[i], Ta[i]) * cOld[i - 1] +
                 w.Right(Mb[i], 0.0, Kb[i], Tb[i]) * cOld[i] +
                 w.Right(Mc[i], 0.0, Kc[i], Tc[i]) * cOld[i + 1];
    rhs[N] = w.Right(Ma[N], 0.0, Ka[N], Ta[N]) * cOld[N - 1] +
             w.Right(Mb[N], 0.0, Kb[N], Tb[N]) * cOld[N];
}

using StepRowsOf = void (*)(const CMovingHatStepWeights&, const double*, const double*,
                            const double*, const double*, const double*, const double*,
                            const double*, const double*, const double*, const double*, double*,
                            double*, double*, double*, int);

// StepRows for AVX-512, AVX2 and any x86-64, chosen at run time. None of them fuses a multiply
// and an add (contraction is switched off where AVX-512 has the instructions): all give the same
// bits.
[[gnu::target("avx512f,avx512dq,avx512vl"), gnu::optimize("fp-contract=off")]] void
StepRowsAvx512(const CMovingHatStepWeights& w, const double* Ma, const double* Mb, const double* Mc,
               const double* Ka, const double* Kb, const double* Kc, const double* Ta,
               const double* Tb, const double* Tc, const double* cOld, double* La, double* Lb,
               double* Lc, double* rhs, int N) {
    StepRows(w, Ma, Mb, Mc, Ka, Kb, Kc, Ta, Tb, Tc, cOld, La, Lb, Lc, rhs, N);
}

[[gnu::target("avx2")]] void StepRowsAvx2(const CMovingHatStepWeights& w, const double* Ma,
                                          const double* Mb, const double* Mc, const double* Ka,
                                          const double* Kb, const double* Kc, const double* Ta,
                                          const double* Tb, const double* Tc, const double* cOld,
                                          double* La, double* Lb, double* Lc, double* rhs, int N) {
    StepRows(w, Ma, Mb, Mc, Ka, Kb, Kc, Ta, Tb, Tc, cOld, La, Lb, Lc, rhs, N);
}

void StepRowsPlain(const CMovingHatStepWeights& w, const double* Ma, const double* Mb,
                   const double* Mc, const double* Ka, const double* Kb, const double* Kc,
                   const double* Ta, const double* Tb, const double* Tc, const double* cOld,
                   double* La, double* Lb, double* Lc, double* rhs, int N) {
    StepRows(w, Ma, Mb, Mc, Ka, Kb, Kc, Ta, Tb, Tc, cOld, La, Lb, Lc, rhs, N);
}

// The change of the profile in the laboratory frame over a window, per second and relative to
// its largest value: the moving frame's own change never settles while its nodes travel, even
// once the profile stands still in the cell. Negative for the first window.
class LabFrameRate {
  public:
    double PerSecond(const CLammIdeal& o, double window) {
        const int n = o.N;
        const double e = std::exp(o.frameRate * (o.t - o.t0));
        r_.assign(std::size_t(n) + 1, 0.0);
        for (int i = 1; i <= n; ++i)
            r_[std::size_t(i)] = i == 1 ? o.meniscus : i == n ? o.bottom : o.x[i] * e;
        double rate = -1.0;
        if (!previousC_.empty()) {
            double change = 0.0, largest = 0.0;
            std::size_t j = 1;
            for (int i = 1; i <= n; ++i) {
                // linear interpolation of the previous window's profile at this node
                const double at = r_[std::size_t(i)];
                while (j + 1 < previousR_.size() - 1 && previousR_[j + 1] < at)
                    ++j;
                const double r0 = previousR_[j], r1 = previousR_[j + 1];
                const double w = r1 > r0 ? std::clamp((at - r0) / (r1 - r0), 0.0, 1.0) : 0.0;
                const double before = previousC_[j] + w * (previousC_[j + 1] - previousC_[j]);
                change = std::max(change, std::fabs(o.c[i] - before));
                largest = std::max(largest, std::fabs(o.c[i]));
            }
            rate = largest > 0.0 ? change / largest / window : 0.0;
        }
        previousR_ = r_;
        previousC_.assign(o.c, o.c + n + 1);
        return rate;
    }

  private:
    std::vector<double> r_, previousR_, previousC_;
};

} // namespace

// Moving-hat solution: the grid travels with s_grid, so a boundary sedimenting at that rate
// stands still on it and few nodes resolve it. Constant steps of "max dc/c" x T, or when that
// reaches the grid period, steps of exactly T on factors made once. Checked against the plateau,
// the second moment and the non-diffusing limit in the solver tests.
void CLammIdeal::SolveFE() {
    fixTimestep = true;
    if (setupSucceeded == 0)
        return;
    sGrid = automaticSGrid ? (inhomogeneousSolvent ? SolventScaledS(s) : s) : sGridValue;
    if (std::fabs(sGrid) < 1.0 && maxDcOverCCopy >= 1.0)
        maxDcOverCCopy = 0.1;
    singularMatrix = discretizationError = 0;
    stepsTaken = 0;
    accelerationStep = firstTimeStep > 0.0 ? firstTimeStep : 10.0;
    if (inhomogeneousSolvent) {
        SetupMovingGrid();
        SetupSolventFactors(x);
    }
    DecideBottomPellet();
    AssembleMatrices();
    StartBottomPellet();
    const double endElement = s >= 0.0 ? x[2] - x[1] : x[N] - x[N - 1];
    const double endRadius = s >= 0.0 ? meniscus : bottom;
    depletingEndUnresolved = std::fabs(sOmega2) * endRadius * endElement / D > 2.0;
    dt = 1.0;
    cosolvent.ready = false;
    if (secondComponentOn)
        SetupCosolvent();
    dt0 = sGrid == 0.0 ? maxDcOverCCopy : maxDcOverCCopy * period;
    fullPeriodMode = dt0 >= period;
    if (fullPeriodMode) {
        dt0 = period;
        FactorFullPeriodStep();
    }
    veryFirstStep = true;
    startPhase = fullPeriodMode;
    partialStepTaken = periodToComplete = fullPeriodStep = false;
    SetEndCriterion();
    if (massCheck)
        totalAmount = initialAmount = MovingGridAmount();
    int idle = 0;
    equilibriumCount = 0;
    LabFrameRate labRate;
    double pooledTime = 0.0;
    while (continueLoop && !singularMatrix && !discretizationError) {
        const double before = t;
        cosolventStartTime = t;
        const double result = TimeStep();
        AdvanceCosolventAfterStep(x, true);
        idle = t > before ? 0 : idle + 1;
        // a value that is not a number reaches both ends through the two substitution passes
        if (idle > kMostIdleSteps || !std::isfinite(c[1]) || !std::isfinite(c[N]))
            discretizationError = 1;
        CLEachIterationOutput(result);
        if (EndReached())
            continueLoop = 0;
        pooledTime += t - before;
        if (pooledTime >= kEquilibriumWindowS) {
            const double rate = labRate.PerSecond(*this, pooledTime);
            if (rate >= 0.0 && EquilibriumReached(pooledTime, rate)) {
                endReachedFlag = true;
                equilibriumStop = true;
                continueLoop = 0;
            }
            pooledTime = 0.0;
        }
    }
}

// Cuts dt to the largest step allowed while the rotor accelerates and to the end of the ramp.
static bool CutForAcceleration(CLammIdeal& o) {
    if (!o.rampRotorSpeed || !o.accelerationPhaseActive)
        return false;
    const double before = o.dt;
    o.dt = std::min(o.dt, o.accelerationStep);
    if (o.accelerationDuration > o.t && o.t + o.dt > o.accelerationDuration)
        o.dt = o.accelerationDuration - o.t;
    return o.dt != before;
}

double CLammIdeal::TimeStep() {
    const bool first = stepsTaken == 0;
    if (!fullPeriodMode) {
        dt = dt0;
        if (std::fabs(t - t0 - period) < 1e-10)
            ShiftGrid();
        if (t + dt > t0 + period)
            dt = t0 + period - t;
        CutForAcceleration(*this);
        std::copy(c + 1, c + N + 1, cOld + 1);
        if (hitTime && t + dt > targetTime) {
            hitTime = 0;
            dt = targetTime - t;
        }
        if (dt <= 0.0) {
            dt = 1.0;
            return 1.0;
        }
        AdvanceSolution(dt);
        CommitStep();
        return first ? dt : 1.0;
    }
    auto cutFlags = [this]() {
        periodToComplete = false;
        partialStepTaken = true;
        fullPeriodStep = false;
    };
    if (hitTime && t + dt > targetTime && targetTime <= t0 + period) {
        dt = stepsTaken <= 1 ? 1.0 : targetTime - t;
        CutForAcceleration(*this);
        if (targetTime - t == dt)
            hitTime = 0;
        partialStepTaken = true;
        veryFirstStep = startPhase = fullPeriodStep = false;
    } else if (startPhase) {
        fullPeriodStep = false;
        if (veryFirstStep) {
            veryFirstStep = partialStepTaken = false;
            dt = std::min(1.0, period);
        } else {
            startPhase = false;
            partialStepTaken = true;
            dt = 0.1 * period;
        }
        CutForAcceleration(*this);
    } else if (partialStepTaken || periodToComplete) {
        const bool completing = partialStepTaken;
        partialStepTaken = false;
        periodToComplete = completing;
        fullPeriodStep = !completing;
        dt = completing ? t0 + period - t : period;
        if (hitTime && targetTime < t + dt) {
            dt = targetTime - t;
            cutFlags();
        }
        if (CutForAcceleration(*this))
            cutFlags();
    }
    std::copy(c + 1, c + N + 1, cOld + 1);
    if (dt <= 0.0) {
        dt = 1.0;
        return 1.0;
    }
    AdvanceSolution(dt);
    // a negative value at the depleting end: halve the step; at 0.1 s move the negative amount
    // to the neighbour, redoing the step with the final dt so profile and time agree. A depletion
    // layer thinner than the end element rings whatever the step: its amount is moved at once.
    const int watched = s >= 0.0 ? 1 : N;
    const int neighbour = s >= 0.0 ? 2 : N - 1;
    while (c[watched] < -0.001) {
        if (!depletingEndUnresolved) {
            dt /= 2.0;
            fullPeriodStep = false;
            partialStepTaken = true;
            AdvanceSolution(dt);
        }
        if (dt <= 0.1 || depletingEndUnresolved) {
            if (c[watched] < 0.0) {
                SetGridEnds(PeriodPhase(t + dt - t0, period)); // the volumes c now lives on
                c[neighbour] += NodeVolume(watched) * c[watched] / NodeVolume(neighbour);
                cOld[neighbour] = c[neighbour];
                c[watched] = cOld[watched] = 0.0;
            }
            break;
        }
    }
    CommitStep();
    if (fullPeriodStep || std::fabs(t - t0 - period) < 1e-10)
        ShiftGrid();
    return 1.0;
}

// One Crank-Nicolson step from c_old over [t, t + dt] in the moving frame, taken in the
// conservative form d/dt (M E^2 c) = (A + 2 k M + dM/dt) E^2 c: the added terms are the frame's
// dilution and the motion of the end nodes in the reference frame, so the columns of the
// operator sum to zero and the amount sum E^2 M c is the same at both ends of every step. The
// diffusion term carries 1 / E(t)^2; the end entries are taken at both ends of the step.
void CLammIdeal::AdvanceSolution(double step) {
    const SubnormalsAsZero subnormalsAsZero;
    const bool accelerating = rampRotorSpeed && accelerationPhaseActive;
    if (accelerating) {
        currentRotorSpeed = EffectiveRotorSpeed(t, step);
        ReassembleMatrices();
    }
    const bool atPeriodStart = step == period && t - t0 == 0.0;
    if (!accelerationPhaseActive && !cosolventGradient &&
        ((fullPeriodMode && fullPeriodStep) || atPeriodStart)) {
        if (atPeriodStart)
            SetGridEnds(0.0);
        TwistedSubstituteScaledFrom(Ba, Bb, Bc, cOld, LTa, gamT, fullPeriodMeeting, c, 1, 1, N, 1);
        LimitOverflow();
        return;
    }
    const double tau = t - t0;
    SetGridEnds(tau);
    EndElementsNow();
    double rate0[8];
    EndMassRates(rate0);
    EndElementsAt(PeriodPhase(tau + step, period));
    const CMovingHatStepWeights w(D, frameRate, tau, step);
    const StepRowsOf rows = UsableVectorUnit() >= VectorUnit::Avx512 ? StepRowsAvx512
                            : UsableVectorUnit() >= VectorUnit::Avx2 ? StepRowsAvx2
                                                                     : StepRowsPlain;
    rows(w, Ma, Mb, Mc, Ka, Kb, Kc, Ta, Tb, Tc, cOld, La, Lb, Lc, rhs, N);
    // end entries: the motion of the end nodes at the start, and the block at the end of the step
    for (int p = 0; p < 8; ++p) {
        const EndPosition e = EndPositionOf(p, N);
        rhs[e.row] += w.half * rate0[p] * cOld[e.Column()];
        EndEntry(La, Lb, Lc, e) = w.Left(endM[p], endMRate[p], endK[p], endTr[p]);
    }
    SolveTridiagonal(La, Lb, Lc, rhs, c, N);
    if (singularMatrix)
        std::copy(cOld + 1, cOld + N + 1, c + 1);
    LimitOverflow();
}

void CLammIdeal::CommitStep() {
    ++stepsTaken;
    t += dt;
    if (accelerationPhaseActive && t >= accelerationDuration) {
        currentRotorSpeed = EffectiveRotorSpeed(t, dt);
        accelerationPhaseActive = false;
        ReassembleMatrices();
    }
    if (massCheck) {
        previousTotal = totalAmount;
        SetGridEnds(PeriodPhase(t - t0, period));
        totalAmount = MovingGridAmount() + 1.2 * 0.0349065850 * PelletAmount();
        const double difference = previousTotal - totalAmount;
        if (totalAmount != 0.0 && std::fabs(difference / totalAmount) > 1e-8)
            driftFlag = true;
    }
}

// A step of exactly T from the start of a period has the same matrices in every period, so
// they are factorised once per run.
void CLammIdeal::FactorFullPeriodStep() {
    SetGridEnds(0.0);
    EndElementsNow();
    double rate0[8];
    EndMassRates(rate0);
    EndElementsAt(period);
    const CMovingHatStepWeights w(D, frameRate, 0.0, period);
    for (int i = 1; i <= N; ++i) {
        Ba[i] = w.Right(Ma[i], 0.0, Ka[i], Ta[i]);
        Bb[i] = w.Right(Mb[i], 0.0, Kb[i], Tb[i]);
        Bc[i] = w.Right(Mc[i], 0.0, Kc[i], Tc[i]);
        La[i] = w.Left(Ma[i], 0.0, Ka[i], Ta[i]);
        Lb[i] = w.Left(Mb[i], 0.0, Kb[i], Tb[i]);
        Lc[i] = w.Left(Mc[i], 0.0, Kc[i], Tc[i]);
    }
    for (int p = 0; p < 8; ++p) {
        const EndPosition e = EndPositionOf(p, N);
        EndEntry(Ba, Bb, Bc, e) += w.half * rate0[p];
        EndEntry(La, Lb, Lc, e) = w.Left(endM[p], endMRate[p], endK[p], endTr[p]);
    }
    // full-period factors; the general steps keep using La..Lc and gam for their own solves.
    // The right-hand rows are divided by the pivots once for all the run's full-period steps,
    // whose substitutions then advance two rows per dependent multiply-add.
    TwistedFactor(La, Lb, Lc, invBet, LTa, gamT, fullPeriodMeeting, 1, N);
    ScaleRowsByPivots(Ba, Bb, Bc, invBet, 1, N);
}

void CLammIdeal::SolveFactored(const double* rhsIn, double* out) const {
    TwistedSubstitute(invBet, LTa, gamT, fullPeriodMeeting, rhsIn, out, 1, N);
}

void CLammIdeal::SolveTridiagonal(const double* a, const double* b, const double* cc,
                                  const double* rr, double* u, int n) {
    // the matrix changes at every general step: one two-ended solve, not a factorisation kept
    const TridiagStatus status = TwistedSolve(a, b, cc, rr, u, gam, 1, n);
    if (status != TridiagStatus::Ok) {
        ShowError(
            status == TridiagStatus::FirstPivotZero ? "Error 1 in tridag" : "Error 2 in tridag", 0);
        singularMatrix = 1;
    }
}

// Runaway values of an almost non-diffusing species are damped at the end where it piles up.
void CLammIdeal::LimitOverflow() {
    if (D > 2e-8)
        return;
    if (s > 0.0 && std::fabs(c[N]) >= 1e30) {
        for (int i = N; i >= std::max(1, N - 20); --i)
            if (std::fabs(c[i]) > 1e35)
                c[i] *= 0.1;
    } else if (s < 0.0 && std::fabs(c[1]) >= 1e15) {
        for (int i = 1; i <= std::min(N, 20); ++i)
            if (std::fabs(c[i]) > 1e15)
                c[i] *= 0.1;
    }
}
