// Light-scattering files in the program's own format, written small for the loader and command
// tests: one measurement of a single-exponential decay with its header values.
#pragma once

#include <string>
#include <vector>

struct DlsFileContent {
    std::string title = "generated";
    char type = 'A';            // 'A': values are g(2)-1; 'C': values are g(2)
    double temperature = 20.0;  // degrees C
    double time = 0.0;          // s
    double viscosity = 0.01002; // poise
    std::vector<double> lags;   // s
    std::vector<double> values; // as the type says
};

// A decay exp(-2 lag / tau) as g(2)-1 at points lags from 1e-6 s spaced by the factor 10^(1/8),
// so the store holds evenly spaced log10 lags from -6.
DlsFileContent DecayFile(int points, double tauS, double timeS);
// The file text: title, header line, one row per point ending in a line feed.
std::string DlsFileText(const DlsFileContent& content);
