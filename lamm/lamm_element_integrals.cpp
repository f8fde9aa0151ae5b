// Element integrals on the object's grids: the moving reference radii x, the physical radii r.
#include "lamm/hat_integrals.h"
#include "lamm/lamm_ideal.h"

#include <algorithm>

// The moving grid's pair integrals on the reference radii x (with the current x_1 and x_N).
// The back-diffusion shut-off keeps the boundary flux at the end toward which the species
// moves, so material leaves the cell there instead of piling up.
double CLammIdeal::MassElement(int i, int j) const {
    return HatMass(x, N, i, j);
}

double CLammIdeal::StiffnessElement(int i, int j) const {
    if (inhomogeneousSolvent)
        return SolventStiffnessElement(i, j, x, N);
    double v = HatStiffness(x, N, i, j);
    if (BottomOpen()) {
        if (s > 0.0 && i == N && (j == N - 1 || j == N)) {
            const double f = x[N] / (x[N] - x[N - 1]);
            v += j == N ? -f : f;
        } else if (s < 0.0 && i == 1 && (j == 1 || j == 2)) {
            const double f = x[1] / (x[2] - x[1]);
            v += j == 1 ? -f : f;
        }
    }
    return v;
}

double CLammIdeal::SedimentationElement(int i, int j) const {
    if (inhomogeneousSolvent)
        return SolventSedimentationElement(i, j, x, N);
    double v = HatSedimentation(x, N, i, j);
    if (BottomOpen()) {
        if (s > 0.0 && i == N && j == N)
            v -= x[N] * x[N];
        else if (s < 0.0 && i == 1 && j == 1)
            v += x[1] * x[1];
    }
    return v;
}

double CLammIdeal::FrameElement(int i, int j) const {
    return HatFrame(x, N, i, j);
}

double CLammIdeal::CombinedTransportElement(int i, int j) const {
    return FrameElement(i, j) - SedimentationElement(i, j);
}

double CLammIdeal::NodeVolume(int i) const {
    return HatNodeVolume(x, N, i);
}

double CLammIdeal::RadiusNodeVolume(int i, int n) const {
    return HatNodeVolume(r, std::min(n, N), i);
}

double CLammIdeal::RadiusMassElement(int i, int j, int n) const {
    return HatMass(r, std::min(n, N), i, j);
}

double CLammIdeal::RadiusStiffnessElement(int i, int j, int n) const {
    return HatStiffness(r, std::min(n, N), i, j);
}

double CLammIdeal::RadiusSedimentationElement(int i, int j, int n) const {
    return HatSedimentation(r, std::min(n, N), i, j);
}

// Solvent-weighted elements: the viscosity factor f and buoyancy factor b of each node are
// interpolated linearly and integrated exactly with the element.
double CLammIdeal::SolventStiffnessElement(int i, int j, const double* grid, int n) const {
    if (viscosityFactor.size() < static_cast<size_t>(N + 1))
        return HatStiffness(grid, std::min(n, N), i, j);
    return HatWeightedStiffness(grid, viscosityFactor.data(), std::min(n, N), i, j);
}

double CLammIdeal::SolventSedimentationElement(int i, int j, const double* grid, int n) const {
    if (viscosityFactor.size() < static_cast<size_t>(N + 1) ||
        buoyancyFactor.size() < static_cast<size_t>(N + 1))
        return HatSedimentation(grid, std::min(n, N), i, j);
    return HatWeightedSedimentation(grid, viscosityFactor.data(), buoyancyFactor.data(),
                                    std::min(n, N), i, j);
}

double CLammIdeal::SolventDiffusionFlux(const double* grid, int i) const {
    const int m = std::min(i, N);
    const double f = viscosityFactor.size() > static_cast<size_t>(m) ? viscosityFactor[m] : 1.0;
    return grid[m] * f / (grid[m] - grid[m - 1]);
}

double CLammIdeal::SolventSedimentationFlux(const double* grid, int i) const {
    const int m = std::min(i, N);
    const double f = viscosityFactor.size() > static_cast<size_t>(m) ? viscosityFactor[m] : 1.0;
    const double b = buoyancyFactor.size() > static_cast<size_t>(m) ? buoyancyFactor[m] : 1.0;
    return f * b * grid[m] * grid[m];
}

// Uniform-grid integrals of the propagation loop; on a uniform grid the exact element integrals
// are the closed forms r_i, h of the concentration-dependent solver.
double CLammIdeal::ElementIntegralR(int i, int j) {
    gridSpacing = (bottom - meniscus) / (N - 1);
    return HatMass(r, N, i, j);
}

double CLammIdeal::UniformDiffusionTriple(int i, int j, int k) {
    gridSpacing = (bottom - meniscus) / (N - 1);
    return HatDiffusionTriple(r, N, i, j, k);
}

double CLammIdeal::UniformSedimentationTriple(int i, int j, int k) {
    gridSpacing = (bottom - meniscus) / (N - 1);
    return HatSedimentationTriple(r, N, i, j, k);
}
