// The commands that turn the loaded scans into new scan files: average, intensity as absorbance,
// six-channel cuts and the undoing of the rotor stretch.
#include "app/save_dialogs.h"
#include "app/txla_window.h"
#include "foundations/input_boxes.h"
#include "foundations/sounds.h"
#include "plat/files.hpp"
#include "plat/msgbox.hpp"
#include "plat/paths.hpp"
#include "scandata/reload_data.h"
#include "scandata/scan_conversions.h"
#include "scandata/scan_file_list.h"
#include "scandata/scan_store_alloc.h"
#include "state/startup_paths.h"
#include "state/window_services.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using S = ScanStore;
using P = ScanPaths;

constexpr const char* kUndoStretch = "Undo Rotor Stretch";
// Stretch coefficients of the two rotors, cm per (1000 rpm)^2.
constexpr double kStretchRotor4 = 8.62e-6;
constexpr double kStretchRotor8 = 9.59e-6;

// The file list and the data folder as they were, put back when the temporary list of a
// command is done with.
struct KeptFileList {
    std::vector<std::string> names = S::fileNames;
    std::string drive = P::gDataDrive;
    std::string dir = P::gDataDir;
    void Restore() const {
        S::fileNames = names;
        P::gDataDrive = drive;
        P::gDataDir = dir;
    }
};

std::string FolderOf(const std::string& path) {
    std::string drive, dir;
    plat::SplitPath(path, &drive, &dir, nullptr, nullptr);
    return drive + dir;
}

} // namespace

void AverageScans(TXLAWindow* window) {
    if (S::scanCount < 1) {
        MessageBox(window, "please load scans first", "AVERAGE SCANS", MB_OK);
        return;
    }
    KeptFileList kept;
    MakeTmpScanFileList(0);
    std::string ext;
    plat::SplitPath(S::fileNames[0], nullptr, nullptr, nullptr, &ext);
    std::string proposed = plat::MakePath("", FolderOf(S::fileNames[0]), "average", ext);
    std::string path;
    // Cancelled: the loaded scans stay; reloading a default "average" file would drop them for
    // an earlier run's average, or for nothing.
    if (!AskSavePath(window, "select filename for averaged scan", proposed.c_str(), false, &path) ||
        !WriteAverageScan(path)) {
        kept.Restore();
        return;
    }
    FreeScanFileList();
    S::fileNames.push_back(path);
    PlayOkSound();
    ReloadAllData(window, WindowServices::Observer(window));
}

void TXLAWindow::CmAverageScans() {
    AverageScans(this);
}

void TXLAWindow::CmSaveIntensityAsAbsorbance() {
    SaveIntensityAsAbsorbance();
}

void TXLAWindow::CmSaveIntensityAsPseudoAbsorbance() {
    SavePseudoAbsorbancePair();
}

void TXLAWindow::CmSave6ChannelSubsets() {
    if (S::scanCount < 1)
        return;
    constexpr const char* caption = "cut 6-channel data files";
    paintSuspended = true;
    float cut1 = 6.2f, cut2 = 6.75f;
    bool asked = InputFloatForWindow(this, &cut1, cut1, true,
                                     "radius to cut between inner and middle channel", caption) &&
                 InputFloatForWindow(this, &cut2, cut2, true,
                                     "radius to cut between middle and outer channel", caption);
    paintSuspended = false;
    if (!asked)
        return;
    SetCursor(IDC_WAIT);
    CutSixChannelData(cut1, cut2);
    SetCursor(IDC_ARROW);
}

void TXLAWindow::CmUndoRotorStretch() {
    if (S::scanCount < 1)
        return;
    float answer = 8.0f;
    if (!InputFloatForWindow(this, &answer, answer, true, "rotor (4 or 8)", kUndoStretch))
        return;
    double rotor = std::floor(static_cast<double>(answer));
    if (rotor != 4.0 && rotor != 8.0)
        MessageBox("invalid rotor", kUndoStretch, MB_OK);
    std::string path;
    if (AskYesNo("save new data?", kUndoStretch)) {
        KeptFileList kept;
        MakeTmpScanFileList(0);
        std::string folder = FolderOf(S::fileNames[0]) + "unstretch";
        char buffer[kPathBufferSize];
        std::snprintf(buffer, sizeof buffer, "%s",
                      plat::MakeDir(folder) ? (folder + "/newscandata").c_str()
                                            : S::fileNames[0].c_str());
        kept.Restore();
        if (SelectFilesToSave(this, buffer, sizeof buffer, "select save path", ""))
            path = buffer;
    }
    bool maintainField = AskYesNo("maintain field?", kUndoStretch);
    // Without a chosen path nothing is written: an empty folder would mean the process's own.
    if (path.empty())
        return;
    SetCursor(IDC_WAIT);
    if (rotor == 4.0)
        UndoRotorStretch(kStretchRotor4, path, maintainField);
    else if (rotor == 8.0)
        UndoRotorStretch(kStretchRotor8, path, maintainField);
    SetCursor(IDC_ARROW);
}
