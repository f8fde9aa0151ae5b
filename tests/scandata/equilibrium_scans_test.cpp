// The rms difference of two loaded scans apart from an offset (worked numbers, intensity scans,
// invalid pairs) and the equilibrium fit file read back.
#include "foundations/nr_arrays.h"
#include "scandata/equilibrium_scans.h"
#include "scandata/scan_file.h"
#include "scandata/scan_store_alloc.h"
#include "support/reset_all_state.h"
#include "support/store_builder.h"
#include "support/temp_folder.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>

namespace {

using S = ScanStore;

float Linear(float r) {
    return 2.0f * r - 11.0f;
}

class EquilibriumScans : public ::testing::Test {
  protected:
    void SetUp() override { ResetAllState(); }
    void TearDown() override { ResetAllState(); }

    // Three scans of ten points on the same radii; scan 2 is scan 1 plus 0.3 and +-0.01 in turn,
    // scan 3 is scan 1 plus 0.5.
    static void LoadThree() {
        StoreScan a = EvenScan(6.0f, 0.01f, 10, 600, Linear);
        StoreScan b = EvenScan(6.0f, 0.01f, 10, 1200, Linear);
        StoreScan c = EvenScan(6.0f, 0.01f, 10, 1800, Linear);
        for (std::size_t i = 0; i < 10; ++i) {
            b.signal[i] += 0.3f + (i % 2 ? 0.01f : -0.01f);
            c.signal[i] += 0.5f;
        }
        FillStore({a, b, c});
    }
    // Gives scan k a third column of factor x its signal.
    static void ThirdColumn(int k, float factor) {
        S::thirdColumn[k] = vector(1, S::pointCount[k]);
        for (int i = 1; i <= S::pointCount[k]; ++i)
            S::thirdColumn[k][i] = factor * S::signal[k][i];
    }
};

TEST_F(EquilibriumScans, InvalidPairsDifferByNothing) {
    LoadThree();
    const int pairs[][2] = {{3, 3}, {0, 1}, {1, 0}, {4, 1}, {1, 4}, {-1, 2}};
    for (const auto& p : pairs)
        EXPECT_EQ(ScanRmsdDifference(p[0], p[1]), 0.0f) << p[0] << ", " << p[1];
}

TEST_F(EquilibriumScans, RmsDifferenceIgnoresAnOffset) {
    LoadThree();
    // Scans 1 and 3 differ by 0.5 everywhere; 1 and 2 by 0.3 and an alternating 0.01.
    EXPECT_NEAR(ScanRmsdDifference(1, 3), 0.0f, 2e-6f);
    EXPECT_NEAR(ScanRmsdDifference(1, 2), 0.01f, 2e-6f);
    EXPECT_NEAR(ScanRmsdDifference(2, 1), 0.01f, 2e-6f);
    // Over b's fit range 2..4 the mean of (+0.01, -0.01, +0.01) is 0.01/3: the deviations
    // are 2/3, 4/3 and 2/3 of 0.01, so the rms is 0.01 sqrt(8/9) = 0.0094281.
    S::firstFitIndex[2] = 2;
    S::lastFitIndex[2] = 4;
    EXPECT_NEAR(ScanRmsdDifference(1, 2), 0.0094281f, 2e-6f);
    S::firstFitIndex[2] = 5;
    S::lastFitIndex[2] = 4; // an empty range
    EXPECT_EQ(ScanRmsdDifference(1, 2), 0.0f);
}

TEST_F(EquilibriumScans, IntensityScansCompareTheLogOfTheirColumnRatio) {
    LoadThree();
    std::snprintf(S::scanFileName[1], 260, "%s", "00001.RI1");
    std::snprintf(S::scanFileName[2], 260, "%s", "00002.ri1");
    ThirdColumn(1, 10.0f);
    ThirdColumn(2, 10.0f);
    // Both scans are log10(10) = 1 everywhere, whatever their signals.
    EXPECT_NEAR(ScanRmsdDifference(1, 2), 0.0f, 1e-6f);
    // A non-positive column counts as 10: one point off by 9 among n = 10 gives
    // 9 sqrt(n - 1) / n = 2.7.
    S::signal[2][4] = 0.0f;
    EXPECT_NEAR(ScanRmsdDifference(1, 2), 2.7f, 1e-5f);
}

TEST_F(EquilibriumScans, FitOfTheLastScanInTimeIsWrittenAsAScan) {
    TempFolder out;
    LoadThree();
    std::swap(S::scanOrder[2], S::scanOrder[3]); // scan 2 is now the latest
    for (int k = 1; k <= 3; ++k)
        for (int i = 1; i <= S::pointCount[k]; ++i)
            S::fit[k][i] = static_cast<float>(k) + 0.125f * static_cast<float>(i);
    S::header[2].dataType = 'R';
    S::header[2].rotorSpeed = 20000.0f;
    S::header[2].originalTime = 1200.0;
    ASSERT_TRUE(SaveEquilibriumFit(out.file("eq.rxx").c_str()));

    ScanHeader header;
    std::int32_t n = 0;
    float *radius = nullptr, *value = nullptr, *third = nullptr;
    ASSERT_EQ(ReadScanFile(out.file("eq.rxx").c_str(), &header, &n, &radius, &value, &third,
                           nullptr, 0.0f),
              1);
    ASSERT_EQ(n, 10);
    EXPECT_EQ(std::string(header.description), "[T OK]equilibrium");
    EXPECT_EQ(header.rotorSpeed, 20000.0f);
    EXPECT_EQ(header.originalTime, 1200.0);
    for (int i = 1; i <= n; ++i) {
        EXPECT_NEAR(radius[i], S::radius[2][i], 5e-5f);
        EXPECT_FLOAT_EQ(value[i], 2.0f + 0.125f * static_cast<float>(i));
    }
    free_vector(radius, 1, n);
    free_vector(value, 1, n);
    if (third)
        free_vector(third, 1, n);
}

} // namespace
