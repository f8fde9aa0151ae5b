// Reloading the store from its file list, as after a cell change, a drop of files or a
// time-stamp correction.
#include "app/preference_switches.h"
#include "app/run_switches.h"
#include "app/txla_window.h"
#include "display/progress_line.h"
#include "display/scan_plots.h"
#include "distributions/result_table.h"
#include "equilibrium/realtime_state.h"
#include "fitting/model_parameters.h"
#include "plat/paths.hpp"
#include "scandata/load_steps.h"
#include "scandata/scan_file_list.h"
#include "scandata/scan_store.h"
#include "scandata/scan_user_messages.h"
#include "scandata/time_stamps.h"
#include "tools/dls_data.h"

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
    if (S::scanCount > 0) {
        FreeResultTable();
        FreeAllData();
        if (gDlsData) {
            ModelParameters::meniscus = 0.0f;
            ModelParameters::bottom = 0.0f;
        }
    }
    int count = static_cast<int>(paths.size());
    AllocateScanTables(count);
    for (int i = 1; i <= count; ++i) {
        progress.Draw(static_cast<float>(i) / static_cast<float>(count), window);
        bool tag = false;
        const std::string& full = paths[static_cast<std::size_t>(i - 1)];
        if (!ReadScanIntoSlot(window, i, full, width, &tag)) {
            S::scanCount = i;
            FreeAllData();
            if (RealtimeState::realtimeMode)
                RealtimeState::stopRequested = true;
            ScanErrorBox(full.c_str(), "LOAD ERROR");
            progress.Hide(window);
            return;
        }
        S::scanCount = i;
    }
    if (!SetUpLoadedScans()) {
        progress.Hide(window);
        return;
    }
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
