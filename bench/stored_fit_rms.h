// The fits a bench row leaves in the store, and their rms distance from a reference run's.
#pragma once

#include "state/scan_store.h"

#include <cmath>
#include <cstddef>
#include <vector>

using StoredFitSet = std::vector<std::vector<float>>;

inline StoredFitSet StoredFits() {
    StoredFitSet out(std::size_t(ScanStore::scanCount) + 1);
    for (int k = 1; k <= ScanStore::scanCount; ++k)
        out[std::size_t(k)].assign(ScanStore::fit[k],
                                   ScanStore::fit[k] + ScanStore::pointCount[k] + 1);
    return out;
}

inline double RmsFrom(const StoredFitSet& reference) {
    const StoredFitSet now = StoredFits();
    double sum = 0.0;
    long count = 0;
    for (std::size_t k = 1; k < now.size() && k < reference.size(); ++k)
        for (std::size_t i = 1; i < now[k].size() && i < reference[k].size(); ++i) {
            const double d = double(now[k][i]) - reference[k][i];
            sum += d * d;
            ++count;
        }
    return count > 0 ? std::sqrt(sum / double(count)) : 0.0;
}
