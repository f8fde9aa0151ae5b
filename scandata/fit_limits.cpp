// Fit limits: single-precision radii compared with single-precision limits; a point exactly at
// a limit is inside.
#include "scandata/fit_limits.h"

#include "foundations/show_error.h"
#include "scandata/initial_data.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_store_alloc.h"
#include "state/dls_data.h"
#include "state/fit_control.h"
#include "state/lamm_grid.h"
#include "state/model_parameters.h"
#include "state/serial_fit_state.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

void LastGridIndexInside() {
    using S = ScanStore;
    for (int g = S::gridCount; g >= 1; --g)
        if (S::gridRadius[g] <= S::rightFitLimit) {
            S::gridLastFit = g;
            return;
        }
}

// Sums over the grid range inside the limits, and each scan's mean there.
void RangeStatistics() {
    using S = ScanStore;
    if (!S::gridMeanSignal || !S::gridSignal)
        return;
    float sum = 0.0f;
    float count = 0.0f;
    for (int g = S::gridFirstFit; g >= 1 && g <= S::gridLastFit && g <= S::gridCount; ++g) {
        sum += S::gridMeanSignal[g];
        count += 1.0f;
    }
    S::gridSignalSum = sum * static_cast<float>(S::scanCount);
    S::gridValueCount = count * static_cast<float>(S::scanCount);
    for (int k = 1; k <= S::scanCount && S::scanMeanSignal; ++k) {
        float scanSum = 0.0f;
        for (int g = S::gridFirstFit; g >= 1 && g <= S::gridLastFit && g <= S::gridCount; ++g)
            scanSum += S::gridSignal[k][g];
        S::scanMeanSignal[k] = count > 0.0f ? scanSum / count : 0.0f;
    }
}

} // namespace

void ApplyLeftFitLimit() {
    using S = ScanStore;
    S::dataChanged = true;
    for (int k = 1; k <= S::scanCount; ++k)
        if (S::pointCount[k] > 0 && S::leftFitLimit < S::radius[k][1])
            S::leftFitLimit = S::radius[k][1];
    if (!gDlsData) {
        double lowest = static_cast<double>(ModelParameters::meniscus) + 0.01;
        if (S::leftFitLimit < lowest || S::leftFitLimit > ModelParameters::bottom)
            S::leftFitLimit = static_cast<float>(lowest);
    }
    if (InitialData::pointCount != 0)
        InitialExtrapolationLeft();
    for (int k = 1; k <= S::scanCount && S::firstFitIndex; ++k)
        for (int i = 1; i <= S::pointCount[k]; ++i)
            if (S::radius[k][i] >= S::leftFitLimit) {
                S::firstFitIndex[k] = i;
                break;
            }
    for (int g = 1; g <= S::gridCount && S::gridRadius; ++g)
        if (S::gridRadius[g] >= S::leftFitLimit) {
            S::gridFirstFit = g;
            break;
        }
    if (S::gridRadius)
        LastGridIndexInside();
    RangeStatistics();
}

void ApplyRightFitLimit() {
    using S = ScanStore;
    S::dataChanged = true;
    if (!gDlsData) {
        for (int k = 1; k <= S::scanCount; ++k) {
            if (S::pointCount[k] < 1)
                continue;
            float last = S::radius[k][S::pointCount[k]];
            if (last < S::rightFitLimit) {
                if (!SerialFitState::serializing) {
                    char text[400];
                    std::snprintf(text, sizeof text,
                                  "possible problem with right limit in file %s\nsetting right "
                                  "limit to %1.3f",
                                  S::scanFileName && S::scanFileName[k] ? S::scanFileName[k] : "",
                                  last);
                    ShowError(text);
                }
                S::rightFitLimit = last;
            }
        }
        double highest = static_cast<double>(ModelParameters::bottom) - 0.01;
        if (!(ModelParameters::meniscus <= S::rightFitLimit &&
              S::leftFitLimit <= S::rightFitLimit && S::rightFitLimit <= highest))
            S::rightFitLimit = static_cast<float>(highest);
    }
    if (InitialData::pointCount != 0)
        InitialExtrapolationRight();
    for (int k = 1; k <= S::scanCount && S::lastFitIndex; ++k)
        for (int i = S::pointCount[k]; i >= 1; --i)
            if (S::radius[k][i] <= S::rightFitLimit) {
                S::lastFitIndex[k] = i;
                break;
            }
    if (S::gridRadius)
        LastGridIndexInside();
    RangeStatistics();
}

// How far a kept meniscus or bottom, or a kept fit limit, may lie beyond the radii of newly loaded
// scans and still belong to their cell: generated scans end at the bottom or start at the
// meniscus, and a fitted end moves a few hundredths of a centimetre beyond them. Values of
// another cell lie tenths of a centimetre off or more.
constexpr double kKeptBeyondData = 0.1; // cm

