// The state of the fixed grid's active-region loop and of the factorisations it keeps
// (lamm_active_region*.cpp).
#pragma once

#include "lamm/library_exp_bounds.h"
#include "lamm/tridiagonal.h"

#include <limits>

class SubnormalsAsZeroHeld;

// Fields of CLammIdeal, set by the active-region loop; public, as in the program's other records.
struct CLammActiveRegionState {
    int lowerIndex = 1, upperIndex = 1;
    int zeroRowsBelow = 1;    // rows 1..zeroRowsBelow - 1 of c hold zeros since the last step
    int oldZeroRowsBelow = 1; // the same of cOld, which exchanges them with c
    bool olderInC = false; // c holds the values before the last step's (see ActiveRegionTimeStep)
    // the subnormal mode the loop keeps over its steps (see SolveFEAlt); null: each solve sets its
    // own
    SubnormalsAsZeroHeld* stepMode = nullptr;
    int widestRegion = 0, narrowestRegion = 0;
    int lowerCap = 0, upperStep = 0;
    int assembledUpTo = 0, lastAssembledU = 0;
    double meniscusStart = 0.0, plateau = 0.0, plateauTime = 0.0, plateauRate = 0.0;
    // In a plain run the plateau's exp and its rows above the region wait until something reads
    // them (WritePendingPlateau): plateau then holds the level at plateauTime only when
    // plateauKnown, and the level lies within [plateauLow, plateauHigh] in any case. The rows of
    // c from pendingFrom up wait for pendingFall times the plateau at pendingTime (pendingLevel
    // when pendingKnown), a value within [pendingLow, pendingHigh].
    bool plateauDeferred = false, plateauKnown = true, plateauPending = false, pendingKnown = false;
    double plateauLow = 0.0, plateauHigh = 0.0;
    int pendingFrom = 1;
    double pendingTime = 0.0, pendingFall = 1.0, pendingLevel = 0.0;
    double pendingLow = 0.0, pendingHigh = 0.0;
    // the library's exp of the plateau's fall and of the boundary's growth, near where it was last
    // taken (StepLimitAt)
    LibraryExpNear plateauExp, frontExp;
    // exp(-2 plateauRate step) for the step and rate it was last taken for
    double plateauFallStep = std::numeric_limits<double>::quiet_NaN(), plateauFallRate = 0.0;
    double plateauFall = 1.0;
    // the eps the lower edge's test was last bounded for, and the bound on the sum of three rows
    // (LargestSumOfThreeWithMeanAtMost)
    double depletedMeanLevel = std::numeric_limits<double>::quiet_NaN(), depletedSumLimit = 0.0;
    bool plateauTracking = false, lowerFrozen = true, upperFixed = true, allZeroStart = false;
    bool matricesChanged = true, reassembleEveryStep = false, nonUniformGrid = false;
    bool negativeMeniscusRepair = true, lowerIndexChanged = false, forceRebuild = false;
    bool fixedMaxStepOn = false;
    double fixedMaxStep = 1000.0;
    double lastFactorDt = 0.0, dtMax = 1000.0, eps = 0.0;
    double ringingStep = 0.0; // s: shorter steps are not refused for negative values
    // The step limit that follows the boundary: the Courant limit of the smallest element, the
    // elements the boundary has reached (1..reachedElement) and the smallest among them.
    bool followBoundary = false;
    double smallestElementLimit = 1000.0, reachedSmallest = 0.0;
    int reachedElement = 1;
    // the limit for the reachedSmallest it was last found for (not a number before the first)
    double limitForSmallest = std::numeric_limits<double>::quiet_NaN(), reachedLimit = 1000.0;
    // before this time the boundary's front has surely not reached r[reachedElement]
    double frontShortUntil = -std::numeric_limits<double>::infinity();
    // the largest smallest element reached whose own limit came out at most the grid's: the limit
    // stays the grid's while the smallest reached is at most this
    double gridLimitBelow = -std::numeric_limits<double>::infinity();
    int dampedStepsLeft = 0; // implicit Euler steps still to take at the start
    bool lastFactorDamped = false;
    double tolerance = 1.0, toleranceLow = 0.05, toleranceTarget = 0.2;
    int refusals = 0, tinySteps = 0, recordedLower = 1;
    bool equilibriumStop = false; // the loop ended because the profile stopped changing
    int equilibriumCount = 0;     // qualifying steps in a row toward the equilibrium stop
    double equilibriumStreakTime = 0.0, equilibriumStreakRate = 0.0; // at the first of them
    // The equilibrium test counts windows of at least this length (s); shorter steps are pooled.
    static constexpr double kEquilibriumWindowS = 30.0;

    // Factorisations of the fixed grid kept beside the one in hand (right-hand matrix and
    // factors) while the matrices stay: the few steps a run takes again and again (its longest
    // step and the steps that land on the scan times) are factorised once.
    struct KeptFactorisation {
        double *Ba = nullptr, *Bb = nullptr, *Bc = nullptr;
        double *invBet = nullptr, *bet = nullptr, *gam = nullptr;
        double *betPairs = nullptr, *gamPairs = nullptr;
        double *scanForward = nullptr, *scanBackward = nullptr;
        int scanUses = 0;
        double dt = 0.0;
        bool damped = false, twisted = false, valid = false;
        TwistedMeeting meeting;
        long long lastUse = 0; // when it was last the one in hand
    };
    static constexpr int kKeptFactorisations = 3;
    KeptFactorisation keptFactors[kKeptFactorisations];
    long long factorUses = 0;
    int factorisations = 0; // of the fixed grid's matrices in the last run
    // |c - cOld| / cOld of the fixed grid's last solve, formed in its substitution; valid while
    // nothing else changed c since
    double* changeRatio = nullptr;
    bool changeRatiosValid = false;
    // the largest c of the active region after the last solve, taken in the pass that looked
    // for values out of range or in the back substitution; valid while nothing else changed c
    // since
    double solvedLargest = 0.0;
    bool solvedLargestValid = false;
    // the last solve's back substitution looked for values out of range in rows L - 1..U (all
    // of them while L < 4) and found some when solvedBeyond; valid while nothing else changed c
    bool solvedChecked = false, solvedBeyond = false;
};
