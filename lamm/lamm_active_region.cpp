// The fixed-grid Crank-Nicolson loop with adaptive steps and an active region [L, U].
#include "foundations/subnormal_flush.h"
#include "lamm/lamm_ideal.h"
#include "lamm/library_exp_bounds.h"
#include "lamm/step_change_kernels.h"

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
        RunWithoutMaterial(change);
        return;
    }
    PrepareActiveRegionRun();
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
    // the plateau follows its closed form at a speed that stays: its level waits until read
    plateauDeferred = holdMode && !rampRotorSpeed && !profileLoaded && !accelerationPhaseActive;
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
    FinishDeferredPlateau();
    allZeroStart = false;
}

// A cell without material: time advances in steps of 10 s and the scans are written, all zero.
void CLammIdeal::RunWithoutMaterial(double change) {
    allZeroStart = true;
    dt = 10.0;
    while (continueLoop && t < kLastTime) {
        t += dt;
        CLEachIterationOutput(change);
    }
    allZeroStart = false;
}

// The loop's start: the matrices, the active region and its tracking, the step limits and
// tolerances, the end criterion and the first step.
void CLammIdeal::PrepareActiveRegionRun() {
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
    plateauKnown = true;
    plateauPending = false;
    eps = truncationThreshold * c[1];
    lowerIndex = recordedLower = 1;
    zeroRowsBelow = oldZeroRowsBelow = 1;
    upperIndex = N;
    if (!dynamicallyTruncateGrid || s <= 0.0 || zoneLoading) {
        plateauTracking = false;
        lowerFrozen = true;
        upperFixed = true;
    } else {
        plateauTracking = true;
        plateau = plateauLow = plateauHigh = c[1];
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
    gridLimitBelow = -std::numeric_limits<double>::infinity();
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
    // most steps find the front short of the next element, or no longer followed, and the
    // smallest element reached as before: they return the limit in hand
    if ((reachedElement < N && !(time < frontShortUntil) && !(reachedSmallest <= gridLimitBelow)) ||
        !(reachedSmallest == limitForSmallest))
        FollowFront(time);
    return reachedLimit;
}

// The elements the front has reached by time, and the limit for the smallest among them.
void CLammIdeal::FollowFront(double time) {
    // once the boundary has reached the bottom element, its front no longer counts; before
    // frontShortUntil it has surely not reached the next element; and once the smallest element
    // reached holds the limit at the grid's, an element reached later, which can only lower the
    // smallest, leaves it there: the front is followed no further
    if (reachedElement < N && !(time < frontShortUntil) && !(reachedSmallest <= gridLimitBelow)) {
        const double width = std::sqrt(2.0 * D * time);
        const double reach = kBoundaryReach * width;
        // The front lies between these two; an element outside them lies on the same side of the
        // front the library's exp gives, and only one between them takes the call. Above, the
        // front and its midpoint bound the time it stays short of the next element.
        const ExpBounds grown = frontExp.At(sOmega2 * time);
        double midpoint = meniscus * grown.hi;
        double front = midpoint + reach, frontLow = meniscus * grown.lo + reach;
        const auto reaches = [&](double radius) {
            if (radius > frontLow && radius <= front) {
                midpoint = meniscus * frontExp.Exact(sOmega2 * time);
                front = frontLow = midpoint + reach;
            }
            return radius <= front;
        };
        // the front's width only where it reaches another element
        if (reaches(r[reachedElement])) {
            const double widthSpacing = std::sqrt(D * time) / pointsPerSigma;
            while (reachedElement < N && reaches(r[reachedElement])) {
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
        if (std::isfinite(reached) && reached <= smallestElementLimit)
            gridLimitBelow = std::max(gridLimitBelow, reachedSmallest);
    }
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
    // below the region that the step then writes as zeros (those the old array does not hold as
    // zeros yet: mostly the few the region's edge left over the last two steps) are no more than
    // the region's rows, which it would copy; else only the region's rows are copied (the rows
    // below it hold zeros).
    const bool exchange = from - oldZeroRowsBelow <= upperIndex - from + 1;
    if (!exchange) {
        std::copy(c + from, c + upperIndex + 1, cOld + from);
        oldZeroRowsBelow = std::min(oldZeroRowsBelow, from);
    }
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
        std::swap(zeroRowsBelow, oldZeroRowsBelow);
        olderInC = true;
    }
    SolveActiveRegionStep(dt);
    bool beyond = false;
    if (solvedChecked) {
        // The solve looked at its own rows. The row below its first holds zero: the solve cleared
        // it, or it lies below the rows known to hold zeros; a value there all the same would be
        // in the right-hand side of the solve's first row, which the solve looked at.
        beyond = solvedBeyond;
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
