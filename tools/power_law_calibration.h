// Calibration of the sedimentation power law s = ks M^kb from (s, M) pairs of known species,
// with the line shown on log-log axes.
#pragma once

#include <string>
#include <vector>

struct PowerLawPair {
    double s = 0.0;    // S
    double mass = 0.0; // Da
};

struct PowerLawCalibration {
    bool ok = false;
    std::string refusal; // why the pairs give no calibration
    double ks = 0.0;
    double kb = 0.0;
    std::vector<double> dataX, dataY; // log10 M, log10 s of each pair
    std::vector<double> lineX, lineY; // the fitted line, reaching beyond the outer pairs
    double xMin = 0.0, xMax = 0.0;    // plot ranges of the line, never empty
    double yMin = 0.0, yMax = 0.0;
};

// One pair takes the exponent as given; two or more fit log10 s = log10 ks + kb log10 M by
// least squares (the exponent is then ignored). Pairs with s or M not positive, and pairs that
// all share one mass, are refused.
PowerLawCalibration CalibratePowerLaw(const std::vector<PowerLawPair>& pairs, double exponent);
