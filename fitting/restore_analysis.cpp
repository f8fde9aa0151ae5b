// Offering and reloading the saved analysis of the data folder.
#include "fitting/restore_analysis.h"

#include "fitting/model_identity.h"
#include "fitting/param_files.h"
#include "foundations/notice_boxes.h"
#include "foundations/show_error.h"
#include "scandata/fit_limits.h"
#include "scandata/scan_store_alloc.h"
#include "scandata/slot_grid_arrays.h"
#include "simulation/lamm_arrays.h"
#include "state/conti_state.h"
#include "state/fit_control.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/mstar_state.h"
#include "state/serial_fit_state.h"
#include "state/window_services.h"

#include <fstream>
#include <string>
#include <vector>

namespace {

// The Lamm grid of the restored model, as its command leaves it: the distributions replace the
// grid size by their own, a discrete model has the size of the settings back.
void RestoreModelGrid() {
    using C = ContiState;
    const bool distribution = ModelChoice::contiMode && !ModelChoice::gStarFamily;
    if (distribution && !C::gridSizeReplaced) {
        LammGrid::gridSize = C::distributionGridSize;
        C::gridSizeReplaced = true;
    } else if (!distribution && C::gridSizeReplaced) {
        LammGrid::gridSize = LammGrid::gridSizeSetting;
        C::gridSizeReplaced = false;
    }
    EnsureLammArrays(LammGrid::gridSize);
}

// What every restore ends with: the individual parameters from the fit vector, the model's grid,
// the per-species grid arrays for the species now in use, automatic bounds where the file had
// none, and the window's check marks for the choices restored.
void FinishRestore(TXLAWindow* window) {
    UnpackFitParameters();
    RestoreModelGrid();
    // The restored limits are the ones the analysis used: the scans' ranges follow them, so that
    // the window drawn is the window the model is evaluated and its rmsd taken over.
    if (ScanStore::scanCount > 0) {
        ApplySetFitLimits();
        AllocCommonGridScanArrays();
    }
    if (FitControl::meniscusMin == 0.0f || FitControl::meniscusMax == 0.0f ||
        FitControl::bottomMin == 0.0f || FitControl::bottomMax == 0.0f)
        SetDefaultMeniscusBottomLimits();
    WindowServices::ShowModelChoice(window);
}

bool ReadSaved(const char* path, std::vector<float>& values) {
    return ReadParameterValues(path, values) && ValidParameterValues(values);
}

} // namespace

std::string SavedAnalysisRefusal(const char* path) {
    std::vector<float> values;
    if (std::ifstream(path ? path : "").good() && !ReadParameterValues(path, values))
        return std::string("the saved analysis ") + path +
               " is not restored:\none of its lines is not a finite number";
    return {};
}

bool ReloadParameters(TXLAWindow* window, const char* path) {
    std::vector<float> values;
    const int modelBefore = CurrentModelCommandId();
    if (!ReadSaved(path, values) || !RestoreAllValues(values))
        return false;
    if (CurrentModelCommandId() != modelBefore) {
        // Another model: as its command does, leave the M* mode and the equilibrium test.
        MStarState::mStarMode = false;
        WindowServices::LeaveEqTestMode(window);
    }
    FinishRestore(window);
    return true;
}

bool RestorePreviousAnalysis(TXLAWindow* window, bool ask) {
    const std::string path = ScanPaths::gDataPath;
    std::vector<float> values;
    // A file that is missing, short or unreadable is not offered at all; one with a line that is
    // not a number is refused with a box.
    bool silent = !ask || (SerialFitState::serializing && SerialFitState::restorePrevious);
    if (path.empty() || !ReadSaved(path.c_str(), values)) {
        const std::string refusal = silent ? std::string() : SavedAnalysisRefusal(path.c_str());
        if (!refusal.empty())
            ShowError(refusal.c_str(), 0);
        return false;
    }
    if (silent)
        return ReloadParameters(window, path.c_str());
    if (!AskYesOrNo(window, "restore previous data?", nullptr))
        return false;
    if (SavedModelDiffers(values) && !AskYesOrNo(window, "load previous analysis?", nullptr)) {
        // Keep the model chosen now; the cell geometry of the saved analysis still holds.
        if (!RestoreGeometryValues(values))
            return false;
        FinishRestore(window);
        return true;
    }
    return ReloadParameters(window, path.c_str());
}
