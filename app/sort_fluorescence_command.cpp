// "Sort Fluorescence Data To Disk" (903): copies the scans of a fluorescence run into "sorted"
// under names that carry their settings, optionally with one list file per group of like scans.
#include "app/txla_window.h"
#include "foundations/input_boxes.h"
#include "foundations/show_error.h"
#include "foundations/sounds.h"
#include "plat/window_dc.hpp"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_file_list.h"
#include "scandata/scan_store_alloc.h"
#include "tools/fluorescence_sort.h"

#include <cmath>
#include <string>
#include <vector>

namespace {

constexpr const char* kCaption = "SORT FLUORESCENCE AUC DATA";

void DrawText(TXLAWindow* window, int y, const std::string& text) {
    TClientDC dc(window);
    dc.TextOut(50, y, text.c_str());
}

// The folder of the first loaded scan, with its separator.
std::string FirstScanFolder() {
    if (ScanStore::fileNames.empty())
        return ScanPaths::gDataDir;
    const std::string& first = ScanStore::fileNames.front();
    const std::size_t slash = first.find_last_of("/\\");
    return slash == std::string::npos ? ScanPaths::gDataDir : first.substr(0, slash + 1);
}

} // namespace

void TXLAWindow::CmSortFluorescenceData() {
    if (!ScanDataKind::fluorescence || ScanStore::scanCount < 1) {
        MessageBox("please load data", "Sort Fluorescence AUC data", MB_OK);
        return;
    }
    MakeTmpScanFileList(0);
    FluorescenceSortOutcome out;
    if (!AskYesNo("sort all data in this folder?", kCaption)) {
        // Each scan under the name its own header gives.
        std::vector<std::string> paths;
        std::vector<ScanHeader> headers;
        const std::string folder = FirstScanFolder();
        for (int i = 1; i <= ScanStore::scanCount; ++i) {
            paths.push_back(folder + ScanStore::scanFileName[i]);
            headers.push_back(ScanStore::header[i]);
        }
        out = SortScanFiles(paths, headers);
    } else {
        FluorescenceSortOptions o;
        if (AskYesNo("make list files?", kCaption)) {
            o.makeLists = true;
            InputFloatForWindow(this, &o.tMin, o.tMin, true, "t min [sec]", kCaption);
            InputFloatForWindow(this, &o.tMax, o.tMax, true, "t max [sec]", kCaption);
            float target = float(o.target), cell = float(o.excludedCell);
            InputFloatForWindow(this, &target, target, true, "target # of scans", kCaption);
            InputFloatForWindow(this, &cell, cell, true, "exclude fluorescence reference in cell#",
                                kCaption);
            o.target = int(std::floor(target));
            o.excludedCell = int(std::floor(cell));
        }
        if (AskYesNo("exclude files with signal below thresold in [rmin rmax] interval?",
                     kCaption)) {
            o.excludeWeak = true;
            InputFloatForWindow(this, &o.rMin, o.rMin, true, "r min [cm]", kCaption);
            InputFloatForWindow(this, &o.rMax, o.rMax, true, "r max [cm]", kCaption);
            InputFloatForWindow(this, &o.minimalSignal, o.minimalSignal, true, "minimal signal",
                                kCaption);
            InputFloatForWindow(this, &o.maximalNoise, o.maximalNoise, true, "maximal noise",
                                kCaption);
        }
        out = SortFluorescenceFolder(
            FirstScanFolder(), o,
            [this](const std::string& target, int cell) { DrawText(this, 50 + cell, target); });
        for (std::size_t k = 0; k < out.lists.size(); ++k)
            DrawText(this, 50 + int(k) + 1, out.lists[k]);
        if (!out.lists.empty())
            DrawText(this, 50 + int(out.lists.size()), "all done" + std::string(91, ' '));
    }
    for (const std::string& report : out.reports)
        ShowError(report.c_str(), 0);
    if (!out.unreadable.empty()) {
        // Nothing was copied from there on: not a success.
        MessageBox(("could not read " + out.unreadable).c_str(), kCaption, MB_OK);
        return;
    }
    if (!out.failedCopy.empty())
        MessageBox(("could not copy file to new destination " + out.failedCopy).c_str(), "", MB_OK);
    PlayOkSound();
}
