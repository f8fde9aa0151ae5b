// The program-wide store of loaded scans.
#pragma once

struct ScanStore {
    static inline int scanCount = 0;
    static inline float radialResolution = 0.001f;  // radial averaging width, cm
    static inline bool scanColorFromTime = true;    // scan colours follow their time

    static void ResetToDefaults() {
        scanCount = 0;
        radialResolution = 0.001f;
        scanColorFromTime = true;
    }
};
