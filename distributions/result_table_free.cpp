// The distribution result of the last analysis, freed before a new load empties the store.
#include "distributions/conti_run.h"
#include "distributions/dls_time_course.h"
#include "simulation/conti_kernel.h"
#include "simulation/distribution_totals.h"
#include "state/boundary_analysis.h"
#include "state/result_table.h"
#include "state/size_shape_state.h"
#include "state/window_services.h"

void FreeResultTable() {
    WindowServices::ClearDistribution(false);
    FreeDistributionArrays();
    gContiKernel.Free();
    ClearDistributionTotals();
    ClearDlsTimeCourse();
    WindowServices::FreeBoundaryReportPlot();
    BoundaryAnalysis::ResetToDefaults();
    SizeShapeState::ClearResult();
}
