// The fixed-grid Crank-Nicolson loop with adaptive steps and an active region [L, U].
#include "foundations/show_error.h"
#include "foundations/subnormal_flush.h"
#include "lamm/active_region_edges.h"
#include "lamm/lamm_ideal.h"
#include "lamm/step_change_kernels.h"
#include "lamm/tridiagonal.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// A loop whose steps stop advancing time is ended with the discretization error instead of
// spinning for ever.
constexpr int kMostIdleSteps = 1000;
constexpr double kLastTime = 1e8;
constexpr double kTwoPiOver60 = 2.0 * M_PI / 60.0;
constexpr double kCourantNumber = 1.0;
constexpr double kReachedCourantNumber = 0.4;
constexpr double kBoundaryReach = 4.0;
constexpr int kDampedStartSteps = 2;
// Relative change still to come below which a profile counts as settled.
constexpr double kSettledChange = 1e-5;
// Rows carrying material from which the fixed grid's system is eliminated from both ends: all
// but the shortest, whose two halves are too short to gain from running side by side.
constexpr int kTwistedRows = 16;

// A profile whose largest relative change max dc/c keeps below only with steps far shorter
// than the run needs (a pile thinner than the grid's elements, say) would take minutes to
// hours: past a million accepted steps, a pace that needs more than ten million to reach the
// last scan ends the solution with the discretization error. The longest solutions of the test
// suite take under 20000 steps, the strictest max dc/c on a long run under a million.
constexpr int kStepsBeforePaceCheck = 1000000;
constexpr double kMostProjectedSteps = 1e7;

bool PaceTooSlow(int steps, double advanced, double remaining) {
    if (steps <= kStepsBeforePaceCheck)
        return false;
    const double pace = advanced / steps;
    return !(pace > 0.0) || steps + remaining / pace > kMostProjectedSteps;
}

} // namespace

