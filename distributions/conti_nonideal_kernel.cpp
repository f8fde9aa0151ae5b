// Module road of the non-ideal c(s). Each species moves in the concentration of all of them,
// which the previous distribution gives at every radius and time; the coefficients then do not
// depend on the column's own loading, so columns of unit loading still add up linearly and the
// Run can be repeated until the distribution and its total agree. Checked in the distribution
// tests on data of one non-ideal species made by the discrete model.
#include "distributions/conti_nonideal_kernel.h"

#include "scandata/scan_store_alloc.h"
#include "simulation/conti_kernel.h"
#include "simulation/discrete_sed_module.h"
#include "simulation/lamm_arrays.h"
#include "simulation/lamm_sim_error.h"
#include "simulation/module_solvers.h"
#include "simulation/nonlinear_solver.h"
#include "simulation/scan_output.h"
#include "state/conti_state.h"
#include "state/lamm_grid.h"
#include "state/run_switches.h"

bool NonidealTotalKernel(TXLAWindow* window, const ContiGrid& g) {
    using S = ScanStore;
    if (!LammArraysAtGridSize())
        return false;
    gContiKernel.Allocate(g.n, S::scanCount, S::gridRadius, S::gridCount);
    CConcentrationLaw law = ConcentrationLawOfRecord();
    law.law = CoefficientLaw::Nonideal;
    law.distributionTotal = true;
    bool done = true;
    for (int p = 1; p <= g.n && done; ++p) {
        ContiState::kernelColumn = p;
        law.s1 = LammGrid::s = g.s[p];
        law.D1 = LammGrid::d = g.D[p];
        StartSpeciesRun(window, 1.0);
        CScanOutput scans;
        const LammResult result =
            SolveLammNonlinear(LammProblemOfRecord(), law, LammControlOfRecord(), scans);
        LammGrid::progressWindow = nullptr;
        if (gUserInterrupt.load()) {
            done = false;
        } else if (result != kLammSolved) {
            ReportLammSimError(window, result);
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
