// The bounds of the fixed grid's active region [L, U], the amount in the cell and the end of
// the run.
#include "lamm/lamm_ideal.h"
#include "lamm/library_exp_bounds.h"
#include "lamm/step_change_kernels.h"

#include <algorithm>
#include <cmath>

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
    if (plateauDeferred) {
        // the bounds of the plateau's level, the level itself only where they cannot decide
        const ExpBounds fall = plateauExp.At(-2.0 * plateauRate * time);
        const double a = fall.lo * meniscusStart, b = fall.hi * meniscusStart;
        plateauLow = std::min(a, b), plateauHigh = std::max(a, b);
        plateauKnown = false;
    } else if (!rampRotorSpeed && !profileLoaded) {
        plateau = std::exp(-2.0 * plateauRate * time) * meniscusStart;
    } else {
        plateau = std::exp(-2.0 * plateauRate * (time - plateauTime)) * plateau;
    }
    plateauTime = time;
    int next = upperIndex;
    if (MeanOfThreeBelowPlateau(std::max(upperIndex - upperStep, 3)))
        next = upperIndex + upperStep;
    if (next > upperIndex) {
        WritePendingPlateau(); // the rows the region takes in hold what the step left above it
        upperIndex = next > N - 10 ? N : next;
        ResizeActiveRegion(upperIndex);
        widestRegion = std::max(widestRegion, upperIndex - lowerIndex);
    }
    return upperIndex;
}

// Whether the mean of three rows ending at any of lo..U lies below (1 - eps) times the plateau.
// A plateau not known yet is taken from the library's exp only when the smallest mean lies between
// the bounds of that level: the mean of three at the region's top stays well above it until the
// boundary reaches it, and falls well below it then.
bool CLammIdeal::MeanOfThreeBelowPlateau(int lo) {
    if (!plateauKnown) {
        const double a = (1.0 - eps) * plateauLow, b = (1.0 - eps) * plateauHigh;
        const double lowest = SmallestMeanOfThree(c, lo, upperIndex);
        if (lowest < std::min(a, b))
            return true;
        if (lowest >= std::max(a, b))
            return false;
        plateau = plateauLow = plateauHigh =
            plateauExp.Exact(-2.0 * plateauRate * plateauTime) * meniscusStart;
        plateauKnown = true;
        return lowest < (1.0 - eps) * plateau; // the smallest mean decides as any mean does
    }
    return AnyMeanOfThreeBelow(c, lo, upperIndex, (1.0 - eps) * plateau);
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
    // a floater's probe is read with the nodes that carry the data beside it
    int dataTo = endIndex;
    for (int i = endIndex; s < 0.0 && i <= N && r[i] <= upperFitLimit; ++i)
        dataTo = i;
    floatingEnd.Start(s, D, finalRotorSpeed, meniscus, bottom, lowerFitLimit,
                      double(truncationLevel), r, c, N, endIndex, dataTo, !profileLoaded,
                      nextOutputScan);
}

bool CLammIdeal::EndReached() {
    if (inhomogeneousSolvent || zoneLoading)
        return false;
    // a row that waits for the plateau is decided by the bounds of its value, unless the level
    // lies between them
    const bool waits = plateauPending && endIndex >= pendingFrom;
    if (waits && !(pendingHigh < endLevel) && !(pendingLow >= endLevel))
        WritePendingPlateau();
    const bool below =
        plateauPending && endIndex >= pendingFrom ? pendingHigh < endLevel : c[endIndex] < endLevel;
    switch (floatingEnd.Judge(c, t, nextOutputScan, below, endLevel)) {
    case CFloatingEnd::Verdict::GridFails:
        discretizationError = 1;
        return false;
    case CFloatingEnd::Verdict::GoesOn:
        return false;
    case CFloatingEnd::Verdict::Probe:
        break;
    }
    if (below || endIndex < lowerIndex) {
        endReachedFlag = true;
        return true;
    }
    return false;
}