// Solves on the object's fixed grid: below L the meniscus zone is depleted (zero), above U the
// plateau follows c(m, 0) exp(-2 k t) in closed form, so only [L, U] is integrated. Steps adapt
// to the largest relative change. Mass conservation, the plateau and the boundary's second
// moment are checked in the solver tests.
void CLammIdeal::SolveFEAlt() {
    if (setupSucceeded == 0)
        return;
    double change = 1.0;
    lastFactorDt = 0.0;
    ForgetKeptFactorisations();
    factorisations = 0;
    singularMatrix = discretizationError = 0;
    refusals = 0;
    tinySteps = 0;
    stepsTaken = 0;
    bool anyPositive = false;
    for (int i = 1; i <= N && !anyPositive; ++i)
        anyPositive = c[i] > 0.0;
    if (!anyPositive) {
        allZeroStart = true;
        dt = 10.0;
        while (continueLoop && t < kLastTime) {
            t += dt;
            CLEachIterationOutput(change);
        }
        allZeroStart = false;
        return;
    }
    meniscusStart = c[1];
    currentRotorSpeed = accelerationPhaseActive ? currentRotorSpeed : finalRotorSpeed;
    if (accelerationPhaseActive && !profileLoaded)
        currentRotorSpeed = EffectiveRotorSpeed(t, firstTimeStep);
    if (inhomogeneousSolvent)
        SetupSolventFactors(r);
    cosolvent.ready = false;
    if (secondComponentOn)
        SetupCosolvent();
    reassembleEveryStep = cosolvent.ready && cosolventGradient && inhomogeneousSolvent;
    StartBottomPellet();
    AssembleActiveRegionMatrices(N);
    lowerCap = static_cast<int>(std::floor(N * 0.95));
    eps = truncationThreshold * c[1];
    lowerIndex = recordedLower = 1;
    zeroRowsBelow = 1;
    upperIndex = N;
    if (!dynamicallyTruncateGrid || s <= 0.0 || zoneLoading) {
        plateauTracking = false;
        lowerFrozen = true;
        upperFixed = true;
    } else {
        plateauTracking = true;
        plateau = c[1];
        plateauTime = 0.0;
        upperStep = static_cast<int>(std::floor(N * 0.1));
        lowerFrozen = false;
        upperFixed = true;
        if (backDiffusionShutOff && !inhomogeneousSolvent && upperStep >= 3) {
            upperFixed = false;
            upperIndex = upperStep;
            ResizeActiveRegion(upperIndex);
        }
    }
    widestRegion = narrowestRegion = upperIndex - lowerIndex;
    smallestElementLimit = CourantStepLimit();
    followBoundary = !fixedMaxStepOn && s > 0.0 && !zoneLoading && !initialStep;
    reachedElement = 1;
    frontShortUntil = -std::numeric_limits<double>::infinity();
    reachedSmallest = bottom - meniscus;
    limitForSmallest = std::numeric_limits<double>::quiet_NaN();
    dtMax = fixedMaxStepOn ? fixedMaxStep : StepLimitAt(t);
    ringingStep = std::min(smallestElementLimit, SmallestElement() * SmallestElement() / D);
    tolerance = maxDcOverCCopy;
    toleranceLow = fineChangeLimit;
    toleranceTarget = coarseChangeLimit;
    SetEndCriterion();
    dt = zoneLoading ? 0.1 : startingTimeStep;
    dt = std::min(dt, dtMax);
    // The loading is discontinuous at the ends of the cell (and of a zone): where diffusion
    // dominates the transport across an element, Crank-Nicolson would carry the ringing of the
    // start through the long steps of the run, and implicit Euler steps damp it. Where transport
    // dominates they would smear the boundary instead. Steps the user fixed stay Crank-Nicolson.
    dampedStepsLeft = !fixTimestep && ElementPecletNumber() < 2.0 ? kDampedStartSteps : 0;
    if (massCheck)
        totalAmount = initialAmount = TotalAmount();
    int idle = 0;
    const double startTime = t;
    const double lastScanTime = scanCount >= 1 && scanOrder != nullptr ? ScanTimeAt(scanCount) : t;
    equilibriumCount = 0;
    // The Courant limit bounds the steps, often below the length the equilibrium test counts:
    // the steps are pooled until the time they advanced spans that length, their changes summed.
    double pooledTime = 0.0, pooledChange = 0.0;
    // Setting and restoring the subnormal mode costs as much as a tenth of a short step; where
    // nothing between two steps but the step control runs, and that reads no value a subnormal
    // could reach, the mode is kept from one step to the next and given back before each scan is
    // written (CLEachIterationOutput) and when the loop ends.
    SubnormalsAsZeroHeld heldMode;
    struct ForgetHeldMode {
        CLammIdeal& o;
        ~ForgetHeldMode() { o.stepMode = nullptr; }
    } forgetHeldMode{*this};
    const bool holdMode = StepsHoldSubnormalMode();
    while (continueLoop && !singularMatrix && !discretizationError) {
        const double before = t;
        stepMode = holdMode && !accelerationPhaseActive ? &heldMode : nullptr;
        if (stepMode == nullptr)
            heldMode.Release();
        cosolventStartTime = t;
        change = ActiveRegionTimeStep();
        if (plateauTracking) {
            lowerIndex = AdvanceActiveRegionLower();
            ExtendActiveRegionUpper(t);
        }
        AdvanceCosolventAfterStep(r, false);
        tinySteps = dt < 1e-12 ? tinySteps + 1 : 0;
        idle = t > before ? 0 : idle + 1;
        if (tinySteps > 100 || idle > kMostIdleSteps)
            discretizationError = 1;
        if (!fixTimestep && PaceTooSlow(stepsTaken, t - startTime, lastScanTime - t))
            discretizationError = 1;
        CLEachIterationOutput(change);
        if (followBoundary)
            dtMax = StepLimitAt(t);
        pooledTime += t - before;
        pooledChange += change;
        if (EndReached())
            continueLoop = 0;
        if (pooledTime >= kEquilibriumWindowS) {
            if (EquilibriumReached(pooledTime, pooledChange / pooledTime)) {
                endReachedFlag = true;
                equilibriumStop = true;
                continueLoop = 0;
            }
            pooledTime = pooledChange = 0.0;
        }
    }
    allZeroStart = false;
}

// A plain run: no display, trace or amount check, no speed profile, no solvent that changes and
// no zone (the key poll between steps only looks into the thread's queue); the loop asks besides
// that the rotor has reached its speed.
bool CLammIdeal::StepsHoldSubnormalMode() const {
    return !logOn && !ShowsProgress() && !profileLoaded && !massCheck && !inhomogeneousSolvent &&
           !secondComponentOn && !cosolvent.ready && !zoneLoading;
}

