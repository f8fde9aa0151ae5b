// Distribution ranges far wider than the data: grid points whose columns carry no signal inside
// the fitted data, or the same signal as their neighbour, are left out of the solve and shown as
// zero, so the regularization cannot spread amplitude over them; the electrophoresis c(v) kernel
// of drifts that pile up against the bottom before the first scan is that pile, not the
// oscillations of an unresolved solution.
#include "distributions/conti_normal_equations.h"
#include "distributions/conti_regularization.h"
#include "distributions/conti_run.h"
#include "distributions/conti_slow_holds.h"
#include "distributions/integrate_distribution.h"
#include "foundations/error_box_log.h"
#include "scandata/scan_data_kind.h"
#include "simulation/conti_kernel.h"
#include "state/conti_state.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/result_table.h"
#include "support/conti_data_store.h"
#include "support/race_checker.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <string>
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

// Eight scans of twelve points: a boundary that moves a point per scan (amplitude 0.5 in the
// data, on a baseline that differs from point to point) and a still plateau whose change from
// scan to scan is own times a pattern that neither noise term reproduces; the data carry
// Gaussian noise of sd sigma.
ContiNormalEquations NoisyEquations(double own, double sigma, bool noiseTerms) {
    constexpr int S = 8, P = 12;
    ContiDataSet set;
    for (int s = 1; s <= S; ++s)
        set.scans.push_back(s);
    set.first = 1;
    set.last = P;
    set.timeInvariant = set.radiallyInvariant = noiseTerms;
    static std::vector<std::vector<float>> moving, still, data;
    moving.assign(S, std::vector<float>(P + 1, 0.0f));
    still = data = moving;
    std::mt19937 rng(3);
    std::normal_distribution<double> noise(0.0, sigma);
    for (int s = 0; s < S; ++s)
        for (int i = 1; i <= P; ++i) {
            moving[s][i] = i > s + 2 ? 1.0f : 0.0f;
            still[s][i] = float(1.0 + own * (s - 3.5) * (i - 6.5) / 20.0);
            data[s][i] = float(0.5 * moving[s][i] + 0.02 * i + noise(rng));
        }
    ContiNormalEquations eq;
    BuildContiNormalEquations(
        2, set, [](int p, int s) { return (p == 1 ? moving : still)[std::size_t(s)].data(); },
        [](int s) { return data[std::size_t(s)].data(); }, 1, eq);
    return eq;
}

} // namespace

