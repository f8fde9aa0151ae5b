// The commands that write the loaded scans back as a data set.
#include "app/save_dialogs.h"
#include "app/txla_window.h"
#include "equilibrium/eq_data_sorting.h"
#include "foundations/input_boxes.h"
#include "foundations/sounds.h"
#include "plat/files.hpp"
#include "plat/msgbox.hpp"
#include "plat/paths.hpp"
#include "scandata/raw_data_set.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_store_alloc.h"
#include "state/display_options.h"
#include "state/dls_data.h"

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

void TXLAWindow::CmSortEqDataToDisk() {
    using S = ScanStore;
    if (S::scanCount < 1) {
        MessageBox("please load data first", "Sort SE data", MB_OK);
        return;
    }
    if (S::radialResolution > 0.001f) {
        PlayInfoSound();
        if (!AskYesNo("resolution is limiting data points - continue?", "sort EQ data")) {
            if (AskYesNo("change resolution?", "sort EQ data"))
                if (const CommandRow* row = FindCommand(590))
                    RunCommand(*row);
            return;
        }
    }
    std::string target;
    if (AskSavePath(this, "select filename for sorted eq data", "eq.ra1", false, &target)) {
        std::string blank;
        if (ScanDataKind::interference && AskYesNo("subtract blank file?", "")) {
            // The last selection names a folder, or after a single file that file.
            std::string folder = ScanPaths::gLoadSelection, drive, dir;
            if (!plat::IsFolder(folder)) {
                plat::SplitPath(folder, &drive, &dir, nullptr, nullptr);
                folder = drive + dir;
            }
            if (!AskOpenPath(this, "select blank scan", "", &blank, folder.c_str()))
                blank.clear();
        }
        constexpr const char* caption = "make MIROVAN xp file";
        bool makeXp = AskYesNo("make xp files?", "");
        float density = S::density, vbar = S::vbar, a = 1.0f, b = 1.0f, c = 0.0f;
        if (makeXp &&
            !(InputFloatForWindow(this, &density, density, true, "buffer density (g/ml)",
                                  caption) &&
              InputFloatForWindow(this, &vbar, vbar, true,
                                  "partial-spe"
                                  "cific volume (ml/g)",
                                  caption) &&
              InputFloatForWindow(this, &a, a, true, "molar extinction coefficient A", caption) &&
              InputFloatForWindow(this, &b, b, true, "molar extinction coefficient B", caption) &&
              InputFloatForWindow(this, &c, c, true, "molar extinction coefficient C", caption)))
            return;
        SortEqDataToDisk(this, target, blank, 5.0f, makeXp, density, vbar, a, b, c);
    }
    PlayOkSound();
}