// The largest step of the fixed grid: the boundary moves at most one element per step (at the
// bottom, where it is fastest), and never more than 1000 s. Larger steps let Crank-Nicolson
// ring at the foot of a sharp boundary, which the relative change does not see.
double CLammIdeal::CourantStepLimit() const {
    const double limit = kCourantNumber * SmallestElement() / TransportSpeed();
    return std::isfinite(limit) && limit > 0.0 ? std::min(limit, 1000.0) : 1000.0;
}

// The limit at time: the Courant limit of the smallest element, or 0.4 of it for the smallest
// element the boundary has reached, whichever is longer. The boundary reaches its midpoint (at
// the final speed) plus four widths sqrt(2 D t); an element it reaches when its width sqrt(D t)
// spans more than the grid's points per sigma of that element counts at that spacing: a front
// so wide does not ring there. So a finer layer at the bottom bounds the steps only when a
// sharp front arrives; the 0.4 keeps Crank-Nicolson's error at the boundary where steps limited
// by that layer kept it (the discrete-species bench measures both).
double CLammIdeal::StepLimitAt(double time) {
    if (!followBoundary)
        return smallestElementLimit;
    // once the boundary has reached the bottom element, its front no longer counts; before
    // frontShortUntil it has surely not reached the next element
    if (reachedElement < N && !(time < frontShortUntil)) {
        const double midpoint = meniscus * std::exp(sOmega2 * time);
        const double width = std::sqrt(2.0 * D * time);
        const double front = midpoint + kBoundaryReach * width;
        // the front's width only where it reaches another element
        if (r[reachedElement] <= front) {
            const double widthSpacing = std::sqrt(D * time) / pointsPerSigma;
            while (reachedElement < N && r[reachedElement] <= front) {
                ++reachedElement;
                const double h = r[reachedElement] - r[reachedElement - 1];
                reachedSmallest = std::min(reachedSmallest, std::max(h, widthSpacing));
            }
        }
        if (reachedElement < N)
            frontShortUntil = time + FrontShortOf(r[reachedElement], front, midpoint, width, time);
    }
    // the rest changes only with the smallest element reached
    if (!(reachedSmallest == limitForSmallest)) {
        limitForSmallest = reachedSmallest;
        const double reached = kReachedCourantNumber * reachedSmallest / TransportSpeed();
        reachedLimit = std::isfinite(reached)
                           ? std::max(smallestElementLimit, std::min(reached, 1000.0))
                           : smallestElementLimit;
    }
    return reachedLimit;
}

// How long after time the front (midpoint m e^(a t) plus four widths w = sqrt(2 D t)) surely
// stays below radius: the gap over a bound of the front's speed, a m e^(a t) e^(a h) + 2 w / t
// for the h ahead (at most 0.01 / a, so e^(a h) < 1.0101), the gap less a margin far beyond the
// rounding of the front. The front grows with t, so before then, and at any earlier time, it
// is below radius; 0 where there is no such time.
double CLammIdeal::FrontShortOf(double radius, double front, double midpoint, double width,
                                double time) const {
    const double gap = radius - front - 1e-12 * radius;
    const double speed = sOmega2 * midpoint * 1.0101 + 2.0 * width / time;
    const double ahead = std::min(0.999 * gap / speed, 0.01 / sOmega2);
    return sOmega2 > 0.0 && ahead > 0.0 ? ahead : 0.0;
}

// Sedimentation velocity at the bottom, cm/s.
double CLammIdeal::TransportSpeed() const {
    const double omega = finalRotorSpeed * kTwoPiOver60;
    return std::fabs(omega * omega * s * 1e-13) * bottom;
}

double CLammIdeal::ElementPecletNumber() const {
    return TransportSpeed() * SmallestElement() / D;
}

double CLammIdeal::SmallestElement() const {
    double h = bottom - meniscus;
    for (int i = 2; i <= N; ++i)
        h = std::min(h, r[i] - r[i - 1]);
    return h;
}

