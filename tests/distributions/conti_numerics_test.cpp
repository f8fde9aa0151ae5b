// The numerics of the distribution fit on problems of known answer: non-negative solution (KKT,
// agreement with the float solver, error codes), noise-centred normal equations (brute-force
// projection, thread-count independence, key press after the join), regularization strength,
// integration and the non-diffusing boundary.
#include "distributions/conti_held_noise.h"
#include "distributions/conti_nnls.h"
#include "distributions/conti_normal_equations.h"
#include "distributions/conti_regularization.h"
#include "distributions/integrate_distribution.h"
#include "foundations/analysis_failure.h"
#include "foundations/error_box_log.h"
#include "foundations/linear_solvers.h"
#include "foundations/nr_arrays.h"
#include "foundations/statistical_tests.h"
#include "foundations/vector_unit.h"
#include "plat/testing.hpp"
#include "plat/window.hpp"
#include "simulation/non_diffusing_boundary.h"
#include "state/lamm_grid.h"
#include "state/model_parameters.h"
#include "state/run_switches.h"
#include "state/serial_fit_state.h"
#include "support/reset_all_state.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

// Normal equations of a random design matrix D (rows x n) and data y: A = D'D, b = D'y.
struct RandomProblem {
    ContiNormalEquations eq;
    RandomProblem(std::mt19937& rng, int rows, int n, double noise) {
        std::normal_distribution<double> g(0.0, 1.0);
        std::vector<std::vector<double>> D(rows, std::vector<double>(n + 1));
        std::vector<double> truth(n + 1), y(rows);
        for (int p = 1; p <= n; ++p)
            truth[p] = std::max(0.0, g(rng));
        for (int i = 0; i < rows; ++i) {
            for (int p = 1; p <= n; ++p) {
                D[i][p] = std::fabs(g(rng));
                y[i] += D[i][p] * truth[p];
            }
            y[i] += noise * g(rng);
        }
        eq.A.Resize(n);
        eq.b.assign(n + 1, 0.0);
        for (int i = 0; i < rows; ++i) {
            eq.yy += y[i] * y[i];
            for (int p = 1; p <= n; ++p) {
                eq.b[p] += D[i][p] * y[i];
                for (int q = 1; q <= n; ++q)
                    eq.A(p, q) += D[i][p] * D[i][q];
            }
        }
    }
};

class ContiNumerics : public ::testing::Test {
  protected:
    void SetUp() override { ResetAllState(); }
    void TearDown() override { ResetAllState(); }
};

} // namespace

TEST_F(ContiNumerics, NnlsMeetsKktAndAgreesWithTheFloatSolver) {
    std::mt19937 rng(20261207);
    int compared = 0;
    for (int trial = 0; trial < 100; ++trial) {
        const int n = 3 + trial % 10;
        RandomProblem pr(rng, 3 * n + 5, n, trial % 2 ? 0.3 : 2.0);
        std::vector<double> x;
        ASSERT_EQ(ContiNNLS(pr.eq.A, pr.eq.b, x), AnalysisFailure::None) << "trial " << trial;
        double scale = 0.0;
        for (int p = 1; p <= n; ++p)
            scale = std::max(scale, std::fabs(pr.eq.b[p]));
        for (int p = 1; p <= n; ++p) {
            double w = pr.eq.b[p];
            for (int q = 1; q <= n; ++q)
                w -= pr.eq.A(p, q) * x[q];
            EXPECT_GE(x[p], 0.0);
            if (x[p] > 0.0)
                EXPECT_LE(std::fabs(w), 1e-9 * scale) << "passive, trial " << trial;
            else
                EXPECT_LE(w, 1e-9 * scale) << "zero set, trial " << trial;
        }
        // The float solver of the foundations on the same (well-conditioned, scaled) problem.
        float** a = matrix(1, n, 1, n);
        float* bf = vector(1, n);
        for (int p = 1; p <= n; ++p) {
            bf[p] = static_cast<float>(pr.eq.b[p] / scale);
            for (int q = 1; q <= n; ++q)
                a[p][q] = static_cast<float>(pr.eq.A(p, q) / scale);
        }
        if (NormalEquationsNNLS(a, bf, n, true)) {
            ++compared;
            double xmax = 0.0;
            for (int p = 1; p <= n; ++p)
                xmax = std::max(xmax, x[p]);
            for (int p = 1; p <= n; ++p)
                EXPECT_NEAR(bf[p], x[p], 1e-5 * std::max(1.0, xmax)) << "trial " << trial;
        }
        free_matrix(a, 1, n, 1, n);
        free_vector(bf, 1, n);
    }
    EXPECT_GT(compared, 50);
}

TEST_F(ContiNumerics, NnlsCodesReachTheBatchOrTheBox) {
    // An indefinite passive matrix (the second pivot is negative): code 2, solved with a ridge.
    CDenseMatrix B(2);
    B(1, 1) = 4.0;
    B(2, 2) = 0.1;
    B(1, 2) = B(2, 1) = 1.0;
    std::vector<double> x;
    std::vector<double> bb{0.0, 4.0, 3.0};
    TakeErrorBoxes(); // forget the boxes of earlier tests
    const AnalysisFailure code = ContiNNLS(B, bb, x);
    EXPECT_EQ(code, AnalysisFailure::NnlsNotPositiveDefinite);
    EXPECT_GE(x[1], 0.0);
    EXPECT_GE(x[2], 0.0);

    SerialFitState::serializing = true;
    ReportAnalysisFailure(code);
    EXPECT_EQ(SerialFitState::errorCode, 2);
    EXPECT_TRUE(TakeErrorBoxes().empty());
    SerialFitState::serializing = false;
    plat::test::Script script;
    TFrameWindow window{nullptr, "test"};
    window.Create();
    script.pumpUntilIdle();
    script.expectBox().caption("Error").text("matrix not positive definite in NNLS").answer(IDOK);
    ReportAnalysisFailure(code);
    EXPECT_TRUE(script.done());
    TakeErrorBoxes();
}

