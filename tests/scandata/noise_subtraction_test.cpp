// Moving fitted systematic noise into the data: residuals stay, estimates move and return, the
// grid copies stay in step with the signals, grid statistics and the zoom entry after each step.
#include "scandata/common_grid.h"
#include "scandata/noise_subtraction.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_store_alloc.h"
#include "state/dls_data.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/plot_interaction_state.h"
#include "support/reset_all_state.h"
#include "support/store_builder.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace {

using S = ScanStore;

float Boundary(float r) {
    return 0.02f + 0.8f / (1.0f + std::exp(-(r - 6.4f) / 0.03f));
}
// Multiples of 1/64 from 0.5 to 1.5: subtracting 0.25 from these, from multiples of 1/128 near
// them and from values interpolated between them is exact, and so is adding it back.
float Dyadic(float r) {
    return 0.5f + std::floor((r - 5.9f) * 64.0f) / 64.0f;
}

class NoiseSubtraction : public ::testing::Test {
  protected:
    void SetUp() override { ResetAllState(); }
    void TearDown() override { ResetAllState(); }

    // Three absorbance scans with a fit that differs from the signal, and noise estimates on
    // the grid and per scan.
    void LoadAbsorbance(float (*f)(float) = Boundary) {
        ScanDataKind::absorbance = true;
        FillStore({EvenScan(5.90f, 0.01f, 101, 600, f), EvenScan(5.90f, 0.01f, 101, 1800, f),
                   EvenScan(5.90f, 0.01f, 101, 1200, f)});
        BuildCommonRadialGrid();
        for (int k = 1; k <= S::scanCount; ++k)
            for (int i = 1; i <= S::pointCount[k]; ++i)
                S::fit[k][i] = f(S::radius[k][i]) + 0.0078125f * static_cast<float>(i % 3 - 1);
        for (int g = 1; g <= S::gridCount; ++g)
            S::tiNoise[g] = 0.003f * std::sin(static_cast<float>(g) * 0.01f);
        for (int k = 1; k <= S::scanCount; ++k)
            S::riNoise[k] = 0.002f * static_cast<float>(k);
        ModelParameters::baseline = 0.004f;
        ModelChoice::fitTINoise = ModelChoice::fitRINoise = true;
        ModelParameters::fitBaseline = true;
    }

    static std::vector<float> Residuals() {
        std::vector<float> r;
        for (int k = 1; k <= S::scanCount; ++k)
            for (int i = 1; i <= S::pointCount[k]; ++i)
                r.push_back(S::signal[k][i] - S::fit[k][i]);
        return r;
    }
    static std::vector<float> Copy(float** arrays, int count, const std::int32_t* lengths,
                                   int fixedLength = 0) {
        std::vector<float> v;
        for (int k = 1; k <= count; ++k)
            for (int i = 1; i <= (fixedLength ? fixedLength : lengths[k]); ++i)
                v.push_back(arrays[k][i]);
        return v;
    }
    static std::vector<float> Copy(const float* array, int n) {
        return std::vector<float>(array + 1, array + n + 1);
    }
};

TEST_F(NoiseSubtraction, EveryStepLeavesTheResidualsAndZeroesItsEstimate) {
    struct Case {
        const char* name;
        void (*step)();
        bool (*estimateIsZero)();
    };
    const Case cases[] = {
        {"time-invariant", SubtractTINoise,
         [] {
             for (int g = 1; g <= S::gridCount; ++g)
                 if (S::tiNoise[g] != 0.0f)
                     return false;
             return true;
         }},
        {"radially invariant", SubtractRINoise,
         [] { return S::riNoise[1] == 0.0f && S::riNoise[2] == 0.0f && S::riNoise[3] == 0.0f; }},
        {"all", SubtractAllSystematicNoise,
         [] { return S::tiNoise[S::gridCount / 2] == 0.0f && S::riNoise[3] == 0.0f; }},
        {"baseline", SubtractBaselineOffset, [] { return ModelParameters::baseline == 0.0f; }},
    };
    for (const Case& c : cases) {
        LoadAbsorbance();
        const std::vector<float> before = Residuals();
        const std::vector<float> signalBefore = Copy(S::signal, S::scanCount, S::pointCount);
        c.step();
        const std::vector<float> after = Residuals();
        ASSERT_EQ(before.size(), after.size());
        for (std::size_t i = 0; i < before.size(); ++i)
            ASSERT_NEAR(after[i], before[i], 2e-7f) << c.name << " point " << i;
        EXPECT_NE(Copy(S::signal, S::scanCount, S::pointCount), signalBefore) << c.name;
        EXPECT_TRUE(c.estimateIsZero()) << c.name;
    }
}

