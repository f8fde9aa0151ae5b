// Which engine Run calls for the chosen model.
#include "app/run_engines.h"

#include "app/txla_window.h"
#include "distributions/conti_grid.h"
#include "distributions/conti_run.h"
#include "state/model_choice.h"
#include "state/realtime_state.h"
#include "plat/msgbox.hpp"
#include "scandata/scan_store.h"
#include "simulation/discrete_sed.h"
#include "state/window_services.h"
#include "simulation/simulation_switches.h"

RunEngine ChooseRunEngine() {
    using M = ModelChoice;
    if (RealtimeState::equilibriumTestMode)
        return RunEngine::ApproachToEquilibrium;
    // The area-fraction extrapolation sets the continuous mode too; it is a boundary analysis.
    if (M::contiMode && !M::gStarFamily)
        return M::dlsIRhTimeCourse ? RunEngine::ContinuousModel : RunEngine::ContiSed;
    if (M::equilibriumModel || M::equilibriumAssociationModel)
        return RunEngine::EquilibriumFit;
    if (M::gStarFamily)
        return M::lsgExtrapolation ? RunEngine::LsgExtrapolation : RunEngine::VanHoldeWeischet;
    return RunEngine::DiscreteSed;
}

bool CallRunEngine(TXLAWindow* window, RunEngine engine) {
    // Each case calls its engine once it is part of this version; the distribution engine
    // answers for the continuous models it computes and says itself why it refused.
    switch (engine) {
    case RunEngine::ContiSed:
        if (CurrentContiVariant() == ContiVariant::None)
            return false;
        RunContiSed(window);
        return true;
    case RunEngine::EquilibriumFit:
        return window->RunEquilibriumFit();
    case RunEngine::DiscreteSed:
        // Ideal, non-interacting species; the non-ideal, reacting and other discrete models
        // come with their solvers.
        if (!DiscreteModelAvailable())
            return false;
        if (ScanStore::scanCount <= 0)
            MessageBox(WindowServices::PlatformWindow(window), "please load data first", "RUN",
                       MB_OK);
        RunDiscreteSed(window);
        return true;
    case RunEngine::ApproachToEquilibrium:
    case RunEngine::ContinuousModel:
    case RunEngine::LsgExtrapolation:
    case RunEngine::VanHoldeWeischet:
        return false;
    }
    return false;
}
