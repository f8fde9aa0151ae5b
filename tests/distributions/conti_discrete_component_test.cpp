// The c(s) and c(s, f/f0) models with one discrete component, on data of a distribution plus a
// small species of known s, D and loading: the component's loading and the distribution's area
// come back in both of its forms, its s comes back from a wrong start in the Fit, and entries
// that cannot be computed are refused with the previous result kept.
#include "distributions/conti_discrete_component.h"
#include "distributions/conti_entropy_solution.h"
#include "distributions/conti_fit.h"
#include "distributions/conti_regularization.h"
#include "distributions/conti_run.h"
#include "distributions/integrate_distribution.h"
#include "distributions/monte_carlo.h"
#include "distributions/size_shape_distribution.h"
#include "foundations/error_box_log.h"
#include "foundations/hydrodynamics.h"
#include "plat/testing.hpp"
#include "plat/window.hpp"
#include "simulation/conti_kernel.h"
#include "state/conti_state.h"
#include "state/fit_control.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/monte_carlo_state.h"
#include "state/size_shape_state.h"
#include "support/conti_data_store.h"
#include "support/error_box_text.h"
#include "support/race_checker.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

using C = ContiState;

// The small species beside the distribution: 1.2 S with D 9e-7 cm^2/s (about 12 kDa), loading 0.25.
constexpr double kSmallS = 1.2, kSmallD = 9e-7, kSmallLoading = 0.25;
// The distribution: one species at 5 S (f/f0 1.25), loading 0.5, inside a c(s) range of 3-8 S.
constexpr double kBigS = 5.0, kBigLoading = 0.5;

ContiStoreCase TenScans() {
    ContiStoreCase c;
    c.scans = 10;
    c.points = 260;
    c.firstTimeS = 600.0;
    c.intervalS = 600.0;
    return c;
}

class DiscreteComponent : public ::testing::Test {
  protected:
    DiscreteComponent() : store(TenScans()) {}
    void SetUp() override {
        window.Create();
        script.pumpUntilIdle();
        ModelChoice::nonInteractingSpecies = false;
        ModelChoice::contiMode = true;
        C::rangeMin = 3.0f;
        C::rangeMax = 8.0f;
        C::resolution = 41.0f;
        C::ff0 = 1.25f;
        C::confidenceLevel = 0.68f;
        C::discreteS = static_cast<float>(kSmallS);
        C::discreteD = static_cast<float>(kSmallD * 1e7);
        C::discreteM = MFromSandD(C::discreteS, static_cast<float>(kSmallD), 20.0f);
        store.Fill({{kBigS, 1.25, kBigLoading}, {kSmallS, 1.0, kSmallLoading, kSmallD}}, {}, {},
                   0.003, 11);
    }
    void TearDown() override { FreeDistributionArrays(); }

    static double DistributionArea() {
        float area = 0, sw = 0;
        IntegrateDistribution(C::rangeMin, C::rangeMax, &area, &sw, nullptr, nullptr);
        return area;
    }

    plat::test::Script script;
    TFrameWindow window{nullptr, "test"};
    ContiDataStore store;
};

// Five distribution columns and one discrete column, all orthonormal, with data 1 at the middle
// point and 2 on the discrete column.
ContiNormalEquations SixOrthonormalColumns() {
    ContiNormalEquations eq;
    eq.A.Resize(6);
    for (int p = 1; p <= 6; ++p)
        eq.A(p, p) = 1.0;
    eq.b = {0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 2.0};
    eq.yy = 5.0;
    eq.discreteColumns = 1;
    return eq;
}

} // namespace

// A strong regularization flattens the distribution's columns and leaves the discrete one at its
// least-squares amplitude, for both kinds; counted as a distribution column it would be pulled
// towards its neighbour.
TEST(DiscreteComponentRegularization, LeavesTheDiscreteAmplitudeFree) {
    const ContiNormalEquations eq = SixOrthonormalColumns();
    std::vector<double> c;
    ASSERT_EQ(SolveSecondDerivative(eq, 1e6, c), AnalysisFailure::None);
    EXPECT_NEAR(c[6], 2.0, 1e-9);
    EXPECT_LT(c[3], 1e-3);
    const std::vector<double> m(7, 0.2), start(7, 0.5);
    ASSERT_EQ(SolveMaximumEntropy(eq, 1e6, m, start, c), AnalysisFailure::None);
    EXPECT_NEAR(c[6], 2.0, 1e-6);
    EXPECT_NEAR(c[3], 0.2, 1e-3);
    ContiNormalEquations counted = eq;
    counted.discreteColumns = 0;
    ASSERT_EQ(SolveSecondDerivative(counted, 1e6, c), AnalysisFailure::None);
    EXPECT_LT(c[6], 1.0);
}

