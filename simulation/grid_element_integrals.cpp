// The simulation grid's element integrals, evaluated by the exact hat-function kernels that the
// solver object uses on its own grids; here they read the grids of LammGrid.
#include "simulation/grid_element_integrals.h"

#include "lamm/hat_integrals.h"
#include "simulation/solvent_profile.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"

#include <algorithm>

namespace {

int GridPoints() {
    return LammGrid::arraysAllocated ? LammGrid::allocatedGridSize : 0;
}

const double* Rho() {
    return LammGrid::movingRadius;
}

// Boundary terms of diffusion and sedimentation through the bottom in the last row.
double BottomFluxFactor(const double* rho, int n) {
    return rho[n] / (rho[n] - rho[n - 1]);
}

} // namespace

double FeElemGrid1(int i) {
    return Rho() ? HatNodeVolume(Rho(), GridPoints(), i) : 0.0;
}
double FeElemGrid1B(int i) {
    return FeElemGrid1(i);
}

double ReferenceGridAmount(const double* volumes, const double* c, int n) {
    return Rho() ? HatGridAmount(Rho(), volumes, c, n) : 0.0;
}

double FeElemGrid2B(int i, int j) {
    return Rho() ? HatMass(Rho(), GridPoints(), i, j) : 0.0;
}
double FeElemGrid2C(int i, int j) {
    return FeElemGrid2B(i, j);
}

double FeElemGrid2D(int i, int j) {
    return Rho() ? HatStiffness(Rho(), GridPoints(), i, j) : 0.0;
}

double FeElemGrid2E(int i, int j) {
    return Rho() ? HatSedimentation(Rho(), GridPoints(), i, j) : 0.0;
}

// In an inhomogeneous solvent the two transport elements carry the solvent's node factors.
double FeElemGrid2Stiff(int i, int j) {
    if (ModelChoice::inhomogeneousSolvent)
        return Rho() ? RadialDiffusionElement(i, j, Rho(), GridPoints()) : 0.0;
    double v = FeElemGrid2D(i, j);
    const int n = GridPoints();
    if (LammGrid::backDiffusionShutOff && n >= 2 && i == n) {
        if (j == n - 1)
            v += BottomFluxFactor(Rho(), n);
        else if (j == n)
            v -= BottomFluxFactor(Rho(), n);
    }
    return v;
}

double FeElemGrid2Sed(int i, int j) {
    if (ModelChoice::inhomogeneousSolvent)
        return Rho() ? RadialSedimentationElement(i, j, Rho(), GridPoints()) : 0.0;
    double v = FeElemGrid2E(i, j);
    const int n = GridPoints();
    if (LammGrid::backDiffusionShutOff && n >= 2 && i == n && j == n)
        v -= Rho()[n] * Rho()[n];
    return v;
}

double FeElemGrid2A(int i, int j) {
    return Rho() ? HatFrame(Rho(), GridPoints(), i, j) : 0.0;
}
double FeElemGrid2F(int i, int j) {
    return FeElemGrid2A(i, j);
}
double FeElemGrid2Net(int i, int j) {
    return FeElemGrid2A(i, j) - FeElemGrid2Sed(i, j);
}

double FeElemTriGrid2B(int i, int j, int k) {
    return Rho() ? HatMassTriple(Rho(), GridPoints(), i, j, k) : 0.0;
}

double FeElemTriGrid2(int i, int j, int k) {
    return Rho() ? HatSedimentationTriple(Rho(), GridPoints(), i, j, k) : 0.0;
}

double FETripleIntegral(int i, int j, int k) {
    return Rho() ? HatDiffusionTriple(Rho(), GridPoints(), i, j, k) : 0.0;
}

double FETripleIntegralProduct(int i, int j, int k) {
    return FETripleIntegral(i, j, k) + FETripleIntegral(i, k, j);
}

double FeElemTriGrid2Frame(int i, int j, int k) {
    return Rho() ? HatFrameTriple(Rho(), GridPoints(), i, j, k) : 0.0;
}

double FeElemTriGrid2A(int i, int j, int k) {
    return FeElemTriGrid2Frame(i, j, k) + FeElemTriGrid2Frame(i, k, j);
}

namespace {

int ActivePoints(int N) {
    return LammGrid::radius ? std::min(N, GridPoints()) : 0;
}

} // namespace

double FeElemGrid1R(int i, int N) {
    return HatNodeVolume(LammGrid::radius, ActivePoints(N), i);
}

double FeElemGrid3A(int i, int j, int N) {
    return HatMass(LammGrid::radius, ActivePoints(N), i, j);
}

double FeElemGrid3B(int i, int j, int N) {
    return HatStiffness(LammGrid::radius, ActivePoints(N), i, j);
}

double FeElemGrid3C(int i, int j, int N) {
    return HatSedimentation(LammGrid::radius, ActivePoints(N), i, j);
}

namespace {

// The two elements of node i on the uniform grid, as a local grid of up to three nodes
// r_i - h, r_i, r_i + h (fewer at the ends); offset maps a global index to a local one.
struct UniformPatch {
    double g[4] = {};
    int n = 0;
    int offset = 0;
    bool valid = false;
    int Local(int global) const { return global - offset; }
};

UniformPatch PatchAround(int i) {
    UniformPatch p;
    const int n = GridPoints();
    if (!LammGrid::radius || i < 1 || i > n)
        return p;
    const double h = UniformElementWidth();
    const double ri = LammGrid::radius[i];
    int first = std::max(i - 1, 1), last = std::min(i + 1, n);
    p.offset = first - 1;
    p.n = last - first + 1;
    for (int g = first; g <= last; ++g)
        p.g[g - p.offset] = ri + (g - i) * h;
    p.valid = true;
    return p;
}

} // namespace

double FeElemUniform2(int i, int j) {
    const UniformPatch p = PatchAround(i);
    return p.valid ? HatMass(p.g, p.n, p.Local(i), p.Local(j)) : 0.0;
}

double FeElemUniformTriD(int i, int j, int k) {
    const UniformPatch p = PatchAround(i);
    return p.valid ? HatDiffusionTriple(p.g, p.n, p.Local(i), p.Local(j), p.Local(k)) : 0.0;
}

double FeElemUniformTriS(int i, int j, int k) {
    const UniformPatch p = PatchAround(i);
    return p.valid ? HatSedimentationTriple(p.g, p.n, p.Local(i), p.Local(j), p.Local(k)) : 0.0;
}

double FeElemUniformTriM(int i, int j, int k) {
    const UniformPatch p = PatchAround(i);
    return p.valid ? HatMassTriple(p.g, p.n, p.Local(i), p.Local(j), p.Local(k)) : 0.0;
}

double UniformElementWidth() {
    const int n = GridPoints();
    return (double(ModelParameters::bottom) - ModelParameters::meniscus) / (n - 1);
}
