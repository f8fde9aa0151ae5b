// The detection a solution applies to its output profiles: the corrections of fluorescence
// optics (lamm_detection.cpp) and the finite time and radial resolution of absorbance scans.
#pragma once

#include <memory>
#include <vector>

class CFluorophore;

// The object owns its fluorophore copy; the record's type belongs to the fluorescence tools.
struct FluorophoreDeleter {
    void operator()(CFluorophore* f) const;
};

// Fields of CLammIdeal, which sets and reads them; public, as in the program's other records.
struct CLammOutputDetection {
    // Group 4: detection corrections (the switches belong to the detection-correction setters)
    double timeShift = 0.0; // s, added to every scan time
    bool magnificationOn = false;
    bool driftOn = false;
    bool coneOn = false;
    bool convolutionOn = false;

    // Group 13: finite detection resolution of absorbance scans
    bool simulateTimeResolution = false;
    float scanVelocity = 2.43f; // cm/min
    bool simulateRadialResolution = false;
    float radialRange = 0.008f; // cm
    bool absorbanceData = false;

    // Detection corrections: magnification gradient g (factor - 1, per cm), drift, fluorophore,
    // excitation cone and the radial convolution with its table over equidistant output radii.
    double magnificationGradient = 0.0;
    std::unique_ptr<CFluorophore, FluorophoreDeleter> fluorophore;
    int fluorophoreWavelength = 0;
    bool exponentialDriftOn = false;
    double exponentialDriftRate = 0.0; // 1/s
    double driftPlateau = 1.0;
    bool linearDriftOn = false;
    double linearDriftRate = 0.0;   // 1/s
    double convolutionWidth = 0.0;  // sigma, cm
    double convolutionCutoff = 2.0; // in widths
    int convolutionTableState = -1; // -1 unclassified, 1 equidistant radii, 2 not equidistant
    int convolutionFirst = 0, convolutionLast = 0;
    std::vector<float> convolutionTable; // 1-based weights
    double coneRadius = 0.0;             // cm
};
