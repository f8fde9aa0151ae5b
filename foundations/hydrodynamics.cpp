// Hydrodynamic conversions between s, D, M, radius and friction.
#include "foundations/hydrodynamics.h"

#include "foundations/physical_constants.h"
#include "foundations/show_error.h"
#include "state/conti_state.h"
#include "state/scan_store.h"

#include <cmath>

float gHydration = 0.3f;

namespace {

using PC = PhysicalConstants;

// The formulas use this gas constant (erg/(mol K)), not the record's.
constexpr double kGas = 8.31451 * static_cast<double>(1e7f);
constexpr double kCelsiusToKelvin = 273.15;
constexpr double kPi = PC::pi;

double Cbrt(double x) {
    return std::exp(std::log(x) / 3.0);
}

// Viscosity of the current buffer, Pa s.
double BufferViscosity() {
    return static_cast<double>(PC::waterViscosity) * ScanStore::viscosity;
}

double Buoyancy() {
    return 1.0 - ScanStore::vbarRho;
}

// Svedberg's relation with f = ff0 * 6 pi eta R0 and R0 from M and vbar, solved for M:
// M = N_A B^1.5 with B the friction of one mole's sphere per M^(1/3). Checked by the worked
// value 4.5 S -> about 5.84e4 Da at vbar 0.73, f/f0 1.2 in water.
double MassFromS(double s, double ff0, double eta, double vbar, double buoyancy) {
    double B = ff0 * 6.0 * kPi * eta * 1000.0 * Cbrt(3.0 * vbar * 1e-6 / (4.0 * kPi)) * s * 1e-13 /
               buoyancy;
    if (!(B > 0.0))
        return 0.0;
    return PC::avogadro * std::exp(1.5 * std::log(B));
}

// Stokes-Einstein D = k T / f in cm^2/s for a friction f in kg/s.
double EinsteinD(double t, double friction) {
    return (t + kCelsiusToKelvin) * PC::boltzmann * 1e4 / friction;
}

} // namespace

double CalculateRadius(float mass, float vbar) {
    if (mass == 0.0f || vbar == 0.0f) {
        ShowError("(mass == 0)||(vbar== 0) in function CalculateRadius", 0);
        return 0.0;
    }
    double V = static_cast<double>(mass) / PC::avogadro * vbar * 1e-6;
    if (!(V > 0.0))
        return 0.0;
    return Cbrt(3.0 * V / (4.0 * kPi));
}

double MassFromRadius(float radius, float vbar) {
    if (!(radius > 0.0f) || !(vbar > 0.0f))
        return 0.0;
    double r = 100.0 * radius;
    return 4.0 * kPi * (1.0 / 3.0) * r * r * r / vbar * PC::avogadro;
}

double CalculateM(float s) {
    if (ScanStore::vbar <= 0.0f) {
        ShowError("VBAR <= 0 in function CalculateM", 0);
        return 0.0;
    }
    if (s == 0.0f)
        return 0.0;
    return MassFromS(s, gFrictionalRatio, BufferViscosity(), ScanStore::vbar, Buoyancy());
}

double CalculateMff02(float s, float ff0) {
    if (s == 0.0f)
        return 0.0;
    if (ScanStore::vbar <= 0.0f) {
        ShowError("VBAR <= 0 in function CalculateMff02", 0);
        return 0.0;
    }
    return MassFromS(s, ff0, BufferViscosity(), ScanStore::vbar, Buoyancy());
}

double CalculateMassFromSedcoeffSphere(float s, float relativeViscosity, float vbar,
                                       float density) {
    if (s == 0.0f)
        return 0.0;
    if (vbar <= 0.0f) {
        ShowError("vbar <= 0 in function CalculateMassFromSedcoeffSphere", 0);
        return 0.0;
    }
    return MassFromS(s, 1.0, static_cast<double>(PC::waterViscosity) * relativeViscosity, vbar,
                     1.0 - static_cast<double>(vbar) * density);
}

double S20ToStokesRadius(float s20w, float vbar20) {
    if (vbar20 <= 0.0f) {
        ShowError("vbar20 <= 0 in function S20ToStokesRadius", 0);
        return 0.0;
    }
    auto M = static_cast<float>(MassFromS(s20w, gFrictionalRatio, PC::waterViscosity, vbar20,
                                          1.0 - static_cast<double>(vbar20) * PC::waterDensity));
    return gFrictionalRatio * Cbrt(3.0 * M / PC::avogadro * vbar20 * 1e-6 / (4.0 * kPi));
}

double DFromSandM(float mass, float s, float t) {
    if (mass == 0.0f || s == 0.0f)
        return kDefaultDiffusion;
    auto x =
        static_cast<float>((1.0 / s) * 1e13 * Buoyancy() * mass / ((t + kCelsiusToKelvin) * kGas));
    return 1.0 / std::fabs(static_cast<double>(x));
}

float MFromSandD(float s, float D, float t) {
    if (D <= 0.0f)
        return 0.0f;
    return static_cast<float>(1e-13 * s * (t + kCelsiusToKelvin) * kGas / (Buoyancy() * D));
}

double SFromMandD(float mass, float D, float t) {
    return Buoyancy() * 1e13 * mass * D / ((t + kCelsiusToKelvin) * kGas);
}

double SFromBuoyantMandD(double buoyantMass, double D, float t) {
    return 1e13 * buoyantMass * D / ((t + kCelsiusToKelvin) * kGas);
}

