// Restoring a saved analysis comes with the parameter files; until then nothing is restored.
#include "fitting/restore_analysis.h"

bool RestorePreviousAnalysis(TXLAWindow* window, bool ask)
{
    (void)window;
    (void)ask;
    return false;
}

void ReloadParameters(TXLAWindow* window, const char* path)
{
    (void)window;
    (void)path;
}
