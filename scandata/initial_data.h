// The initial-data scan: the concentration profile at the start of sedimentation, extrapolated
// beyond the fit limits by a low-order polynomial.
#pragma once

#include "scandata/scan_header.h"

#include <cstdint>

class TXLAWindow;

struct InitialData {
    static inline ScanHeader header;
    static inline std::int32_t pointCount = 0; // 0: no initial data
    static inline float* radius = nullptr;     // [1..pointCount]
    static inline float* signal = nullptr;
    static inline float* thirdColumn = nullptr;
    static inline std::int32_t polynomialOrder = 1;
    static inline float extrapolationFactor = 1.0f;

    static void ResetToDefaults();
};

// The initial data carry the time of the first scan in time order.
inline bool gInitialDataIsFirstScan = false;
// The initial data are used (and shown over the data plot).
inline bool gUseInitialData = false;

// Reads the initial-data scan at path; 1 when loaded, 0 otherwise.
int LoadInitialData(TXLAWindow* window, const char* path);
void FreeInitialDataArrays();
// Replace the profile outside the fit limits by the polynomial through the band inside them.
void InitialExtrapolationLeft();
void InitialExtrapolationRight();
