// The equilibrium fit on data of known truth: mass conservation of the profile, recovery of the
// buoyant molar mass from three speeds with every optimiser, the fit driver's abort, bounds and
// saved result, and a confidence limit that contains the truth.
#include "fitting/equilibrium_fit.h"
#include "fitting/error_analysis.h"
#include "fitting/fit_driver.h"
#include "fitting/optim_ml.h"
#include "foundations/physical_constants.h"
#include "plat/msgbox.hpp"
#include "plat/testing.hpp"
#include "scandata/common_grid.h"
#include "scandata/fit_limits.h"
#include "scandata/scan_header.h"
#include "scandata/scan_store_alloc.h"
#include "state/fit_control.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/realtime_state.h"
#include "state/run_switches.h"
#include "state/serial_fit_state.h"
#include "support/equilibrium_scan_set.h"
#include "support/optimiser_cases.h"
#include "support/reset_all_state.h"
#include "support/temp_folder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

using M = ModelParameters;
constexpr double kMb = 20000.0, kLoading = 0.5, kMeniscus = 6.9, kBottom = 7.2;
const float* const kSpeeds = kEquilibriumSpeeds;

void LoadThreeSpeeds(double noise, unsigned seed = 7) {
    EquilibriumSet set;
    set.noise = noise;
    set.seed = seed;
    LoadEquilibriumSet(set);
}

class EquilibriumFit : public ::testing::Test {
  protected:
    void SetUp() override { ResetAllState(); }
    void TearDown() override { ResetAllState(); }
};

TEST_F(EquilibriumFit, ProfileConservesTheLoadedMass) {
    for (double sigma : {0.0, 1.0, 5.0, 20.0, -3.0}) {
        // Simpson's rule on 20000 intervals of the column 6.0 .. 7.2 cm.
        const double m = 6.0, b = 7.2, loading = 0.7;
        const int n = 20000;
        const double h = (b - m) / n;
        double sum = 0.0;
        for (int i = 0; i <= n; ++i) {
            const double r = m + i * h;
            const double w = i == 0 || i == n ? 1 : (i % 2 ? 4 : 2);
            sum += w * EquilibriumConcentration(sigma, loading, r, m, b) * r;
        }
        const double mass = sum * h / 3.0, expected = loading * (b * b - m * m) / 2.0;
        EXPECT_NEAR(mass / expected, 1.0, 1e-4) << "sigma " << sigma << " tolerance 1e-4";
        const double ratio = EquilibriumConcentration(sigma, loading, b, m, b) /
                             EquilibriumConcentration(sigma, loading, m, m, b);
        EXPECT_NEAR(std::log(ratio), sigma * (b * b - m * m) / 2.0, 1e-9) << sigma;
    }
    // Each scan gets the profile of its own speed, zero outside the column.
    LoadThreeSpeeds(0.0);
    M::meniscus = 6.95f;
    ASSERT_TRUE(FillEquilibriumKernel(kMb, kLoading));
    for (int k = 1; k <= 3; ++k) {
        const double sigma = EquilibriumSigma(kMb, kSpeeds[k - 1], 20.0);
        EXPECT_EQ(ScanStore::fit[k][1], 0.0f);
        const int i = 100;
        EXPECT_NEAR(
            ScanStore::fit[k][i],
            EquilibriumConcentration(sigma, kLoading, ScanStore::radius[k][i], 6.95f, kBottom),
            1e-5 * ScanStore::fit[k][i]);
    }
    M::meniscus = 0.0f; // meniscus unset: refused, nothing added
    EXPECT_FALSE(FillEquilibriumKernel(kMb, kLoading));
}