// Equilibrium: more than 10 steps in a row of at least 30 s whose relative change per second
// is below the time step control value, and the change still to come small. The rate of an
// approach to equilibrium falls exponentially; its time constant, from the fall over the run of
// qualifying steps, and the time to the last scan bound what is still to come.
bool CLammIdeal::EquilibriumReached(double stepBefore, double rate) {
    if (stepBefore >= kEquilibriumWindowS && rate < timeStepControlValue) {
        if (equilibriumCount == 0)
            equilibriumStreakTime = t, equilibriumStreakRate = rate;
        ++equilibriumCount;
    } else {
        equilibriumCount = 0;
    }
    if (equilibriumCount <= 10)
        return false;
    double horizon = rate > 0.0 && rate < equilibriumStreakRate
                         ? (t - equilibriumStreakTime) / std::log(equilibriumStreakRate / rate)
                         : 1e300;
    if (nextOutputScan <= scanCount)
        horizon = std::min(horizon, std::max(ScanTimeAt(scanCount) - t, 0.0));
    return rate * horizon < kSettledChange;
}

// Clips dt to the rotor's schedule: during a ramp to the acceleration step and the end of the
// ramp, with a speed profile also to the start of the next step.
void CLammIdeal::ClipStepToRotorSpeed(bool& endClipped) {
    if (!profileLoaded) {
        if (rampRotorSpeed && accelerationPhaseActive) {
            dt = std::min(dt, firstTimeStep);
            if (!endClipped && t + dt > accelerationDuration && accelerationDuration > t) {
                dt = accelerationDuration - t;
                endClipped = true;
            }
        }
        return;
    }
    if (lastStepReached)
        return;
    if (!accelerationPhaseActive) {
        if (currentStep < speedStepCount && stepStart[currentStep + 1] < t + dt &&
            stepStart[currentStep + 1] > t)
            dt = stepStart[currentStep + 1] - t;
    } else {
        dt = std::min(dt, firstTimeStep);
        const double end = stepEnd[currentStep];
        if (!endClipped && t + dt > end && end > t) {
            dt = end - t;
            endClipped = true;
        }
    }
}

// One accepted step: solve, measure the largest relative change in the active region, shrink
// the step until the change is below "max dc/c", then choose the next step from the change.
double CLammIdeal::ActiveRegionTimeStep() {
    // within a fit, the step the first solution of the fit accepted here (lamm_held_grid.cpp)
    const bool replay = !fixTimestep && heldStepAt < heldSteps.size();
    if (fixTimestep)
        dt = maxDcOverCCopy;
    else if (replay)
        dt = heldSteps[heldStepAt];
    changeRatiosValid = false;
    const int from = lowerIndex >= 4 ? lowerIndex - 2 : 1;
    // The values become the old ones by exchanging the two arrays before the step while the rows
    // below the region, which the step then writes as zeros, are no more than the region's rows,
    // which it would copy; else only the region's rows are copied (the rows below it hold zeros).
    const bool exchange = from - 1 <= upperIndex - from + 1;
    if (!exchange)
        std::copy(c + from, c + upperIndex + 1, cOld + from);
    bool endClipped = false;
    ClipStepToRotorSpeed(endClipped);
    // a step past the pending scan time is cut to land on it
    const bool cut = hitTime && t + dt > targetTime;
    if (cut) {
        dt = StepToScanTime();
        hitTime = 0;
    }
    if (dt <= 0.0) {
        dt = 1.0;
        return 1.0;
    }
    if (exchange) {
        std::swap(c, cOld);
        zeroRowsBelow = 1;
        olderInC = true;
    }
    SolveActiveRegionStep(dt);
    bool beyond = false;
    if (solvedChecked) {
        // the solve looked at all but the row below its own first, which it left zero
        beyond = solvedBeyond || (from > 1 && !(std::fabs(c[from]) <= 1e100));
    } else
        beyond = AnyBeyond1e100OrLargest(c, from, lowerIndex, upperIndex, solvedLargest);
    if (beyond) {
        discretizationError = 1;
        return 0.0;
    }
    solvedLargestValid = true;
    if (zoneLoading && t < 10.0) {
        SpreadTinyValues(c, r, N);
        changeRatiosValid = false;
        solvedLargestValid = false;
    }
    // A step that lands on the scan time, cut there now or sized to it at the end of the last
    // step, is taken as it is; the step size carries on into the next scan interval. The time is
    // set to the scan time itself, so a sum one rounding short cannot skip the scan's output.
    if ((cut || (hitTime && t + dt == targetTime)) && stepsTaken >= 1) {
        const double landing = targetTime;
        AcceptActiveRegionStep();
        t = landing;
        return 1.0;
    }
    if (stepsTaken == 0 && c[1] > 0.0) {
        const double taken = dt;
        AcceptActiveRegionStep();
        return taken;
    }
    if (fixTimestep) {
        AcceptActiveRegionStep();
        return 1.0;
    }
    double change = ActiveRegionChange();
    if (replay && change > tolerance)
        HeldDiscretisation::NoteOutgrown();
    while (!replay && change > tolerance) {
        if (refusals > 10) {
            discretizationError = 1;
            break;
        }
        if (singularMatrix)
            break;
        dt = ShrinkStep(change, true);
        ClipStepToRotorSpeed(endClipped);
        if (cut)
            hitTime = 1; // the shortened step no longer lands on the scan time
        SolveActiveRegionStep(dt);
        change = ActiveRegionChange();
    }
    refusals = 1;
    AcceptActiveRegionStep();
    dt = GrowStep(change, true);
    if (hitTime && t + dt > targetTime)
        dt = StepToScanTime();
    bool clipAgain = false;
    ClipStepToRotorSpeed(clipAgain);
    lowerIndexChanged = false;
    return change;
}