namespace {

// A kernel-like problem: S scans x points, n columns of random floats, data built from them
// plus time-invariant and radially invariant offsets.
struct CentringCase {
    int S = 7, points = 60, n = 9;
    ContiDataSet set;
    std::vector<std::vector<std::vector<float>>> K; // [p][s][i]
    std::vector<std::vector<float>> y;              // [s][i]
    std::vector<double> truth, ti, ri;
    explicit CentringCase(unsigned seed, bool withTi, bool withRi, int columns = 9, int radii = 60)
        : points(radii), n(columns) {
        std::mt19937 rng(seed);
        std::uniform_real_distribution<float> u(0.0f, 1.0f);
        set.first = 5;
        set.last = points - 3;
        set.timeInvariant = withTi;
        set.radiallyInvariant = withRi;
        for (int s = 0; s < S; ++s)
            set.scans.push_back(s + 1);
        K.assign(n + 1, std::vector<std::vector<float>>(S, std::vector<float>(points + 1)));
        for (int p = 1; p <= n; ++p)
            for (int s = 0; s < S; ++s)
                for (int i = 1; i <= points; ++i)
                    K[p][s][i] = u(rng);
        truth.assign(n + 1, 0.0);
        for (int p = 1; p <= n; p += 2)
            truth[p] = 0.2 + 0.1 * p;
        ti.assign(points + 1, 0.0);
        ri.assign(S, 0.0);
        for (int i = 1; i <= points; ++i)
            ti[i] = withTi ? 0.3 * std::sin(0.7 * i) : 0.0;
        for (int s = 0; s < S; ++s)
            ri[s] = withRi ? 0.5 * std::cos(1.3 * s) : 0.0;
        y.assign(S, std::vector<float>(points + 1));
        for (int s = 0; s < S; ++s)
            for (int i = 1; i <= points; ++i) {
                double v = ti[i] + ri[s];
                for (int p = 1; p <= n; ++p)
                    v += truth[p] * K[p][s][i];
                y[s][i] = static_cast<float>(v);
            }
    }
    ContiColumnRow Column() const {
        return [this](int p, int s) { return K[p][s].data(); };
    }
    ContiDataRow Data() const {
        return [this](int s) { return y[s].data(); };
    }
};

} // namespace

TEST_F(ContiNumerics, CentredNormalEquationsEqualExplicitProjection) {
    struct Case {
        bool ti, ri;
    } cases[] = {{false, false}, {true, false}, {false, true}, {true, true}};
    for (const Case& c : cases) {
        CentringCase cc(7, c.ti, c.ri);
        ContiNormalEquations eq;
        ASSERT_TRUE(BuildContiNormalEquations(cc.n, cc.set, cc.Column(), cc.Data(), 1, eq));
        // Project explicitly: subtract grid means, scan means, add grand mean as switched.
        auto project = [&](auto row) {
            const int S = cc.S, lo = cc.set.first, hi = cc.set.last, np = hi - lo + 1;
            std::vector<std::vector<double>> v(S, std::vector<double>(hi + 1));
            std::vector<double> gm(hi + 1, 0.0), sm(S, 0.0);
            double grand = 0.0;
            for (int s = 0; s < S; ++s)
                for (int i = lo; i <= hi; ++i) {
                    v[s][i] = row(s)[i];
                    gm[i] += v[s][i] / S;
                    sm[s] += v[s][i] / np;
                    grand += v[s][i] / (double(S) * np);
                }
            for (int s = 0; s < S; ++s)
                for (int i = lo; i <= hi; ++i)
                    v[s][i] += (c.ti ? -gm[i] : 0.0) + (c.ri ? -sm[s] : 0.0) +
                               (c.ti && c.ri ? grand : 0.0);
            return v;
        };
        auto dot = [&](const auto& a, const auto& b) {
            double sum = 0.0;
            for (int s = 0; s < cc.S; ++s)
                for (int i = cc.set.first; i <= cc.set.last; ++i)
                    sum += a[s][i] * b[s][i];
            return sum;
        };
        auto py = project([&](int s) { return cc.y[s].data(); });
        EXPECT_NEAR(eq.yy, dot(py, py), 1e-8 * std::max(1.0, dot(py, py)));
        for (int p = 1; p <= cc.n; ++p) {
            auto pp = project([&](int s) { return cc.K[p][s].data(); });
            EXPECT_NEAR(eq.b[p], dot(pp, py), 1e-8 * std::fabs(dot(pp, py)) + 1e-9);
            for (int q = p; q <= cc.n; ++q) {
                auto pq = project([&](int s) { return cc.K[q][s].data(); });
                EXPECT_NEAR(eq.A(p, q), dot(pp, pq), 1e-8 * std::fabs(dot(pp, pq)) + 1e-9);
                EXPECT_EQ(eq.A(q, p), eq.A(p, q));
            }
        }
        // Eliminating the noise that was put in recovers the amplitudes and the noise.
        std::vector<double> x;
        ASSERT_EQ(ContiNNLS(eq.A, eq.b, x), AnalysisFailure::None);
        for (int p = 1; p <= cc.n; ++p)
            EXPECT_NEAR(x[p], cc.truth[p], 1e-4) << "ti " << c.ti << " ri " << c.ri;
        EXPECT_NEAR(eq.ChiSquare(x), 0.0, 1e-6);
        std::vector<double> ti, ri;
        ContiNoiseForAmplitudes(cc.n, cc.set, cc.Column(), cc.Data(), x, ti, ri);
        if (c.ti && c.ri) {
            // the constant is gauge: compare the estimates after removing their means
            double mt = 0.0, me = 0.0;
            for (int j = 0; j < cc.set.Points(); ++j) {
                mt += cc.ti[cc.set.first + j] / cc.set.Points();
                me += ti[j] / cc.set.Points();
            }
            for (int j = 0; j < cc.set.Points(); ++j)
                EXPECT_NEAR(ti[j] - me, cc.ti[cc.set.first + j] - mt, 1e-4);
        }
    }
}

