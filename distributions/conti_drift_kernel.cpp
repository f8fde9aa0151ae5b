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
        LammGrid::s = g.s[p];
        LammGrid::d = g.D[p];
        // With the retries of the discrete model: a fast drift piling up at the bottom may need
        // the whole grid or the last-resort start.
        if (SolveSpeciesOnGrid(window, 1, 1.0))
            return int(kLammSolved);
        return int(LammGrid::singularMatrix != 0 ? kLammSingularMatrix : kLammDiscretizationError);
    });
}