// Crank-Nicolson on rows L-1..U: (M - dt/2 K) c = (M + dt/2 K) c_old, refactorised only when dt
// or the matrices change; the last few factorisations are kept, since a run at its longest step
// cuts the steps at the scan times to the same few lengths. Below L-1 the zone is depleted and
// stays zero.
void CLammIdeal::SolveActiveRegionStep(double step) {
    // the mode for this solve alone, unless the loop keeps it over its steps
    SubnormalsAsZeroHeld ownMode;
    (stepMode != nullptr ? *stepMode : ownMode).Hold();
    solvedLargestValid = solvedChecked = false;
    if (accelerationPhaseActive && (rampRotorSpeed || profileLoaded)) {
        currentRotorSpeed = EffectiveRotorSpeed(t, step);
        AssembleActiveRegionMatrices(upperIndex);
        forceRebuild = true;
    }
    if (upperIndex != lastAssembledU)
        ResizeActiveRegion(upperIndex);
    const int U = std::min(upperIndex, N);
    const int L = lowerIndex;
    const int from = L >= 4 ? L - 1 : 1;
    const bool damped = dampedStepsLeft > 0;
    const bool changed = forceRebuild || matricesChanged;
    bool reuse = step == lastFactorDt && damped == lastFactorDamped && !changed;
    if (changed)
        ForgetKeptFactorisations();
    for (KeptFactorisation& kept : keptFactors) {
        if (reuse || !kept.valid || kept.dt != step || kept.damped != damped)
            continue;
        // the one in hand is kept in turn
        const bool keep = lastFactorDt > 0.0;
        SwapFactorisations(kept);
        kept.valid = keep;
        reuse = true;
    }
    bool solved = false;
    if (!reuse) {
        // the factorisation in hand is kept in place of an empty one or of the one longest out
        // of use, unless the matrices changed under it
        KeptFactorisation* oldest = keptFactors;
        for (KeptFactorisation& kept : keptFactors)
            if (oldest->valid && (!kept.valid || kept.lastUse < oldest->lastUse))
                oldest = &kept;
        const bool keep = !changed && lastFactorDt > 0.0 && !singularMatrix;
        SwapFactorisations(*oldest);
        oldest->valid = keep;
        forceRebuild = false;
        lastFactorDt = step;
        lastFactorDamped = damped;
        ++factorisations;
        // A long system is eliminated from both ends toward the middle of the rows that carry
        // material, in two recurrences side by side; a short one in one pass with its first
        // substitution.
        activeTwisted = U - from >= kTwistedRows;
        const bool solveNow = !singularMatrix && U > from && !activeTwisted;
        if (!activeTwisted)
            FormCrankNicolson(step, U, damped);
        TridiagStatus status = TridiagStatus::Ok;
        if (activeTwisted) {
            // the step's rows factorised by continuants, and the right-hand rows divided by
            // their pivots once for all the step's solves
            CCrankNicolsonRows rows = CrankNicolsonRows(step, U, damped);
            // a factorisation that serves many steps meets in the middle of the rows that carry
            // material, halving the latency of the substitutions; one that serves a single step
            // (the solvent changes with every step) balances its own two eliminations
            const int meeting = SolventChangesEveryStep() ? (1 + U) / 2 : (from + U) / 2;
            status = rows.FactorLeft(invBet, bet, gam, activeMeeting, 1, meeting, U);
            if (status == TridiagStatus::Ok) {
                rows.FormRight(invBet, 1, U);
                AdjacentProducts(bet, betPairs, 1, U);
                AdjacentProducts(gam, gamPairs, 1, U);
            }
        } else if (solveNow)
            status = ThomasFactorSubstituteProductRatios(La, Lb, Lc, Ba, Bb, Bc, cOld, invBet, bet,
                                                         gam, c, changeRatio, 1, from, U);
        else
            status = ThomasFactor(La, Lb, Lc, invBet, bet, gam, 1, U);
        solved = solveNow && status == TridiagStatus::Ok;
        matricesChanged = false;
        if (status != TridiagStatus::Ok) {
            ShowError(status == TridiagStatus::FirstPivotZero ? "Error 1 in tridag"
                                                              : "Error 2 in tridag",
                      0);
            singularMatrix = 1;
            lastFactorDt = 0.0;
        }
    }
    bool substituted = false;
    if (!singularMatrix) {
        // right-hand side of the rows that carry material, formed inside the substitution;
        // the rows below are zero: those below `reached` hold zeros already
        substituted = true;
        int reached = std::min(zeroRowsBelow, from);
        if (activeTwisted) {
            // the relative changes are divided in the change's own pass; the values out of
            // range and the largest are looked for in the back substitution
            if (U == upperIndex && L <= U) {
                solvedBeyond = TwistedSubstituteScaledFromChecked(
                    Ba, Bb, Bc, cOld, bet, gam, activeMeeting, c, 1, from, U, reached, L,
                    solvedLargest, betPairs, gamPairs);
                solvedChecked = true;
            } else
                TwistedSubstituteScaledFrom(Ba, Bb, Bc, cOld, bet, gam, activeMeeting, c, 1, from,
                                            U, reached, betPairs, gamPairs);
            changeRatiosValid = false;
            reached = std::max(activeMeeting.k, 1); // it clears the rows before the meeting
        } else {
            if (!solved)
                ThomasSubstituteProductRatios(Ba, Bb, Bc, cOld, bet, invBet, gam, c, changeRatio, 1,
                                              from, U);
            changeRatiosValid = U > from;
        }
        if (from > 1) {
            // the elimination from row 1 carries no material into row from: its rhs rows are 0
            if (reached < from)
                std::fill(c + reached, c + from, 0.0);
        }
        zeroRowsBelow = from;
    }
    if (!singularMatrix && L > 3) {
        const LowerEdge edge = SettleLowerEdge(c, L, eps);
        if (edge == LowerEdge::Failed)
            singularMatrix = 1;
        else if (edge == LowerEdge::Ramped)
            changeRatiosValid = solvedChecked = false;
    }
    if (singularMatrix && olderInC) {
        // a failed step leaves the values before it where it did not write
        if (substituted)
            std::copy(cOld + U + 1, cOld + N + 1, c + U + 1);
        else
            std::copy(cOld + 1, cOld + N + 1, c + 1);
    }
    // the plateau level is written only above a region that ends below the bottom
    const bool failed = singularMatrix != 0;
    FinishActiveStep(c, cOld, L, U, N, failed,
                     !failed && U < N ? PlateauFallOver(step) * plateau : 0.0);
    olderInC = false;
    if (singularMatrix) {
        changeRatiosValid = solvedChecked = false;
        zeroRowsBelow = 1;
    }
    solvedLargestValid = solvedChecked && !solvedBeyond;
}

