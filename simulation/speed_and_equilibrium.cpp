// Rotor speed during the acceleration phase and the equilibrium test of the back-diffusion
// shut-off.
#include "simulation/speed_and_equilibrium.h"

#include "scandata/scan_store_alloc.h"
#include "state/lamm_grid.h"
#include "state/model_parameters.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kMinAccelerationTime = 10.0; // s; shorter phases are not simulated
constexpr double kPi = 3.14159265358979323846;

} // namespace

// The rotor speed rises linearly, a t; the sedimentation over a step goes with omega^2, so the
// step uses the root mean square of the speeds at its two ends.
double EffectiveRotorOmega(double t, double dt) {
    const double final = LammGrid::maxRotorSpeed;
    if (LammGrid::accelerationTime >= kMinAccelerationTime && t < LammGrid::accelerationTime) {
        const double a = LammGrid::accelerationRate;
        const double rms = std::sqrt((a * (t + dt) * a * (t + dt) + a * t * a * t) / 2.0);
        return std::min(rms, final);
    }
    LammGrid::accelerating = false;
    return final;
}

CRotorSchedule RotorScheduleOfRecord() {
    CRotorSchedule r;
    r.rpm = LammGrid::rotorSpeed;
    r.maxRpm = LammGrid::maxRotorSpeed;
    r.ramp = ScanStore::rampRotorSpeed;
    r.accelerating = LammGrid::accelerating;
    r.accelerationEndS = LammGrid::accelerationTime;
    r.accelerationRate = LammGrid::accelerationRate;
    r.maxDtAccelerationS = LammGrid::maxDtAcceleration;
    return r;
}

void StartRotorSchedule(const CRotorSchedule& r) {
    LammGrid::rotorSpeed = r.rpm;
    LammGrid::maxRotorSpeed = r.maxRpm;
    LammGrid::accelerating = r.accelerating;
    LammGrid::accelerationTime = r.accelerationEndS;
    LammGrid::accelerationRate = r.accelerationRate;
    LammGrid::maxDtAcceleration = r.maxDtAccelerationS;
}

// The equilibrium profile of a species of reduced molar mass sigma is exp(sigma (r^2 - b^2))
// up to a factor: A is its integral against the r dr measure (relative to the right fit limit)
// and B the cell's, so B/A is the concentration at the fit limit relative to the mean.
bool CheckEquilibriumExponentRange(double s, double d) {
    if (!LammGrid::shutOffBackDiffusion || s <= 0.0 || d <= 0.0)
        return false;
    if (ScanStore::scanCount < 1 || ScanStore::header == nullptr)
        return false;
    const ScanHeader& last = ScanStore::header[ScanStore::scanCount];
    const double temperature = last.temperature + 273.15;
    const double omega = last.rotorSpeed * 2.0 * kPi / 60.0;
    const double buoyantMass = temperature * s * 1e-13 * 8.31451e7 / d;
    const double k = omega * omega / (1.6628944e8 * temperature);
    const double sigma = buoyantMass * k;
    if (sigma > 100.0)
        return true;
    const double m = ModelParameters::meniscus, b = ModelParameters::bottom;
    const double rR = ScanStore::rightFitLimit;
    const double A =
        (std::exp(sigma * (b * b - rR * rR)) - std::exp(sigma * (m * m - rR * rR))) / (2.0 * sigma);
    const double B = (b * b - m * m) / 2.0;
    return float(B / A) < float(LammGrid::backDiffusionLevel);
}
