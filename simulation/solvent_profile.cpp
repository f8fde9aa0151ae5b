// The inhomogeneous solvent's node factors and its radius-dependent element integrals.
#include "simulation/solvent_profile.h"

#include "foundations/physical_constants.h"
#include "lamm/hat_integrals.h"
#include "scandata/scan_header.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/inhomogeneous_solvent.h"
#include "state/lamm_grid.h"
#include "state/model_parameters.h"

#include <algorithm>
#include <cmath>

namespace {

using IS = InhomogeneousSolvent;

constexpr double kWaterViscosity = PhysicalConstants::waterViscosity;
constexpr double kWaterDensity = PhysicalConstants::waterDensity;

// a_1 + 1e-3 a_2 sqrt(c) + 1e-2 a_3 c + 1e-3 a_4 c^2 + 1e-4 a_5 c^3 + 1e-6 a_6 c^4, over the
// first `terms` coefficients there are.
double Series(const std::vector<double>& a, int terms, double c) {
    const int n = std::min(IS::Count(a), terms);
    const double basis[6] = {1.0, std::sqrt(std::max(c, 0.0)), c, c * c, c * c * c, c * c * c * c};
    constexpr double kScale[6] = {1.0, 1e-3, 1e-2, 1e-3, 1e-4, 1e-6};
    double sum = 0.0;
    for (int k = 1; k <= n; ++k)
        sum += kScale[k - 1] * a[std::size_t(k)] * basis[k - 1];
    return sum;
}

// The vbar of the buoyancy in the solvent: the solvated one against a sedimenting cosolute.
double BuoyancyVbar() {
    return IS::sedimentingCosolute ? double(IS::macromoleculeVbar) : double(ScanStore::vbar);
}

double WaterBuoyancy() {
    return 1.0 - double(ScanStore::vbar) * kWaterDensity;
}

double RotorSpeed() {
    if (ScanStore::scanCount > 0 && ScanStore::header != nullptr &&
        ScanStore::header[1].rotorSpeed > 0.0f)
        return ScanStore::header[1].rotorSpeed;
    return LammGrid::rotorSpeed;
}

bool Inside(int i, int n) {
    return i >= 1 && i <= n;
}

// The profile's grid size when it covers the grid, else 0 (no factors: the elements vanish).
int Covered(int n) {
    return SolventProfile::Size() >= n && int(SolventProfile::buoyancyFactor.size()) > n ? n : 0;
}

} // namespace

void SolventProfile::ResetToDefaults() {
    viscosityFactor.clear();
    buoyancyFactor.clear();
    density.clear();
    cosolute.clear();
}

double CosoluteViscosity(double c) {
    if (IS::Count(IS::viscosityCoefficients) < 1)
        return kWaterViscosity;
    return kWaterViscosity * Series(IS::viscosityCoefficients, 5, c);
}

double CosoluteDensity(double c) {
    if (IS::Count(IS::densityCoefficients) < 1)
        return kWaterDensity;
    return Series(IS::densityCoefficients, 6, c);
}

void CompressedSolventDensity(double* out, const double* r, int n, double rho0, double kappa) {
    const double w = RotorSpeed() * 2.0 * M_PI / 60.0;
    const double m = ModelParameters::meniscus;
    for (int i = 1; i <= n; ++i)
        out[i] = kappa == 0.0
                     ? rho0
                     : rho0 / (1.0 - (r[i] * r[i] - m * m) *
                                         (1000.0 * rho0 * 0.5 * w * w * kappa * 1e-6) * 1e-4);
}

double SolventDensityViscosityRatio(double x) {
    const double rhoB = IS::bufferDensity;
    const double vbar = IS::compressibleSolvent   ? double(ScanStore::vbar)
                        : IS::sedimentingCosolute ? double(IS::macromoleculeVbar)
                                                  : 0.0;
    if (!IS::compressibleSolvent && !IS::sedimentingCosolute)
        return x;
    return x * (1.0 - vbar * rhoB) / WaterBuoyancy() / double(IS::relativeViscosity);
}

void SolventDensityViscosityProfile(const double* r, int n) {
    const std::size_t size = std::size_t(std::max(n, 0)) + 1;
    SolventProfile::viscosityFactor.assign(size, 1.0);
    SolventProfile::buoyancyFactor.assign(size, 1.0);
    SolventProfile::density.assign(size, kWaterDensity);
    SolventProfile::cosolute.assign(size, 0.0);
    double* v = SolventProfile::viscosityFactor.data();
    double* b = SolventProfile::buoyancyFactor.data();
    double* rho = SolventProfile::density.data();
    const double water = WaterBuoyancy();
    const double vbar = BuoyancyVbar();
    if (IS::compressibleSolvent) {
        CompressedSolventDensity(rho, r, n, IS::bufferDensity, IS::compressibility);
        for (int i = 1; i <= n; ++i) {
            v[i] = 1.0 / double(IS::relativeViscosity);
            b[i] = (1.0 - double(ScanStore::vbar) * rho[i]) / water;
        }
    } else if (IS::sedimentingCosolute) {
        const double c = IS::loadingConcentration;
        const double eta = CosoluteViscosity(c), rhoC = CosoluteDensity(c);
        if (IS::addWaterCompressibility)
            CompressedSolventDensity(rho, r, n, kWaterDensity, IS::compressibility);
        for (int i = 1; i <= n; ++i) {
            SolventProfile::cosolute[std::size_t(i)] = c;
            v[i] = kWaterViscosity / eta;
            const double extra = IS::addWaterCompressibility ? rho[i] - kWaterDensity : 0.0;
            b[i] = (1.0 - vbar * (rhoC + extra)) / water;
        }
    }
}

double RadialDiffusionElement(int i, int j, const double* r, int n) {
    n = Covered(n);
    if (!Inside(i, n) || !Inside(j, n))
        return 0.0;
    return HatWeightedStiffness(r, SolventProfile::viscosityFactor.data(), n, i, j);
}

double RadialSedimentationElement(int i, int j, const double* r, int n) {
    n = Covered(n);
    if (!Inside(i, n) || !Inside(j, n))
        return 0.0;
    return HatWeightedSedimentation(r, SolventProfile::viscosityFactor.data(),
                                    SolventProfile::buoyancyFactor.data(), n, i, j);
}

double RadialFECoefficientA(const double* r, int i) {
    i = std::min(i, SolventProfile::Size());
    if (i < 2)
        return 0.0;
    return r[i] * SolventProfile::viscosityFactor[std::size_t(i)] / (r[i] - r[i - 1]);
}

double RadialFECoefficientB(const double* r, int i) {
    i = std::min(i, SolventProfile::Size());
    if (i < 1)
        return 0.0;
    return SolventProfile::viscosityFactor[std::size_t(i)] *
           SolventProfile::buoyancyFactor[std::size_t(i)] * r[i] * r[i];
}
