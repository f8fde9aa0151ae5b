// Excitation cone and radial Gaussian convolution of solved profiles.
#include "lamm/detection_kernels.h"

#include "foundations/whole_number.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

// The cone factor 1 - (2 a^2 theta - a d sin theta) / (2 pi a^2) with theta = arccos(d / a) falls
// from 1 at one cone radius inside the bottom to 1/2 at the bottom and 0 one radius beyond it.
// Computed in single precision, as the detector model was calibrated.
void ApplyExcitationCone(float* y, const float* r, int n, double bottom, double a) {
    if (!(a > 0.0))
        return;
    const float af = static_cast<float>(a);
    const float pi = 3.1415927f;
    for (int i = 1; i <= n; ++i) {
        const float d = static_cast<float>(bottom - r[i]);
        if (d > af)
            continue;
        if (d <= -af) {
            y[i] = 0.0f;
            continue;
        }
        const float theta = std::acos(d / af);
        y[i] *= 1.0f - (2.0f * af * af * theta - af * d * std::sin(theta)) / (2.0f * pi * af * af);
    }
}

namespace {

// Direct form: walks outward from point i over the real radii and, past the ends, over virtual
// positions at the mean spacing h, until the first position at or beyond k sigma.
double DirectAverage(const std::vector<float>& old, const float* r, int n, int i, double sigma,
                     double reach, double lower, double upper, double h) {
    const double x = r[i];
    const double s2 = sigma * sigma;
    double numerator = old[i], weight = 1.0;
    for (int j = i + 1;; ++j) {
        const double p = j <= n ? r[j] : r[n] + (j - n) * h;
        const double w = std::exp(-(p - x) * (p - x) / s2);
        weight += w;
        if (j <= n && p >= lower && p <= upper)
            numerator += w * old[j];
        if (p >= x + reach || h <= 0.0)
            break;
    }
    for (int j = i - 1;; --j) {
        const double p = j >= 1 ? r[j] : r[n] - (n - j) * h;
        const double w = std::exp(-(p - x) * (p - x) / s2);
        weight += w;
        if (j >= 1 && p >= lower && p <= upper)
            numerator += w * old[j];
        if (p <= x - reach || h <= 0.0)
            break;
    }
    return numerator / weight;
}

} // namespace

// New values are formed from the old profile only, so the result does not depend on the order
// in which points are visited. Checked against a hand-summed Gaussian and for the damping of
// points next to the meniscus in the convolution tests.
void ApplyRadialConvolution(float* y, const float* r, int n, double sigma, double k, double lower,
                            double upper, const ConvolutionTable* table) {
    if (n < 2 || !(sigma > 0.0) || !(k > 0.0))
        return;
    const std::vector<float> old(y, y + n + 1);
    const double h = (r[n] - r[1]) / (n - 1);
    const bool tableForm = table != nullptr && table->weights != nullptr && table->length > 0 &&
                           table->first != 0 && table->last != 0 && h > 0.0;
    if (tableForm) {
        const int m = FloorToInt(k * sigma / h, std::numeric_limits<int>::min(), table->length);
        for (int i = 1; i <= n; ++i) {
            double numerator = old[i], weight = 1.0;
            for (int j = 1; j <= m; ++j) {
                const double w = table->weights[j];
                weight += 2.0 * w;
                if (i + j >= table->first && i + j <= table->last)
                    numerator += w * old[i + j];
                if (i - j >= table->first && i - j <= table->last)
                    numerator += w * old[i - j];
            }
            y[i] = static_cast<float>(numerator / weight);
        }
        return;
    }
    for (int i = 1; i <= n; ++i)
        y[i] = static_cast<float>(DirectAverage(old, r, n, i, sigma, k * sigma, lower, upper, h));
}
