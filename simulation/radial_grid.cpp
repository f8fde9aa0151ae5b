// The simulation grid's radii. Uniform shapes are formed in single precision as the stored
// meniscus and bottom are floats; the growing and geometric shapes in double.
#include "simulation/radial_grid.h"

#include "foundations/roots.h"
#include "simulation/lamm_arrays.h"
#include "state/dls_data.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr int kMinGrowingGridSize = 50;
// Smallest step of a refined grid, relative to the column height.
constexpr double kMinRefinedStep = 1e-7;

// Step of the growing part at radius r: it grows roughly as the square root of the distance from
// the meniscus, so the meniscus and the first data point keep fine steps.
double GrowingStep(double r, double m, double r0, double h) {
    return h * std::sqrt((r0 / r) * ((r - m) / (r0 - m)));
}

void BuildCellCentred(double* r, int n, float m, float b) {
    for (int i = 1; i <= n; ++i)
        r[i] = m + (float(i) - 0.5f) * (b - m) / float(n);
}

void BuildUniform(double* r, int n, float m, float b) {
    for (int i = 1; i <= n; ++i)
        r[i] = m + float(i - 1) * (b - m) / float(n - 1);
    r[n] = b;
}

void BuildGeometric(double* r, int n, double m, double b) {
    const double q = b / m;
    const double g = std::pow(q, 1.0 / (n - 1));
    r[1] = m;
    r[2] = m * std::pow(q, (LammGrid::sGrid < 0.0 ? 1.5 : 0.5) / (n - 1));
    for (int i = 3; i <= n - 1; ++i)
        r[i] = g * r[i - 1];
    r[n] = b;
}

// Uniform steps of h up to the first point beyond r0, then growing steps; the point after the
// last one written is the bottom. An r0 so far out that the uniform part would fill the grid, or
// a walk that ends before point n, spreads the remaining points evenly up to the bottom, so the
// grid always ends at the bottom within its n points.
void BuildGrowing(double* r, int n, double m, double b, double r0, double h) {
    int k = 1;
    r[1] = m;
    while (r[k] <= r0 && k < n - 1) {
        ++k;
        r[k] = m + (k - 1) * h;
    }
    while (k < n - 1) {
        const double step = GrowingStep(r[k], m, r0, h);
        if (r[k] + step >= b)
            break;
        r[k + 1] = r[k] + step;
        ++k;
    }
    const double last = r[k];
    for (int i = k + 1; i <= n; ++i)
        r[i] = last + (b - last) * double(i - k) / double(n - k);
    r[n] = b;
}

// Number of points of the growing grid with uniform step h: the walk of BuildGrowing without the
// cap at n - 1. n itself when the uniform part reaches n before passing r0.
int GrowingGridPoints(int n, double m, double b, double r0, double h) {
    int k = 1;
    double r = m;
    while (r <= r0) {
        if (k == n)
            return n;
        ++k;
        r = m + (k - 1) * h;
    }
    while (k < kMaxLammGridSize) {
        const double step = GrowingStep(r, m, r0, h);
        if (r + step >= b)
            break;
        r += step;
        ++k;
    }
    return k + 1;
}

} // namespace

GridAlgorithm ChosenGridAlgorithm() {
    if (ModelChoice::movingHatAlgorithm)
        return GridAlgorithm::MovingHat;
    return ModelChoice::claverieAlgorithm ? GridAlgorithm::FixedGrid : GridAlgorithm::CellCentred;
}

void BuildRadialGrid() {
    BuildRadialGridFor(ChosenGridAlgorithm());
}

void BuildRadialGridFor(GridAlgorithm algorithm) {
    // Light-scattering data have no radial column to simulate.
    if (!LammGrid::arraysAllocated || !LammGrid::radius || gDlsData)
        return;
    LammGrid::growingGridBuilt = false;
    double* r = LammGrid::radius;
    const int n = LammGrid::allocatedGridSize;
    const float m = ModelParameters::meniscus, b = ModelParameters::bottom;
    if (algorithm == GridAlgorithm::MovingHat) {
        BuildGeometric(r, n, m, b);
    } else if (algorithm == GridAlgorithm::CellCentred) {
        BuildCellCentred(r, n, m, b);
    } else if (!LammGrid::growingGrid || LammGrid::growthStartRadius <= m ||
               LammGrid::uniformStep <= 0.0) {
        BuildUniform(r, n, m, b);
    } else {
        BuildGrowing(r, n, m, b, LammGrid::growthStartRadius, LammGrid::uniformStep);
        LammGrid::growingGridBuilt = true;
    }
}