TEST_F(NoiseSubtraction, EachStepSubtractsItsOwnAmountFromSignalAndGrid) {
    LoadAbsorbance();
    const float signal = S::signal[2][50];
    const float grid = S::gridSignal[2][300];
    SubtractRINoise();
    EXPECT_FLOAT_EQ(S::signal[2][50], signal - 0.004f);
    EXPECT_FLOAT_EQ(S::gridSignal[2][300], grid - 0.004f);
    SubtractBaselineOffset();
    EXPECT_FLOAT_EQ(S::signal[2][50], signal - 0.008f);
    EXPECT_FLOAT_EQ(S::gridSignal[2][300], grid - 0.008f);
    const float noise = S::tiNoise[300];
    SubtractTINoise();
    EXPECT_FLOAT_EQ(S::gridSignal[2][300], grid - 0.008f - noise);
}

TEST_F(NoiseSubtraction, SubtractThenRestoreGivesTheNoiseBackBitForBit) {
    LoadAbsorbance();
    const std::vector<float> noise = Copy(S::tiNoise, S::gridCount);
    SubtractTINoise();
    EXPECT_EQ(Copy(S::tiNoiseRemoved, S::gridCount), noise);
    RestoreTINoise();
    EXPECT_EQ(Copy(S::tiNoise, S::gridCount), noise);
    EXPECT_EQ(Copy(S::tiNoiseRemoved, S::gridCount), std::vector<float>(noise.size(), 0.0f));
}

TEST_F(NoiseSubtraction, SubtractThenRestoreGivesExactDataBackBitForBit) {
    // Values and noise on a 1/64 lattice: every subtraction and addition is exact, so the data
    // must come back unchanged to the last bit.
    LoadAbsorbance(Dyadic);
    for (int g = 1; g <= S::gridCount; ++g)
        S::tiNoise[g] = 0.25f;
    const std::vector<float> signal = Copy(S::signal, S::scanCount, S::pointCount);
    const std::vector<float> fit = Copy(S::fit, S::scanCount, S::pointCount);
    const std::vector<float> grid = Copy(S::gridSignal, S::scanCount, nullptr, S::gridCount);
    SubtractTINoise();
    EXPECT_EQ(S::signal[1][10], signal[9] - 0.25f);
    RestoreTINoise();
    EXPECT_EQ(Copy(S::signal, S::scanCount, S::pointCount), signal);
    EXPECT_EQ(Copy(S::fit, S::scanCount, S::pointCount), fit);
    EXPECT_EQ(Copy(S::gridSignal, S::scanCount, nullptr, S::gridCount), grid);
}

TEST_F(NoiseSubtraction, SecondTimeInvariantSubtractionChangesNothing) {
    LoadAbsorbance();
    SubtractTINoise();
    const std::vector<float> signal = Copy(S::signal, S::scanCount, S::pointCount);
    const std::vector<float> removed = Copy(S::tiNoiseRemoved, S::gridCount);
    SubtractTINoise();
    EXPECT_EQ(Copy(S::signal, S::scanCount, S::pointCount), signal);
    EXPECT_EQ(Copy(S::tiNoiseRemoved, S::gridCount), removed);
}

TEST_F(NoiseSubtraction, NothingHappensWithoutItsSwitchOrWithLightScatteringData) {
    struct Case {
        const char* name;
        void (*step)();
        void (*prepare)();
    };
    const Case cases[] = {
        {"TI off", SubtractTINoise, [] { ModelChoice::fitTINoise = false; }},
        {"restore, TI off", RestoreTINoise, [] { ModelChoice::fitTINoise = false; }},
        {"RI off", SubtractRINoise, [] { ModelChoice::fitRINoise = false; }},
        // The combined step tests only the radially invariant switch.
        {"all, RI off", SubtractAllSystematicNoise, [] { ModelChoice::fitRINoise = false; }},
        {"baseline not fitted", SubtractBaselineOffset,
         [] { ModelParameters::fitBaseline = false; }},
        {"DLS data", SubtractAllSystematicNoise, [] { gDlsData = true; }},
    };
    for (const Case& c : cases) {
        LoadAbsorbance();
        c.prepare();
        const std::vector<float> signal = Copy(S::signal, S::scanCount, S::pointCount);
        const float riNoise = S::riNoise[2];
        c.step();
        EXPECT_EQ(Copy(S::signal, S::scanCount, S::pointCount), signal) << c.name;
        EXPECT_EQ(S::riNoise[2], riNoise) << c.name;
        gDlsData = false;
    }
    FreeAllData();
    ModelChoice::fitTINoise = true;
    SubtractTINoise(); // no scans: nothing to do, no crash
    EXPECT_EQ(S::scanCount, 0);
}

