// Offering and reloading the saved analysis of the data folder.
#include "fitting/restore_analysis.h"

#include "state/serial_fit_state.h"
#include "state/window_services.h"
#include "plat/window.hpp"
#include "state/fit_control.h"
#include "scandata/fit_limits.h"
#include "state/model_parameters.h"
#include "fitting/param_files.h"
#include "scandata/scan_store.h"
#include "scandata/slot_grid_arrays.h"

#include <vector>

namespace {

int AskYesNo(TXLAWindow* window, const char* question)
{
    return window ? WindowServices::PlatformWindow(window)->MessageBox(question, nullptr, MB_YESNO)
                  : MessageBox(nullptr, question, nullptr, MB_YESNO);
}

// What every restore ends with: the individual parameters from the fit vector, the per-species
// grid arrays for the species now in use, and automatic bounds where the file had none.
void FinishRestore()
{
    UnpackFitParameters();
    if (ScanStore::scanCount > 0)
        AllocCommonGridScanArrays();
    if (FitControl::meniscusMin == 0.0f || FitControl::meniscusMax == 0.0f ||
        FitControl::bottomMin == 0.0f || FitControl::bottomMax == 0.0f)
        SetDefaultMeniscusBottomLimits();
}

bool ReadSaved(const char* path, std::vector<float>& values)
{
    return ReadParameterValues(path, values) && ValidParameterValues(values);
}

} // namespace

bool ReloadParameters(TXLAWindow* window, const char* path)
{
    (void)window;
    std::vector<float> values;
    if (!ReadSaved(path, values) || !RestoreAllValues(values))
        return false;
    FinishRestore();
    return true;
}

bool RestorePreviousAnalysis(TXLAWindow* window, bool ask)
{
    const std::string path = ScanPaths::gDataPath;
    std::vector<float> values;
    // A file that is missing, short or unreadable is not offered at all.
    if (path.empty() || !ReadSaved(path.c_str(), values))
        return false;
    bool silent = !ask || (SerialFitState::serializing && SerialFitState::restorePrevious);
    if (silent)
        return ReloadParameters(window, path.c_str());
    if (AskYesNo(window, "restore previous data?") != IDYES)
        return false;
    if (SavedModelDiffers(values) && AskYesNo(window, "load previous analysis?") != IDYES) {
        // Keep the model chosen now; the cell geometry of the saved analysis still holds.
        if (!RestoreGeometryValues(values))
            return false;
        FinishRestore();
        return true;
    }
    return ReloadParameters(window, path.c_str());
}
