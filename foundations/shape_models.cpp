// Ellipsoids, rods, wormlike chains and power laws between s, M and vbar.
#include "foundations/shape_models.h"

#include "foundations/hydrodynamics.h"
#include "foundations/nr_arrays.h"
#include "foundations/numeric_text_files.h"
#include "foundations/physical_constants.h"
#include "foundations/roots.h"
#include "foundations/show_error.h"
#include "state/conti_state.h"
#include "state/scan_store.h"
#include "state/startup_paths.h"

#include <cmath>
#include <string>

namespace {

using PC = PhysicalConstants;
constexpr double kPi = PC::pi;
constexpr double kInverseGas = 1.2027166964739955e-08; // 1 / 8.31451e7

// Polynomial fits of the axial ratio as a function of x = (f/f0) / h^(1/3) - 1, h the hydration
// swelling; exact (ratio 1) at x = 0. Checked at the hydrated sphere and below it.
float AxialRatio(float ff0, float vbar, float hydration, float density, bool prolate) {
    double h = (vbar + static_cast<double>(hydration) * density) / vbar;
    if (!(h > 0.0)) {
        std::string text = std::string("(vbar+hydration*density)/vbar <= 0 in function ") +
                           (prolate ? "CalculateProlateRatio" : "CalculateOblateRatio");
        ShowError(text.c_str(), 0);
        return 0.0f;
    }
    auto root = static_cast<float>(std::exp(std::log(h) / 3.0));
    auto x = static_cast<float>(ff0 / root - 1.0);
    if (x < 0.0f)
        return 0.0f;
    double sx = std::sqrt(static_cast<double>(x));
    double p = prolate ? 1 + 2.939184 * sx + 8.027775 * x + 8.55676 * x * x - 0.505951 * x * x * x +
                             0.0361508 * x * x * x * x
                       : 1 + 3.009376 * sx + 8.413897 * x + 13.34978 * x * x - 3.18903 * x * x * x +
                             0.106307 * x * x * x * x;
    return static_cast<float>(p);
}

} // namespace

float CalculateProlateRatio(float mass, float s, float vbar, float hydration, float density,
                            float relativeViscosity) {
    return AxialRatio(FrictionalRatio(mass, s, vbar, density, relativeViscosity), vbar, hydration,
                      density, true);
}

float CalculateOblateRatio(float mass, float s, float vbar, float hydration, float density,
                           float relativeViscosity) {
    return AxialRatio(FrictionalRatio(mass, s, vbar, density, relativeViscosity), vbar, hydration,
                      density, false);
}

float CalculateProlateRatio(float ff0, float vbar, float hydration, float density) {
    return AxialRatio(ff0, vbar, hydration, density, true);
}

float CalculateOblateRatio(float ff0, float vbar, float hydration, float density) {
    return AxialRatio(ff0, vbar, hydration, density, false);
}

// A rod of length l and the diameter of its volume: a slender-body friction with the end
// correction gamma (Broersma-type fit below axial ratio 10, constant above); below axial ratio 1
// it is a sphere. Checked against the sphere limit and s growing with M in the shape tests.
double SOfLinearRod(double mass) {
    double ML = ShapeModels::rodMassPerLength;
    if (mass < 1.0 || ML < 1.0)
        return 0.0;
    double vbar = ScanStore::vbar;
    double buoyancy = 1.0 - ScanStore::vbarRho;
    double eta = static_cast<double>(PC::waterViscosity) * ScanStore::viscosity;
    double l = mass / ML * 1e-9;
    double V = mass / PC::avogadro * vbar * 1e-6;
    double dd = std::sqrt(4.0 * V / (kPi * l));
    double p = l / dd;
    if (p < 1.0) {
        double F = CalculateRadius(static_cast<float>(mass), ScanStore::vbar) * 6.0 * kPi * eta;
        if (F == 0.0)
            return 0.0;
        auto q = static_cast<float>(PC::boltzmann * 1e4 / F);
        return 1e13 * buoyancy * mass * q * kInverseGas;
    }
    double gamma = p < 10.0 ? 0.561 / p + 0.312 + 0.1 / (p * p) : 0.386;
    return 1e13 * (std::log(p) + gamma) * ML * 1e9 * buoyancy /
           (PC::avogadro * 3.0 * kPi * eta * 1000.0);
}

double SOfLinearRodResidual(double mass) {
    return SOfLinearRod(mass) - ShapeModels::rodTargetS;
}

