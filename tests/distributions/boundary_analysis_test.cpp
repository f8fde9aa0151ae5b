// The boundary analyses on generated boundaries of known s: van Holde-Weischet of one species,
// of two species loaded 1:2 and of a floating species; the extrapolated ls-g*(s) area fractions
// of one species; and the refusals that keep the previous result.
#include "distributions/boundary_analysis_run.h"
#include "distributions/boundary_extrapolation.h"
#include "foundations/error_box_log.h"
#include "plat/testing.hpp"
#include "plat/window.hpp"
#include "scandata/scan_header.h"
#include "scandata/scan_store_alloc.h"
#include "state/boundary_analysis.h"
#include "state/conti_state.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/result_table.h"
#include "support/conti_data_store.h"
#include "support/error_box_text.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

// Scans every 600 s from 2400 s, when a 5 S boundary has left the fitting limit at 6.05 cm,
// to 8400 s (6.0 to 7.2 cm, 50000 rpm); the latest scans of 7 S reach the plateau region.
ContiStoreCase BoundaryCase() {
    ContiStoreCase c;
    c.scans = 11;
    c.points = 601;
    c.firstTimeS = 2400.0;
    c.intervalS = 600.0;
    return c;
}

// The texts of the error boxes shown since the last call.
// The extrapolated s (the fitted lines at 1/sqrt(t) = 0) with their fractions.
struct Intercept {
    double f, s;
};
std::vector<Intercept> Intercepts() {
    std::vector<Intercept> out;
    for (std::size_t k = 0; k < BoundaryAnalysis::fractions.size(); ++k)
        out.push_back({BoundaryAnalysis::fractions[k], BoundaryAnalysis::fittedLines[k].back()});
    return out;
}

class BoundaryAnalyses : public ::testing::Test {
  protected:
    BoundaryAnalyses() : store(BoundaryCase()) {}
    void SetUp() override {
        window.Create();
        script.pumpUntilIdle();
        ModelChoice::nonInteractingSpecies = false;
        ModelChoice::gStarFamily = true;
        ContiState::resolution = 20.0f;
        // The plateau is read away from the material that piles up at the bottom.
        ScanStore::rightFitLimit = 7.1f;
    }
    void TearDown() override {
        TakeErrorBoxes();
        FreeResultTable();
    }
    plat::test::Script script;
    TFrameWindow window{nullptr, "test"};
    ContiDataStore store;
};

// omega^2 t of a scan counts from the start time when its switch is on: w^2 (t - t0), also when
// the scan's recorded omega^2 t is used.
TEST_F(BoundaryAnalyses, ScanW2tCountsFromTheStartTime) {
    struct Case {
        bool fromW2t, startOn;
        double expected; // in units of w^2
    } cases[] = {{false, false, 3000.0}, {false, true, 2400.0}, {true, true, 1800.0}};
    ScanHeader& h = ScanStore::header[1];
    h.rotorSpeed = 50000.0f;
    h.time = 3000.0;
    const double w2 = std::pow(50000.0 * M_PI / 30.0, 2);
    h.omega2t = 2400.0 * w2;
    for (const Case& c : cases) {
        ScanStore::timesFromW2t = c.fromW2t;
        ModelParameters::startTimeOn = c.startOn;
        ModelParameters::startTime = 600.0f;
        EXPECT_NEAR(ScanW2t(1) / w2, c.expected, 1e-9) << c.fromW2t << c.startOn;
        EXPECT_NEAR(ScanEffectiveTime(1), c.expected, 1e-9) << c.fromW2t << c.startOn;
    }
    ModelParameters::startTimeOn = false;
    ScanStore::timesFromW2t = false;
}

