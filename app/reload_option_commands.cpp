// Loading options that take effect by reloading the loaded set: the radial resolution and the
// exclusion of the worst-fitting scan.
#include "app/txla_window.h"
#include "display/scan_rms_file.h"
#include "foundations/input_boxes.h"
#include "scandata/reload_data.h"
#include "scandata/scan_file_list.h"
#include "scandata/scan_store_alloc.h"

#include <string>

void TXLAWindow::CmSetRadialResolution() {
    constexpr const char* kCaption = "SET RADIAL RESOLUTION";
    paintSuspended = true;
    float value = ScanStore::radialResolution;
    if (InputFloatForWindow(this, &value, value, true, "defaut 0.001 (=all data):", kCaption)) {
        if (!(value >= 0.001f)) {
            value = 0.001f;
            MessageBox("setting to minimum 0.001 (all data)", kCaption, MB_OK);
        } else if (value > kMaxRadialResolutionCm) {
            value = kMaxRadialResolutionCm;
            MessageBox("setting to maximum 0.1 (the coarsest the loader can average)", kCaption,
                       MB_OK);
        }
    }
    if (value != ScanStore::radialResolution) {
        ScanStore::radialResolution = value;
        if (AskYesNo("save as startup default?", kCaption))
            WritePreferences();
        // Averaging happens while the files are read, so only a reload shows the new value.
        if (ScanStore::scanCount > 0 &&
            AskYesNo("need to reload files for the change to take effect\nreload now?", kCaption)) {
            MakeTmpScanFileList(0);
            ReloadAllData(this, computeObserver);
        }
    }
    paintSuspended = false;
}

void TXLAWindow::CmExcludeWorstScan() {
    // The worst scan is known only after residuals were shown for the loaded set; an index from
    // no set or an earlier one would drop a wrong scan.
    const int worst = gWorstRmsScan;
    if (worst < 1 || worst > ScanStore::scanCount || !ScanStore::scanFileName[worst])
        return;
    std::string text = std::string("removing ") + ScanStore::scanFileName[worst];
    MessageBox(text.c_str(), "REMOVING SCAN", MB_OK);
    MakeTmpScanFileList(worst);
    ReloadAllData(this, computeObserver);
}