TEST_F(EquilibriumFit, EveryOptimiserRecoversTheBuoyantMassFromThreeSpeeds) {
    for (const OptimiserCase& c : kEveryOptimiser) {
        ResetAllState();
        LoadThreeSpeeds(0.005);
        FitControl::simplex = c.simplex;
        FitControl::simulatedAnnealing = c.annealing;
        FitControl::marquardtLevenberg = c.ml;
        FitControl::annealingIterations = 100;
        FitControl::annealingSteps = 4;
        EXPECT_EQ(RunFitWith(nullptr, SilentObserver(), CurrentModelEvaluator(), false),
                  FitOutcome::Completed);
        EXPECT_NEAR(M::speciesDOrM[1] / kMb, 1.0, 0.01) << c.name << " tolerance 1%";
        EXPECT_NEAR(M::concentration[1] / kLoading, 1.0, 0.01) << c.name;
        EXPECT_NEAR(FitControl::bestRmsd, 0.005, 0.0005) << c.name;
        EXPECT_FLOAT_EQ(FitControl::bestRmsd, CalcFitRmsd()) << c.name;
        EXPECT_FALSE(FitControl::fitInProgress);
    }
}

TEST_F(EquilibriumFit, LinearParametersAndSystematicNoiseAreSolvedInsideEachEvaluation) {
    // Scan offsets (radially invariant noise) on top of the noisy profiles; each switch set
    // recovers Mb within 1% and, where the loading is a linear amplitude, the loading within 1%.
    struct Case {
        const char* name;
        bool ti, ri, amplitudes;
        float offsets[3];
    } cases[] = {
        {"baseline only", false, false, false, {0.0f, 0.0f, 0.0f}},
        {"time- and radially invariant noise", true, true, false, {0.02f, -0.03f, 0.05f}},
        {"linear amplitudes with scan offsets", false, true, true, {0.02f, -0.03f, 0.05f}}};
    for (const Case& c : cases) {
        ResetAllState();
        LoadThreeSpeeds(0.005);
        for (int k = 1; k <= 3; ++k)
            for (int i = 1; i <= ScanStore::pointCount[k]; ++i)
                ScanStore::signal[k][i] += c.offsets[k - 1];
        ModelChoice::fitTINoise = c.ti;
        ModelChoice::fitRINoise = c.ri;
        ModelChoice::linearAmplitudes = c.amplitudes;
        if (c.ti || c.ri || c.amplitudes) {
            M::baselineFloat = 0;
            BuildCommonRadialGrid();
        }
        EXPECT_EQ(RunFitWith(nullptr, SilentObserver(), CurrentModelEvaluator(), false),
                  FitOutcome::Completed)
            << c.name;
        EXPECT_NEAR(M::speciesDOrM[1] / kMb, 1.0, 0.01) << c.name << " tolerance 1%";
        if (!c.ti) { // with time-invariant noise the loading trades against that noise
            EXPECT_NEAR(M::concentration[1] / kLoading, 1.0, 0.01) << c.name;
        }
        EXPECT_LT(FitControl::bestRmsd, 0.0056) << c.name;
    }
    // Noise switched on without a common grid: nothing can be evaluated.
    ResetAllState();
    LoadThreeSpeeds(0.005);
    ModelChoice::fitRINoise = true;
    EXPECT_FALSE(EvaluateEquilibriumModel(nullptr));
}

