// The common radial grid (own or shared), its means, and the interference alignments on it.
#include "foundations/nr_arrays.h"
#include "scandata/common_grid.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_store_alloc.h"
#include "support/reset_all_state.h"
#include "support/store_builder.h"
#include "support/temp_folder.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

using S = ScanStore;

float Line(float r) {
    return 0.1f + 0.5f * (r - 6.0f);
}
float Zero(float) {
    return 0.0f;
}

class CommonGrid : public ::testing::Test {
  protected:
    void SetUp() override { ResetAllState(); }
    void TearDown() override { ResetAllState(); }
};

TEST_F(CommonGrid, AbsorbanceScansGetAGridOfTheirOwn) {
    ScanDataKind::absorbance = true;
    FillStore({EvenScan(5.90f, 0.01f, 121, 600, Line), EvenScan(5.90f, 0.01f, 121, 1200, Line)});
    BuildCommonRadialGrid();
    EXPECT_TRUE(S::gridSignalAllocated);
    EXPECT_NEAR(S::gridRadius[1], 5.901f, 1e-5);
    // 5.90 + k 0.001 <= 7.10 for k = 0..1200 (float summation may lose the last one).
    EXPECT_GE(S::gridCount, 1201);
    EXPECT_LE(S::gridCount, 1202);
    EXPECT_EQ(S::gridFirstFit, 1);
    EXPECT_EQ(S::gridLastFit, S::gridCount);
    for (int g = 100; g <= 1100; g += 100) {
        EXPECT_NEAR(S::gridMeanSignal[g], Line(S::gridRadius[g]), 1e-4) << "grid point " << g;
        EXPECT_EQ(S::tiNoise[g], 0.0f);
    }
    EXPECT_EQ(S::riNoise[2], 0.0f);
    EXPECT_NEAR(S::gridValueCount, 2.0f * S::gridCount, 1e-3);
    EXPECT_NEAR(S::scanMeanSignal[1], S::scanMeanSignal[2], 1e-6);
}

TEST_F(CommonGrid, InterferenceScansWithIdenticalRadiiShareTheirArrays) {
    ScanDataKind::interference = true;
    FillStore({EvenScan(5.95f, 0.0007f, 50, 1200, Line), EvenScan(5.95f, 0.0007f, 50, 600, Zero)});
    BuildCommonRadialGrid();
    EXPECT_FALSE(S::gridSignalAllocated);
    EXPECT_EQ(S::gridRadius, S::radius[2]); // the first scan in time order
    EXPECT_EQ(S::gridCount, 50);
    EXPECT_EQ(S::gridSignal[1], S::signal[1]);
    EXPECT_EQ(S::gridSignal[2], S::signal[2]);
    // Freeing the store frees each array once (checked by the address sanitizer builds).
    FreeAllData();
    EXPECT_EQ(S::gridRadius, nullptr);
}

TEST_F(CommonGrid, InterferenceScansWithDifferentRadiiGetTheirOwnGrid) {
    ScanDataKind::interference = true;
    FillStore({EvenScan(5.95f, 0.001f, 50, 600, Line), EvenScan(5.951f, 0.001f, 50, 1200, Line)});
    BuildCommonRadialGrid();
    EXPECT_TRUE(S::gridSignalAllocated);
    EXPECT_NE(S::gridRadius, S::radius[1]);
}

TEST_F(CommonGrid, IntensityEntersTheGridAsTheLogOfItsColumnRatio) {
    ScanDataKind::intensity = true;
    FillStore({EvenScan(6.0f, 0.01f, 50, 600, Line), EvenScan(6.0f, 0.01f, 50, 1200, Line)});
    for (int k = 1; k <= 2; ++k) {
        S::thirdColumn[k] = vector(1, 50);
        for (int i = 1; i <= 50; ++i) {
            S::signal[k][i] = 100.0f;
            S::thirdColumn[k][i] = 10.0f;
        }
    }
    BuildCommonRadialGrid();
    EXPECT_NEAR(S::gridSignal[1][20], 1.0f, 1e-5); // log10(100 / 10)
}

