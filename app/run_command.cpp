// The Run command: one engine chosen by the model switches, bracketed by the busy flag, the
// wait cursor and the clean-up; and its thin entries for the loaders and the Faxen simulation.
#include "app/gradient_check.h"
#include "app/load_filters.h"
#include "app/run_engines.h"
#include "app/txla_window.h"
#include "display/paint_switches.h"
#include "scandata/scan_store_alloc.h"
#include "state/conti_state.h"
#include "state/fit_control.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/preference_switches.h"
#include "state/realtime_state.h"
#include "state/run_switches.h"

void TXLAWindow::CmRun() {
    ContiState::fMvsMOneShot = false;
    if (LoadFilters::gradientCheck && !CheckScanGradients(this))
        return;
    BeginBusy(runBusy);
    if (ContiState::discretePriorOneShot) {
        ContiState::discretePrior = false;
        ContiState::discretePriorOneShot = false;
    }
    LammGrid::timeCourseRestart = false;
    ContiState::calledFromFit = false;
    gSimulateOnly = true;
    SetCursor(IDC_WAIT);
    const RunResult result = CallRunEngine(this, ChooseRunEngine());
    SetCursor(IDC_ARROW);
    gSimulateOnly = false;
    // A model that was not evaluated leaves the data as changed and no result to show.
    const bool evaluated = result == RunResult::Evaluated;
    if (evaluated) {
        FitControl::stoppedFitShown = FitControl::startKeptShown = false;
        gRunCompleted = true;
        ScanStore::dataChanged = false;
        // The next paint shows the rms deviation of a model that was computed.
        gShowFitParamsPending = ScanStore::resultAvailable;
    }
    EndBusy(runBusy);
    RequestRepaint();
    // Said once, when the user asked for the Run; loaders that show the model after a reload stay
    // silent. An engine that refused has said why.
    if (result == RunResult::NotAvailable && !quietRun_)
        ReportNotAvailable(this, "Run", 213);
    if (!evaluated)
        return;
    // The boundary analyses leave no fit for the wizard to judge.
    if (gWizardMessages && !RealtimeState::equilibriumTestMode && !ModelChoice::gStarFamily)
        CheckResidualsWizard();
}

void TXLAWindow::RunModel() {
    quietRun_ = true;
    CmRun();
    quietRun_ = false;
}

void TXLAWindow::CmSimulateFaxen() {
    LammGrid::faxenApproximation = true;
    CmRun();
    LammGrid::faxenApproximation = false;
}
