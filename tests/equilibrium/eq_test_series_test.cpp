// The test of attained equilibrium on loaded scans: which scans form a series, the order and
// marks of the series, the mean-free rms difference of two scans and the curves of the plots.
#include "equilibrium/eq_test_series.h"
#include "scandata/scan_store_alloc.h"
#include "state/eq_test_state.h"
#include "support/reset_all_state.h"
#include "support/store_builder.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using S = ScanStore;
using E = EqTestState;

struct Scan {
    int cell;
    float wavelength;
    float rpm;
    double timeS;
};

float Flat(float) {
    return 0.5f;
}

void Fill(const std::vector<Scan>& scans, int points = 40) {
    std::vector<StoreScan> store;
    for (std::size_t k = 0; k < scans.size(); ++k) {
        StoreScan s = EvenScan(6.9f, 0.005f, points, scans[k].timeS, Flat);
        s.name =
            std::string("0000") + std::to_string(k + 1) + ".RA" + std::to_string(scans[k].cell);
        store.push_back(s);
    }
    FillStore(store);
    // FillStore keeps time order; the headers follow the same order.
    for (int i = 1; i <= S::scanCount; ++i)
        for (const Scan& e : scans)
            if (S::header[i].time == e.timeS) {
                S::header[i].cell = e.cell;
                S::header[i].wavelength = e.wavelength;
                S::header[i].rotorSpeed = e.rpm;
            }
}

std::vector<std::vector<int>> Series() {
    std::vector<std::vector<int>> out;
    for (int s = 1; s <= E::seriesTotal; ++s)
        out.push_back(E::slots[static_cast<std::size_t>(s)].members);
    return out;
}

class EqTestSeries : public ::testing::Test {
  protected:
    void SetUp() override { ResetAllState(); }
    void TearDown() override { ResetAllState(); }
};

TEST_F(EqTestSeries, ScansFormSeriesByCellWavelengthAndExactSpeed) {
    struct Case {
        const char* name;
        std::vector<Scan> scans;
        std::vector<std::vector<int>> expected; // scan indices, latest last
    };
    const std::vector<Case> cases = {
        {"280 and 284 nm are one series", {{1, 280, 12000, 1}, {1, 284, 12000, 2}}, {{1, 2}}},
        {"280 and 290 nm are two", {{1, 280, 12000, 1}, {1, 290, 12000, 2}}, {{1}, {2}}},
        {"another cell is another series", {{1, 280, 12000, 1}, {2, 280, 12000, 2}}, {{1}, {2}}},
        // Keys 1279 and 1284 lie within 5 of each other, the wavelengths 5.1 apart: the second
        // scan was taken as grouped and then belonged to no series.
        {"279.5 and 284.6 nm are two", {{1, 279.5f, 12000, 1}, {1, 284.6f, 12000, 2}}, {{1}, {2}}},
        {"12000 and 12001 rpm are two",
         {{1, 280, 12000, 1}, {1, 280, 12001, 2}, {1, 280, 12000, 3}},
         {{1, 3}, {2}}},
        // A speed that is no whole number opened one overlapping series per scan.
        {"12000.5 rpm is one series",
         {{1, 280, 12000.5f, 1}, {1, 280, 12000.5f, 2}, {1, 280, 12000.5f, 3}},
         {{1, 2, 3}}},
        {"sorted by speed", {{1, 280, 20000, 1}, {1, 280, 10000, 2}}, {{2}, {1}}},
    };
    for (const Case& c : cases) {
        Fill(c.scans);
        EXPECT_EQ(BuildEqTestSeries(), static_cast<int>(c.expected.size())) << c.name;
        EXPECT_EQ(Series(), c.expected) << c.name;
    }
}

TEST_F(EqTestSeries, LatestScanLastAndTheMostRecentSpeedMarked) {
    // Loaded out of time order: file 1 is the latest of the 10000 rpm series.
    Fill({{1, 280, 10000, 9000},
          {1, 280, 10000, 1000},
          {1, 280, 10000, 5000},
          {1, 280, 15000, 12000},
          {1, 280, 15000, 14000}});
    ASSERT_EQ(BuildEqTestSeries(), 2);
    const EqTestSlot& low = E::slots[1];
    const EqTestSlot& high = E::slots[2];
    ASSERT_EQ(low.members.size(), 3u);
    EXPECT_EQ(S::header[low.members.back()].time, 9000.0);
    EXPECT_LT(S::header[low.members[0]].time, S::header[low.members[1]].time);
    EXPECT_EQ(low.atCurrentSpeed, 0);
    EXPECT_EQ(high.atCurrentSpeed, 1);
    EXPECT_EQ(E::maxSpeed, 15000.0);
    EXPECT_TRUE(E::singleCell);
    ASSERT_EQ(E::extensions.size(), 1u);
    EXPECT_EQ(E::extensions[0], ".RA1");
    EXPECT_EQ(E::firstNumber[0], 1);

    ComputeEqTestCurves();
    ASSERT_EQ(low.timeX.size(), 2u);
    EXPECT_NEAR(low.timeX[0], (1000.0 - 9000.0) / 3600.0, 1e-5);
    EXPECT_NEAR(low.timeX[1], (5000.0 - 9000.0) / 3600.0, 1e-5);
}

