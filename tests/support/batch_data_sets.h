// c(s) data sets of one species of known s and loading, written as scan files, for the batch
// fits and their benchmark.
#pragma once

#include "support/scan_set_generator.h"

#include <string>
#include <vector>

struct BatchSetCase {
    int scans = 6;
    int points = 150; // 6.02 .. 7.16 cm
    double sS = 5.0;
    double ff0 = 1.25;
    double loading = 0.5;
    double noise = 0.005;
    unsigned seed = 7;
    double intervalS = 500.0; // between scans, from 600 s
};

// The scans of one set (meniscus 6.0 cm, bottom 7.2 cm, 50000 rpm).
// Leaves every record at its defaults.
std::vector<GeneratedScan> BatchSetScans(const BatchSetCase& c);
// Writes the scans into folder (made when missing) as "%05d.<extension>"; returns the paths.
std::vector<std::string> WriteBatchSet(const std::string& folder, const std::string& extension,
                                       const std::vector<GeneratedScan>& scans);
// The c(s) settings the batch tests analyse these sets with: grid 0.5 .. 10 S of 40 points, P
// 0.68, f/f0 1.25, meniscus 6.0 cm, bottom 7.2 cm, fit limits 6.05 .. 7.12 cm.
void SetBatchCsParameters();