double StokesEinsteinD(float radius, float t) {
    if (!(radius > 0.0f))
        return 0.0;
    return EinsteinD(t, 6.0 * kPi * BufferViscosity() * radius);
}

double DiffusionFromRadius(float radius, float t) {
    if (!(radius > 0.0f))
        return 0.0;
    return EinsteinD(t, 6.0 * kPi * BufferViscosity() * radius);
}

double CalculateDfromMff0(float mass, float t, float ff0) {
    return CalculateDfromMff0Vbar(mass, t, ff0, ScanStore::vbar);
}

double CalculateDfromMff0Vbar(float mass, float t, float ff0, float vbar) {
    if (mass == 0.0f)
        return kDefaultDiffusion;
    double F = CalculateRadius(mass, vbar) * 6.0 * kPi * BufferViscosity() * ff0;
    if (F == 0.0)
        return kDefaultDiffusion;
    return EinsteinD(t, F);
}

double CalculateDfromM(float mass, float t) {
    return CalculateDfromMff0(mass, t, gFrictionalRatio);
}

double FrictionFromMandS(float mass, float s, float vbar, float density) {
    if (s == 0.0f)
        return 0.0;
    return (1.0 - static_cast<double>(vbar) * density) * mass / PC::avogadro / (1e-13 * s);
}

float SphereFrictionCoefficient(float mass, float vbar) {
    if (!(mass > 0.0f) || !(vbar > 0.0f))
        return 0.0f;
    return static_cast<float>(6.0 * kPi * BufferViscosity() * CalculateRadius(mass, vbar) * 1000.0);
}

// f/f0 of a particle of given M and s; the sphere's friction is taken in the given buffer
// viscosity by setting the store's viscosity for the one call.
float FrictionalRatio(float mass, float s, float vbar, float density, float relativeViscosity) {
    if (mass == 0.0f || vbar == 0.0f)
        return 0.0f;
    float saved = ScanStore::viscosity;
    ScanStore::viscosity = relativeViscosity;
    float f0 = SphereFrictionCoefficient(mass, vbar);
    ScanStore::viscosity = saved;
    auto f = static_cast<float>(FrictionFromMandS(mass, s, vbar, density));
    if (f0 == 0.0f)
        return 0.0f;
    return f / f0;
}

double WaterViscosityAt(double t) {
    constexpr double kB = 247.8, kC = 140.0; // K
    const double at20 = 20.0 + kCelsiusToKelvin - kC;
    return PC::waterViscosity * std::pow(10.0, kB / (t + kCelsiusToKelvin - kC) - kB / at20);
}

double SFromMandFf0(float mass, float vbar, float t, float density, float ff0) {
    double F = CalculateRadius(mass, vbar) * 6.0 * kPi * PC::waterViscosity * ff0;
    if (F == 0.0)
        return 0.0;
    auto D = static_cast<float>(EinsteinD(t, F));
    return (1.0 - static_cast<double>(vbar) * density) * 1e13 * mass * D /
           ((t + kCelsiusToKelvin) * kGas);
}

double DFromFriction(float mass, float s, float vbar, float t, float density,
                     float relativeViscosity) {
    float ff0 = FrictionalRatio(mass, s, vbar, density, relativeViscosity);
    auto F = static_cast<float>(ff0 * 6.0 * kPi * PC::waterViscosity * relativeViscosity);
    double friction = CalculateRadius(mass, vbar) * F;
    if (!(friction != 0.0))
        return kDefaultDiffusion;
    return EinsteinD(t, friction);
}

namespace {
// s20,w / s: buoyancy and viscosity of water at 20 C against those of the buffer.
double S20wFactor(float bufferViscosity, float bufferDensity, float vbar, float vbar20) {
    return (1.0 - static_cast<double>(vbar20) * PC::waterDensity) * bufferViscosity /
           ((1.0 - static_cast<double>(vbar) * bufferDensity) * PC::waterViscosity);
}
} // namespace

float ConvertToS20w(float s, float bufferViscosity, float bufferDensity, float vbar, float vbar20) {
    return static_cast<float>(S20wFactor(bufferViscosity, bufferDensity, vbar, vbar20) * s);
}

float ConvertFromS20w(float s20w, float bufferViscosity, float bufferDensity, float vbar,
                      float vbar20) {
    return static_cast<float>(s20w / S20wFactor(bufferViscosity, bufferDensity, vbar, vbar20));
}

double SToS20wInBuffer(float s) {
    return ConvertToS20w(s, static_cast<float>(BufferViscosity()), ScanStore::density,
                         ScanStore::vbar, ScanStore::vbar);
}

double S20wToSInBuffer(float s20w) {
    return ConvertFromS20w(s20w, static_cast<float>(BufferViscosity()), ScanStore::density,
                           ScanStore::vbar, ScanStore::vbar);
}

double CalculateHydratedRadius(float mass) {
    if (mass == 0.0f) {
        ShowError("mass <= 0 in function CalculateHydratedRadius", 0);
        return 0.0;
    }
    if (ScanStore::vbar <= 0.0f) {
        ShowError("VBAR <= 0 in function CalculateHydratedRadius", 0);
        return 0.0;
    }
    return Cbrt(3.0 * mass / PC::avogadro * (ScanStore::vbar + gHydration) * 1e-6 / (4.0 * kPi));
}
