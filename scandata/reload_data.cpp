// Reloading the store from its file list: as a new data set after a cell change, a drop or a
// time-stamp correction, or in place of the loaded set with the current model run on it.
#include "scandata/reload_data.h"

#include "plat/paths.hpp"
#include "plat/window.hpp"
#include "scandata/load_steps.h"
#include "scandata/scan_file_list.h"
#include "scandata/scan_store_alloc.h"
#include "scandata/scan_user_messages.h"
#include "scandata/slot_grid_arrays.h"
#include "scandata/time_stamps.h"
#include "state/model_parameters.h"
#include "state/preference_switches.h"
#include "state/run_switches.h"
#include "state/serial_fit_state.h"
#include "state/window_services.h"

#include <string>
#include <vector>

namespace {

using S = ScanStore;
using P = ScanPaths;

// The steps both reloads share, up to the set-up of the loaded scans. A new data set takes the
// first entry's folder as the data folder; a reload in place keeps the folder and the meniscus
// warning. false when nothing is loaded (empty list, unreadable file, mixed kinds); the progress
// line is hidden then.
bool ReloadListedScans(TXLAWindow* window, bool newDataSet, CProgress& progress) {
    // The list may be rebuilt by the time-stamp check afterwards; the load works on its own copy.
    std::vector<std::string> paths = S::fileNames;
    if (paths.empty()) {
        progress.Hide();
        return false;
    }
    S::dataChanged = true;
    S::mixedDataTypes = false;
    float width = LoadAveragingWidth();
    if (newDataSet) {
        std::string dir;
        plat::SplitPath(paths[0], nullptr, &dir, nullptr, nullptr);
        P::gDataDrive.clear();
        P::gDataDir = dir;
        P::gLoadSelection = WithoutTrailingSeparator(dir);
        ModelParameters::blocalVaryMeniscusWarned = false;
    }
    FreeLoadedScans();
    if (!LoadScanPaths(window, paths, width, progress))
        return false;
    ApplyLoadSwitches();
    // A batch runs its model on every set it loads, and the Run lays the scan plots out beside
    // its result: plots recorded here would be thrown away unseen. The old ones, which show
    // scans just freed, go; the batch lays out the plots itself where its Run did not.
    if (SerialFitState::serializing && !newDataSet)
        WindowServices::DeleteScanPlots();
    else
        WindowServices::SetPlotAxisTitles();
    gSimulateOnly = false;
    return true;
}

} // namespace

void ReloadForChangeCell(TXLAWindow* window, CComputeObserver& observer) {
    if (S::fileNames.empty())
        return;
    CProgress progress(observer, 10, 10);
    if (!ReloadListedScans(window, true, progress))
        return;
    WindowServices::RedrawDataPlot(false);
    ScanRequestRepaint(window);
    progress.Hide();
    if (gCheckTimeStamps && CheckTimeStamps(window) == 1)
        ReloadForChangeCell(window, observer);
    if (window && !S::fileNames.empty()) {
        std::string caption = "SEDIMENTATION ANALYSIS -> " + S::fileNames[0] + "...";
        WindowServices::PlatformWindow(window)->SetCaption(caption.c_str());
    }
}

void ReloadAllData(TXLAWindow* window, CComputeObserver& observer) {
    if (S::fileNames.empty())
        return;
    CProgress progress(observer, 10, 10);
    if (!ReloadListedScans(window, false, progress))
        return;
    AllocCommonGridScanArrays();
    // A batch sets each set's parameters first and runs the model itself.
    if (window && !SerialFitState::serializing)
        WindowServices::RunModel(window);
    progress.Hide();
    // Corrected copies were written: they are loaded as the data set they now are.
    if (gCheckTimeStamps && CheckTimeStamps(window) == 1)
        ReloadForChangeCell(window, observer);
}
