// Light-scattering switches; the nonlinear detection correction holds no copies yet.
#include "tools/dls_data.h"

void FreeNonlinearDetectionCopies() {}

void ReapplyNonlinearDetection(int flag)
{
    (void)flag;
}

void ResetDlsState()
{
    gDlsData = false;
    gDlsSquareBack = false;
    lagsInSeconds = false;
    gElectrophoresisLoadRequest = false;
}
