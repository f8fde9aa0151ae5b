// A step boundary: with no diffusion every particle moves as r = r0 exp(w^2 s t), so the
// boundary leaves the meniscus the same way and the plateau dilutes as exp(-2 w^2 s t)
// (sector-shaped cell); checked against the closed form in the distribution tests.
#include "simulation/non_diffusing_boundary.h"

#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"

#include <cmath>

namespace {

// out[1..n]: the plateau on the side of the edge the species moves to (below it, or above it when
// floating), nothing on the other, half the plateau on the edge itself.
void FillStep(double plateau, double edge, bool floating, const float* radii, float* out, int n) {
    for (int i = 1; i <= n; ++i) {
        const double r = radii[i];
        double v;
        if (r == edge)
            v = 0.5 * plateau;
        else
            v = (floating ? r < edge : r > edge) ? plateau : 0.0;
        out[i] = static_cast<float>(v);
    }
}

} // namespace

void NonDiffusingBoundary(double loading, double timeS, const float* radii, float* out, int n) {
    const double w2st = LammGrid::omega2S * timeS;
    const double plateau = loading * std::exp(-2.0 * w2st);
    const bool floating = w2st < 0.0;
    const double edge =
        (floating ? ModelParameters::bottom : ModelParameters::meniscus) * std::exp(w2st);
    FillStep(plateau, edge, floating, radii, out, n);
}

void NonDiffusingBoundaryInCell(double loading, double timeS, const float* radii, float* out, int n,
                                double rate) {
    if (ModelChoice::electrophoresis) {
        DriftingBoundary(loading, timeS, radii, out, n, rate);
        return;
    }
    const double move = rate * timeS;
    const bool floating = move < 0.0;
    const double start = floating ? ModelParameters::bottom : ModelParameters::meniscus;
    FillStep(loading * std::exp(-move), start * std::exp(move), floating, radii, out, n);
}

void DriftingBoundary(double loading, double timeS, const float* radii, float* out, int n,
                      double rate) {
    const double move = rate * timeS;
    const bool floating = move < 0.0;
    const double start = floating ? ModelParameters::bottom : ModelParameters::meniscus;
    FillStep(loading, start + move, floating, radii, out, n);
}

// Every particle of the layer moves by the same factor exp(w^2 s t), so the layer keeps its edges'
// ratio and dilutes as the step's plateau does; the band is checked by its radial amount, which
// stays that of the loaded layer, in the distribution tests.
void NonDiffusingZone(double loading, double timeS, const float* radii, float* out, int n,
                      double widthCm, bool emptyZone) {
    const double w2st = LammGrid::omega2S * timeS;
    const double factor = std::exp(w2st);
    const double plateau = loading * std::exp(-2.0 * w2st);
    const double outer = (ModelParameters::meniscus + widthCm) * factor;
    if (emptyZone) {
        FillStep(plateau, outer, false, radii, out, n);
        return;
    }
    const double inner =
        (w2st < 0.0 ? ModelParameters::bottom : ModelParameters::meniscus) * factor;
    for (int i = 1; i <= n; ++i) {
        const double r = radii[i];
        double v = 0.0;
        if (r > inner && r < outer)
            v = plateau;
        else if ((r == inner || r == outer) && inner < outer)
            v = 0.5 * plateau;
        out[i] = static_cast<float>(v);
    }
}
