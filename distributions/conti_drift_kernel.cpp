// Module road of the electrophoresis c(v). The list road solves sector-shaped cells alone; the
// drift cell is solved by the fixed-grid solver with the weighted element integrals of the
// rectangular cell, one point after another in grid order, so every Run gives the same columns.
#include "distributions/conti_drift_kernel.h"

#include "scandata/scan_store_alloc.h"
#include "simulation/conti_kernel.h"
#include "simulation/discrete_sed_module.h"
#include "simulation/lamm_arrays.h"
#include "simulation/lamm_sim_error.h"
#include "simulation/radial_grid.h"
#include "state/conti_state.h"
#include "state/lamm_grid.h"
#include "state/run_switches.h"

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
    bool done = true;
    for (int p = 1; p <= g.Columns() && done; ++p) {
        ContiState::kernelColumn = p;
        LammGrid::s = g.s[p];
        LammGrid::d = g.D[p];
        // With the retries of the discrete model: a fast drift piling up at the bottom may need
        // the whole grid or the last-resort start.
        const bool solved = SolveSpeciesOnGrid(window, 1, 1.0);
        LammGrid::progressWindow = nullptr;
        if (gUserInterrupt.load()) {
            done = false;
        } else if (!solved) {
            ReportLammSimError(window, LammGrid::singularMatrix != 0 ? kLammSingularMatrix
                                                                     : kLammDiscretizationError);
            done = false;
        } else {
            gContiKernel.SetSolved(p, true);
        }
    }
    ContiState::kernelColumn = 1;
    if (!done)
        gContiKernel.Free();
    return done;
}