TEST_F(ContiNumerics, NormalEquationsAreBitIdenticalForAnyThreadCountAndVectorUnit) {
    CentringCase cc(11, true, true);
    cc.n = 9;
    ContiNormalEquations reference;
    ASSERT_TRUE(BuildContiNormalEquations(cc.n, cc.set, cc.Column(), cc.Data(), 0, reference));
    std::vector<double> amplitudes(cc.n + 1), refTi, refRi;
    for (int p = 1; p <= cc.n; ++p)
        amplitudes[p] = 0.1 * p;
    ContiNoiseForAmplitudes(cc.n, cc.set, cc.Column(), cc.Data(), amplitudes, refTi, refRi);
    // and under every narrower vector unit: the same sums
    const VectorUnit usable = UsableVectorUnit();
    for (int run = 0; run < 15; ++run) {
        const int threads = std::array{1, 2, 3, 4, 8}[run % 5];
        const VectorUnit unit = std::array{usable, VectorUnit::Avx2, VectorUnit::Plain}[run / 5];
        if (unit > usable)
            continue;
        const CVectorUnitCap cap(unit);
        SCOPED_TRACE("vector unit " + std::to_string(int(unit)));
        ContiNormalEquations eq;
        ASSERT_TRUE(BuildContiNormalEquations(cc.n, cc.set, cc.Column(), cc.Data(), threads, eq));
        EXPECT_TRUE(eq.A == reference.A) << threads << " threads";
        EXPECT_EQ(eq.b, reference.b) << threads << " threads";
        EXPECT_EQ(eq.yy, reference.yy);
        for (int p = 1; p <= cc.n; ++p) {
            EXPECT_EQ(eq.columnMeans[p].row, reference.columnMeans[p].row) << threads;
            EXPECT_EQ(eq.columnMeans[p].point, reference.columnMeans[p].point) << threads;
        }
        std::vector<double> ti, ri;
        ContiNoiseForAmplitudes(cc.n, cc.set, cc.Column(), cc.Data(), amplitudes, ti, ri, threads);
        EXPECT_EQ(ti, refTi) << threads << " threads";
        EXPECT_EQ(ri, refRi) << threads << " threads";
    }
}

// Columns whose starts and means were found one by one before the build (all, some or none of
// them, or found for another column count and so not taken) give the equations of the whole
// build, bit for bit, for any thread count.
TEST_F(ContiNumerics, ColumnsFoundBeforeTheBuildGiveItsEquations) {
    CentringCase cc(13, true, true);
    cc.n = 9;
    for (int p = 1; p <= cc.n; ++p)
        for (int s = 0; s < cc.S; ++s)
            std::fill(cc.K[p][s].begin(), cc.K[p][s].begin() + 3 * p, 0.0f);
    ContiNormalEquations whole;
    ASSERT_TRUE(BuildContiNormalEquations(cc.n, cc.set, cc.Column(), cc.Data(), 1, whole));
    for (int every : {1, 3, 0})
        for (int columns : {cc.n, cc.n - 1})
            for (int threads : {1, 3}) {
                ContiColumnStarts starts;
                starts.Reset(columns, cc.set);
                for (int p = 1; every > 0 && p <= columns; p += every)
                    FindContiColumnStart(cc.set, cc.Column(), p, starts);
                ContiNormalEquations eq;
                ASSERT_TRUE(BuildContiNormalEquations(cc.n, cc.set, cc.Column(), cc.Data(), threads,
                                                      eq, {&starts}));
                const std::string at = "every " + std::to_string(every) + ", " +
                                       std::to_string(columns) + " columns, " +
                                       std::to_string(threads) + " threads";
                EXPECT_TRUE(eq.A == whole.A) << at;
                EXPECT_EQ(eq.b, whole.b) << at;
                EXPECT_EQ(eq.firstNonzero, whole.firstNonzero) << at;
                EXPECT_EQ(eq.held, whole.held) << at;
                for (int p = 1; p <= cc.n; ++p) {
                    EXPECT_EQ(eq.columnMeans[p].row, whole.columnMeans[p].row) << at;
                    EXPECT_EQ(eq.columnMeans[p].point, whole.columnMeans[p].point) << at;
                    EXPECT_EQ(eq.columnMeans[p].grand, whole.columnMeans[p].grand) << at;
                }
            }
}

