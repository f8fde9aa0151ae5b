// Velocity scan sets of known truth for the discrete-species evaluation.
#include "support/velocity_store.h"

#include "scandata/common_grid.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_header.h"
#include "scandata/scan_store_alloc.h"
#include "scandata/slot_grid_arrays.h"
#include "state/fit_control.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/lamm_harness.h"
#include "support/store_builder.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace {

std::vector<std::vector<float>> gTruth;

double RadiusAt(const VelocitySet& set, int i) {
    return set.firstRadius + (i - 1) * (set.lastRadius - set.firstRadius) / (set.points - 1);
}

} // namespace

void FillVelocityStore(const VelocitySet& set) {
    using S = ScanStore;
    using M = ModelParameters;
    const int n = set.points;
    gTruth.assign(std::size_t(set.scans) + 1, std::vector<float>(std::size_t(n) + 1, 0.0f));
    for (const TrueSpecies& sp : set.species) {
        // The reference: four times the grid of the default and steps a tenth of its size.
        LammCase lc;
        lc.s = sp.s;
        lc.D = sp.D;
        lc.rpm = set.rpm;
        lc.meniscus = set.meniscus;
        lc.bottom = set.bottom;
        lc.c0 = sp.loading;
        lc.scans = set.scans;
        lc.firstScanS = set.firstScanS;
        lc.intervalS = set.intervalS;
        lc.gridSize = 4000;
        lc.maxDcOverC = 0.1;
        lc.outputPoints = 2401;
        lc.massCheck = 0;
        LammRun reference(lc);
        reference.Run();
        for (int k = 1; k <= set.scans; ++k)
            for (int i = 1; i <= n; ++i)
                gTruth[std::size_t(k)][std::size_t(i)] +=
                    float(reference.ValueAt(k, RadiusAt(set, i)));
    }
    std::mt19937 random(set.seed);
    std::normal_distribution<double> noise(0.0, set.noise > 0.0 ? set.noise : 1.0);
    std::vector<StoreScan> scans;
    for (int k = 1; k <= set.scans; ++k) {
        StoreScan scan;
        scan.timeS = set.firstScanS + (k - 1) * set.intervalS;
        char name[32];
        std::snprintf(name, sizeof name, "%05d.RA1", k);
        scan.name = name;
        for (int i = 1; i <= n; ++i) {
            scan.radius.push_back(float(RadiusAt(set, i)));
            const double e = set.noise > 0.0 ? noise(random) : 0.0;
            scan.signal.push_back(float(gTruth[std::size_t(k)][std::size_t(i)] + e));
        }
        scans.push_back(scan);
    }
    FillStore(scans);
    for (int k = 1; k <= set.scans; ++k) {
        ScanHeader& h = S::header[k];
        h.temperature = 20.0f;
        h.rotorSpeed = float(set.rpm);
        h.omega2t = Omega2T(set.rpm, 0.0, h.time);
        h.accelerationRate = 1.0e6;
        h.accelerationTime = 0.0;
        h.dataType = 'R';
        S::firstFitIndex[k] = S::lastFitIndex[k] = 0;
        for (int i = 1; i <= n; ++i) {
            if (S::firstFitIndex[k] == 0 && S::radius[k][i] >= set.leftFitLimit)
                S::firstFitIndex[k] = i;
            if (S::radius[k][i] <= set.rightFitLimit)
                S::lastFitIndex[k] = i;
        }
    }
    S::absoluteTemperature = 293.15f;
    S::gasConstantTimesT = float(8.31451e7 * 293.15);
    ScanDataKind::absorbance = true;
    S::leftFitLimit = set.leftFitLimit;
    S::rightFitLimit = set.rightFitLimit;
    M::meniscus = float(set.meniscus);
    M::bottom = float(set.bottom);
    ModelChoice::equilibriumMs = false;
    double total = 0.0;
    for (const TrueSpecies& sp : set.species)
        total += sp.loading;
    for (int slot = 1; slot <= M::maxSpecies; ++slot) {
        const std::size_t j = std::size_t(slot) - 1;
        M::speciesOn[slot] = j < set.species.size() ? 1 : 0;
        if (j >= set.species.size())
            continue;
        M::speciesS[slot] = float(set.species[j].s);
        M::speciesDOrM[slot] = float(set.species[j].D * 1e7);
        M::concentration[slot] = float(slot == 1 ? total : set.species[j].loading / total);
    }
    M::baseline = 0.0f;
    PackFitParameters();
    AllocCommonGridScanArrays();
    BuildCommonRadialGrid();
}

