// The hydrodynamic calculators' arithmetic.
#include "tools/hydro_calculators.h"

#include "foundations/hydrodynamics.h"

#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kWaterViscosityPas = 0.001002; // Pa s at 20 C
constexpr double kGasConstant = 8.31451e7;      // erg/(mol K)

// (1 - e^(-2x)) / (2x): the mean of e^(-2 x') over x' from 0 to x; 1 at x = 0.
double MeanDilution(double x) {
    return x == 0.0 ? 1.0 : -std::expm1(-2.0 * x) / (2.0 * x);
}

} // namespace

FrictionForceResult FrictionForce(double s, double radiusCm, double ff0, double rpm, double mass,
                                  double vbar, double relativeViscosity) {
    FrictionForceResult out;
    const double r0 = CalculateRadius(static_cast<float>(mass), static_cast<float>(vbar)); // m
    const double omega = rpm * 2.0 * kPi / 60.0;
    out.sphereRadiusNm = r0 * 1e9;
    out.friction = ff0 * 6.0 * kPi * relativeViscosity * kWaterViscosityPas * r0;
    out.velocity = s * 1e-13 * omega * omega * radiusCm * 0.01;
    out.force = out.velocity * out.friction;
    return out;
}

BroadeningResult BoundaryBroadening(double meniscus, double bottom, double rpm, double massKDa,
                                    double vbar, double density, double temperature, double s,
                                    double deltaSOverS) {
    BroadeningResult out;
    const double middle = meniscus + (bottom - meniscus) / 2.0;
    const double omega = rpm * 2.0 * kPi / 60.0;
    const double T = temperature + 273.15;
    out.diffusion = s * 1e-13 * kGasConstant * T / ((1.0 - vbar * density) * 1000.0 * massKDa);
    const double travelled = std::log(middle / meniscus);
    const double t = travelled / (omega * omega * s * 1e-13);
    out.diffusionSpread = std::sqrt(2.0 * out.diffusion * t);
    out.heterogeneity = travelled * deltaSOverS * middle;
    out.ratio = out.diffusionSpread / out.heterogeneity;
    return out;
}

DilutionResult RadialDilution(double s, double meniscus, double bottom, double omega,
                              double omega2tLast, const std::vector<double>& omega2t) {
    DilutionResult out;
    const double sSeconds = s * 1e-13;
    const double tLast = omega2tLast / (omega * omega);
    const double x = omega * omega * sSeconds * tLast;
    out.boundary = (s >= 0.0 ? meniscus : bottom) * std::exp(x);
    out.plateauLast = std::exp(-2.0 * x);
    out.meanPlateau = MeanDilution(x);
    double sum = 0.0;
    for (double w : omega2t)
        sum += MeanDilution(w * sSeconds);
    out.meanOverScans = omega2t.empty() ? 0.0 : sum / static_cast<double>(omega2t.size());
    return out;
}

PressureResult ColumnPressure(double density, double meniscus, double bottom, double omega) {
    const auto pressure = [&](double r) {
        return 1000.0 * density * 0.5 * (r * r - meniscus * meniscus) * 1e-4 * omega * omega * 1e-5;
    };
    return {pressure(bottom), pressure((bottom + meniscus) / 2.0)};
}

double S20wFromExperimental(double s, double vbarExperimental, double vbar20w, double density,
                            double relativeViscosity) {
    return s * (1.0 - vbar20w * 0.99823) / (1.0 - vbarExperimental * density) * relativeViscosity;
}

namespace {

// Trapezoid sum of f(c) r dr from point k + 1 to point last, with c and r the interval means.
template <typename F> double RadialIntegral(const SecondMomentScan& scan, int k, F f) {
    double sum = 0.0;
    for (int j = k + 1; j <= scan.lastFit; ++j) {
        const double c = (scan.signal[j] + scan.signal[j - 1]) / 2.0;
        const double r = (scan.radius[j] + scan.radius[j - 1]) / 2.0;
        sum += f(c) * r * (scan.radius[j] - scan.radius[j - 1]);
    }
    return sum;
}

} // namespace

