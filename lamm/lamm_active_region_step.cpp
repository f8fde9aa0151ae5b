// One Crank-Nicolson step of the fixed grid's active region: its factorisation, kept over the
// steps that repeat, the substitution, the step's largest relative change and its acceptance.
#include "foundations/show_error.h"
#include "foundations/subnormal_flush.h"
#include "lamm/active_region_edges.h"
#include "lamm/lamm_ideal.h"
#include "lamm/step_change_kernels.h"
#include "lamm/tridiagonal.h"

#include <algorithm>
#include <cmath>

namespace {

// Rows carrying material from which the fixed grid's system is eliminated from both ends: all
// but the shortest, whose two halves are too short to gain from running side by side.
constexpr int kTwistedRows = 16;

} // namespace

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
    const bool solved = !reuse && RefactorActiveRegion(step, U, from, damped, changed);
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
                const bool blocks = ScanFactorsReady(U);
                solvedBeyond = TwistedSubstituteScaledFromChecked(
                    Ba, Bb, Bc, cOld, bet, gam, activeMeeting, c, 1, from, U, reached, L,
                    solvedLargest, betPairs, gamPairs, blocks ? scanForward : nullptr,
                    blocks ? scanBackward : nullptr);
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
    if (plateauDeferred && !failed && U < N)
        DeferPlateau(step, U);
    else
        FinishActiveStep(c, cOld, L, U, N, failed,
                         !failed && U < N ? PlateauFallOver(step) * plateau : 0.0);
    olderInC = false;
    if (singularMatrix) {
        changeRatiosValid = solvedChecked = false;
        zeroRowsBelow = 1;
    }
    solvedLargestValid = solvedChecked && !solvedBeyond;
}

// A new factorisation of rows 1..U for the step, the one in hand kept; a short system is
// solved with it in the same pass. Whether it solved the step.
bool CLammIdeal::RefactorActiveRegion(double step, int U, int from, bool damped, bool changed) {
    // the factorisation in hand is kept in place of an empty one or of the one longest out
    // of use, unless the matrices changed under it
    KeptFactorisation* oldest = keptFactors;
    for (KeptFactorisation& kept : keptFactors)
        if (oldest->valid && (!kept.valid || kept.lastUse < oldest->lastUse))
            oldest = &kept;
    const bool keep = !changed && lastFactorDt > 0.0 && !singularMatrix;
    SwapFactorisations(*oldest);
    oldest->valid = keep;
    scanUses = 0;
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
        status = ThomasFactorSubstituteProductRatios(La, Lb, Lc, Ba, Bb, Bc, cOld, invBet, bet, gam,
                                                     c, changeRatio, 1, from, U);
    else
        status = ThomasFactor(La, Lb, Lc, invBet, bet, gam, 1, U);
    const bool solved = solveNow && status == TridiagStatus::Ok;
    matricesChanged = false;
    if (status != TridiagStatus::Ok) {
        ShowError(
            status == TridiagStatus::FirstPivotZero ? "Error 1 in tridag" : "Error 2 in tridag", 0);
        singularMatrix = 1;
        lastFactorDt = 0.0;
    }
    return solved;
}

// Whether the two-ended factorisation in hand (rows 1..U) has the factors of the substitution in
// blocks of eight rows: they are formed at its kScanAfterUses-th checked substitution, since
// forming them costs about as much as a few substitutions save, and a factorisation that serves
// only a few steps (early in a run, or one kept for the steps that land on the scans) pays no more
// than before.
bool CLammIdeal::ScanFactorsReady(int U) {
    if (scanForward == nullptr)
        return false;
    if (scanUses < kScanAfterUses && ++scanUses == kScanAfterUses)
        ScanCoefficients(bet, gam, activeMeeting.k, 1, U, scanForward, scanBackward);
    return scanUses == kScanAfterUses;
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

// Notes the plateau level the step leaves above row U, to be written when something reads it:
// the fall over the step times the plateau, whose bounds bound the value.
void CLammIdeal::DeferPlateau(double step, int U) {
    plateauPending = true;
    pendingFrom = U + 1;
    pendingFall = PlateauFallOver(step);
    pendingKnown = plateauKnown;
    pendingLevel = plateau;
    pendingTime = plateauTime;
    const double a = pendingFall * plateauLow, b = pendingFall * plateauHigh;
    pendingLow = std::min(a, b), pendingHigh = std::max(a, b);
}

// Writes the plateau level the last step left pending above its region, with subnormals taken as
// zero as the steps take them, the level being the same product the step would have written.
void CLammIdeal::WritePendingPlateau() {
    if (!plateauPending)
        return;
    plateauPending = false;
    const SubnormalsAsZero mode;
    const double level =
        pendingKnown ? pendingLevel : std::exp(-2.0 * plateauRate * pendingTime) * meniscusStart;
    FinishActiveStep(c, cOld, 1, pendingFrom - 1, N, false, pendingFall * level);
}

// The end of a loop that deferred the plateau: its rows and its level as the steps would have
// left them.
void CLammIdeal::FinishDeferredPlateau() {
    if (!plateauDeferred)
        return;
    WritePendingPlateau();
    if (!plateauKnown) {
        const SubnormalsAsZero mode;
        plateau = plateauLow = plateauHigh =
            std::exp(-2.0 * plateauRate * plateauTime) * meniscusStart;
        plateauKnown = true;
    }
    plateauDeferred = false;
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
    std::swap(scanForward, kept.scanForward);
    std::swap(scanBackward, kept.scanBackward);
    std::swap(scanUses, kept.scanUses);
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