// The cells are formed in tiles of rows and columns, with edges where the grid size or the
// number of points is not a multiple of four, and start where the columns' leading zeros end
// (every length, all zero included): every cell of either half must hold its own raw product,
// the same bits as a sum over every point, for any number of threads.
TEST_F(ContiNumerics, EveryCellHoldsItsProductForAnyGridPointAndThreadCount) {
    for (int n : {1, 2, 3, 5, 6, 7, 8, 10, 11, 12, 13, 17, 30})
        for (int radii : {12, 13, 14, 15, 41}) {
            CentringCase cc(n + radii, false, false, n, radii);
            std::mt19937 rng(n * radii);
            for (int p = 1; p <= n; ++p)
                for (int s = 0; s < cc.S; ++s) {
                    const int zeros = std::uniform_int_distribution<int>(0, radii + 1)(rng);
                    for (int i = 1; i <= std::min(zeros, radii); ++i)
                        cc.K[p][s][i] = 0.0f;
                }
            auto raw = [&](const auto& x, const auto& y) {
                double sum = 0.0;
                for (int s = 0; s < cc.S; ++s)
                    for (int i = cc.set.first; i <= cc.set.last; ++i)
                        sum += double(x[s][i]) * double(y[s][i]);
                return sum;
            };
            ContiNormalEquations one;
            ASSERT_TRUE(BuildContiNormalEquations(n, cc.set, cc.Column(), cc.Data(), 1, one));
            for (int p = 1; p <= n; ++p) {
                EXPECT_NEAR(one.b[p], raw(cc.K[p], cc.y), 1e-12 * raw(cc.K[p], cc.y));
                EXPECT_EQ(one.rawNorm[p], one.A(p, p));
                for (int q = 1; q <= n; ++q)
                    ASSERT_NEAR(one.A(p, q), raw(cc.K[p], cc.K[q]), 1e-12 * raw(cc.K[p], cc.K[q]))
                        << "n " << n << " points " << radii << " cell " << p << ", " << q;
            }
            for (int threads : {2, 3, 8}) {
                ContiNormalEquations eq;
                ASSERT_TRUE(
                    BuildContiNormalEquations(n, cc.set, cc.Column(), cc.Data(), threads, eq));
                EXPECT_TRUE(eq.A == one.A) << "n " << n << ", " << threads << " threads";
                EXPECT_EQ(eq.b, one.b);
            }
            ContiNormalEquations everyPoint = one;
            ContiNEQJob job{n, &cc.set, cc.Column(), cc.Data(), &everyPoint};
            job.ComputeRows(1, 1);
            everyPoint.A.MirrorUpper();
            EXPECT_TRUE(everyPoint.A == one.A) << "n " << n << " points " << radii;
            EXPECT_EQ(everyPoint.b, one.b) << "n " << n << " points " << radii;
        }
}

// A fit that moves only some columns (the buffer's) or only the data brings the equations up to
// date instead of building them again: every number must be the whole build's, bit for bit, for
// any grid size, changed columns, noise terms and thread count, including a changed column that
// the noise now reproduces (held) and columns whose leading zeros moved.
TEST_F(ContiNumerics, UpdatedEquationsEqualTheWholeBuild) {
    struct Case {
        int n;
        bool ti, ri;
        std::vector<int> changed; // columns given new values; none: only the data change
        bool constantColumn;      // the first changed column becomes constant (held under ti)
    } cases[] = {{13, true, true, {1}, false},
                 {13, true, false, {13}, false},
                 {13, false, true, {6, 13}, false},
                 {30, true, true, {2, 3, 29}, false},
                 {5, false, false, {}, false},
                 {11, true, true, {1}, true},
                 {7, true, true, {1, 2, 3, 4, 5, 6, 7}, false}};
    for (const Case& c : cases) {
        CentringCase cc(c.n * 7 + c.changed.size(), c.ti, c.ri, c.n, 41);
        std::mt19937 rng(c.n);
        std::uniform_real_distribution<float> u(0.0f, 1.0f);
        auto leadingZeros = [&](int p) {
            for (int s = 0; s < cc.S; ++s) {
                const int zeros = std::uniform_int_distribution<int>(0, 42)(rng);
                for (int i = 1; i <= std::min(zeros, 41); ++i)
                    cc.K[p][s][i] = 0.0f;
            }
        };
        for (int p = 1; p <= c.n; ++p)
            leadingZeros(p);
        ContiNormalEquations kept;
        ASSERT_TRUE(BuildContiNormalEquations(c.n, cc.set, cc.Column(), cc.Data(), 2, kept));
        std::vector<char> changed(c.n + 1, 0);
        for (int p : c.changed) {
            changed[p] = 1;
            for (int s = 0; s < cc.S; ++s)
                for (int i = 1; i <= 41; ++i)
                    cc.K[p][s][i] = c.constantColumn && p == c.changed.front() ? 1.0f : u(rng);
            if (!(c.constantColumn && p == c.changed.front()))
                leadingZeros(p);
        }
        for (auto& row : cc.y)
            for (float& v : row)
                v += 0.01f * u(rng);
        ContiNormalEquations whole;
        ASSERT_TRUE(BuildContiNormalEquations(c.n, cc.set, cc.Column(), cc.Data(), 1, whole));
        if (c.constantColumn)
            EXPECT_EQ(whole.held[c.changed.front()], 1);
        for (int threads : {1, 3}) {
            ContiNormalEquations eq = kept;
            UpdateContiNormalEquations(c.n, cc.set, cc.Column(), cc.Data(), changed, threads, eq);
            const std::string at = "n " + std::to_string(c.n) + ", " + std::to_string(threads) +
                                   " threads, " + std::to_string(c.changed.size()) + " changed";
            EXPECT_TRUE(eq.A == whole.A) << at;
            EXPECT_EQ(eq.b, whole.b) << at;
            EXPECT_EQ(eq.yy, whole.yy) << at;
            EXPECT_EQ(eq.rawNorm, whole.rawNorm) << at;
            EXPECT_EQ(eq.held, whole.held) << at;
            EXPECT_EQ(eq.firstNonzero, whole.firstNonzero) << at;
            std::vector<double> amplitudes(c.n + 1, 0.3), ti, ri, handedTi, handedRi;
            ContiNoiseForAmplitudes(c.n, cc.set, cc.Column(), cc.Data(), amplitudes, ti, ri);
            ContiNoiseForAmplitudes(c.n, cc.set, cc.Column(), cc.Data(), amplitudes, handedTi,
                                    handedRi, threads, &eq.firstNonzero);
            EXPECT_EQ(handedTi, ti) << at;
            EXPECT_EQ(handedRi, ri) << at;
            for (int p = 1; p <= c.n; ++p) {
                EXPECT_EQ(eq.columnMeans[p].point, whole.columnMeans[p].point) << at;
                EXPECT_EQ(eq.columnMeans[p].row, whole.columnMeans[p].row) << at;
                EXPECT_EQ(eq.columnMeans[p].grand, whole.columnMeans[p].grand) << at;
            }
        }
    }
}