// The plateau's fall over a step, exp(-2 k step): a run at its longest step repeats the step.
double CLammIdeal::PlateauFallOver(double step) {
    if (!(step == plateauFallStep && plateauRate == plateauFallRate)) {
        plateauFallStep = step;
        plateauFallRate = plateauRate;
        plateauFall = std::exp(-2.0 * plateauRate * step);
    }
    return plateauFall;
}

// Exchanges the factorisation in hand (right-hand matrix, factors, step, kind and, when it is
// two-ended, where its eliminations meet) with a kept one, which notes that it was in use until
// now.
void CLammIdeal::SwapFactorisations(KeptFactorisation& kept) {
    std::swap(Ba, kept.Ba);
    std::swap(Bb, kept.Bb);
    std::swap(Bc, kept.Bc);
    std::swap(invBet, kept.invBet);
    std::swap(bet, kept.bet);
    std::swap(gam, kept.gam);
    std::swap(betPairs, kept.betPairs);
    std::swap(gamPairs, kept.gamPairs);
    std::swap(lastFactorDt, kept.dt);
    std::swap(lastFactorDamped, kept.damped);
    std::swap(activeTwisted, kept.twisted);
    std::swap(activeMeeting, kept.meeting);
    kept.lastUse = ++factorUses;
}