TEST_F(EquilibriumFit, AKeyPressStopsTheFitWithTheBestOfItsEvaluations) {
    TempFolder folder;
    ScanPaths::gDataPath = folder.file("~tmppars.RA1");
    LoadThreeSpeeds(0.005);
    struct Seen {
        float mb, c, baseline;
        float rmsd;
    };
    static std::vector<Seen> seen;
    seen.clear();
    // The solvers' own key polling raises gUserInterrupt during the 5th evaluation.
    const ModelEvaluator evaluate = [](TXLAWindow* w) {
        const bool computed = EvaluateEquilibriumModel(w);
        seen.push_back({M::speciesDOrM[1], M::concentration[1], M::baseline, CalcFitRmsd()});
        if (seen.size() == 5)
            gUserInterrupt = true;
        return computed;
    };
    EXPECT_EQ(RunFitWith(nullptr, SilentObserver(), evaluate), FitOutcome::Aborted);
    // Five trials, then the kept vector once more, so the fit shown is the one of the values kept.
    ASSERT_EQ(seen.size(), 6u);
    EXPECT_TRUE(FitControl::fitAborted);
    EXPECT_TRUE(SerialFitState::stopRequested);
    EXPECT_TRUE(RealtimeState::stopRequested);
    EXPECT_FALSE(FitControl::fitInProgress);
    EXPECT_TRUE(ReadTextFile(ScanPaths::gDataPath).empty()); // no saved result
    std::size_t best = 0;
    for (std::size_t i = 1; i < 5; ++i)
        if (seen[i].rmsd < seen[best].rmsd)
            best = i;
    EXPECT_EQ(M::speciesDOrM[1], seen[best].mb);
    EXPECT_EQ(M::concentration[1], seen[best].c);
    EXPECT_EQ(M::baseline, seen[best].baseline);
    EXPECT_EQ(seen[5].mb, seen[best].mb);
    EXPECT_FLOAT_EQ(seen[5].rmsd, seen[best].rmsd);
    EXPECT_FLOAT_EQ(FitControl::bestRmsd, seen[best].rmsd);

    // Without a key the same fit completes and saves its result.
    ResetAllState();
    ScanPaths::gDataPath = folder.file("~tmppars.RA1");
    LoadThreeSpeeds(0.005);
    EXPECT_EQ(RunFitWith(nullptr, SilentObserver(), CurrentModelEvaluator()),
              FitOutcome::Completed);
    EXPECT_FALSE(FitControl::fitAborted);
    EXPECT_FALSE(ReadTextFile(ScanPaths::gDataPath).empty());
}

TEST_F(EquilibriumFit, DriverRefusalsAndBounds) {
    // No scans: the box, nothing else.
    {
        plat::test::Script script;
        script.expectBox().text("please load data first").answer(1);
        EXPECT_EQ(RunFitWith(nullptr, SilentObserver(), CurrentModelEvaluator()),
                  FitOutcome::NoScans);
        EXPECT_TRUE(script.done());
        EXPECT_FALSE(FitControl::fitInProgress);
    }
    // A floated meniscus with its maximum below the truth ends exactly on the maximum (the
    // loading held: with it floated the meniscus only scales the profile).
    LoadThreeSpeeds(0.002);
    M::concentration[1] = static_cast<float>(kLoading);
    M::concentrationFloat[1] = 0;
    M::meniscus = 6.895f;
    M::meniscusFloat = 1;
    FitControl::meniscusMin = 6.85f;
    FitControl::meniscusMax = 6.895f;
    EXPECT_EQ(RunFitWith(nullptr, SilentObserver(), CurrentModelEvaluator(), false),
              FitOutcome::Completed);
    EXPECT_EQ(M::meniscus, 6.895f);
    // Slots of excluded species and linear loadings are not moved.
    M::speciesDOrMFloat[2] = 1;
    M::speciesOn[2] = 0;
    M::concentrationFloat[1] = 1;
    PackFitParameters();
    EXPECT_EQ(FreeFitSlots(), (std::vector<int>{1, 9, 13, 15}));
    ModelChoice::linearAmplitudes = true;
    EXPECT_EQ(FreeFitSlots(), (std::vector<int>{1, 13, 15}));
}

