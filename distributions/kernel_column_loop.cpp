#include "distributions/kernel_column_loop.h"

#include "lamm/lamm_result.h"
#include "simulation/conti_kernel.h"
#include "simulation/lamm_sim_error.h"
#include "state/conti_state.h"
#include "state/lamm_grid.h"
#include "state/run_switches.h"

bool SolveKernelColumns(TXLAWindow* window, int columns,
                        const std::function<LammResult(int)>& solve) {
    bool done = true;
    for (int p = 1; p <= columns && done; ++p) {
        ContiState::kernelColumn = p;
        const LammResult result = solve(p);
        LammGrid::progressObserver = nullptr;
        if (gUserInterrupt.load()) {
            done = false;
        } else if (result != LammResult::Solved) {
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
