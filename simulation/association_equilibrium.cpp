// A + B <-> AB at sedimentation equilibrium: the mass balances of the cell reduced to the
// quadratic of the uniform mixture, and the three exponentials of each scan.
#include "simulation/association_equilibrium.h"

#include "simulation/equilibrium_kernel.h"
#include "simulation/reacting_system.h"
#include "state/model_parameters.h"

#include <cmath>
#include <vector>

namespace {

// ln h(a), h(a) = (e^a - 1) / a the mean of e^(a u) over u in [0, 1]: the radial integral of an
// exponential over the cell divided by the cell's V. Without overflow for large |a|.
double LogMeanExponential(double a) {
    if (std::fabs(a) < 1e-8)
        return 0.5 * a;
    if (a > 0.0)
        return a + std::log(-std::expm1(-a) / a);
    return std::log(std::expm1(a) / a);
}

} // namespace

AssociationAverages AssociationCellAverages(const AssociationEquilibrium& system, double sigmaA,
                                            double sigmaB, double m, double b) {
    // With x, y the free concentrations at the meniscus and u = (r^2 - m^2) / (b^2 - m^2), the
    // exponentials are e^(aA u), e^(aB u) and, for the complex, e^((aA + aB) u); their cell
    // averages are x h(aA), y h(aB) and K x y h(aA + aB). In the averages alpha = x h(aA),
    // beta = y h(aB) the complex is K g alpha beta with g = h(aA + aB) / (h(aA) h(aB)).
    const double V = 0.5 * (b * b - m * m);
    const double aA = sigmaA * V, aB = sigmaB * V;
    const double g =
        std::exp(LogMeanExponential(aA + aB) - LogMeanExponential(aA) - LogMeanExponential(aB));
    AssociationAverages out;
    out.complex = EquilibriumComplex(system.K * g, system.a0, system.b0);
    out.freeA = system.a0 - out.complex;
    out.freeB = system.b0 - out.complex;
    return out;
}

bool AssociationScanProfile(int k, const AssociationEquilibrium& system, const float* r, int n,
                            float* out) {
    const double m = ModelParameters::meniscus, b = ModelParameters::bottom;
    const AssociationAverages avg = AssociationCellAverages(
        system, EquilibriumScanSigma(k, system.mbA), EquilibriumScanSigma(k, system.mbB), m, b);
    // Each species is the one-species profile of its own mass and average signal; the
    // detection's smoothing is linear, so the sum of the smoothed profiles is the smoothed sum.
    const struct {
        double mb, signal;
    } species[] = {{system.mbA, system.eA * avg.freeA},
                   {system.mbB, system.eB * avg.freeB},
                   {system.mbA + system.mbB, (system.eA + system.eB) * avg.complex}};
    std::vector<float> one(std::size_t(n) + 1, 0.0f);
    for (int i = 1; i <= n; ++i)
        out[i] = 0.0f;
    for (const auto& sp : species) {
        if (!EquilibriumScanProfile(k, sp.mb, sp.signal, r, n, one.data()))
            return false;
        for (int i = 1; i <= n; ++i)
            out[i] += one[i];
    }
    return true;
}
