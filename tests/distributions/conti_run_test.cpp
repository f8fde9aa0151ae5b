// The distribution Run on data of known truth: one species by c(s), c(M) and ls-g*(s), time-
// invariant noise recovered inside c(s), the same result for any thread count, and refusals of
// unusable settings that compute nothing and keep the previous distribution.
#include "distributions/conti_grid.h"
#include "distributions/conti_run.h"
#include "distributions/integrate_distribution.h"
#include "foundations/error_box_log.h"
#include "foundations/hydrodynamics.h"
#include "plat/testing.hpp"
#include "plat/window.hpp"
#include "scandata/scan_store_alloc.h"
#include "simulation/conti_kernel.h"
#include "state/conti_state.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/result_table.h"
#include "state/run_switches.h"
#include "support/conti_data_store.h"
#include "support/distribution_maximum.h"
#include "support/lamm_list_harness.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

class ContiRun : public ::testing::Test {
  protected:
    explicit ContiRun(const ContiStoreCase& c = {}) : store(c) {}
    void SetUp() override {
        window.Create();
        script.pumpUntilIdle();
        ChooseCsOver(0.0f, 15.0f, 150.0f);
        ContiState::ff0 = 1.25f;
    }
    void TearDown() override { FreeResultTable(); }

    static std::vector<float> Distribution() {
        return {ContiState::distribution + 1,
                ContiState::distribution + ContiState::gridPoints + 1};
    }

    plat::test::Script script;
    TFrameWindow window{nullptr, "test"};
    ContiDataStore store;
};

} // namespace

TEST_F(ContiRun, OneSpeciesByCsCMAndLsGStar) {
    struct Case {
        const char* name;
        std::function<void()> choose;
        ContiSpecies species;
        double peak, peakTolerance, loadingTolerance;
    };
    const double m66 = 66000.0;
    const Case cases[] = {
        {"c(s)", [] {}, {5.0, 1.25, 0.5}, 5.0, 0.02, 0.02},
        {"ls-g*(s)",
         [] {
             ModelChoice::lsGStar = true;
             ContiState::rangeMin = 1.0f;
             ContiState::rangeMax = 10.0f;
             ContiState::resolution = 181.0f;
             ContiState::secondDerivativeRegularization = true;
             ContiState::maxEntRegularization = false;
         },
         {4.0, 1.0, 0.5, 0.0},
         4.0,
         0.01,
         0.02},
        {"c(M)",
         [] {
             ModelChoice::contiCs = false;
             ContiState::ff0 = 1.3f;
             ContiState::rangeMin = 10000.0f;
             ContiState::rangeMax = 200000.0f;
             ContiState::resolution = 100.0f;
         },
         {0.0, 1.3, 0.5},
         m66,
         0.03,
         0.02},
    };
    for (Case c : cases) {
        SetUp();
        c.choose();
        if (c.species.sS == 0.0) {
            // the species of 66 kDa with f/f0 1.3 in this buffer
            gFrictionalRatio = 1.3f;
            c.species.dCm2s = CalculateDfromMff0(static_cast<float>(m66), 20.0f, 1.3f);
            c.species.sS =
                SFromMandD(static_cast<float>(m66), static_cast<float>(c.species.dCm2s), 20.0f);
        }
        store.Fill({c.species});
        ASSERT_TRUE(RunContiSed(nullptr, SilentObserver())) << c.name;
        EXPECT_NEAR(DistributionMaximumAbscissa(), c.peak, c.peakTolerance * c.peak) << c.name;
        float area = 0, sw = 0, total = 0, sd = 0;
        IntegrateDistribution(ContiState::sValues[1], ContiState::sValues[ContiState::gridPoints],
                              &area, &sw, &total, &sd);
        EXPECT_NEAR(area, 0.5, c.loadingTolerance * 0.5) << c.name;
        double ss = 0.0, count = 0.0;
        for (int k = 1; k <= store.c.scans; ++k)
            for (int i = 1; i <= store.c.points; ++i) {
                if (store.radii[i] < ScanStore::leftFitLimit ||
                    store.radii[i] > ScanStore::rightFitLimit)
                    continue;
                ss += std::pow(store.residuals[k][i], 2);
                count += 1.0;
            }
        EXPECT_LT(std::sqrt(ss / count), 1e-3) << c.name;
        EXPECT_TRUE(ScanStore::resultAvailable);
        TearDown();
        ModelChoice::ResetToDefaults();
        ModelChoice::nonInteractingSpecies = false;
        ModelChoice::contiMode = ModelChoice::contiCs = true;
        ContiState::ResetToDefaults();
    }
}

