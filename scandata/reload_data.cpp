// Reloading the store from its file list, as after a cell change, a drop of files or a
// time-stamp correction.
#include "app/preference_switches.h"
#include "app/run_switches.h"
#include "app/txla_window.h"
#include "display/progress_line.h"
#include "display/scan_plots.h"
#include "fitting/model_parameters.h"
#include "plat/paths.hpp"
#include "scandata/load_steps.h"
#include "scandata/scan_file_list.h"
#include "scandata/scan_store.h"
#include "scandata/scan_user_messages.h"
#include "scandata/time_stamps.h"

#include <string>
#include <vector>

void ReloadForChangeCell(TXLAWindow* window) {
    using S = ScanStore;
    using P = ScanPaths;
    // The list may be rebuilt by the time-stamp check below; the load works on its own copy.
    std::vector<std::string> paths = S::fileNames;
    if (paths.empty())
        return;
    CProgressLine progress;
    progress.Show(window, 10, 10);
    S::dataChanged = true;
    S::mixedDataTypes = false;
    float width = LoadAveragingWidth();
    std::string dir;
    plat::SplitPath(paths[0], nullptr, &dir, nullptr, nullptr);
    P::gDataDrive.clear();
    P::gDataDir = dir;
    P::gLoadSelection = WithoutTrailingSeparator(dir);
    ModelParameters::blocalVaryMeniscusWarned = false;
    FreeLoadedScans();
    if (!LoadScanPaths(window, paths, width, progress))
        return;
    ApplyLoadSwitches();
    SetPlotAxisTitles();
    gSimulateOnly = false;
    RedrawDataPlot(false);
    ScanRequestRepaint(window);
    progress.Hide(window);
    if (gCheckTimeStamps && CheckTimeStamps(window) == 1)
        ReloadForChangeCell(window);
    if (window && !S::fileNames.empty()) {
        std::string caption = "SEDIMENTATION ANALYSIS -> " + S::fileNames[0] + "...";
        window->SetCaption(caption.c_str());
    }
}
