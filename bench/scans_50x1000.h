// The store of the model-evaluation benches: 50 scans of 1000 points, 300 s apart from 300 s,
// between 6.02 and 7.17 cm at 50000 rpm, of the given species.
#pragma once

#include "support/velocity_store.h"

#include <utility>
#include <vector>

inline VelocitySet Scans50x1000(std::vector<TrueSpecies> species) {
    VelocitySet set;
    set.species = std::move(species);
    set.scans = 50;
    set.points = 1000;
    set.firstScanS = 300.0;
    set.intervalS = 300.0;
    set.firstRadius = 6.02;
    set.lastRadius = 7.17;
    set.rpm = 50000;
    return set;
}
