// Test helper: three-speed equilibrium scans made from the equilibrium profile plus noise.
#include "equilibrium_scan_set.h"

#include "fitting/equilibrium_fit.h"
#include "foundations/physical_constants.h"
#include "scandata/scan_header.h"
#include "scandata/scan_store_alloc.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "store_builder.h"

#include <random>
#include <string>
#include <vector>

double EquilibriumSigma(double mb, double rpm, double celsius) {
    const double w = rpm * PhysicalConstants::pi / 30.0;
    return mb * w * w / (double(PhysicalConstants::gasConstant) * (celsius + 273.15));
}

void LoadEquilibriumSet(const EquilibriumSet& set) {
    using M = ModelParameters;
    std::vector<StoreScan> scans;
    for (int k = 0; k < 3; ++k) {
        StoreScan s = EvenScan(6.902f, 0.002f, kEquilibriumPoints, 3600.0 * (k + 1), nullptr);
        s.name = "0000" + std::to_string(k + 1) + ".RA1";
        scans.push_back(s);
    }
    FillStore(scans);
    std::mt19937 gen(set.seed);
    std::normal_distribution<double> gauss(0.0, set.noise > 0 ? set.noise : 1.0);
    for (int k = 1; k <= 3; ++k) {
        ScanStore::header[k].rotorSpeed = kEquilibriumSpeeds[k - 1];
        ScanStore::header[k].temperature = 20.0f;
        ScanStore::firstFitIndex[k] = 1;
        ScanStore::lastFitIndex[k] = ScanStore::pointCount[k];
        const double sigma = EquilibriumSigma(set.mb, kEquilibriumSpeeds[k - 1], 20.0);
        for (int i = 1; i <= ScanStore::pointCount[k]; ++i) {
            const double c = EquilibriumConcentration(sigma, set.loading, ScanStore::radius[k][i],
                                                      set.meniscus, set.bottom);
            ScanStore::signal[k][i] = static_cast<float>(c + (set.noise > 0 ? gauss(gen) : 0.0));
            ScanStore::residuals[k][i] = ScanStore::signal[k][i];
        }
    }
    ModelChoice::equilibriumModel = true;
    M::meniscus = static_cast<float>(set.meniscus);
    M::bottom = static_cast<float>(set.bottom);
    M::speciesOn[1] = 1;
    M::speciesDOrM[1] = 15000.0f;
    M::speciesDOrMFloat[1] = 1;
    M::concentration[1] = 0.4f;
    M::concentrationFloat[1] = 1;
    M::baseline = 0.0f;
    M::baselineFloat = 1;
}

std::vector<GeneratedScan> EquilibriumScans(
    const std::function<std::vector<double>(double rpm, const std::vector<double>& r)>& profile,
    double sigma, unsigned seed) {
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0.0, sigma);
    std::vector<GeneratedScan> scans;
    for (int k = 0; k < 3; ++k) {
        GeneratedScan s;
        s.rpm = long(kEquilibriumSpeeds[k]);
        s.timeS = 9 * 3600L * (k + 1);
        s.omega2t = 0.0;
        for (int i = 0; i < kEquilibriumPoints; ++i)
            s.radius.push_back(6.902 + 0.002 * i);
        for (double v : profile(kEquilibriumSpeeds[k], s.radius))
            s.value.push_back(v + noise(random));
        s.third.assign(s.radius.size(), 0.01);
        scans.push_back(s);
    }
    return scans;
}
