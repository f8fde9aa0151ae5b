// The experimental initial distribution: the solutions start from the first scan (or the set
// initial data) at its time, on both grid algorithms; the species share the measured profile,
// the baseline stays outside it, and scan 1 is the initial state rather than a simulated scan.
#include "foundations/nr_arrays.h"
#include "plat/testing.hpp"
#include "scandata/initial_data.h"
#include "scandata/scan_header.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/discrete_sed.h"
#include "simulation/initial_profile.h"
#include "simulation/simulation_switches.h"
#include "state/fit_services.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/reset_all_state.h"
#include "support/velocity_store.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

using M = ModelParameters;
using S = ScanStore;
using plat::test::Script;

class ExperimentalInitial : public ::testing::Test {
  protected:
    void SetUp() override { ResetAllState(); }
    void TearDown() override { ResetAllState(); }
};

void Algorithm(bool movingHat) {
    ModelChoice::automaticAlgorithm = false;
    ModelChoice::movingHatAlgorithm = movingHat;
    ModelChoice::claverieAlgorithm = !movingHat;
}

// One species over the whole cell, 6 scans from 600 s; with a baseline added to the data.
VelocitySet OneSpeciesSet() {
    VelocitySet set;
    set.species = {{4.5, 6e-7, 0.8}};
    set.scans = 6;
    return set;
}

void AddBaseline(float baseline) {
    for (int k = 1; k <= S::scanCount; ++k)
        for (int i = 1; i <= S::pointCount[k]; ++i)
            S::signal[k][i] += baseline;
    M::baseline = baseline;
    PackFitParameters();
}

// Largest |fit - truth| inside the fit limits over scans from..scanCount.
double WorstFromTruth(int from, float baseline) {
    double worst = 0.0;
    for (int k = from; k <= S::scanCount; ++k)
        for (int i = S::firstFitIndex[k]; i <= S::lastFitIndex[k]; ++i)
            if (S::radius[k][i] < 7.1f)
                worst =
                    std::max(worst, double(std::fabs(S::fit[k][i] - baseline - TrueSignal(k, i))));
    return worst;
}

