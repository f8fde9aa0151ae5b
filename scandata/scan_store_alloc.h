// The scan store's allocation routines; the record itself is in state/scan_store.h.
#pragma once

#include "scandata/scan_header.h"
#include "state/scan_store.h"

#include <cstdint>

// Makes the per-scan tables for count scans, every slot empty, scanOrder[i] = i.
void AllocateScanTables(std::int32_t count);
// Frees every scan, table, view, curve, grid array and plot of the store; safe on a partly
// filled store. Leaves scanCount 0 and dataChanged set.
void FreeAllData();
// Frees the common grid of count scans, its means and noise arrays.
void FreeCommonGrid(std::int32_t count);
