// Rotor speeds from the exponential equilibrium gradient, and the closed-form approach time.
#include "equilibrium/eq_rotor_speeds.h"

#include "equilibrium/approach_to_eq.h"
#include "foundations/hydrodynamics.h"

#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTemperature = 4.0; // C, the run is planned cold
constexpr double kKelvin = kTemperature + 273.15;
constexpr double kTwoR = 166290200.0; // erg/(mol K)

double FloorToHundreds(double omega) {
    return 100.0 * std::floor(omega * 60.0 / (200.0 * kPi));
}

} // namespace

double EqProfileAt(double mass, double buoyancy, double rpm, double meniscus, double bottom,
                   double r) {
    const double omega = rpm * 2.0 * kPi / 60.0;
    const double a = mass * buoyancy * omega * omega / (kKelvin * kTwoR);
    const double b2 = bottom * bottom;
    const double m2 = meniscus * meniscus;
    if (!(a > 0.0))
        return 1.0;
    // Referred to the bottom the exponentials stay at most 1 whatever the speed and mass.
    const double norm = (1.0 - std::exp(a * (m2 - b2))) / (a * (b2 - m2));
    return std::exp(a * (r * r - b2)) / norm;
}

RotorSpeedEstimate EstimateEqRotorSpeeds(const RotorSpeedInputs& in) {
    RotorSpeedEstimate out;
    const double buoyancy = 1.0 - in.density * in.vbar;
    if (!(in.massLow > 0.0) || !(in.massHigh > 0.0)) {
        out.refusal = "the molar masses must be positive";
        return out;
    }
    if (!(in.meniscus > 0.0) || !(in.meniscus < in.bottom)) {
        out.refusal = "the meniscus must lie below the bottom";
        return out;
    }
    if (!(buoyancy > 0.0)) {
        out.refusal = "with rho*vbar of 1 or more nothing sediments";
        return out;
    }
    const double m = in.meniscus, b = in.bottom;
    const double k = kKelvin * kTwoR / (buoyancy * (b * b - m * m));
    out.speed1 = FloorToHundreds(std::sqrt(std::log(5.0) * k / in.massHigh));
    out.speed2 = FloorToHundreds(std::sqrt(std::log(10.0) * k / in.massLow));
    for (double rpm = 1000.0; rpm <= 60000.0; rpm += 1000.0)
        if (EqProfileAt(in.massLow, buoyancy, rpm, m, b, m) <= 0.01) {
            out.speed3 = rpm;
            break;
        }

    out.radius.resize(100);
    for (int i = 0; i < 100; ++i)
        out.radius[i] = m + (b - m) * i / 99.0;
    const double speeds[3] = {out.speed1, out.speed2, out.speed3};
    const double masses[2] = {in.massHigh, in.massLow};
    for (int j = 0; j < 2; ++j)
        for (int s = 0; s < 3; ++s)
            for (double r : out.radius)
                out.profiles[3 * j + s].push_back(
                    EqProfileAt(masses[j], buoyancy, speeds[s], m, b, r));
    for (int s = 0; s < 3; ++s)
        for (int i = 0; i < 100; ++i)
            out.profiles[6 + s].push_back(0.5 * (out.profiles[s][i] + out.profiles[3 + s][i]));

    // Moderately globular proteins: f/f0 1.6, s lowered by a further 1.3.
    double slowest = 0.0;
    for (double mass : masses) {
        const float fm = float(mass);
        const double s =
            SFromMandFf0(fm, float(in.vbar), float(kTemperature), float(in.density), 1.6f) / 1.3;
        const double d = DFromSandM(fm, float(s), float(kTemperature));
        const double hours =
            EstimateTimeToEq(float(out.speed1), float(kTemperature), fm, float(in.density),
                             float(in.vbar), float(b), float(m), float(d), 0.01f);
        if (hours > slowest)
            slowest = hours;
    }
    out.hours = slowest;
    out.ok = true;
    return out;
}