TEST_F(EquilibriumFit, AFloatedParameterWithoutEffectEndsWithItsMessageOrCode) {
    // s means nothing at equilibrium: the ML fit reports it once (a box, or code 9 in a batch),
    // holds it and still fits the rest; the simplex simply carries it along.
    struct Case {
        bool batch, ml;
        int code;
    } cases[] = {{true, true, 9}, {false, true, 0}, {true, false, 0}};
    for (const Case& c : cases) {
        ResetAllState();
        LoadThreeSpeeds(0.005);
        M::speciesS[1] = 4.0f;
        M::speciesSFloat[1] = 1;
        SerialFitState::serializing = c.batch;
        FitControl::marquardtLevenberg = c.ml;
        FitControl::simplex = !c.ml;
        plat::test::Script script;
        if (!c.batch && c.ml)
            script.expectBox().caption("Error").text("zero differential in mlcof").answer(IDOK);
        EXPECT_EQ(RunFitWith(nullptr, SilentObserver(), CurrentModelEvaluator(), false),
                  FitOutcome::Completed);
        EXPECT_TRUE(script.done()) << script.logText();
        EXPECT_EQ(SerialFitState::errorCode, c.code);
        EXPECT_TRUE(std::isfinite(M::speciesS[1]));
        EXPECT_NEAR(M::speciesDOrM[1] / kMb, 1.0, 0.01);
        EXPECT_NEAR(FitControl::bestRmsd, 0.005, 0.0005);
    }
}

TEST_F(EquilibriumFit, ConfidenceLimitContainsTheTruth) {
    // A 95% interval: over ten noise draws at least eight contain the truth, and each is as wide
    // as the curvature at the optimum says (1.96 standard errors) within a factor 2.
    int containing = 0;
    for (unsigned seed = 1; seed <= 10; ++seed) {
        ResetAllState();
        LoadThreeSpeeds(0.005, seed);
        FitControl::marquardtLevenberg = true;
        FitControl::simplex = false;
        ASSERT_EQ(RunFitWith(nullptr, SilentObserver(), CurrentModelEvaluator(), false),
                  FitOutcome::Completed);
        const float mb = M::speciesDOrM[1], best = FitControl::bestRmsd;
        // Standard error of Mb from the curvature (own objective over the same model).
        FitObjective f;
        f.evaluate = [](const double* p, std::vector<double>* r) {
            M::speciesDOrM[1] = static_cast<float>(p[1]);
            M::concentration[1] = static_cast<float>(p[2]);
            M::baseline = static_cast<float>(p[3]);
            EvaluateEquilibriumModel(nullptr);
            std::vector<double> local;
            std::vector<double>& res = r ? *r : local;
            FitResiduals(res);
            double s = 0;
            for (double d : res)
                s += d * d;
            return s / res.size();
        };
        double p[4] = {0, mb, M::concentration[1], M::baseline};
        OptimControl control;
        const MLResult ml = MLOptimize(p, 3, f, MLOptions{1e-6, 20}, {}, control);
        ASSERT_GT(ml.standardError[1], 0.0);
        M::speciesDOrM[1] = mb;
        M::concentration[1] = static_cast<float>(p[2]);
        M::baseline = static_cast<float>(p[3]);
        // rmsd^2 may rise by 3.84 residual variances over all points.
        const int n = 3 * 148;
        const float critical = best * std::sqrt(1.0f + 3.84f / (n - 3));
        float lo = 0, hi = 0;
        EXPECT_TRUE(FindConfidenceLimitM(nullptr, SilentObserver(), 20.0f, critical, &lo, &hi));
        if (lo < kMb && hi > kMb)
            ++containing;
        const double half = 0.5 * (hi - lo), se = 1.96 * ml.standardError[1];
        EXPECT_GT(half, 0.5 * se) << "seed " << seed << ": " << half << " vs " << se;
        EXPECT_LT(half, 2.0 * se) << "seed " << seed << ": " << half << " vs " << se;
        EXPECT_EQ(M::speciesDOrM[1], mb); // the best fit is back
        EXPECT_EQ(M::speciesDOrMFloat[1], 1);
        EXPECT_FLOAT_EQ(FitControl::bestRmsd, best);
    }
    EXPECT_GE(containing, 8);
}

