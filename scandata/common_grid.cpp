// The common radial grid: mean first and last radius, the radial resolution as step, each scan
// resampled onto it (or the interference scans' own radii when they agree).
#include "scandata/common_grid.h"

#include "foundations/cvector.h"
#include "foundations/nr_arrays.h"
#include "foundations/numeric_text_files.h"
#include "foundations/resampling.h"
#include "scandata/fit_limits.h"
#include "scandata/noise_subtraction.h"
#include "scandata/nonlinear_detection.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_store_alloc.h"
#include "scandata/slot_grid_arrays.h"
#include "state/conti_state.h"
#include "state/dls_data.h"
#include "state/model_parameters.h"
#include "state/window_services.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace {

// Beyond this the radii are not those of a cell; the step is widened to keep the grid finite.
constexpr std::int32_t kMaxGridPoints = 200000;

bool ScansShareRadii() {
    using S = ScanStore;
    for (int k = 2; k <= S::scanCount; ++k)
        if (S::pointCount[k] != S::pointCount[1] || S::radius[k][1] != S::radius[1][1])
            return false;
    return true;
}

// Points r0 + j x step for j = 1..count, count = 1 + #{k >= 0 : r0 + k x step <= rN}.
void MakeOwnGrid(float r0, float rN, float step) {
    using S = ScanStore;
    if (!(step > 0.0f) || !std::isfinite(step))
        step = 0.001f;
    double span = static_cast<double>(rN) - r0;
    if (span / step > kMaxGridPoints)
        step = static_cast<float>(span / kMaxGridPoints);
    std::int32_t count = 0;
    for (float r = r0; r <= rN && count <= kMaxGridPoints; r += step)
        ++count;
    S::gridCount = count + 1;
    S::gridRadius = vector(1, S::gridCount);
    for (int j = 1; j <= S::gridCount; ++j)
        S::gridRadius[j] = r0 + static_cast<float>(j) * step;
}

// Resamples every scan onto the grid, into new rows or, with fresh false, into the rows there.
void ResampleScansOntoGrid(bool fresh = true) {
    using S = ScanStore;
    if (fresh)
        S::gridSignal = new float*[static_cast<std::size_t>(S::scanCount) + 1]();
    std::vector<float> pseudoAbsorbance;
    for (int k = 1; k <= S::scanCount; ++k) {
        if (fresh)
            S::gridSignal[k] = vector(1, S::gridCount);
        const float* values = S::signal[k];
        if (ScanDataKind::intensity && S::thirdColumn[k]) {
            // Intensity scans enter the grid as log10 of the ratio of their two columns.
            pseudoAbsorbance.assign(static_cast<std::size_t>(S::pointCount[k]) + 1, 0.0f);
            for (int i = 1; i <= S::pointCount[k]; ++i) {
                float a = S::signal[k][i];
                float b = S::thirdColumn[k][i];
                pseudoAbsorbance[i] = (a > 0.0f && b > 0.0f) ? std::log10(a / b) : 0.0f;
            }
            values = pseudoAbsorbance.data();
        }
        ResampleCurve(S::gridCount, S::gridRadius, S::gridSignal[k], S::pointCount[k], S::radius[k],
                      values);
    }
}

// The mean over the scans at each grid point, each scan's mean and their sums, into the arrays
// there are.
void ComputeMeansOnly() {
    using S = ScanStore;
    for (int g = 1; g <= S::gridCount; ++g) {
        double sum = 0.0;
        for (int k = 1; k <= S::scanCount; ++k)
            sum += S::gridSignal[k][g];
        S::gridMeanSignal[g] = static_cast<float>(sum / S::scanCount);
    }
    float total = 0.0f;
    for (int g = 1; g <= S::gridCount; ++g)
        total += S::gridMeanSignal[g];
    for (int k = 1; k <= S::scanCount; ++k) {
        double sum = 0.0;
        for (int g = 1; g <= S::gridCount; ++g)
            sum += S::gridSignal[k][g];
        S::scanMeanSignal[k] = S::gridCount > 0 ? static_cast<float>(sum / S::gridCount) : 0.0f;
    }
    S::gridSignalSum = static_cast<float>(S::scanCount) * total;
    S::gridValueCount = static_cast<float>(S::scanCount) * static_cast<float>(S::gridCount);
}

