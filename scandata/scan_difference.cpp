// The rms difference of two loaded scans apart from a constant offset, on the second scan's radii.
#include "foundations/resampling.h"
#include "scandata/equilibrium_scans.h"
#include "scandata/scan_store_alloc.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace {

using S = ScanStore;

// Intensity files (second letter of the extension 'i') carry their signal as the ratio of the
// two columns; any other scan as its signal.
bool IsIntensityFile(const char* name) {
    const char* dot = name ? std::strrchr(name, '.') : nullptr;
    return dot && dot[1] != '\0' && (dot[2] == 'i' || dot[2] == 'I');
}

std::vector<float> ComparedValues(int k) {
    const int n = S::pointCount[k];
    std::vector<float> y(static_cast<std::size_t>(n) + 1, 0.0f);
    const bool intensity =
        IsIntensityFile(S::scanFileName[k]) && S::thirdColumn && S::thirdColumn[k];
    for (int i = 1; i <= n; ++i) {
        if (!intensity)
            y[i] = S::signal[k][i];
        else if (S::thirdColumn[k][i] > 0.0f && S::signal[k][i] > 0.0f)
            y[i] = std::log10(S::thirdColumn[k][i] / S::signal[k][i]);
        else
            y[i] = 10.0f;
    }
    return y;
}

} // namespace

std::vector<float> ComparedScanValues(std::int32_t k) {
    if (k < 1 || k > S::scanCount || !S::signal)
        return {};
    return ComparedValues(k);
}

// Scan a is carried onto b's radii by the resampling of the numerical library, so the result
// measures shape, not an offset: the mean difference is removed before the squares are summed
// (in single precision, as the equilibrium test compares successive values of it). Points of b
// that the resampling does not reach (too few points, radii outside a's) take no part: left as
// they were they would compare b with zeros.
float ScanRmsdDifferenceOver(std::int32_t a, std::int32_t b, int first, int last,
                             std::vector<float>* radii, std::vector<float>* residuals) {
    if (a < 1 || b < 1 || a > S::scanCount || b > S::scanCount || a == b || !S::signal)
        return 0.0f;
    const int nb = S::pointCount[b];
    if (nb < 1)
        return 0.0f;
    first = std::max(first, 1);
    last = std::min(last, nb);
    const std::vector<float> yb = ComparedValues(b);
    const std::vector<float> ya = ComparedValues(a);
    std::vector<float> yr(static_cast<std::size_t>(nb) + 1,
                          std::numeric_limits<float>::quiet_NaN());
    ResampleCurve(nb, S::radius[b], yr.data(), S::pointCount[a], S::radius[a], ya.data());
    int count = 0;
    float d = 0.0f;
    for (int i = first; i <= last; ++i)
        if (!std::isnan(yr[i])) {
            d += yb[i] - yr[i];
            ++count;
        }
    if (count < 1)
        return 0.0f;
    d /= static_cast<float>(count);
    float sum = 0.0f;
    for (int i = first; i <= last; ++i) {
        if (std::isnan(yr[i]))
            continue;
        const float e = yr[i] - yb[i] + d;
        sum += e * e;
        if (residuals && radii) {
            residuals->push_back(e);
            radii->push_back(S::radius[b][i]);
        }
    }
    return sum > 0.0f ? std::sqrt(sum / static_cast<float>(count)) : 0.0f;
}

float ScanRmsdDifference(std::int32_t a, std::int32_t b) {
    if (b < 1 || b > S::scanCount)
        return 0.0f;
    const int nb = S::pointCount[b];
    int first = S::firstFitIndex ? S::firstFitIndex[b] : 0;
    int last = S::lastFitIndex ? S::lastFitIndex[b] : 0;
    if (first <= 0)
        first = 1;
    if (last <= 0 || last > nb)
        last = nb;
    return ScanRmsdDifferenceOver(a, b, first, last, nullptr, nullptr);
}
