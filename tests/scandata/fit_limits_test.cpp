// Fit limits brought into line with scans, meniscus and bottom; the per-scan and grid ranges and
// their statistics; the per-species grid arrays.
#include "foundations/error_box_log.h"
#include "scandata/common_grid.h"
#include "scandata/fit_limits.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_store_alloc.h"
#include "scandata/slot_grid_arrays.h"
#include "state/dls_data.h"
#include "state/model_parameters.h"
#include "state/serial_fit_state.h"
#include "support/reset_all_state.h"
#include "support/store_builder.h"

#include <gtest/gtest.h>

namespace {

using S = ScanStore;
using P = ModelParameters;

float One(float) {
    return 1.0f;
}

class FitLimits : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetAllState();
        TakeErrorBoxes();
        ScanDataKind::absorbance = true;
        P::meniscus = 5.85f;
        P::bottom = 7.20f;
    }
    void TearDown() override { ResetAllState(); }
};

TEST_F(FitLimits, LeftLimitRisesToTheLargestFirstRadius) {
    FillStore({EvenScan(5.90f, 0.01f, 100, 600, One), EvenScan(5.95f, 0.01f, 100, 1200, One),
               EvenScan(6.00f, 0.01f, 100, 1800, One)});
    BuildCommonRadialGrid();
    S::leftFitLimit = 5.92f;
    ApplyLeftFitLimit();
    EXPECT_FLOAT_EQ(S::leftFitLimit, 6.00f);
    EXPECT_EQ(S::firstFitIndex[1], 11);
    EXPECT_EQ(S::firstFitIndex[2], 6);
    EXPECT_EQ(S::firstFitIndex[3], 1);
    EXPECT_GE(S::gridRadius[S::gridFirstFit], 6.00f);
    EXPECT_LT(S::gridRadius[S::gridFirstFit - 1], 6.00f);
    EXPECT_TRUE(S::dataChanged);
}

struct LimitCase {
    const char* name;
    float meniscus, bottom, left, right;
    float expectedLeft, expectedRight;
};

// Loads of one cell whose data begin a little earlier each time keep their meniscus: the data
// start it is kept with moves to the earliest data; data that begin well before that are another
// cell's.
TEST_F(FitLimits, AMeniscusStaysWithDataThatBeginEarlierStepByStep) {
    P::meniscus = 6.02f;
    const struct {
        float start;
        float meniscus; // after the load
    } loads[] = {{6.00f, 6.02f}, {5.92f, 6.02f}, {5.85f, 6.02f}, {5.70f, 0.0f}};
    for (const auto& load : loads) {
        FillStore({EvenScan(load.start, 0.01f, 120, 600, One)});
        UnsetValuesOutsideData();
        EXPECT_EQ(P::meniscus, load.meniscus) << "data from " << load.start;
    }
}

TEST_F(FitLimits, LimitsAreKeptInsideMeniscusAndBottom) {
    const LimitCase cases[] = {
        {"left below meniscus + 0.01", 6.00f, 7.20f, 6.005f, 7.0f, 6.01f, 7.0f},
        {"left beyond the bottom", 6.00f, 7.20f, 7.25f, 7.0f, 6.01f, 7.0f},
        {"right beyond bottom - 0.01", 6.00f, 7.20f, 6.1f, 7.50f, 6.1f, 7.19f},
        {"left at or above right", 6.00f, 7.20f, 7.1f, 7.05f, 7.1f, 7.19f},
        {"right below the meniscus", 6.00f, 7.20f, 6.1f, 5.9f, 6.1f, 7.19f},
        {"limits already inside", 6.00f, 7.20f, 6.1f, 7.1f, 6.1f, 7.1f},
    };
    for (const LimitCase& c : cases) {
        SCOPED_TRACE(c.name);
        FillStore({EvenScan(5.90f, 0.01f, 170, 600, One)}); // 5.90 .. 7.59
        P::meniscus = c.meniscus;
        P::bottom = c.bottom;
        S::leftFitLimit = c.left;
        S::rightFitLimit = c.right;
        ApplyLeftFitLimit();
        ApplyRightFitLimit();
        EXPECT_NEAR(S::leftFitLimit, c.expectedLeft, 1e-6);
        EXPECT_NEAR(S::rightFitLimit, c.expectedRight, 1e-6);
        EXPECT_TRUE(TakeErrorBoxes().empty());
    }
}

