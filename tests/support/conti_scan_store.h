// A scan store as the distribution analysis sees it: a few scans with headers, their order and a
// common radial grid, for the tests of the kernel's Lamm list road.
#pragma once

#include "scandata/scan_header.h"
#include "support/scan_set_generator.h"

#include <cstdint>
#include <string>
#include <vector>

struct ContiStoreCase {
    int scans = 5;
    int points = 300; // common grid, meniscus to bottom
    double firstTimeS = 600.0, intervalS = 600.0;
    float rpm = 50000.0f;
    float meniscus = 6.0f, bottom = 7.2f;
};

// Fills ScanStore and the model's meniscus and bottom (after ResetAllState), with the rotor at
// speed from time 0 (no ramp) and the fit limits just inside the column; restores a clean state
// and frees the kernel when destroyed.
class ContiScanStore {
  public:
    explicit ContiScanStore(const ContiStoreCase& c = {});
    ~ContiScanStore();
    ContiScanStore(const ContiScanStore&) = delete;
    ContiScanStore& operator=(const ContiScanStore&) = delete;

    // Moves every scan's time (and its recorded time) by dt seconds.
    void ShiftTimes(double dt);
    void SetRpm(float rpm);
    // Scan k (1-based) as a scan file: its header's time and w2t, the common grid's radii and the
    // values [1..points], each with the given third column.
    GeneratedScan ScanFile(int k, const std::string& description, const float* values,
                           double third = 0.005) const;

    ContiStoreCase c;
    std::vector<ScanHeader> headers;
    std::vector<std::int32_t> order;
    std::vector<float> radii;
};

// Kernel rows of grid point p: one vector per scan of the common grid's points [1..points].
std::vector<std::vector<float>> KernelColumn(int p);
// Integral of c r dr over the common grid (trapezoid), of one kernel row.
double RadialAmount(const float* row, const float* radii, int points);