TEST_F(EquilibriumFit, ErrorSurfaceWritesTheGrid) {
    TempFolder folder;
    LoadThreeSpeeds(0.005);
    M::speciesSFloat[1] = 0;
    const SurfaceAxis x{kSlotDOrM1, 19000.0f, 21000.0f, 1000.0f};
    const SurfaceAxis y{9, 0.45f, 0.55f, 0.05f};
    ASSERT_TRUE(
        ScanErrorSurface(nullptr, SilentObserver(), folder.file("contour.dat"), x, &y, 0.0f, 0, 0));
    const std::string text = ReadTextFile(folder.file("contour.dat"));
    std::istringstream in(text);
    std::string line;
    int points = 0, blanks = 0;
    double minRmsd = 1e9, atTruth = 0;
    while (std::getline(in, line)) {
        if (line.empty()) {
            ++blanks;
            continue;
        }
        double a, b, r;
        ASSERT_EQ(std::sscanf(line.c_str(), "%lf %lf %lf", &a, &b, &r), 3) << line;
        ++points;
        minRmsd = std::min(minRmsd, r);
        if (a == 20000.0 && std::fabs(b - 0.5) < 1e-6)
            atTruth = r;
    }
    EXPECT_EQ(points, 9) << text;
    EXPECT_EQ(blanks, 3);
    EXPECT_EQ(atTruth, minRmsd) << text; // the grid point at the truth fits best
    // A contour level keeps the points at or below it; a wrong increment writes nothing.
    ASSERT_TRUE(ScanErrorSurface(nullptr, SilentObserver(), folder.file("c2.dat"), x, &y,
                                 float(minRmsd), 0, 0));
    const std::string kept = ReadTextFile(folder.file("c2.dat"));
    EXPECT_EQ(std::count(kept.begin(), kept.end(), 'e'), 3) << kept; // one line: three "%e"
    EXPECT_FALSE(ScanErrorSurface(nullptr, SilentObserver(), folder.file("c3.dat"),
                                  {1, 2.0f, 1.0f, 0.5f}, &y, 0, 0, 0));
    EXPECT_EQ(SurfaceAxisCount({1, 2.0f, 1.0f, 0.5f}), 0);
    EXPECT_EQ(SurfaceAxisCount({1, 2.0f, 2.0f, -1.0f}), 1);
    EXPECT_EQ(SurfaceAxisCount({1, 1.0f, 2.0f, 0.25f}), 5);
    // Axes of more points than an int counts are refused, not converted past its range.
    EXPECT_EQ(SurfaceAxisCount({1, 0.0f, 1e30f, 1e-30f}), 0);
    EXPECT_EQ(SurfaceAxisCount({1, -1e38f, 1e38f, 1e-38f}), 0);
}

} // namespace

// Two species: the first slot holds the total loading, the second its fraction, so the model is
// the sum of the two alone at 0.7 and 0.3 of the total (the profiles are linear in the loading).
TEST_F(EquilibriumFit, TwoSpeciesShareTheTotalLoadingByTheirFractions) {
    auto fits = [](bool both, double mass, float concentration) {
        LoadThreeSpeeds(0.0);
        M::baseline = 0.0f;
        M::speciesOn[2] = both;
        M::speciesDOrM[1] = float(mass);
        M::speciesDOrM[2] = float(2.0 * kMb);
        M::concentration[1] = concentration;
        M::concentration[2] = 0.3f;
        EXPECT_TRUE(EvaluateEquilibriumModel(nullptr));
        std::vector<std::vector<float>> out;
        for (int k = 1; k <= 3; ++k)
            out.emplace_back(ScanStore::fit[k] + 1,
                             ScanStore::fit[k] + 1 + ScanStore::pointCount[k]);
        return out;
    };
    const auto first = fits(false, kMb, 0.7f), second = fits(false, 2.0 * kMb, 0.3f);
    const auto both = fits(true, kMb, 1.0f);
    EXPECT_FLOAT_EQ(M::speciesLoading[1], 0.7f);
    EXPECT_FLOAT_EQ(M::speciesLoading[2], 0.3f);
    for (std::size_t k = 0; k < 3; ++k)
        for (std::size_t i = 0; i < both[k].size(); i += 10)
            ASSERT_NEAR(both[k][i], first[k][i] + second[k][i], 1e-5 * (1.0 + both[k][i]))
                << "scan " << k + 1 << " point " << i + 1;
}
