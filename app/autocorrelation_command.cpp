// Switching loaded light-scattering data between intensity and field autocorrelation.
#include "app/txla_window.h"
#include "display/scan_plots.h"
#include "plotting/win_plot.h"
#include "scandata/common_grid.h"
#include "scandata/dls_acf_conversion.h"
#include "scandata/scan_store_alloc.h"
#include "state/dls_data.h"

void TXLAWindow::CmToggleAutocorrelationType() {
    using S = ScanStore;
    if (S::scanCount < 1 || !gDlsData || !S::dlsRecords)
        return;
    const char* title;
    if (S::dlsRecords[1].isFieldAcf) {
        for (int i = 1; i <= S::scanCount; ++i)
            ToggleDlsAcfFlag(S::pointCount[i], S::signal[i], S::dlsRecords[i]);
        title = "g(2)-1 intensity autocorrelation ";
    } else {
        for (int i = 1; i <= S::scanCount; ++i)
            ToggleFieldIntensityACF(S::pointCount[i], S::signal[i], S::dlsRecords[i]);
        title = "g(1) field autocorrelation ";
    }
    // A grid of its own holds resampled copies of the values: made again from the new ones, or
    // the fits would go on seeing the other function.
    if (S::gridSignalAllocated)
        BuildCommonRadialGrid();
    if (S::dataPlot)
        S::dataPlot->SetYLabel(title);
    if (S::residualPlot)
        S::residualPlot->SetYLabel(title);
    RedrawDataPlot(true);
    UpdateResiduals(true);
    Invalidate(true);
}
