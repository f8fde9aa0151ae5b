// The Exit command: frees the analysis state, ends the message loop and says goodbye.
#include "app/txla_window.h"
#include "foundations/sounds.h"
#include "scandata/initial_data.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/lamm_arrays.h"

void TXLAWindow::CmExit() {
    FreeLammArrays();
    FreeInitialDataArrays();
    FreeAllData();
    PostQuitMessage(0);
    PlayByeSound();
}
