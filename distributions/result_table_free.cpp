// The distribution result of the last analysis, freed before a new load empties the store.
#include "distributions/boundary_report_plot.h"
#include "distributions/conti_run.h"
#include "distributions/distribution_plot.h"
#include "distributions/dls_time_course.h"
#include "simulation/conti_kernel.h"
#include "simulation/distribution_totals.h"
#include "state/result_table.h"
#include "state/size_shape_state.h"

void FreeResultTable() {
    ClearDistribution(false);
    FreeDistributionArrays();
    gContiKernel.Free();
    ClearDistributionTotals();
    ClearDlsTimeCourse();
    FreeBoundaryAnalysis();
    SizeShapeState::ClearResult();
}