// A column whose signal, once the noise terms are removed, stays below the noise of the data at
// any amplitude the data allow is held; with less noise, more own signal or no noise terms
// eliminated, the same column is kept.
TEST(ColumnsWithoutOwnSignal, BelowTheNoiseOnceTheNoiseTermsAreRemoved) {
    const struct {
        const char* name;
        double own, sigma;
        bool noiseTerms, held;
    } cases[] = {
        {"a still column in noisy data", 1e-4, 1e-2, true, true},
        {"the same column in data of little noise", 1e-4, 1e-6, true, false},
        {"a column with its own signal", 0.1, 1e-2, true, false},
        {"no noise terms eliminated", 1e-4, 1e-2, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ContiNormalEquations eq = NoisyEquations(c.own, c.sigma, c.noiseTerms);
        ASSERT_EQ(eq.held, std::vector<char>(3, 0)) << "held before: not this rule's case";
        EXPECT_EQ(HoldColumnsWithoutOwnSignal(eq), c.held ? 1 : 0);
        EXPECT_EQ(eq.held, (std::vector<char>{0, 0, c.held}));
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

void FillDrift(ContiDataStore& store, double drift = kDrift) {
    std::mt19937 rng(11);
    std::normal_distribution<double> noise(0.0, 0.003);
    for (int k = 1; k <= store.c.scans; ++k) {
        const double t = store.headers[k].time;
        for (int i = 1; i <= store.c.points; ++i)
            store.signal[k][i] = float(
                noise(rng) + 0.5 * kDriftLoading *
                                 std::erfc((store.c.meniscus + drift * 1e-4 * t - store.radii[i]) /
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

// c(v) of the drift column from rangeMin to 500 x 1e-4 cm/s on 200 grid points.
void ChooseDriftCv(float rangeMin) {
    M::nonInteractingSpecies = false;
    M::contiMode = M::cvElectrophoresis = M::cmInvariantD = true;
    M::electrophoresis = M::geometryVariant = true;
    ScanDataKind::electrophoresis = true;
    ModelParameters::electrophoresisLength = 0.4f;
    C::invariantD = float(kD);
    C::rangeMin = rangeMin, C::rangeMax = 500.0f, C::resolution = 200.0f;
    C::confidenceLevel = 0.68f;
}

std::vector<float> DistributionValues() {
    return std::vector<float>(C::distribution + 1, C::distribution + 1 + C::gridPoints);
}

} // namespace

// c(v) over 0.01 to 500 x 1e-4 cm/s: most velocities leave the 0.4 cm column before the first
// scan. The peak keeps its velocity and loading, and nothing is spread over those velocities.
TEST_F(WideRange, DriftRangeFarBeyondTheColumn) {
    ContiDataStore store(DriftColumn());
    FillDrift(store);
    ChooseDriftCv(0.01f);
    for (const bool maxEnt : {true, false}) {
        SCOPED_TRACE(maxEnt ? "maximum entropy" : "second derivative");
        C::maxEntRegularization = maxEnt;
        C::secondDerivativeRegularization = !maxEnt;
        ASSERT_TRUE(RunContiSed(nullptr, SilentObserver()));
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
    c.scans = FullOrUnderRaceChecker(10, 5);
    c.points = 260;
    ContiDataStore store(c);
    store.Fill({{5.0, 1.25, 0.5}}, {}, {}, 0.003, 11);
    M::nonInteractingSpecies = false;
    M::contiMode = M::contiCs = true;
    C::ff0 = 1.25f;
    C::rangeMin = 0.01f, C::rangeMax = 10000.0f, C::resolution = 100.0f;
    C::confidenceLevel = 0.68f;
    ASSERT_TRUE(RunContiSed(nullptr, SilentObserver()));
    EXPECT_TRUE(TakeErrorBoxes().empty());
    const KernelCheck k = CheckKernel();
    EXPECT_GT(k.silent, 90);
    EXPECT_TRUE(k.silentAreZero);
    float area = 0, sw = 0;
    IntegrateDistribution(0.01f, 10000.0f, &area, &sw, nullptr, nullptr);
    EXPECT_LT(area, 0.55f);
    EXPECT_LT(sw, 110.0f);
}

// The same wide c(v) range with both noise terms eliminated. The slowest grid point barely moves
// during the scans: its signal is the time-invariant noise but for a rest far below the data's
// noise, and it stays at zero instead of taking the amplitude the regularization would give it
// (before, the peak went to 6.8 with area 3.3). On a grid 2.5 apart only the drift's moving
// boundary tells its loading (its plateau is time-invariant), so the loading comes back whole
// when the drift sits on a grid point. A first grid point that carries the drift is kept.
TEST_F(WideRange, DriftRangeFarBeyondTheColumnWithBothNoiseTerms) {
    const double step = (500.0 - 0.01) / 199.0;
    const struct {
        const char* name;
        float rangeMin;
        double drift;
        bool firstHeld, areaBack;
    } cases[] = {
        {"a drift between the first two grid points", 0.01f, kDrift, true, false},
        {"a drift on the second grid point", 0.01f, 0.01 + step, true, true},
        {"a drift on the first grid point", float(kDrift), kDrift, false, true},
    };
    for (const auto& c : cases)
        for (const bool maxEnt : {true, false}) {
            SCOPED_TRACE(std::string(c.name) +
                         (maxEnt ? ", maximum entropy" : ", second derivative"));
            ContiDataStore store(DriftColumn());
            FillDrift(store, c.drift);
            ChooseDriftCv(c.rangeMin);
            M::fitTINoise = M::fitRINoise = true;
            C::maxEntRegularization = maxEnt;
            C::secondDerivativeRegularization = !maxEnt;
            C::calledFromFit = true; // keep the data as they are between the runs
            C::multiThreading = false;
            ASSERT_TRUE(RunContiSed(nullptr, SilentObserver()));
            EXPECT_TRUE(TakeErrorBoxes().empty());
            float area = 0, vw = 0;
            IntegrateDistribution(c.rangeMin, 500.0f, &area, &vw, nullptr, nullptr);
            EXPECT_NEAR(vw, c.drift, step);
            if (c.areaBack)
                EXPECT_NEAR(area, kDriftLoading, 0.03 * kDriftLoading);
            else
                EXPECT_LT(area, kDriftLoading);
            if (c.firstHeld)
                EXPECT_EQ(C::distribution[1], 0.0f);
            else
                EXPECT_GT(C::distribution[1], 0.1f);
            // The columns held are the same for any number of threads.
            const std::vector<float> reference = DistributionValues();
            C::multiThreading = true;
            const int saved = gDistributionThreadCount;
            for (int threads : {2, 3}) {
                gDistributionThreadCount = threads;
                ASSERT_TRUE(RunContiSed(nullptr, SilentObserver()));
                EXPECT_EQ(DistributionValues(), reference) << threads << " threads";
            }
            gDistributionThreadCount = saved;
        }
}

namespace {

// Equations of orthogonal unit columns (four, or as many as c has), the last `discrete` of them
// discrete species, whose least squares amplitudes are c, on 1000 values with 10 noise parameters
// eliminated and a best chi-square of 9.86: a variance of 0.01 per degree of freedom, so that
// dropping amplitude a raises chi-square by 100 a^2 variances.
ContiNormalEquations OrthogonalEquations(const std::vector<double>& c, int discrete) {
    const int n = static_cast<int>(c.size());
    ContiNormalEquations eq;
    eq.A = CDenseMatrix(n);
    eq.b.assign(std::size_t(n) + 1, 0.0);
    eq.held.assign(std::size_t(n) + 1, 0);
    eq.yy = 9.86;
    for (int p = 1; p <= n; ++p) {
        eq.A(p, p) = 1.0;
        eq.b[std::size_t(p)] = c[std::size_t(p - 1)];
        eq.yy += c[std::size_t(p - 1)] * c[std::size_t(p - 1)];
    }
    eq.values = 1000.0;
    eq.noiseParameters = 10;
    eq.rawYy = 100.0;
    eq.discreteColumns = discrete;
    return eq;
}

} // namespace

// The slowest amplitudes of the least squares solution are held, with every column below them,
// while the F-test at the confidence level cannot tell the solution without them from the best
// (about one variance for one amplitude at P 0.68, 2.3 for two); the first the data need ends it.
// The rise of the regularized chi-square is measured from the best solution. The search, with the
// solutions it may ask for next made ahead on other threads or not, holds the same columns and
// leaves the unregularized solution of the columns it left free, bit for bit, which the
// regularization then takes instead of solving it again: the same regularized solution.
TEST(ColumnsWithoutOwnSignal, SlowAmplitudesWithinTheNoise) {
    const struct {
        const char* name;
        std::vector<double> c;
        double P;
        int noiseParameters, discrete;
        std::vector<char> held; // [1..4]
    } cases[] = {
        {"an amplitude within the noise", {0.07, 0, 1, 0.5}, 0.68, 10, 0, {0, 1, 0, 0, 0}},
        {"with a zero column below it", {0, 0.07, 1, 0.5}, 0.68, 10, 0, {0, 1, 1, 0, 0}},
        {"two that together stay within it", {0.07, 0.1, 1, 0.5}, 0.68, 10, 0, {0, 1, 1, 0, 0}},
        {"two that do not", {0.09, 0.13, 1, 0.5}, 0.68, 10, 0, {0, 1, 0, 0, 0}},
        {"an amplitude the data need", {0.2, 0, 1, 0.5}, 0.68, 10, 0, {0, 0, 0, 0, 0}},
        {"a wider confidence level", {0.12, 0, 1, 0.5}, 0.95, 10, 0, {0, 1, 0, 0, 0}},
        {"no regularization", {0.07, 0, 1, 0.5}, 0.5, 10, 0, {0, 0, 0, 0, 0}},
        {"no noise terms", {0.07, 0, 1, 0.5}, 0.68, 0, 0, {0, 0, 0, 0, 0}},
        {"a discrete species", {0, 0, 0, 0.07}, 0.68, 10, 1, {0, 0, 0, 0, 0}},
        {"a run of them with gaps",
         {0.03, 0, 0.03, 0.02, 0, 0.03, 0.02, 1, 0.5, 0.02},
         0.68,
         10,
         0,
         {0, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ContiNormalEquations eq = OrthogonalEquations(c.c, c.discrete);
        eq.noiseParameters = c.noiseParameters;
        const int held = HoldSlowAmplitudesWithinTheNoise(eq, c.P);
        EXPECT_EQ(eq.held, c.held);
        EXPECT_EQ(held, std::count(c.held.begin(), c.held.end(), 1));
        EXPECT_DOUBLE_EQ(eq.chiSquareBeforeSlowHolds, held > 0 ? 9.86 : 0.0);
        std::vector<double> solution, solved;
        for (int threads : {1, 2, 8}) {
            ContiNormalEquations again = OrthogonalEquations(c.c, c.discrete);
            again.noiseParameters = c.noiseParameters;
            EXPECT_EQ(HoldSlowAmplitudesWithinTheNoise(again, c.P, threads, &solution), held);
            EXPECT_EQ(again.held, eq.held) << threads << " threads";
            if (c.P > 0.5 && c.noiseParameters > 0)
                ASSERT_EQ(ContiNNLSOnFreeColumns(again, again.A, solved), AnalysisFailure::None);
            EXPECT_EQ(solution, solved) << threads << " threads";
        }
        if (held == 0)
            continue;
        ContiRegularizedSolution r, given;
        RegularizeDistribution(eq, ContiRegularizationKind::SecondDerivative, c.P, 986.0, r);
        EXPECT_NEAR(r.chiSquare, 9.86 * r.targetRatio, 1e-4);
        RegularizeDistribution(eq, ContiRegularizationKind::SecondDerivative, c.P, 986.0, given, {},
                               nullptr, 1, &solution);
        EXPECT_EQ(given.nnls, r.nnls);
        EXPECT_EQ(given.c, r.c);
    }
}
