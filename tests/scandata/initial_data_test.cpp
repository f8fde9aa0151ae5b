// The initial-data scan: loading against the scans in the store, and its polynomial extrapolation
// beyond the fit limits (never below the baseline, never falling towards the limit).
#include "foundations/nr_arrays.h"
#include "plat/msgbox.hpp"
#include "plat/testing.hpp"
#include "scandata/initial_data.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_store_alloc.h"
#include "state/model_parameters.h"
#include "support/reset_all_state.h"
#include "support/scan_set_generator.h"
#include "support/store_builder.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

using S = ScanStore;
using P = ModelParameters;
using D = InitialData;

float One(float) {
    return 1.0f;
}

class InitialDataTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetAllState();
        ScanDataKind::absorbance = true;
        P::meniscus = 6.00f;
        P::bottom = 7.20f;
        P::experimentalInitialDistribution = true;
        P::constantInitialDistribution = false;
    }
    void TearDown() override {
        D::ResetToDefaults();
        ResetAllState();
    }

    // Initial data 5.95 .. 7.25 in steps of 0.01 with values v(r).
    static void SetInitial(float (*v)(float)) {
        FreeInitialDataArrays();
        int n = 131;
        D::radius = vector(1, n);
        D::signal = vector(1, n);
        for (int i = 1; i <= n; ++i) {
            D::radius[i] = 5.95f + 0.01f * static_cast<float>(i - 1);
            D::signal[i] = v(D::radius[i]);
        }
        D::pointCount = n;
    }
    static int IndexOf(float r) {
        for (int i = 1; i <= D::pointCount; ++i)
            if (D::radius[i] >= r - 1e-5f)
                return i;
        return D::pointCount;
    }
};

float Rising(float r) {
    return 0.2f + 2.0f * (r - 6.10f); // 0.2 at 6.10, 0.4 at 6.20
}

TEST_F(InitialDataTest, LeftExtrapolationIsTheLineThroughTwoGroupMeans) {
    SetInitial(Rising);
    P::baseline = 0.05f;
    S::leftFitLimit = 6.10f;
    InitialExtrapolationLeft();
    // Points 6.10 .. 6.19 form two groups of five; their line is Rising itself.
    int iL = IndexOf(6.10f);
    for (int i = IndexOf(6.05f); i <= iL; ++i)
        EXPECT_NEAR(D::signal[i], Rising(D::radius[i]), 1e-4) << D::radius[i];
    // Towards the meniscus the line would fall below the baseline: held at the baseline.
    for (int i = 1; i < IndexOf(6.025f); ++i)
        EXPECT_FLOAT_EQ(D::signal[i], 0.05f) << D::radius[i];
    for (int i = 1; i < iL; ++i)
        EXPECT_LE(D::signal[i], D::signal[i + 1]);
    EXPECT_FLOAT_EQ(D::signal[iL + 1], Rising(D::radius[iL + 1])); // inside: untouched
}

float Falling(float r) {
    return 1.0f - (r - 6.0f);
}

TEST_F(InitialDataTest, LeftExtrapolationNeverRisesTowardsTheMeniscus) {
    SetInitial(Falling);
    S::leftFitLimit = 6.10f;
    InitialExtrapolationLeft();
    int iL = IndexOf(6.10f);
    for (int i = 1; i < iL; ++i)
        EXPECT_FLOAT_EQ(D::signal[i], D::signal[iL]) << D::radius[i];
}

TEST_F(InitialDataTest, RightExtrapolationUsesThreeTimesTheGap) {
    SetInitial(Rising);
    S::rightFitLimit = 7.10f;
    InitialExtrapolationRight();
    // Band 7.10 - 3 x 0.10 = 6.80 .. 7.10: the line continues to the last point.
    for (int i = IndexOf(7.10f); i <= D::pointCount; ++i)
        EXPECT_NEAR(D::signal[i], Rising(D::radius[i]), 2e-4) << D::radius[i];
}