TEST_F(BoundaryAnalyses, VanHoldeWeischetExtrapolatesEachSpeciesToItsS) {
    struct Range {
        double fLo, fHi, s, tolerance;
    };
    struct Case {
        const char* name;
        std::vector<ContiSpecies> species;
        bool floating;
        float resolution, leftLimit;
        std::vector<Range> ranges;
    };
    // The slow species holds a third of the loading and a growing share of the plateau, as the
    // fast one dilutes faster: read off the plateau as it is, its fractions extrapolated 3 to 6%
    // low. Placed by their dilution, those up to 0.25 come within 1% of 3.5 S.
    const Case cases[] = {
        {"one species 5 S", {{5.0, 1.25, 0.8}}, false, 10, 6.05f, {{0.0, 1.0, 5.0, 0.02}}},
        {"3.5 S and 7 S loaded 1:2",
         {{3.5, 1.25, 0.3}, {7.0, 1.25, 0.6}},
         false,
         20,
         6.05f,
         {{0.05, 0.25, 3.5, 0.015}, {0.45, 0.95, 7.0, 0.02}}},
        // Floating material piles up at the meniscus: the plateau is read away from it. The
        // fraction 0.95, next to the plateau, comes to -5.10 S on these scans.
        {"floating -5 S", {{-5.0, 1.25, 0.8, 5.9e-7}}, true, 10, 6.2f, {{0.0, 0.9, -5.0, 0.02}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        store.Fill(c.species);
        ModelChoice::vhwFlotation = c.floating;
        ContiState::resolution = c.resolution;
        ScanStore::leftFitLimit = c.leftLimit;
        ASSERT_TRUE(RunVanHoldeWeischet(nullptr)) << TakeErrorBoxText();
        int checked = 0;
        for (const Intercept& at : Intercepts())
            for (const Range& r : c.ranges)
                if (at.f >= r.fLo && at.f <= r.fHi) {
                    EXPECT_NEAR(at.s, r.s, r.tolerance * std::fabs(r.s)) << "fraction " << at.f;
                    ++checked;
                }
        EXPECT_GE(checked, 8);
        // G(s) on the distribution plot: the fractions over ascending s.
        ASSERT_GE(ContiState::gridPoints, checked);
        for (int p = 2; p <= ContiState::gridPoints; ++p)
            EXPECT_LE(ContiState::sValues[p - 1], ContiState::sValues[p]);
        EXPECT_TRUE(ContiState::distributionPlot);
    }
}

TEST_F(BoundaryAnalyses, AreaFractionsOfLsGStarExtrapolateToTheSpeciesS) {
    store.Fill({{5.0, 1.25, 0.8}});
    ModelChoice::lsgExtrapolation = ModelChoice::contiMode = true;
    ContiState::rangeMin = 1.0f;
    ContiState::rangeMax = 10.0f;
    ContiState::resolution = 50.0f;
    ContiState::confidenceLevel = 0.68f;
    ASSERT_TRUE(RunLsgExtrapolation(nullptr)) << TakeErrorBoxText();
    int checked = 0;
    for (const Intercept& at : Intercepts()) {
        // The outermost fractions rest on the regularized tails: 0.95 comes to 5.23 S here.
        if (at.f < 0.1 || at.f > 0.9)
            continue;
        EXPECT_NEAR(at.s, 5.0, 0.03 * 5.0) << "fraction " << at.f;
        ++checked;
    }
    EXPECT_GE(checked, 35);
    // One ls-g*(s) per scan is kept on the analysis' grid.
    EXPECT_EQ(BoundaryAnalysis::lsgCurves.size(), std::size_t(store.c.scans));
    EXPECT_EQ(BoundaryAnalysis::lsgGrid.size(), std::size_t(50));
}

// Nothing to extrapolate and unusable settings say why and keep the result there is.
TEST_F(BoundaryAnalyses, RefusalsKeepThePreviousResult) {
    store.Fill({{5.0, 1.25, 0.8}});
    ASSERT_TRUE(RunVanHoldeWeischet(nullptr));
    const std::vector<double> kept = BoundaryAnalysis::abscissa;
    const int points = ContiState::gridPoints;
    struct Case {
        const char* name;
        float resolution;
        bool flatData;
        const char* says;
    };
    const Case cases[] = {
        {"one fraction", 1.0f, false, "The resolution must lie between 2 and 1000"},
        {"a million fractions", 1e6f, false, "The resolution must lie between 2 and 1000"},
        {"no boundary in the data", 20.0f, true, "nothing to extrapolate"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.flatData)
            store.Fill({});
        ContiState::resolution = c.resolution;
        script.expectBox().caption("Error").textHas(c.says).answer(IDOK);
        EXPECT_FALSE(RunVanHoldeWeischet(nullptr));
        TakeErrorBoxes();
        EXPECT_EQ(BoundaryAnalysis::abscissa, kept);
        EXPECT_EQ(ContiState::gridPoints, points);
    }
}

// Two species loaded 1:2 (3.5 S and 7 S, f/f0 1.25) with noise 0.003, scans every 400 s from
// 2400 s: over ten noise draws the slow fractions 0.05 to 0.2 extrapolate to 3.44 S on average,
// each draw within 5% of 3.5 S. Read off the plateaus as they were, they came to 3.32 S.
TEST(BoundaryNoise, VanHoldeWeischetOfTwoNoisySpeciesFindsTheSlowOne) {
    plat::test::Script script;
    double sum = 0.0;
    const int draws = 10;
    for (int seed = 29; seed < 29 + draws; ++seed) {
        ContiStoreCase c;
        c.scans = 13;
        c.points = 401;
        c.firstTimeS = 2400.0;
        c.intervalS = 400.0;
        ContiDataStore store(c);
        store.Fill({{3.5, 1.25, 0.3}, {7.0, 1.25, 0.6}}, {}, {}, 0.003, unsigned(seed));
        ModelChoice::nonInteractingSpecies = false;
        ModelChoice::gStarFamily = true;
        ContiState::resolution = 20.0f;
        ScanStore::rightFitLimit = 7.1f;
        ASSERT_TRUE(RunVanHoldeWeischet(nullptr)) << TakeErrorBoxText();
        std::vector<double> slow;
        for (const Intercept& at : Intercepts())
            if (at.f >= 0.05 && at.f <= 0.2)
                slow.push_back(at.s);
        ASSERT_EQ(slow.size(), 3u);
        std::sort(slow.begin(), slow.end());
        EXPECT_NEAR(slow[1], 3.5, 0.05 * 3.5) << "seed " << seed;
        sum += slow[1];
        FreeResultTable();
    }
    EXPECT_NEAR(sum / draws, 3.5, 0.025 * 3.5);
}

// Where the loading fractions stand on a plateau: alike for one s, shifted toward the slower
// material by the stronger dilution of the faster, a missing s taken from its nearest neighbour.
TEST(BoundaryFractions, LoadingFractionsOnThePlateauFollowTheDilution) {
    const double w2t = 1e12; // dilution exp(-0.2 s) for s in S
    const double e2 = std::exp(-0.4), e8 = std::exp(-1.6), nan = std::nan("");
    struct Case {
        const char* name;
        std::vector<double> s, expected;
    };
    const Case cases[] = {
        {"one s", {5.0, 5.0, 5.0, 5.0}, {0.125, 0.375, 0.625, 0.875}},
        {"2 S and 8 S alike", {2.0, 8.0}, {0.5 * e2 / (e2 + e8), (e2 + 0.5 * e8) / (e2 + e8)}},
        {"2 S twice, 8 S once",
         {2.0, 2.0, 8.0},
         {0.5 * e2 / (2 * e2 + e8), 1.5 * e2 / (2 * e2 + e8), (2 * e2 + 0.5 * e8) / (2 * e2 + e8)}},
        {"missing s from the nearest",
         {2.0, nan, nan, 8.0, nan},
         {0.5 * e2 / (2 * e2 + 3 * e8), 1.5 * e2 / (2 * e2 + 3 * e8),
          (2 * e2 + 0.5 * e8) / (2 * e2 + 3 * e8), (2 * e2 + 1.5 * e8) / (2 * e2 + 3 * e8),
          (2 * e2 + 2.5 * e8) / (2 * e2 + 3 * e8)}},
        {"no s at all", {nan, nan}, {0.25, 0.75}},
    };
    for (const Case& c : cases) {
        const std::vector<double> f = PlateauFractionsOfLoading(c.s, w2t);
        ASSERT_EQ(f.size(), c.expected.size()) << c.name;
        for (std::size_t k = 0; k < f.size(); ++k)
            EXPECT_NEAR(f[k], c.expected[k], 1e-12) << c.name << " fraction " << k;
    }
}

// A step of known position: every fraction lands where its level crosses, and a level already
// passed at the first point (the boundary not yet off the meniscus) gives none.
TEST(BoundaryFractions, CrossingsAndCellsOfKnownShape) {
    const std::vector<double> r = {6.0, 6.1, 6.2, 6.3};
    const std::vector<double> y = {0.0, 0.0, 1.0, 1.0};
    BoundaryLevels levels;
    levels.plateau = 1.0;
    const double w2t = 1e12;
    const std::vector<double> s = ApparentSAtFractions(r, y, levels, {0.25, 0.75}, 6.0, w2t, false);
    EXPECT_NEAR(s[0], std::log(6.125 / 6.0) / w2t * 1e13, 1e-9);
    EXPECT_NEAR(s[1], std::log(6.175 / 6.0) / w2t * 1e13, 1e-9);
    const std::vector<double> late = {0.5, 0.6, 1.0, 1.0};
    EXPECT_TRUE(std::isnan(ApparentSAtFractions(r, late, levels, {0.25}, 6.0, w2t, false)[0]));
    // Area fractions: a single amplitude fills its cell evenly.
    const std::vector<double> grid = {1.0, 2.0, 3.0};
    const std::vector<double> at = SAtAreaFractions(grid, {0.0, 2.0, 0.0}, {0.25, 0.5, 0.75});
    EXPECT_NEAR(at[0], 1.75, 1e-12);
    EXPECT_NEAR(at[1], 2.0, 1e-12);
    EXPECT_NEAR(at[2], 2.25, 1e-12);
}

// A scan whose boundary has not left the meniscus keeps it out of the extrapolation, noise or no
// noise: the start of the range is compared with the baseline as a median of many points, so the
// allowance for the noise is that of a median. With the allowance of a single point, noise of
// 0.003 let in early scans whose baseline region still held the slow boundary's tail, and the
// 3.5 S fractions of two species extrapolated 1.5% lower on average.
TEST(BoundaryFractions, BoundaryStillAtTheMeniscusIsNotUsable) {
    struct Case {
        double tail, sigma;
        bool usable;
    };
    const Case cases[] = {{0.0, 0.0, true},      {0.0, 0.003, true},    {0.015, 0.0, false},
                          {0.015, 0.003, false}, {0.012, 0.003, false}, {0.0, 0.01, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "tail " << c.tail << " noise " << c.sigma);
        std::mt19937 rng(7);
        std::normal_distribution<double> g(0.0, c.sigma > 0.0 ? c.sigma : 1.0);
        BoundaryScan scan;
        for (int i = 0; i < 350; ++i) {
            const double r = 6.05 + 0.003 * i;
            // a tail over the first 0.06 cm that falls to nothing by 6.15 cm; the boundary at 6.6
            const double tail = c.tail * std::clamp(1.0 - (r - 6.11) / 0.04, 0.0, 1.0);
            scan.r.push_back(r);
            scan.y.push_back(0.4 * std::erfc((6.6 - r) / 0.05) + tail +
                             (c.sigma > 0.0 ? g(rng) : 0.0));
        }
        EXPECT_EQ(ScanBoundaryLevels(scan, 0.0, false).usable, c.usable);
    }
}

// The noise of a scan is read where its boundary rises too: of two species' boundaries spread
// over most of the range, with noise 0.003, it read 0.004 from successive differences.
TEST(BoundaryFractions, NoiseIsReadAcrossTheBoundary) {
    for (const double sigma : {0.001, 0.003, 0.01}) {
        // The mean over five draws: one draw's median scatters by about 10%.
        double sum = 0.0;
        for (unsigned seed = 11; seed < 16; ++seed) {
            std::mt19937 rng(seed);
            std::normal_distribution<double> g(0.0, sigma);
            BoundaryScan scan;
            for (int i = 0; i < 350; ++i) {
                const double r = 6.05 + 0.003 * i;
                scan.r.push_back(r);
                scan.y.push_back(0.15 * std::erfc((6.35 - r) / 0.12) +
                                 0.3 * std::erfc((6.7 - r) / 0.08) + g(rng));
            }
            sum += ScanBoundaryLevels(scan, 0.0, false).noise;
        }
        EXPECT_NEAR(sum / 5.0, sigma, 0.08 * sigma) << "noise " << sigma;
    }
}

} // namespace
