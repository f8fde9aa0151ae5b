// The load commands of the "&Data" menu: from a file dialog to a selection, a list file in the
// data folder, the caption and the loader that fits the choice.
#include "app/add_more_files.h"
#include "app/experiment_file.h"
#include "app/last_data_folder.h"
#include "app/load_all_data.h"
#include "app/load_selection.h"
#include "app/txla_window.h"
#include "foundations/input_boxes.h"
#include "foundations/key_polling.h"
#include "plat/paths.hpp"
#include "plat/process.hpp"
#include "scandata/initial_data.h"
#include "scandata/list_file.h"
#include "scandata/load_steps.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_store_alloc.h"
#include "scandata/ui_flags.h"
#include "state/dls_data.h"
#include "state/model_choice.h"
#include "state/mstar_state.h"
#include "state/startup_paths.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <strings.h>
#include <vector>

namespace {

bool IsListFileName(const std::string& name) {
    return strcasecmp(name.c_str(), "list") == 0 || strcasecmp(name.c_str(), "list_corr") == 0;
}

// A stride answer rounded down, at least 1.
int StrideFrom(float answer) {
    double stride = std::floor(static_cast<double>(answer));
    return stride < 1.0 || !std::isfinite(stride) ? 1
           : stride > 1e6                         ? 1000000
                                                  : static_cast<int>(stride);
}

// Switches the Fit M and s mode on, as the equilibrium load leaves it.
void FitMAndSOn(TXLAWindow& window) {
    if (!ModelChoice::equilibriumMs)
        window.CmFitMAndS();
}

// The kind of the loaded scans, given back when a new selection is refused and they stay.
struct LoadedKind {
    bool equilibrium = ScanStore::equilibriumData;
    bool electrophoresis = ScanDataKind::electrophoresis;
    int stride = ScanStore::fileStride;
    void Restore() const {
        if (ScanStore::scanCount < 1)
            return;
        ScanStore::equilibriumData = equilibrium;
        ScanDataKind::electrophoresis = electrophoresis;
        ScanStore::fileStride = stride;
    }
};

} // namespace

void TXLAWindow::CmLoadNewFiles() {
    if (MStarState::mStarMode || MStarState::multipleSets)
        return;
    LeaveEqTestMode();
    const LoadedKind kept;
    ScanDataKind::electrophoresis = gElectrophoresisLoadRequest;
    ScanStore::equilibriumData = false;
    ReadLastDataFolder(this, gLastDataFolder);
    openFilesDialog.lpstrInitialDir = gLastDataFolder;
    gSelectedFiles[0] = gSelectedFiles[1] = '\0';
    openFilesDialog.hwndOwner = this;
    openFilesDialog.lpstrTitle = "select files to fit";
    openFilesDialog.Flags = kLoadFlags;

    UiFlags::suppressPlotPaint = true;
    if (GetOpenFileName(&openFilesDialog)) {
        UiFlags::suppressPlotPaint = false;
        std::vector<std::string> strings = SelectionStrings(gSelectedFiles);
        std::string drive, dir, name, ext;
        plat::SplitPath(strings[0], &drive, &dir, &name, &ext);
        UiFlags::listFileDir = drive + dir;
        bool oneFile = strings.size() == 1;
        bool listFile = false;
        ListFileText listed;
        if (oneFile && ext == ".xp" && !name.starts_with('_')) {
            std::snprintf(gSelectedFiles2, kSelectedFilesSize, "%s", strings[0].c_str());
            ReadXpExperiment(this, gSelectedFiles2);
            strings.clear();
        } else if (oneFile && IsListFileName(name)) {
            listFile = true;
            if (!ReadListSelection(*this, strings))
                strings.clear();
        } else {
            UiFlags::suppressPlotPaint = true;
            float answer = static_cast<float>(ScanStore::fileStride);
            InputFloat(&answer, answer, true, "load every n'th file:", "LOAD FILES");
            UiFlags::suppressPlotPaint = false;
            ScanStore::fileStride = StrideFrom(answer);
            SaveLastDataFolder(this, oneFile ? (drive + dir).c_str() : strings[0].c_str());
            listed = ListFileText{.stride = ScanStore::fileStride, .strings = strings};
        }
        if (!strings.empty()) {
            std::string first = FirstFilePath(strings);
            UiFlags::useListFileFolder = false;
            if (listFile && !FileExists(first.c_str())) {
                std::string question = "could not find files in " + first + " - use file from " +
                                       UiFlags::listFileDir + " ?";
                paintSuspended = true;
                UiFlags::useListFileFolder =
                    MessageBox(question.c_str(), "LOAD ERROR", MB_YESNO) == IDYES;
                paintSuspended = false;
                if (UiFlags::useListFileFolder)
                    SaveLastDataFolder(this, UiFlags::listFileDir.c_str());
            }
            std::string caption = (ScanDataKind::electrophoresis ? "ELECTROPHORESIS ANALYSIS -> "
                                                                 : "SEDIMENTATION ANALYSIS -> ") +
                                  first + "...";
            SetCursor(IDC_WAIT);
            const bool loaded = LoadAllData(this, gSelectedFiles, caption);
            UiFlags::useListFileFolder = false;
            SetCursor(IDC_ARROW);
            if (!loaded)
                kept.Restore();
            else if (!listFile)
                WriteSelectionList(first, listed);
        }
    }
    UiFlags::suppressPlotPaint = false;
    UpdateFloToolsMenu(this);
}

