// ComponentScans: each species' signal per scan on the common radial grid, kept while the
// species amplitudes or the noise are linear parameters of the fit.
#pragma once

#include <cstddef>
#include <vector>

struct ComponentScans {
    // rows[slot][scan]: 1-based floats [1..count]; slots 1..4, scans 1..scanCount.
    static inline std::vector<std::vector<float>> rows[5];

    // The row of a species slot and scan, made (zero-filled) or resized for count points.
    static float* Row(int slot, int scan, int count)
    {
        auto& scans = rows[slot];
        if (scans.size() < std::size_t(scan) + 1)
            scans.resize(std::size_t(scan) + 1);
        auto& row = scans[scan];
        row.resize(std::size_t(count) + 1, 0.0f);
        return row.data();
    }
    static void ResetToDefaults()
    {
        for (auto& scans : rows)
            scans.clear();
    }
};