// The noise part of the columns' products is their raw product less the centred one; made on any
// count of threads, by the build beside the products (in the storage of the build before), and
// brought up to date after some columns changed, it has the bits of the whole one made on one
// thread (the rows dealt out in fours and the rest one by one).
TEST_F(ContiNumerics, NoiseGramIsRawLessCentredForAnyThreadsAndAfterAnUpdate) {
    struct Case {
        int n;
        bool ti, ri;
        std::vector<int> changed;
    } cases[] = {{13, true, true, {1, 13}}, {7, true, false, {4}}, {10, false, true, {2, 3, 9}}};
    for (const Case& c : cases) {
        CentringCase cc(c.n * 5 + 1, c.ti, c.ri, c.n, 41);
        ContiNormalEquations kept;
        ASSERT_TRUE(BuildContiNormalEquations(c.n, cc.set, cc.Column(), cc.Data(), 1, kept));
        const CDenseMatrix Q = NoiseGramOfColumns(kept, cc.set.Noise(), 1);
        ASSERT_EQ(Q.N(), c.n);
        for (int p = 1; p <= c.n; ++p)
            for (int q = 1; q <= c.n; ++q) {
                double raw = 0.0;
                for (int s = 0; s < cc.S; ++s)
                    for (int i = cc.set.first; i <= cc.set.last; ++i)
                        raw += double(cc.K[p][s][i]) * cc.K[q][s][i];
                EXPECT_NEAR(Q(p, q), raw - kept.A(p, q), 1e-9 * raw) << p << " " << q;
            }
        ContiNEQScratch scratch;
        for (int threads : {1, 2, 3, 8}) {
            EXPECT_TRUE(NoiseGramOfColumns(kept, cc.set.Noise(), threads) == Q) << threads;
            ContiNormalEquations beside;
            ASSERT_TRUE(BuildContiNormalEquations(c.n, cc.set, cc.Column(), cc.Data(), threads,
                                                  beside, {nullptr, &scratch, true}));
            EXPECT_TRUE(beside.noiseGram == Q) << threads;
            EXPECT_TRUE(beside.A == kept.A) << threads;
        }
        std::mt19937 rng(c.n);
        std::uniform_real_distribution<float> u(0.0f, 1.0f);
        std::vector<char> changed(c.n + 1, 0);
        for (int p : c.changed) {
            changed[p] = 1;
            for (int s = 0; s < cc.S; ++s)
                for (float& v : cc.K[p][s])
                    v = u(rng);
        }
        ContiNormalEquations whole;
        ASSERT_TRUE(BuildContiNormalEquations(c.n, cc.set, cc.Column(), cc.Data(), 1, whole));
        UpdateContiNormalEquations(c.n, cc.set, cc.Column(), cc.Data(), changed, 1, kept);
        CDenseMatrix updated = Q;
        UpdateNoiseGramOfColumns(kept, cc.set.Noise(), changed, updated);
        EXPECT_TRUE(updated == NoiseGramOfColumns(whole, cc.set.Noise(), 1)) << c.n;
        EXPECT_FALSE(updated == Q) << c.n;
    }
}

// The noise of amplitudes skips the columns' leading zeros: it must be the noise of the residual
// over every point.
TEST_F(ContiNumerics, NoiseOfAmplitudesCountsEveryPointPastLeadingZeros) {
    CentringCase cc(3, true, true, 6, 23);
    for (int p = 1; p <= cc.n; ++p)
        for (int s = 0; s < cc.S; ++s)
            for (int i = 1; i <= std::min(23, 3 * p + s); ++i)
                cc.K[p][s][i] = 0.0f;
    std::vector<double> c(cc.n + 1);
    for (int p = 1; p <= cc.n; ++p)
        c[p] = 0.3 * p - 0.5;
    std::vector<std::vector<double>> residual(cc.S, std::vector<double>(cc.points + 1));
    for (int s = 0; s < cc.S; ++s)
        for (int i = cc.set.first; i <= cc.set.last; ++i) {
            residual[s][i] = cc.y[s][i];
            for (int p = 1; p <= cc.n; ++p)
                residual[s][i] -= c[p] * cc.K[p][s][i];
        }
    const NoiseEstimate expected =
        NoiseFromMeans(cc.set.Means([&](int s) { return residual[s].data(); }), cc.set.Noise());
    std::vector<double> ti, ri;
    ContiNoiseForAmplitudes(cc.n, cc.set, cc.Column(), cc.Data(), c, ti, ri, 3);
    EXPECT_EQ(ti, expected.ti);
    EXPECT_EQ(ri, expected.ri);
}

// The model formed with the noise adds every column over every point of the rows, leading zeros
// before, inside or past the fitted range alike, and leaves the noise as it is alone.
TEST_F(ContiNumerics, ModelFormedWithTheNoiseIsEveryColumnOverEveryPoint) {
    struct Case {
        const char* name;
        int zerosOf3, zerosOf4; // leading zeros of columns 3 and 4 (points 1..zeros)
        bool handed;            // the equations' first values handed over
        int threads;
    } cases[] = {{"no zeros", 0, 0, false, 1},
                 {"zeros before the range", 3, 2, true, 1},
                 {"zeros into the range", 9, 12, true, 3},
                 {"zeros into the range, looked for", 9, 12, false, 2},
                 {"a column of zeros", 23, 5, true, 3},
                 {"values past the range only", 23, 21, false, 1}};
    for (const Case& c : cases) {
        CentringCase cc(11, true, true, 6, 23);
        for (int s = 0; s < cc.S; ++s) {
            std::fill(cc.K[3][s].begin() + 1, cc.K[3][s].begin() + 1 + c.zerosOf3, 0.0f);
            std::fill(cc.K[4][s].begin() + 1, cc.K[4][s].begin() + 1 + std::min(23, c.zerosOf4 + s),
                      0.0f);
        }
        std::vector<double> a = {0.0, 0.4, 0.0, 1.5, 0.7, 0.2, 0.9};
        ContiNormalEquations eq;
        ASSERT_TRUE(BuildContiNormalEquations(cc.n, cc.set, cc.Column(), cc.Data(), 1, eq));
        const std::vector<int>* first = c.handed ? &eq.firstNonzero : nullptr;
        std::vector<double> ti, ri, aloneTi, aloneRi;
        std::vector<std::vector<double>> model;
        ContiNoiseAndModel(cc.n, cc.set, cc.Column(), cc.Data(), a, cc.points, ti, ri, model,
                           c.threads, first);
        ContiNoiseForAmplitudes(cc.n, cc.set, cc.Column(), cc.Data(), a, aloneTi, aloneRi);
        EXPECT_EQ(ti, aloneTi) << c.name;
        EXPECT_EQ(ri, aloneRi) << c.name;
        ASSERT_EQ(std::ssize(model), cc.S) << c.name;
        for (int s = 0; s < cc.S; ++s) {
            std::vector<double> expected(cc.points + 1, 0.0);
            for (int p = 1; p <= cc.n; ++p)
                for (int i = 1; a[p] != 0.0 && i <= cc.points; ++i)
                    expected[i] += a[p] * cc.K[p][s][i];
            EXPECT_EQ(model[s], expected) << c.name << " scan " << s;
        }
    }
}

