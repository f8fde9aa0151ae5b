// LoadDlsData: light-scattering files read into the scan store, set up for the distribution and
// kernel fits, ordered by measurement time and gridded.
#include "plat/paths.hpp"
#include "scandata/common_grid.h"
#include "scandata/dls_data_set.h"
#include "scandata/dls_file.h"
#include "scandata/fit_limits.h"
#include "scandata/load_steps.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_store_alloc.h"
#include "scandata/scan_user_messages.h"
#include "state/conti_state.h"
#include "state/display_options.h"
#include "state/dls_data.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/preference_switches.h"
#include "state/run_switches.h"
#include "state/window_services.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

using S = ScanStore;
using P = ScanPaths;
using M = ModelParameters;

// Reads file i of the selection into its empty slot; false when the reader refuses it.
bool ReadDlsIntoSlot(int i, const std::string& fullPath) {
    std::string name, ext;
    plat::SplitPath(fullPath, nullptr, nullptr, &name, &ext);
    P::gDataName = name;
    P::gDataExt = ext;
    S::scanFileName[i] = new char[260]();
    std::snprintf(S::scanFileName[i], 260, "%s%s", name.c_str(), ext.c_str());
    if (i == 1)
        P::gNotesPath = gOldFilenameConvention ? P::gDataDrive + P::gDataDir + name + ".not"
                                               : P::gDataDrive + P::gDataDir + "notes" + ext;
    if (!ReadDlsGeneric(fullPath.c_str(), &S::dlsRecords[i], &S::pointCount[i], &S::radius[i],
                        &S::signal[i], gAlwaysLoadG2))
        return false;
    FillScanSlot(i);
    return true;
}

// Puts entry order[i] of a per-scan table at position i.
template <typename T> void Reorder(T* table, const std::vector<int>& order) {
    if (!table)
        return;
    std::vector<T> moved;
    moved.reserve(order.size());
    for (int from : order)
        moved.push_back(std::move(table[from]));
    for (std::size_t i = 1; i < order.size(); ++i)
        table[i] = std::move(moved[i]);
}

// The functions stored in ascending measurement time (equal times keep their load order): every
// per-scan entry moved to its place, so that position i holds the i-th function in time and
// scanOrder is the identity.
void StoreInTimeOrder() {
    ExchangeSortOrder(S::scanOrder, S::scanCount, [](int k) { return S::dlsRecords[k].time; });
    std::vector<int> order(S::scanOrder, S::scanOrder + S::scanCount + 1);
    // Views and curves travel with the arrays they show.
    Reorder(S::scanFileName, order);
    Reorder(S::dlsRecords, order);
    Reorder(S::pointCount, order);
    Reorder(S::radius, order);
    Reorder(S::signal, order);
    Reorder(S::fit, order);
    Reorder(S::work, order);
    Reorder(S::residuals, order);
    Reorder(S::thirdColumn, order);
    Reorder(S::header, order);
    Reorder(S::scanVectors, order);
    Reorder(S::scanCurves, order);
    for (int k = 0; k <= S::scanCount; ++k)
        S::scanOrder[k] = k;
}

// Solution constants from the records, meniscus and bottom at the first function's lag range,
// and the model switches that light-scattering data allow.
void SetUpDlsAnalysis() {
    double temperatureSum = 0.0;
    double viscositySum = 0.0;
    for (int i = 1; i <= S::scanCount; ++i) {
        temperatureSum += S::dlsRecords[i].temperature + 273.15;
        viscositySum += S::dlsRecords[i].viscosity;
    }
    S::absoluteTemperature = static_cast<float>(temperatureSum / S::scanCount);
    // Relative to water of 0.01002 poise.
    S::viscosity = static_cast<float>(99.80039920159682 * (viscositySum / S::scanCount));
    S::gasConstantTemperature = static_cast<float>(S::absoluteTemperature * 8.31451 * 1e7);

    M::meniscus = S::radius[1][1];
    M::bottom = S::radius[1][S::pointCount[1]];
    M::fitValues[13] = M::meniscus;
    M::fitValues[14] = M::bottom;
    if (M::bottom < S::leftFitLimit || M::meniscus > S::rightFitLimit || S::leftFitLimit == 0.0f ||
        S::rightFitLimit == 0.0f) {
        S::leftFitLimit = M::meniscus;
        S::rightFitLimit = M::bottom;
    }

    ScanDataKind::absorbance = false;
    ScanDataKind::interference = false;
    ModelChoice::equilibriumModel = false;
    ModelChoice::fitTINoise = false;
    ModelChoice::fitRINoise = false;
    ContiState::timeDependentSAndM = false;
    ContiState::ordinaryAnalysisMode = true;
    M::meniscusFloat = 0;
    M::bottomFloat = 0;
    M::fitFloat[13] = 0;
    M::fitFloat[14] = 0;
    M::baselineFloat = 1;
    M::fitFloat[15] = 1;

    P::gDataPath = gOldFilenameConvention ? P::gDataDrive + P::gDataDir + P::gDataName + ".~p"
                                          : P::gDataDrive + P::gDataDir + "~tmppars" + P::gDataExt;
}

} // namespace

void LoadDlsData(TXLAWindow* window, const char* selection) {
    std::vector<std::string> strings = SelectionStrings(selection);
    if (strings.empty())
        return;
    P::gLoadSelection = strings[0];
    bool single = strings.size() == 1;
    int count = single ? 1 : static_cast<int>(strings.size()) - 1;
    // Refused before anything is freed, so the loaded data stay.
    if (count > kMaxScans) {
        ScanErrorBox("too many scans selected", "LOAD ERROR");
        return;
    }
    FreeLoadedScans();
    S::dataChanged = true;

    AllocateScanTables(count);
    S::dlsRecords = new DlsRecord[static_cast<std::size_t>(count) + 1]();
    std::string drive, dir;
    if (single) {
        plat::SplitPath(strings[0], &drive, &dir, nullptr, nullptr);
    } else {
        dir = strings[0];
        if (dir.empty() || dir.back() != '/')
            dir += '/';
    }
    P::gDataDrive = drive;
    P::gDataDir = dir;

    // While a box may be open, scanCount counts only the functions read completely.
    for (int i = 1; i <= count; ++i) {
        std::string full = single ? strings[0] : drive + dir + strings[static_cast<std::size_t>(i)];
        if (!ReadDlsIntoSlot(i, full)) {
            // Emptied before the box, so a repaint meanwhile sees no half-built store.
            S::scanCount = i;
            FreeAllData();
            ScanInfoBox(full.c_str(), "LOAD ERROR");
            return;
        }
        S::scanCount = i;
    }

    SetUpDlsAnalysis();
    StoreInTimeOrder();
    BuildCommonRadialGrid();
    ApplyLeftFitLimit();
    ApplyRightFitLimit();
    S::resultAvailable = false;
    WindowServices::SetPlotAxisTitles();
    gSimulateOnly = false;
    WindowServices::RedrawDataPlot(true);
    ScanRequestRepaint(window);
}
