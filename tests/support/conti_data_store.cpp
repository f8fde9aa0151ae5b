// The data store of the distribution engine tests.
#include "support/conti_data_store.h"

#include "distributions/conti_lamm_list.h"
#include "distributions/integrate_distribution.h"
#include "fitting/equilibrium_fit.h"
#include "scandata/noise_subtraction.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/conti_kernel.h"
#include "simulation/non_diffusing_boundary.h"
#include "state/conti_state.h"
#include "state/fit_control.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/lamm_list_harness.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>

ContiDataStore::ContiDataStore(const ContiStoreCase& cs) : ContiScanStore(cs) {
    const int S = c.scans, n = c.points;
    signal.assign(S + 1, std::vector<float>(n + 1, 0.0f));
    fit = residuals = signal;
    signalRows.assign(S + 1, nullptr);
    fitRows = residualRows = radiusRows = signalRows;
    counts.assign(S + 1, n);
    for (int k = 1; k <= S; ++k) {
        signalRows[k] = signal[k].data();
        fitRows[k] = fit[k].data();
        residualRows[k] = residuals[k].data();
        radiusRows[k] = radii.data();
    }
    tiNoise.assign(n + 1, 0.0f);
    tiNoiseRemoved = tiNoise;
    riNoise.assign(S + 1, 0.0f);
    ScanStore::signal = signalRows.data();
    ScanStore::gridSignal = signalRows.data(); // the grid shares the scans' radii and values
    ScanStore::gridSignalAllocated = false;
    ScanStore::fit = fitRows.data();
    ScanStore::residuals = residualRows.data();
    ScanStore::radius = radiusRows.data();
    ScanStore::pointCount = counts.data();
    ScanStore::tiNoise = tiNoise.data();
    ScanStore::tiNoiseRemoved = tiNoiseRemoved.data();
    ScanStore::riNoise = riNoise.data();
    ScanStore::gridFirstFit = 1;
    ScanStore::gridLastFit = n;
}

ContiDataStore::~ContiDataStore() {
    ScanStore::signal = ScanStore::gridSignal = ScanStore::fit = ScanStore::residuals = nullptr;
    ScanStore::radius = nullptr;
    ScanStore::pointCount = nullptr;
    ScanStore::tiNoise = ScanStore::tiNoiseRemoved = ScanStore::riNoise = nullptr;
    ScanStore::gridMeanSignal = ScanStore::scanMeanSignal = nullptr;
}

void ContiDataStore::Fill(const std::vector<ContiSpecies>& species, const std::vector<double>& ti,
                          const std::vector<double>& ri, double sigma, unsigned seed) {
    const int S = c.scans, n = c.points;
    for (int k = 1; k <= S; ++k)
        std::fill(signal[k].begin(), signal[k].end(), 0.0f);
    for (const ContiSpecies& sp : species) {
        if (sp.dCm2s == 0.0) {
            const double w = c.rpm * M_PI / 30.0;
            std::vector<float> row(n + 1);
            for (int k = 1; k <= S; ++k) {
                LammGrid::omega2S = w * w * sp.sS * 1e-13;
                NonDiffusingBoundary(sp.loading, headers[k].time, radii.data(), row.data(), n);
                for (int i = 1; i <= n; ++i)
                    signal[k][i] += row[i];
            }
            continue;
        }
        double s[2] = {0.0, sp.sS};
        double D[2] = {0.0, sp.dCm2s > 0.0 ? sp.dCm2s : DiffusionFromSAndFf0(sp.sS, sp.ff0)};
        RunSVContiSedList(nullptr, SilentObserver(), 1, s, D, nullptr);
        for (int k = 1; k <= S; ++k)
            for (int i = 1; i <= n; ++i)
                signal[k][i] += static_cast<float>(sp.loading * gContiKernel.Row(1, k)[i]);
    }
    gContiKernel.Free();
    std::mt19937 rng(seed);
    std::normal_distribution<double> g(0.0, sigma > 0.0 ? sigma : 1.0);
    for (int k = 1; k <= S; ++k)
        for (int i = 1; i <= n; ++i) {
            double v = signal[k][i];
            if (!ti.empty())
                v += ti[i];
            if (!ri.empty())
                v += ri[k];
            if (sigma > 0.0)
                v += g(rng);
            signal[k][i] = static_cast<float>(v);
        }
}

ContiStoreCase TwelveScanCase() {
    ContiStoreCase c;
    c.scans = 12;
    c.points = 400;
    c.firstTimeS = 600.0;
    c.intervalS = 400.0;
    return c;
}

void FillTwoSpeciesOnSystematicNoise(ContiDataStore& store, unsigned seed) {
    std::vector<double> ti(store.c.points + 1), ri(store.c.scans + 1);
    for (int i = 1; i <= store.c.points; ++i)
        ti[i] = 0.01 * std::sin(0.37 * i);
    for (int k = 1; k <= store.c.scans; ++k)
        ri[k] = 0.02 * std::cos(1.1 * k);
    store.Fill({{3.5, 1.25, 0.3}, {7.0, 1.25, 0.6}}, ti, ri, 0.005, seed);
}

void ExpectPeaksOfTheTwoSpecies() {
    struct Peak {
        float lo, hi;
        double loading, s;
    } peaks[] = {{2.5f, 5.0f, 0.3, 3.5}, {5.5f, 9.5f, 0.6, 7.0}};
    for (const Peak& p : peaks) {
        float area = 0, sw = 0;
        IntegrateDistribution(p.lo, p.hi, &area, &sw, nullptr, nullptr);
        EXPECT_NEAR(area, p.loading, 0.03 * p.loading) << "peak at " << p.s;
        EXPECT_NEAR(sw, p.s, 0.02 * p.s) << "peak at " << p.s;
    }
}

ContiStoreCase EquilibriumColumnCase() {
    ContiStoreCase c;
    c.scans = 4;
    c.points = 200;
    c.meniscus = 6.9f;
    c.bottom = 7.2f;
    return c;
}

bool FillEquilibriumSpecies(ContiDataStore& store, double buoyantMolarMass, double loading) {
    const float rpm[] = {0.0f, 8000.0f, 12000.0f, 16000.0f, 20000.0f};
    if (store.c.scans > 4)
        return false;
    for (int k = 1; k <= store.c.scans; ++k) {
        store.headers[k].rotorSpeed = rpm[k];
        if (!EquilibriumScanProfile(k, buoyantMolarMass, loading, store.radii.data(),
                                    store.c.points, store.signal[k].data()))
            return false;
    }
    return true;
}

void ChooseCsOver(float sMin, float sMax, float gridPoints, float confidenceLevel) {
    ModelChoice::nonInteractingSpecies = false;
    ModelChoice::contiMode = ModelChoice::contiCs = true;
    ContiState::rangeMin = sMin;
    ContiState::rangeMax = sMax;
    ContiState::resolution = gridPoints;
    ContiState::confidenceLevel = confidenceLevel;
}

void StartFf0AndMeniscusOffTheTruth() {
    ContiState::ff0 = 1.2f;
    ContiState::ff0Float = 1;
    ModelParameters::meniscus = 6.02f;
    ModelParameters::meniscusFloat = 1;
    FitControl::meniscusMin = 5.95f;
    FitControl::meniscusMax = 6.04f;
    FitControl::simplexTolerance = 1e-5;
}
