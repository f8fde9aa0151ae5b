// Scan and point removal from the plot. Both go through the scan files and a full reload, so the
// store, its grid and the model run are rebuilt the way a fresh load builds them.
#include "display/scan_removal.h"

#include "plat/msgbox.hpp"
#include "plat/window.hpp"
#include "plotting/win_plot.h"
#include "scandata/raw_data_set.h"
#include "scandata/reload_data.h"
#include "scandata/scan_file_list.h"
#include "scandata/scan_store_alloc.h"
#include "state/plot_interaction_state.h"
#include "state/window_services.h"

void RemoveScanFromSet(TXLAWindow* window, int scan) {
    MakeTmpScanFileList(scan);
    ReloadAllData(window, WindowServices::Observer(window));
    ScanStore::dataChanged = true;
}

void DeleteScanPoint(TXLAWindow* window, int scan, int point) {
    if (scan < 1 || scan > ScanStore::scanCount || point < 1 || point > ScanStore::pointCount[scan])
        return;
    // Averaged data hold no original point to delete; the user decides.
    if (ScanStore::radialResolution > 0.00101f &&
        WindowServices::PlatformWindow(window)->MessageBox(
            "data are pre-averaged - continue anyway?", "", MB_YESNO) != IDYES)
        return;
    const bool overwrite = WindowServices::PlatformWindow(window)->MessageBox(
                               "overwrite original scan?", "", MB_YESNO) == IDYES;
    WindowServices::PlatformWindow(window)->SetCursor(IDC_WAIT);
    // The point is written through the list of loaded files, and the reload reads that list: a
    // list that does not match the loaded scans would lose the edit or load another set.
    if (ScanStore::fileNames.size() != std::size_t(ScanStore::scanCount))
        MakeTmpScanFileList(0);
    SaveModifiedScans(scan, point, overwrite);
    gReloadingData = true;
    ReloadAllData(window, WindowServices::Observer(window));
    gReloadingData = false;
    if (CWINPlot* plot = ScanStore::dataPlot) {
        const int k = ZoomHistory::level;
        plot->SetRanges(ZoomHistory::xLow[k], ZoomHistory::xHigh[k], ZoomHistory::yLow[k],
                        ZoomHistory::yHigh[k]);
        plot->Draw();
    }
    WindowServices::PlatformWindow(window)->SetCursor(IDC_ARROW);
    WindowServices::DrawPlotsNow(window);
}
