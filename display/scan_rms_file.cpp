// Writes one line per scan in display order: its file name and the rms of its residuals inside
// the fit range, summed in double; stops at the first scan whose range holds no point.
#include "display/scan_rms_file.h"

#include "display/scan_plots.h"
#include "foundations/sounds.h"
#include "plat/atomic_file.hpp"
#include "plat/msgbox.hpp"
#include "scandata/fit_limits.h"
#include "scandata/scan_store_alloc.h"

#include <cmath>
#include <cstdio>
#include <string>

void WriteScanRmsFile() {
    gWorstRmsScan = 0;
    float largest = 0.0f;
    std::string text;
    for (int k = 1; k <= ScanStore::scanCount; ++k) {
        const int j = ScanStore::scanOrder[k];
        int first, last;
        FitRange(j, first, last);
        double sum = 0.0;
        int count = 0;
        const float* r = ScanStore::residuals[j];
        for (int i = first; r && i <= last; ++i) {
            sum += double(r[i]) * r[i];
            ++count;
        }
        if (count == 0) {
            PlayInfoSound();
            break;
        }
        // at most the largest residual, a float: within single precision
        const float rms = float(std::sqrt(sum / count));
        const char* name = ScanStore::scanFileName ? ScanStore::scanFileName[j] : "";
        char line[64];
        std::snprintf(line, sizeof line, " \t%e\n", double(rms));
        text += std::string(name ? name : "") + line;
        if (rms > largest) {
            gWorstRmsScan = j;
            largest = rms;
        }
    }
    // A bare name goes into the data folder, never into the folder the program was started from:
    // without a data folder it is not written.
    std::string path = gScanRmsPath;
    if (!path.empty() && path.front() != '/') {
        if ((ScanPaths::gDataDrive + ScanPaths::gDataDir).empty())
            return;
        path = ScanPaths::gDataDrive + ScanPaths::gDataDir + path;
    }
    plat::AtomicFile out(path);
    std::FILE* file = out.file();
    if (file)
        std::fputs(text.c_str(), file);
    if (!file || !out.Commit()) {
        PlayInfoSound();
        MessageBox(nullptr, "could not open ScanRms file", "ERROR", MB_OK);
        gWriteScanRms = false;
    }
}
