// The simulation grid's arrays: allocation, reallocation and release of LammGrid's blocks and of
// the second block of the cosolvent gradient.
#pragma once

#include "simulation/radial_grid.h"

// Allocates the blocks the current model switches ask for (zero-filled, n + 1 doubles per array
// for n = LammGrid::gridSize) and builds the radial grid. With arrays already allocated it only
// rebuilds the grid. A failed allocation, or a grid size below 2 or beyond kMaxLammGridSize,
// frees everything and returns false.
bool AllocLammArrays();
// The same for a given algorithm instead of the model's.
bool AllocLammArraysFor(GridAlgorithm algorithm);
// Frees every block, empties every array name (aliases included) and deletes the live profile
// vectors, which are deleted even when the arrays were already freed.
void FreeLammArrays();
// Reallocates for n points when arrays exist (after a change of size or of the solver set);
// returns false and changes nothing when none exist.
bool EnsureLammArrays(int n);
bool EnsureLammArraysFor(int n, GridAlgorithm algorithm);
// The arrays at LammGrid::gridSize for the model's algorithm: allocated when none exist,
// reallocated when they were made for another size; false when none could be made.
bool LammArraysAtGridSize();

// The largest grid the arrays are made for: sizes beyond it are a corrupt option, not a request.
constexpr int kMaxLammGridSize = 1000000;

// The second array block: a separate grid for the cosolvent gradient, uniform between meniscus
// and bottom in its first array.
struct SecondLammBlock {
    static inline int pointCount = 50;
    static inline bool allocated = false;
    static inline int allocatedCount = 0;
    static inline bool extraArrays = false;
    static inline double* array[23] = {};      // [1..22]; [1] the radii
    static inline double* extraArray[15] = {}; // [1..14] with extraArrays
};

// Allocates (or reallocates for another point count) the second block and fills its radii;
// false, with the block freed, when an array cannot be made or the count is below 2.
bool AllocSecondLammBlock();
void FreeSecondLammBlock();
