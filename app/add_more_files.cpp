// AddMoreFiles: the per-scan tables grown by the new scans, which may lie in another folder.
#include "app/add_more_files.h"

#include "app/load_all_data.h"
#include "plat/paths.hpp"
#include "scandata/common_grid.h"
#include "scandata/fit_limits.h"
#include "scandata/load_steps.h"
#include "scandata/scan_store_alloc.h"
#include "scandata/scan_user_messages.h"
#include "scandata/selection_check.h"
#include "state/preference_switches.h"
#include "state/run_switches.h"
#include "state/window_services.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

using S = ScanStore;
using P = ScanPaths;

// Replaces a table of old + 1 entries by one of count + 1 with the first old entries moved over.
template <typename T> void GrowTable(T*& table, int old, int count) {
    T* grown = new T[static_cast<std::size_t>(count) + 1]();
    if (table)
        std::copy(table, table + old + 1, grown);
    delete[] table;
    table = grown;
}

void GrowScanTables(int old, int count) {
    GrowTable(S::scanFileName, old, count);
    GrowTable(S::radius, old, count);
    GrowTable(S::fit, old, count);
    GrowTable(S::work, old, count);
    GrowTable(S::residuals, old, count);
    GrowTable(S::signal, old, count);
    GrowTable(S::thirdColumn, old, count);
    GrowTable(S::header, old, count);
    GrowTable(S::scanVectors, old, count);
    GrowTable(S::scanCurves, old, count);
    GrowTable(S::pointCount, old, count);
    GrowTable(S::scanOrder, old, count);
    GrowTable(S::firstFitIndex, old, count);
    GrowTable(S::lastFitIndex, old, count);
}

} // namespace

void AddMoreFiles(TXLAWindow* window, const char* selection) {
    float width = LoadAveragingWidth();
    if (S::scanCount < 1) {
        S::dataChanged = true;
        LoadAllData(window, selection);
        return;
    }
    std::vector<std::string> strings = SelectionStrings(selection);
    if (strings.empty())
        return;
    // Every selected file is added; one string is one full path.
    std::vector<std::string> paths;
    std::string folder;
    if (strings.size() == 1) {
        plat::SplitPath(strings[0], nullptr, &folder, nullptr, nullptr);
        paths.push_back(strings[0]);
    } else {
        folder = strings[0];
        if (folder.empty() || folder.back() != '/')
            folder += '/';
        for (std::size_t j = 1; j < strings.size(); ++j)
            paths.push_back(folder + strings[j]);
    }
    // Every new file is read once before the tables grow: an addition refused then (with a box
    // for each file that does not read) leaves the loaded scans, their analysis and the caption
    // as they were.
    if (!SelectionLoads(paths, width, true))
        return;
    S::dataChanged = true;
    int old = S::scanCount;
    FreeCommonGrid(old);
    int count = old + static_cast<int>(paths.size());
    GrowScanTables(old, count);
    if (P::gScanFolders.empty())
        P::gScanFolders.assign(static_cast<std::size_t>(old) + 1, P::gDataDrive + P::gDataDir);
    P::gScanFolders.resize(static_cast<std::size_t>(count) + 1, folder);
    P::gDataDrive.clear();
    P::gDataDir = folder;

    // scanCount keeps counting the old scans only until every new one is read, so a repaint
    // while a box is open never meets an empty slot.
    int failures = 0;
    bool discrepancyShown = false;
    for (int k = old + 1; k <= count; ++k) {
        const std::string& full = paths[static_cast<std::size_t>(k - old - 1)];
        bool tag = false;
        std::string why;
        if (!ReadScanIntoSlot(window, k, full, width, &tag, &why)) {
            ScanErrorBox(ScanLoadErrorText(full, why).c_str(), "LOAD ERROR");
            ++failures;
        } else if (gCheckTimeStamps && !S::equilibriumData &&
                   tag != S::header[1].timeStampChecked && !discrepancyShown) {
            discrepancyShown = true;
            std::string text = full + "\n time stamp correction discrepancy with previous data!";
            ScanErrorBox(text.c_str(), "LOAD ERROR");
        }
    }
    S::scanCount = count;
    if (failures > 0) {
        FreeAllData();
        return;
    }
    CheckRotorSpeeds();
    S::resultAvailable = false;
    P::gDataPath = P::gDataDrive + P::gDataDir + "~tmppars" + P::gDataExt;
    S::absoluteTemperature = S::header[S::scanCount].temperature + 273.15f;
    S::gasConstantTemperature = static_cast<float>(8.31451e7 * S::absoluteTemperature);
    SortScansByTime();
    BuildCommonRadialGrid();
    ApplySetFitLimits();
    WindowServices::SetPlotAxisTitles();
    gSimulateOnly = false;
    WindowServices::RedrawDataPlot(true);
    ScanRequestRepaint(window);
}