// Many columns are added several at a time: each point must still take them one after another
// in column order, whatever leading zeros each column has and whichever amplitudes are zero. The
// noise moved to other amplitudes beside the rows (in parts over the points) is the noise moved
// after them.
TEST_F(ContiNumerics, NoiseAndModelOfManyColumnsAddThemInColumnOrder) {
    struct Case {
        const char* name;
        int columns, radii, zerosStep; // column p's leading zeros: (p * zerosStep + s) % radii
        bool handed;
        int threads;
    } cases[] = {{"nineteen columns, no zeros", 19, 41, 0, true, 1},
                 {"nineteen columns, zeros growing", 19, 41, 2, true, 3},
                 {"fifteen columns, zeros looked for", 15, 37, 5, false, 2},
                 {"eight columns, zeros past the range", 8, 29, 7, true, 1},
                 {"eight columns over 700 points", 8, 700, 3, true, 4}};
    for (const Case& c : cases) {
        CentringCase cc(17, true, true, c.columns, c.radii);
        for (int p = 1; p <= cc.n; ++p)
            for (int s = 0; s < cc.S; ++s)
                std::fill(cc.K[p][s].begin() + 1,
                          cc.K[p][s].begin() + 1 + (p * c.zerosStep + s) % c.radii, 0.0f);
        std::vector<double> a(cc.n + 1, 0.0);
        for (int p = 1; p <= cc.n; ++p)
            a[p] = p % 5 == 3 ? 0.0 : 0.1 + 0.37 * std::sin(1.1 * p);
        ContiNormalEquations eq;
        ASSERT_TRUE(BuildContiNormalEquations(cc.n, cc.set, cc.Column(), cc.Data(), 1, eq));
        const std::vector<int>* first = c.handed ? &eq.firstNonzero : nullptr;
        std::vector<std::vector<double>> residual(cc.S, std::vector<double>(cc.points + 1));
        std::vector<std::vector<double>> expected(cc.S, std::vector<double>(cc.points + 1));
        for (int s = 0; s < cc.S; ++s)
            for (int i = 1; i <= cc.points; ++i) {
                residual[s][i] = cc.y[s][i];
                for (int p = 1; p <= cc.n; ++p) {
                    expected[s][i] += a[p] * cc.K[p][s][i];
                    residual[s][i] -= a[p] * cc.K[p][s][i];
                }
            }
        const NoiseEstimate noise =
            NoiseFromMeans(cc.set.Means([&](int s) { return residual[s].data(); }), cc.set.Noise());
        std::vector<double> ti, ri, aloneTi, aloneRi;
        std::vector<std::vector<double>> model;
        ContiNoiseAndModel(cc.n, cc.set, cc.Column(), cc.Data(), a, cc.points, ti, ri, model,
                           c.threads, first);
        ContiNoiseForAmplitudes(cc.n, cc.set, cc.Column(), cc.Data(), a, aloneTi, aloneRi,
                                c.threads, first);
        EXPECT_EQ(ti, noise.ti) << c.name;
        EXPECT_EQ(ri, noise.ri) << c.name;
        EXPECT_EQ(aloneTi, noise.ti) << c.name;
        EXPECT_EQ(aloneRi, noise.ri) << c.name;
        ASSERT_EQ(std::ssize(model), cc.S) << c.name;
        for (int s = 0; s < cc.S; ++s)
            EXPECT_EQ(model[s], expected[s]) << c.name << " scan " << s;
        std::vector<double> c0(a.size()), movedTi, movedRi;
        for (int p = 1; p <= cc.n; ++p)
            c0[p] = p % 4 == 1 ? a[p] : 0.6 * a[p] + 0.01 * p;
        std::vector<std::vector<double>> movedModel;
        ContiNoiseAndModelMovedTo(cc.n, cc.set, cc.Column(), cc.Data(), a, c0, eq.columnMeans,
                                  cc.points, movedTi, movedRi, movedModel, c.threads, first);
        MoveNoiseToAmplitudes(eq.columnMeans, a, c0, cc.set.Noise(), ti, ri);
        EXPECT_EQ(movedTi, ti) << c.name;
        EXPECT_EQ(movedRi, ri) << c.name;
        EXPECT_EQ(movedModel, model) << c.name;
    }
}

