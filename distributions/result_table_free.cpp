// The distribution result of the last analysis, freed before a new load empties the store.
#include "state/result_table.h"

#include "distributions/conti_run.h"
#include "distributions/distribution_plot.h"
#include "simulation/conti_kernel.h"
#include "simulation/distribution_totals.h"

void FreeResultTable() {
    ClearDistribution(false);
    FreeDistributionArrays();
    gContiKernel.Free();
    ClearDistributionTotals();
}