void ComputeGridMeans() {
    using S = ScanStore;
    S::gridMeanSignal = vector(1, S::gridCount);
    S::scanMeanSignal = vector(1, S::scanCount);
    ComputeMeansOnly();
    S::tiNoise = vector(1, S::gridCount);
    S::tiNoiseRemoved = vector(1, S::gridCount);
    S::riNoise = vector(1, S::scanCount);
    S::gridFirstFit = 1;
    S::gridLastFit = S::gridCount;
}

// The first index of a 1-based ascending array at or beyond r; n when none is.
int FirstAtOrBeyond(const float* radius, int n, float r) {
    for (int i = 1; i <= n; ++i)
        if (radius[i] >= r)
            return i;
    return n;
}

} // namespace

void BuildCommonRadialGrid() {
    using S = ScanStore;
    ReapplyNonlinearDetection(0);
    if (S::gridRadius || S::gridSignal || S::gridMeanSignal)
        FreeCommonGrid(S::scanCount);
    if (S::scanCount < 1 || !S::radius)
        return;

    bool own = ScanDataKind::absorbance || ScanDataKind::intensity || !ScansShareRadii();
    if (own) {
        double first = 0.0, last = 0.0;
        for (int k = 1; k <= S::scanCount; ++k) {
            first += S::radius[k][1];
            last += S::radius[k][S::pointCount[k]];
        }
        MakeOwnGrid(static_cast<float>(first / S::scanCount),
                    static_cast<float>(last / S::scanCount), S::radialResolution);
        ResampleScansOntoGrid();
        S::gridSignalAllocated = true;
    } else {
        // Identical radii: the grid is the first scan's radii and each scan's signal itself,
        // so edits of the signal show on the grid at once.
        int first = S::scanOrder[1];
        S::gridRadius = S::radius[first];
        S::gridCount = S::pointCount[first];
        S::gridSignal = new float*[static_cast<std::size_t>(S::scanCount) + 1]();
        for (int k = 1; k <= S::scanCount; ++k)
            S::gridSignal[k] = S::signal[k];
        S::gridSignalAllocated = false;
    }
    ComputeGridMeans();
    ApplySetFitLimits();
    AllocCommonGridScanArrays();
}

void RefreshCommonGridSignal() {
    using S = ScanStore;
    if (S::scanCount < 1 || !S::radius || !S::gridRadius || !S::gridSignal || !S::gridMeanSignal ||
        !S::scanMeanSignal || S::gridCount < 1)
        return;
    if (S::gridSignalAllocated)
        ResampleScansOntoGrid(false);
    ComputeMeansOnly();
}

void AlignScansAtRadius(float offset, float r) {
    using S = ScanStore;
    if (S::scanCount < 1)
        return;
    int first = S::scanOrder[1];
    float reference = S::signal[first][FirstAtOrBeyond(S::radius[first], S::pointCount[first], r)];
    for (int o = 2; o <= S::scanCount; ++o) {
        int k = S::scanOrder[o];
        float d = S::signal[k][FirstAtOrBeyond(S::radius[k], S::pointCount[k], r)] - reference;
        float n = 0.0f;
        if (d > 0.5f)
            n = std::floor(d + 0.5f);
        else if (d < -0.5f)
            n = -std::floor(-d + 0.5f);
        if (n != 0.0f)
            for (int i = 1; i <= S::pointCount[k]; ++i)
                S::signal[k][i] -= n;
    }
    if (offset != 0.0f)
        for (int k = 1; k <= S::scanCount; ++k)
            for (int i = 1; i <= S::pointCount[k]; ++i)
                S::signal[k][i] += offset;
    ComputeTimeInvariantNoise();
    WindowServices::RedrawDataPlot(false);
}