TEST_F(ContiRun, TimeInvariantNoiseIsRecoveredInsideCs) {
    store.Fill({{5.0, 1.25, 0.5}});
    ASSERT_TRUE(RunContiSed(nullptr, SilentObserver()));
    float cleanArea = 0;
    IntegrateDistribution(0.0f, 15.0f, &cleanArea, nullptr, nullptr, nullptr);

    std::vector<double> ti(store.c.points + 1);
    std::mt19937 rng(3);
    std::normal_distribution<double> g(0.0, 0.01);
    for (double& v : ti)
        v = g(rng);
    store.Fill({{5.0, 1.25, 0.5}}, ti);
    ModelChoice::fitTINoise = true;
    ASSERT_TRUE(RunContiSed(nullptr, SilentObserver()));
    float area = 0;
    IntegrateDistribution(0.0f, 15.0f, &area, nullptr, nullptr, nullptr);
    EXPECT_NEAR(area, cleanArea, 0.01 * cleanArea);
    // The Run moved the estimate into the data: it is now held as removed noise. Its constant
    // is gauge (the plateau is almost constant in time), so both are compared about their mean.
    double meanTrue = 0.0, meanFound = 0.0, count = 0.0;
    auto inRange = [&](int j) {
        return store.radii[j] >= ScanStore::leftFitLimit &&
               store.radii[j] <= ScanStore::rightFitLimit;
    };
    for (int j = 1; j <= store.c.points; ++j)
        if (inRange(j)) {
            meanTrue += ti[j];
            meanFound += store.tiNoiseRemoved[j];
            count += 1.0;
        }
    meanTrue /= count;
    meanFound /= count;
    double err = 0.0, ref = 0.0;
    for (int j = 1; j <= store.c.points; ++j)
        if (inRange(j)) {
            err += std::pow(store.tiNoiseRemoved[j] - meanFound - ti[j] + meanTrue, 2);
            ref += std::pow(ti[j] - meanTrue, 2);
        }
    EXPECT_LT(std::sqrt(err / ref), 0.01);
}

TEST_F(ContiRun, ResultIsTheSameForAnyThreadCount) {
    store.Fill({{3.5, 1.25, 0.3}, {7.0, 1.25, 0.6}}, {}, {}, 0.005, 9);
    ModelChoice::fitTINoise = ModelChoice::fitRINoise = true;
    ContiState::calledFromFit = true; // keep the data as they are between the runs
    ContiState::multiThreading = false;
    ASSERT_TRUE(RunContiSed(nullptr, SilentObserver()));
    const std::vector<float> reference = Distribution();
    ContiState::multiThreading = true;
    for (int threads : {1, 2, 3, 4}) {
        gDistributionThreadCount = threads;
        ASSERT_TRUE(RunContiSed(nullptr, SilentObserver()));
        EXPECT_EQ(Distribution(), reference) << threads << " threads";
    }
    gDistributionThreadCount = 2;
}

