// Element integrals of hat functions against their closed forms, and the Thomas solves against
// dense elimination.
#include "foundations/vector_unit.h"
#include "lamm/crank_nicolson_rows.h"
#include "lamm/hat_integrals.h"
#include "lamm/tridiagonal.h"
#include "support/step_test_matrices.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace {

// A non-uniform 1-based grid: x[1..6].
const std::vector<double> kGrid = {0.0, 6.0, 6.013, 6.031, 6.052, 6.08, 6.1};
constexpr int kN = 6;

double Dot(const double* g, int n, double (*f)(double), int i) {
    // Simpson's rule on each element is exact for the cubic integrands used below.
    double sum = 0.0;
    for (int e = 1; e < n; ++e) {
        const double a = g[e], c = g[e + 1], m = 0.5 * (a + c);
        auto hat = [&](double x) {
            if (x < g[std::max(i - 1, 1)] || x > g[std::min(i + 1, n)])
                return 0.0;
            if (x <= g[i])
                return i == 1 ? (x == g[1] ? 1.0 : 0.0) : (x - g[i - 1]) / (g[i] - g[i - 1]);
            return i == n ? 0.0 : (g[i + 1] - x) / (g[i + 1] - g[i]);
        };
        sum += (c - a) / 6.0 * (f(a) * hat(a) + 4.0 * f(m) * hat(m) + f(c) * hat(c));
    }
    return sum;
}

TEST(HatIntegrals, MassMatchesClosedFormsOfTheSectorElement) {
    const double* x = kGrid.data();
    const double x1 = x[1], x2 = x[2];
    EXPECT_NEAR(HatMass(x, kN, 1, 1), -x1 * x1 / 4 + x1 * x2 / 6 + x2 * x2 / 12, 1e-15);
    for (int i = 2; i < kN; ++i) {
        EXPECT_NEAR(HatMass(x, kN, i, i - 1), (x[i] * x[i] - x[i - 1] * x[i - 1]) / 12, 1e-15);
        EXPECT_NEAR(HatMass(x, kN, i, i),
                    (x[i + 1] - x[i - 1]) * (x[i - 1] + 2 * x[i] + x[i + 1]) / 12, 1e-15);
    }
    const double xn = x[kN], xm = x[kN - 1];
    EXPECT_NEAR(HatMass(x, kN, kN, kN), xn * xn / 4 - xn * xm / 6 - xm * xm / 12, 1e-13);
}

TEST(HatIntegrals, NodeVolumesSumToTheSectorArea) {
    const double* x = kGrid.data();
    double sum = 0.0;
    for (int i = 1; i <= kN; ++i) {
        sum += HatNodeVolume(x, kN, i);
        EXPECT_NEAR(HatNodeVolume(x, kN, i),
                    Dot(
                        x, kN, [](double r) { return r; }, i),
                    1e-13);
        double row = 0.0;
        for (int j = i - 1; j <= i + 1; ++j)
            row += HatMass(x, kN, i, j);
        EXPECT_NEAR(row, HatNodeVolume(x, kN, i), 1e-15) << "mass row " << i;
    }
    EXPECT_NEAR(sum, (x[kN] * x[kN] - x[1] * x[1]) / 2, 1e-13);
}

// A grid shift sums the interior amount before and after the profile moves by one node in one
// pass: both must be the amounts a fresh sum gives, bit for bit, for every grid size (the tail
// below a multiple of eight included) and both directions, with any vector unit.
TEST(HatIntegrals, InteriorAmountsOfAShiftAreThoseOfFreshSums) {
    for (int n : {3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 19, 20, 21, 200}) {
        std::vector<double> g(n + 2), volumes(n + 2), c(n + 2);
        for (int i = 1; i <= n + 1; ++i) {
            g[i] = 6.0 + 1.1 * std::pow(double(i - 1) / n, 1.3);
            c[i] = 1.0 + 0.37 * std::sin(1.7 * i) + 1e-9 * i * i;
        }
        for (int i = 1; i <= n; ++i)
            volumes[i] = HatNodeVolume(g.data(), n, i);
        for (int shift : {-1, 1}) {
            double here = 0.0, moved = 0.0;
            HatInteriorAmounts(volumes.data(), c.data(), n, shift, here, moved);
            std::vector<double> m = c;
            for (int i = 3; i <= n - 2; ++i)
                m[i] = c[i + shift];
            const double fresh = HatGridAmount(g.data(), volumes.data(), c.data(), n);
            const double freshMoved = HatGridAmount(g.data(), volumes.data(), m.data(), n);
            EXPECT_EQ(HatGridAmountFrom(g.data(), c.data(), n, here), fresh) << n;
            EXPECT_EQ(HatGridAmountFrom(g.data(), m.data(), n, moved), freshMoved)
                << n << " shift " << shift;
            // the same bits from the plain loops
            const CVectorUnitCap plain(VectorUnit::Plain);
            double plainHere = 0.0, plainMoved = 0.0;
            HatInteriorAmounts(volumes.data(), c.data(), n, shift, plainHere, plainMoved);
            EXPECT_EQ(plainHere, here) << n;
            EXPECT_EQ(plainMoved, moved) << n << " shift " << shift;
        }
    }
}