// The rod is always more elongated than the anhydrous sphere of the same s, so its mass is
// bracketed by widening around the sphere's mass; the widening is capped so that an s the rod
// cannot reach (0, or a buoyancy term of 0) cannot hang the program.
double CalculateMofSforLinearRod(float s, float massPerLength) {
    ShapeModels::rodTargetS = s;
    ShapeModels::rodMassPerLength = massPerLength;
    if (ScanStore::vbar <= 0.0f) {
        ShowError("VBAR <= 0 in function CalculateMofSforLinearRod", 0);
        return 0.0;
    }
    double eta = static_cast<double>(PC::waterViscosity) * ScanStore::viscosity;
    if (eta <= 0.0) {
        ShowError("STANDARDVISCOSITY*RELVISCOSITY <= 0 in function CalculateMofSforLinearRod", 0);
        return 0.0;
    }
    double sphere = CalculateMff02(s, 1.0f);
    if (!(sphere > 0.0))
        return 0.0;
    double lo = sphere, hi = sphere;
    for (int k = 0; k < 200 && SOfLinearRodResidual(lo) >= 0.0; ++k)
        lo *= 0.5;
    for (int k = 0; k < 200 && SOfLinearRodResidual(hi) <= 0.0; ++k)
        hi *= 2.0;
    return Zbrent(SOfLinearRodResidual, lo, hi, 1.0);
}

// Wormlike cylinder of the chain parameters: contour length and hydrated diameter reduced by
// twice the persistence length, translational friction from the Yamakawa-Fujii expansions (long
// and short chain branches), very short chains as rods. Checked for continuity between the
// branches and the rod limit in the shape tests.
float SOfWormlikeChain(double mass) {
    const float A = ShapeModels::wormCrossSection;
    const float q = ShapeModels::wormPersistence;
    const float Mmono = ShapeModels::wormMonomerMass;
    const float delta = ShapeModels::wormHydration;
    const double vbar = ScanStore::vbar;
    constexpr double kInverseAvogadro = 1.0 / 6.023e23;

    float a = static_cast<float>(Mmono * vbar * 1e21 * kInverseAvogadro) / A;
    auto rhoH = static_cast<float>((delta * Mmono + Mmono) / (vbar * Mmono + delta * Mmono));
    float Ah = static_cast<float>((delta * Mmono + Mmono) * 1e21 / (rhoH * 6.023e23)) / a;
    auto dh = static_cast<float>(2.0 * std::sqrt(Ah * 0.3182686187141948));
    float d = dh / (2.0f * q);
    float d2 = d * d, d3 = d2 * d, d4 = d3 * d;
    float ML = Mmono / a;
    auto L = static_cast<float>(mass / (ML * q * 2.0f));
    if (mass < Mmono || !(L > 0.0f))
        return 0.0f;
    if (L < 0.1f) {
        ShapeModels::rodMassPerLength = ML;
        return static_cast<float>(SOfLinearRod(mass));
    }
    double ld = std::log(static_cast<double>(d));
    auto C1 = static_cast<float>(1 - 0.01412 * d2 + 0.00592 * d4);
    double X;
    if (L >= 2.4f) {
        auto A2 = static_cast<float>(-C1 * ld - 1.0561 - 0.1667 * d - 0.19 * d2 - 0.0224 * d3 +
                                     0.019 * d4);
        auto A3 = static_cast<float>(0.1382 + 0.691 * d2);
        auto A4 = static_cast<float>(-(0.04167 * d2 + 0.00567 * d4) * ld - 0.3301 + 0.5 * d -
                                     0.5854 * d2 - 0.0094 * d3 - 0.0421 * d4);
        auto A5 = static_cast<float>(-0.03 + 0.1209 * d2 + 0.0259 * d4);
        double sl = std::sqrt(static_cast<double>(L));
        X = 1.843 * sl + A2 + A3 / sl + A4 / L + A5 / (L * sl);
    } else {
        auto C2 = static_cast<float>(0.3863 - 0.1667 * d + 0.0016 * d2 - 0.0224 * d3 - 0.0007 * d4);
        auto C3 = static_cast<float>(0.1667 + 0.0222 * d2 + 0.0017 * d4);
        auto C4 = static_cast<float>(0.01883 - 0.00789 * d2 - 0.00038 * d4);
        auto C5 = static_cast<float>(-0.002039 + 0.000805 * d2 + 0.000017 * d4);
        auto E1 = static_cast<float>(0.04167 * d + 0.00567 * d3);
        auto E2 = static_cast<float>(0.5 + 0.0786 * d - 0.0094 * d2 + 0.0107 * d3 + 0.0039 * d4);
        auto E3 = static_cast<float>(-0.0625 + 0.00132 * d2 - 0.00055 * d4);
        auto E4 = static_cast<float>(0.001302 * d + 0.000181 * d3);
        auto E5 = static_cast<float>(0.001953 - 0.000064 * d2 + 0.000027 * d4);
        double lnLd = std::log(static_cast<double>(L) / d);
        double r = static_cast<double>(d) / L;
        X = C1 * lnLd + C2 + C3 * L + C4 * static_cast<double>(L) * L +
            C5 * static_cast<double>(L) * L * L + r * E1 * lnLd + r * E2 + r * r * E3 +
            r * r * r * E4 + r * r * r * r * E5;
    }
    auto f = static_cast<float>(static_cast<float>(0.09426 * L) * q * 2.0 * 1e-7 / X);
    auto s20w =
        static_cast<float>(static_cast<float>(ML * q * 2.0f * L) * 1e13 * 0.27 / (6.023e23 * f));
    return static_cast<float>(S20wToSInBuffer(s20w));
}

