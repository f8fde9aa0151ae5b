// Viscosity and buoyancy factors of an inhomogeneous solvent at the nodes of the species grid.
#include "foundations/physical_constants.h"
#include "foundations/resampling.h"
#include "foundations/vector_unit.h"
#include "lamm/lamm_ideal.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kTwoPiOver60 = 2.0 * M_PI / 60.0;
constexpr double kWaterViscosity = PhysicalConstants::waterViscosity;
constexpr double kWaterDensity = PhysicalConstants::waterDensity;

} // namespace

// Density of a compressible solvent, rho0 at the meniscus rising with the hydrostatic pressure
// 1/2 rho w^2 (r^2 - m^2); the pressure is taken in units where kappa is per bar. kappa = 0
// gives rho0 everywhere, which the solvent tests check.
void CLammIdeal::CompressedDensity(double* out, const double* radii, double rho0Value,
                                   double kappaValue) const {
    for (int i = 1; i <= N; ++i)
        out[i] = CompressedDensityAt(radii[i], rho0Value, kappaValue);
}

double CLammIdeal::CompressedDensityAt(double r, double rho0Value, double kappaValue) const {
    if (kappaValue == 0.0)
        return rho0Value;
    const double omega = finalRotorSpeed * kTwoPiOver60;
    const double m = meniscus;
    return rho0Value / (1.0 - rho0Value * 1000.0 * 0.5 * omega * omega * kappaValue * 1e-6 *
                                  (r * r - m * m) * 1e-4);
}

// The density grows from the meniscus to the bottom in both solvents with a closed form, so the
// buoyancy's sign at the two ends tells.
bool CLammIdeal::SolventTurnsTheSpeciesAround() const {
    if (!inhomogeneousSolvent)
        return false;
    const double water = 1.0 - vbar * kWaterDensity;
    auto turned = [&](double rho) { return !((1.0 - vbar * rho) / water > 0.0); };
    if (compressibleSolvent)
        return turned(CompressedDensityAt(meniscus, rho0, kappa)) ||
               turned(CompressedDensityAt(bottom, rho0, kappa));
    if (linearGradient)
        return turned(densityMeniscus) || turned(densityBottom);
    return false;
}

// The solvent's viscosity (relative to water) and density with the cosolvent at concentration
// conc share one series: a_1 + 1e-3 a_2 sqrt(c) + 1e-2 a_3 c + 1e-3 a_4 c^2 + 1e-4 a_5 c^3
// + 1e-6 a_6 c^4, over the loaded coefficients up to the given number of terms; without
// coefficients the solvent is water. The scaled coefficients are formed once per use, the
// powers of c once per node for both series.
namespace {

struct CSolventSeries {
    int n = 0;
    double scaled[6] = {};

    CSolventSeries(const std::vector<double>& a, int terms) {
        static const double kScale[6] = {1.0, 1e-3, 1e-2, 1e-3, 1e-4, 1e-6};
        n = std::min(a.empty() ? 0 : static_cast<int>(a.size()) - 1, terms);
        for (int k = 1; k <= n; ++k)
            scaled[k - 1] = kScale[k - 1] * a[k];
    }
    static void Basis(double conc, double basis[6]) {
        basis[0] = 1.0;
        basis[1] = std::sqrt(std::max(conc, 0.0));
        basis[2] = conc;
        basis[3] = conc * conc;
        basis[4] = conc * conc * conc;
        basis[5] = conc * conc * conc * conc;
    }
    double At(const double basis[6], double water) const {
        if (n < 1)
            return water;
        double sum = 0.0;
        for (int k = 0; k < n; ++k)
            sum += scaled[k] * basis[k];
        return sum;
    }
};

// The factors of nodes 1..n from the cosolvent at the nodes, through both series with every
// term written out (the terms past a series' length add a zero, which changes no bit).
struct CFactorPass {
    const double *v, *d, *conc, *rho;
    double *f, *b;
    double water, vbarSecond;
    int n;
    bool waterViscosity, waterDensity, compressible;
};

// Without a square-root term in either series the root is left out; the term it drops is a zero.
template <bool kRoot> [[gnu::always_inline]] inline void FactorPass(const CFactorPass& p) {
    // every field read once, since the stores below might otherwise alias them
    const double* __restrict conc = p.conc;
    const double* __restrict rho = p.rho;
    double* __restrict fOut = p.f;
    double* __restrict bOut = p.b;
    const double v0 = p.v[0], v1 = p.v[1], v2 = p.v[2], v3 = p.v[3], v4 = p.v[4], v5 = p.v[5];
    const double d0 = p.d[0], d1 = p.d[1], d2 = p.d[2], d3 = p.d[3], d4 = p.d[4], d5 = p.d[5];
    const double water = p.water, vbarSecond = p.vbarSecond;
    const bool waterViscosity = p.waterViscosity, waterDensity = p.waterDensity,
               compressible = p.compressible;
    const int n = p.n;
    for (int i = 1; i <= n; ++i) {
        const double c = conc[i];
        const double c2 = c * c, c3 = c * c * c, c4 = c * c * c * c;
        double vSum = 0.0 + v0 * 1.0, dSum = 0.0 + d0 * 1.0;
        if constexpr (kRoot) {
            const double root = std::sqrt(c < 0.0 ? 0.0 : c); // std::max by value
            vSum += v1 * root;
            dSum += d1 * root;
        }
        vSum = ((vSum + v2 * c) + v3 * c2) + v4 * c3 + v5 * c4;
        dSum = ((dSum + d2 * c) + d3 * c2) + d4 * c3 + d5 * c4;
        const double eta = waterViscosity ? kWaterViscosity : kWaterViscosity * vSum;
        const double dRho = compressible ? rho[i] - kWaterDensity : 0.0;
        fOut[i] = kWaterViscosity / eta;
        bOut[i] = (1.0 - vbarSecond * ((waterDensity ? kWaterDensity : dSum) + dRho)) / water;
    }
}

template <bool kRoot> [[gnu::target("avx2")]] void FactorPassAvx2(const CFactorPass& p) {
    FactorPass<kRoot>(p);
}

template <bool kRoot> void FactorPassPlain(const CFactorPass& p) {
    FactorPass<kRoot>(p);
}

void RunFactorPass(const CFactorPass& p) {
    const bool root = p.v[1] != 0.0 || p.d[1] != 0.0;
    const bool wide = UsableVectorUnit() >= VectorUnit::Avx2;
    if (root)
        wide ? FactorPassAvx2<true>(p) : FactorPassPlain<true>(p);
    else
        wide ? FactorPassAvx2<false>(p) : FactorPassPlain<false>(p);
}

} // namespace