TEST_F(NoiseSubtraction, InterferenceGridThatSharesTheSignalsIsChangedOnce) {
    ScanDataKind::interference = true;
    FillStore(
        {EvenScan(5.95f, 0.001f, 50, 600, Boundary), EvenScan(5.95f, 0.001f, 50, 1200, Boundary)});
    BuildCommonRadialGrid();
    ASSERT_FALSE(S::gridSignalAllocated);
    ModelChoice::fitRINoise = true;
    S::riNoise[2] = 0.5f;
    const float before = S::signal[2][10];
    SubtractRINoise();
    EXPECT_FLOAT_EQ(S::signal[2][10], before - 0.5f);
    EXPECT_EQ(S::gridSignal[2], S::signal[2]);
}

// The grid copies of interference scans with differing radii used to be skipped (only a shared
// grid may be), leaving the grid means and the next noise fit on the old data.
TEST_F(NoiseSubtraction, InterferenceGridWithItsOwnCopiesFollowsTheSignals) {
    ScanDataKind::interference = true;
    FillStore(
        {EvenScan(5.95f, 0.001f, 50, 600, Boundary), EvenScan(5.951f, 0.001f, 50, 1200, Boundary)});
    BuildCommonRadialGrid();
    ASSERT_TRUE(S::gridSignalAllocated);
    ModelChoice::fitRINoise = true;
    S::riNoise[2] = 0.5f;
    const float grid = S::gridSignal[2][20];
    const float mean = S::gridMeanSignal[20];
    SubtractRINoise();
    EXPECT_FLOAT_EQ(S::gridSignal[2][20], grid - 0.5f);
    EXPECT_NEAR(S::gridMeanSignal[20], mean - 0.25f, 1e-6);
}

TEST_F(NoiseSubtraction, GridStatisticsAfterAStepMatchHandComputedValues) {
    // Two interference scans sharing five radii: the grid is the signals themselves.
    ScanDataKind::interference = true;
    StoreScan a = EvenScan(6.0f, 0.1f, 5, 600, nullptr);
    StoreScan b = EvenScan(6.0f, 0.1f, 5, 1200, nullptr);
    a.signal = {1, 2, 3, 4, 5};
    b.signal = {3, 4, 5, 6, 7};
    FillStore({a, b});
    BuildCommonRadialGrid();
    S::gridFirstFit = 2;
    S::gridLastFit = 4;
    ModelChoice::fitRINoise = true;
    S::riNoise[1] = 1.0f;
    S::riNoise[2] = -1.0f;
    SubtractRINoise();
    // Scans now {0..4} and {4..8}: means per point 2..6, per scan 2 and 6; over points 2..4 the
    // sum is 2 x (3 + 4 + 5) and the count 2 x 3.
    const float gridMean[] = {2, 3, 4, 5, 6};
    for (int g = 1; g <= 5; ++g)
        EXPECT_FLOAT_EQ(S::gridMeanSignal[g], gridMean[g - 1]) << g;
    EXPECT_FLOAT_EQ(S::scanMeanSignal[1], 2.0f);
    EXPECT_FLOAT_EQ(S::scanMeanSignal[2], 6.0f);
    EXPECT_FLOAT_EQ(S::gridSignalSum, 24.0f);
    EXPECT_FLOAT_EQ(S::gridValueCount, 6.0f);
    // The zoom entry spans the fitted grid points +- 0.01 and their values +- 0.1.
    const int z = ZoomHistory::level;
    EXPECT_EQ(z, 1);
    EXPECT_FLOAT_EQ(ZoomHistory::xLow[z], S::gridRadius[2] - 0.01f);
    EXPECT_FLOAT_EQ(ZoomHistory::xHigh[z], S::gridRadius[4] + 0.01f);
    EXPECT_FLOAT_EQ(ZoomHistory::yLow[z], 1.0f - 0.1f);
    EXPECT_FLOAT_EQ(ZoomHistory::yHigh[z], 7.0f + 0.1f);
}

TEST_F(NoiseSubtraction, EleventhZoomEntryOverwritesTheLast) {
    LoadAbsorbance();
    for (int n = 1; n <= 10; ++n)
        SubtractBaselineOffset(); // acts each time; the baseline is 0 after the first
    EXPECT_EQ(ZoomHistory::level, 9);
    ZoomHistory::xLow[9] = -1.0f;
    SubtractBaselineOffset();
    EXPECT_EQ(ZoomHistory::level, 9);
    EXPECT_FLOAT_EQ(ZoomHistory::xLow[9], S::gridRadius[S::gridFirstFit] - 0.01f);
}

TEST_F(NoiseSubtraction, NanInTheGridGivesAnInvalidEntryAndNoCrash) {
    LoadAbsorbance();
    S::gridSignal[2][S::gridFirstFit + 3] = std::nanf("");
    SubtractRINoise();
    const int z = ZoomHistory::level;
    EXPECT_TRUE(std::isnan(ZoomHistory::yLow[z]));
    EXPECT_TRUE(std::isnan(ZoomHistory::yHigh[z]));
}

} // namespace
