// A Lamm equation list as the c(s) analysis makes it: one equation per grid value of s with D
// from a common frictional ratio, all on one template, written into kernel-shaped rows.
#pragma once

#include "lamm/lamm_ideal.h"
#include "scandata/scan_header.h"

#include <cstdint>
#include <vector>

struct LammListCase {
    int equations = 100;
    double sMin = 1.0, sMax = 15.0; // S
    double ff0 = 1.2;
    int scans = 50;
    double firstScanS = 600.0, intervalS = 360.0;
    double rpm = 50000;
    double meniscus = 6.0, bottom = 7.2;
    int outputPoints = 400;
    bool automaticGrid = true; // boundary-width grid sizing, as the analysis loads it
};

// D (cm^2/s) of a compact particle of sedimentation coefficient s (S) and frictional ratio ff0
// in water at 20 C with vbar 0.73.
double DiffusionFromSAndFf0(double sS, double ff0);

class LammList {
  public:
    explicit LammList(const LammListCase& lc);
    // Rows of equation j start out as the sentinel value.
    void Fill(float sentinel);
    float*** Targets() { return targetPointers_.data(); }
    const double* S() const { return s_.data(); }
    const double* D() const { return D_.data(); }
    const float* Radii() const { return radii_.data(); }
    int Points() const { return lc_.outputPoints; }
    int Equations() const { return lc_.equations; }
    const float* Row(int equation, int scan) const { return rows_[equation][scan].data(); }
    // All rows of all equations, for bitwise comparison.
    std::vector<float> Flat() const;

    LammListCase lc_;
    std::vector<ScanHeader> headers_;
    std::vector<float> radii_;
    std::vector<double> s_, D_;
    std::vector<std::vector<std::vector<float>>> rows_; // [equation][scan][point]
    std::vector<std::vector<float*>> rowPointers_;
    std::vector<float**> targetPointers_;
    CLammIdeal templ;
};
