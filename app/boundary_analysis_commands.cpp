// The boundary analyses on the window: their Run (which Fit calls too), the extrapolation view,
// and the direct boundary model from a g*(s*) table.
#include "app/save_dialogs.h"
#include "app/txla_window.h"
#include "display/boundary_report_plot.h"
#include "display/parameter_report_view.h"
#include "distributions/boundary_analysis_run.h"
#include "distributions/gstar_boundary.h"
#include "foundations/nr_arrays.h"
#include "foundations/numeric_text_files.h"
#include "scandata/scan_store_alloc.h"
#include "state/boundary_analysis.h"
#include "state/model_choice.h"

#include <string>

namespace {

// After a Run: the view as the model's answer says, and no fit curves (these analyses fit none).
void AfterBoundaryRun(TXLAWindow* window) {
    ScanStore::resultAvailable = false;
    BoundaryAnalysis::reportShown = ModelChoice::boundaryPlot;
    window->LsgExtrapolationReport();
}

} // namespace

bool TXLAWindow::RunVanHoldeWeischet() {
    if (!::RunVanHoldeWeischet(this))
        return false;
    AfterBoundaryRun(this);
    return true;
}

bool TXLAWindow::RunLsgExtrapolation() {
    if (!::RunLsgExtrapolation(this))
        return false;
    AfterBoundaryRun(this);
    return true;
}

void TXLAWindow::LsgExtrapolationReport() {
    LayoutBoundaryReportPlot();
    RequestRepaint();
}

void TXLAWindow::CmGsToDirectBoundary() {
    constexpr const char* kCaption = "Make direct boundary model from g(s*)";
    // Without scans there is nothing to model; nothing is said.
    if (ScanStore::scanCount < 1)
        return;
    MessageBox("1) calculate g(s*) by dcdt (uncorrected s)\n2) write graph data to disk as ASCII "
               "(with error estimates)",
               kCaption, MB_OK);
    std::string path;
    if (!AskOpenPath(this, "select g*(s) ASCII file from dcdt analysis", "", &path))
        return;
    int rows = 0;
    float** table = ReadMatrixTable(path.c_str(), 6, &rows);
    if (!table)
        return; // the reader said why
    const bool made = GStarToDirectBoundary(table, 6, rows);
    free_matrix(table, 1, 6, 1, rows);
    if (!made)
        return;
    ScanStore::resultAvailable = true;
    CmDataRange();
    DisplayBestFitParams(this);
    RequestRepaint();
}
