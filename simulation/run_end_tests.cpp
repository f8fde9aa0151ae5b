// Depletion probe and equilibrium stop of the solvers on the simulation grid.
#include "simulation/run_end_tests.h"

#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/scan_store.h"

namespace {

int gProbe = 0;  // 0: no probe
double gProbeThreshold = 0.0;

}  // namespace

void InitDepletionProbe()
{
    LammGrid::equilibriumReached = false;
    gProbe = 0;
    const int n = LammGrid::allocatedGridSize;
    const double* r = LammGrid::radius;
    if (!LammGrid::arraysAllocated || n < 1)
        return;
    // a limit of 0 is "not set": probing the meniscus would end the run at its start
    if (LammGrid::s > 0.0 && ScanStore::rightFitLimit > ModelParameters::meniscus) {
        for (int i = 1; i <= n && gProbe == 0; ++i)
            if (r[i] >= ScanStore::rightFitLimit)
                gProbe = i;
    } else if (LammGrid::s < 0.0 && ScanStore::leftFitLimit > ModelParameters::meniscus) {
        for (int i = 1; i <= n; ++i)
            if (r[i] < ScanStore::leftFitLimit)
                gProbe = i;
    }
    if (gProbe != 0)
        gProbeThreshold = 1e-4f * LammGrid::concentration[gProbe];
}

bool DepletionProbeReached(int activeLeft)
{
    if (gProbe == 0 || ModelChoice::inhomogeneousSolvent || ModelChoice::zoneCentrifugation)
        return false;
    if (LammGrid::concentration[gProbe] < gProbeThreshold || activeLeft > gProbe) {
        LammGrid::equilibriumReached = true;
        return true;
    }
    return false;
}

GridSolver& LastGridSolver()
{
    static GridSolver last = GridSolver::None;
    return last;
}

bool AScanAwaitsTheProfile()
{
    return ScanStore::scanCount >= 1 && LammGrid::targetScan >= 1 &&
           LammGrid::targetScan <= ScanStore::scanCount;
}

bool EquilibriumCounter::Count(double stepLength, double changePerSecond)
{
    if (stepLength >= 30.0 && changePerSecond < LammGrid::equilibriumThreshold)
        ++count_;
    else
        count_ = 0;
    return count_ > 10;
}