void TXLAWindow::CmLoadEquilibriumData() {
    LeaveEqTestMode();
    ReadLastDataFolder(this, gLastDataFolder);
    openFilesDialog.lpstrInitialDir = gLastDataFolder;
    ScanDataKind::electrophoresis = false;
    gSelectedFiles[0] = gSelectedFiles[1] = '\0';
    openFilesDialog.hwndOwner = this;
    openFilesDialog.lpstrTitle = "select files in set 1 to fit";
    openFilesDialog.Flags = kLoadFlags;
    UiFlags::suppressPlotPaint = true;
    bool chosen = GetOpenFileName(&openFilesDialog);
    UiFlags::suppressPlotPaint = false;
    if (chosen) {
        const LoadedKind kept;
        ScanStore::equilibriumData = true;
        std::vector<std::string> strings;
        bool listFile = false;
        ListFileText listed;
        if (TakeListOrChosenFiles(*this, strings, listFile, listed)) {
            if (!listFile)
                ScanStore::fileStride = 1;
            std::string first = FirstFilePath(strings);
            std::string caption = "SEDIMENTATION EQUILIBRIUM ANALYSIS -> " + first + "...";
            SetCursor(IDC_WAIT);
            const bool loaded = LoadAllData(this, gSelectedFiles, caption);
            SetCursor(IDC_ARROW);
            if (!loaded)
                kept.Restore();
            else if (!listFile)
                WriteSelectionList(first, listed);
        }
    }
    FitMAndSOn(*this);
    UpdateFloToolsMenu(this);
}

void TXLAWindow::CmAddMoreFiles() {
    if (MStarState::mStarMode || MStarState::multipleSets)
        return;
    LeaveEqTestMode();
    gSelectedFiles[0] = gSelectedFiles[1] = '\0';
    openFilesDialog.hwndOwner = this;
    openFilesDialog.lpstrTitle = "select files to add to set 1";
    UiFlags::suppressPlotPaint = true;
    if (GetOpenFileName(&openFilesDialog)) {
        UiFlags::suppressPlotPaint = false;
        SetCursor(IDC_WAIT);
        AddMoreFiles(this, gSelectedFiles);
        SetCursor(IDC_ARROW);
    }
    UiFlags::suppressPlotPaint = false;
    UpdateFloToolsMenu(this);
}

namespace {

// The single-file dialog of Edit Data Files and Set Initial Data; false on cancel or error, with
// "GetOpenFileName returned Error #%ld" for an error.
bool ChooseOneFile(TXLAWindow& window, const char* title, char* path, int size) {
    OpenFileRecord record;
    record.hwndOwner = &window;
    record.SetFilter("ZIR Files (*.R*)|*.r*|All Files (*.*)|*.*|");
    record.nFilterIndex = 1;
    path[0] = '\0';
    record.lpstrFile = path;
    record.nMaxFile = static_cast<DWORD>(size);
    record.lpstrDefExt = "*";
    record.lpstrTitle = title;
    record.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
    if (GetOpenFileName(&record))
        return true;
    if (DWORD code = CommDlgExtendedError()) {
        char text[80];
        std::snprintf(text, sizeof text, "GetOpenFileName returned Error #%ld",
                      static_cast<long>(code));
        window.MessageBox(text, "WARNING", MB_OK | MB_ICONSTOP);
    }
    return false;
}

} // namespace

void TXLAWindow::CmEditDataFiles() {
    char path[kPathBufferSize];
    if (!ChooseOneFile(*this, "Select File to Edit", path, sizeof path))
        return;
    plat::OpenInTextEditor(path);
}

void TXLAWindow::CmSetInitialData() {
    char path[kPathBufferSize];
    if (!ChooseOneFile(*this, "Select Initial Data", path, sizeof path))
        return;
    SetCursor(IDC_WAIT);
    if (LoadInitialData(this, path) == 1 && ScanStore::dataPlot)
        DrawPlotsNow();
    SetCursor(IDC_ARROW);
}
