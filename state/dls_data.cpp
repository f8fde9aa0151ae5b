// The light-scattering switches' reset.
#include "state/dls_data.h"

void ResetDlsState() {
    gDlsData = false;
    gDlsSquareBack = false;
    lagsInSeconds = false;
    gElectrophoresisLoadRequest = false;
}