TEST_F(EqTestSeries, RmsDifferenceIgnoresOffsetsAndIsZeroWhereNoResamplingIsPossible) {
    Fill({{1, 280, 10000, 1}, {1, 280, 10000, 2}, {1, 280, 10000, 3}, {1, 280, 10000, 4}});
    const int n = S::pointCount[1];
    // Scan 1 rises with radius; scan 2 = scan 1 + 0.3 + a tilt; scan 3 has only 4 points; scan 4
    // lies beyond scan 1.
    auto rising = [](float r) { return 0.5f + (r - 6.9f); };
    for (int i = 1; i <= n; ++i)
        S::signal[1][i] = rising(S::radius[1][i]);
    const float tilt = 0.2f;
    double meanR = 0.0;
    for (int i = 1; i <= n; ++i)
        meanR += S::radius[1][i] / n;
    double var = 0.0;
    for (int i = 1; i <= n; ++i) {
        S::signal[2][i] = S::signal[1][i] + 0.3f + tilt * (S::radius[2][i] - 6.9f);
        var += (S::radius[1][i] - meanR) * (S::radius[1][i] - meanR) / n;
    }
    S::pointCount[3] = 4;
    for (int i = 1; i <= n; ++i)
        S::radius[4][i] += 1.0f;

    struct Case {
        const char* name;
        int a, b;
        double expected;
    };
    const std::vector<Case> cases = {
        {"tilt", 1, 2, tilt * std::sqrt(var)},
        {"tilt, the other way", 2, 1, tilt * std::sqrt(var)},
        // Resampling from 4 points cannot be done; the zeros it left counted as data.
        {"too few points", 3, 1, 0.0},
        {"no overlap", 4, 1, 0.0},
        {"index outside", 9, 1, 0.0},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(EqTestScanRmsd(c.a, c.b, 1, n), c.expected, 2e-5) << c.name;
}

TEST_F(EqTestSeries, CurvesOfASeriesApproachingEquilibrium) {
    Fill({{1, 280, 10000, 3600}, {1, 280, 10000, 7200}, {1, 280, 10000, 10800}});
    // Each scan differs from the last by half as much as the one before: rms 4u, 2u, (last 0).
    const int n = S::pointCount[1];
    for (int k = 1; k <= 3; ++k)
        for (int i = 1; i <= n; ++i) {
            const float bump = std::sin(float(i)) * 0.01f;
            S::signal[k][i] = 0.1f * S::radius[k][i] + (k == 1 ? 4 : k == 2 ? 2 : 0) * bump;
        }
    ASSERT_EQ(BuildEqTestSeries(), 1);
    EqTestSlot& slot = E::slots[1];
    slot.firstIndex = 1;
    slot.lastIndex = n;
    ComputeEqTestCurves();
    ASSERT_EQ(slot.timeY.size(), 2u);
    EXPECT_NEAR(slot.timeY[0] / slot.timeY[1], 2.0, 1e-4);
    EXPECT_FLOAT_EQ(slot.lastPairRmsd, slot.timeY[1]);
    ASSERT_EQ(slot.pairY.size(), static_cast<std::size_t>(n));
    // The profile is centred and spans one unit.
    ASSERT_EQ(slot.profileY.size(), static_cast<std::size_t>(n));
    double sumX = 0.0, lo = 1e9, hi = -1e9;
    for (std::size_t j = 0; j < slot.profileY.size(); ++j) {
        sumX += slot.profileX[j];
        lo = std::min(lo, double(slot.profileY[j]));
        hi = std::max(hi, double(slot.profileY[j]));
    }
    EXPECT_NEAR(sumX, 0.0, 1e-4);
    EXPECT_NEAR(hi - lo, 1.0, 1e-5);

    // A narrower comparison range compares fewer points.
    slot.firstIndex = 11;
    slot.lastIndex = 20;
    ComputeEqTestCurves();
    EXPECT_EQ(slot.pairY.size(), 10u);
    EXPECT_EQ(slot.profileY.size(), 10u);
}

} // namespace
