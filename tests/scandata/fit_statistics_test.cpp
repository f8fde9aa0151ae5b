// The rms deviation of the fit, the grid sums of the time-invariant noise and the default bounds
// of a fitted meniscus and bottom.
#include "fitting/fit_driver.h"
#include "scandata/fit_limits.h"
#include "scandata/noise_subtraction.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_store_alloc.h"
#include "state/fit_control.h"
#include "state/lamm_grid.h"
#include "state/model_parameters.h"
#include "support/reset_all_state.h"
#include "support/store_builder.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

using S = ScanStore;

TEST(FitStatistics, RmsdOverTheFitRangesWithoutTheInitialScan) {
    ResetAllState();
    FillStore({EvenScan(6.0f, 0.01f, 3, 100.0, nullptr), EvenScan(6.0f, 0.01f, 2, 200.0, nullptr)});
    const float residual[3][4] = {{}, {0, 0.1f, -0.1f, 0.1f}, {0, 0.2f, 0.2f}};
    for (int k = 1; k <= 2; ++k) {
        S::firstFitIndex[k] = 1;
        S::lastFitIndex[k] = S::pointCount[k];
        for (int i = 1; i <= S::pointCount[k]; ++i) {
            S::signal[k][i] = 1.0f + residual[k][i];
            S::fit[k][i] = 1.0f;
        }
    }
    EXPECT_NEAR(CalcFitRmsd(), std::sqrt(0.11 / 5), 1e-6);
    EXPECT_EQ(FitControl::displayedRmsd, CalcFitRmsd());
    LammGrid::firstScanIsInitial = true;
    EXPECT_NEAR(CalcFitRmsd(), 0.2, 1e-6);
    ResetAllState();
}

// The rmsd shown counts the fit range while both limits are set, else every point drawn; the fit's
// residuals count the fit range; neither counts the first scan while it is the initial
// distribution.
TEST(FitStatistics, ShownAndFittedPointsFollowTheLimitsAndTheInitialScan) {
    ResetAllState();
    FillStore({EvenScan(6.0f, 0.01f, 3, 100.0, nullptr), EvenScan(6.0f, 0.01f, 2, 200.0, nullptr)});
    const float residual[3][4] = {{}, {0, 0.1f, -0.1f, 0.1f}, {0, 0.2f, 0.2f}};
    const int firstFit[3] = {0, 2, 1};
    for (int k = 1; k <= 2; ++k) {
        S::firstFitIndex[k] = firstFit[k];
        S::lastFitIndex[k] = S::pointCount[k];
        for (int i = 1; i <= S::pointCount[k]; ++i) {
            S::signal[k][i] = 1.0f + residual[k][i];
            S::fit[k][i] = 1.0f;
        }
    }
    const struct {
        const char* name;
        float left, right;
        bool initial;
        double rmsd;
        std::size_t fitted;
    } cases[] = {
        {"both limits", 6.005f, 6.025f, false, std::sqrt(0.1 / 4), 4},
        {"left limit only", 6.005f, 0.0f, false, std::sqrt(0.11 / 5), 4},
        {"right limit only", 0.0f, 6.025f, false, std::sqrt(0.11 / 5), 4},
        {"scan 1 the initial distribution", 6.005f, 6.025f, true, 0.2, 2},
    };
    for (const auto& c : cases) {
        S::leftFitLimit = c.left;
        S::rightFitLimit = c.right;
        LammGrid::firstScanIsInitial = c.initial;
        EXPECT_NEAR(CalcFitRmsd(), c.rmsd, 1e-6) << c.name;
        std::vector<double> fitted;
        FitResiduals(fitted);
        EXPECT_EQ(fitted.size(), c.fitted) << c.name;
    }
    ResetAllState();
}

TEST(FitStatistics, TimeInvariantSumsCoverTheGridFitRange) {
    ResetAllState();
    ScanDataKind::interference = true;
    FillStore({EvenScan(6.0f, 0.01f, 5, 100.0, [](float r) { return r; }),
               EvenScan(6.0f, 0.01f, 5, 200.0, [](float r) { return 2 * r; }),
               EvenScan(6.0f, 0.01f, 5, 300.0, [](float r) { return r * r; })});
    float* grid[4] = {nullptr, S::signal[1], S::signal[2], S::signal[3]};
    float mean[6] = {};
    S::gridSignal = grid;
    S::gridMeanSignal = mean;
    S::gridCount = 5;
    S::gridFirstFit = 2;
    S::gridLastFit = 4;
    ComputeTimeInvariantNoise();
    double expected = 0.0;
    for (int g = 1; g <= 5; ++g) {
        const double r = S::radius[1][g];
        const double columnMean = (r + 2 * r + double(S::signal[3][g])) / 3.0;
        EXPECT_NEAR(mean[g], columnMean, 1e-5);
        if (g >= 2 && g <= 4)
            expected += 3.0 * columnMean;
    }
    EXPECT_NEAR(S::gridSignalSum, expected, 1e-4);
    EXPECT_EQ(S::gridValueCount, 9.0f);
    S::gridSignal = nullptr;
    S::gridMeanSignal = nullptr;
    S::gridCount = 0;
    ResetAllState();
}

TEST(FitStatistics, DefaultBoundsOfMeniscusAndBottomStayOutsideTheFitLimits) {
    struct Case {
        const char* name;
        bool fluorescence, userSet;
        float mMin, mMax, bMin, bMax;
    };
    const Case cases[] = {
        {"absorbance", false, false, 5.98f, 6.009f, 7.151f, 7.25f},
        {"fluorescence", true, false, 5.9f, 6.009f, 7.151f, 7.3f},
        {"set by the user", false, true, 5.5f, 6.5f, 7.0f, 7.5f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetAllState();
        ScanDataKind::fluorescence = c.fluorescence;
        ModelParameters::userMeniscusBottomLimits = c.userSet;
        ModelParameters::meniscus = 6.0f;
        ModelParameters::bottom = 7.2f;
        S::leftFitLimit = 6.01f;
        S::rightFitLimit = 7.15f;
        FitControl::meniscusMin = 5.5f, FitControl::meniscusMax = 6.5f;
        FitControl::bottomMin = 7.0f, FitControl::bottomMax = 7.5f;
        SetDefaultMeniscusBottomLimits();
        EXPECT_FLOAT_EQ(FitControl::meniscusMin, c.mMin);
        EXPECT_FLOAT_EQ(FitControl::meniscusMax, c.mMax);
        EXPECT_FLOAT_EQ(FitControl::bottomMin, c.bMin);
        EXPECT_FLOAT_EQ(FitControl::bottomMax, c.bMax);
    }
    ResetAllState();
}

} // namespace
