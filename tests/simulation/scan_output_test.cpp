// The scan output of the module-wide solvers: profiles written into the scans at their times,
// interpolated onto the scans' radii, the target moved on, and a scan assembled over the optics'
// crossing time.
#include "scandata/scan_data_kind.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/lamm_arrays.h"
#include "simulation/scan_output.h"
#include "state/component_scans.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "support/cell_fixture.h"
#include "support/reset_all_state.h"
#include "support/store_builder.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

namespace {

float Zero(float) {
    return 0.0f;
}
double Line(double r) {
    return 2.0 * r - 11.0;
}

class ScanOutput : public CellTest {
  protected:
    void SetUp() override {
        CellTest::SetUp();
        FillStore(
            {EvenScan(6.05f, 0.01f, 110, 100.0, Zero), EvenScan(6.05f, 0.01f, 110, 200.0, Zero)});
        ModelChoice::movingHatAlgorithm = false;
        ModelChoice::claverieAlgorithm = true;
        LammGrid::gridSize = 121;
        ASSERT_TRUE(AllocLammArrays());
        SetProfile(Line);
        clock_.targetScanTime = 100.0;
    }
    void TearDown() override { ResetAllState(); }

    static void SetProfile(double (*f)(double)) {
        for (int i = 1; i <= LammGrid::allocatedGridSize; ++i)
            LammGrid::concentration[i] = f(LammGrid::radius[i]);
    }
    void At(double t) {
        clock_.time = t;
        output_.Step(clock_, 0.0);
    }

    CScanOutput output_;
    CGridClock clock_;
};

} // namespace

TEST_F(ScanOutput, ProfilesGoIntoTheScansAtTheirTimes) {
    for (int i = 1; i <= 110; ++i)
        ScanStore::fit[1][i] = 1.0f;
    At(50.0);
    EXPECT_EQ(clock_.targetScan, 1);
    EXPECT_EQ(ScanStore::fit[1][5], 1.0f);
    At(100.0);
    for (int i = 1; i <= 110; ++i)
        ASSERT_NEAR(ScanStore::fit[1][i], 1.0 + Line(ScanStore::radius[1][i]), 2e-5) << i;
    EXPECT_EQ(clock_.targetScan, 2);
    EXPECT_EQ(clock_.targetScanTime, 200.0);
    EXPECT_EQ(clock_.endTime, 200.0);
    EXPECT_TRUE(clock_.endTimePending);
    EXPECT_TRUE(clock_.running);
    EXPECT_EQ(ScanStore::fit[2][5], 0.0f);

    SetProfile([](double r) { return 3.0 * r; });
    At(201.0);
    for (int i = 1; i <= 110; ++i)
        ASSERT_NEAR(ScanStore::fit[2][i], 3.0 * ScanStore::radius[2][i], 2e-5) << i;
    EXPECT_FALSE(clock_.running);
    // the first scan keeps what it was given
    EXPECT_NEAR(ScanStore::fit[1][1], 1.0 + Line(6.05), 2e-5);
}

TEST_F(ScanOutput, FinalProfileRunsOnPastTheLastScan) {
    LammGrid::finalProfileToLastScan = true;
    At(100.0);
    At(200.0);
    EXPECT_TRUE(clock_.running);
    EXPECT_EQ(clock_.targetScanTime, 1e8);
    EXPECT_FALSE(clock_.endTimePending);
}

// With the loadings as linear parameters the species row lies on the scan's own radii; with
// time-invariant noise, which lives on the common grid, on that grid. The fit stays untouched.
TEST_F(ScanOutput, LinearParametersWriteTheSpeciesRowOnItsRadii) {
    std::vector<float> grid(51);
    for (int i = 1; i <= 50; ++i)
        grid[i] = 6.1f + 0.02f * i;
    ScanStore::gridRadius = grid.data();
    ScanStore::gridCount = 50;
    for (bool timeInvariant : {false, true}) {
        ComponentScans::ResetToDefaults();
        ModelChoice::linearAmplitudes = true;
        ModelChoice::fitTINoise = timeInvariant;
        LammGrid::currentSpecies = 3;
        clock_ = CGridClock{};
        clock_.targetScanTime = 100.0;
        At(100.0);
        ASSERT_EQ(ComponentScans::rows[3].size(), 2u);
        const std::vector<float>& row = ComponentScans::rows[3][1];
        const float* radii = timeInvariant ? grid.data() : ScanStore::radius[1];
        const int count = timeInvariant ? 50 : ScanStore::pointCount[1];
        ASSERT_EQ(row.size(), std::size_t(count) + 1) << timeInvariant;
        for (int i = 1; i <= count; ++i)
            ASSERT_NEAR(row[i], Line(radii[i]), 2e-5) << i << (timeInvariant ? " grid" : "");
        EXPECT_EQ(ScanStore::fit[1][5], 0.0f);
    }
    ScanStore::gridRadius = nullptr;
    ScanStore::gridCount = 0;
}

