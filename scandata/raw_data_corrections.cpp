// Raw-data corrections of the loaded scans, in memory.
#include "scandata/raw_data_corrections.h"

#include "foundations/cvector.h"
#include "foundations/nr_arrays.h"
#include "foundations/random_numbers.h"
#include "foundations/resampling.h"
#include "foundations/show_error.h"
#include "foundations/sounds.h"
#include "scandata/common_grid.h"
#include "scandata/fit_limits.h"
#include "scandata/noise_subtraction.h"
#include "scandata/raw_data_set.h"
#include "scandata/result_files.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_file.h"
#include "scandata/scan_store_alloc.h"
#include "state/model_parameters.h"

#include <algorithm>
#include <vector>

namespace {

using S = ScanStore;

bool NoScans() {
    return S::scanCount < 1 || !S::signal;
}

// Applies f to every point of every scan's signal.
template <typename F> void ForEachSignal(F f) {
    for (int i = 1; i <= S::scanCount; ++i)
        for (int k = 1; k <= S::pointCount[i]; ++k)
            f(i, k, S::signal[i][k]);
}

// Reverses points 1..n of a 1-based array.
void Reverse(float* a, int n) {
    if (a)
        std::reverse(a + 1, a + n + 1);
}

// A new 1-based array of the kept points of a, or null when a is null.
float* Kept(const float* a, const std::vector<int>& keep) {
    if (!a)
        return nullptr;
    float* out = vector(1, static_cast<long>(keep.size()));
    for (std::size_t j = 0; j < keep.size(); ++j)
        out[j + 1] = a[keep[j]];
    return out;
}

// Puts a over the old array of a per-scan table, freeing the old one.
void Replace(float** table, int i, float* a) {
    if (table[i])
        free_vector(table[i], 1, S::pointCount[i]);
    table[i] = a;
}

// Points the scan's views at its current arrays; the curves hold the views, so they follow.
void ReattachViews(int i) {
    float* arrays[5] = {S::radius[i], S::signal[i], S::thirdColumn[i], S::fit[i], S::residuals[i]};
    for (int slot = 0; slot < 5; ++slot)
        if (CVector* v = S::scanVectors ? S::scanVectors[i].v[slot] : nullptr)
            v->Attach(arrays[slot], static_cast<std::uint32_t>(S::pointCount[i]), 1);
}

} // namespace

void InvertRawData(float factor) {
    if (RefuseDlsData() || NoScans())
        return;
    ForEachSignal([factor](int, int, float& v) { v *= factor; });
    S::dataChanged = true;
    BuildCommonRadialGrid();
}

void RecalibrateRadius(float a, float b) {
    if (RefuseDlsData() || NoScans())
        return;
    for (int i = 1; i <= S::scanCount; ++i)
        for (int k = 1; k <= S::pointCount[i]; ++k)
            S::radius[i][k] = a * S::radius[i][k] + b;
    S::dataChanged = true;
    BuildCommonRadialGrid();
}

void AddTimeOffset(float dt, float dw) {
    if (NoScans())
        return;
    for (int i = 1; i <= S::scanCount; ++i) {
        S::header[i].originalTime += dt;
        S::header[i].omega2t += dw;
    }
    S::dataChanged = true;
}

void AddSimulatedScans(float factor) {
    if (RefuseDlsData() || NoScans())
        return;
    ForEachSignal([factor](int i, int k, float& v) { v += factor * S::fit[i][k]; });
    S::dataChanged = true;
    BuildCommonRadialGrid();
}

void MirrorRawData(float r1, float r2, bool flip) {
    if (RefuseDlsData() || NoScans())
        return;
    float sum = std::max(r1, r2) + std::min(r1, r2);
    for (int i = 1; i <= S::scanCount; ++i) {
        int n = S::pointCount[i];
        for (int k = 1; k <= n; ++k) {
            S::radius[i][k] = sum - S::radius[i][k];
            if (flip)
                S::signal[i][k] = -S::signal[i][k];
        }
        // Every per-point array moves with its radius, so the points stay whole.
        for (float** table : {S::radius, S::signal, S::thirdColumn, S::fit, S::work, S::residuals})
            Reverse(table[i], n);
    }
    // The radii changed: the grid copies and the fit ranges of the unmirrored scans are void.
    BuildCommonRadialGrid();
}