// Columns of the stiffness and sedimentation matrices sum to zero: the operator moves material
// without creating any, which is why the solvers conserve the amount.
TEST(HatIntegrals, TransportColumnsSumToZero) {
    const double* x = kGrid.data();
    for (int j = 1; j <= kN; ++j) {
        double stiff = 0.0, sed = 0.0;
        for (int i = j - 1; i <= j + 1; ++i) {
            stiff += HatStiffness(x, kN, i, j);
            sed += HatSedimentation(x, kN, i, j);
        }
        EXPECT_NEAR(stiff, 0.0, 1e-9) << j;
        EXPECT_NEAR(sed, 0.0, 1e-12) << j;
    }
}

TEST(HatIntegrals, FrameEndElementsFollowPinnedNodes) {
    const double* x = kGrid.data();
    const int n = kN;
    const double x1 = x[1], x2 = x[2], x3 = x[3];
    struct Case {
        int i, j;
        double want;
    } cases[] = {
        {1, 1, x2 * (x1 + x2) / 12},
        {1, 2, -x2 * (x1 + x2) / 12},
        {2, 1, x2 * (x1 + 3 * x2) / 12},
        {2, 2, (x3 * x3 + 2 * x2 * x3 - x1 * x2) / 12},
        {n - 1, n - 1, (x[n] * x[n - 1] - 2 * x[n - 1] * x[n - 2] - x[n - 2] * x[n - 2]) / 12},
        {n - 1, n, -(3 * x[n - 1] + x[n]) * x[n - 1] / 12},
        {n, n - 1, (x[n] + x[n - 1]) * x[n - 1] / 12},
        {n, n, -(x[n] + x[n - 1]) * x[n - 1] / 12},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(HatFrame(x, n, c.i, c.j), c.want, 1e-13) << c.i << "," << c.j;
    const double g11 = HatFrame(x, n, 1, 1) - HatSedimentation(x, n, 1, 1);
    EXPECT_NEAR(g11, x1 * x1 / 4 + x1 * x2 / 4 + x2 * x2 / 6, 1e-13);
}

TEST(HatIntegrals, OutsideIndicesAndTruncatedGridGiveZero) {
    const double* x = kGrid.data();
    for (auto [i, j] : {std::pair{1, 0}, {kN, kN + 1}, {0, 0}, {2, 4}, {3, 1}})
        EXPECT_EQ(HatMass(x, kN, i, j), 0.0) << i << "," << j;
    // node 4 as the last node: end formula, nothing beyond
    const double xn = x[4], xm = x[3];
    EXPECT_NEAR(HatMass(x, 4, 4, 4), xn * xn / 4 - xn * xm / 6 - xm * xm / 12, 1e-13);
    EXPECT_EQ(HatMass(x, 4, 4, 5), 0.0);
    EXPECT_EQ(HatStiffness(x, 4, 5, 5), 0.0);
}

TEST(HatIntegrals, UniformGridClosedFormsOfThePropagationLoop) {
    const int n = 7;
    const double h = 0.02, m = 6.5;
    std::vector<double> r(n + 1);
    for (int i = 1; i <= n; ++i)
        r[i] = m + (i - 1) * h;
    const double* g = r.data();
    const double r1 = r[1], ri = r[4], rn = r[n];
    EXPECT_NEAR(HatMass(g, n, 1, 1), (h / 4 + r1) * h / 3, 1e-15);
    EXPECT_NEAR(HatMass(g, n, 1, 2), (h / 2 + r1) * h / 6, 1e-15);
    EXPECT_NEAR(HatMass(g, n, 4, 3), (ri - h / 2) * h / 6, 1e-15);
    EXPECT_NEAR(HatMass(g, n, 4, 4), 2 * ri * h / 3, 1e-15);
    EXPECT_NEAR(HatMass(g, n, n, n), (rn - h / 4) * h / 3, 1e-14);
    struct Triple {
        int i, j, k;
        double diffusion, sedimentation;
    } triples[] = {
        {1, 1, 1, (3 * r1 + h) / (6 * h), -(10 * r1 * r1 + 5 * h * r1 + h * h) / 30},
        {n, n, n, (3 * rn - h) / (6 * h), (10 * rn * rn - 5 * h * rn + h * h) / 30},
        {4, 4, 4, ri / h, -h * ri / 3},
        {4, 3, 3, (2 * h - 3 * ri) / (6 * h), (10 * ri * ri - 15 * h * ri + 6 * h * h) / 30},
        {4, 3, 4, (h - 3 * ri) / (6 * h), (10 * ri * ri - 10 * h * ri + 3 * h * h) / 60},
        {4, 4, 5, (2 * h + 3 * ri) / (6 * h), -(10 * ri * ri + 10 * h * ri + 3 * h * h) / 60},
        {4, 5, 5, -(2 * h + 3 * ri) / (6 * h), -(10 * ri * ri + 15 * h * ri + 6 * h * h) / 30},
        {4, 3, 5, 0.0, 0.0},
    };
    for (const Triple& t : triples) {
        EXPECT_NEAR(HatDiffusionTriple(g, n, t.i, t.j, t.k), t.diffusion, 1e-9)
            << t.i << t.j << t.k;
        EXPECT_NEAR(HatSedimentationTriple(g, n, t.i, t.j, t.k), t.sedimentation, 1e-12)
            << t.i << t.j << t.k;
    }
    EXPECT_NEAR(HatMassTriple(g, n, 1, 1, 1), (5 * r1 + h) * h / 20, 1e-15);
    EXPECT_NEAR(HatMassTriple(g, n, 4, 4, 4), ri * h / 2, 1e-15);
}

TEST(HatIntegrals, WeightedElementsReduceToPlainOnesForUnitFactors) {
    const double* x = kGrid.data();
    std::vector<double> one(kN + 1, 1.0), f(kN + 1);
    for (int i = 1; i <= kN; ++i)
        f[i] = 1.0 + 0.1 * i;
    for (int i = 1; i <= kN; ++i) {
        for (int j = i - 1; j <= i + 1; ++j) {
            EXPECT_NEAR(HatWeightedStiffness(x, one.data(), kN, i, j), HatStiffness(x, kN, i, j),
                        1e-9);
            EXPECT_NEAR(HatWeightedSedimentation(x, one.data(), one.data(), kN, i, j),
                        HatSedimentation(x, kN, i, j), 1e-12);
        }
    }
    // stiffness (a, a) with linear f: (2 f_a a + f_a c + f_c a + 2 f_c c) / (6 h) on [x1, x2]
    const double a = x[1], c = x[2], h = c - a;
    EXPECT_NEAR(HatWeightedStiffness(x, f.data(), 2, 1, 1),
                (2 * f[1] * a + f[1] * c + f[2] * a + 2 * f[2] * c) / (6 * h), 1e-9);
}

// The row assembly integrates each element once; its rows must be the pair integrals' to rounding,
// on the whole grid, on a cut at node 4 (its last row loses the element beyond) and on rows
// started inside the grid, which carry the element before the first row over.
TEST(HatIntegrals, WeightedTransportRowsAreThePairIntegrals) {
    const double* x = kGrid.data();
    std::vector<double> f(kN + 1), b(kN + 1);
    for (int i = 1; i <= kN; ++i) {
        f[i] = 1.0 - 0.07 * i + 0.01 * i * i;
        b[i] = 0.9 + 0.03 * std::sin(i);
    }
    const double k = 2.7e-3, D = 6e-7;
    // the size of the entries: r^2 k for the sedimentation, D r / h for the stiffness
    const double scale = k * 36.0 + D * 6.0 / 0.013;
    struct Case {
        int n, first, last;
    } cases[] = {{kN, 1, kN}, {4, 1, 4}, {kN, 3, 5}, {kN, kN, kN}};
    for (const Case& c : cases) {
        std::vector<double> sub(kN + 2, -1.0), diag(kN + 2, -1.0), sup(kN + 2, -1.0);
        double* out[3] = {sub.data(), diag.data(), sup.data()};
        CHatWeightedElements weights;
        weights.FormFor(x, kN);
        HatWeightedTransportRows(weights, f.data(), b.data(), c.n, c.first, c.last, k, D, out);
        for (int i = 1; i <= kN + 1; ++i) {
            for (int d = 0; d < 3; ++d) {
                const int j = i + d - 1;
                const double want = k * HatWeightedSedimentation(x, f.data(), b.data(), c.n, i, j) -
                                    D * HatWeightedStiffness(x, f.data(), c.n, i, j);
                if (i >= c.first && i <= c.last)
                    EXPECT_NEAR(out[d][i], want, 1e-13 * scale)
                        << "rows " << c.first << ".." << c.last << " of " << c.n << ", (" << i
                        << ", " << j << ")";
                else
                    EXPECT_EQ(out[d][i], -1.0) << "row " << i << " is not asked for";
            }
        }
    }
}

// The rows formed element by element are the pair integrals bit for bit, on the whole grid, on a
// grid cut short (rows past its end zero), from any first row and for either sign of s.
TEST(HatIntegrals, RowsAreThePairIntegralsBitForBit) {
    const double* x = kGrid.data();
    struct Case {
        int n, first, last;
        double k;
    } cases[] = {{kN, 1, kN, 2.7e-3}, {4, 1, kN, 2.7e-3}, {kN, 3, 5, -1.1e-3}, {kN, kN, kN, 0.0}};
    const double D = 6e-7;
    for (const Case& c : cases) {
        std::vector<std::vector<double>> rows(6, std::vector<double>(kN + 2, -1.0));
        double* mass[3] = {rows[0].data(), rows[1].data(), rows[2].data()};
        double* out[3] = {rows[3].data(), rows[4].data(), rows[5].data()};
        HatRows(x, c.n, c.first, c.last, c.k, D, mass, out);
        for (int i = 1; i <= kN + 1; ++i)
            for (int d = 0; d < 3; ++d) {
                const int j = i + d - 1;
                const bool asked = i >= c.first && i <= c.last;
                const double m = asked ? HatMass(x, c.n, i, j) : -1.0;
                const double t =
                    asked ? c.k * HatSedimentation(x, c.n, i, j) - D * HatStiffness(x, c.n, i, j)
                          : -1.0;
                EXPECT_EQ(std::memcmp(&mass[d][i], &m, sizeof m), 0)
                    << c.n << ": " << i << ", " << j;
                EXPECT_EQ(std::memcmp(&out[d][i], &t, sizeof t), 0)
                    << c.n << ": " << i << ", " << j;
            }
    }
}

TEST(Tridiagonal, SolvesMatchDenseElimination) {
    const int n = 6;
    std::vector<double> a(n + 1), b(n + 1), c(n + 1), rhs(n + 1), u(n + 1), v(n + 1);
    std::vector<double> gam(n + 1), inv(n + 1), scaled(n + 1), check(n + 1);
    for (int i = 1; i <= n; ++i) {
        a[i] = i > 1 ? -1.0 - 0.1 * i : 0.0;
        c[i] = i < n ? -0.5 + 0.05 * i : 0.0;
        b[i] = 4.0 + 0.3 * i;
        rhs[i] = std::sin(i);
    }
    ASSERT_EQ(ThomasSolve(a.data(), b.data(), c.data(), rhs.data(), u.data(), gam.data(), 1, n),
              TridiagStatus::Ok);
    ASSERT_EQ(
        ThomasFactor(a.data(), b.data(), c.data(), inv.data(), scaled.data(), gam.data(), 1, n),
        TridiagStatus::Ok);
    ThomasSubstitute(scaled.data(), inv.data(), gam.data(), rhs.data(), v.data(), 1, n);
    TridiagProduct(a.data(), b.data(), c.data(), u.data(), check.data(), 1, n);
    // the two-ended factors, for the right-hand side itself and for one formed as (a, b, c) u
    std::vector<double> twisted(n + 1), twistedProduct(n + 1);
    TwistedMeeting meet;
    ASSERT_EQ(TwistedFactor(a.data(), b.data(), c.data(), inv.data(), scaled.data(), gam.data(),
                            meet, 1, n),
              TridiagStatus::Ok);
    TwistedSubstitute(inv.data(), scaled.data(), gam.data(), meet, rhs.data(), twisted.data(), 1,
                      n);
    TwistedSubstituteProduct(a.data(), b.data(), c.data(), u.data(), inv.data(), scaled.data(),
                             gam.data(), meet, twistedProduct.data(), 1, n);
    for (int i = 1; i <= n; ++i) {
        EXPECT_NEAR(check[i], rhs[i], 1e-14) << i;
        EXPECT_NEAR(v[i], u[i], 1e-14) << i;
        EXPECT_NEAR(twisted[i], u[i], 1e-14) << i;
        EXPECT_NEAR(twistedProduct[i], u[i], 1e-14) << i;
    }
    b[1] = 0.0;
    EXPECT_EQ(ThomasSolve(a.data(), b.data(), c.data(), rhs.data(), u.data(), gam.data(), 1, n),
              TridiagStatus::FirstPivotZero);
    b[1] = 1.0, c[1] = 1.0, a[2] = 1.0, b[2] = 1.0; // second pivot 1 - 1 = 0
    EXPECT_EQ(ThomasSolve(a.data(), b.data(), c.data(), rhs.data(), u.data(), gam.data(), 1, n),
              TridiagStatus::LaterPivotZero);
}

// The fixed grid's fused kernels give the numbers of the separate factorisation and
// substitution bit for bit (the step control must not see a difference), whatever row the
// substitution starts at, with the relative changes of the back substitution; a zero pivot is
// reported as by the factorisation alone.
TEST(Tridiagonal, FusedKernelsMatchTheSeparatePassesBitForBit) {
    const int n = 40;
    std::vector<double> la(n + 1), lb(n + 1), lc(n + 1), a(n + 1), b(n + 1), c(n + 1), v(n + 1);
    for (int i = 1; i <= n; ++i) {
        la[i] = i > 1 ? -1.0 - 0.01 * i : 0.0;
        lc[i] = i < n ? -0.7 + 0.003 * i : 0.0;
        lb[i] = 3.1 + 0.02 * i;
        a[i] = i > 1 ? 0.4 + 0.001 * i : 0.0;
        c[i] = i < n ? 0.3 - 0.002 * i : 0.0;
        b[i] = 1.7 - 0.01 * i;
        v[i] = i % 7 == 0 ? 0.0 : std::exp(-0.1 * i) + 0.01 * std::sin(3.0 * i);
    }
    for (int from : {1, 2, 17, n - 1}) {
        std::vector<double> inv(n + 1), scaled(n + 1), gam(n + 1), u(n + 1);
        ASSERT_EQ(ThomasFactor(la.data(), lb.data(), lc.data(), inv.data(), scaled.data(),
                               gam.data(), 1, n),
                  TridiagStatus::Ok);
        ThomasSubstituteProduct(a.data(), b.data(), c.data(), v.data(), scaled.data(), inv.data(),
                                gam.data(), u.data(), 1, from, n);
        std::vector<double> u1(n + 1), ratio1(n + 1);
        ThomasSubstituteProductRatios(a.data(), b.data(), c.data(), v.data(), scaled.data(),
                                      inv.data(), gam.data(), u1.data(), ratio1.data(), 1, from, n);
        std::vector<double> inv2(n + 1), scaled2(n + 1), gam2(n + 1), u2(n + 1), ratio2(n + 1);
        ASSERT_EQ(ThomasFactorSubstituteProductRatios(la.data(), lb.data(), lc.data(), a.data(),
                                                      b.data(), c.data(), v.data(), inv2.data(),
                                                      scaled2.data(), gam2.data(), u2.data(),
                                                      ratio2.data(), 1, from, n),
                  TridiagStatus::Ok);
        for (int i = from; i <= n; ++i) {
            EXPECT_EQ(u1[i], u[i]) << "from " << from << " row " << i;
            EXPECT_EQ(u2[i], u[i]) << "from " << from << " row " << i;
            EXPECT_EQ(inv2[i], inv[i]) << "from " << from << " row " << i;
            EXPECT_EQ(gam2[i], gam[i]) << "from " << from << " row " << i;
        }
        for (int i = from; i < n; ++i) {
            const double expected = std::fabs((u[i] - v[i]) / (v[i] != 0.0 ? v[i] : 1.0));
            EXPECT_EQ(ratio1[i], expected) << "from " << from << " row " << i;
            EXPECT_EQ(ratio2[i], expected) << "from " << from << " row " << i;
        }
    }
    std::vector<double> inv(n + 1), scaled(n + 1), gam(n + 1), u(n + 1), ratio(n + 1);
    lb[1] = 1.0, lc[1] = 1.0, la[2] = 1.0, lb[2] = 1.0; // second pivot 1 - 1 = 0
    EXPECT_EQ(ThomasFactorSubstituteProductRatios(
                  la.data(), lb.data(), lc.data(), a.data(), b.data(), c.data(), v.data(),
                  inv.data(), scaled.data(), gam.data(), u.data(), ratio.data(), 1, 1, n),
              TridiagStatus::LaterPivotZero);
}

// Long fixed-grid systems are eliminated from both ends, meeting in the middle of the rows that
// carry material when factorised; later substitutions may start above or below that meeting.
// Each agrees with the one-ended substitution to rounding, also with the right-hand rows scaled
// by the pivots and the recurrences taken two rows at a time.
TEST(Tridiagonal, TwoEndedSubstitutionFromAnyRowMatchesOneEnded) {
    const int n = 60;
    std::vector<double> la(n + 1), lb(n + 1), lc(n + 1), a(n + 1), b(n + 1), c(n + 1), v(n + 1);
    for (int i = 1; i <= n; ++i) {
        la[i] = i > 1 ? -1.0 - 0.01 * i : 0.0;
        lc[i] = i < n ? -0.7 + 0.003 * i : 0.0;
        lb[i] = 3.1 + 0.02 * i;
        a[i] = i > 1 ? 0.4 + 0.001 * i : 0.0;
        c[i] = i < n ? 0.3 - 0.002 * i : 0.0;
        b[i] = 1.7 - 0.01 * i;
        v[i] = std::exp(-0.05 * i) + 0.01 * std::sin(3.0 * i);
    }
    std::vector<double> inv(n + 1), scaled(n + 1), gam(n + 1);
    auto bits = [](double x, double y) { return std::memcmp(&x, &y, sizeof x) == 0; };
    ASSERT_EQ(
        ThomasFactor(la.data(), lb.data(), lc.data(), inv.data(), scaled.data(), gam.data(), 1, n),
        TridiagStatus::Ok);
    for (int meeting : {2, 20, 45}) {
        std::vector<double> tInv(n + 1), tScaled(n + 1), tBack(n + 1);
        TwistedMeeting meet;
        ASSERT_EQ(TwistedFactorAt(la.data(), lb.data(), lc.data(), tInv.data(), tScaled.data(),
                                  tBack.data(), meet, 1, meeting, n),
                  TridiagStatus::Ok);
        for (int from : {1, 2, 19, 21, 30, 50}) {
            std::vector<double> one(n + 1), two(n + 1);
            ThomasSubstituteProduct(a.data(), b.data(), c.data(), v.data(), scaled.data(),
                                    inv.data(), gam.data(), one.data(), 1, from, n);
            TwistedSubstituteProductFrom(a.data(), b.data(), c.data(), v.data(), tInv.data(),
                                         tScaled.data(), tBack.data(), meet, two.data(), 1, from,
                                         n);
            // the right-hand rows scaled by the pivots, two rows per recurrence step
            std::vector<double> sa = a, sb = b, sc = c, three(n + 1, 99.0);
            ScaleRowsByPivots(sa.data(), sb.data(), sc.data(), tInv.data(), 1, n);
            TwistedSubstituteScaledFrom(sa.data(), sb.data(), sc.data(), v.data(), tScaled.data(),
                                        tBack.data(), meet, three.data(), 1, from, n, 1);
            // rows below `from` already zero from a step before: only the others are cleared,
            // and the rows before `from` end as zeros up to the meeting
            for (int zeroBelow : {from / 2 + 1, from}) {
                std::vector<double> four(n + 1, 99.0);
                std::fill(four.begin() + 1, four.begin() + zeroBelow, 0.0);
                TwistedSubstituteScaledFrom(sa.data(), sb.data(), sc.data(), v.data(),
                                            tScaled.data(), tBack.data(), meet, four.data(), 1,
                                            from, n, zeroBelow);
                for (int i = 1; i <= n; ++i)
                    EXPECT_TRUE(i >= meet.k || i >= from ? bits(four[i], three[i]) : four[i] == 0.0)
                        << "zero below " << zeroBelow << ", meeting " << meeting << ", from "
                        << from << ", row " << i;
            }
            for (int i = from; i <= n; ++i) {
                EXPECT_NEAR(two[i], one[i], 1e-14 * (1.0 + std::fabs(one[i])))
                    << "meeting " << meeting << ", from " << from << ", row " << i;
                EXPECT_NEAR(three[i], one[i], 1e-14 * (1.0 + std::fabs(one[i])))
                    << "scaled, meeting " << meeting << ", from " << from << ", row " << i;
            }
        }
    }
}

// A step's rows formed inside the two-ended factorisation, and its right-hand rows formed and
// scaled after it, are the same numbers as the rows formed first, factorised and scaled after,
// for Crank-Nicolson and damped steps and meetings at either end and in the middle; the first
// and last rows lose their outer entries on both sides, scaled or not.
TEST(Tridiagonal, RowsFormedInsideTheTwoEndedFactorisationAreThoseFormedBefore) {
    const int n = 40;
    std::vector<double> ma(n + 1), mb(n + 1), mc(n + 1), ka(n + 1), kb(n + 1), kc(n + 1);
    for (int i = 1; i <= n; ++i) {
        ma[i] = 0.01 + 1e-4 * i, mb[i] = 0.04 + 3e-4 * i, mc[i] = 0.011 + 1e-4 * i;
        ka[i] = 0.3 + 0.01 * std::sin(i), kc[i] = 0.2 - 0.01 * std::cos(i);
        kb[i] = -(ka[i] + kc[i]) - 0.001 * i;
    }
    auto bits = [](double x, double y) { return std::memcmp(&x, &y, sizeof x) == 0; };
    for (bool damped : {false, true})
        for (int meeting : {1, 20, n - 1}) {
            const double step = 0.37, left = damped ? step : 0.5 * step;
            const double right = damped ? 0.0 : 0.5 * step;
            // apart: rows, factorisation, scaling
            std::vector<double> la(n + 1), lb(n + 1), lc(n + 1), ba(n + 1), bb(n + 1), bc(n + 1);
            for (int i = 1; i <= n; ++i) {
                la[i] = i > 1 ? ma[i] - left * ka[i] : 0.0;
                lb[i] = mb[i] - left * kb[i];
                lc[i] = i < n ? mc[i] - left * kc[i] : 0.0;
                ba[i] = i > 1 ? ma[i] + right * ka[i] : 0.0;
                bb[i] = mb[i] + right * kb[i];
                bc[i] = i < n ? mc[i] + right * kc[i] : 0.0;
            }
            std::vector<double> inv(n + 1), scaled(n + 1), back(n + 1);
            TwistedMeeting meet;
            ASSERT_EQ(TwistedFactorAt(la.data(), lb.data(), lc.data(), inv.data(), scaled.data(),
                                      back.data(), meet, 1, meeting, n),
                      TridiagStatus::Ok);
            const std::vector<double> ua = ba, ub = bb, uc = bc;
            ScaleRowsByPivots(ba.data(), bb.data(), bc.data(), inv.data(), 1, n);
            // together
            std::vector<double> fa(n + 1, 9.0), fb(n + 1, 9.0), fc(n + 1, 9.0);
            std::vector<double> fInv(n + 1), fScaled(n + 1), fBack(n + 1);
            CCrankNicolsonRows rows{ma.data(), mb.data(), mc.data(), ka.data(),
                                    kb.data(), kc.data(), fa.data(), fb.data(),
                                    fc.data(), left,      right,     n};
            TwistedMeeting fMeet;
            ASSERT_EQ(TwistedFactorRowsAt(rows, fInv.data(), fScaled.data(), fBack.data(), fMeet, 1,
                                          meeting, n),
                      TridiagStatus::Ok);
            rows.FormRight(fInv.data(), 1, n);
            // the right-hand rows alone, unscaled
            std::vector<double> ga(n + 1, 9.0), gb(n + 1, 9.0), gc(n + 1, 9.0);
            CCrankNicolsonRows plain = rows;
            plain.Ba = ga.data(), plain.Bb = gb.data(), plain.Bc = gc.data();
            plain.FormRight(nullptr, 1, n);
            EXPECT_TRUE(bits(fMeet.gam, meet.gam) && bits(fMeet.delta, meet.delta) &&
                        bits(fMeet.inv, meet.inv) && fMeet.k == meet.k);
            for (int i = 1; i <= n; ++i) {
                const bool factors =
                    bits(fInv[i], inv[i]) && bits(fScaled[i], scaled[i]) && bits(fBack[i], back[i]);
                const bool right = bits(fa[i], ba[i]) && bits(fb[i], bb[i]) && bits(fc[i], bc[i]);
                const bool unscaled =
                    bits(ga[i], ua[i]) && bits(gb[i], ub[i]) && bits(gc[i], uc[i]);
                EXPECT_TRUE(factors && right && unscaled)
                    << (damped ? "damped" : "Crank-Nicolson") << ", meeting " << meeting << ", row "
                    << i;
            }
        }
}

// The two-ended factorisation runs its halves side by side: a zero pivot in either half, at
// any distance from the meeting and whichever half is the longer, is reported.
TEST(Tridiagonal, TwoEndedFactorReportsAZeroPivotInEitherHalf) {
    const int n = 30;
    struct Case {
        int meeting, zeroRow; // the pivot of zeroRow vanishes
        bool fromTop;
    };
    const Case cases[] = {{15, 3, true},  {15, 27, false}, {5, 4, true},
                          {5, 20, false}, {25, 10, true},  {25, 28, false}};
    for (const Case& cs : cases) {
        std::vector<double> a(n + 1, 0.5), b(n + 1, 3.0), c(n + 1, 0.5);
        // the neighbour on the eliminated side is decoupled from the rows beyond it, so its
        // pivot is its diagonal 1, and the coupling 1 x 1 cancels the diagonal 1 of zeroRow
        const int before = cs.fromTop ? cs.zeroRow - 1 : cs.zeroRow + 1;
        (cs.fromTop ? a : c)[before] = 0.0;
        b[before] = 1.0, b[cs.zeroRow] = 1.0;
        (cs.fromTop ? c[before] : a[before]) = 1.0;
        (cs.fromTop ? a[cs.zeroRow] : c[cs.zeroRow]) = 1.0;
        std::vector<double> inv(n + 1), scaled(n + 1), back(n + 1);
        TwistedMeeting meet;
        EXPECT_EQ(TwistedFactorAt(a.data(), b.data(), c.data(), inv.data(), scaled.data(),
                                  back.data(), meet, 1, cs.meeting, n),
                  TridiagStatus::LaterPivotZero)
            << "meeting " << cs.meeting << ", row " << cs.zeroRow;
    }
}

// The one-shot two-ended solve of the moving frame's steps agrees with ThomasSolve to rounding
// for every size around its meeting rows and the short systems it hands to ThomasSolve, solves
// the system to rounding, and reports a zero pivot in either half or at the meeting.
TEST(Tridiagonal, TwoEndedSolveMatchesOneEndedForAnySize) {
    for (int n : {1, 2, 3, 4, 5, 6, 7, 8, 31, 200}) {
        std::vector<double> a(n + 2), b(n + 2), c(n + 2), r(n + 2), one(n + 2), two(n + 2);
        std::vector<double> gam(n + 2), back(n + 2), check(n + 2);
        for (int i = 1; i <= n; ++i) {
            a[i] = i > 1 ? -1.0 - 0.01 * i : 0.0;
            c[i] = i < n ? -0.7 + 0.003 * i : 0.0;
            b[i] = 2.9 + 0.02 * std::sin(i);
            r[i] = std::exp(-0.05 * i) + 0.1 * std::sin(3.0 * i);
        }
        ASSERT_EQ(ThomasSolve(a.data(), b.data(), c.data(), r.data(), one.data(), gam.data(), 1, n),
                  TridiagStatus::Ok);
        ASSERT_EQ(
            TwistedSolve(a.data(), b.data(), c.data(), r.data(), two.data(), back.data(), 1, n),
            TridiagStatus::Ok)
            << n;
        TridiagProduct(a.data(), b.data(), c.data(), two.data(), check.data(), 1, n);
        for (int i = 1; i <= n; ++i) {
            EXPECT_NEAR(two[i], one[i], 1e-14 * (1.0 + std::fabs(one[i]))) << n << " row " << i;
            EXPECT_NEAR(check[i], r[i], 1e-13) << n << " row " << i;
        }
    }
    const int n = 12;
    using Setup = void (*)(std::vector<double>&, std::vector<double>&, std::vector<double>&);
    struct Case {
        const char* name;
        Setup zeroPivot;
        TridiagStatus status;
    };
    const Case cases[] = {
        {"first row", [](auto&, auto& b, auto&) { b[1] = 0.0; }, TridiagStatus::FirstPivotZero},
        {"last row", [](auto&, auto& b, auto&) { b[n] = 0.0; }, TridiagStatus::FirstPivotZero},
        // rows 1 and 2: pivot 1, then 1 - 1 * 1 = 0 in the half eliminated downward
        {"upper half", [](auto& a, auto& b, auto& c) { b[1] = c[1] = a[2] = b[2] = 1.0; },
         TridiagStatus::LaterPivotZero},
        // rows n and n - 1 likewise in the half eliminated upward
        {"lower half", [](auto& a, auto& b, auto& c) { b[n] = a[n] = c[n - 1] = b[n - 1] = 1.0; },
         TridiagStatus::LaterPivotZero},
    };
    for (const Case& tc : cases) {
        std::vector<double> a(n + 1, -1.0), b(n + 1, 4.0), c(n + 1, -1.0), r(n + 1, 1.0);
        std::vector<double> u(n + 1), back(n + 1);
        a[1] = c[n] = 0.0;
        tc.zeroPivot(a, b, c);
        EXPECT_EQ(TwistedSolve(a.data(), b.data(), c.data(), r.data(), u.data(), back.data(), 1, n),
                  tc.status)
            << tc.name;
    }
}

// The solve by continuants agrees with ThomasSolve to rounding for every size around its meeting
// rows, also on systems so long and so scaled that unscaled continuants would leave the range of
// doubles (pivots near 1e-3 or 1e3 over thousands of rows), and reports zero pivots as
// TwistedSolve does.
TEST(Tridiagonal, ContinuantSolveMatchesOneEndedForAnySizeAndScale) {
    for (double scale : {1e-3, 1.0, 1e3})
        for (int n : {1, 2, 3, 4, 5, 6, 7, 8, 17, 18, 31, 200, 5001}) {
            std::vector<double> a(n + 2), b(n + 2), c(n + 2), r(n + 2), one(n + 2), two(n + 2);
            std::vector<double> gam(n + 2), back(n + 2), check(n + 2);
            for (int i = 1; i <= n; ++i) {
                a[i] = i > 1 ? scale * (-1.0 - 0.01 * std::cos(i)) : 0.0;
                c[i] = i < n ? scale * (-0.7 + 0.3 * std::sin(0.1 * i)) : 0.0;
                b[i] = scale * (2.9 + 0.02 * std::sin(i));
                r[i] = std::exp(-0.001 * i) + 0.1 * std::sin(3.0 * i);
            }
            ASSERT_EQ(
                ThomasSolve(a.data(), b.data(), c.data(), r.data(), one.data(), gam.data(), 1, n),
                TridiagStatus::Ok);
            ASSERT_EQ(ContinuantSolve(a.data(), b.data(), c.data(), r.data(), two.data(),
                                      back.data(), 1, n),
                      TridiagStatus::Ok)
                << n << " at scale " << scale;
            TridiagProduct(a.data(), b.data(), c.data(), two.data(), check.data(), 1, n);
            double worst = 0.0, residual = 0.0;
            for (int i = 1; i <= n; ++i) {
                worst = std::max(worst, std::fabs(two[i] - one[i]) / (1.0 + std::fabs(one[i])));
                residual = std::max(residual, std::fabs(check[i] - r[i]));
            }
            EXPECT_LT(worst, 1e-14) << n << " at scale " << scale;
            EXPECT_LT(residual, 1e-13) << n << " at scale " << scale;
        }
    const int n = 40;
    using Setup = void (*)(std::vector<double>&, std::vector<double>&, std::vector<double>&);
    struct Case {
        const char* name;
        Setup zeroPivot;
        TridiagStatus status;
    };
    const Case cases[] = {
        {"first row", [](auto&, auto& b, auto&) { b[1] = 0.0; }, TridiagStatus::FirstPivotZero},
        {"last row", [](auto&, auto& b, auto&) { b[n] = 0.0; }, TridiagStatus::FirstPivotZero},
        {"upper half", [](auto& a, auto& b, auto& c) { b[1] = c[1] = a[2] = b[2] = 1.0; },
         TridiagStatus::LaterPivotZero},
        {"lower half", [](auto& a, auto& b, auto& c) { b[n] = a[n] = c[n - 1] = b[n - 1] = 1.0; },
         TridiagStatus::LaterPivotZero},
        // rows 17 and 18, either side of a rescaling of the continuants: pivot 1, then 0
        {"after a rescaling",
         [](auto& a, auto& b, auto& c) { a[17] = 0.0, b[17] = c[17] = a[18] = b[18] = 1.0; },
         TridiagStatus::LaterPivotZero},
    };
    for (const Case& tc : cases) {
        std::vector<double> a(n + 1, -1.0), b(n + 1, 4.0), c(n + 1, -1.0), r(n + 1, 1.0);
        std::vector<double> u(n + 1), back(n + 1);
        a[1] = c[n] = 0.0;
        tc.zeroPivot(a, b, c);
        EXPECT_EQ(
            ContinuantSolve(a.data(), b.data(), c.data(), r.data(), u.data(), back.data(), 1, n),
            tc.status)
            << tc.name;
    }
}

} // namespace