// Both forms of the component and both regularizations: the component takes the small species'
// loading, the distribution the large one's, and the peak stays at 5 S.
TEST_F(DiscreteComponent, RunRecoversTheSpeciesAndTheDistributionsArea) {
    struct Case {
        const char* name;
        bool byMass, maxEnt;
    } cases[] = {{"s and D, maximum entropy", false, true},
                 {"M and s, maximum entropy", true, true},
                 {"s and D, second derivative", false, false}};
    for (const Case& c : cases) {
        ModelChoice::csDiscreteMs = c.byMass;
        ModelChoice::csDiscreteSD = !c.byMass;
        C::maxEntRegularization = c.maxEnt;
        C::secondDerivativeRegularization = !c.maxEnt;
        ASSERT_TRUE(RunContiSed(nullptr, SilentObserver())) << c.name << ": " << TakeErrorBoxText();
        EXPECT_NEAR(C::discreteLoading, kSmallLoading, 0.03 * kSmallLoading) << c.name;
        EXPECT_NEAR(DistributionArea(), kBigLoading, 0.03 * kBigLoading) << c.name;
        float area = 0, sw = 0;
        IntegrateDistribution(4.0f, 6.0f, &area, &sw, nullptr, nullptr);
        EXPECT_NEAR(sw, kBigS, 0.02 * kBigS) << c.name;
        // The fit holds the component: the residuals are the noise.
        double ss = 0.0, count = 0.0;
        for (int k = 1; k <= store.c.scans; ++k)
            for (int i = 20; i <= store.c.points - 20; ++i, ++count)
                ss += double(store.residuals[k][i]) * store.residuals[k][i];
        EXPECT_LT(std::sqrt(ss / count), 0.0036) << c.name;
    }
}

// Without the component, the distribution alone cannot hold the small species inside 3-8 S: the
// rmsd shows it. This is what makes the recovery above a test of the component's column.
TEST_F(DiscreteComponent, TheDistributionAloneCannotHoldTheSmallSpecies) {
    ModelChoice::contiCs = true;
    ASSERT_TRUE(RunContiSed(nullptr, SilentObserver())) << TakeErrorBoxText();
    double ss = 0.0, count = 0.0;
    for (int k = 1; k <= store.c.scans; ++k)
        for (int i = 20; i <= store.c.points - 20; ++i, ++count)
            ss += double(store.residuals[k][i]) * store.residuals[k][i];
    EXPECT_GT(std::sqrt(ss / count), 0.006);
}

TEST_F(DiscreteComponent, FitFindsTheComponentsSFromAWrongStart) {
    ModelChoice::csDiscreteSD = true;
    C::discreteS = 0.9f;
    C::discreteSFloat = 1;
    FitControl::simplexTolerance = 1e-5;
    ASSERT_TRUE(ContiFit(nullptr, SilentObserver())) << TakeErrorBoxText();
    EXPECT_NEAR(C::discreteS, kSmallS, 0.03 * kSmallS);
    EXPECT_NEAR(C::discreteLoading, kSmallLoading, 0.03 * kSmallLoading);
    EXPECT_NEAR(DistributionArea(), kBigLoading, 0.03 * kBigLoading);
    EXPECT_LT(FitControl::bestRmsd, 0.0036);
}

// A Run after the component's s or D moved solves its column alone, the distribution's kept, and
// gives the distribution, loading and fit of a Run on a kernel made whole, bit for bit; with TI
// and RI noise, so that the kept normal equations are brought up to date under the centring.
TEST_F(DiscreteComponent, RunAfterTheComponentMovedEqualsARunOnANewKernel) {
    ModelChoice::csDiscreteSD = true;
    ModelChoice::fitTINoise = ModelChoice::fitRINoise = true;
    C::calledFromFit = true; // the noise stays in the data between the Runs
    ASSERT_TRUE(RunContiSed(nullptr, SilentObserver())) << TakeErrorBoxText();
    struct Move {
        const char* name;
        float s, d;
    } moves[] = {{"s", 1.1f, C::discreteD}, {"D", 1.1f, 0.8f * C::discreteD}};
    for (const Move& m : moves) {
        const unsigned long generation = gContiKernel.Generation();
        C::discreteS = m.s;
        C::discreteD = m.d;
        ASSERT_TRUE(RunContiSed(nullptr, SilentObserver())) << m.name << ": " << TakeErrorBoxText();
        ASSERT_EQ(gContiKernel.Generation(), generation) << m.name << ": the kernel was kept";
        const int n = C::gridPoints;
        const std::vector<float> kept(C::distribution + 1, C::distribution + n + 1);
        const float keptLoading = C::discreteLoading;
        const std::vector<float> keptFit = store.fit[4];
        gContiKernel.Free();
        ASSERT_TRUE(RunContiSed(nullptr, SilentObserver())) << m.name << ": " << TakeErrorBoxText();
        EXPECT_EQ(std::vector<float>(C::distribution + 1, C::distribution + n + 1), kept) << m.name;
        EXPECT_EQ(C::discreteLoading, keptLoading) << m.name;
        EXPECT_EQ(store.fit[4], keptFit) << m.name;
    }
    C::calledFromFit = false;
}