int SetupLammGrid(double r0) {
    const double m = ModelParameters::meniscus, b = ModelParameters::bottom;
    int n = LammGrid::gridSize;
    if (m == 0.0 || b == 0.0 || r0 <= m || n < kMinGrowingGridSize ||
        ModelChoice::movingHatAlgorithm || !ModelChoice::claverieAlgorithm) {
        EnsureLammArrays(n);
        return n;
    }
    const double h = (b - m) / (n - 1);
    const int points = GrowingGridPoints(n, m, b, r0, h);
    if (LammGrid::arraysAllocated)
        FreeLammArrays();
    if (points < kMinGrowingGridSize) {
        LammGrid::gridSize = kMinGrowingGridSize;
        LammGrid::growingGrid = false;
        AllocLammArrays();
    } else {
        LammGrid::gridSize = points;
        LammGrid::growingGrid = true;
        LammGrid::growthStartRadius = r0;
        LammGrid::uniformStep = h;
        AllocLammArrays();
        LammGrid::growingGrid = false;
    }
    return LammGrid::gridSize;
}

double GridSpacingResidual(double q) {
    double r = LammGrid::refineRadius, d = LammGrid::refineStep;
    for (int i = LammGrid::refineIndex + 1; i <= LammGrid::allocatedGridSize; ++i) {
        d *= q;
        r += d;
    }
    return double(ModelParameters::bottom) - r;
}

// Stretches the fine part away from the meniscus up to r*, the radius below which the
// equilibrium distribution has fallen to e^-10 of its bottom value, and continues it with
// geometric steps whose factor Brent's search fits so that the last point is the bottom. The
// stretched radius is what is tested, and a stretch that would reach the bottom, a factor that
// is not bracketed in [0, 10], or a factor so small that the last steps shrink below
// kMinRefinedStep of the column (elements with no resolution, only ill-conditioned matrices, or
// equal radii) leaves the grid as it was.
bool SolveGridSpacingParameter(double sigma) {
    if (!LammGrid::arraysAllocated || LammGrid::backDiffusionShutOff || !LammGrid::growingGridBuilt)
        return false;
    double* r = LammGrid::radius;
    const int n = LammGrid::allocatedGridSize;
    const double m = ModelParameters::meniscus, b = ModelParameters::bottom;
    const double lowest = m + 0.1 * (b - m);
    double rStar = lowest;
    if (sigma > 10.0 && 1.0 - 10.0 / (sigma * b * b) > 0.0)
        rStar = b * std::sqrt(1.0 - 10.0 / (sigma * b * b));
    if (rStar < lowest)
        rStar = lowest;

    const std::vector<double> saved(r, r + n + 1);
    int k = 0;
    for (int i = 2; i <= n - 1; ++i) {
        const double stretched = m + 1.1 * (r[i] - m);
        if (stretched >= b)
            break;
        r[i] = stretched;
        if (stretched > rStar) {
            k = i;
            break;
        }
    }
    LammGrid::refineRadius = rStar;
    if (k != 0) {
        LammGrid::refineIndex = k;
        LammGrid::refineRadius = r[k];
        LammGrid::refineStep = r[k] - r[k - 1];
    }
    if (k == 0 || GridSpacingResidual(0.0) <= 0.0 || GridSpacingResidual(10.0) >= 0.0) {
        std::copy(saved.begin(), saved.end(), r);
        return false;
    }
    const double q = Zbrent(GridSpacingResidual, 0.0, 10.0, 1e-6);
    LammGrid::refineFactor = q;
    double d = LammGrid::refineStep;
    for (int i = k + 1; i <= n; ++i) {
        d *= q;
        r[i] = r[i - 1] + d;
    }
    r[n] = b;
    for (int i = k + 1; i <= n; ++i) {
        if (r[i] - r[i - 1] < kMinRefinedStep * (b - m)) {
            std::copy(saved.begin(), saved.end(), r);
            return false;
        }
    }
    return true;
}
