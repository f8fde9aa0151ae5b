// The optimisers alone on objectives of known minimum: the banana valley, the simplex move's
// invariants, reproducible annealing, the abort after a given evaluation, and the failure codes
// a batch stores instead of its boxes.
#include "fitting/optim_ml.h"
#include "fitting/optim_simplex.h"
#include "plat/testing.hpp"
#include "state/fit_control.h"
#include "state/serial_fit_state.h"
#include "support/reset_all_state.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace {

// Rosenbrock's valley as residuals 10 (y - x^2) and 1 - x; minimum 0 at (1, 1).
FitObjective Banana() {
    FitObjective f;
    f.evaluate = [](const double* p, std::vector<double>* r) {
        const double r1 = 10.0 * (p[2] - p[1] * p[1]), r2 = 1.0 - p[1];
        if (r)
            *r = {r1, r2};
        return 0.5 * (r1 * r1 + r2 * r2);
    };
    return f;
}

class Optimisers : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetAllState();
        control.stop = [] { return FitControl::fitAborted; };
    }
    void TearDown() override { ResetAllState(); }
    // As a fit driver hands it over: stopped by the flag its key poll raises.
    OptimControl control;
};

TEST_F(Optimisers, ReachTheBananaMinimum) {
    struct Case {
        const char* name;
        int kind; // 0 simplex, 1 ML, 2 annealing then ML
    } cases[] = {{"simplex", 0}, {"ML", 1}, {"annealing + ML", 2}};
    for (const Case& c : cases) {
        ResetAllState();
        double p[3] = {0.0, -1.2, 1.0};
        const FitObjective f = Banana();
        OptimResult r;
        if (c.kind == 0)
            r = SimplexOptimize(p, 2, f, SimplexOptions{}, {}, control);
        if (c.kind == 2) {
            AnnealingOptions a;
            a.iterationsPerStep = 100;
            AnnealingOptimize(p, 2, f, a, {}, control);
        }
        if (c.kind >= 1)
            r = MLOptimize(p, 2, f, MLOptions{1e-9, 200}, {}, control);
        EXPECT_EQ(r.status, OptimStatus::Converged) << c.name;
        EXPECT_NEAR(p[1], 1.0, 1e-4) << c.name << " tolerance 1e-4";
        EXPECT_NEAR(p[2], 1.0, 1e-4) << c.name << " tolerance 1e-4";
        EXPECT_LT(r.value, 1e-8) << c.name;
    }
}

TEST_F(Optimisers, NelderMeadTryReplacesOnlyABetterPointAndKeepsTheSums) {
    const int n = 3;
    std::mt19937 gen(11);
    std::uniform_real_distribution<double> u(-2.0, 2.0);
    FitObjective f;
    f.evaluate = [](const double* p, std::vector<double>*) {
        return (p[1] - 1) * (p[1] - 1) + 3 * (p[2] + 0.5) * (p[2] + 0.5) +
               p[3] * p[3] * p[3] * p[3];
    };
    std::vector<double> block((n + 2) * (n + 1));
    std::vector<double*> p(n + 2);
    for (int i = 0; i <= n + 1; ++i)
        p[i] = &block[i * (n + 1)];
    std::vector<double> y(n + 2), psum(n + 1, 0.0);
    for (int i = 1; i <= n + 1; ++i) {
        for (int j = 1; j <= n; ++j)
            p[i][j] = u(gen);
        y[i] = f(p[i]);
    }
    for (int j = 1; j <= n; ++j)
        for (int i = 1; i <= n + 1; ++i)
            psum[j] += p[i][j];
    const double factors[] = {-1.0, 2.0, 0.5, -0.5, 1.5};
    int replaced = 0;
    for (int step = 0; step < 300; ++step) {
        const int worst = 1 + step % (n + 1);
        const double before = y[worst];
        const std::vector<double> vertex(p[worst], p[worst] + n + 1);
        const float ytry =
            NelderMeadTry(nullptr, p.data(), y.data(), psum.data(), n, f, worst, factors[step % 5]);
        if (ytry < before) {
            ++replaced;
            EXPECT_FLOAT_EQ(static_cast<float>(y[worst]), ytry);
            EXPECT_NEAR(f(p[worst]), ytry, 1e-6 * (1 + std::fabs(ytry)));
        } else {
            EXPECT_EQ(y[worst], before) << step;
            for (int j = 1; j <= n; ++j)
                EXPECT_EQ(p[worst][j], vertex[j]) << step;
        }
        for (int j = 1; j <= n; ++j) {
            double sum = 0.0;
            for (int i = 1; i <= n + 1; ++i)
                sum += p[i][j];
            EXPECT_NEAR(psum[j], sum, 1e-12) << "step " << step << " column " << j;
        }
    }
    EXPECT_GT(replaced, 20); // both branches were exercised
    EXPECT_LT(replaced, 300);
}

