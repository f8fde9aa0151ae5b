// ComponentScans: each species' signal per scan, kept while the species amplitudes or the noise
// are linear parameters of the fit. The rows lie on each scan's own radii, so the amplitudes are
// solved against the data as recorded; only time-invariant noise, one value per radius common to
// all scans, needs them on the common radial grid with the data resampled onto it.
#pragma once

#include "state/model_choice.h"
#include "state/scan_store.h"

#include <cstddef>
#include <vector>

struct ComponentScans {
    // rows[slot][scan]: 1-based floats [1..count]; slots 1..4, scans 1..scanCount.
    static inline std::vector<std::vector<float>> rows[5];
    // Slots whose rows the model evaluation found or left holding +0 only. Every row handed out
    // by Row() may be written, so its slot is no longer known to be zero; whoever replaces a
    // slot's rows otherwise clears the mark too.
    static inline bool knownZero[5] = {};

    // The row of a species slot and scan, made (zero-filled) or resized for count points.
    static float* Row(int slot, int scan, int count) {
        knownZero[slot] = false;
        auto& scans = rows[slot];
        if (scans.size() < std::size_t(scan) + 1)
            scans.resize(std::size_t(scan) + 1);
        auto& row = scans[scan];
        row.resize(std::size_t(count) + 1, 0.0f);
        return row.data();
    }
    // Whether the rows lie on the scans' own radii (else on the common grid), and the points
    // and radii of scan k's row.
    static bool OnScanRadii() { return !ModelChoice::fitTINoise; }
    static int Count(int scan) {
        return OnScanRadii() ? ScanStore::pointCount[scan] : ScanStore::gridCount;
    }
    static const float* Radii(int scan) {
        return OnScanRadii() ? ScanStore::radius[scan] : ScanStore::gridRadius;
    }
    static void ResetToDefaults() {
        for (auto& scans : rows)
            scans.clear();
        for (bool& zero : knownZero)
            zero = false;
    }
};
