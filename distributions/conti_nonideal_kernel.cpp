// Module road of the non-ideal c(s). Each species moves in the concentration of all of them,
// which the previous distribution gives at every radius and time; the coefficients then do not
// depend on the column's own loading, so columns of unit loading still add up linearly and the
// Run can be repeated until the distribution and its total agree. Checked in the distribution
// tests on data of one non-ideal species made by the discrete model.
#include "distributions/conti_nonideal_kernel.h"

#include "distributions/kernel_column_loop.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/conti_kernel.h"
#include "simulation/discrete_sed_module.h"
#include "simulation/lamm_arrays.h"
#include "simulation/module_solvers.h"
#include "simulation/nonlinear_solver.h"
#include "simulation/scan_output.h"
#include "state/lamm_grid.h"

bool NonidealTotalKernel(TXLAWindow* window, const ContiGrid& g) {
    using S = ScanStore;
    if (!LammArraysAtGridSize())
        return false;
    gContiKernel.Allocate(g.n, S::scanCount, S::gridRadius, S::gridCount);
    CConcentrationLaw law = ConcentrationLawOfRecord();
    law.law = CoefficientLaw::Nonideal;
    law.distributionTotal = true;
    return SolveKernelColumns(window, g.n, [&](int p) {
        law.s1 = LammGrid::s = g.s[p];
        law.D1 = LammGrid::d = g.D[p];
        CGridClock clock = StartSpeciesRun(window, 1.0);
        CScanOutput scans;
        return SolveLammNonlinear(LammProblemOfRecord(), law, LammControlOfRecord(), clock, scans);
    });
}
