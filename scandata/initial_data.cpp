// Initial data: loading, and the polynomial extrapolation beyond the fit limits. The polynomial
// of degree m passes through m + 1 group means of the points just inside the limit (Neville's
// scheme, polint); the values never go below the baseline.
#include "scandata/initial_data.h"

#include "foundations/nr_arrays.h"
#include "foundations/resampling.h"
#include "scandata/fit_limits.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_file.h"
#include "scandata/scan_store_alloc.h"
#include "scandata/scan_user_messages.h"
#include "state/model_parameters.h"
#include "state/preference_switches.h"

#include <cmath>
#include <string>
#include <vector>

namespace {

// m + 1 group means of g points each: the radii and signal values from index start, stepping
// by direction (+1 upwards, -1 downwards); group 1 comes first when going upwards, last when
// going downwards, so the means always ascend in radius.
void GroupMeans(int start, int direction, int g, int m, std::vector<float>& x,
                std::vector<float>& y) {
    x.assign(static_cast<std::size_t>(m) + 2, 0.0f);
    y.assign(static_cast<std::size_t>(m) + 2, 0.0f);
    for (int q = 1; q <= m + 1; ++q) {
        float sumR = 0.0f, sumS = 0.0f;
        for (int p = 0; p < g; ++p) {
            int i = start + direction * ((q - 1) * g + p);
            sumR += InitialData::radius[i];
            sumS += InitialData::signal[i];
        }
        int slot = direction > 0 ? q : m + 2 - q;
        x[slot] = sumR / static_cast<float>(g);
        y[slot] = sumS / static_cast<float>(g);
    }
}

float PolynomialAt(const std::vector<float>& x, const std::vector<float>& y, int points, float r) {
    float value = 0.0f, error = 0.0f;
    polint(x.data(), y.data(), points, r, &value, &error);
    return value < ModelParameters::baseline ? ModelParameters::baseline : value;
}

// Intensity data are told they cannot be extrapolated; a profile without points or an order
// below 0 has nothing to fit.
bool ExtrapolationPossible() {
    if (ScanDataKind::intensity) {
        ScanInfoBox("initial extrapolation not implemented yet!", "ERROR");
        return false;
    }
    return InitialData::pointCount >= 1 && InitialData::polynomialOrder >= 0;
}

} // namespace

void InitialData::ResetToDefaults() {
    FreeInitialDataArrays();
    header = ScanHeader{};
    polynomialOrder = 1;
    extrapolationFactor = 1.0f;
    gInitialDataIsFirstScan = false;
}

void FreeInitialDataArrays() {
    using D = InitialData;
    free_vector(D::radius, 1, D::pointCount);
    free_vector(D::signal, 1, D::pointCount);
    free_vector(D::thirdColumn, 1, D::pointCount);
    D::radius = D::signal = D::thirdColumn = nullptr;
    D::pointCount = 0;
}

void InitialExtrapolationLeft() {
    using D = InitialData;
    const float meniscus = ModelParameters::meniscus;
    const float limit = ScanStore::leftFitLimit;
    if (!(meniscus < limit) || !ModelParameters::experimentalInitialDistribution ||
        !ExtrapolationPossible())
        return;
    const int n = D::pointCount;
    const int m = D::polynomialOrder;
    const float* r = D::radius;
    int i0 = 1;
    while (i0 <= n && r[i0] < meniscus)
        ++i0;
    int iL = i0;
    while (iL <= n && r[iL] < limit)
        ++iL;
    if (iL > n)
        return; // the scan ends before the limit: nothing to extrapolate from
    double bandEnd = limit + (static_cast<double>(limit) - meniscus) * D::extrapolationFactor;
    int j = iL;
    while (j != n && r[j] < bandEnd)
        ++j;
    int g = static_cast<int>(std::floor(static_cast<double>(j - iL) / (m + 1)));
    if (g < 1)
        return; // fewer band points than the polynomial needs
    std::vector<float> x, y;
    GroupMeans(iL, +1, g, m, x, y);
    for (int i = 1; i <= iL; ++i)
        D::signal[i] = PolynomialAt(x, y, m + 1, r[i]);
    // The profile must not fall towards the limit.
    for (int i = iL - 1; i >= 1; --i)
        if (D::signal[i + 1] < D::signal[i])
            D::signal[i] = D::signal[i + 1];
}

void InitialExtrapolationRight() {
    using D = InitialData;
    const float bottom = ModelParameters::bottom;
    const float limit = ScanStore::rightFitLimit;
    if (!ModelParameters::experimentalInitialDistribution || !(limit < bottom) ||
        !ExtrapolationPossible())
        return;
    const int n = D::pointCount;
    const int m = D::polynomialOrder;
    const float* r = D::radius;
    int iR = n;
    while (iR >= 1 && r[iR] > bottom)
        --iR;
    while (iR >= 1 && r[iR] > limit)
        --iR;
    if (iR < 1)
        return; // the scan begins beyond the limit
    double bandStart = limit - (static_cast<double>(bottom) - limit) * 3.0;
    int j = iR;
    while (j != 1 && r[j] > bandStart)
        --j;
    int g = static_cast<int>(std::floor(static_cast<double>(iR - j) / (m + 1)));
    if (g < 1)
        return;
    std::vector<float> x, y;
    GroupMeans(iR, -1, g, m, x, y);
    for (int i = n; i >= iR; --i)
        D::signal[i] = PolynomialAt(x, y, m + 1, r[i]);
}

int LoadInitialData(TXLAWindow* window, const char* path) {
    using D = InitialData;
    using S = ScanStore;
    S::dataChanged = true;
    float width =
        (S::equilibriumData || S::radialResolution <= 0.001f) ? 0.0f : S::radialResolution;
    if (S::scanCount < 1) {
        ScanOwnedBox(window, "please load data files first", "");
        return 0;
    }
    if (D::pointCount != 0)
        FreeInitialDataArrays();
    bool tag = false;
    if (!ReadScanFile(path, &D::header, &D::pointCount, &D::radius, &D::signal, &D::thirdColumn,
                      &tag, width)) {
        ScanErrorBox(path ? path : "", "LOAD ERROR");
        D::pointCount = 0;
        return 0;
    }
    if (gCheckTimeStamps && tag != S::header[1].timeStampChecked) {
        std::string text =
            std::string(path) + "\n time stamp correction discrepancy with previous data!";
        ScanErrorBox(text.c_str(), "LOAD ERROR");
    }
    if (S::timesFromW2t && D::header.rotorSpeed > 0.0f) {
        double omega = D::header.rotorSpeed * 0.10471975511965977;
        D::header.time = D::header.omega2t / (omega * omega);
    }
    int first = S::scanOrder[1];
    gInitialDataIsFirstScan = D::header.time == S::header[first].time;
    if (gInitialDataIsFirstScan)
        for (int i = 1; i <= S::pointCount[first]; ++i)
            S::fit[first][i] = S::signal[first][i];
    ApplySetFitLimits();
    return 1;
}
