// The power law s = ks M^kb recovered from pairs of known truth, the single pair with its given
// exponent, the plotted line and its ranges, and the pairs that give no logarithm or no slope.
#include "tools/power_law_calibration.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

TEST(PowerLawCalibration, RecoversKsAndKbOfExactPairs) {
    struct Case {
        std::vector<PowerLawPair> pairs;
        double exponent;
        double ks, kb;
    };
    std::vector<PowerLawPair> globular;
    for (double m : {1.2e4, 4.4e4, 6.6e4, 1.5e5, 4.8e5})
        globular.push_back({0.0172 * std::pow(m, 0.634), m});
    const std::vector<Case> cases = {
        {{{2.0, 1e4}, {8.0, 1.6e5}}, 0.0, 0.02, 0.5},
        {globular, 0.9, 0.0172, 0.634}, // the exponent matters for one pair only
        {{{4.0, 1e5}}, 0.66, 2.0047e-3, 0.66},
        {{{4.0, 1e5}}, 0.0, 4.0, 0.0},
    };
    for (const Case& c : cases) {
        const PowerLawCalibration fit = CalibratePowerLaw(c.pairs, c.exponent);
        ASSERT_TRUE(fit.ok) << fit.refusal;
        EXPECT_NEAR(fit.ks / c.ks, 1.0, 1e-4) << c.pairs.size();
        EXPECT_NEAR(fit.kb, c.kb, 1e-9) << c.pairs.size();
        EXPECT_LT(fit.xMin, fit.xMax);
        EXPECT_LT(fit.yMin, fit.yMax) << "a flat line still gets a y range";
    }
}

TEST(PowerLawCalibration, LineReachesTenPercentBeyondTheOuterPairs) {
    const PowerLawCalibration fit = CalibratePowerLaw({{2.0, 1e4}, {4.0, 4e4}, {8.0, 1.6e5}}, 0.0);
    ASSERT_TRUE(fit.ok);
    ASSERT_EQ(fit.lineX.size(), 3u);
    const double span = std::log10(1.6e5) - 4.0;
    EXPECT_NEAR(fit.lineX[0], 4.0 - 0.1 * span, 1e-12);
    EXPECT_NEAR(fit.lineX[1], std::log10(4e4), 1e-12);
    EXPECT_NEAR(fit.lineX[2], std::log10(1.6e5) + 0.1 * span, 1e-12);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_NEAR(fit.lineY[i], std::log10(0.02) + 0.5 * fit.lineX[i], 1e-12);
    const double y1 = fit.lineY[0], yn = fit.lineY[2];
    EXPECT_NEAR(fit.yMin, y1 - 0.05 * (yn - y1), 1e-12);
    EXPECT_NEAR(fit.yMax, yn + 0.05 * (yn - y1), 1e-12);

    // One pair: the line from 0.7 to 1.3 times log10 M.
    const PowerLawCalibration one = CalibratePowerLaw({{4.0, 1e5}}, 0.66);
    ASSERT_EQ(one.lineX.size(), 2u);
    EXPECT_NEAR(one.lineX[0], 3.5, 1e-12);
    EXPECT_NEAR(one.lineX[1], 6.5, 1e-12);

    // Rows against the order of mass: the same law, ranges still ascending.
    const PowerLawCalibration reversed = CalibratePowerLaw({{8.0, 1.6e5}, {2.0, 1e4}}, 0.0);
    ASSERT_TRUE(reversed.ok);
    EXPECT_NEAR(reversed.kb, 0.5, 1e-9);
    EXPECT_LT(reversed.xMin, reversed.xMax);
    EXPECT_LT(reversed.yMin, reversed.yMax);
}

TEST(PowerLawCalibration, RefusesPairsWithoutLogarithmOrSlope) {
    const std::vector<std::vector<PowerLawPair>> refused = {
        {},
        {{0.0, 1e4}, {8.0, 1.6e5}},
        {{2.0, -1e4}, {8.0, 1.6e5}},
        {{-4.0, 1e5}},
        {{2.0, 5e4}, {3.0, 5e4}, {4.0, 5e4}}, // one mass: no slope
        {{2.0, NAN}, {8.0, 1.6e5}},
    };
    for (const std::vector<PowerLawPair>& pairs : refused) {
        const PowerLawCalibration fit = CalibratePowerLaw(pairs, 0.66);
        EXPECT_FALSE(fit.ok) << pairs.size();
        EXPECT_FALSE(fit.refusal.empty());
    }
}

} // namespace
