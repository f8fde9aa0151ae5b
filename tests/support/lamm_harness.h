// A loaded Lamm solver for physics tests: scan headers, output rows on a fine radial grid, and
// the closed forms the solutions are checked against.
#pragma once

#include "lamm/lamm_ideal.h"
#include "scandata/scan_header.h"

#include <string>
#include <vector>

// One solver configuration. Defaults: a 1.2 cm sector column, the rotor at speed from t = 0, a
// fixed grid without truncation or open bottom, so amount is conserved exactly.
struct LammCase {
    std::string name;
    double s = 4.5;  // S
    double D = 6e-7; // cm^2/s
    double rpm = 50000;
    double meniscus = 6.0, bottom = 7.2;
    double c0 = 1.0;
    int scans = 12;
    double firstScanS = 300.0, intervalS = 300.0;
    bool movingHat = false;   // else the fixed-grid loop
    double rampRpmPerS = 0.0; // > 0: the rotor accelerates at this rate from rest
    int gridSize = 1000;
    bool automatic = false; // automatic algorithm and grid size, back-diffusion shut-off
    bool truncate = false;  // dynamically truncate grid
    bool shutOff = false;   // shut off back-diffusion
    double maxDcOverC = 1.0;
    bool fixTimestep = false; // fixed-grid loop: steps of maxDcOverC seconds
    int outputPoints = 2401;
    int massCheck = 1; // track the amount in the cell (costs a pass per step)
    float lowerFit = 6.05f, upperFit = 7.15f;
};

// Integral of omega^2 dt (rad^2/s) from 0 to t for a linear ramp at rate (rpm/s) to rpm.
double Omega2T(double rpm, double rampRpmPerS, double t);

class LammRun {
  public:
    explicit LammRun(const LammCase& lc);
    // Loads everything a solution needs, in the documented order.
    void Load();
    LammResult Run();

    const float* Radii() const { return radii_.data(); }
    const float* Profile(int scan) const { return rows_[scan].data(); }
    int Points() const { return lc_.outputPoints; }
    double ScanTime(int scan) const { return headers_[scan].originalTime; }
    // Value of scan at radius r by linear interpolation of the output.
    double ValueAt(int scan, double r) const;
    // Second moment r_w^2 = r_p^2 - 2 integral_m^{r_p} c r dr / c(r_p).
    double SecondMoment(int scan, double rPlateau) const;

    LammCase lc_;
    std::vector<ScanHeader> headers_;
    std::vector<std::vector<float>> rows_;
    std::vector<float*> rowPointers_;
    std::vector<float> radii_;
    CLammIdeal solver;
};

// Largest |a - b| of two runs' scans over radii in [lo, hi].
double MaxDifference(const LammRun& a, const LammRun& b, int scan, double lo, double hi);
