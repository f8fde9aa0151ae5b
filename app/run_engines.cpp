// Which engine Run and Fit call for the chosen model, whether it evaluates that model, and how
// Run calls it.
#include "app/run_engines.h"

#include "app/txla_window.h"
#include "distributions/conti_fit.h"
#include "distributions/conti_grid.h"
#include "distributions/conti_run.h"
#include "distributions/dls_time_course.h"
#include "distributions/size_shape_distribution.h"
#include "plat/msgbox.hpp"
#include "scandata/scan_store_alloc.h"
#include "simulation/discrete_sed.h"
#include "simulation/simulation_switches.h"
#include "state/buffer_sedimentation.h"
#include "state/model_choice.h"
#include "state/model_kind.h"
#include "state/realtime_state.h"
#include "state/serial_fit_state.h"
#include "state/window_services.h"

#include <cstdio>

RunEngine ChooseRunEngine() {
    if (RealtimeState::equilibriumTestMode)
        return RunEngine::ApproachToEquilibrium;
    const ModelKind kind = CurrentModelKind();
    switch (TraitsOf(kind).family) {
    case ModelFamily::Distribution:
        return kind == ModelKind::DlsIRhTimeCourse ? RunEngine::ContinuousModel
                                                   : RunEngine::ContiSed;
    case ModelFamily::Equilibrium:
        return RunEngine::EquilibriumFit;
    case ModelFamily::BoundaryAnalysis:
        return kind == ModelKind::LsgExtrapolation ? RunEngine::LsgExtrapolation
                                                   : RunEngine::VanHoldeWeischet;
    case ModelFamily::Discrete:
        return RunEngine::DiscreteSed;
    }
    return RunEngine::DiscreteSed;
}

bool RunEngineAvailable(RunEngine engine) {
    switch (engine) {
    case RunEngine::ContiSed: {
        // The buffer-mismatch signal rides on the kernels of the Lamm list road.
        const ContiVariant v = CurrentContiVariant();
        // The non-ideal kernel's solver does not carry the gradients of an inhomogeneous
        // solvent, while the grid holds standard-condition values: it would sediment as in water.
        if (v == ContiVariant::CsNonideal && ModelChoice::inhomogeneousSolvent)
            return false;
        if (BufferSedimentation::on)
            switch (v) {
            case ContiVariant::Cs:
            case ContiVariant::CsInvariantD:
            case ContiVariant::CsBimodal:
            case ContiVariant::CsConformer:
            case ContiVariant::CsWormlikeChain:
            case ContiVariant::CsScalingLaw:
            case ContiVariant::CsLinearRod:
            case ContiVariant::CsFloatingVbar:
            case ContiVariant::FMvsM:
                return true;
            case ContiVariant::CM:
            case ContiVariant::CMInvariantD:
            case ContiVariant::CMPowerLaw:
            case ContiVariant::CMPriorVbar:
                return !ScanStore::equilibriumData;
            default:
                return false;
            }
        return v != ContiVariant::None || SizeShapeModel();
    }
    case RunEngine::DiscreteSed:
        // On equilibrium data: the ideal species as equilibrium exponentials, and the
        // concentration-dependent and reacting models solved as for velocity data after their box.
        return DiscreteModelAvailable();
    case RunEngine::ApproachToEquilibrium:
    case RunEngine::EquilibriumFit:
    case RunEngine::LsgExtrapolation:
    case RunEngine::VanHoldeWeischet:
        return true;
    case RunEngine::ContinuousModel:
        return CurrentContiVariant() == ContiVariant::DlsRh;
    }
    return false;
}

void ReportNotAvailable(TXLAWindow* window, const char* command, int id) {
    if (SerialFitState::serializing) {
        SerialFitState::errorCode = kErrorModelNotAvailable;
        return;
    }
    char text[200];
    std::snprintf(text, sizeof text, "\"%s\" (command %d) %s", command, id,
                  AnalysisFailureText(AnalysisFailure::ModelNotAvailable));
    window->MessageBox(text, "NOT AVAILABLE", MB_OK | MB_ICONINFORMATION);
}

RunResult CallRunEngine(TXLAWindow* window, RunEngine engine) {
    // A model chosen after the buffer correction was switched on may not carry it: it is
    // switched off, and the model is evaluated without it. The boundary analyses never carry it.
    if (engine == RunEngine::DiscreteSed || engine == RunEngine::ContiSed ||
        engine == RunEngine::LsgExtrapolation || engine == RunEngine::VanHoldeWeischet)
        window->KeepBufferSedimentationForModel();
    if (!RunEngineAvailable(engine))
        return RunResult::NotAvailable;
    // The engines say themselves why they computed nothing.
    switch (engine) {
    case RunEngine::ApproachToEquilibrium:
        // The test recomputes its plots; it leaves no model result behind.
        window->TestApproachToEquilibrium();
        return RunResult::Refused;
    case RunEngine::ContiSed:
        if (SizeShapeModel())
            return RunSizeShapeDistribution(window, window->computeObserver) ? RunResult::Evaluated
                                                                             : RunResult::Refused;
        return RunContiSed(window, window->computeObserver) ? RunResult::Evaluated
                                                            : RunResult::Refused;
    case RunEngine::ContinuousModel:
        return RunContinuousModel(window, window->computeObserver) ? RunResult::Evaluated
                                                                   : RunResult::Refused;
    case RunEngine::EquilibriumFit:
    case RunEngine::DiscreteSed:
    case RunEngine::LsgExtrapolation:
    case RunEngine::VanHoldeWeischet:
        if (ScanStore::scanCount <= 0) {
            MessageBox(WindowServices::PlatformWindow(window), "please load data first", "RUN",
                       MB_OK);
            return RunResult::Refused;
        }
        if (engine == RunEngine::EquilibriumFit)
            return window->RunEquilibriumFit() ? RunResult::Evaluated : RunResult::Refused;
        if (engine == RunEngine::VanHoldeWeischet)
            return window->RunVanHoldeWeischet() ? RunResult::Evaluated : RunResult::Refused;
        if (engine == RunEngine::LsgExtrapolation)
            return window->RunLsgExtrapolation() ? RunResult::Evaluated : RunResult::Refused;
        return RunDiscreteSed(window) ? RunResult::Evaluated : RunResult::Refused;
    default:
        return RunResult::NotAvailable;
    }
}