// The fits, residuals and noise the Run stores are formed scan by scan on the threads.
TEST_F(ContiRun, StoredFitsResidualsAndNoiseAreTheSameForAnyThreadCount) {
    store.Fill({{3.5, 1.25, 0.3}, {7.0, 1.25, 0.6}}, {}, {}, 0.005, 9);
    ModelChoice::fitTINoise = ModelChoice::fitRINoise = true;
    ContiState::calledFromFit = true; // keep the data as they are between the runs
    auto stored = [&] {
        return std::vector<std::vector<std::vector<float>>>{
            store.fit, store.residuals, {store.tiNoise, store.riNoise}};
    };
    ContiState::multiThreading = false;
    ASSERT_TRUE(RunContiSed(nullptr, SilentObserver()));
    const auto reference = stored();
    ASSERT_NE(reference[0][1], std::vector<float>(reference[0][1].size(), 0.0f)) << "no fit";
    ContiState::multiThreading = true;
    for (int threads : {2, 3, 7}) {
        gDistributionThreadCount = threads;
        for (auto& row : store.fit)
            std::fill(row.begin(), row.end(), 0.0f);
        ASSERT_TRUE(RunContiSed(nullptr, SilentObserver()));
        EXPECT_TRUE(stored() == reference) << threads << " threads";
    }
    gDistributionThreadCount = 2;
}

// The Run forms the scans' model with the noise; the store forms it itself for a solution
// without it: the same fits, residuals and noise either way.
TEST_F(ContiRun, StoredCurvesAreTheSameWithTheModelFormedBeforeOrByTheStore) {
    store.Fill({{3.5, 1.25, 0.3}, {7.0, 1.25, 0.6}}, {}, {}, 0.005, 9);
    ModelChoice::fitTINoise = ModelChoice::fitRINoise = true;
    ContiState::calledFromFit = true;
    for (bool threads : {false, true}) {
        ContiState::multiThreading = threads;
        ContiSolution sol;
        ASSERT_EQ(ComputeContiSolution(nullptr, SilentObserver(), sol, true, nullptr, true),
                  ContiStatus::Done);
        ASSERT_EQ(std::ssize(sol.model), sol.set.Scans());
        StoreContiSolution(sol);
        const auto formed = std::vector{store.fit, store.residuals};
        sol.model.clear();
        for (auto& row : store.fit)
            std::fill(row.begin(), row.end(), 0.0f);
        StoreContiSolution(sol);
        EXPECT_TRUE((std::vector{store.fit, store.residuals}) == formed) << threads;
    }
}

// The equations kept from one Run to the next on the same kernel follow a change of a single data
// value anywhere in the set (first, inner or last point of a scan, where the comparison ends
// under a mask): the distribution is the one the Run gives on equations built anew.
TEST_F(ContiRun, KeptEquationsFollowAChangeOfOneDataValue) {
    store.Fill({{3.5, 1.25, 0.3}, {7.0, 1.25, 0.6}}, {}, {}, 0.005, 9);
    ContiState::calledFromFit = true; // keep the data as they are between the runs
    ContiSolution sol;
    ASSERT_EQ(ComputeContiSolution(nullptr, SilentObserver(), sol, false), ContiStatus::Done);
    const ContiDataSet set = sol.set;
    struct Case {
        const char* name;
        int scan, point;
    } cases[] = {{"first point of the first scan", 0, set.first},
                 {"inner point", set.Scans() / 2, (set.first + set.last) / 2},
                 {"last point of the last scan", set.Scans() - 1, set.last}};
    for (const Case& c : cases) {
        ASSERT_TRUE(RunContiSed(nullptr, SilentObserver())) << c.name;
        ScanStore::gridSignal[set.scans[std::size_t(c.scan)]][c.point] += 0.05f;
        ASSERT_TRUE(RunContiSed(nullptr, SilentObserver())) << c.name;
        const std::vector<float> kept = Distribution();
        gContiKernel.Free();
        ASSERT_TRUE(RunContiSed(nullptr, SilentObserver())) << c.name;
        EXPECT_EQ(kept, Distribution()) << c.name;
    }
}

constexpr const char* kConfidenceText =
    "The confidence level of the regularization must lie between 0 and 1, or above 1 up to 2 as "
    "the chi-square ratio itself.";

