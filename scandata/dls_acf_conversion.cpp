// Both directions of the conversion between g(2)-1 and g(1) over a loaded curve.
#include "scandata/dls_acf_conversion.h"

#include "state/dls_data.h"

bool ToggleDlsAcfFlag(int n, float* y, DlsRecord& record) {
    if (!record.isFieldAcf)
        return false;
    for (int i = 1; i <= n; ++i)
        y[i] = SignedSquare(y[i]);
    record.isFieldAcf = false;
    return true;
}

bool ToggleFieldIntensityACF(int n, float* y, DlsRecord& record) {
    if (record.isFieldAcf)
        return false;
    for (int i = 1; i <= n; ++i)
        y[i] = SignedRoot(y[i]);
    record.isFieldAcf = true;
    return true;
}
