// Resets the program-wide records of the subsystems built so far.
#include "reset_all_state.h"

#include "scandata/scan_data_kind.h"

void ResetAllState()
{
    ScanDataKind::ResetToDefaults();
    ScanReaderOptions::ResetToDefaults();
}
