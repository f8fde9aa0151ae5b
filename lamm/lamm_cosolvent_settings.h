// The settings of a sedimenting cosolvent solved on its own grid beside the species, and the
// tables of its coefficients (lamm_cosolvent*.cpp).
#pragma once

#include <string>
#include <vector>

// Fields of CLammIdeal, loaded with the solvent gradient; public, as in the program's other
// records.
struct CLammCosolventSettings {
    // Group 15: cosolvent on its own grid and its coefficient tables
    double cosolventS = 0.0; // S
    double cosolventD = 0.0; // cm^2/s
    int cosolventGridCount = 50;
    bool cosolventCleanUp = false;
    bool cosolventConcentrationDependent = false;
    double cosolventLoading = 0.0;
    bool cosolventFileSwitch = false;
    bool cosolventPlotSwitch = false;
    std::string outputFolder; // folder of the second component's scan files
    // The second component's scan files that could not be written, in order, for the caller
    // to name: the solver itself shows nothing of them (it may run on a worker).
    std::vector<std::string> unwrittenFiles;
    bool builtInCoefficients = false;
    std::string sCoefficientFile, dCoefficientFile;
    std::vector<double> sCoefficients, dCoefficients;     // 1-based, one per line of the files
    std::vector<double> cosolventArray1, cosolventArray2; // 1-based copies of the caller's
};