void ScaleScanSignals(float sigma, float factor, double (*deviate)(float)) {
    if (NoScans() || !(sigma >= 0.0f))
        return;
    if (!deviate)
        deviate = GaussRandom;
    ForEachSignal([&](int, int, float& v) { v = static_cast<float>(factor * v + deviate(sigma)); });
    S::dataChanged = true;
    BuildCommonRadialGrid();
}

void SubtractBlankScan(const std::string& path) {
    if (RefuseDlsData() || NoScans())
        return;
    S::dataChanged = true;
    bool kinds[4] = {ScanDataKind::intensity, ScanDataKind::absorbance, ScanDataKind::interference,
                     ScanDataKind::fluorescence};
    ScanHeader header;
    std::int32_t m = 0;
    float *radius = nullptr, *value = nullptr;
    int read = ReadScanFile(path.c_str(), &header, &m, &radius, &value, nullptr, nullptr, 0.0f);
    ScanDataKind::intensity = kinds[0];
    ScanDataKind::absorbance = kinds[1];
    ScanDataKind::interference = kinds[2];
    ScanDataKind::fluorescence = kinds[3];
    if (!read) {
        PlayInfoSound();
        ShowError("LOAD ERROR", 0);
        return;
    }
    std::vector<float> blank;
    for (int i = 1; i <= S::scanCount; ++i) {
        int n = S::pointCount[i];
        // Points the interpolation cannot reach subtract nothing.
        blank.assign(static_cast<std::size_t>(n) + 1, 0.0f);
        ResampleCurve(n, S::radius[i], blank.data(), m, radius, value);
        for (int k = 1; k <= n; ++k)
            S::signal[i][k] -= blank[k];
    }
    free_vector(radius, 1, m);
    free_vector(value, 1, m);
    BuildCommonRadialGrid();
}

void SubtractConstantFromScans(float value) {
    if (NoScans())
        return;
    ForEachSignal([value](int, int, float& v) { v -= value; });
    BuildCommonRadialGrid();
    ComputeTimeInvariantNoise();
}

void ExcludeRadialRegion(float lo, float hi) {
    S::dataChanged = true;
    if (NoScans() || hi < lo || lo < S::radius[1][1] || hi > S::radius[1][S::pointCount[1]])
        return;
    bool removed = false;
    for (int i = 1; i <= S::scanCount; ++i) {
        int n = S::pointCount[i];
        std::vector<int> keep;
        for (int k = 1; k <= n; ++k)
            if (S::radius[i][k] < lo || S::radius[i][k] > hi)
                keep.push_back(k);
        if (static_cast<int>(keep.size()) == n)
            continue;
        if (!removed) {
            // The grid may share scan arrays that are about to go.
            FreeCommonGrid(S::scanCount);
            removed = true;
        }
        int kept = static_cast<int>(keep.size());
        // A third column of any kind stays paired with its radius.
        float* radius = Kept(S::radius[i], keep);
        float* signal = Kept(S::signal[i], keep);
        float* third = Kept(S::thirdColumn[i], keep);
        Replace(S::radius, i, radius);
        Replace(S::signal, i, signal);
        Replace(S::thirdColumn, i, third);
        Replace(S::fit, i, vector(1, kept));
        Replace(S::work, i, vector(1, kept));
        Replace(S::residuals, i, vector(1, kept));
        S::pointCount[i] = kept;
        S::header[i].rowCount = kept;
        ReattachViews(i);
    }
    BuildCommonRadialGrid();
    ApplySetFitLimits();
    PlayOkSound();
}

bool SaveAlignedScans(const std::string& path) {
    for (int i = 1; i <= S::scanCount; ++i) {
        std::string target = ResultFileName(path, S::scanFileName[i], 'a');
        std::string description = std::string("aligned ") + S::scanFileName[i];
        if (!ScanTimeStampTag(target.c_str(), S::pointCount[i], S::radius[i], S::signal[i], nullptr,
                              description.c_str(), S::header[i].timeStampChecked, S::header[i])) {
            ReportUnwritable(target);
            return false;
        }
    }
    return true;
}
