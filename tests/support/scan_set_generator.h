// Test data in the scan file format: the worked example files and generated sets of scans.
#pragma once

#include <string>
#include <vector>

// One scan as a file holds it; text written exactly as the program's writer formats it.
struct GeneratedScan {
    std::string description = "[T OK]synthetic scan";
    char type = 'R';
    int cell = 1;
    double temperature = 20.0;
    long rpm = 50000;
    long timeS = 3600;
    double omega2t = 9.4127e10;
    double wavelength = 280; // printed with three decimals for 'W' and 'V'
    int lastHeaderNumber = 2;
    std::vector<double> radius;
    std::vector<double> value;
    std::vector<double> third; // empty: no third column ('P' rows then carry two numbers)

    std::string Text() const;
};

// The worked examples: absorbance "00001.RA1" and its 'W' variant, interference "00001.IP2",
// intensity "00001.RI1", fluorescence "00001.FI1" (5 points each).
GeneratedScan ExampleAbsorbance();
GeneratedScan ExampleAbsorbanceW();
GeneratedScan ExampleInterference();
GeneratedScan ExampleIntensity();
GeneratedScan ExampleFluorescence();

// A velocity-like set: n scans 600 s apart after a ramp of rpm/200 s, boundary sedimenting at
// 5 S, radii from meniscus + 0.05 to bottom - 0.05 in steps of dr.
struct ScanSetOptions {
    int count = 10;
    long rpm = 50000;
    char type = 'R'; // 'R' absorbance or 'P' interference
    std::string extension = "RA1";
    double meniscus = 5.90;
    double bottom = 7.20;
    double dr = 0.001;
    int points = 0;                      // > 0: this many points from meniscus + 0.05 instead
    bool tagged = true;                  // "[T OK]" in line 1
    long long fileTimeBase = 1700000000; // modification time = base + recorded time x scale
    double fileTimeScale = 1.0;
};

// Writes the set into folder as "%05d.<extension>"; returns the file names in order.
std::vector<std::string> WriteScanSet(const std::string& folder, const ScanSetOptions& options);
// One scan of such a set (index from 1).
GeneratedScan SetScan(const ScanSetOptions& options, int index);

// A selection buffer as the multi-select file dialog returns it: folder, then names, each
// zero-terminated, ending with an empty string.
std::string SelectionBuffer(const std::string& folder, const std::vector<std::string>& names);
