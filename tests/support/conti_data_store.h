// Scans with signal, fit and residual arrays on the common grid of a ContiScanStore, filled from
// known species (Lamm solutions of the list road) plus systematic and random noise, for the
// tests of the distribution engine.
#pragma once

#include "support/conti_scan_store.h"

#include <vector>

struct ContiSpecies {
    double sS = 5.0;
    double ff0 = 1.25; // D from s and f/f0 (compact particle in water, 20 C, vbar 0.73)
    double loading = 0.5;
    double dCm2s = -1.0; // > 0: this D instead; 0: non-diffusing
};

class ContiDataStore : public ContiScanStore {
  public:
    explicit ContiDataStore(const ContiStoreCase& c = {});
    ~ContiDataStore();

    // Signal = sum of the species' unit-loading profiles x loading, plus ti[i] per grid point,
    // plus ri[k] per scan (empty vectors add nothing), plus normal noise of sigma (seeded).
    void Fill(const std::vector<ContiSpecies>& species, const std::vector<double>& ti = {},
              const std::vector<double>& ri = {}, double sigma = 0.0, unsigned seed = 1);

    std::vector<std::vector<float>> signal, fit, residuals; // [k][1..points]
    std::vector<float*> signalRows, fitRows, residualRows, radiusRows;
    std::vector<std::int32_t> counts;
    std::vector<float> tiNoise, tiNoiseRemoved, riNoise;
};

// The c(s) fit tests' data: twelve scans of 400 points, the first at 600 s, then every 400 s.
ContiStoreCase TwelveScanCase();

// The two species of the c(s) fit tests (3.5 S loaded 0.3 and 7 S loaded 0.6, f/f0 1.25) on
// time-invariant noise 0.01 sin(0.37 i) and radially invariant noise 0.02 cos(1.1 k), plus
// normal noise of 0.005 from seed.
void FillTwoSpeciesOnSystematicNoise(ContiDataStore& store, unsigned seed);

// Checks the distribution the last Run or Fit stored against those two species: the area of
// each peak within 3% of its loading, its weighted-average s within 2% of the species' s.
void ExpectPeaksOfTheTwoSpecies();

// A short column for equilibrium data: four scans of 200 points over 6.9 to 7.2 cm.
ContiStoreCase EquilibriumColumnCase();

// One species of buoyant molar mass Mb (g/mol) and loading at equilibrium, scan k of at most four
// spun at 8000, 12000, 16000 and 20000 rpm; false when a profile cannot be made.
bool FillEquilibriumSpecies(ContiDataStore& store, double buoyantMolarMass, double loading);

// The c(s) model (not the non-interacting species) over sMin..sMax S in gridPoints points, with
// the confidence level of its regularisation.
void ChooseCsOver(float sMin, float sMax, float gridPoints, float confidenceLevel = 0.68f);

// The c(s) Fit's start off the truth: f/f0 1.2 and meniscus 6.02 cm, both floated, the meniscus
// bounded to 5.95-6.04 cm, simplex tolerance 1e-5.
void StartFf0AndMeniscusOffTheTruth();
