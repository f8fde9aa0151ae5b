// g(2)-1 = g(1)^2 for the Siegert relation; the sign is kept so that noise around zero at long
// lag times stays symmetric and both directions undo each other.
#include "tools/dls_acf_conversion.h"

#include "tools/dls_data.h"

#include <cmath>

bool ToggleDlsAcfFlag(int n, float* y, DlsRecord& record) {
    if (!record.fieldAutocorrelation)
        return false;
    for (int i = 1; i <= n; ++i)
        y[i] = std::copysign(y[i] * y[i], y[i]);
    record.fieldAutocorrelation = false;
    return true;
}

bool ToggleFieldIntensityACF(int n, float* y, DlsRecord& record) {
    if (record.fieldAutocorrelation)
        return false;
    for (int i = 1; i <= n; ++i)
        y[i] = std::copysign(std::sqrt(std::fabs(y[i])), y[i]);
    record.fieldAutocorrelation = true;
    return true;
}
