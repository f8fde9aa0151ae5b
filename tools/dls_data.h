// The program's own light-scattering file (".dlsdat"), its reader and writers, the record kept
// per loaded autocorrelation function and the light-scattering switches.
#pragma once

#include <cstdint>

class CCurve;

// One light-scattering file's measurement, kept per loaded curve in ScanStore::dlsRecords.
struct DlsRecord {
    char title[100] = {};         // the file's first line, cut at 99 characters or a stray one
    float temperature = 0.0f;     // degrees C, a whole number after reading
    double time = 0.0;            // s, the measurement's time stamp within a series
    float countRate = 0.0f;       // counts per second
    float refractiveIndex = 0.0f; // of the solvent
    float viscosity = 0.0f;       // solvent, poise
    float angle = 0.0f;           // scattering angle, degrees
    float wavelength = 0.0f;      // laser, m
    std::int32_t pointCount = 0;  // points held in memory
    bool isFieldAcf = false;      // values are g(1) (signed root of g(2)-1), else g(2)-1
};

// Light-scattering data are loaded; set by the reader once a file's type letter is accepted and
// cleared by the sedimentation loaders.
inline bool gDlsData = false;
// Absolute viscosity of the solvent for the discrete Stokes radii, Poise (water at 20 C).
inline float gDlsViscosityPoise = 0.01002f;
// WriteDlsData squares the values back to g(2)-1, keeping their sign, while this is set.
inline bool gDlsSquareBack = false;
// The writers take the lags as seconds; otherwise as log10 seconds, as they are held in memory.
// The instrument converters set it around their writes.
inline bool lagsInSeconds = false;
// Set by the electrophoresis load command around its call of the load command.
inline bool gElectrophoresisLoadRequest = false;

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

// Frees the per-scan copies kept for the nonlinear detection correction.
void FreeNonlinearDetectionCopies();
// Re-applies the nonlinear detection transform with the stored power and baseline.
void ReapplyNonlinearDetection(int flag);

void ResetDlsState();
