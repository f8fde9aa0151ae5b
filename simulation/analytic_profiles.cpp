// Analytic boundaries and smoothing of simulated profiles, in single precision as the optics'
// models were calibrated.
#include "simulation/analytic_profiles.h"

#include "lamm/detection_kernels.h"
#include "scandata/scan_data_kind.h"
#include "state/fluorophore.h"
#include "state/lamm_grid.h"
#include "state/model_parameters.h"

#include <cmath>
#include <limits>
#include <vector>

// The published Chebyshev fit of erfc (fractional error below 1.2e-7 everywhere); negative
// arguments by the reflection erfc(-x) = 2 - erfc(x).
float Erfc(float x) {
    const float z = std::fabs(x);
    const float t = 1.0f / (1.0f + 0.5f * z);
    const float ans =
        t * std::exp(-z * z - 1.26551223f +
                     t * (1.00002368f +
                          t * (0.37409196f +
                               t * (0.09678418f +
                                    t * (-0.18628806f +
                                         t * (0.27886807f +
                                              t * (-1.13520398f +
                                                   t * (1.48851587f + t * (-0.82215223f +
                                                                           t * 0.17087277f)))))))));
    return x >= 0.0f ? ans : 2.0f - ans;
}

// Approximate solution of the Lamm equation for a sharp initial meniscus (dilution exp(-tau),
// boundary broadened by diffusion). At t = 0, or without sedimentation or diffusion, the
// erfc argument is 0/0 or x/0: the sharp limit is taken instead (plateau behind the boundary,
// nothing before it, half the plateau on it), so the profile never holds NaN.
void FaxenApproxProfile(float c0, double t, const float* r, float* out, int n, float omega2s,
                        float d, float meniscus) {
    const float tau = 2.0f * omega2s * float(t);
    const float eps = 2.0f * d / (omega2s * meniscus * meniscus);
    const float width = 2.0f * std::sqrt(eps * tau);
    const float plateau = 0.5f * c0 * std::exp(-tau);
    for (int i = 1; i <= n; ++i) {
        const float num = tau - 2.0f * std::log(r[i] / meniscus);
        float x;
        if (width > 0.0f && std::isfinite(width))
            x = num / width;
        else
            x = num > 0.0f ? std::numeric_limits<float>::max()
                           : (num < 0.0f ? -std::numeric_limits<float>::max() : 0.0f);
        out[i] = x >= 30.0f ? 0.0f : (x <= -30.0f ? 2.0f * plateau : plateau * Erfc(x));
    }
    if (ScanDataKind::absorbance && !ScanDataKind::intensity && LammGrid::simulateRadialResolution)
        MovingAverageOfLogValues(n, LammGrid::radialConvolutionRange, r, out);
}

void MovingAverageOfLogValues(int n, float width, const float* x, float* y) {
    std::vector<float> averaged(std::size_t(n) + 1, 0.0f);
    const float half = 0.5f * width;
    for (int i = 1; i <= n; ++i) {
        double sum = 0.0;
        int count = 0;
        for (int j = i; j >= 1 && x[j] >= x[i] - half; --j, ++count)
            sum += std::pow(10.0, -double(y[j]));
        for (int j = i + 1; j <= n && x[j] <= x[i] + half; ++j, ++count)
            sum += std::pow(10.0, -double(y[j]));
        const double mean = count > 0 ? sum / count : 0.0;
        averaged[i] = mean > 0.0 ? float(-std::log10(mean)) : 0.0f;
    }
    for (int i = 1; i <= n; ++i)
        y[i] = averaged[i];
}

void ConvolveRadialGaussian(int n, const float* x, float* y) {
    ApplyRadialConvolution(y, x, n, DetectionCorrections::convolutionWidth,
                           DetectionCorrections::convolutionCutoff, ModelParameters::meniscus,
                           ModelParameters::bottom);
}

void ApplyBottomShadow(int n, const float* x, float* y) {
    ApplyExcitationCone(y, x, n, ModelParameters::bottom, DetectionCorrections::coneRadius);
}
