// The reset that precedes every new model, and the steps all model commands share.
#include "app/model_menu_items.h"
#include "app/txla_window.h"
#include "display/boundary_report_plot.h"
#include "fitting/model_identity.h"
#include "foundations/sounds.h"
#include "scandata/scan_store_alloc.h"
#include "scandata/scan_time_origin.h"
#include "simulation/lamm_arrays.h"
#include "state/boundary_analysis.h"
#include "state/conti_state.h"
#include "state/dls_data.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/mstar_state.h"

void TXLAWindow::ResetModelChoice() {
    using M = ModelChoice;
    if (ScanStore::timesFromW2t) {
        // Scans loaded under the switch carry times from omega^2 t: they get their recorded
        // times back, which the ramp of the next model's simulation starts from.
        TimesFromW2tOff();
        MessageBox("switching off times from w^2t option", "", MB_OK | MB_ICONINFORMATION);
    }
    ScanStore::dataChanged = true;
    M::nonInteractingSpecies = true;
    if (ContiState::gridSizeReplaced) {
        LammGrid::gridSize = LammGrid::gridSizeSetting;
        ContiState::gridSizeReplaced = false;
    }
    LeaveEqTestMode();
    // Slots 1 to 12 of the packed vector hold the distribution's own values while a
    // distribution model is chosen; the next model, a discrete one until its command says
    // otherwise, finds its species' own values there instead.
    const bool fromDistribution = M::contiMode;
    M::ClearModelSwitches();
    if (fromDistribution)
        PackFitParameters();
    // The boundary analyses' extrapolation view goes with their model.
    BoundaryAnalysis::reportShown = false;
    LayoutBoundaryReportPlot();
    MStarState::mStarMode = false;
    for (int id : kModelMenuItems)
        CheckMark(id, false);
}

void TXLAWindow::ShowModelChoice() {
    for (int id : kModelMenuItems)
        CheckMark(id, false);
    CheckMark(CurrentModelCommandId(), true);
    ShowRegularizationAndOptimiser();
}

bool TXLAWindow::ModelDataAccepted(ModelData data) {
    if (data == ModelData::Sedimentation && gDlsData) {
        PlayInfoSound();
        MessageBox("this model is not implemented for DLS data", "ERROR", MB_OK);
        return false;
    }
    if (data == ModelData::Dls && !gDlsData) {
        PlayInfoSound();
        MessageBox("need DLS data for this analysis", "ERROR", MB_OK);
        return false;
    }
    return true;
}

bool TXLAWindow::BeginModel(bool alreadySelected, ModelData data) {
    if (!ModelDataAccepted(data) || alreadySelected)
        return false;
    ResetModelChoice();
    return true;
}

void TXLAWindow::FinishModel(int id) {
    CheckMark(id, true);
    // Only what the species themselves float is floated again.
    FixAllFitParameters();
    PackFitParameters();
    // Existing solver arrays are remade for the new model's blocks; none are made here.
    EnsureLammArrays(LammGrid::gridSize);
}

void TXLAWindow::SetFitMAndS(bool on) {
    if (ModelChoice::equilibriumMs != on)
        CmFitMAndS();
}