TEST_F(CommonGrid, UnusualInputsEndInAFiniteGrid) {
    ScanDataKind::absorbance = true;
    struct Case {
        const char* name;
        float resolution;
        float secondStart;
    };
    const Case cases[] = {{"zero resolution", 0.0f, 6.0f},
                          {"negative resolution", -1.0f, 6.0f},
                          {"scans without overlap", 0.001f, 9.0f},
                          {"radii spread over a kilometre", 0.001f, 100000.0f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        S::radialResolution = c.resolution;
        FillStore(
            {EvenScan(6.0f, 0.01f, 20, 600, Line), EvenScan(c.secondStart, 0.01f, 20, 1200, Line)});
        BuildCommonRadialGrid();
        EXPECT_GT(S::gridCount, 0);
        EXPECT_LE(S::gridCount, 200002);
        for (int g = 1; g <= S::gridCount; ++g)
            ASSERT_TRUE(std::isfinite(S::gridMeanSignal[g]));
    }
}

TEST_F(CommonGrid, AlignScansAtRadiusShiftsByWholeFringes) {
    ScanDataKind::interference = true;
    const float differences[] = {0.0f, 0.4f, 0.6f, -1.4f, 2.5f};
    const float shifts[] = {0.0f, 0.0f, 1.0f, -1.0f, 3.0f};
    std::vector<StoreScan> scans;
    for (int k = 0; k < 5; ++k)
        scans.push_back(EvenScan(6.0f, 0.01f, 10, 100.0 * (k + 1), Zero));
    FillStore(scans);
    for (int k = 1; k <= 5; ++k)
        for (int i = 1; i <= 10; ++i)
            S::signal[k][i] = differences[k - 1] + 0.01f * i;
    BuildCommonRadialGrid();
    AlignScansAtRadius(0.0f, 6.035f);
    for (int k = 1; k <= 5; ++k)
        EXPECT_NEAR(S::signal[k][1], differences[k - 1] - shifts[k - 1] + 0.01f, 1e-5) << k;
    // A radius beyond every point uses the last point instead of running off the scan.
    AlignScansAtRadius(0.5f, 99.0f);
    EXPECT_NEAR(S::signal[1][1], 0.51f, 1e-5);
}

TEST_F(CommonGrid, RemoveFringeJumpsJudgedFromData) {
    ScanDataKind::interference = true;
    FillStore({EvenScan(6.0f, 0.01f, 5, 600, Zero)});
    const float values[] = {1.0f, 1.1f, 1.2f, 3.3f, 3.4f};
    for (int i = 1; i <= 5; ++i)
        S::signal[1][i] = values[i - 1];
    S::leftFitLimit = 6.0f;
    S::rightFitLimit = 6.04f;
    S::firstFitIndex[1] = 1;
    S::lastFitIndex[1] = 5;
    RemoveFringeJumps(0.5f, false);
    const float expected[] = {1.0f, 1.1f, 1.2f, 1.3f, 1.4f};
    for (int i = 1; i <= 5; ++i)
        EXPECT_NEAR(S::signal[1][i], expected[i - 1], 1e-5) << i;
    // A threshold below half a fringe ends instead of shifting back and forth.
    S::signal[1][4] = 1.9f;
    S::signal[1][5] = 2.0f;
    RemoveFringeJumps(0.1f, false);
    EXPECT_TRUE(std::isfinite(S::signal[1][5]));
}

TEST_F(CommonGrid, EliminateJitterRemovesOffsetsAgainstTheFirstScan) {
    ScanDataKind::interference = true;
    FillStore({EvenScan(6.0f, 0.01f, 20, 1200, Zero), EvenScan(6.0f, 0.01f, 20, 600, Zero)});
    for (int i = 1; i <= 20; ++i) {
        S::signal[1][i] = 0.3f;
        S::signal[2][i] = 0.1f;
    }
    BuildCommonRadialGrid();
    EliminateJitter(6.10f, 6.15f);
    EXPECT_NEAR(S::signal[2][5], 0.1f, 1e-6); // first in time order: unchanged
    EXPECT_NEAR(S::signal[1][5], 0.1f, 1e-6);
    EXPECT_NEAR(S::riNoise[1], 0.2f, 1e-6);
    EXPECT_EQ(S::riNoise[2], 0.0f);
    S::signal[1][5] = 0.7f;
    EliminateJitter(6.15f, 6.15f); // empty region
    EliminateJitter(50.0f, 60.0f); // beyond the grid
    EXPECT_NEAR(S::signal[1][5], 0.7f, 1e-6);
}

} // namespace

namespace {

TEST_F(CommonGrid, VectorFileAtTheSDistPathRoundTrips) {
    TempFolder dir;
    ScanPaths::gSDistPath = dir.file("sdist.RA1");
    float values[] = {0.0f, 1.5f, 2.25f, 4.0f};
    SaveVectorFile(values, 3);
    std::int32_t count = -1;
    float* loaded = LoadVectorFile(&count);
    ASSERT_NE(loaded, nullptr);
    ASSERT_EQ(count, 3);
    for (int i = 1; i <= 3; ++i)
        EXPECT_FLOAT_EQ(loaded[i], values[i]);
    free_vector(loaded, 1, count);

    WriteTextFile(ScanPaths::gSDistPath, "");
    count = 7;
    EXPECT_EQ(LoadVectorFile(&count), nullptr);
    EXPECT_EQ(count, 7);
}

} // namespace
