// The light-scattering commands: "load DLS Data" from a file dialog or a list file, and "save mean
// DLS Data in tarnix format".
#include "app/last_data_folder.h"
#include "app/load_selection.h"
#include "app/txla_window.h"
#include "foundations/show_error.h"
#include "scandata/dls_data_set.h"
#include "scandata/scan_store_alloc.h"
#include "scandata/ui_flags.h"
#include "state/dls_data.h"
#include "state/model_choice.h"

#include <string>
#include <utility>
#include <vector>

void TXLAWindow::CmLoadDLSData() {
    LeaveEqTestMode();
    ReadLastDataFolder(this, gLastDataFolder);
    openFilesDialog.lpstrInitialDir = gLastDataFolder;
    gSelectedFiles[0] = gSelectedFiles[1] = '\0';
    // The record keeps the sedimentation filters for every other load command.
    auto aucFilters = std::move(openFilesDialog.filters);
    DWORD aucFilterIndex = openFilesDialog.nFilterIndex;
    openFilesDialog.filters = {{"tarnix DLS Files (*.dlsdat*)", "*.dlsdat*"},
                               {"Previously Loaded Lists (list*.*)", "list*.*"},
                               {"All Files (*.*)", "*.*"}};
    openFilesDialog.nFilterIndex = 1;
    openFilesDialog.hwndOwner = this;
    openFilesDialog.lpstrTitle = "select files in set 1 to fit";
    openFilesDialog.Flags = kLoadFlags;
    UiFlags::suppressPlotPaint = true;
    bool chosen = GetOpenFileName(&openFilesDialog);
    UiFlags::suppressPlotPaint = false;
    openFilesDialog.filters = std::move(aucFilters);
    openFilesDialog.nFilterIndex = aucFilterIndex;
    if (!chosen) {
        UpdateFloToolsMenu(this);
        return;
    }

    // Only "list" names a list file here; the stride of a direct choice is neither asked nor
    // changed.
    std::vector<std::string> strings;
    bool listFile = false;
    ListFileText listed;
    if (TakeListOrChosenFiles(*this, strings, listFile, listed)) {
        std::string first = FirstFilePath(strings);
        std::string caption = "LIGHT SCATTERING ANALYSIS -> " + first + "...";
        SetCaption(caption.c_str());
        SetCursor(IDC_WAIT);
        LoadDlsData(this, gSelectedFiles);
        if (ModelChoice::equilibriumMs)
            CmFitMAndS();
        SetCursor(IDC_ARROW);
        if (!listFile)
            WriteSelectionList(first, listed);
    }
    UiFlags::suppressPlotPaint = false;
    UpdateFloToolsMenu(this);
}

void TXLAWindow::CmSaveMeanDlsData() {
    // Without light-scattering data there is nothing to average.
    if (!gDlsData || ScanStore::scanCount < 1)
        return;
    char path[4096] = "mean.dlsdat";
    OpenFileRecord record;
    record.hwndOwner = this;
    record.lpstrFile = path;
    record.nMaxFile = sizeof path;
    record.lpstrInitialDir = gLastDataFolder;
    record.lpstrDefExt = "dlsdat";
    record.lpstrTitle = "select filename for new average DLS data set";
    if (!GetSaveFileName(&record))
        return;
    if (!SaveMeanDlsData(path)) {
        std::string text = std::string("Attention: could not open ") + path;
        ShowError(text.c_str());
    }
}
