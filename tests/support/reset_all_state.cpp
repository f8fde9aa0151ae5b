// Resets the program-wide records of the subsystems built so far.
#include "reset_all_state.h"

#include "app/diagnostics.h"
#include "app/preference_switches.h"
#include "app/serial_fit_state.h"
#include "distributions/conti_state.h"
#include "fitting/fit_control.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_store.h"

void ResetAllState()
{
    ScanDataKind::ResetToDefaults();
    ScanReaderOptions::ResetToDefaults();
    ScanStore::ResetToDefaults();
    ContiState::ResetToDefaults();
    gDistributionThreadCount = 2;
    FitControl::ResetToDefaults();
    SerialFitState::ResetToDefaults();
    ResetPreferenceSwitches();
    gDiagnosticsOn = gSolverDiagnostics = gThreadDiagnostics = false;
}
