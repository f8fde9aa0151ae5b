// The program-wide store of loaded scans.
#pragma once

struct ScanStore {
    static inline int scanCount = 0;
    static inline float radialResolution = 0.001f;  // radial averaging width, cm
    static inline bool scanColorFromTime = true;    // scan colours follow their time
    // Solution state of the loaded experiment.
    static inline float vbar = 0.73f;      // partial volume per gram of solute, ml/g
    static inline float density = 1.0f;    // buffer density, g/ml
    static inline float viscosity = 1.0f;  // buffer viscosity relative to water
    static inline float vbarRho = 0.73f;   // vbar x density, kept by every writer of either

    static void ResetToDefaults() {
        scanCount = 0;
        radialResolution = 0.001f;
        scanColorFromTime = true;
        vbar = 0.73f;
        density = 1.0f;
        viscosity = 1.0f;
        vbarRho = 0.73f;
    }
};