double CLammIdeal::CosolventViscosity(double conc) const {
    if (cosolventArray1.size() < 2)
        return kWaterViscosity;
    double basis[6];
    CSolventSeries::Basis(conc, basis);
    return kWaterViscosity * CSolventSeries(cosolventArray1, 5).At(basis, 1.0);
}

double CLammIdeal::CosolventDensity(double conc) const {
    double basis[6];
    CSolventSeries::Basis(conc, basis);
    return CSolventSeries(cosolventArray2, 6).At(basis, kWaterDensity);
}

// f = eta_w / eta(r) scales s and D, b = (1 - vbar rho(r)) / (1 - vbar rho_w) scales s, so the
// loaded s and D are those in water. The first model that applies wins: compressible solvent,
// linear gradient, homogeneous, cosolvent with compressibility, cosolvent.
void CLammIdeal::SetupSolventFactors(const double* radii) {
    const size_t size = static_cast<size_t>(N) + 1;
    if (viscosityFactor.size() != size) {
        viscosityFactor.assign(size, 1.0);
        buoyancyFactor.assign(size, 1.0);
        solventDensity.assign(size, kWaterDensity);
        cosolventAtNodes.assign(size, cosolventLoading);
    }
    double* f = viscosityFactor.data();
    double* b = buoyancyFactor.data();
    double* rho = solventDensity.data();
    const double water = 1.0 - vbar * kWaterDensity;
    if (compressibleSolvent) {
        CompressedDensity(rho, radii, rho0, kappa);
        for (int i = 1; i <= N; ++i) {
            f[i] = 1.0 / viscosityRatio;
            b[i] = (1.0 - vbar * rho[i]) / water;
        }
        return;
    }
    if (linearGradient) {
        const double span = radii[N] - radii[1];
        for (int i = 1; i <= N; ++i) {
            const double u = span != 0.0 ? (radii[i] - radii[1]) / span : 0.0;
            const double eta = viscosityMeniscus + (viscosityBottom - viscosityMeniscus) * u;
            rho[i] = densityMeniscus + (densityBottom - densityMeniscus) * u;
            f[i] = kWaterViscosity / eta;
            b[i] = (1.0 - vbar * rho[i]) / water;
        }
        return;
    }
    if (!cosolventGradient) {
        for (int i = 1; i <= N; ++i)
            f[i] = b[i] = 1.0;
        return;
    }
    const double eta0 = CosolventViscosity(cosolventLoading);
    const double rhoC = CosolventDensity(cosolventLoading);
    if (cosolventCompressible) {
        CompressedDensity(rho, radii, kWaterDensity, kappa);
        for (int i = 1; i <= N; ++i) {
            f[i] = kWaterViscosity / eta0;
            b[i] = (1.0 - (rhoC + rho[i] - kWaterDensity) * vbarSecond) / water;
        }
        return;
    }
    for (int i = 1; i <= N; ++i) {
        f[i] = kWaterViscosity / eta0;
        b[i] = (1.0 - vbarSecond * rhoC) / water;
    }
}