// The row products of the equations (symmetric A) are each row's sum over the columns in order,
// whether the rows listed come in runs of consecutive rows (read down the columns, any length up
// to past a pass of 32, the rest under a mask) or scattered; the chi-square is c'Ac - 2 b'c + yy
// of those sums.
TEST_F(ContiNumerics, RowProductsAreEachRowsSumInColumnOrder) {
    const int n = 75;
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    ContiNormalEquations eq;
    eq.A.Resize(n);
    eq.b.assign(n + 1, 0.0);
    eq.yy = 3.5;
    for (int p = 1; p <= n; ++p) {
        eq.b[p] = u(rng);
        for (int q = p; q <= n; ++q)
            eq.A(p, q) = eq.A(q, p) = u(rng);
    }
    std::vector<double> c(n + 1, 0.0);
    for (int p = 1; p <= n; ++p)
        c[p] = p % 7 == 3 ? 0.0 : u(rng);
    auto rowSum = [&](int p) {
        double sum = 0.0;
        for (int r = 1; r <= n; ++r)
            sum += eq.A(p, r) * c[r];
        return sum;
    };
    // every row, one row, scattered rows, and runs from row 3 of several lengths with two
    // scattered rows after them
    std::vector<std::vector<int>> lists = {{}, {40}, {3, 1, 9, 75, 12, 14}};
    for (int p = 1; p <= n; ++p)
        lists[0].push_back(p);
    for (int run : {5, 8, 9, 17, 25, 32, 33, 70}) {
        std::vector<int> rows;
        for (int k = 0; k < run; ++k)
            rows.push_back(3 + k);
        rows.insert(rows.end(), {1, 2});
        lists.push_back(rows);
    }
    for (const std::vector<int>& rows : lists) {
        std::vector<double> out;
        eq.RowProducts(c, rows, out);
        ASSERT_EQ(out.size(), rows.size());
        for (std::size_t k = 0; k < out.size(); ++k)
            EXPECT_EQ(out[k], rowSum(rows[k]))
                << rows.size() << " rows from " << rows[0] << ", " << k;
    }
    double q = 0.0, lin = 0.0;
    for (int p = 1; p <= n; ++p)
        if (c[p] != 0.0) {
            lin += eq.b[p] * c[p];
            q += c[p] * rowSum(p);
        }
    EXPECT_EQ(eq.ChiSquare(c), q - 2.0 * lin + eq.yy);
}

// The shares go to kept threads and the caller, whoever claims first: each must run exactly once
// with its own number, also when two callers share the threads at once and calls follow one
// another faster than the threads wake.
TEST_F(ContiNumerics, EveryShareRunsOnceOnTheKeptThreads) {
    auto calls = [](int first) {
        for (int round = 0; round < 40; ++round) {
            const int count = first + round % 8;
            std::vector<std::atomic<int>> runs(count + 1);
            std::atomic<bool> wrongCount{false};
            RunContiShares(count, [&](int k, int m) {
                wrongCount = wrongCount || m != count;
                runs[k].fetch_add(1);
            });
            EXPECT_FALSE(wrongCount);
            for (int k = 1; k <= count; ++k)
                ASSERT_EQ(runs[k].load(), 1) << "share " << k << " of " << count;
        }
    };
    std::thread other([&] { calls(2); });
    calls(1);
    other.join();
}

TEST_F(ContiNumerics, KeyPressDuringTheThreadsTakesEffectAfterTheJoin) {
    plat::test::Script script;
    TFrameWindow window{nullptr, "test"};
    window.Create();
    script.pumpUntilIdle();
    CentringCase cc(5, true, false);
    ContiNormalEquations reference, eq;
    ASSERT_TRUE(BuildContiNormalEquations(cc.n, cc.set, cc.Column(), cc.Data(), 3, reference));
    plat::test::key(&window, VK_ESCAPE, 27);
    EXPECT_FALSE(BuildContiNormalEquations(cc.n, cc.set, cc.Column(), cc.Data(), 3, eq));
    EXPECT_TRUE(gUserInterrupt.load());
    // the threads were not cut short: every cell was computed
    EXPECT_TRUE(eq.A == reference.A);
    EXPECT_EQ(eq.b, reference.b);
    gUserInterrupt.store(false);
}

TEST_F(ContiNumerics, RegularizationReachesTheFCriticalRatio) {
    // A smooth distribution seen through a blurring kernel: 40 grid points, 400 data points.
    const int n = 40, rows = 400;
    std::mt19937 rng(42);
    std::normal_distribution<double> g(0.0, 0.01);
    ContiNormalEquations eq;
    eq.A.Resize(n);
    eq.b.assign(n + 1, 0.0);
    std::vector<double> truth(n + 1);
    for (int p = 1; p <= n; ++p)
        truth[p] = std::exp(-0.5 * std::pow((p - 20.0) / 4.0, 2));
    for (int i = 0; i < rows; ++i) {
        std::vector<double> d(n + 1);
        const double r = i * double(n) / rows;
        double y = g(rng);
        for (int p = 1; p <= n; ++p) {
            d[p] = 1.0 / (1.0 + std::exp(-(r - p) / 1.5)); // boundary-like column
            y += truth[p] * d[p];
        }
        eq.yy += y * y;
        for (int p = 1; p <= n; ++p) {
            eq.b[p] += d[p] * y;
            for (int q = 1; q <= n; ++q)
                eq.A(p, q) += d[p] * d[q];
        }
    }
    const double nu = rows - n;
    for (auto kind :
         {ContiRegularizationKind::SecondDerivative, ContiRegularizationKind::MaximumEntropy}) {
        double previousNorm = 1e300;
        for (double P : {0.68, 0.95}) {
            ContiRegularizedSolution sol;
            EXPECT_EQ(RegularizeDistribution(eq, kind, P, nu, sol), AnalysisFailure::None);
            const double R = FCriticalRatio(P, nu, nu);
            EXPECT_NEAR(sol.chiSquare / sol.chiSquare0, R, 1e-3) << "P " << P;
            for (int p = 1; p <= n; ++p)
                EXPECT_GE(sol.c[p], 0.0);
            const double norm = SecondDerivativeNorm(sol.c);
            EXPECT_LT(norm, previousNorm) << "larger P is smoother, P " << P;
            previousNorm = norm;
        }
        ContiRegularizedSolution plain;
        RegularizeDistribution(eq, kind, 0.5, nu, plain);
        EXPECT_EQ(plain.c, plain.nnls) << "P = 0.5 is the NNLS solution";
        EXPECT_EQ(plain.alpha, 0.0);
    }
    // An increase no strength can reach: code 3, at the largest strength tried.
    ContiRegularizedSolution sol;
    EXPECT_EQ(RegularizeDistribution(eq, ContiRegularizationKind::SecondDerivative, 1e6, nu, sol),
              AnalysisFailure::RegularizationUnreachable);
    // Its message carries the ratio reached, the strength and the ratio asked.
    EXPECT_NE(sol.failureDetail.find("reached at strength"), std::string::npos)
        << sol.failureDetail;
    EXPECT_NE(sol.failureDetail.find("1e+06 asked"), std::string::npos) << sol.failureDetail;
}

