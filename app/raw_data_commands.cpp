// The commands that write the loaded scans back as a data set.
#include "app/display_options.h"
#include "app/save_dialogs.h"
#include "app/txla_window.h"
#include "scandata/raw_data_set.h"
#include "scandata/scan_store.h"
#include "tools/dls_data.h"

#include <string>

void TXLAWindow::CmSaveRawDataSet() {
    if (ScanStore::scanCount < 1)
        return;
    paintSuspended = true;
    bool named =
        !gDlsData && AskYesNo("save data with wavelenth/speed information in filename (e.g. "
                              "'20k280_001.ra1')?",
                              "");
    std::string path;
    if (named) {
        if (AskSavePath(this, "select directory ",
                        gOldFilenameConvention ? "data.rxx" : "20k280_001.ra1", true, &path))
            SaveRawDataSet(path);
    } else if (AskSavePath(this, "save raw data in new directory",
                           gOldFilenameConvention ? "data.rxx" : "x.rxx", true, &path)) {
        CopyRawDataSet(path);
    }
    paintSuspended = false;
}

void TXLAWindow::OfferToSaveRawData(const char* question) {
    if (AskYesNo(question, ""))
        CmSaveRawDataSet();
}