void CLammIdeal::ForgetKeptFactorisations() {
    for (KeptFactorisation& kept : keptFactors)
        kept.valid = false;
}

// The largest relative change of the step over the active region, against the larger of the
// region's maximum and the loading; negative values early in the run refuse the step.
double CLammIdeal::ActiveRegionChange() {
    const int L = lowerIndex, U = upperIndex;
    double cmax = std::max(0.0, solvedLargestValid ? solvedLargest : LargestOf(c, L, U));
    solvedLargestValid = false;
    if (inhomogeneousSolvent && cmax < endLevel)
        return 0.0;
    cmax = std::max(cmax, meniscusStart);
    const double threshold = 1e-4 * cmax;
    double change = 0.0;
    if (c[U] > threshold && cOld[U] >= threshold)
        change = std::fabs((c[U] - cOld[U]) / cOld[U]);
    // Negative values from Crank-Nicolson ringing go away with a shorter step; below the time
    // one element needs to exchange by diffusion or transport they come from a boundary thinner
    // than the grid, which a shorter step cannot mend: such steps are not refused.
    const bool watchNegative = !zoneLoading && t < 10.0 && dt > ringingStep;
    if (watchNegative) {
        for (int i = U - 1; i >= L; --i) {
            if (c[i] < -eps) {
                ++refusals;
                return 2.0 * tolerance;
            }
        }
    }
    // Nodes with a loading of their own give their relative change in a pass without branches
    // (the ratios the substitution left, where it did); the (nearly) empty ones that gain
    // material are measured against a neighbour after it. The largest value is the same in any
    // order.
    bool anyEmptyGaining = false;
    const double loaded = LargestOwnChange(c, cOld, changeRatiosValid ? changeRatio : nullptr,
                                           threshold, L, U - 1, anyEmptyGaining);
    change = std::max(change, loaded);
    if (anyEmptyGaining)
        for (int i = U - 1; i >= L; --i)
            if (!(cOld[i] > threshold))
                change = RelativeNodeChange(c, cOld, i, threshold, change);
    return change;
}

void CLammIdeal::AcceptActiveRegionStep() {
    ++stepsTaken;
    dampedStepsLeft = std::max(dampedStepsLeft - 1, 0);
    if (recordSteps)
        recordedSteps.push_back(dt);
    else if (heldStepAt < heldSteps.size())
        ++heldStepAt;
    t += dt;
    if (!profileLoaded) {
        if (accelerationPhaseActive && t >= accelerationDuration) {
            currentRotorSpeed = EffectiveRotorSpeed(t, dt);
            AssembleActiveRegionMatrices(reassembleEveryStep ? upperIndex : N);
            ResizeActiveRegion(upperIndex);
            accelerationPhaseActive = false;
            forceRebuild = true;
        }
    } else if (!lastStepReached) {
        if (accelerationPhaseActive) {
            currentRotorSpeed = EffectiveRotorSpeed(t, dt);
            AssembleActiveRegionMatrices(reassembleEveryStep ? upperIndex : N);
            ResizeActiveRegion(upperIndex);
            forceRebuild = true;
        }
        const bool wasActive = accelerationPhaseActive;
        AdvanceSpeedStep(t);
        if (wasActive && !accelerationPhaseActive) {
            currentRotorSpeed = stepSpeed[currentStep];
            AssembleActiveRegionMatrices(N);
            ResizeActiveRegion(upperIndex);
            forceRebuild = true;
        }
    }
    if (c[1] < 0.0 && c[1] > -eps)
        RepairNegativeMeniscus();
    if (massCheck)
        totalAmount = TotalAmount() + 1.2 * 0.03490658503988659 * PelletAmount();
}