TEST_F(ContiRun, UnusableSettingsAreRefusedAndKeepThePreviousResult) {
    store.Fill({{5.0, 1.25, 0.5}});
    ASSERT_TRUE(RunContiSed(nullptr, SilentObserver()));
    const std::vector<float> previous = Distribution();
    const unsigned long kernel = gContiKernel.Generation();
    struct Case {
        const char* name;
        std::function<void()> spoil;
        const char* text;
    } cases[] = {
        {"s-min >= s-max", [] { ContiState::rangeMin = 15.0f; },
         "The distribution range is empty: its minimum must lie below its maximum."},
        {"zero grid points", [] { ContiState::resolution = 0.0f; },
         "The distribution needs at least 2 grid points."},
        {"P = 1", [] { ContiState::confidenceLevel = 1.0f; }, kConfidenceText},
        {"P = 0", [] { ContiState::confidenceLevel = 0.0f; }, kConfidenceText},
        {"a chi-square ratio above 2", [] { ContiState::confidenceLevel = 2.5f; }, kConfidenceText},
        {"s beyond the computable range", [] { ContiState::rangeMax = 3e6f; },
         "The range 0 to 3e+06 S cannot be computed: sedimentation coefficients must lie between "
         "-1e+06 and 1e+06 S."},
        {"all scans excluded",
         [] {
             ScanStore::leftFitLimit = 7.19f;
             ScanStore::rightFitLimit = 7.19f;
         },
         "No scan has data inside the fitting limits: nothing to fit."},
    };
    for (const Case& c : cases) {
        const float lo = ContiState::rangeMin, hi = ContiState::rangeMax;
        const float res = ContiState::resolution, P = ContiState::confidenceLevel;
        const float left = ScanStore::leftFitLimit, right = ScanStore::rightFitLimit;
        c.spoil();
        script.expectBox().caption("Error").text(c.text).answer(IDOK);
        EXPECT_FALSE(RunContiSed(nullptr, SilentObserver())) << c.name;
        EXPECT_TRUE(script.done()) << c.name;
        EXPECT_EQ(Distribution(), previous) << c.name;
        EXPECT_EQ(gContiKernel.Generation(), kernel) << c.name << ": nothing computed";
        ContiState::rangeMin = lo, ContiState::rangeMax = hi;
        ContiState::resolution = res, ContiState::confidenceLevel = P;
        ScanStore::leftFitLimit = left, ScanStore::rightFitLimit = right;
    }
    TakeErrorBoxes();
}

// A confidence level above 1 is the chi-square ratio itself: the 1.01 with which the molar-mass
// smoothing of equilibrium data switches c(M) on used to be refused by Run.
TEST_F(ContiRun, ConfidenceAboveOneIsTheChiSquareRatio) {
    store.Fill({{5.0, 1.25, 0.5}}, {}, {}, 0.005, 7);
    for (bool maxEnt : {true, false}) {
        ContiState::maxEntRegularization = maxEnt;
        ContiState::secondDerivativeRegularization = !maxEnt;
        ContiState::confidenceLevel = 0.5f; // the unregularized solution
        ContiSolution best, smooth;
        ASSERT_EQ(ComputeContiSolution(nullptr, SilentObserver(), best), ContiStatus::Done);
        ContiState::confidenceLevel = 1.01f;
        ASSERT_EQ(ComputeContiSolution(nullptr, SilentObserver(), smooth), ContiStatus::Done);
        EXPECT_NEAR(smooth.chiSquare / best.chiSquare, 1.01, 1e-3) << "maximum entropy " << maxEnt;
        EXPECT_TRUE(RunContiSed(nullptr, SilentObserver())) << "maximum entropy " << maxEnt;
    }
    EXPECT_TRUE(TakeErrorBoxes().empty());
}

// A key pressed while the normal equations are built is seen after the join: the Run stops, the
// previous distribution and its kernel stay.
TEST_F(ContiRun, KeyPressDuringTheNormalEquationsKeepsThePreviousDistribution) {
    store.Fill({{5.0, 1.25, 0.5}});
    ASSERT_TRUE(RunContiSed(nullptr, SilentObserver()));
    const std::vector<float> previous = Distribution();
    const unsigned long kernel = gContiKernel.Generation();
    ContiState::confidenceLevel = 0.95f; // the kernel is reused: the first poll is after the join
    plat::test::key(&window, VK_ESCAPE, 27);
    EXPECT_FALSE(RunContiSed(nullptr, SilentObserver()));
    EXPECT_TRUE(gUserInterrupt.load());
    EXPECT_EQ(Distribution(), previous);
    EXPECT_EQ(gContiKernel.Generation(), kernel);
    gUserInterrupt.store(false);
}

