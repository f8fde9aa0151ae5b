// The solution without diffusion: a sharp boundary and a plateau diluted by the sector shape.
#include "foundations/show_error.h"
#include "lamm/lamm_ideal.h"
#include "scandata/scan_header.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr double kWaterDensity = 0.99823; // g/ml

// Linear interpolation of the ascending curve (x, v)[0..m-1] at xi, held at the end values.
double InterpolateCurve(const std::vector<double>& x, const std::vector<double>& v, double xi) {
    if (xi <= x.front())
        return v.front();
    if (xi >= x.back())
        return v.back();
    const auto it = std::upper_bound(x.begin(), x.end(), xi);
    const size_t j = static_cast<size_t>(it - x.begin());
    const double w = (xi - x[j - 1]) / (x[j] - x[j - 1]);
    return v[j - 1] + w * (v[j] - v[j - 1]);
}

} // namespace

// Every scan from the closed form at its own time, then the detection corrections.
void CLammIdeal::SolveNonDiffusing() {
    ClearAccumulation();
    for (int pos = 1; pos <= scanCount; ++pos) {
        float* row = OutputRowFor(pos);
        const float* radii = OutputRadiiFor(pos);
        const int n = OutputCountFor(pos);
        if (row == nullptr || radii == nullptr)
            continue;
        CLLammNoDiffvec(static_cast<float>(c0), ScanTimeAt(pos), radii, row, n);
        if (AnyDetectionCorrectionOn())
            CorrectScanProfile(pos, row, radii, n);
    }
    nextOutputScan = scanCount + 1;
    AddAccumulationToTarget();
}

// Without diffusion every particle moves along r(t) = r0 exp(s w^2 t): the boundary starts at the
// meniscus (at the bottom for flotation) and the plateau dilutes as exp(-2 s w^2 t). With the
// scanning time, each radius is seen when the scanner gets there. The compressible-solvent form
// follows the characteristics of a density that grows with pressure. Checked against the closed
// forms and against the form with B = 0 in the non-diffusing tests.
void CLammIdeal::CLLammNoDiffvec(float loading, double timeS, const float* radii, float* y, int n) {
    if (profileLoaded) {
        ShowError("\nCLLammNoDiffvec not implemented for CLVariableRotorSpeed", 0);
        return;
    }
    if (n <= 0)
        return;
    const double m = meniscus, b = bottom, k = sOmega2;
    const bool scanning = simulateTimeResolution && scanVelocity > 0.0f;
    const double v = scanVelocity / 60.0; // cm/s
    if (!compressibleSolvent) {
        const double start = k > 0.0 ? m : b;
        double rb = start * std::exp(k * timeS);
        double tb = timeS;
        if (scanning) {
            tb = timeS + (rb - m) / v;
            rb = start * std::exp(k * tb);
        }
        const double plateauLevel = loading * std::exp(-2.0 * k * tb);
        double r2 = 0.0;
        if (zoneLoading || initialStep) {
            r2 = (m + zoneWidth) * std::exp(k * timeS);
            if (scanning)
                r2 = (m + zoneWidth) * std::exp(k * (timeS + (r2 - m) / v));
        }
        for (int i = 1; i <= n; ++i) {
            const double ri = radii[i];
            const double a = scanning ? std::exp(-2.0 * k * (ri - m) / v) : 1.0;
            const double level = a * plateauLevel;
            double value = 0.0;
            if (!zoneLoading && !initialStep) {
                const bool inside = k > 0.0 ? ri >= rb : ri <= rb;
                value = inside ? level : 0.0;
            } else if (!zoneLoading) {
                if (ri >= r2)
                    value = level;
                else if (ri >= rb)
                    value = stepFactor * level;
            } else if (!emptyZone) {
                value = (ri >= rb && ri < r2) ? level : 0.0;
            } else {
                value = ri >= r2 ? level : 0.0;
            }
            y[i] = static_cast<float>(value);
        }
    } else {
        // SI units inside: radii in m, densities in kg/m^3, compressibility kappa 1e-6 per Pa.
        const double omega = LastScanHeader().rotorSpeed * 2.0 * M_PI / 60.0;
        const double w2 = omega * omega;
        const double rho = rho0;
        const double A = 1.0 - vbar * rho;
        const double B =
            0.5 * (0.001 * vbar) * (1000.0 * rho) * (1000.0 * rho) * w2 * (1e-6 * kappa);
        const double sSolvent =
            s * 1e-13 * (1.0 - vbar * rho) / (viscosityRatio * (1.0 - vbar * kWaterDensity));
        const double C = w2 * sSolvent / A;
        const double tc = scanning ? timeS + (m * std::exp(k * timeS) - m) / v : timeS;
        const double xm = 0.01 * m;
        const double G = xm * xm * B + A;
        const double E = std::exp(2.0 * C * tc * G);
        const double decay = std::exp(-2.0 * C * tc * G);
        const double rb = 100.0 * xm * std::sqrt(G) / std::sqrt(decay * (B * xm * xm * E + A));
        // Characteristics from every output radius; the curve ends past the last radius. When
        // none has left the range yet (small t) all of them are used.
        std::vector<double> X, Y;
        X.reserve(n);
        Y.reserve(n);
        for (int j = 1; j <= n; ++j) {
            const double x0 = 0.01 * radii[j];
            const double q = xm * xm * B + B * x0 * x0 * E - B * x0 * x0 + A;
            X.push_back(100.0 * x0 * std::sqrt(G) / std::sqrt(decay * q));
            Y.push_back(loading * decay * q * q / (G * G));
            if (X.back() > radii[n] + 0.001)
                break;
        }
        for (int i = 1; i <= n; ++i)
            y[i] = radii[i] < rb ? 0.0f : static_cast<float>(InterpolateCurve(X, Y, radii[i]));
    }
    if (simulateRadialResolution)
        ConvolveRadialResolutionF(y, radii, n);
}
