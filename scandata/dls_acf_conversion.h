// Conversion of loaded light-scattering data between the intensity autocorrelation g(2)-1 and
// the field autocorrelation g(1).
#pragma once

#include <cmath>

struct DlsRecord;

// The Siegert relation g(2)-1 = g(1)^2 with the sign kept, so that noise around zero at long lags
// stays symmetric and the two directions undo each other.
inline float SignedSquare(float y) {
    return std::copysign(y * y, y);
}
inline float SignedRoot(float y) {
    return std::copysign(std::sqrt(std::fabs(y)), y);
}

// When the record says the data are held as g(1): y becomes sign(y) y^2 at points 1..n and the
// record says g(2)-1. Returns whether it converted.
bool ToggleDlsAcfFlag(int n, float* y, DlsRecord& record);
// When the record says g(2)-1: y becomes sign(y) sqrt(|y|) and the record says g(1). Returns
// whether it converted.
bool ToggleFieldIntensityACF(int n, float* y, DlsRecord& record);
