// A scan file read back through the program's own reader, for tests that check what was written.
#pragma once

#include "scandata/scan_header.h"

#include <string>
#include <vector>

struct ScanReadBack {
    bool ok = false;
    ScanHeader header;
    std::vector<float> radius, value, third;
};

// Reads path with the reader's options as they stand; keepSpikes turns the spike filter off for
// this one read (files that hold opaque points, written as 10.0, need it).
ScanReadBack ReadScanBack(const std::string& path, bool keepSpikes = false);