// The second-derivative solution minimises chi^2 + alpha ||L c||^2 over c >= 0: at every
// positive amplitude the two gradients cancel, at every zero one the sum does not point inward.
// The penalty's gradient is taken from SecondDerivativeNorm by central differences, so the matrix
// the solver adds and the norm the strength search reports must be the same quadratic form.
TEST_F(ContiNumerics, SecondDerivativeSolutionIsStationaryAtItsActiveSet) {
    const unsigned seed = 20261207;
    std::mt19937 rng(seed);
    const int n = 14;
    RandomProblem pr(rng, 5 * n, n, 0.5);
    double trace = 0.0;
    for (int p = 1; p <= n; ++p)
        trace += pr.eq.A(p, p);
    for (double relative : {1e-4, 1e-2, 1.0}) {
        const double alpha = relative * trace / n;
        std::vector<double> c;
        ASSERT_EQ(SolveSecondDerivative(pr.eq, alpha, c), AnalysisFailure::None);
        double cMax = 0.0;
        for (int p = 1; p <= n; ++p)
            cMax = std::max(cMax, c[p]);
        const double h = 1e-3 * cMax;
        int positive = 0;
        for (int p = 1; p <= n; ++p) {
            double chi = 0.0; // d chi^2 / d c_p = 2 (A c - b)_p
            for (int q = 1; q <= n; ++q)
                chi += 2.0 * pr.eq.A(p, q) * c[q];
            chi -= 2.0 * pr.eq.b[p];
            std::vector<double> up = c, down = c;
            up[p] += h;
            down[p] -= h;
            const double pen =
                alpha * (SecondDerivativeNorm(up) - SecondDerivativeNorm(down)) / (2.0 * h);
            const double scale = std::fabs(chi) + std::fabs(pen) + 1e-9 * std::fabs(pr.eq.b[p]);
            if (c[p] > 0.0) {
                ++positive;
                EXPECT_NEAR(chi + pen, 0.0, 1e-6 * scale)
                    << "alpha " << alpha << ", c[" << p << "] = " << c[p] << ", seed " << seed;
            } else {
                EXPECT_GE(chi + pen, -1e-6 * scale)
                    << "alpha " << alpha << ", zero c[" << p << "], seed " << seed;
            }
        }
        EXPECT_GT(positive, 2) << "alpha " << alpha;
    }
}

TEST_F(ContiNumerics, IntegralsOfANormalShapedDistribution) {
    const int n = 400;
    std::vector<float> x(n + 1), c(n + 1);
    const double mean = 5.0, sd = 0.5;
    for (int i = 1; i <= n; ++i) {
        x[i] = static_cast<float>(10.0 * (i - 1) / (n - 1));
        c[i] = static_cast<float>(std::exp(-0.5 * std::pow((x[i] - mean) / sd, 2)) /
                                  (sd * std::sqrt(2.0 * M_PI)));
    }
    const DistributionIntegral r = IntegrateCurve(x.data(), c.data(), n, 0.0, 10.0);
    EXPECT_NEAR(r.area, 1.0, 1e-4);
    EXPECT_NEAR(r.total, 1.0, 1e-4);
    EXPECT_NEAR(r.weightAverage, mean, 1e-4);
    EXPECT_NEAR(r.stdDev, sd, 1e-4);
    EXPECT_NEAR(r.zAverage, (mean * mean + sd * sd) / mean, 1e-4);
    // half the peak, with an end between grid points
    const DistributionIntegral h = IntegrateCurve(x.data(), c.data(), n, 2.0, 5.0);
    EXPECT_NEAR(h.area, 0.5, 1e-4);
    EXPECT_NEAR(h.weightAverage, mean - sd * std::sqrt(2.0 / M_PI), 1e-3);
    EXPECT_EQ(IntegrateCurve(x.data(), c.data(), n, 6.0, 6.0).area, 0.0);
}

TEST_F(ContiNumerics, NonDiffusingBoundaryStepAndPlateau) {
    ModelParameters::meniscus = 6.0f;
    ModelParameters::bottom = 7.2f;
    const double w = 50000 * M_PI / 30.0, s = 4e-13, t = 3000.0;
    LammGrid::omega2S = w * w * s;
    std::vector<float> r(241), out(241);
    for (int i = 1; i <= 240; ++i)
        r[i] = static_cast<float>(6.0 + 0.005 * (i - 1));
    NonDiffusingBoundary(0.8, t, r.data(), out.data(), 240);
    const double edge = 6.0 * std::exp(w * w * s * t), plateau = 0.8 * std::exp(-2 * w * w * s * t);
    for (int i = 1; i <= 240; ++i) {
        if (r[i] < edge) {
            EXPECT_EQ(out[i], 0.0f);
        } else if (r[i] > edge) {
            EXPECT_NEAR(out[i], plateau, 1e-6);
        }
    }
}