float TrueSignal(int scan, int point) {
    return gTruth[std::size_t(scan)][std::size_t(point)];
}

double WorstFitAgainstSignal() {
    using S = ScanStore;
    double worst = 0.0;
    for (int k = 1; k <= S::scanCount; ++k)
        for (int p = 1; p <= S::pointCount[k]; ++p)
            if (S::radius[k][p] >= S::leftFitLimit && S::radius[k][p] <= S::rightFitLimit)
                worst = std::max(worst, double(std::fabs(S::fit[k][p] - S::signal[k][p])));
    return worst;
}

double LastScanSumBelow(const float* const* values, double r) {
    using S = ScanStore;
    const int k = S::scanCount;
    double sum = 0.0;
    for (int p = 1; p <= S::pointCount[k]; ++p)
        if (S::radius[k][p] <= r)
            sum += values[k][p];
    return sum;
}

VelocitySet TenAndTwentyS() {
    VelocitySet set;
    set.species = {{10.0, 4.0e-7, 0.5}, {20.0, 2.8e-7, 0.5}};
    set.scans = 12;
    set.points = 301;
    set.rpm = 40000;
    set.firstScanS = 300;
    set.intervalS = 300;
    set.meniscus = 5.95;
    set.firstRadius = 6.0;
    set.leftFitLimit = 6.02f;
    set.noise = 0.005;
    set.seed = 20261207;
    return set;
}

void StartTenAndTwentySOffTheirValues(const VelocitySet& set) {
    using M = ModelParameters;
    FitControl::meniscusMin = 5.8f;
    FitControl::meniscusMax = float(set.firstRadius);
    M::meniscus = float(set.firstRadius);
    M::meniscusFloat = 1;
    ModelChoice::equilibriumMs = true;
    M::speciesS[1] = 10.6f;
    M::speciesDOrM[1] = float(0.8 * MolarMass(set.species[0]));
    M::speciesS[2] = 18.5f;
    M::speciesDOrM[2] = float(1.25 * MolarMass(set.species[1]));
    for (int k = 1; k <= 2; ++k) {
        M::speciesSFloat[k] = M::speciesDOrMFloat[k] = 1;
        M::concentrationFloat[k] = 0;
    }
}

void ChooseOptimiser(bool simplex, bool annealing, bool marquardtLevenberg) {
    FitControl::simplex = simplex;
    FitControl::simulatedAnnealing = annealing;
    FitControl::marquardtLevenberg = marquardtLevenberg;
    FitControl::annealingSteps = 3;
    FitControl::annealingIterations = 60;
}

double MolarMass(const TrueSpecies& sp) {
    return sp.s * 1e-13 * double(ScanStore::gasConstantTimesT) /
           (sp.D * (1.0 - ScanStore::vbarRho));
}

GeneratedScan VelocityScanFile(int scan, double rpm) {
    using S = ScanStore;
    GeneratedScan file;
    file.timeS = long(S::header[scan].time);
    file.omega2t = S::header[scan].omega2t;
    file.rpm = long(rpm);
    for (int i = 1; i <= S::pointCount[scan]; ++i) {
        file.radius.push_back(S::radius[scan][i]);
        file.value.push_back(S::signal[scan][i]);
        file.third.push_back(0.0); // absorbance rows carry a third column
    }
    return file;
}
