// The size-and-shape distribution on data of known truth: one species found at its s and f/f0,
// two shapes of one s kept apart, the grid's weights and partner quantities, refusals of f/f0
// settings that cannot be computed, and the six-column file read back.
#include "distributions/conti_run.h"
#include "distributions/integrate_distribution.h"
#include "distributions/size_shape_distribution.h"
#include "foundations/error_box_log.h"
#include "foundations/hydrodynamics.h"
#include "plat/testing.hpp"
#include "plat/window.hpp"
#include "state/conti_state.h"
#include "state/model_choice.h"
#include "state/result_table.h"
#include "state/size_shape_state.h"
#include "support/conti_data_store.h"
#include "support/error_box_text.h"
#include "support/temp_folder.h"

#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace {

using SS = SizeShapeState;

ContiStoreCase TenScans() {
    ContiStoreCase c;
    c.scans = 10;
    c.points = 240;
    c.firstTimeS = 600.0;
    c.intervalS = 480.0;
    return c;
}

class SizeShape : public ::testing::Test {
  protected:
    SizeShape() : store(TenScans()) {}
    void SetUp() override {
        window.Create();
        script.pumpUntilIdle();
        ModelChoice::nonInteractingSpecies = false;
        ModelChoice::contiMode = ModelChoice::csFf0 = true;
        ContiState::rangeMin = 3.0f;
        ContiState::rangeMax = 7.0f;
        ContiState::resolution = 17.0f; // steps of 0.25 S
        ContiState::confidenceLevel = 0.68f;
        SS::ff0Min = 1.0f;
        SS::ff0Max = 2.4f;
        SS::ff0Points = 8; // steps of 0.2
    }
    void TearDown() override { FreeResultTable(); }

    // Grid point of the largest c.
    static int PeakIndex() {
        int best = 1;
        for (int p = 2; p <= SS::Points(); ++p)
            if (SS::values[p] > SS::values[best])
                best = p;
        return best;
    }
    // Integral of c over the f/f0 rows from..to (inclusive of their cells).
    static double AmountBetweenFf0(double lo, double hi) {
        return IntegrateSizeShape(-1e9, 1e9, lo, hi);
    }

    plat::test::Script script;
    TFrameWindow window{nullptr, "test"};
    ContiDataStore store;
};

} // namespace

TEST_F(SizeShape, OneSpeciesLiesAtItsSAndFrictionalRatio) {
    store.Fill({{5.0, 1.4, 0.5}});
    ASSERT_TRUE(RunSizeShapeDistribution(nullptr, SilentObserver())) << TakeErrorBoxText();
    ASSERT_TRUE(SS::Held());
    const int p = PeakIndex();
    EXPECT_NEAR(SS::s[p], 5.0, 0.25) << "peak at s " << SS::s[p] << ", f/f0 " << SS::ff0[p];
    EXPECT_NEAR(SS::ff0[p], 1.4, 0.2) << "peak at s " << SS::s[p] << ", f/f0 " << SS::ff0[p];
    // The whole loading is found, and the averages name the species.
    const double total = IntegrateSizeShape(-1e9, 1e9, 0.0, 1e9);
    EXPECT_NEAR(total, 0.5, 0.02);
    EXPECT_NEAR(SS::fw, 1.4, 0.1);
    const double mass = CalculateMff02(5.0f, 1.4f);
    EXPECT_NEAR(SS::Mw, mass, 0.1 * mass);
    // The range integral of the held curve leaves the averages of that s range.
    float area = 0, sw = 0, ctot = 0, sd = 0;
    SS::fw = SS::Mw = 0.0f;
    IntegrateDistribution(4.0f, 6.0f, &area, &sw, &ctot, &sd);
    EXPECT_NEAR(area, 0.5, 0.03);
    EXPECT_NEAR(SS::fw, 1.4, 0.1);
    EXPECT_NEAR(SS::Mw, mass, 0.1 * mass);
    EXPECT_GE(SS::Mz, SS::Mw);
    // The curve of the distribution state is c(s) over the shapes: its integral is the loading.
    ASSERT_EQ(ContiState::gridPoints, 17);
    double marginal = 0.0;
    for (int i = 1; i < ContiState::gridPoints; ++i)
        marginal += 0.5 * (ContiState::distribution[i] + ContiState::distribution[i + 1]) *
                    (ContiState::sValues[i + 1] - ContiState::sValues[i]);
    EXPECT_NEAR(marginal, 0.5, 0.02);
    // The model reproduces the data.
    double ss = 0.0, count = 0.0;
    for (int k = 1; k <= store.c.scans; ++k)
        for (int i = 1; i <= store.c.points; ++i, ++count)
            ss += double(store.residuals[k][i]) * store.residuals[k][i];
    EXPECT_LT(std::sqrt(ss / count), 2e-3);
}

TEST_F(SizeShape, TwoShapesOfOneSedimentationCoefficientComeApart) {
    store.Fill({{5.0, 1.2, 0.4}, {5.0, 2.0, 0.4}});
    ASSERT_TRUE(RunSizeShapeDistribution(nullptr, SilentObserver())) << TakeErrorBoxText();
    // Each half of the f/f0 range holds one species; the row between them holds little.
    const double compact = AmountBetweenFf0(0.0, 1.55);
    const double extended = AmountBetweenFf0(1.65, 1e9);
    EXPECT_NEAR(compact, 0.4, 0.06);
    EXPECT_NEAR(extended, 0.4, 0.06);
    EXPECT_NEAR(IntegrateSizeShape(-1e9, 1e9, 0.0, 1.55), 0.4, 0.06);
    IntegrateSizeShape(-1e9, 1e9, 0.0, 1.55);
    EXPECT_NEAR(SS::fw, 1.2, 0.15);
    IntegrateSizeShape(-1e9, 1e9, 1.65, 1e9);
    EXPECT_NEAR(SS::fw, 2.0, 0.15);
    // Both sediment at 5 S.
    IntegrateSizeShape(-1e9, 1e9, 0.0, 1e9);
    double cs = 0.0, c = 0.0;
    for (int p = 1; p <= SS::Points(); ++p) {
        cs += double(SS::values[p]) * SS::s[p];
        c += SS::values[p];
    }
    EXPECT_NEAR(cs / c, 5.0, 0.15);
}

