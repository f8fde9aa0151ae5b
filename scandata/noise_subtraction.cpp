// Systematic noise moved from the model into the data: time-invariant, radially invariant and
// baseline steps, the grid statistics after them and the data range they show.
#include "scandata/noise_subtraction.h"

#include "foundations/resampling.h"
#include "scandata/scan_store_alloc.h"
#include "state/dls_data.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/plot_interaction_state.h"
#include "state/window_services.h"

#include <cmath>
#include <limits>
#include <vector>

namespace {

using S = ScanStore;

// The noise steps need scans, the grid and its noise arrays; light-scattering data have none.
bool NoiseStepPossible() {
    return !gDlsData && S::scanCount >= 1 && S::signal && S::gridRadius && S::gridSignal &&
           S::gridCount >= 1 && S::tiNoise && S::tiNoiseRemoved && S::riNoise;
}

// The grid holds copies of its own only when gridSignalAllocated is set; otherwise gridSignal[k]
// is scan k's signal array, already changed with the signal (changing it again would count the
// noise twice).
bool GridHasOwnCopies() {
    return S::gridSignalAllocated;
}

// Subtracts sign x value from every signal and fit value of scan k and, when the grid has its own
// copies, from every grid value of the scan.
void ShiftScan(int k, float value) {
    for (int i = 1; i <= S::pointCount[k]; ++i) {
        S::signal[k][i] -= value;
        if (S::fit && S::fit[k])
            S::fit[k][i] -= value;
    }
    if (GridHasOwnCopies() && S::gridSignal[k])
        for (int g = 1; g <= S::gridCount; ++g)
            S::gridSignal[k][g] -= value;
}

// The time-invariant step. source is tiNoise (subtracting) or tiNoiseRemoved (restoring, sign
// -1); the moved amount goes into the other array. The noise lives on the grid and is carried
// onto each scan's radii by the same resampling the fits use, so the signal and fit of a scan
// change by the same values and the residuals stay.
void MoveTimeInvariantNoise(float* source, float* target, float sign) {
    std::vector<float> onScan;
    for (int k = 1; k <= S::scanCount; ++k) {
        const int n = S::pointCount[k];
        onScan.assign(static_cast<std::size_t>(n) + 1, 0.0f);
        ResampleCurve(n, S::radius[k], onScan.data(), S::gridCount, S::gridRadius, source);
        for (int i = 1; i <= n; ++i) {
            S::signal[k][i] -= sign * onScan[static_cast<std::size_t>(i)];
            if (S::fit && S::fit[k])
                S::fit[k][i] -= sign * onScan[static_cast<std::size_t>(i)];
        }
    }
    if (GridHasOwnCopies())
        for (int k = 1; k <= S::scanCount; ++k)
            for (int g = 1; g <= S::gridCount; ++g)
                S::gridSignal[k][g] -= sign * source[g];
    for (int g = 1; g <= S::gridCount; ++g) {
        target[g] += source[g];
        source[g] = 0.0f;
    }
}

void SubtractRadiallyInvariant() {
    for (int o = 1; o <= S::scanCount; ++o) {
        const int k = S::scanOrder[o];
        ShiftScan(k, S::riNoise[k]);
        S::riNoise[k] = 0.0f;
    }
}

void FinishNoiseStep() {
    ComputeGridStatistics();
    ShowFittedGridRange();
}

} // namespace

void ComputeGridStatistics() {
    if (!S::gridSignal || !S::gridMeanSignal || S::gridCount < 1 || S::scanCount < 1)
        return;
    if (S::scanMeanSignal)
        for (int k = 1; k <= S::scanCount; ++k) {
            double sum = 0.0;
            for (int g = 1; g <= S::gridCount; ++g)
                sum += S::gridSignal[k][g];
            S::scanMeanSignal[k] = static_cast<float>(sum / S::gridCount);
        }
    // Recomputes gridMeanSignal and the sums over the fitted grid range.
    ComputeTimeInvariantNoise();
}