// A small negative meniscus value is mirrored and its amount taken from node 2, so the amount in
// the cell stays the same.
void CLammIdeal::RepairNegativeMeniscus() {
    if (!negativeMeniscusRepair)
        return;
    const double w1 = nonUniformGrid ? RadiusNodeVolume(1, N)
                                     : (r[2] - r[1]) / 6.0 * (3.0 * r[1] + (r[2] - r[1]));
    const double w2 = nonUniformGrid ? RadiusNodeVolume(2, N) : r[2] * (r[2] - r[1]);
    const double m = -c[1] * w1 / w2;
    c[1] = -c[1];
    c[2] -= 2.0 * m;
}

// Amount in a 2-degree sector of 1.2 cm height: the exact integral of c r dr of the piecewise
// linear profile.
double CLammIdeal::TotalAmount() const {
    double sum = 0.0;
    if (!nonUniformGrid) {
        const double h = (bottom - meniscus) / (N - 1);
        sum = (h / 6.0) * (3.0 * r[1] + h) * c[1] + (h / 6.0) * (3.0 * r[N] - h) * c[N];
        for (int i = 2; i < N; ++i)
            sum += c[i] * r[i] * h;
    } else {
        for (int i = 1; i <= N; ++i)
            sum += RadiusNodeVolume(i, N) * c[i];
    }
    return sum * 1.2 * 0.03490658503988659;
}

int CLammIdeal::AdvanceActiveRegionLower() {
    if (lowerFrozen || allZeroStart)
        return lowerIndex = 1;
    // the mean of three rows at most eps is their sum at most a bound found once for each eps,
    // where there is one: the same test without a division on the chain of the loop's exit
    if (!(eps == depletedMeanLevel)) {
        depletedMeanLevel = eps;
        depletedSumLimit = LargestSumOfThreeWithMeanAtMost(eps);
    }
    const bool bySum = !std::isnan(depletedSumLimit);
    int L = lowerIndex;
    for (int i = L; i <= upperIndex - 10; ++i) {
        const double sum = c[i] + c[i + 1] + c[i + 2];
        if (bySum ? sum <= depletedSumLimit : sum / 3.0 <= eps)
            L = i;
        else
            break;
    }
    L = std::min(L, lowerCap);
    widestRegion = std::max(widestRegion, upperIndex - L);
    narrowestRegion = std::min(narrowestRegion, upperIndex - L);
    if (L != recordedLower) {
        recordedLower = L;
        lowerIndexChanged = true;
    }
    return L;
}

// U grows by a tenth of the grid when the boundary's upper edge reaches the region's top.
int CLammIdeal::ExtendActiveRegionUpper(double time) {
    if (upperFixed || allZeroStart)
        return upperIndex = N;
    if (upperIndex >= N)
        return upperIndex;
    if (!rampRotorSpeed && !profileLoaded)
        plateau = std::exp(-2.0 * plateauRate * time) * meniscusStart;
    else
        plateau = std::exp(-2.0 * plateauRate * (time - plateauTime)) * plateau;
    plateauTime = time;
    const double level = (1.0 - eps) * plateau;
    int next = upperIndex;
    if (AnyMeanOfThreeBelow(c, std::max(upperIndex - upperStep, 3), upperIndex, level))
        next = upperIndex + upperStep;
    if (next > upperIndex) {
        upperIndex = next > N - 10 ? N : next;
        ResizeActiveRegion(upperIndex);
        widestRegion = std::max(widestRegion, upperIndex - lowerIndex);
    }
    return upperIndex;
}

// The run ends when the boundary has cleared the data: the probe node at the outer fit limit
// (inner for flotation) has fallen below the truncation level of its loading.
void CLammIdeal::SetEndCriterion() {
    if (s > 0.0) {
        endIndex = N;
        for (int i = 1; i <= N; ++i) {
            if (r[i] > upperFitLimit) {
                endIndex = i;
                break;
            }
        }
    } else if (s < 0.0) {
        endIndex = 1;
        for (int i = 1; i <= N; ++i)
            if (r[i] <= lowerFitLimit)
                endIndex = i;
    }
    endIndex = std::clamp(endIndex, 1, N);
    endLevel = static_cast<float>(truncationLevel * c[endIndex]);
    endReachedFlag = false;
}

bool CLammIdeal::EndReached() {
    if (inhomogeneousSolvent || zoneLoading)
        return false;
    if (c[endIndex] < endLevel || endIndex < lowerIndex) {
        endReachedFlag = true;
        return true;
    }
    return false;
}
