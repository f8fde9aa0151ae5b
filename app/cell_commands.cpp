// Loading options that act on the loaded set as a whole: the same selection from another cell,
// whole fringes removed within interference scans, and the data set's notes file.
#include "app/txla_window.h"
#include "foundations/input_boxes.h"
#include "plat/process.hpp"
#include "scandata/common_grid.h"
#include "scandata/reload_data.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_file_list.h"
#include "scandata/scan_store_alloc.h"

#include <cmath>
#include <string>
#include <vector>

namespace {

using S = ScanStore;

// The cell digit of a scan file name: the last character of its extension, or -1.
int CellOf(const char* name) {
    const std::string text = name ? name : "";
    const std::size_t dot = text.find_last_of('.');
    if (dot == std::string::npos || dot + 1 >= text.size())
        return -1;
    const char digit = text.back();
    return digit >= '0' && digit <= '9' ? digit - '0' : -1;
}

} // namespace

void TXLAWindow::CmChangeCell() {
    constexpr const char* kCaption = "LOAD DATA";
    if (S::scanCount < 1)
        CmLoadNewFiles();
    // A cancelled load leaves nothing whose cell could change.
    if (S::scanCount < 1)
        return;
    MakeTmpScanFileList(0);
    const std::vector<std::string> loaded = S::fileNames;
    const int current = CellOf(S::scanFileName[S::scanOrder[1]]);
    float entered = float(current);
    paintSuspended = true;
    const bool ok = InputFloatForWindow(this, &entered, entered, true, "cell number:", kCaption);
    paintSuspended = false;
    const int cell = int(std::floor(entered));
    if (!ok || cell < 0 || cell > 8 || cell == current)
        return;
    SetCellInFileNames(cell);
    // The loaded scans are freed by the reload: make sure it has every file to read first.
    if (!AllScanFilesExist()) {
        S::fileNames = loaded;
        const std::string text = "cell " + std::to_string(cell) +
                                 " has no files of this selection\nthe loaded data are kept";
        MessageBox(text.c_str(), kCaption, MB_OK);
        return;
    }
    ReloadForChangeCell(this, computeObserver);
}

void TXLAWindow::CmRemoveFringeJumps() {
    constexpr const char* kCaption = "REMOVE INTEGRAL FRINGE JUMP WITHIN SCAN";
    if (S::scanCount < 1 || !ScanDataKind::interference)
        return;
    float threshold = 0.8f;
    if (!InputFloatForWindow(this, &threshold, threshold, true, "enter threshold value", kCaption))
        return;
    if (threshold < 0.5f) {
        threshold = 0.5f;
        MessageBox("threshold cannot be smaller than 0.5", kCaption, MB_OK);
    }
    const bool fromResiduals = MessageBox("judge from residuals?", kCaption, MB_YESNO) == IDYES;
    RemoveFringeJumps(threshold, fromResiduals);
    RedrawAfterCorrection("save data?");
}

void TXLAWindow::CmEditNotes() {
    // Without a loaded set there is no notes file to open.
    if (ScanPaths::gNotesPath.empty())
        return;
    plat::OpenInTextEditor(ScanPaths::gNotesPath);
}