TEST_F(Optimisers, AnnealingRepeatsItselfExactly) {
    std::vector<double> runs[2];
    for (auto& out : runs) {
        ResetAllState();
        double p[3] = {0.0, -1.2, 1.0};
        AnnealingOptions a;
        a.iterationsPerStep = 60;
        const OptimResult r = AnnealingOptimize(p, 2, Banana(), a, {}, control);
        out = {p[1], p[2], r.value, static_cast<double>(r.evaluations)};
    }
    EXPECT_EQ(runs[0], runs[1]);
    EXPECT_EQ(FitControl::annealingTemperature, 2.0f);    // back at the start for the next fit
    EXPECT_LT(runs[0][2], 0.5 * (4.84 * 100 + 4.84) / 2); // it went downhill from the start
}

TEST_F(Optimisers, AKeyPressAfterTheFifthEvaluationKeepsTheBestOfTheFive) {
    for (int kind = 0; kind < 3; ++kind) {
        ResetAllState();
        std::vector<std::vector<double>> seen;
        std::vector<double> values;
        FitObjective f;
        f.evaluate = [&](const double* p, std::vector<double>* r) {
            seen.push_back({p[1], p[2], p[3]});
            const double v = (p[1] - 2) * (p[1] - 2) + (p[2] - 3) * (p[2] - 3) + p[3] * p[3] + 1;
            values.push_back(v);
            if (r)
                *r = {p[1] - 2, p[2] - 3, p[3], 1.0};
            if (seen.size() == 5)
                FitControl::fitAborted = true; // the driver's key poll after the 5th evaluation
            return v;
        };
        double p[4] = {0.0, 1.0, 1.0, 1.0};
        OptimResult r;
        if (kind == 0)
            r = SimplexOptimize(p, 3, f, SimplexOptions{}, {}, control);
        else if (kind == 1)
            r = AnnealingOptimize(p, 3, f, AnnealingOptions{}, {}, control);
        else
            r = MLOptimize(p, 3, f, MLOptions{}, {}, control);
        ASSERT_EQ(seen.size(), 5u) << kind;
        EXPECT_EQ(r.status, OptimStatus::Aborted) << kind;
        std::size_t best = 0;
        for (std::size_t i = 1; i < values.size(); ++i)
            if (values[i] < values[best])
                best = i;
        EXPECT_EQ(p[1], seen[best][0]) << kind;
        EXPECT_EQ(p[2], seen[best][1]) << kind;
        EXPECT_EQ(p[3], seen[best][2]) << kind;
    }
}

TEST_F(Optimisers, FailuresGiveBoxesOrTheBatchCodes) {
    // Parameter 2 has no effect on the residuals; the simplex gets only 10 evaluations.
    FitObjective flat;
    flat.evaluate = [](const double* p, std::vector<double>* r) {
        if (r)
            *r = {p[1] - 1.0, 0.1 * (p[1] - 1.0) + 0.2};
        return ((p[1] - 1) * (p[1] - 1) + std::pow(0.1 * (p[1] - 1) + 0.2, 2)) / 2;
    };
    struct Case {
        bool batch;
        bool ml;
        const char* text;
        int code;
    } cases[] = {{true, true, "zero differential in mlcof", 9},
                 {true, false, "Nelder-Mead not converged", 10},
                 {false, true, "zero differential in mlcof", 0},
                 {false, false, "Nelder-Mead not converged", 0}};
    for (const Case& c : cases) {
        ResetAllState();
        control = OptimControl{}; // each case a fit of its own: the box comes once per fit
        SerialFitState::serializing = c.batch;
        plat::test::Script script;
        if (!c.batch)
            script.expectBox().caption("Error").text(c.text).answer(1);
        double p[3] = {0.0, 3.0, 5.0};
        if (c.ml) {
            const MLResult r = MLOptimize(p, 2, flat, MLOptions{}, {}, control);
            EXPECT_NEAR(p[1], 0.99, 0.02) << c.text; // the other parameter still fits
            EXPECT_EQ(p[2], 5.0);
            EXPECT_TRUE(std::isfinite(r.value));
        } else {
            SimplexOptions o;
            o.maxEvaluations = 10;
            const OptimResult r = SimplexOptimize(p, 2, flat, o, {}, control);
            EXPECT_EQ(r.status, OptimStatus::NotConverged);
            EXPECT_LE(r.evaluations, 12);
        }
        EXPECT_EQ(SerialFitState::errorCode, c.code) << c.text;
        EXPECT_TRUE(script.done()) << c.text;
    }
}

} // namespace