// The replicates scatter around the whole model, the component included, and are solved with its
// column beside the distribution: each replicate keeps the large species' area.
TEST_F(DiscreteComponent, MonteCarloReplicatesKeepTheComponentOutOfTheDistribution) {
    ModelChoice::csDiscreteSD = true;
    ASSERT_TRUE(RunContiSed(nullptr, SilentObserver())) << TakeErrorBoxText();
    ASSERT_TRUE(RunMonteCarloDistributions(nullptr, SilentObserver(), 4, 0.68f, "", false))
        << TakeErrorBoxText();
    ASSERT_EQ(MonteCarloState::replicates.size(), 4u);
    for (const std::vector<float>& r : MonteCarloState::replicates) {
        double area = 0.0;
        for (int p = 1; p < C::gridPoints; ++p)
            area += 0.5 * (r[p] + r[p + 1]) * (C::sValues[p + 1] - C::sValues[p]);
        EXPECT_NEAR(area, kBigLoading, 0.04 * kBigLoading);
    }
    FinishMonteCarlo(nullptr);
}

// ls-g*(s) with its discrete Lamm component: non-diffusing boundaries for a species that does not
// spread, the Lamm solution for the small one beside it.
TEST_F(DiscreteComponent, LsGStarWithTheLammComponentFindsBoth) {
    store.Fill({{4.0, 1.0, kBigLoading, 0.0}, {kSmallS, 1.0, kSmallLoading, kSmallD}}, {}, {},
               0.003, 13);
    ModelChoice::contiCs = ModelChoice::lsgDiscrete = true;
    ModelChoice::equilibriumMs = false;
    C::maxEntRegularization = false;
    C::secondDerivativeRegularization = true;
    C::rangeMin = 2.0f;
    C::rangeMax = 8.0f;
    C::resolution = 61.0f;
    ASSERT_EQ(CurrentContiVariant(), ContiVariant::LsGStar);
    ASSERT_TRUE(RunContiSed(nullptr, SilentObserver())) << TakeErrorBoxText();
    EXPECT_NEAR(C::discreteLoading, kSmallLoading, 0.03 * kSmallLoading);
    float area = 0, sw = 0;
    IntegrateDistribution(3.0f, 5.0f, &area, &sw, nullptr, nullptr);
    EXPECT_NEAR(area, kBigLoading, 0.03 * kBigLoading);
    EXPECT_NEAR(sw, 4.0, 0.02 * 4.0);
}

TEST_F(DiscreteComponent, SizeAndShapeWithTheComponentFindsBoth) {
    ModelChoice::csFf0Discrete = true;
    ModelChoice::equilibriumMs = false; // the component given by s and D
    SizeShapeState::ff0Min = 1.0f;
    SizeShapeState::ff0Max = 2.2f;
    SizeShapeState::ff0Points = FullOrUnderRaceChecker(7, 5);
    C::resolution = 21.0f;
    ASSERT_TRUE(RunSizeShapeDistribution(nullptr, SilentObserver())) << TakeErrorBoxText();
    EXPECT_NEAR(C::discreteLoading, kSmallLoading, 0.04 * kSmallLoading);
    EXPECT_NEAR(IntegrateSizeShape(-1e9, 1e9, 0.0, 1e9), kBigLoading, 0.04 * kBigLoading);
    EXPECT_NEAR(SizeShapeState::fw, 1.25, 0.15);
    // Its Fit moves the component's s like the c(s) Fit does.
    C::discreteS = 1.0f;
    C::discreteSFloat = 1;
    ASSERT_TRUE(ContiFit(nullptr, SilentObserver())) << TakeErrorBoxText();
    EXPECT_NEAR(C::discreteS, kSmallS, 0.04 * kSmallS);
    EXPECT_NEAR(C::discreteLoading, kSmallLoading, 0.04 * kSmallLoading);
}

