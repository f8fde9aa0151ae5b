// The per-species arrays on the common grid, remade whenever scans, grid or species change.
#include "scandata/slot_grid_arrays.h"

#include "foundations/nr_arrays.h"
#include "scandata/scan_store_alloc.h"
#include "state/model_parameters.h"

void FreeCommonGridScanArrays() {
    using A = SpeciesGridArrays;
    for (int s = 1; s <= A::kSlots; ++s) {
        if (A::scanGrid[s]) {
            for (int k = 1; k <= A::madeScanCount; ++k)
                free_vector(A::scanGrid[s][k], 1, A::madeGridCount);
            delete[] A::scanGrid[s];
            A::scanGrid[s] = nullptr;
        }
        free_vector(A::grid[s], 1, A::madeGridCount);
        free_vector(A::scan[s], 1, A::madeScanCount);
        A::grid[s] = nullptr;
        A::scan[s] = nullptr;
    }
}

void AllocCommonGridScanArrays() {
    using A = SpeciesGridArrays;
    FreeCommonGridScanArrays();
    const int scans = ScanStore::scanCount;
    const int points = ScanStore::gridCount;
    for (int s = 1; s <= A::kSlots; ++s) {
        if (!ModelParameters::speciesOn[s])
            continue;
        A::scanGrid[s] = new float*[static_cast<std::size_t>(scans) + 1]();
        for (int k = 1; k <= scans; ++k)
            A::scanGrid[s][k] = vector(1, points);
        A::grid[s] = vector(1, points);
        A::scan[s] = vector(1, scans);
    }
    A::madeScanCount = scans;
    A::madeGridCount = points;
}

void SpeciesGridArrays::ResetToDefaults() {
    FreeCommonGridScanArrays();
    madeScanCount = 0;
    madeGridCount = 0;
}