// The grid point at s = 0 gives a column constant in radius and time, which time-invariant and
// radially invariant noise reproduce exactly; it used to take an amplitude set by the
// regularization alone and showed as a peak at 0 S that inflated the integral.
// Twenty scans: with five, 300 TI values beside 150 grid points leave so few degrees of freedom
// that the non-negative solution's noise bias alone approaches 1% of the area.
class ContiRunTwentyScans : public ContiRun {
  protected:
    ContiRunTwentyScans() : ContiRun(ContiStoreCase{20}) {}
};

TEST_F(ContiRunTwentyScans, NoPeakAtZeroWhileSystematicNoiseIsFitted) {
    std::vector<double> ti(store.c.points + 1), ri(store.c.scans + 1);
    for (int j = 1; j <= store.c.points; ++j)
        ti[j] = 0.02 * std::sin(0.05 * j) + 0.01;
    for (int k = 1; k <= store.c.scans; ++k)
        ri[k] = 0.03 * k - 0.05;
    struct Case {
        const char* name;
        bool ti, ri, maxEnt;
    } cases[] = {
        {"TI and RI, maximum entropy", true, true, true},
        {"TI and RI, second derivative", true, true, false},
        {"TI alone", true, false, true},
        {"RI alone", false, true, true},
    };
    for (const Case& c : cases) {
        store.Fill({{3.5, 1.25, 0.3}, {7.0, 1.25, 0.6}}, c.ti ? ti : std::vector<double>{},
                   c.ri ? ri : std::vector<double>{}, 0.003, 5);
        ModelChoice::fitTINoise = c.ti;
        ModelChoice::fitRINoise = c.ri;
        ContiState::maxEntRegularization = c.maxEnt;
        ContiState::secondDerivativeRegularization = !c.maxEnt;
        ContiState::calledFromFit = true; // leave the data as generated
        ASSERT_TRUE(RunContiSed(nullptr, SilentObserver())) << c.name;
        ASSERT_EQ(ContiState::sValues[1], 0.0f) << c.name;
        EXPECT_EQ(ContiState::distribution[1], 0.0f) << c.name;
        float area = 0, sw = 0;
        IntegrateDistribution(0.0f, 15.0f, &area, &sw, nullptr, nullptr);
        EXPECT_NEAR(area, 0.9, 0.01 * 0.9) << c.name << " (tolerance 1%)";
        const double swTrue = (0.3 * 3.5 + 0.6 * 7.0) / 0.9;
        EXPECT_NEAR(sw, swTrue, 0.01 * swTrue) << c.name << " (tolerance 1%)";
    }
}

// Where the curves of a solution start adding a column: before the fitted range from the row
// itself, inside it where the equations found the first value (or from the row when they did not
// hand it over).
TEST(ContiFirstValue, BeforeTheRangeFromTheRowInsideItAsTheEquationsFound) {
    ContiSolution sol;
    sol.set.first = 5;
    sol.set.last = 12;
    sol.set.scans = {1, 2};
    sol.grid.n = 2;
    struct Case {
        int firstValue, lo;
        bool handed;
        int expected;
    } cases[] = {{3, 1, true, 3},   {5, 1, true, 5},    {9, 1, true, 9}, {9, 1, false, 9},
                 {13, 1, true, 13}, {13, 5, false, 13}, {9, 5, true, 9}, {1, 1, true, 1}};
    for (const Case& c : cases) {
        std::vector<float> row(16, 0.0f);
        for (int i = c.firstValue; i <= 15; ++i)
            row[i] = 0.5f;
        sol.firstNonzero.clear();
        if (c.handed) {
            sol.firstNonzero.assign(2 * 3, 0);
            sol.firstNonzero[1 * 3 + 2] = c.firstValue; // the second scan's column 2
        }
        EXPECT_EQ(ContiFirstValueFrom(sol, row.data(), 2, 1, c.lo), c.expected)
            << "first value " << c.firstValue << " from " << c.lo << (c.handed ? " handed" : "");
    }
}
