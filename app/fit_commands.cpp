// The Fit command, the equilibrium model's Run and Fit engines, and Update Saved Fit Parameters.
#include "app/gradient_check.h"
#include "app/kept_scan_curves.h"
#include "app/load_filters.h"
#include "app/model_families.h"
#include "app/run_engines.h"
#include "app/txla_window.h"
#include "display/marker_lines.h"
#include "display/paint_switches.h"
#include "distributions/conti_fit.h"
#include "distributions/conti_grid.h"
#include "distributions/size_shape_distribution.h"
#include "fitting/equilibrium_fit.h"
#include "fitting/fit_driver.h"
#include "fitting/param_files.h"
#include "foundations/show_error.h"
#include "foundations/sounds.h"
#include "scandata/fit_limits.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/discrete_sed.h"
#include "state/conti_state.h"
#include "state/dls_data.h"
#include "state/fit_control.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_kind.h"
#include "state/model_parameters.h"
#include "state/preference_switches.h"
#include "state/realtime_state.h"
#include "state/run_switches.h"

#include <vector>

namespace {

constexpr COLORREF kEraseColour = 0xFFFFFF;
constexpr COLORREF kBoundColour = 0xC8C8C8;

// The floated meniscus may not pass the left fit limit, the floated bottom not the right one:
// offers to move the bound; false when the user declines (the fit does not run).
bool BoundsAgreeWithFitLimits(TXLAWindow* w) {
    if (ModelParameters::meniscusFloat && ScanStore::leftFitLimit > 0 &&
        FitControl::meniscusMax > 0 && ScanStore::leftFitLimit < FitControl::meniscusMax) {
        if (w->MessageBox("Left fitting limit is at smaller radius than maximum potential "
                          "meniscus value.\nThis could cause problems during the fit.\nFix by "
                          "repositioning maximum meniscus?",
                          "PROBLEM WITH FITTING", MB_YESNO) != IDYES)
            return false;
        DrawMarkerLine(w, DataPlotColumn(w, FitControl::meniscusMax), kEraseColour);
        FitControl::meniscusMax = ScanStore::leftFitLimit - 0.001f;
        DrawMarkerLineA(w, DataPlotColumn(w, FitControl::meniscusMax), kBoundColour, 30);
    }
    if (ModelParameters::bottomFloat && ScanStore::rightFitLimit > 0 && FitControl::bottomMin > 0 &&
        ScanStore::rightFitLimit > FitControl::bottomMin) {
        if (w->MessageBox("Right fitting limit is at higher radius than minimum potential bottom "
                          "value.\nThis could cause problems during the fit.\nFix by "
                          "repositioning minimum bottom?",
                          "PROBLEM WITH FITTING", MB_YESNO) != IDYES)
            return false;
        DrawMarkerLine(w, DataPlotColumn(w, FitControl::bottomMin), kEraseColour);
        FitControl::bottomMin = ScanStore::rightFitLimit + 0.001f;
        DrawMarkerLineA(w, DataPlotColumn(w, FitControl::bottomMin), kBoundColour, 30);
    }
    return true;
}

bool EvaluateEquilibrium(TXLAWindow* w) {
    return EvaluateEquilibriumModel(w);
}

// The input the equilibrium model cannot be evaluated with, said before anything is computed.
bool EquilibriumInputAccepted(TXLAWindow* w) {
    if (!CheckCellAndRotorSpeeds(w))
        return false;
    const bool onGrid =
        ModelChoice::linearAmplitudes || ModelChoice::fitTINoise || ModelChoice::fitRINoise;
    if (onGrid && (ScanStore::gridCount < 1 || ScanStore::gridRadius == nullptr)) {
        ShowError("the scans have no common radial grid: the equilibrium model cannot be "
                  "evaluated with linear amplitudes or systematic noise");
        return false;
    }
    return true;
}

// A fit needs a floated parameter and data inside the fit limits; otherwise it says which is
// missing and nothing is evaluated.
bool SomethingToFit() {
    PackFitParameters();
    if (FreeFitSlots().empty()) {
        ShowError("No parameter is floated: use Run to compute the model.");
        return false;
    }
    std::vector<double> residuals;
    FitResiduals(residuals);
    if (residuals.empty()) {
        ShowError("No scan has data inside the fitting limits: nothing to fit.");
        return false;
    }
    return true;
}

// A fit that ran (to its end or to a key press) counts as done.
bool FitRan(FitOutcome outcome) {
    return outcome == FitOutcome::Completed || outcome == FitOutcome::Aborted;
}

bool FitDiscreteSpecies(TXLAWindow* w) {
    if (!CheckDiscreteModelInput(w))
        return false;
    // The evaluation would start unset limits here; the check below needs them.
    ApplyDefaultFitLimits();
    return SomethingToFit() && FitRan(RunNonlinearFit(w, w->computeObserver));
}

} // namespace