// Started from scan 1 at 600 s, the later scans follow the solution started at rest from a
// uniform loading; scan 1 keeps its data as its model and is not simulated.
TEST_F(ExperimentalInitial, FirstScanStartsTheSolutionAtItsTime) {
    struct Case {
        const char* name;
        bool movingHat;
        float baseline;
    } const cases[] = {{"moving hat", true, 0.0f},
                       {"fixed grid", false, 0.0f},
                       {"fixed grid, baseline 0.1", false, 0.1f},
                       {"moving hat, baseline 0.1", true, 0.1f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetAllState();
        FillVelocityStore(OneSpeciesSet());
        AddBaseline(c.baseline);
        Algorithm(c.movingHat);
        M::experimentalInitialDistribution = true;
        M::constantInitialDistribution = false;
        Script script; // no box
        ASSERT_TRUE(RunDiscreteSed(nullptr));
        EXPECT_TRUE(script.done()) << script.logText();
        EXPECT_EQ(InitialData::pointCount, S::pointCount[1]);
        EXPECT_EQ(InitialData::header.time, S::header[1].time);
        EXPECT_TRUE(LammGrid::firstScanIsInitial);
        EXPECT_EQ(LammGrid::firstSimulatedScan, 2);
        for (int i = 1; i <= S::pointCount[1]; ++i)
            ASSERT_EQ(S::fit[1][i], S::signal[1][i]) << "point " << i;
        const double worst = WorstFromTruth(2, c.baseline);
        EXPECT_LT(worst, 5e-3) << "largest deviation from the solution started at rest";
    }
}

// Two included species share the measured profile by their fractions: the same s and D in two
// slots (0.6 and 0.4 of the total) give the model of one species, not twice its signal; with
// s = D = 0 the share stays as it was measured in every scan.
TEST_F(ExperimentalInitial, SpeciesShareTheMeasuredProfile) {
    FillVelocityStore(OneSpeciesSet());
    Algorithm(false);
    M::experimentalInitialDistribution = true;
    M::concentration[1] = 1.0f;
    RunDiscreteSed(nullptr);
    std::vector<float> one;
    for (int k = 2; k <= S::scanCount; ++k)
        one.insert(one.end(), S::fit[k] + 1, S::fit[k] + 1 + S::pointCount[k]);

    struct Case {
        const char* name;
        float s2, d2;
    } const cases[] = {{"same species twice", 4.5f, 6.0f}, {"s = D = 0", 0.0f, 0.0f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        M::speciesIncluded[2] = 1;
        M::speciesS[2] = c.s2;
        M::speciesDOrM[2] = c.d2;
        M::concentration[2] = 0.4f;
        PackFitParameters();
        Script script;
        ASSERT_TRUE(RunDiscreteSed(nullptr));
        EXPECT_TRUE(script.done()) << script.logText();
        std::size_t at = 0;
        double worst = 0.0;
        for (int k = 2; k <= S::scanCount; ++k)
            for (int i = 1; i <= S::pointCount[k]; ++i, ++at) {
                const double second = c.s2 == 0.0f ? 0.4 * S::signal[1][i] : 0.4 * double(one[at]);
                worst = std::max(worst, std::fabs(S::fit[k][i] - (0.6 * one[at] + second)));
            }
        EXPECT_LT(worst, 1e-5);
    }
}

// Initial data set apart from the scans (here a uniform loading at time 0, as the generator
// leaves them): every scan is simulated, from that time, and the model is the one of the uniform
// loading.
TEST_F(ExperimentalInitial, SetInitialDataStartAtTheirOwnTime) {
    for (bool movingHat : {true, false}) {
        SCOPED_TRACE(movingHat ? "moving hat" : "fixed grid");
        ResetAllState();
        FillVelocityStore(OneSpeciesSet());
        Algorithm(movingHat);
        const int n = 241;
        InitialData::radius = vector(1, n);
        InitialData::signal = vector(1, n);
        InitialData::pointCount = n;
        for (int i = 1; i <= n; ++i) {
            InitialData::radius[i] = float(6.0 + (i - 1) * 0.005);
            InitialData::signal[i] = 0.8f;
        }
        InitialData::header.time = 0.0;
        M::experimentalInitialDistribution = true;
        ASSERT_TRUE(RunDiscreteSed(nullptr));
        EXPECT_FALSE(LammGrid::firstScanIsInitial);
        EXPECT_EQ(LammGrid::firstSimulatedScan, 1);
        EXPECT_LT(WorstFromTruth(1, 0.0f), 5e-3);
    }
}

// Sampling onto a solver grid: resampled, baseline off, negatives 0, times the share; the ends
// beyond the measured radii are held.
TEST(InitialProfileSampling, BaselineShareAndEnds) {
    CInitialProfile p;
    p.radius.assign(1, 0.0f);
    p.signal.assign(1, 0.0f);
    for (int i = 0; i <= 10; ++i) { // a ramp from 0 at 6.1 cm to 0.5 at 6.4 cm, then level
        const double r = 6.1 + 0.05 * i;
        p.radius.push_back(float(r));
        p.signal.push_back(float(std::min(0.5, (r - 6.1) * 0.5 / 0.3)));
    }
    p.baseline = 0.1;
    p.share = 0.5;
    const double r[] = {0, 6.1, 6.15, 6.25, 6.3, 6.35, 6.45, 7.0};
    double c[8];
    SampleInitialProfile(p, 7, r, c);
    // beyond the last radius: the mean of the last ten values, 0.375
    const double expected[] = {0,   0.0,   0.0, 0.075, 0.5 * (0.7 / 3 - 0.0), 0.5 * (0.95 / 3),
                               0.2, 0.1375};
    for (int i = 1; i <= 7; ++i)
        EXPECT_NEAR(c[i], expected[i], 1e-5) << "r = " << r[i];
}

} // namespace