TEST_F(DiscreteComponent, ImpossibleComponentsAreRefusedAndKeepThePreviousResult) {
    ModelChoice::csDiscreteMs = true;
    ASSERT_TRUE(RunContiSed(nullptr, SilentObserver())) << TakeErrorBoxText();
    const std::vector<float> previous(C::distribution + 1, C::distribution + 1 + C::gridPoints);
    const float loading = C::discreteLoading;
    const unsigned long kernel = gContiKernel.Generation();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        const char* name;
        bool byMass;
        std::function<void()> spoil;
        const char* text;
    } cases[] = {
        {"M = 0", true, [] { C::discreteM = 0.0f; },
         "The discrete component's molar mass 0 Da is impossible: it must be a positive finite "
         "number."},
        {"M not a number", true, [nan] { C::discreteM = nan; },
         "The discrete component's molar mass nan Da is impossible: it must be a positive finite "
         "number."},
        {"negative D", false, [] { C::discreteD = -2.0f; },
         "The discrete component's diffusion coefficient -2 (1e-7 cm^2/s) is impossible: it "
         "must be a positive finite number."},
        {"infinite s", true, [] { C::discreteS = std::numeric_limits<float>::infinity(); },
         "The discrete component's s = inf S cannot be computed: it must be a finite number "
         "between -1e+06 and 1e+06 S."},
    };
    for (const Case& c : cases) {
        const float m = C::discreteM, d = C::discreteD, s = C::discreteS;
        ModelChoice::csDiscreteMs = c.byMass;
        ModelChoice::csDiscreteSD = !c.byMass;
        c.spoil();
        script.expectBox().caption("Error").text(c.text).answer(IDOK);
        EXPECT_FALSE(RunContiSed(nullptr, SilentObserver())) << c.name;
        EXPECT_TRUE(script.done()) << c.name << "\n" << script.logText();
        EXPECT_EQ(std::vector<float>(C::distribution + 1, C::distribution + 1 + C::gridPoints),
                  previous)
            << c.name;
        EXPECT_EQ(C::discreteLoading, loading) << c.name;
        EXPECT_EQ(gContiKernel.Generation(), kernel) << c.name << ": nothing computed";
        C::discreteM = m, C::discreteD = d, C::discreteS = s;
    }
    TakeErrorBoxes();
}

namespace {

// Sixty boundaries of one width, 2.5 radii apart, as the distribution, and a broader discrete
// boundary among them; data of the given amplitudes over 200 radii with seeded noise.
ContiNormalEquations BoundariesBesideADiscreteOne(const std::vector<double>& truth) {
    constexpr int kPoints = 200, kColumns = 61;
    std::vector<std::vector<double>> k(kColumns + 1, std::vector<double>(kPoints));
    for (int p = 1; p <= kColumns; ++p)
        for (int i = 0; i < kPoints; ++i) {
            const bool discrete = p == kColumns;
            const double centre = discrete ? 90.0 : 25.0 + 2.5 * (p - 1);
            k[p][i] = 0.5 * std::erfc((i - centre) / (discrete ? 25.0 : 8.0));
        }
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0.0, 0.005);
    std::vector<double> y(kPoints);
    for (int i = 0; i < kPoints; ++i) {
        y[i] = noise(random);
        for (int p = 1; p <= kColumns; ++p)
            y[i] += truth[p] * k[p][i];
    }
    ContiNormalEquations eq;
    eq.A.Resize(kColumns);
    eq.b.assign(kColumns + 1, 0.0);
    for (int i = 0; i < kPoints; ++i) {
        eq.yy += y[i] * y[i];
        for (int p = 1; p <= kColumns; ++p) {
            eq.b[p] += k[p][i] * y[i];
            for (int q = 1; q <= kColumns; ++q)
                eq.A(p, q) += k[p][i] * k[q][i];
        }
    }
    eq.discreteColumns = 1;
    return eq;
}

} // namespace

// A weak entropy started from a smooth distribution with a little of the discrete species, on
// data that hold none of it, comes down to the unregularized fit and leaves the species out:
// the discrete amplitude, which no entropy keeps off zero, once took every Newton step through
// zero, and the steps clipped there stopped far above the least-squares chi-square.
TEST(DiscreteComponentRegularization, WeakEntropyReachesTheUnregularizedFit) {
    std::vector<double> truth(62, 0.0);
    truth[20] = 0.4;
    truth[21] = 0.6;
    truth[22] = 0.4;
    const ContiNormalEquations eq = BoundariesBesideADiscreteOne(truth);
    ContiRegularizedSolution nnls;
    ASSERT_EQ(RegularizeDistribution(eq, ContiRegularizationKind::MaximumEntropy, 0.5, 100.0, nnls),
              AnalysisFailure::None);
    for (const double alpha : {1e-6, 1e-8}) {
        const std::vector<double> m(62, 0.02);
        std::vector<double> start(62, 0.02), c;
        start[61] = 0.05;
        ASSERT_EQ(SolveMaximumEntropy(eq, alpha, m, start, c), AnalysisFailure::None);
        EXPECT_LT(eq.ChiSquare(c) / nnls.chiSquare0, 1.05) << alpha;
        EXPECT_LT(c[61], 0.01) << alpha;
    }
}