// A model that clamps its second parameter to [0.5, 1] (as the fit clamps a meniscus to its
// bounds), started on the upper bound. The optimisers once searched the clamped, partly flat
// objective (simplex, annealing) or took its zero derivative at the bound (Levenberg-Marquardt).
TEST_F(Optimisers, StayInTheBoundsAndLeaveABoundTheyStartOn) {
    struct Case {
        const char* name;
        int kind;       // 0 simplex, 1 ML, 2 annealing then ML
        double optimum; // of the second parameter; outside the box the answer is the bound
        double expected;
    } cases[] = {{"simplex, optimum inside", 0, 0.93, 0.93},
                 {"ML, optimum inside", 1, 0.93, 0.93},
                 {"annealing + ML, optimum inside", 2, 0.93, 0.93},
                 {"simplex, optimum beyond the bound", 0, 1.2, 1.0},
                 {"ML, optimum beyond the bound", 1, 1.2, 1.0},
                 {"annealing + ML, optimum beyond the bound", 2, 1.2, 1.0}};
    ParameterBounds bounds;
    bounds.lower = {0.0, -1e300, 0.5};
    bounds.upper = {0.0, 1e300, 1.0};
    for (const Case& c : cases) {
        ResetAllState();
        plat::test::Script script; // no "zero differential in mlcof"
        int outside = 0;
        FitObjective f;
        f.evaluate = [&](const double* p, std::vector<double>* r) {
            if (p[2] < 0.5 || p[2] > 1.0)
                ++outside;
            const double q = std::clamp(p[2], 0.5, 1.0);
            const double r1 = 3.0 * (p[1] - 2.0) + (q - c.optimum), r2 = 4.0 * (q - c.optimum),
                         r3 = 0.1;
            if (r)
                *r = {r1, r2, r3};
            return (r1 * r1 + r2 * r2 + r3 * r3) / 3.0;
        };
        double p[3] = {0.0, 2.4, 1.0};
        if (c.kind == 0)
            SimplexOptimize(p, 2, f, SimplexOptions{1e-12}, bounds, control);
        if (c.kind == 2) {
            AnnealingOptions a;
            a.iterationsPerStep = 60;
            AnnealingOptimize(p, 2, f, a, bounds, control);
        }
        if (c.kind >= 1)
            MLOptimize(p, 2, f, MLOptions{1e-9, 100}, bounds, control);
        EXPECT_EQ(outside, 0) << c.name << ": points evaluated outside the bounds";
        EXPECT_NEAR(p[2], c.expected, 1e-4) << c.name;
        EXPECT_NEAR(p[1], 2.0 - (c.expected - c.optimum) / 3.0, 1e-4) << c.name;
    }
}

// The first Levenberg-Marquardt step of a linear problem whose second parameter would step past
// its bound: that one is pinned on the bound, and the first is solved again with the pinned step's
// coupling taken off, which lands it on its best value for the bound (2 + 0.2 / 3), not beyond.
TEST_F(Optimisers, MLStepSolvesTheOthersWithThePinnedStepTakenOff) {
    FitObjective f;
    f.evaluate = [](const double* p, std::vector<double>* r) {
        const double r1 = 3.0 * (p[1] - 2.0) + (p[2] - 1.2), r2 = 4.0 * (p[2] - 1.2), r3 = 0.1;
        if (r)
            *r = {r1, r2, r3};
        return (r1 * r1 + r2 * r2 + r3 * r3) / 3.0;
    };
    ParameterBounds bounds;
    bounds.lower = {0.0, -1e300, 0.5};
    bounds.upper = {0.0, 1e300, 1.0};
    for (const double start : {0.8, 0.9}) {
        double p[3] = {0.0, 2.4, start};
        MLOptimize(p, 2, f, MLOptions{1e-9, 1}, bounds, control);
        EXPECT_EQ(p[2], 1.0) << "from " << start;
        EXPECT_NEAR(p[1], 2.0 + 0.2 / 3.0, 1e-3) << "from " << start;
    }
}

