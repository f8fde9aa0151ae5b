// LoadAllData: the selection read into the store, then the previous analysis offered, the model
// evaluated on it and the plots redrawn.
#include "app/load_all_data.h"

#include "app/txla_window.h"
#include "fitting/restore_analysis.h"
#include "plat/filedlg.hpp"
#include "scandata/common_grid.h"
#include "scandata/fit_limits.h"
#include "scandata/load_steps.h"
#include "scandata/reload_data.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_store_alloc.h"
#include "scandata/scan_user_messages.h"
#include "scandata/selection_check.h"
#include "scandata/slot_grid_arrays.h"
#include "scandata/time_stamps.h"
#include "scandata/ui_flags.h"
#include "simulation/simulation_switches.h"
#include "state/model_parameters.h"
#include "state/preference_switches.h"
#include "state/realtime_state.h"
#include "state/run_switches.h"
#include "state/serial_fit_state.h"
#include "state/window_services.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

using S = ScanStore;
using P = ScanPaths;

// What follows the reading: noise switches, plots, restore offer, checks.
void FinishLoad(TXLAWindow* window, CProgress& progress) {
    ApplyLoadSwitches();
    bool restored = !RealtimeState::realtimeMode && RestorePreviousAnalysis(window, true);
    if (restored) {
        WindowServices::SetPlotAxisTitles();
        gSimulateOnly = false;
        AllocCommonGridScanArrays();
        RunDiscreteSed(window);
        char text[64];
        std::snprintf(text, sizeof text, "mean dev = %f  ", static_cast<double>(CalcFitRmsd()));
        ScanDrawText(window, 10, 50, text);
        WindowServices::RedrawDataPlot(false);
        ScanRequestRepaint(window);
    } else if (!(RealtimeState::realtimeMode && RealtimeState::equilibriumTestMode)) {
        WindowServices::SetPlotAxisTitles();
        gSimulateOnly = false;
        WindowServices::RedrawDataPlot(false);
        if (!SerialFitState::serializing)
            ScanRequestRepaint(window);
    }
    if (!RealtimeState::realtimeMode && !SerialFitState::serializing &&
        !RealtimeState::equilibriumTestMode)
        ScanCheckTemperature(window, 1.0f);
    progress.Hide();
    if (gCheckTimeStamps && CheckTimeStamps(window) == 1)
        ReloadForChangeCell(window, WindowServices::Observer(window));
    if (scanTimeCorrection && ScanDataKind::fluorescence) {
        scanTimeCorrection = false;
        ScanOwnedBox(
            window, "scan time correction for fluorescence data not yet implemented, switching off",
            "");
    }
}

} // namespace

bool LoadAllData(TXLAWindow* window, const char* selection, const std::string& caption) {
    CProgress progress(WindowServices::Observer(window), 10, 10);
    ScanDebugLog(window, "\nEnter LoadAllData");
    float width = LoadAveragingWidth();
    std::vector<std::string> strings = SelectionStrings(selection);
    if (strings.empty()) {
        progress.Hide();
        return false;
    }
    bool single = strings.size() == 1;

    // The names taken: the 1st, (n+1)-th, (2n+1)-th ... with stride n.
    std::vector<std::string> names;
    if (single) {
        names.push_back(strings[0]);
    } else {
        int stride = S::fileStride > 1 ? S::fileStride : 1;
        int k = 0;
        for (std::size_t j = 1; j < strings.size(); ++j) {
            ++k;
            if (stride == 1 || k == 1)
                names.push_back(strings[j]);
            if (k >= stride)
                k = 0;
        }
    }
    if (static_cast<int>(names.size()) > kMaxScans) {
        ScanErrorBox("too many scans selected", "LOAD ERROR");
        if (RealtimeState::realtimeMode)
            RealtimeState::stopRequested = true;
        progress.Hide();
        return false;
    }

    std::string folderDir, ignoredName, ignoredExt;
    std::string loadSelection = strings[0];
    if (single) {
        SplitScanPath(strings[0], folderDir, ignoredName, ignoredExt);
    } else {
        folderDir = strings[0];
        if (folderDir.empty() || folderDir.back() != '/')
            folderDir += '/';
    }
    if (UiFlags::useListFileFolder && !UiFlags::listFileDir.empty()) {
        // The user chose to take the listed names from the list file's own folder; later
        // rebuilds of the file list start from there too.
        folderDir = UiFlags::listFileDir;
        loadSelection =
            folderDir.size() > 1 ? folderDir.substr(0, folderDir.size() - 1) : folderDir;
    }
    std::vector<std::string> paths;
    for (const std::string& name : names)
        paths.push_back(single ? name : folderDir + name);
    if (paths.empty()) {
        progress.Hide();
        return false;
    }

    // Every file is read once before the loaded scans and their analysis make way: a selection
    // that does not load leaves them, and the caption, as they were.
    if (single && !S::equilibriumData) {
        if (!SelectionLoads(paths, 0.0f)) {
            progress.Hide();
            return false;
        }
        ScanErrorBox("only one file selected", "ERROR");
        if (!ScanQuestion(nullptr, "switch to Equilibrium Data Mode?", "LOAD ERROR")) {
            progress.Hide();
            return false;
        }
        S::equilibriumData = true;
        width = 0.0f;
    } else if (!SelectionLoads(paths, width)) {
        progress.Hide();
        return false;
    }

    if (window && !caption.empty())
        window->SetCaption(caption.c_str());
    S::dataChanged = true;
    S::mixedDataTypes = false;
    P::gLoadSelection = loadSelection;
    ModelParameters::blocalVaryMeniscusWarned = false;
    FreeLoadedScans();
    P::gDataDrive.clear();
    P::gDataDir = folderDir;
    std::string dir, name, ext;
    SplitScanPath(paths[0], dir, name, ext);
    P::gNotesPath = P::gDataDrive + P::gDataDir + "notes" + ext;
    if (!LoadScanPaths(window, paths, width, progress)) {
        // The store is empty now: the window says so, rather than keep showing the scans of the
        // earlier load under a title that names the new folder.
        if (window)
            window->SetCaption("Sedimentation Analysis");
        ScanRequestRepaint(window);
        return false;
    }
    // The file dialogs that name no folder of their own open in the data folder from now on.
    plat::SetDialogFolder(P::gDataDrive + P::gDataDir);
    FinishLoad(window, progress);
    return true;
}