SecondMomentResult SecondMomentSw(const std::vector<SecondMomentScan>& scans, double meniscus,
                                  double rightLimit, bool differential) {
    SecondMomentResult out;
    const std::size_t n = scans.size();
    if (n == 0 || (differential && n < 2))
        return out;
    std::vector<double> integral(n), plateau(n), boundary(n);
    std::vector<int> start(n);
    const double rb2 = rightLimit * rightLimit;
    const double m2 = meniscus * meniscus;
    for (std::size_t i = 0; i < n; ++i) {
        const SecondMomentScan& scan = scans[i];
        double sum = 0.0;
        int count = 0;
        for (int j = 1; j <= scan.lastFit; ++j)
            if (scan.radius[j] > rightLimit - 0.1) {
                sum += scan.signal[j];
                ++count;
            }
        plateau[i] = count > 0 ? sum / count : 0.0;
        int k = 1;
        for (int j = 1; j <= scan.firstFit; ++j)
            if (scan.radius[j] < meniscus)
                k = j;
        start[i] = k;
        integral[i] = RadialIntegral(scan, k, [](double c) { return c; });
        boundary[i] = std::sqrt(rb2 - 2.0 * integral[i] / plateau[i]);
    }
    double c0 = 0.0;
    for (std::size_t i = 0; i < n; ++i)
        c0 += plateau[i] * boundary[i] * boundary[i] / m2;
    c0 /= static_cast<double>(n);
    for (int pass = 0; pass < 2; ++pass)
        for (std::size_t i = 0; i < n; ++i) {
            plateau[i] = c0 * m2 / (boundary[i] * boundary[i]);
            boundary[i] = std::sqrt(rb2 - 2.0 * integral[i] / plateau[i]);
        }
    out.loading = c0;
    out.plateau = plateau;
    out.boundary = boundary;
    // s of each scan from its depletion: -ln(1 - 2 D / (c0 rb^2)) / 2 per omega^2 t.
    std::vector<double> logTerm(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double depletion =
            RadialIntegral(scans[i], start[i], [c0](double c) { return c0 - c; });
        const double argument = 1.0 - 2.0 * depletion / (c0 * rb2);
        if (!(argument > 0.0) || !(plateau[i] > 0.0) || !std::isfinite(boundary[i])) {
            out.undefinedScan = static_cast<int>(i) + 1;
            return out;
        }
        logTerm[i] = -std::log(argument);
    }
    double sum = 0.0, concentration = 0.0;
    if (differential) {
        std::vector<double> y(n);
        for (std::size_t i = 0; i < n; ++i)
            y[i] = logTerm[i] / (2.0 * scans[i].omega * scans[i].omega) * 1e13;
        for (std::size_t i = 0; i + 1 < n; ++i) {
            const double sw = (y[i + 1] - y[i]) / (scans[i + 1].time - scans[i].time);
            out.time.push_back(scans[i].time);
            out.value.push_back(sw);
            sum += sw;
        }
        for (double p : plateau)
            concentration += p;
        out.sw = sum / static_cast<double>(n - 1);
    } else {
        for (std::size_t i = 0; i < n; ++i) {
            const double W = scans[i].omega2t;
            const double s = logTerm[i] / (2.0 * W);
            concentration += MeanDilution(W * s) * c0;
            out.time.push_back(scans[i].time);
            out.value.push_back(s * 1e13);
            sum += s * 1e13;
        }
        out.sw = sum / static_cast<double>(n);
    }
    out.meanConcentration = concentration / static_cast<double>(n);
    out.defined = std::isfinite(out.sw) && std::isfinite(out.meanConcentration);
    if (!out.defined)
        out.undefinedScan = 0;
    return out;
}
