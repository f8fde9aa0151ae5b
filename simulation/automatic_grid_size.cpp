// The automatic node count of the simulation grid.
#include "simulation/automatic_grid_size.h"

#include "foundations/hydrodynamics.h"
#include "foundations/whole_number.h"

#include <algorithm>
#include <cmath>
#include <numbers>

GridSizeChoice ChooseAutomaticGridSize(const GridSizeInputs& in) {
    GridSizeChoice out;
    const auto s = float(in.sS);
    const float mass = MFromSandD(s, float(in.dCm2s), float(in.temperatureC));
    const float f0 = SphereFrictionCoefficient(mass, float(in.vbar));
    out.frictionalRatio =
        f0 > 0.0f ? FrictionFromMandS(mass, s, float(in.vbar), float(in.density)) / f0 : 0.0;
    if (!(out.frictionalRatio >= 0.5) || !(in.dCm2s > 0.0))
        return out;

    const double m = in.meniscus, b = in.bottom;
    const double omega = in.rpm * 2.0 * std::numbers::pi / 60.0;
    const double omega2s = omega * omega * std::fabs(in.sS) * 1e-13;
    const double r0 = std::max(in.firstFitRadius, m + 0.001);
    // The meniscus travels x during a linear acceleration of t_a at omega_a per second.
    const double omegaA = in.accelerationRate * 2.0 * std::numbers::pi / 60.0;
    const double ta = in.accelerationTime;
    const double x = std::fabs(in.sS) * 1e-13 * omegaA * omegaA * m * ta * ta * ta / 3.0;
    const double tau = r0 - m <= x ? (r0 - m) / (omega2s * r0) : (r0 - x - m) / (omega2s * r0) + ta;
    // Without a rotor speed no boundary forms: nothing to size the grid for.
    const double width = std::max(std::sqrt(in.dCm2s * tau), 0.001);
    if (!std::isfinite(width))
        return out;
    const double h = width / in.pointsPerSigma;

    // Counts above the largest grid only matter as "too many": they are held just above it.
    const int ceiling = std::max(in.maxNodes, in.minNodes) + 1;
    const int uniform = FloorToInt((b - m) * in.pointsPerSigma / width, 0, ceiling);
    int moving = uniform;
    const double q = b / m;
    for (int n = uniform; n > in.minNodes; --n) {
        const double first = (std::pow(q, 1.5 / (n - 1)) - std::pow(q, 0.5 / (n - 1))) * m;
        if (h < first) {
            moving = n + 1;
            break;
        }
        moving = n - 1;
    }
    out.sized = true;
    out.startRadius = r0;
    out.boundaryWidth = width;
    out.uniformCount = uniform;
    out.movingCount = moving;
    out.nodes = std::clamp(in.movingHat ? moving : uniform, in.minNodes, in.maxNodes);
    return out;
}