void TXLAWindow::CmFit() {
    ContiState::fMvsMOneShot = false;
    if (RealtimeState::equilibriumTestMode) {
        TestApproachToEquilibrium();
        return;
    }
    if (LoadFilters::gradientCheck && !CheckScanGradients(this))
        return;
    // The fit's refreshes draw into the window as it stands: what a model chosen since the last
    // paint left there (another model's report and distribution) goes first.
    RequestRepaint();
    UpdateWindow();
    BeginBusy(fitBusy);
    const RunEngine engine = ChooseRunEngine();
    if (engine == RunEngine::VanHoldeWeischet || engine == RunEngine::LsgExtrapolation ||
        engine == RunEngine::ContinuousModel) {
        // The boundary analyses and the light-scattering time course have nothing to fit.
        CmRun();
        EndBusy(fitBusy);
        return;
    }
    // Fit refuses every model that Run refuses.
    if (engine == RunEngine::DiscreteSed || engine == RunEngine::ContiSed)
        KeepBufferSedimentationForModel();
    if (!RunEngineAvailable(engine)) {
        EndBusy(fitBusy);
        ReportNotAvailable(this, "Fit", 215);
        return;
    }
    if (ScanStore::scanCount < 1) {
        MessageBox("please load data first", "Error", MB_OK | MB_ICONEXCLAMATION);
        EndBusy(fitBusy);
        return;
    }
    if (!BoundsAgreeWithFitLimits(this)) {
        EndBusy(fitBusy);
        return;
    }
    SetCursor(IDC_WAIT);
    FitControl::stoppedFitShown = FitControl::startKeptShown = FitControl::startKept = false;
    // False when a check or the engine refused (and said why) or a distribution fit stored
    // nothing: nothing was fitted, so nothing is announced.
    bool fitted = false;
    // The size-and-shape grid spans f/f0 itself: its Fit is the Run, whose rmsd is the fit's.
    if (engine == RunEngine::ContiSed && ModelChoice::csFf0) {
        fitted = RunSizeShapeDistribution(this, computeObserver);
        if (fitted)
            FitControl::bestRmsd = CalcFitRmsd();
    } else if (engine == RunEngine::ContiSed) {
        // A Fit that stored nothing (its final Run failed) showed trials whose curves replaced
        // the stored result's: those come back, so the window shows what is stored.
        const KeptScanCurves stored = KeepScanCurves();
        fitted = ContiFit(this, computeObserver);
        if (!fitted && FitControl::fitAborted) {
            PutBackScanCurves(stored);
            RequestRepaint();
        }
    } else if (engine == RunEngine::EquilibriumFit)
        fitted = FitEquilibrium();
    else
        fitted = FitDiscreteSpecies(this);
    SetCursor(IDC_ARROW);
    EndBusy(fitBusy);
    if (!fitted)
        return;
    FitControl::stoppedFitShown = FitControl::fitAborted;
    FitControl::startKeptShown = FitControl::startKept;
    FitControl::stoppedBy = FitControl::stopCause;
    // The report's rms deviation is that of the curves shown, from now on the fit's: a copy of
    // the report taken before the next paint must not give the curves' shown before.
    CalcFitRmsd();
    PlayFitDoneSound();
    gRunCompleted = true;
    ScanStore::dataChanged = false;
    // The repaint writes the fitted parameters and their rms deviation, for every model.
    gShowFitParamsPending = true;
    RequestRepaint();
    // A stopped fit shows the values it kept, with no advice on them.
    if (gWizardMessages && !FitControl::fitAborted)
        CheckResidualsWizard();
}

bool TXLAWindow::RunEquilibriumFit() {
    if (!EquilibriumInputAccepted(this))
        return false;
    if (!EvaluateEquilibriumModel(this)) {
        // a model beyond single precision has said so with its box
        if (!LammGrid::signalBeyondFloat)
            ShowError("the equilibrium model could not be evaluated with these scans");
        return false;
    }
    return true;
}

bool TXLAWindow::FitEquilibrium() {
    if (!EquilibriumInputAccepted(this) || !SomethingToFit())
        return false;
    return FitRan(RunFitWith(this, computeObserver, EvaluateEquilibrium));
}

bool SavedFitParametersKept() {
    return CurrentModelTraits().savedFit && !gDlsData && !ScanStore::equilibriumData;
}

void TXLAWindow::CmUpdateSavedFitParameters() {
    if (SavedFitParametersKept() && !TmpSaveBestParams(this, 0))
        ReportAnalysisNotSaved();
}