void ShowFittedGridRange(float xMin) {
    if (!S::gridRadius || !S::gridSignal || S::gridCount < 1 || S::scanCount < 1)
        return;
    const int first = S::gridFirstFit >= 1 ? S::gridFirstFit : 1;
    const int last =
        S::gridLastFit >= first && S::gridLastFit <= S::gridCount ? S::gridLastFit : S::gridCount;
    const float xMax = S::gridRadius[last] + 0.01f;
    // A NaN anywhere in the range makes the y range invalid, so the plot keeps its old ranges.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    float yMin = std::numeric_limits<float>::infinity();
    float yMax = -std::numeric_limits<float>::infinity();
    for (int o = 1; o <= S::scanCount && !std::isnan(yMin); ++o) {
        const float* grid = S::gridSignal[S::scanOrder[o]];
        for (int g = first; g <= last; ++g) {
            if (std::isnan(grid[g])) {
                yMin = yMax = nan;
                break;
            }
            yMin = std::fmin(yMin, grid[g]);
            yMax = std::fmax(yMax, grid[g]);
        }
    }
    yMin -= 0.1f;
    yMax += 0.1f;
    ZoomHistory::Push(xMin, xMax, yMin, yMax);
    WindowServices::ShowDataRange(xMin, xMax, yMin, yMax);
    WindowServices::UpdateResiduals(false);
}

void ShowFittedGridRange() {
    if (!S::gridRadius || S::gridCount < 1)
        return;
    const int first = S::gridFirstFit >= 1 && S::gridFirstFit <= S::gridCount ? S::gridFirstFit : 1;
    ShowFittedGridRange(S::gridRadius[first] - 0.01f);
}

void SubtractTINoise() {
    if (!ModelChoice::fitTINoise || !NoiseStepPossible())
        return;
    MoveTimeInvariantNoise(S::tiNoise, S::tiNoiseRemoved, 1.0f);
    FinishNoiseStep();
}

void RestoreTINoise() {
    if (!ModelChoice::fitTINoise || !NoiseStepPossible())
        return;
    MoveTimeInvariantNoise(S::tiNoiseRemoved, S::tiNoise, -1.0f);
    FinishNoiseStep();
}

void SubtractRINoise() {
    if (!ModelChoice::fitRINoise || !NoiseStepPossible())
        return;
    SubtractRadiallyInvariant();
    FinishNoiseStep();
}

void SubtractAllSystematicNoise() {
    if (!ModelChoice::fitRINoise || !NoiseStepPossible())
        return;
    SubtractRadiallyInvariant();
    ComputeGridStatistics();
    MoveTimeInvariantNoise(S::tiNoise, S::tiNoiseRemoved, 1.0f);
    FinishNoiseStep();
}

void SubtractBaselineOffset() {
    if (!ModelParameters::fitBaseline || !NoiseStepPossible())
        return;
    for (int k = 1; k <= S::scanCount; ++k)
        ShiftScan(k, ModelParameters::baseline);
    ModelParameters::baseline = 0.0f;
    FinishNoiseStep();
}

void ComputeTimeInvariantNoise() {
    const int n = ScanStore::gridCount;
    const int scans = ScanStore::scanCount;
    if (!ScanStore::gridMeanSignal || !ScanStore::gridSignal || n <= 0 || scans <= 0)
        return;
    for (int g = 1; g <= n; ++g) {
        double sum = 0.0;
        for (int k = 1; k <= scans; ++k)
            sum += ScanStore::gridSignal[k][g];
        ScanStore::gridMeanSignal[g] = static_cast<float>(sum / scans);
    }
    float sum = 0.0f;
    float count = 0.0f;
    for (int g = ScanStore::gridFirstFit; g >= 1 && g <= ScanStore::gridLastFit && g <= n; ++g) {
        sum += ScanStore::gridMeanSignal[g];
        count += 1.0f;
    }
    ScanStore::gridSignalSum = static_cast<float>(scans) * sum;
    ScanStore::gridValueCount = static_cast<float>(scans) * count;
}
