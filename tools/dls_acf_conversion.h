// Conversion of loaded light-scattering data between the intensity autocorrelation g(2)-1 and
// the field autocorrelation g(1).
#pragma once

struct DlsRecord;

// When the record says the data are held as g(1): y becomes sign(y) y^2 at points 1..n and the
// record says g(2)-1. Returns whether it converted.
bool ToggleDlsAcfFlag(int n, float* y, DlsRecord& record);
// When the record says g(2)-1: y becomes sign(y) sqrt(|y|) and the record says g(1). Returns
// whether it converted.
bool ToggleFieldIntensityACF(int n, float* y, DlsRecord& record);
