// Resets the program-wide records of the subsystems built so far.
#include "reset_all_state.h"

#include "app/batch_series.h"
#include "app/eq_test_plots.h"
#include "app/last_data_folder.h"
#include "app/load_filters.h"
#include "app/min_time_to_eq_command.h"
#include "app/txla_window.h"
#include "display/marker_lines.h"
#include "display/mstar_screen.h"
#include "display/paint_switches.h"
#include "display/pointer_history.h"
#include "display/residuals_bitmap.h"
#include "display/scan_rms_file.h"
#include "display/screen_button_set.h"
#include "display/screen_modes.h"
#include "distributions/m_of_s_table.h"
#include "distributions/prior_probabilities.h"
#include "equilibrium/time_to_eq_parameters.h"
#include "fitting/linear_params.h"
#include "foundations/error_box_log.h"
#include "foundations/hydrodynamics.h"
#include "foundations/key_polling.h"
#include "foundations/random_numbers.h"
#include "foundations/shape_models.h"
#include "foundations/sounds.h"
#include "plat/filedlg.hpp"
#include "plotting/aux_plots.h"
#include "plotting/plot_globals.h"
#include "scandata/initial_data.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_store_alloc.h"
#include "scandata/slot_grid_arrays.h"
#include "scandata/ui_flags.h"
#include "simulation/inhomogeneous_solvent.h"
#include "simulation/lamm_arrays.h"
#include "simulation/simulation_switches.h"
#include "simulation/solvent_profile.h"
#include "state/buffer_sedimentation.h"
#include "state/component_scans.h"
#include "state/conti_state.h"
#include "state/diagnostics.h"
#include "state/display_options.h"
#include "state/dls_data.h"
#include "state/eq_test_state.h"
#include "state/fit_control.h"
#include "state/fluorophore.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/monte_carlo_state.h"
#include "state/mstar_state.h"
#include "state/plot_interaction_state.h"
#include "state/preference_switches.h"
#include "state/reaction_parameters.h"
#include "state/realtime_state.h"
#include "state/result_table.h"
#include "state/run_switches.h"
#include "state/serial_fit_state.h"
#include "state/size_shape_state.h"
#include "state/startup_paths.h"
#include "support/program_folder.h"

void ResetAllState() {
    // The real table: the loaders redraw the scan plots through it even without a window.
    InstallWindowServices();
    InstallFitServices();
    // Generated noise repeats from test to test: a result never rides on the clock's second.
    SeedGaussRandom(20261207);
    // A box one test caused is never counted by the next.
    ForgetErrorBoxes();
    // The M* screen holds the data plot's place: give it back before the store lets go of it.
    if (MStarState::active || MStarState::signalPlot)
        LeaveMStarMulti(nullptr);
    ScanDataKind::ResetToDefaults();
    DetectionCorrections::ResetToDefaults();
    ScanReaderOptions::ResetToDefaults();
    ScanStore::ResetToDefaults();
    ReactionParameters::ResetToDefaults();
    ScanPaths::ResetToDefaults();
    UiFlags::ResetToDefaults();
    SpeciesGridArrays::ResetToDefaults();
    InitialData::ResetToDefaults();
    ModelParameters::ResetToDefaults();
    MonteCarloState::ResetToDefaults();
    ModelChoice::ResetToDefaults();
    gDlsData = false;
    gDlsViscosityPoise = 0.01002f;
    FreeEqTestPlots();
    EqTestState::ResetToDefaults();
    TimeToEqParameters::ResetToDefaults();
    ResetMinimumTimeToEqEntry();
    RealtimeState::ResetToDefaults();
    MStarState::ResetToDefaults();
    ResetSimulationSwitches();
    InhomogeneousSolvent::ResetToDefaults();
    SolventProfile::ResetToDefaults();
    ResetDlsState();
    ClearPriorParams();
    ClearMofSTable();
    FreeResultTable(); // the distribution, its plot and kernel, before their pointers are reset
    ContiState::ResetToDefaults();
    SizeShapeState::ResetToDefaults();
    gDistributionThreadCount = 2;
    gFrictionalRatio = 1.2f;
    gHydration = 0.3f;
    ShapeModels::ResetToDefaults();
    ResetSounds();
    gAbortRequest = false;
    FitControl::ResetToDefaults();
    SerialFitState::ResetToDefaults();
    ResetPreferenceSwitches();
    gDiagnosticsOn = gSolverDiagnostics = gThreadDiagnostics = false;
    gDiagnosticsFolder = "/tmp/";
    gUserInterrupt.store(false);
    gSimulateOnly = false;
    gRunCompleted = false;
    LoadFilters::ResetToDefaults();
    gSeriesFolder.clear();
    gVizraExePath.clear();
    gLastDataFolder[0] = '\0';
    FreeLammArrays();
    ComponentScans::ResetToDefaults();
    FreeSecondLammBlock();
    LammGrid::ResetToDefaults();
    // A temp folder or table path a test pointed elsewhere (and whose folder is gone) is no
    // later test's.
    ResetStartupPaths();
    ProgramFolder::PointPathsIntoTheLiveFolder();
    ResetDisplayState();
}

// The display's records: paint switches, markers, zoom, buttons and auxiliary plots.
void ResetDisplayState() {
    ResetPaintSwitches();
    MarkerState::ResetToDefaults();
    MarkerDragState::ResetToDefaults();
    TentativeMarker::ResetToDefaults();
    RubberBand::ResetToDefaults();
    ZoomHistory::ResetToDefaults();
    DistributionBand::ResetToDefaults();
    PointerHistory::ResetToDefaults();
    ScreenButtonSet::ResetToDefaults();
    ScreenModes::ResetToDefaults();
    AuxPlots::ResetToDefaults();
    BufferSedimentation::ResetToDefaults();
    ResetDisplayOptions();
    gWriteScanRms = true;
    gScanRmsPath = "ScanRms.dat";
    plat::SetDialogFolder("");
    gWorstRmsScan = 0;
    gMarkSize = 8;
    gShowResidualsBitmap = true;
    gBitmapFullScale = 0.05f;
    gBitmapBlackWhite = true;
    gBitmapShading = true;
}
