// Distribution ranges far wider than the data: grid points whose columns carry no signal inside
// the fitted data, or the same signal as their neighbour, are left out of the solve and shown as
// zero, so the regularization cannot spread amplitude over them; the electrophoresis c(v) kernel
// of drifts that pile up against the bottom before the first scan is that pile, not the
// oscillations of an unresolved solution.
#include "distributions/conti_normal_equations.h"
#include "distributions/conti_run.h"
#include "distributions/integrate_distribution.h"
#include "foundations/error_box_log.h"
#include "scandata/scan_data_kind.h"
#include "simulation/conti_kernel.h"
#include "state/conti_state.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/result_table.h"
#include "support/conti_data_store.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <vector>

namespace {

using M = ModelChoice;
using C = ContiState;

// Normal equations of explicit columns (one scan of 6 points each) against zero data.
ContiNormalEquations EquationsOf(const std::vector<std::vector<float>>& columns, int discrete) {
    ContiDataSet set;
    set.scans = {1};
    set.first = 1;
    set.last = 6;
    static std::vector<std::vector<float>> rows;
    rows.clear();
    for (const auto& c : columns) {
        std::vector<float> row{0.0f};
        row.insert(row.end(), c.begin(), c.end());
        rows.push_back(row);
    }
    static const std::vector<float> zero(7, 0.0f);
    ContiNormalEquations eq;
    BuildContiNormalEquations(
        int(columns.size()), set, [](int p, int) { return rows[std::size_t(p - 1)].data(); },
        [](int) { return zero.data(); }, 1, eq);
    eq.discreteColumns = discrete;
    return eq;
}

} // namespace