void RemoveFringeJumps(float threshold, bool judgeFromResiduals) {
    using S = ScanStore;
    if (S::leftFitLimit == 0.0f || S::rightFitLimit == 0.0f)
        return;
    for (int k = 1; k <= S::scanCount; ++k) {
        int firstFit = S::firstFitIndex[k];
        int lastFit = S::lastFitIndex[k] < S::pointCount[k] ? S::lastFitIndex[k] : S::pointCount[k];
        if (firstFit <= 0 || lastFit <= 0)
            continue;
        float* value = S::signal[k];
        float* res = S::residuals[k];
        for (int j = firstFit + 3; j <= lastFit; ++j) {
            // One fringe at a time; a threshold below half a fringe could swing back and forth,
            // so the examination also ends when the shift would reverse.
            float lastShift = 0.0f;
            for (;;) {
                float current, reference;
                if (judgeFromResiduals) {
                    reference = (res[j - 1] + res[j - 2] + res[j - 3]) / 3.0f;
                    current = res[j];
                } else {
                    reference = value[j - 1];
                    current = value[j];
                }
                if (!(std::fabs(current - reference) > threshold))
                    break;
                float shift = current > reference ? 1.0f : -1.0f;
                if (lastShift != 0.0f && shift != lastShift)
                    break;
                lastShift = shift;
                for (int i = j; i <= S::pointCount[k]; ++i) {
                    value[i] -= shift;
                    if (judgeFromResiduals)
                        res[i] -= shift;
                }
            }
        }
    }
    ComputeTimeInvariantNoise();
}

void EliminateJitter(float low, float high) {
    using S = ScanStore;
    if (!ScanDataKind::interference || S::scanCount < 1 || !S::gridRadius || !S::riNoise)
        return;
    int j1 = S::gridCount + 1;
    for (int g = 1; g <= S::gridCount; ++g)
        if (S::gridRadius[g] >= low) {
            j1 = g;
            break;
        }
    int j2 = S::gridCount + 1;
    for (int g = j1; g <= S::gridCount; ++g)
        if (S::gridRadius[g] >= high) {
            j2 = g;
            break;
        }
    if (j2 <= j1)
        return; // an empty region leaves the scans as they are
    auto regionMean = [&](int k) {
        double sum = 0.0;
        for (int g = j1; g < j2; ++g)
            sum += S::gridSignal[k][g];
        return static_cast<float>(sum / (j2 - j1));
    };
    int first = S::scanOrder[1];
    float reference = regionMean(first);
    S::riNoise[first] = 0.0f;
    for (int o = 2; o <= S::scanCount; ++o) {
        int k = S::scanOrder[o];
        float offset = regionMean(k) - reference;
        S::riNoise[k] = offset;
        for (int i = 1; i <= S::pointCount[k]; ++i)
            S::signal[k][i] -= offset;
    }
    WindowServices::RedrawDataPlot(false);
}

void SaveVectorFile(const float* values, std::int32_t count) {
    CVector v;
    v.Attach(const_cast<float*>(values), static_cast<std::uint32_t>(count), 1);
    v.Write(ScanPaths::gSDistPath.c_str());
}

float* LoadVectorFile(std::int32_t* count) {
    CVector v;
    if (!ReadSettingsVector(v, ScanPaths::gSDistPath.c_str(), kMaxContiGridPoints) ||
        v.length == 0 || !v.data)
        return nullptr;
    float* a = vector(1, static_cast<long>(v.length));
    std::memcpy(a + 1, v.data, v.length * sizeof(float));
    if (count)
        *count = static_cast<std::int32_t>(v.length);
    return a;
}