void UnsetValuesOutsideData() {
    using S = ScanStore;
    using M = ModelParameters;
    if (gDlsData || S::scanCount < 1)
        return;
    double lo = HUGE_VAL, hi = -HUGE_VAL;
    for (int k = 1; k <= S::scanCount; ++k)
        if (S::pointCount[k] > 0) {
            lo = std::min(lo, static_cast<double>(S::radius[k][1]));
            hi = std::max(hi, static_cast<double>(S::radius[k][S::pointCount[k]]));
        }
    if (!(lo <= hi))
        return;
    auto outside = [&](float v) {
        return v != 0.0f && (v < lo - kKeptBeyondData || v > hi + kKeptBeyondData);
    };
    // The meniscus must lie before the last radius and the bottom after the first.
    if (outside(M::meniscus) || M::meniscus >= hi)
        M::meniscus = M::fitValues[13] = 0.0f;
    // Scans begin at their meniscus or a little before it. A meniscus well after the start of
    // data that begin well before the data it came with is another cell's, and so is the left
    // limit set for it; the next scans of the same cell begin where the earlier ones did.
    const double start = S::meniscusDataStart;
    if (M::meniscus != 0.0f && start > 0.0 && M::meniscus > lo + kKeptBeyondData &&
        lo < start - kKeptBeyondData) {
        M::meniscus = M::fitValues[13] = 0.0f;
        S::leftFitLimit = 0.0f;
    }
    if (outside(M::bottom) || (M::bottom != 0.0f && M::bottom <= lo))
        M::bottom = M::fitValues[14] = 0.0f;
    if (M::meniscus != 0.0f && M::bottom != 0.0f && M::meniscus >= M::bottom)
        M::meniscus = M::bottom = M::fitValues[13] = M::fitValues[14] = 0.0f;
    if (outside(S::leftFitLimit))
        S::leftFitLimit = 0.0f;
    if (outside(S::rightFitLimit))
        S::rightFitLimit = 0.0f;
    const bool kept = M::meniscus != 0.0f && start > 0.0;
    S::meniscusDataStart = static_cast<float>(kept ? std::min(start, lo) : lo);
}

void ApplySetFitLimits() {
    if (ScanStore::leftFitLimit != 0.0f)
        ApplyLeftFitLimit();
    if (ScanStore::rightFitLimit != 0.0f)
        ApplyRightFitLimit();
}

void ApplyFitLimitsForMovedEnds(float meniscusBefore, float bottomBefore) {
    if (gDlsData || ScanStore::scanCount < 1)
        return;
    if (ModelParameters::meniscus == meniscusBefore && ModelParameters::bottom == bottomBefore)
        return;
    ApplyLeftFitLimit();
    ApplyRightFitLimit();
}

void RestoreFitLimits(float left, float right) {
    if (ScanStore::leftFitLimit == left && ScanStore::rightFitLimit == right)
        return;
    ScanStore::leftFitLimit = left;
    ScanStore::rightFitLimit = right;
    ApplyLeftFitLimit();
    ApplyRightFitLimit();
}

float DefaultRightFitLimit() {
    return static_cast<float>(ModelParameters::bottom - 0.15);
}

void FitRange(int j, int& first, int& last) {
    first = ScanStore::firstFitIndex ? ScanStore::firstFitIndex[j] : 0;
    last = ScanStore::lastFitIndex ? ScanStore::lastFitIndex[j] : 0;
    if (first == 0)
        first = 1;
    if (last == 0)
        last = ScanStore::pointCount[j];
}

void ShownFitRange(int j, int& first, int& last) {
    if (ScanStore::leftFitLimit != 0.0f && ScanStore::rightFitLimit != 0.0f) {
        FitRange(j, first, last);
    } else {
        first = 1;
        last = ScanStore::pointCount[j];
    }
}

// Default bounds: meniscus +- 0.02 cm, bottom +- 0.05 cm (+- 0.1 cm for both with fluorescence
// data, whose edges are less sharp); the meniscus bound stays below the left fit limit and the
// bottom bound above the right one, so a fitted end never enters the fitted data. An end that is
// not set (0) leaves its bounds as they are.
void SetDefaultMeniscusBottomLimits() {
    using F = FitControl;
    if (ModelParameters::userMeniscusBottomLimits)
        return;
    const double meniscusRange = ScanDataKind::fluorescence ? 0.1 : 0.02;
    const double bottomRange = ScanDataKind::fluorescence ? 0.1 : 0.05;
    const double m = ModelParameters::meniscus;
    const double b = ModelParameters::bottom;
    if (m != 0.0) {
        F::meniscusMin = static_cast<float>(m - meniscusRange);
        F::meniscusMax = static_cast<float>(m + meniscusRange);
        const double left = ScanStore::leftFitLimit;
        if (left != 0.0 && F::meniscusMax >= left)
            F::meniscusMax = static_cast<float>(left - 0.001);
    }
    if (b != 0.0) {
        F::bottomMin = static_cast<float>(b - bottomRange);
        F::bottomMax = static_cast<float>(b + bottomRange);
        const double right = ScanStore::rightFitLimit;
        if (right != 0.0 && F::bottomMin <= right)
            F::bottomMin = static_cast<float>(right + 0.001);
    }
}

float CalcFitRmsd() {
    double sum = 0.0;
    long count = 0;
    // The initial distribution is the first scan's data: it is not a fitted scan.
    const int skipped =
        LammGrid::firstScanIsInitial && ScanStore::scanOrder && ScanStore::scanCount >= 1
            ? ScanStore::scanOrder[1]
            : 0;
    // Over the points whose residuals are drawn.
    for (int k = 1; k <= ScanStore::scanCount; ++k) {
        if (k == skipped || !ScanStore::signal || !ScanStore::signal[k] || !ScanStore::fit ||
            !ScanStore::fit[k])
            continue;
        int first = 1, last = 0;
        ShownFitRange(k, first, last);
        for (int i = std::max(first, 1); i <= last && i <= ScanStore::pointCount[k]; ++i) {
            const double d = double(ScanStore::signal[k][i]) - ScanStore::fit[k][i];
            sum += d * d;
            ++count;
        }
    }
    const float rmsd = count > 0 ? static_cast<float>(std::sqrt(sum / count)) : 0.0f;
    FitControl::displayedRmsd = rmsd;
    return rmsd;
}