TEST_F(InitialDataTest, NothingChangesOutsideItsConditions) {
    struct Case {
        const char* name;
        bool experimental;
        float left, right;
        int order;
    };
    const Case cases[] = {
        {"constant initial distribution", false, 6.10f, 7.10f, 1},
        {"right limit at the bottom", true, 0.0f, 7.20f, 1},
        {"left limit at the meniscus", true, 6.00f, 7.30f, 1},
        {"band too small for the order", true, 6.10f, 7.30f, 40},
        {"limit beyond the scan", true, 9.0f, 7.30f, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetInitial(Falling);
        P::experimentalInitialDistribution = c.experimental;
        D::polynomialOrder = c.order;
        S::leftFitLimit = c.left;
        S::rightFitLimit = c.right;
        InitialExtrapolationLeft();
        InitialExtrapolationRight();
        for (int i = 1; i <= D::pointCount; ++i)
            ASSERT_FLOAT_EQ(D::signal[i], Falling(D::radius[i])) << D::radius[i];
    }
}

TEST_F(InitialDataTest, IntensityDataAreNotExtrapolated) {
    SetInitial(Falling);
    ScanDataKind::absorbance = false;
    ScanDataKind::intensity = true;
    S::leftFitLimit = 6.10f;
    plat::test::Script script;
    script.expectBox()
        .caption("ERROR")
        .text("initial extrapolation not implemented yet!")
        .answer(IDOK);
    InitialExtrapolationLeft();
    EXPECT_TRUE(script.done());
    EXPECT_FLOAT_EQ(D::signal[1], Falling(D::radius[1]));
}

TEST_F(InitialDataTest, LoadNeedsScansFirst) {
    TempFolder dir;
    plat::test::Script script;
    script.expectBox().caption("").text("please load data files first").answer(IDOK);
    EXPECT_EQ(LoadInitialData(nullptr, dir.file("x.RA1").c_str()), 0);
    EXPECT_TRUE(script.done());
    EXPECT_EQ(D::pointCount, 0);
}

TEST_F(InitialDataTest, LoadWithTheFirstScansTimeCopiesItsSignalIntoTheFit) {
    TempFolder dir;
    ScanSetOptions options;
    options.count = 3;
    options.points = 200;
    std::vector<std::string> names = WriteScanSet(dir.path(), options);
    StoreScan first = EvenScan(5.95f, 0.001f, 200, SetScan(options, 2).timeS, One);
    StoreScan second = EvenScan(5.95f, 0.001f, 200, SetScan(options, 1).timeS, One);
    FillStore({first, second});
    S::header[1].timeStampChecked = true;
    S::leftFitLimit = 6.0f;
    plat::test::Script script;
    ASSERT_EQ(LoadInitialData(nullptr, dir.file(names[0]).c_str()), 1);
    EXPECT_EQ(D::pointCount, 200);
    EXPECT_TRUE(gInitialDataIsFirstScan);
    EXPECT_EQ(S::fit[2][7], S::signal[2][7]); // scan 2 is first in time
    EXPECT_EQ(S::fit[1][7], 0.0f);
    EXPECT_TRUE(script.done());

    // A file that does not read: the path in a "LOAD ERROR" box, no initial data remain.
    script.expectBox().caption("LOAD ERROR").text(dir.file("none.RA1")).answer(IDOK);
    EXPECT_EQ(LoadInitialData(nullptr, dir.file("none.RA1").c_str()), 0);
    EXPECT_EQ(D::pointCount, 0);

    // An untagged file against tagged scans: the discrepancy box, the data stay loaded.
    options.tagged = false;
    options.extension = "RA2";
    std::vector<std::string> untagged = WriteScanSet(dir.path(), options);
    script.expectBox()
        .caption("LOAD ERROR")
        .textHas("time stamp correction discrepancy")
        .answer(IDOK);
    EXPECT_EQ(LoadInitialData(nullptr, dir.file(untagged[2]).c_str()), 1);
    EXPECT_FALSE(gInitialDataIsFirstScan);
    EXPECT_TRUE(script.done());
}

} // namespace
