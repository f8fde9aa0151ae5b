// Loading electrophoresis data: the sedimentation load command with the electrophoresis switch,
// then the electrophoresis Lamm model on a grid of 200 points.
#include "app/txla_window.h"
#include "scandata/scan_data_kind.h"
#include "state/dls_data.h"
#include "state/lamm_grid.h"

void TXLAWindow::CmLoadElectrophoresisData() {
    ScanDataKind::electrophoresis = true;
    gElectrophoresisLoadRequest = true;
    CmLoadNewFiles();
    gElectrophoresisLoadRequest = false;
    CmElectrophoresisLamm();
    LammGrid::gridSize = 200;
    UpdateFloToolsMenu(this);
}
