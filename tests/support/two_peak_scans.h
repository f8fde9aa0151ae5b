// The two-species c(s) set of the shell's road tests as scan files: 3.5 S (loading 0.3) and
// 7.0 S (0.6), f/f0 1.25, 50000 rpm, meniscus 6.0 cm, 12 scans every 400 s, noise 0.003.
#pragma once

#include "support/scan_set_generator.h"

#include <vector>

std::vector<GeneratedScan> TwoSpeciesScans();
