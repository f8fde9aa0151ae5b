// The boxes of the Lamm solver objects' result codes.
#include "simulation/lamm_sim_error.h"

#include "foundations/notice_boxes.h"
#include "foundations/show_error.h"
#include "foundations/sounds.h"
#include "lamm/lamm_result.h"
#include "state/fit_control.h"
#include "state/lamm_grid.h"

#include <algorithm>

namespace {

constexpr const char* kSimulationError = "ERROR in simulation";

} // namespace

void ReportLammSimError(TXLAWindow* window, LammResult code) {
    switch (code) {
    case LammResult::NoArrays:
        PlayErrorSound();
        ShowNotice(window, "could not allocate Lamm simulation arrays", kSimulationError);
        EmptyHook();
        break;
    case LammResult::DiscretizationError:
        LammGrid::discretizationError = 1;
        // During a fit every evaluation may fail the same way: one warning per fit is enough.
        if (FitControl::fitInProgress) {
            if (LammGrid::simErrorShown)
                break;
            LammGrid::simErrorShown = true;
        }
        PlayInfoSound();
        ShowWarning(window, "change grid size and readjust max dc/c", "DISCRETIZATION ERROR");
        break;
    case LammResult::SingularMatrix:
        LammGrid::singularMatrix = 1;
        PlayErrorSound();
        ShowNotice(window, "singular tridiagonal matrix!", kSimulationError);
        EmptyHook();
        break;
    case LammResult::AccelerationTooSlow:
        PlayErrorSound();
        ShowWarning(window,
                    "possible error in setup: temperature equilibration at 3000 rpm (please refer "
                    "to experimental protocol)\n --> please switch to \"times from wwt\" in Lamm "
                    "equation parameters (Options menu)\n(this is suboptimal and prohibits "
                    "simulating of the rotor acceleration phase, but is a fix to analyze this "
                    "data)",
                    kSimulationError);
        break;
    case LammResult::NonIdealityNotLoaded:
        PlayErrorSound();
        ShowWarning(window, "possible error in setupof Lamm eq. solution, nonideal parameters",
                    kSimulationError);
        break;
    default:
        break;
    }
}

void ReportUnwrittenFiles(const std::vector<std::string>& paths) {
    std::vector<std::string> distinct;
    for (const std::string& path : paths)
        if (std::find(distinct.begin(), distinct.end(), path) == distinct.end())
            distinct.push_back(path);
    if (distinct.empty())
        return;
    std::string text = "could not write " + distinct.front();
    if (distinct.size() > 1)
        text += "\nand " + std::to_string(distinct.size() - 1) + " more files of component 2";
    ShowError(text.c_str(), 0);
}
