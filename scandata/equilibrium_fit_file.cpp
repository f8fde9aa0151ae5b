// The fitted curve of the latest scan written as a scan file.
#include "foundations/show_error.h"
#include "scandata/equilibrium_scans.h"
#include "scandata/scan_file.h"
#include "scandata/scan_store_alloc.h"

#include <string>

bool SaveEquilibriumFit(const char* path) {
    using S = ScanStore;
    if (!path || S::scanCount < 1 || !S::fit)
        return false;
    const int k = S::scanOrder[S::scanCount];
    if (!S::fit[k] || !S::radius[k])
        return false;
    if (!ScanTimeStampTag(path, S::pointCount[k], S::radius[k], S::fit[k], nullptr, "equilibrium",
                          S::header[k].timeStampChecked, S::header[k])) {
        std::string text = std::string("\n\aAttention: could not open ") + path;
        ShowError(text.c_str(), 0);
        return false;
    }
    return true;
}