// The solvent as the sedimenting cosolvent has made it: its profile is carried onto the nodes
// and gives each node its viscosity and density. Without coefficients the solvent stays water
// however the cosolvent moves, and no factor changes. The nodes run through the series with
// every term written out (the terms past a series' length add a zero, which changes no bit), so
// that the loop runs in vector registers; the rows that changed are found afterwards.
std::pair<int, int> CLammIdeal::UpdateSolventFactors(const double* radii) {
    int first = N + 1, last = 0;
    if (!cosolventGradient || !secondComponentOn || !cosolvent.ready ||
        viscosityFactor.size() != static_cast<size_t>(N) + 1)
        return {first, last};
    ResampleCurveDouble(N, radii, cosolventAtNodes.data(), cosolvent.n, cosolvent.r, cosolvent.c);
    const double water = 1.0 - vbar * kWaterDensity;
    const CSolventSeries viscosity(cosolventArray1, 5), density(cosolventArray2, 6);
    const bool waterViscosity = cosolventArray1.size() < 2 || viscosity.n < 1;
    const bool waterDensity = density.n < 1;
    const double* v = viscosity.scaled;
    const double* d = density.scaled;
    const bool compressible = cosolventCompressible;
    const double* conc = cosolventAtNodes.data();
    const double* rho = solventDensity.data();
    double* f = viscosityFactor.data();
    double* b = buoyancyFactor.data();
    if (waterViscosity && waterDensity && !compressible) {
        // water at every node: the factors are the same everywhere
        const double fWater = kWaterViscosity / kWaterViscosity;
        const double bWater = (1.0 - vbarSecond * (kWaterDensity + 0.0)) / water;
        for (int i = 1; i <= N; ++i)
            if (f[i] != fWater || b[i] != bWater) {
                first = std::min(first, i);
                last = i;
            }
        std::fill(f + 1, f + N + 1, fWater);
        std::fill(b + 1, b + N + 1, bWater);
        return {first, last};
    }
    std::vector<double>& fNew = viscosityFactorNext;
    std::vector<double>& bNew = buoyancyFactorNext;
    fNew.resize(static_cast<size_t>(N) + 1);
    bNew.resize(static_cast<size_t>(N) + 1);
    double* fOut = fNew.data();
    double* bOut = bNew.data();
    const CFactorPass pass{v,
                           d,
                           conc,
                           rho,
                           fOut,
                           bOut,
                           water,
                           double(vbarSecond),
                           N,
                           waterViscosity,
                           waterDensity,
                           compressible};
    RunFactorPass(pass);
    for (int i = 1; i <= N; ++i)
        if (fOut[i] != f[i] || bOut[i] != b[i]) {
            first = i;
            break;
        }
    for (int i = N; i >= first; --i)
        if (fOut[i] != f[i] || bOut[i] != b[i]) {
            last = i;
            break;
        }
    // the new factors take the old ones' place by an exchange of the vectors (the old ones are
    // the next call's work space)
    fOut[0] = f[0];
    bOut[0] = b[0];
    viscosityFactor.swap(fNew);
    buoyancyFactor.swap(bNew);
    return {first, last};
}

// The grid sedimentation coefficient of the moving frame: s at the mean solvent factors.
double CLammIdeal::SolventScaledS(double sS) const {
    const double water = 1.0 - vbar * kWaterDensity;
    double F = 1.0, B = 1.0;
    if (linearGradient) {
        F = (kWaterViscosity / viscosityMeniscus + kWaterViscosity / viscosityBottom) / 2.0;
        B = ((1.0 - vbar * densityMeniscus) + (1.0 - vbar * densityBottom)) / (2.0 * water);
    } else if (compressibleSolvent) {
        F = 1.0 / viscosityRatio;
        B = (1.0 - vbar * rho0) / water;
    } else if (cosolventGradient) {
        F = 1.0 / viscosityRatio;
        B = (1.0 - vbarSecond * rho0) / water;
    }
    return sS * B * F;
}

// The moving grid's stiffness and sedimentation rows follow new solvent factors; the frame, the
// grid and k stay, and the transport is rebuilt from them.
void CLammIdeal::ReassembleSolventMatrices() {
    for (int i = 1; i <= N; ++i) {
        Ka[i] = StiffnessElement(i, i - 1), Kb[i] = StiffnessElement(i, i);
        Kc[i] = StiffnessElement(i, i + 1);
        Sa[i] = SedimentationElement(i, i - 1), Sb[i] = SedimentationElement(i, i);
        Sc[i] = SedimentationElement(i, i + 1);
    }
    ReassembleMatrices();
}
