// Time-stamp checks come with the load commands; until then no file is rewritten.
#include "scandata/time_stamps.h"

int CheckTimeStamps(TXLAWindow* window)
{
    (void)window;
    return 0;
}

void ReloadForChangeCell(TXLAWindow* window)
{
    (void)window;
}