double WormlikeChainSResidual(double mass) {
    return ShapeModels::wormTargetS - SOfWormlikeChain(mass);
}

// Brackets the chain's mass between the compact sphere's mass (divided by 3 while too large) and
// 100 times it (tripled while too small), then searches the root; masses below one monomer or
// beyond 1e20 end the search with that bound.
float CalculateMofSforWormlikeChain(float s) {
    const float Mmono = ShapeModels::wormMonomerMass;
    auto M1 = static_cast<float>(CalculateMff02(s, 1.0f));
    if (M1 < Mmono)
        return M1;
    double lo = M1;
    while (SOfWormlikeChain(lo) > s) {
        lo /= 3.0;
        if (lo < Mmono)
            return static_cast<float>(lo);
    }
    double hi = 100.0 * M1;
    while (SOfWormlikeChain(hi) < s) {
        hi *= 3.0;
        if (hi > 1e20)
            return static_cast<float>(hi);
    }
    ShapeModels::wormTargetS = s;
    ShapeModels::wormChainSearch = true;
    return static_cast<float>(FindRootBrent(WormlikeChainSResidual, lo, hi, 0.001 * s));
}

double SFromMScalingLaw(float mass) {
    return ShapeModels::scalingKs *
           std::pow(static_cast<double>(mass), ShapeModels::scalingExponent);
}

float MFromSScalingLaw(float s) {
    return static_cast<float>(std::pow(static_cast<double>(s) / ShapeModels::scalingKs,
                                       1.0 / ShapeModels::scalingExponent));
}

double SFromM(float mass) {
    if (mass == 0.0f) {
        ShowError("mass == 0 in function SFromM", 0);
        return 0.0;
    }
    return ShapeModels::powerLawK * std::exp(ShapeModels::powerLawExponent * std::log(mass));
}

double VbarFromMass(float mass) {
    if (mass == 0.0f) {
        ShowError("mass == 0 in function VbarFromMass", 0);
        return 0.0;
    }
    double x = mass / std::pow(10.0, ShapeModels::vbarDecadeExponent);
    return ShapeModels::vbarIncrement * std::exp(std::log(x) * 0.33333333333) +
           ShapeModels::vbarOffset;
}

// Column 1: the s grid converted to s20,w; column 2: the mass grid in the same buffer
// correction, in kDa.
bool WriteWormChainMofSTable(const char* path) {
    const int n = ContiState::gridPoints;
    if (n < 1 || !ContiState::sValues || !ContiState::mValues)
        return false;
    const double vbar = ScanStore::vbar;
    const double eta = PC::waterViscosity;
    const double buoyancy20 = 1.0 - vbar * PC::waterDensity;
    const double buoyancy = 1.0 - ScanStore::vbarRho;
    double** table = dmatrix(1, n, 1, 2);
    for (int i = 1; i <= n; ++i) {
        table[i][1] =
            ContiState::sValues[i] * buoyancy20 * eta * ScanStore::viscosity / (buoyancy * eta);
        table[i][2] = ContiState::mValues[i] * buoyancy20 / buoyancy * 0.001;
    }
    bool ok = WriteMatrixTable(table, 1, n, 1, 2, path);
    free_dmatrix(table, 1, n, 1, 2);
    return ok;
}

bool WriteWormChainMofSTable() {
    return WriteWormChainMofSTable(gTablePaths.wormChainMofs);
}