// Annealing's temperature is relative to the objective: scaled by a power of two (exact in
// floating point) the objective must give the same path, point for point.
TEST_F(Optimisers, AnnealingFollowsTheSamePathWhateverTheScaleOfTheObjective) {
    const double scales[] = {1.0, 4.0, 0.125, 1024.0};
    std::vector<std::vector<double>> paths;
    for (double scale : scales) {
        std::vector<double> path;
        FitObjective f;
        f.evaluate = [&](const double* p, std::vector<double>*) {
            path.insert(path.end(), {p[1], p[2]});
            return scale * Banana()(p);
        };
        double p[3] = {0.0, -1.2, 1.0};
        AnnealingOptions a;
        a.iterationsPerStep = 60;
        AnnealingOptimize(p, 2, f, a, {}, control);
        paths.push_back(path);
    }
    ASSERT_GT(paths[0].size(), 100u);
    for (std::size_t i = 1; i < paths.size(); ++i)
        EXPECT_EQ(paths[i], paths[0]) << "objective times " << scales[i];
}

// The standard errors of Levenberg-Marquardt against the closed form of a straight line:
// sqrt(s^2 (X^T X)^-1) with s^2 = RSS / (N - 2).
TEST_F(Optimisers, MLStandardErrorsOfAStraightLineAreTheClosedForm) {
    struct Case {
        const char* name;
        int points;
        double x0, dx, noise;
        unsigned seed;
    } cases[] = {{"25 points near 0", 25, -1.0, 0.1, 0.05, 3},
                 {"8 points far from 0", 8, 100.0, 2.5, 0.3, 7},
                 {"200 points", 200, 0.0, 0.01, 0.01, 11}};
    for (const Case& c : cases) {
        std::mt19937 gen(c.seed);
        std::normal_distribution<double> noise(0.0, c.noise);
        std::vector<double> x(c.points), y(c.points);
        for (int i = 0; i < c.points; ++i) {
            x[i] = c.x0 + i * c.dx;
            y[i] = 1.5 - 0.7 * x[i] + noise(gen);
        }
        FitObjective f;
        f.evaluate = [&](const double* p, std::vector<double>* r) {
            double ss = 0.0;
            if (r)
                r->resize(x.size());
            for (std::size_t i = 0; i < x.size(); ++i) {
                const double d = y[i] - (p[1] + p[2] * x[i]);
                if (r)
                    (*r)[i] = d;
                ss += d * d;
            }
            return ss / x.size();
        };
        double p[3] = {0.0, 1.0, -0.5};
        const MLResult r = MLOptimize(p, 2, f, MLOptions{1e-12, 50}, {}, control);
        // The closed form: (X^T X)^-1 = [sxx, -sx; -sx, n] / (n sxx - sx^2).
        const double n = c.points;
        double sx = 0.0, sxx = 0.0, rss = 0.0;
        for (int i = 0; i < c.points; ++i) {
            sx += x[i];
            sxx += x[i] * x[i];
            rss += std::pow(y[i] - (p[1] + p[2] * x[i]), 2);
        }
        const double s2 = rss / (n - 2.0), det = n * sxx - sx * sx;
        const double se[3] = {0.0, std::sqrt(s2 * sxx / det), std::sqrt(s2 * n / det)};
        ASSERT_EQ(r.standardError.size(), 3u) << c.name;
        for (int k = 1; k <= 2; ++k)
            EXPECT_NEAR(r.standardError[k] / se[k], 1.0, 1e-4)
                << c.name << ": parameter " << k << " " << r.standardError[k] << " vs " << se[k];
    }
}

// Levenberg-Marquardt stops after two quiet steps in a row, not one: with every step quiet (a
// tolerance above any relative change), Newton's root of p^2 = 4 from 3 is taken twice, the
// closed form p = 3 - 5/6 and then p - (p^2 - 4) / 2p = 2.00641.
TEST_F(Optimisers, MLStopsAfterTheSecondQuietStep) {
    FitObjective f;
    f.evaluate = [](const double* p, std::vector<double>* r) {
        const double r1 = p[1] * p[1] - 4.0;
        if (r)
            *r = {r1};
        return 0.5 * r1 * r1;
    };
    double p[2] = {0.0, 3.0};
    MLOptimize(p, 1, f, MLOptions{2.0, 50}, {}, control);
    const double first = 3.0 - 5.0 / 6.0, second = first - (first * first - 4.0) / (2.0 * first);
    EXPECT_EQ(control.iterations, 2);
    EXPECT_NEAR(p[1], second, 1e-3);
}
