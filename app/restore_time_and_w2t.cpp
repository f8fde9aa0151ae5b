// "Restore Time and w^2t Entries": time and omega2t of every scan rebuilt from the file time
// stamps relative to one reference scan.
#include "app/txla_window.h"
#include "foundations/input_boxes.h"
#include "foundations/show_error.h"
#include "plat/files.hpp"
#include "scandata/scan_file_list.h"
#include "scandata/scan_store_alloc.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace {

using S = ScanStore;

bool ModificationSeconds(const std::string& path, double* seconds) {
    plat::FileTimes times;
    if (!plat::FileReadable(path) || !plat::GetFileTimes(path, times))
        return false;
    *seconds = static_cast<double>(times.write) / 1e7;
    return true;
}

void CouldNotOpen(const std::string& path) {
    std::string text = "\n\aAttention: could not open " + path;
    ShowError(text.c_str(), 0);
}

} // namespace

void TXLAWindow::CmRestoreTimeAndW2t() {
    if (S::scanCount < 2)
        return;
    MakeTmpScanFileList(0);
    int r = 1;
    for (;;) {
        char question[600];
        const ScanHeader& h = S::header[S::scanOrder[r]];
        std::snprintf(question, sizeof question, "using #%d (%s) as reference for t (%f), w^2t", r,
                      S::fileNames[static_cast<std::size_t>(r - 1)].c_str(), h.originalTime);
        if (MessageBox(question, "FIX TIME AND W2T", MB_YESNO) == IDYES)
            break;
        float picked = static_cast<float>(r);
        // Cancel ends the command like 0 does.
        if (!InputFloat(&picked, static_cast<float>(r), true, "pick file #", "FIX TIME AND W2T"))
            return;
        double whole = std::floor(std::fabs(static_cast<double>(picked)));
        if (whole < 1.0)
            return;
        r = whole > S::scanCount ? S::scanCount : static_cast<int>(whole);
    }
    const std::string& referencePath = S::fileNames[static_cast<std::size_t>(r - 1)];
    double reference = 0.0;
    if (!ModificationSeconds(referencePath, &reference)) {
        CouldNotOpen(referencePath);
        return;
    }
    const ScanHeader ref = S::header[S::scanOrder[r]];
    double omega = ref.rotorSpeed * 3.14159265358979323846 / 30.0;
    for (int j = 1; j <= S::scanCount; ++j) {
        if (j == r)
            continue;
        const std::string& path = S::fileNames[static_cast<std::size_t>(j - 1)];
        double stamp = 0.0;
        if (!ModificationSeconds(path, &stamp)) {
            CouldNotOpen(path);
            return;
        }
        double d = stamp - reference;
        ScanHeader& h = S::header[S::scanOrder[j]];
        h.time = ref.time + d;
        h.originalTime = ref.originalTime + d;
        h.readTime = ref.readTime + d;
        h.omega2t = ref.omega2t + omega * omega * d;
    }
    S::dataChanged = true;
    if (MessageBox("save new data?", "", MB_YESNO) == IDYES)
        if (const CommandRow* save = FindCommand(263))
            RunCommand(*save);
}
