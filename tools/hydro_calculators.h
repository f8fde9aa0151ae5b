// The hydrodynamic calculators: quantities of a particle or of a loaded run from a few numbers.
// Pure functions; the commands ask the numbers and show the results.
#pragma once

#include <vector>

// Friction of a particle moving at its sedimentation velocity at radius r.
struct FrictionForceResult {
    double sphereRadiusNm = 0; // radius of the anhydrous sphere of the mass
    double velocity = 0;       // m/s
    double friction = 0;       // N s/m
    double force = 0;          // N
};
// s in S, r in cm, viscosity relative to water; mass in Da, vbar in ml/g.
FrictionForceResult FrictionForce(double s, double radiusCm, double ff0, double rpm, double mass,
                                  double vbar, double relativeViscosity);

// Diffusional spread against the spread from a heterogeneity delta-s/s, at mid-column.
struct BroadeningResult {
    double diffusion = 0;       // cm^2/s
    double heterogeneity = 0;   // cm
    double diffusionSpread = 0; // cm
    double ratio = 0;           // diffusion spread / heterogeneity spread
};
BroadeningResult BoundaryBroadening(double meniscus, double bottom, double rpm, double massKDa,
                                    double vbar, double density, double temperature, double s,
                                    double deltaSOverS);

// Radial dilution of a non-diffusing particle of s (S) by the time of the last scan.
struct DilutionResult {
    double boundary = 0;      // cm: from the meniscus for s >= 0, from the bottom for s < 0
    double plateauLast = 0;   // plateau at the last scan / loading
    double meanPlateau = 0;   // mean plateau from 0 to the last scan / loading
    double meanOverScans = 0; // mean over the scans of each scan's mean plateau / loading
};
// omega2tLast is the last scan's omega^2 t, omega2t of every scan for the mean over scans;
// omega is the rotor's angular velocity of the first scan.
DilutionResult RadialDilution(double s, double meniscus, double bottom, double omega,
                              double omega2tLast, const std::vector<double>& omega2t);

// Hydrostatic pressure (bar) at the bottom and in the middle of the solution column.
struct PressureResult {
    double bottom = 0;
    double middle = 0;
};
PressureResult ColumnPressure(double density, double meniscus, double bottom, double omega);

// s(20,w) from an experimental s in a buffer of density and relative viscosity.
double S20wFromExperimental(double s, double vbarExperimental, double vbar20w, double density,
                            double relativeViscosity);

// One scan of a second-moment analysis: 1-based radius and signal, its fit index range, the
// rotor's angular velocity, omega^2 t and the time.
struct SecondMomentScan {
    const float* radius = nullptr;
    const float* signal = nullptr;
    int points = 0;
    int firstFit = 0;
    int lastFit = 0;
    double omega = 0;
    double omega2t = 0;
    double time = 0;
};
struct SecondMomentResult {
    bool defined = false;
    int undefinedScan = 0;        // the scan (1-based in the order given) without a defined s
    double sw = 0;                // S
    double meanConcentration = 0; // mean plateau (differential) or mean effective concentration
    double loading = 0;           // c0
    std::vector<double> time;     // the table: scan time ...
    std::vector<double> value;    // ... against s (S)
    std::vector<double> plateau;  // per scan, the step that replaces its fit curve
    std::vector<double> boundary; // cm
};
// Weight-average s from the second-moment boundary positions of scans in scan order, with the
// plateau taken within 0.1 cm of the right fit limit and the loading from radial dilution.
// differential: s from neighbouring scans; else each scan integrated from time 0.
SecondMomentResult SecondMomentSw(const std::vector<SecondMomentScan>& scans, double meniscus,
                                  double rightLimit, bool differential);
