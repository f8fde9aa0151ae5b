// Per discrete species slot in use, arrays on the common radial grid that the model evaluation
// and the linear-amplitude fit fill.
#pragma once

#include <cstdint>

struct SpeciesGridArrays {
    static constexpr int kSlots = 4;
    // Slot s (1..4): scanGrid[s][k][1..gridCount] per scan k, grid[s][1..gridCount],
    // scan[s][1..scanCount]; all null while the species is not in use.
    static inline float** scanGrid[kSlots + 1] = {};
    static inline float* grid[kSlots + 1] = {};
    static inline float* scan[kSlots + 1] = {};
    // The dimensions the slots were made with.
    static inline std::int32_t madeScanCount = 0;
    static inline std::int32_t madeGridCount = 0;

    static void ResetToDefaults();
};

// Makes the arrays of every species in use, zero-filled, freeing an earlier set first.
void AllocCommonGridScanArrays();
void FreeCommonGridScanArrays();