TEST_F(ScanOutput, CrossingTimeOfTheOptics) {
    LammGrid::scanVelocity = 2.43f;
    EXPECT_NEAR(ScanCrossingSeconds(), 29.63, 0.01);
    EXPECT_NEAR(ScanCrossingSeconds() / 100.0, 0.2963, 1e-4);
    LammGrid::scanVelocity = 0.0f;
    EXPECT_EQ(ScanCrossingSeconds(), 0.0);
}

// The scanner crosses the column while the boundary moves: each radius shows the profile of the
// moment the scanner passed it. With c = t everywhere, the written value at r is the time of the
// passage, rising from the scan time at the meniscus to about one crossing time later.
TEST_F(ScanOutput, TimeResolutionAssemblesTheScanWhileTheScannerMoves) {
    ScanDataKind::absorbance = true;
    LammGrid::simulateTimeResolution = true;
    LammGrid::scanVelocity = 2.43f;
    const double crossing = ScanCrossingSeconds();
    double t = 100.0;
    int calls = 0;
    while (clock_.targetScan == 1 && calls < 1000) {
        for (int i = 1; i <= LammGrid::allocatedGridSize; ++i)
            LammGrid::concentration[i] = t;
        At(t);
        ++calls;
        if (clock_.targetScan == 1) {
            EXPECT_TRUE(clock_.endTimePending);
            EXPECT_GT(clock_.endTime, t);
            t = clock_.endTime;
        }
    }
    EXPECT_EQ(clock_.targetScan, 2);
    EXPECT_EQ(calls, 99);
    const float* fit = ScanStore::fit[1];
    for (int i = 2; i <= 110; ++i)
        ASSERT_GE(fit[i], fit[i - 1]) << i;
    const double speed = 2.43 / 60.0; // cm/s
    for (int i : {1, 55, 100}) {
        const double passage = 100.0 + (ScanStore::radius[1][i] - 6.0) / speed;
        EXPECT_NEAR(fit[i], passage, 3.0 * crossing / 100.0) << i;
    }
}

// A scan half assembled by one sink is finished as if alone when another sink (a run inside
// this one) steps meanwhile before its own awaited scan, which clears that sink's assembly only.
TEST_F(ScanOutput, AScanBeingAssembledBelongsToItsSink) {
    ScanDataKind::absorbance = true;
    LammGrid::simulateTimeResolution = true;
    LammGrid::scanVelocity = 2.43f;
    auto assemble = [this](bool otherSteps) {
        output_.Start();
        clock_ = CGridClock{};
        clock_.targetScanTime = 100.0;
        std::fill(ScanStore::fit[1] + 1, ScanStore::fit[1] + 111, 0.0f);
        double t = 100.0;
        for (int calls = 0; clock_.targetScan == 1 && calls < 1000; ++calls) {
            for (int i = 1; i <= LammGrid::allocatedGridSize; ++i)
                LammGrid::concentration[i] = t;
            At(t);
            if (otherSteps && calls == 40) {
                CGridClock other;
                other.time = 50.0;
                other.targetScanTime = 100.0;
                CScanOutput().Step(other, 0.0);
            }
            t = clock_.endTime;
        }
        return std::vector<float>(ScanStore::fit[1] + 1, ScanStore::fit[1] + 111);
    };
    const std::vector<float> alone = assemble(false);
    EXPECT_EQ(assemble(true), alone);
}