TEST(SizeShapeGrid, WeightsAndPartnerQuantities) {
    const SizeShapeGrid g = BuildSizeShapeGrid(5, 1.0, 9.0, false, 4, 1.0, 2.5, 20.0);
    ASSERT_EQ(g.flat.n, 20);
    double weight = 0.0;
    for (int p = 1; p <= g.flat.n; ++p)
        weight += g.flat.weight[p];
    EXPECT_NEAR(weight, 8.0 * 1.5, 1e-12) << "the weights integrate over the whole rectangle";
    for (int j = 1; j <= 4; ++j)
        for (int i = 1; i <= 5; ++i) {
            const int p = g.Index(i, j);
            const float s = static_cast<float>(g.flat.s[p]), f = static_cast<float>(g.ff0Axis[j]);
            EXPECT_DOUBLE_EQ(g.flat.s[p], 1.0 + 2.0 * (i - 1));
            EXPECT_NEAR(g.flat.M[p], CalculateMff02(s, f), 1e-6 * g.flat.M[p]);
            // s, D and M agree with the Svedberg equation; Rh with Stokes-Einstein.
            EXPECT_NEAR(g.flat.D[p], DFromSandM(static_cast<float>(g.flat.M[p]), s, 20.0f),
                        1e-6 * g.flat.D[p]);
            EXPECT_NEAR(StokesEinsteinD(static_cast<float>(g.rhNm[p] * 1e-9), 20.0f), g.flat.D[p],
                        1e-5 * g.flat.D[p]);
        }
    // One f/f0 point weighs 1, so the flat weights are those of c(s).
    const SizeShapeGrid one = BuildSizeShapeGrid(5, 1.0, 9.0, false, 1, 1.3, 1.3, 20.0);
    EXPECT_DOUBLE_EQ(one.flat.weight[1], 1.0);
    EXPECT_DOUBLE_EQ(one.flat.weight[3], 2.0);
}

TEST_F(SizeShape, RefusesFrictionalRatioGridsThatCannotBeComputed) {
    store.Fill({{5.0, 1.4, 0.5}});
    struct Case {
        float lo, hi;
        int points;
        float resolution;
        const char* expected;
    } cases[] = {
        {0.8f, 2.0f, 5, 17.0f, "f/f0 range 0.8 to 2"},
        {2.0f, 1.5f, 5, 17.0f, "f/f0 range 2 to 1.5"},
        {NAN, 2.0f, 5, 17.0f, "f/f0 range nan"},
        {1.2f, 1.2f, 3, 17.0f, "3 f/f0 grid points"},
        {1.0f, 2.0f, 0, 17.0f, "0 f/f0 grid points"},
        {1.0f, 2.0f, 2000, 100.0f, "more grid points than a distribution"},
        {1.0f, 2.0f, 600, 17.0f, "more unknowns than the"},
    };
    for (const Case& c : cases) {
        SS::ff0Min = c.lo;
        SS::ff0Max = c.hi;
        SS::ff0Points = c.points;
        ContiState::resolution = c.resolution;
        script.expectBox().caption("Error").textHas(c.expected).answer(IDOK);
        EXPECT_FALSE(RunSizeShapeDistribution(nullptr, SilentObserver())) << c.expected;
        EXPECT_TRUE(script.done()) << c.expected << " | " << script.logText();
        EXPECT_FALSE(SS::Held()) << c.expected;
    }
    TakeErrorBoxes();
}

TEST_F(SizeShape, SixColumnFileReadsBackPointByPoint) {
    TempFolder folder;
    const std::string path = folder.file("sasdist.dat");
    EXPECT_FALSE(WriteMonteCarloColumns(path.c_str())) << "nothing is held yet";
    EXPECT_FALSE(std::ifstream(path).good());
    ContiState::resolution = 9.0f;
    SS::ff0Points = 4;
    store.Fill({{5.0, 1.4, 0.5}});
    ASSERT_TRUE(RunSizeShapeDistribution(nullptr, SilentObserver())) << TakeErrorBoxText();
    ASSERT_TRUE(WriteMonteCarloColumns(path.c_str()));
    std::ifstream in(path);
    std::string line;
    int p = 0;
    while (std::getline(in, line)) {
        ++p;
        ASSERT_LE(p, SS::Points());
        std::istringstream fields(line);
        double v[6];
        for (double& x : v)
            ASSERT_TRUE(fields >> x) << line;
        std::string extra;
        EXPECT_FALSE(fields >> extra) << "six numbers per line: " << line;
        const float expected[6] = {SS::s[p], SS::ff0[p], SS::values[p],
                                   SS::M[p], SS::Rh[p],  SS::D[p]};
        for (int k = 0; k < 6; ++k)
            EXPECT_NEAR(v[k], expected[k], 1e-6 * std::fabs(expected[k]) + 1e-30)
                << "line " << p << " column " << k + 1;
    }
    EXPECT_EQ(p, 36);
}
