// Light-scattering state that the scan store and its loaders consult.
#pragma once

#include <cstdint>

// One light-scattering file's description, kept per scan in ScanStore::dlsRecords.
struct DlsRecord {
    char title[100] = {};
    float temperature = 0.0f;      // degrees C
    double time = 0.0;             // s
    float countRate = 0.0f;
    float refractiveIndex = 0.0f;
    float viscosity = 0.0f;        // poise
    float angle = 0.0f;
    float wavelength = 0.0f;
    std::int32_t pointCount = 0;
    bool fieldAutocorrelation = false;
};

// Light-scattering data are loaded.
inline bool gDlsData = false;
// Set by the electrophoresis load command around its call of the load command.
inline bool gElectrophoresisLoadRequest = false;

// Frees the per-scan copies kept for the nonlinear detection correction.
void FreeNonlinearDetectionCopies();
// Re-applies the nonlinear detection transform with the stored power and baseline.
void ReapplyNonlinearDetection(int flag);

void ResetDlsState();
