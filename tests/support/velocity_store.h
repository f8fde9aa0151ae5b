// A sedimentation velocity experiment of known truth in the scan store: scans whose signal is the
// sum of fine reference Lamm solutions of given species (plus seeded Gaussian noise), with the
// model parameters set to the generating species, for the discrete-species evaluation.
#pragma once

#include "support/scan_set_generator.h"

#include <vector>

struct TrueSpecies {
    double s;       // S
    double D;       // cm^2/s
    double loading; // signal the species carries
};

struct VelocitySet {
    std::vector<TrueSpecies> species = {{3.5, 6.3e-7, 0.6}, {7.0, 4.2e-7, 0.4}};
    int scans = 10;
    int points = 601; // radii evenly spaced from firstRadius to lastRadius
    double firstRadius = 6.0, lastRadius = 7.2;
    double rpm = 50000;
    double firstScanS = 600, intervalS = 600;
    double meniscus = 6.0, bottom = 7.2;
    float leftFitLimit = 6.05f, rightFitLimit = 7.15f;
    double noise = 0.0; // standard deviation of the added noise
    unsigned seed = 1;
};

// Fills the store (absorbance scans at 20 C, no acceleration phase), the fit limits and ranges,
// and the model parameters in the s-and-D form: slot 1 holds the total loading, the others their
// fractions of it; the parameters are packed as the fit would see them.
void FillVelocityStore(const VelocitySet& set);

// Two fast species, 10 and 20 S, with a few hundred grid nodes each, for the fits that start the
// meniscus on its bound (12 scans of 301 points at 40,000 rpm, noise 0.005).
VelocitySet TenAndTwentyS();

// The fits' start on TenAndTwentyS: the meniscus on its upper bound (the first data radius) and
// floated, both species' s and M floated and 6-25% off, loadings solved linearly.
void StartTenAndTwentySOffTheirValues(const VelocitySet& set);

// Picks one optimiser road (annealing with its short schedule of these tests).
void ChooseOptimiser(bool simplex, bool annealing, bool marquardtLevenberg);

// M of a species from s and D by the Svedberg relation at the scans' temperature.
double MolarMass(const TrueSpecies& sp);

// The noise-free signal of scan k (header index) at point i, as generated.
float TrueSignal(int scan, int point);

// The largest difference between the store's fit and its signal over the fitted radii (the fit
// limits, ends included), all scans.
double WorstFitAgainstSignal();

// The sum of values[k][p] over the last scan's points at radii up to r: the signal left between
// the meniscus and r when values is the store's signal or fit.
double LastScanSumBelow(const float* const* values, double r);

// Scan k of the store (header index) as an absorbance scan file holds it, at the set's speed, for
// the tests that load the set through the menu.
GeneratedScan VelocityScanFile(int scan, double rpm);
