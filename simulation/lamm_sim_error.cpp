// The boxes of the Lamm solver objects' result codes.
#include "simulation/lamm_sim_error.h"

#include "state/window_services.h"
#include "lamm/lamm_result.h"
#include "plat/window.hpp"
#include "state/fit_control.h"
#include "foundations/sounds.h"
#include "plat/msgbox.hpp"
#include "state/lamm_grid.h"

namespace {

constexpr const char* kSimulationError = "ERROR in simulation";

int Box(TXLAWindow* window, const char* text, const char* caption, UINT flags)
{
    return MessageBox(WindowServices::PlatformWindow(window), text, caption, flags);
}

}  // namespace

void ReportLammSimError(TXLAWindow* window, LammResult code) {
    switch (code) {
    case LammResult::NoArrays:
        PlayErrorSound();
        Box(window, "could not allocate Lamm simulation arrays", kSimulationError, MB_OK);
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
        Box(window, "change grid size and readjust max dc/c", "DISCRETIZATION ERROR",
            MB_OK | MB_ICONEXCLAMATION);
        break;
    case LammResult::SingularMatrix:
        LammGrid::singularMatrix = 1;
        PlayErrorSound();
        Box(window, "singular tridiagonal matrix!", kSimulationError, MB_OK);
        EmptyHook();
        break;
    case LammResult::AccelerationTooSlow:
        PlayErrorSound();
        Box(window,
            "possible error in setup: temperature equilibration at 3000 rpm (please refer to "
            "experimental protocol)\n --> please switch to \"times from wwt\" in Lamm equation "
            "parameters (Options menu)\n(this is suboptimal and prohibits simulating of the "
            "rotor acceleration phase, but is a fix to analyze this data)",
            kSimulationError, MB_OK | MB_ICONEXCLAMATION);
        break;
    case LammResult::NonIdealityNotLoaded:
        PlayErrorSound();
        Box(window, "possible error in setupof Lamm eq. solution, nonideal parameters",
            kSimulationError, MB_OK | MB_ICONEXCLAMATION);
        break;
    default:
        break;
    }
}