// The scaled substitution forms its right-hand sides four rows a vector where it can and row by
// row where it cannot: at the ends of the rows, after a late first row and in short systems.
// Every length and first row agrees with the one-ended substitution to rounding.
TEST(Tridiagonal, ScaledSubstitutionMatchesOneEndedAtEveryLengthAndFirstRow) {
    for (int n : {4, 7, 8, 9, 11, 12, 13, 16, 17, 23, 33})
        for (int from : {1, 2, n / 2, n - 8, n - 7, n - 3, n - 1}) {
            if (from < 1)
                continue;
            auto [la, lb, lc, a, b, c] = SmoothStepMatrices(n);
            std::vector<double> v(n + 1);
            for (int i = 1; i <= n; ++i)
                v[i] = 1.0 + 0.5 * std::sin(0.7 * i);
            std::vector<double> inv(n + 1), scaled(n + 1), gam(n + 1), one(n + 1);
            ASSERT_EQ(ThomasFactor(la.data(), lb.data(), lc.data(), inv.data(), scaled.data(),
                                   gam.data(), 1, n),
                      TridiagStatus::Ok);
            ThomasSubstituteProduct(a.data(), b.data(), c.data(), v.data(), scaled.data(),
                                    inv.data(), gam.data(), one.data(), 1, from, n);
            std::vector<double> tInv(n + 1), tScaled(n + 1), tBack(n + 1), two(n + 1, 0.0);
            TwistedMeeting meet;
            ASSERT_EQ(TwistedFactorAt(la.data(), lb.data(), lc.data(), tInv.data(), tScaled.data(),
                                      tBack.data(), meet, 1, (from + n) / 2, n),
                      TridiagStatus::Ok);
            ScaleRowsByPivots(a.data(), b.data(), c.data(), tInv.data(), 1, n);
            TwistedSubstituteScaledFrom(a.data(), b.data(), c.data(), v.data(), tScaled.data(),
                                        tBack.data(), meet, two.data(), 1, from, n, 1);
            for (int i = from; i <= n; ++i)
                EXPECT_NEAR(two[i], one[i], 1e-14 * (1.0 + std::fabs(one[i])))
                    << "rows " << n << ", from " << from << ", row " << i;
        }
}
