// The record kept per loaded light-scattering autocorrelation function and the light-scattering
// switches.
#pragma once

#include <cstdint>

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

// Clears the switches above.
void ResetDlsState();