TEST_F(FitLimits, RightLimitLowersToEachShorterScanWithABox) {
    FillStore({EvenScan(6.00f, 0.01f, 111, 600, One), EvenScan(6.00f, 0.01f, 106, 1200, One),
               EvenScan(6.00f, 0.01f, 101, 1800, One)}); // ending at 7.10, 7.05, 7.00
    S::scanFileName[2][0] = 'B';
    S::rightFitLimit = 7.15f;
    ApplyRightFitLimit();
    EXPECT_NEAR(S::rightFitLimit, 7.00f, 1e-5);
    std::vector<ErrorBoxEntry> boxes = TakeErrorBoxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].text, "possible problem with right limit in file 00001.RA1\nsetting right "
                             "limit to 7.100");
    EXPECT_EQ(boxes[1].text, "possible problem with right limit in file B0001.RA1\nsetting right "
                             "limit to 7.050");
    EXPECT_EQ(S::lastFitIndex[1], 101);
    EXPECT_EQ(S::lastFitIndex[3], 101);

    // In batch runs no box is shown.
    SerialFitState::serializing = true;
    S::rightFitLimit = 7.15f;
    ApplyRightFitLimit();
    EXPECT_TRUE(TakeErrorBoxes().empty());
    EXPECT_NEAR(S::rightFitLimit, 7.00f, 1e-5);
}

TEST_F(FitLimits, LightScatteringDataKeepOnlyTheDataBounds) {
    gDlsData = true;
    FillStore({EvenScan(-5.0f, 0.1f, 50, 600, One)});
    S::leftFitLimit = -6.0f;
    S::rightFitLimit = 100.0f;
    ApplyLeftFitLimit();
    ApplyRightFitLimit();
    EXPECT_FLOAT_EQ(S::leftFitLimit, -5.0f);
    EXPECT_FLOAT_EQ(S::rightFitLimit, 100.0f);
    EXPECT_TRUE(TakeErrorBoxes().empty());
}

TEST_F(FitLimits, GridRangeAndStatistics) {
    FillStore({EvenScan(6.00f, 0.01f, 101, 600, One), EvenScan(6.00f, 0.01f, 101, 1200, One)});
    S::radialResolution = 0.01f;
    BuildCommonRadialGrid();
    S::leftFitLimit = 6.2f;
    S::rightFitLimit = 6.8f;
    ApplyLeftFitLimit();
    ApplyRightFitLimit();
    int inside = S::gridLastFit - S::gridFirstFit + 1;
    EXPECT_GT(inside, 50);
    EXPECT_FLOAT_EQ(S::gridValueCount, 2.0f * inside);
    EXPECT_NEAR(S::gridSignalSum, 2.0f * inside, 1e-3);
    EXPECT_NEAR(S::scanMeanSignal[1], 1.0f, 1e-5);

    // Limits beyond every grid point keep the range; an empty range gives zero statistics.
    int first = S::gridFirstFit;
    P::meniscus = 0.0f;
    P::bottom = 100.0f;
    S::leftFitLimit = 50.0f;
    ApplyLeftFitLimit();
    EXPECT_EQ(S::gridFirstFit, first);
    S::gridFirstFit = S::gridCount + 1;
    S::rightFitLimit = 6.8f;
    ApplyRightFitLimit();
    EXPECT_EQ(S::gridValueCount, 0.0f);
    EXPECT_EQ(S::scanMeanSignal[1], 0.0f);
}

TEST_F(FitLimits, SpeciesArraysExistForTheSpeciesInUse) {
    FillStore({EvenScan(6.00f, 0.01f, 101, 600, One), EvenScan(6.00f, 0.01f, 101, 1200, One)});
    P::speciesOn[1] = 1;
    P::speciesOn[3] = 1;
    BuildCommonRadialGrid(); // makes them
    using A = SpeciesGridArrays;
    ASSERT_NE(A::scanGrid[1], nullptr);
    ASSERT_NE(A::scanGrid[3], nullptr);
    EXPECT_EQ(A::scanGrid[2], nullptr);
    EXPECT_EQ(A::scanGrid[4], nullptr);
    EXPECT_EQ(A::scanGrid[3][2][S::gridCount], 0.0f);
    EXPECT_EQ(A::scan[1][2], 0.0f);
    EXPECT_EQ(A::madeScanCount, 2);
    EXPECT_EQ(A::madeGridCount, S::gridCount);
    // A second call frees the first set (the sanitizer builds see any leak).
    P::speciesOn[3] = 0;
    AllocCommonGridScanArrays();
    EXPECT_EQ(A::scanGrid[3], nullptr);
    EXPECT_NE(A::grid[1], nullptr);
}

} // namespace
