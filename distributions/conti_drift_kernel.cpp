// Module road of the electrophoresis c(v). The list road solves sector-shaped cells alone; the
// drift cell is solved by the fixed-grid solver with the weighted element integrals of the
// rectangular cell, one point after another in grid order, so every Run gives the same columns.
#include "distributions/conti_drift_kernel.h"

#include "distributions/kernel_column_loop.h"
#include "lamm/lamm_result.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/conti_kernel.h"
#include "simulation/discrete_sed_module.h"
#include "simulation/lamm_arrays.h"
#include "simulation/radial_grid.h"
#include "state/lamm_grid.h"
#include "state/model_parameters.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// True when a drift at vCmS (D dCm2s) has crossed the whole cell, by four spreading widths,
// before the first scan, and piles up against its end in a layer (decay length D / |v|) that the
// solver's grid cannot resolve: its cell Peclet number |v| h / D is above 2, where the fixed-grid
// solution oscillates, and those oscillations would reach into the data as values of either sign
// far beyond the loading.
bool PiledUpBeforeTheFirstScan(double vCmS, double dCm2s) {
    using S = ScanStore;
    const double length = ModelParameters::bottom - ModelParameters::meniscus;
    if (S::scanCount < 1 || S::header == nullptr || !(length > 0.0) || !(dCm2s > 0.0) ||
        LammGrid::gridSize < 2)
        return false;
    double first = std::numeric_limits<double>::infinity();
    for (int k = 1; k <= S::scanCount; ++k)
        first = std::min(first, double(S::header[k].time));
    const double t = first - (ModelParameters::startTimeOn ? ModelParameters::startTime : 0.0);
    const double v = std::fabs(vCmS);
    if (!(t > 0.0) || v * t - 4.0 * std::sqrt(2.0 * dCm2s * t) < length)
        return false;
    return v * (length / (LammGrid::gridSize - 1)) / dCm2s > 2.0;
}

// The steady pile of unit loading against the end the drift goes to, where flux v c - D c'
// vanishes: c = (|v| L / D) exp(-|v| x / D) / (1 - exp(-|v| L / D)) at distance x from that end,
// the same at every scan.
void WritePile(int p, double vCmS, double dCm2s) {
    using S = ScanStore;
    const double m = ModelParameters::meniscus, b = ModelParameters::bottom;
    const double k = std::fabs(vCmS) / dCm2s, length = b - m;
    const double peak = k * length / -std::expm1(-k * length);
    for (int scan = 1; scan <= S::scanCount; ++scan) {
        float* row = gContiKernel.Row(p, scan);
        for (int i = 1; i <= S::gridCount; ++i) {
            const double r = S::gridRadius[i];
            const double x = std::max(0.0, vCmS > 0.0 ? b - r : r - m);
            row[i] = float(peak * std::exp(-k * x));
        }
    }
}

} // namespace

bool DriftKernel(TXLAWindow* window, const ContiGrid& g) {
    using S = ScanStore;
    if (g.n <= 0)
        return false;
    // The drift cell exists on the fixed grid only: this switches to it.
    ChooseAlgorithmForSpecies(g.s[1]);
    if (!LammArraysAtGridSize())
        return false;
    // Arrays kept from an earlier Run hold the grid of its meniscus and bottom: a Fit moves them.
    BuildRadialGrid();
    gContiKernel.Allocate(g.Columns(), S::scanCount, S::gridRadius, S::gridCount);
    return SolveKernelColumns(window, g.Columns(), [&](int p) {
        if (PiledUpBeforeTheFirstScan(g.s[p] * 1e-4, g.D[p])) {
            WritePile(p, g.s[p] * 1e-4, g.D[p]);
            return LammResult::Solved;
        }
        LammGrid::s = g.s[p];
        LammGrid::d = g.D[p];
        // With the retries of the discrete model: a fast drift piling up at the bottom may need
        // the whole grid or the last-resort start.
        if (SolveSpeciesOnGrid(window, 1, 1.0))
            return LammResult::Solved;
        return LammGrid::singularMatrix != 0 ? LammResult::SingularMatrix
                                             : LammResult::DiscretizationError;
    });
}