TEST(ColumnsWithoutOwnSignal, AreHeldAndTheOthersKept) {
    const std::vector<float> a{1, 2, 3, 4, 5, 6}, b{6, 5, 4, 3, 2, 1}, zero(6, 0.0f);
    std::vector<float> aRounded = a;
    aRounded[3] = std::nextafter(aRounded[3], 10.0f);
    std::vector<float> aTiny = a;
    for (float& v : aTiny)
        v *= 1e-7f;
    std::vector<float> nan = a, inf = a;
    nan[2] = std::numeric_limits<float>::quiet_NaN();
    inf[2] = std::numeric_limits<float>::infinity();
    std::vector<float> aNear = a;
    aNear[2] *= 1.001f; // a finer grid's neighbour: kept
    struct Case {
        const char* name;
        std::vector<std::vector<float>> columns;
        int discrete;
        std::vector<char> held; // [1..n]
        int heldBefore = 0;     // a column held already (the fixed buffer's): no neighbour
    } cases[] = {
        {"zero columns", {a, zero, b, zero}, 0, {0, 0, 1, 0, 1}},
        {"a signal far below the largest", {a, aTiny, b}, 0, {0, 0, 1, 0}},
        {"duplicates, also across a held one", {a, a, zero, a, b, b}, 0, {0, 0, 1, 1, 1, 0, 1}},
        {"equal but for rounding", {b, a, aRounded}, 0, {0, 0, 0, 1}},
        {"close neighbours", {a, aNear, b}, 0, {0, 0, 0, 0}},
        {"a discrete column equal to a distribution one", {b, a, a}, 1, {0, 0, 0, 0}},
        {"a zero discrete column", {b, a, zero}, 1, {0, 0, 0, 1}},
        {"next to a column held already", {a, b, b}, 0, {0, 0, 1, 0}, 2},
        // A failed solution must reach the check of the solution, not vanish from the solve.
        {"a column not finite", {a, nan, a, zero}, 0, {0, 0, 0, 0, 1}},
        {"an infinite column holds no other", {a, inf, b}, 0, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ContiNormalEquations eq = EquationsOf(c.columns, c.discrete);
        if (c.heldBefore > 0)
            eq.held[std::size_t(c.heldBefore)] = 1;
        HoldColumnsWithoutOwnSignal(eq);
        EXPECT_EQ(eq.held, c.held);
    }
}

namespace {

constexpr double kDrift = 2.0, kDriftLoading = 0.5, kD = 2e-7;

class WideRange : public ::testing::Test {
  protected:
    void SetUp() override { TakeErrorBoxes(); }
    void TearDown() override {
        TakeErrorBoxes();
        FreeResultTable(); // the plot too, which the reset below would only forget
        ScanDataKind::electrophoresis = false;
        M::ResetToDefaults();
        C::ResetToDefaults();
    }
};

// Five scans of a 0.4 cm drift column from 1 cm, 240 to 960 s, with one drift of 2e-4 cm/s.
ContiStoreCase DriftColumn() {
    ContiStoreCase c;
    c.scans = 5;
    c.points = 200;
    c.firstTimeS = 240.0;
    c.intervalS = 180.0;
    c.meniscus = 1.0f;
    c.bottom = 1.4f;
    return c;
}

void FillDrift(ContiDataStore& store) {
    std::mt19937 rng(11);
    std::normal_distribution<double> noise(0.0, 0.003);
    for (int k = 1; k <= store.c.scans; ++k) {
        const double t = store.headers[k].time;
        for (int i = 1; i <= store.c.points; ++i)
            store.signal[k][i] = float(
                noise(rng) + 0.5 * kDriftLoading *
                                 std::erfc((store.c.meniscus + kDrift * 1e-4 * t - store.radii[i]) /
                                           (2.0 * std::sqrt(kD * t))));
    }
}

// The smallest kernel value inside the fitted data, and whether every grid point whose columns
// are zero there has a zero amplitude; the number of such points.
struct KernelCheck {
    double smallest = 0.0;
    int silent = 0;
    bool silentAreZero = true;
};
KernelCheck CheckKernel() {
    KernelCheck k;
    ContiDataSet set;
    if (!GetContiDataSet(set, nullptr))
        return k;
    for (int p = 1; p <= C::gridPoints; ++p) {
        bool silent = true;
        for (int scan : set.scans) {
            const float* r = gContiKernel.Row(p, scan);
            for (int i = set.first; i <= set.last; ++i) {
                k.smallest = std::min(k.smallest, double(r[i]));
                silent = silent && r[i] == 0.0f;
            }
        }
        if (silent) {
            ++k.silent;
            k.silentAreZero = k.silentAreZero && C::distribution[p] == 0.0f;
        }
    }
    return k;
}

} // namespace

// c(v) over 0.01 to 500 x 1e-4 cm/s: most velocities leave the 0.4 cm column before the first
// scan. The peak keeps its velocity and loading, and nothing is spread over those velocities.
TEST_F(WideRange, DriftRangeFarBeyondTheColumn) {
    ContiDataStore store(DriftColumn());
    FillDrift(store);
    M::nonInteractingSpecies = false;
    M::contiMode = M::cvElectrophoresis = M::cmInvariantD = true;
    M::electrophoresis = M::geometryVariant = true;
    ScanDataKind::electrophoresis = true;
    ModelParameters::electrophoresisLength = 0.4f;
    C::invariantD = float(kD);
    C::rangeMin = 0.01f, C::rangeMax = 500.0f, C::resolution = 200.0f;
    C::confidenceLevel = 0.68f;
    for (const bool maxEnt : {true, false}) {
        SCOPED_TRACE(maxEnt ? "maximum entropy" : "second derivative");
        C::maxEntRegularization = maxEnt;
        C::secondDerivativeRegularization = !maxEnt;
        ASSERT_TRUE(RunContiSed(nullptr));
        EXPECT_TRUE(TakeErrorBoxes().empty());
        float area = 0, vw = 0;
        IntegrateDistribution(0.01f, 500.0f, &area, &vw, nullptr, nullptr);
        EXPECT_NEAR(area, kDriftLoading, 0.03 * kDriftLoading);
        EXPECT_NEAR(vw, kDrift, 0.08 * kDrift); // grid points 2.5 apart
        const KernelCheck k = CheckKernel();
        EXPECT_GT(k.smallest, -0.05); // a unit loading: Galerkin undershoot at most
        EXPECT_GT(k.silent, 150);
        EXPECT_TRUE(k.silentAreZero);
    }
}

// c(s) over 0.01 to 10000 S on a 5 S species: the grid points from 202 S on pellet before the
// first scan; they stay at zero instead of carrying the regularization's flat continuation.
TEST_F(WideRange, SedimentationRangeFarBeyondTheData) {
    ContiStoreCase c;
    c.scans = 10;
    c.points = 260;
    ContiDataStore store(c);
    store.Fill({{5.0, 1.25, 0.5}}, {}, {}, 0.003, 11);
    M::nonInteractingSpecies = false;
    M::contiMode = M::contiCs = true;
    C::ff0 = 1.25f;
    C::rangeMin = 0.01f, C::rangeMax = 10000.0f, C::resolution = 100.0f;
    C::confidenceLevel = 0.68f;
    ASSERT_TRUE(RunContiSed(nullptr));
    EXPECT_TRUE(TakeErrorBoxes().empty());
    const KernelCheck k = CheckKernel();
    EXPECT_GT(k.silent, 90);
    EXPECT_TRUE(k.silentAreZero);
    float area = 0, sw = 0;
    IntegrateDistribution(0.01f, 10000.0f, &area, &sw, nullptr, nullptr);
    EXPECT_LT(area, 0.55f);
    EXPECT_LT(sw, 110.0f);
}
