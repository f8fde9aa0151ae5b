#include "support/scan_read_back.h"

#include "foundations/nr_arrays.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_file.h"

#include <cstdint>

ScanReadBack ReadScanBack(const std::string& path, bool keepSpikes) {
    ScanReadBack out;
    const bool kept = ScanReaderOptions::dropSpikes;
    if (keepSpikes)
        ScanReaderOptions::dropSpikes = false;
    std::int32_t n = 0;
    float *r = nullptr, *v = nullptr, *t = nullptr;
    out.ok = ReadScanFile(path.c_str(), &out.header, &n, &r, &v, &t, nullptr, 0.0f) == 1;
    ScanReaderOptions::dropSpikes = kept;
    if (!out.ok)
        return out;
    out.radius.assign(r + 1, r + n + 1);
    out.value.assign(v + 1, v + n + 1);
    if (t)
        out.third.assign(t + 1, t + n + 1);
    free_vector(r, 1, n);
    free_vector(v, 1, n);
    if (t)
        free_vector(t, 1, n);
    return out;
}
