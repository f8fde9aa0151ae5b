// Files dropped on the main window: an experiment file, a saved parameter file, or a set of scan
// files loaded with a stride.
#include "app/experiment_file.h"
#include "app/txla_window.h"
#include "fitting/restore_analysis.h"
#include "foundations/input_boxes.h"
#include "plat/paths.hpp"
#include "scandata/load_steps.h"
#include "scandata/scan_file_list.h"
#include "scandata/scan_store_alloc.h"
#include "scandata/selection_check.h"
#include "scandata/time_stamps.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

// Scan families a drop of several files loads: interference and absorbance of cells 1 to 8, and
// ".R00".
bool IsDroppableScanExtension(std::string ext) {
    for (char& c : ext)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (ext == ".R00")
        return true;
    return ext.size() == 4 && (ext.starts_with(".IP") || ext.starts_with(".RA")) && ext[3] >= '1' &&
           ext[3] <= '8';
}

std::vector<std::string> DroppedPaths(const TDropInfo& drop) {
    std::vector<std::string> paths;
    for (UINT k = 0, n = drop.DragQueryFileCount(); k < n; ++k) {
        std::string path(drop.DragQueryFileNameLen(k), '\0');
        drop.DragQueryFile(k, path.data(), UINT(path.size() + 1));
        paths.push_back(std::move(path));
    }
    return paths;
}

} // namespace

void TXLAWindow::EvDropFiles(TDropInfo drop) {
    std::vector<std::string> paths = DroppedPaths(drop);
    // A drop reaches the window during a Run or Fit only through the loop of a box the
    // computation shows: the data and parameters under the computation stay as they are until it
    // ends, and the drop acts then.
    if (runBusy || fitBusy) {
        TPoint point;
        drop.DragQueryPoint(point);
        heldWhileBusy_.push_back({0, std::move(paths), point});
        return;
    }
    DropFiles(paths);
    // A Run the drop started may have held commands or drops of its own.
    ReleaseHeldInput();
}

void TXLAWindow::DropFiles(const std::vector<std::string>& dropped) {
    LeaveEqTestMode();
    const std::size_t n = dropped.size();
    if (n == 0)
        return;
    const std::string& first = dropped[0];
    std::string name, ext;
    plat::SplitPath(first, nullptr, nullptr, &name, &ext);
    if (n == 1) {
        if (ext == ".xp") {
            std::snprintf(gSelectedFiles2, kSelectedFilesSize, "%s", first.c_str());
            ReadXpExperiment(this, gSelectedFiles2);
        } else if (name.starts_with('~')) {
            std::string question = "switch to parameter file " + first + "?";
            if (MessageBox(question.c_str(), "DROPPING FILES", MB_YESNO) == IDYES) {
                // The dialog shows a restored analysis only.
                if (!ReloadParameters(this, first.c_str())) {
                    std::string refusal = SavedAnalysisRefusal(first.c_str());
                    if (refusal.empty())
                        refusal = "the parameter file " + first +
                                  " is not restored:\nit is missing, too short or of another "
                                  "layout";
                    MessageBox(refusal.c_str(), "DROPPING FILES", MB_OK);
                } else if (const CommandRow* parameters = FindCommand(212)) {
                    RunCommand(*parameters);
                }
            }
        }
        return;
    }
    if (!IsDroppableScanExtension(ext))
        return;
    if (ScanStore::scanCount > 0) {
        paintBlocked = true;
        int answer = MessageBox("erase currently loaded data?", "DROPPING FILES", MB_YESNO);
        paintBlocked = false;
        if (answer != IDYES)
            return;
    }
    float stride = 1.0f;
    paintBlocked = true;
    InputFloat(&stride, 1.0f, true, "load every n'th file:", "LOAD FILES");
    paintBlocked = false;
    double whole = std::floor(static_cast<double>(stride));
    std::size_t step = !(whole >= 1.0) ? 1 : whole >= double(n) ? n : std::size_t(whole);
    std::vector<std::string> paths;
    for (std::size_t k = 0; k < n; k += step)
        paths.push_back(dropped[k]);
    // Read through before the loaded scans and their list make way: a file that does not read
    // leaves them, their analysis and the caption as they were, with its box.
    if (!SelectionLoads(paths, LoadAveragingWidth()))
        return;
    FreeScanFileList();
    ScanStore::fileNames = std::move(paths);
    ReloadForChangeCell(this, computeObserver);
}
