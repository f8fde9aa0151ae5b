// The program's own light-scattering file (".dlsdat"): its reader and writers.
#pragma once

#include "state/dls_data.h"

class CCurve;

// Reads one ".dlsdat" file into record and two new 1-based float arrays [1..*count] made with
// vector(): the lags as log10 seconds and the values, g(2)-1 when keepIntensity is set, else the
// signed square root g(1). False, with no arrays made, for a missing argument, an unreadable or
// empty file, a type letter other than 'A' or 'C', no complete data row, or a lag that is not a
// positive number. No message: the caller reports the failure.
bool ReadDlsGeneric(const char* path, DlsRecord* record, int* count, float** lags, float** values,
                    bool keepIntensity);

// Writes elements 1..count of lags and values with the header of record (title, when null, the
// record's own; the time as whole seconds). Under gDlsSquareBack the values written are squared
// back with their sign; the caller's arrays stay as they are except that magnitudes below 1e-30
// become 0. False when the file cannot be opened.
bool WriteDlsData(const char* path, int count, float* lags, float* values, const char* title,
                  const DlsRecord& record);
// The same with the header values given one by one.
bool WriteDlsDataValues(const char* path, int count, float* lags, float* values, const char* title,
                        float temperature, long time, float countRate, float refractiveIndex,
                        float viscosity, float angle, float wavelength);
// Writes the file from a curve (x the lags, y the values). A file that cannot be opened gives a
// console line and no file; values above 1 give one error box once the file is complete.
bool WriteDlsDataCurve(const char* path, const CCurve& curve, const char* title, float temperature,
                       long time, float countRate, float refractiveIndex, float viscosity,
                       float angle, float wavelength);
