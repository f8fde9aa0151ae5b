// Three-speed sedimentation equilibrium scans of one species of known buoyant molar mass.
#pragma once

#include "support/scan_set_generator.h"

#include <functional>
#include <vector>

struct EquilibriumSet {
    double mb = 20000.0;   // g/mol
    double loading = 0.5;  // signal units
    double meniscus = 6.9; // cm
    double bottom = 7.2;   // cm
    double noise = 0.005;  // sigma of the seeded normal noise
    unsigned seed = 7;
};
constexpr float kEquilibriumSpeeds[3] = {15000.0f, 20000.0f, 25000.0f};
constexpr int kEquilibriumPoints = 148; // per scan, 0.002 cm apart from 6.902 cm

// sigma = Mb w^2 / (R T) of a rotor speed at a temperature (C), 1/cm^2.
double EquilibriumSigma(double mb, double rpm, double celsius);
// Fills the store with the three scans (20 C, fit ranges over every point) and sets up the
// equilibrium model with species 1 started at 15000 g/mol and 0.4, Mb, loading and baseline
// floated, meniscus and bottom at the set's values.
void LoadEquilibriumSet(const EquilibriumSet& set = {});

// Three scans at equilibrium, one per speed of kEquilibriumSpeeds (9 h apart), on the radii of
// LoadEquilibriumSet: the signal profile(rpm, radii) plus seeded normal noise of sigma.
std::vector<GeneratedScan> EquilibriumScans(
    const std::function<std::vector<double>(double rpm, const std::vector<double>& r)>& profile,
    double sigma, unsigned seed);
