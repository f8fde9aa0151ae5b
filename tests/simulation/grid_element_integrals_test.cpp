// The element integrals of the simulation grid against Gauss quadrature of the hat functions
// themselves, their sum rules, the bottom-flux options and the uniform-grid shortcuts.
#include "foundations/resampling.h"
#include "simulation/grid_element_integrals.h"
#include "simulation/lamm_arrays.h"
#include "simulation/romberg_helpers.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "support/cell_fixture.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

namespace {

constexpr int kN = 7;
// A deliberately uneven grid, so element widths differ everywhere.
const double kRho[kN + 1] = {0.0, 6.0, 6.05, 6.2, 6.28, 6.5, 6.9, 7.2};

// Value and slope of hat i at r inside element e (never at a node, so the slope is defined).
double Hat(const double* g, int n, int i, int e, double r) {
    if (i < 1 || i > n)
        return 0.0;
    if (i == e)
        return (g[e + 1] - r) / (g[e + 1] - g[e]);
    if (i == e + 1)
        return (r - g[e]) / (g[e + 1] - g[e]);
    return 0.0;
}

double Slope(const double* g, int n, int i, int e) {
    if (i < 1 || i > n)
        return 0.0;
    if (i == e)
        return -1.0 / (g[e + 1] - g[e]);
    if (i == e + 1)
        return 1.0 / (g[e + 1] - g[e]);
    return 0.0;
}

// Four-point Gauss-Legendre per element: exact for the polynomials of degree <= 7 met here.
double Quadrature(const double* g, int n, const std::function<double(int, double)>& f) {
    static const double x[4] = {-0.8611363115940526, -0.3399810435848563, 0.3399810435848563,
                                0.8611363115940526};
    static const double w[4] = {0.3478548451374538, 0.6521451548625461, 0.6521451548625461,
                                0.3478548451374538};
    double sum = 0.0;
    for (int e = 1; e < n; ++e) {
        const double a = g[e], b = g[e + 1];
        for (int q = 0; q < 4; ++q)
            sum += 0.5 * (b - a) * w[q] * f(e, 0.5 * (a + b) + 0.5 * (b - a) * x[q]);
    }
    return sum;
}

// Frame velocity shape r - rho_1 hat_1 - rho_n hat_n.
double Frame(const double* g, int n, int e, double r) {
    return r - g[1] * Hat(g, n, 1, e, r) - g[n] * Hat(g, n, n, e, r);
}

class GridElementIntegrals : public CellTest {
  protected:
    void SetUp() override {
        CellTest::SetUp();
        ModelChoice::movingHatAlgorithm = true;
        LammGrid::gridSize = kN;
        ASSERT_TRUE(AllocLammArrays());
        for (int i = 1; i <= kN; ++i)
            LammGrid::movingRadius[i] = LammGrid::radius[i] = kRho[i];
    }
};

} // namespace

TEST_F(GridElementIntegrals, PairIntegralsAreExact) {
    const double* g = kRho;
    const int n = kN;
    using Pair = double (*)(int, int);
    struct Case {
        const char* name;
        Pair f;
        std::function<double(int, int, int, double)> integrand;
    };
    const Case cases[] = {
        {"mass", FeElemGrid2B,
         [g](int i, int j, int e, double r) {
             return Hat(g, n, i, e, r) * Hat(g, n, j, e, r) * r;
         }},
        {"mass C", FeElemGrid2C,
         [g](int i, int j, int e, double r) {
             return Hat(g, n, i, e, r) * Hat(g, n, j, e, r) * r;
         }},
        {"diffusion", FeElemGrid2D,
         [g](int i, int j, int e, double r) { return Slope(g, n, i, e) * Slope(g, n, j, e) * r; }},
        {"sedimentation", FeElemGrid2E,
         [g](int i, int j, int e, double r) {
             return Slope(g, n, i, e) * Hat(g, n, j, e, r) * r * r;
         }},
        {"frame", FeElemGrid2A,
         [g](int i, int j, int e, double r) {
             return -Hat(g, n, i, e, r) * Slope(g, n, j, e) * Frame(g, n, e, r) * r;
         }},
        {"frame F", FeElemGrid2F,
         [g](int i, int j, int e, double r) {
             return -Hat(g, n, i, e, r) * Slope(g, n, j, e) * Frame(g, n, e, r) * r;
         }},
        {"static mass", [](int i, int j) { return FeElemGrid3A(i, j, kN); },
         [g](int i, int j, int e, double r) {
             return Hat(g, n, i, e, r) * Hat(g, n, j, e, r) * r;
         }},
        {"static diffusion", [](int i, int j) { return FeElemGrid3B(i, j, kN + 5); },
         [g](int i, int j, int e, double r) { return Slope(g, n, i, e) * Slope(g, n, j, e) * r; }},
        {"static sedimentation", [](int i, int j) { return FeElemGrid3C(i, j, kN); },
         [g](int i, int j, int e, double r) {
             return Slope(g, n, i, e) * Hat(g, n, j, e, r) * r * r;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (int i = 0; i <= n + 1; ++i)
            for (int j = i - 2; j <= i + 2; ++j) {
                const double exact =
                    Quadrature(g, n, [&](int e, double r) { return c.integrand(i, j, e, r); });
                EXPECT_NEAR(c.f(i, j), exact, 1e-12) << i << "," << j;
            }
    }
}

TEST_F(GridElementIntegrals, TripleIntegralsAreExact) {
    const double* g = kRho;
    const int n = kN;
    using Triple = double (*)(int, int, int);
    struct Case {
        const char* name;
        Triple f;
        std::function<double(int, int, int, int, double)> integrand;
    };
    auto h = [g](int i, int e, double r) { return Hat(g, n, i, e, r); };
    auto d = [g](int i, int e) { return Slope(g, n, i, e); };
    const Case cases[] = {
        {"mass", FeElemTriGrid2B,
         [=](int i, int j, int k, int e, double r) {
             return h(i, e, r) * h(j, e, r) * h(k, e, r) * r;
         }},
        {"sedimentation", FeElemTriGrid2,
         [=](int i, int j, int k, int e, double r) {
             return d(i, e) * h(j, e, r) * h(k, e, r) * r * r;
         }},
        {"diffusion", FETripleIntegral,
         [=](int i, int j, int k, int e, double r) { return d(i, e) * d(j, e) * h(k, e, r) * r; }},
        {"diffusion of a product", FETripleIntegralProduct,
         [=](int i, int j, int k, int e, double r) {
             return d(i, e) * (d(j, e) * h(k, e, r) + h(j, e, r) * d(k, e)) * r;
         }},
        {"frame of a product", FeElemTriGrid2A,
         [=](int i, int j, int k, int e, double r) {
             return -h(i, e, r) * (d(j, e) * h(k, e, r) + h(j, e, r) * d(k, e)) *
                    Frame(g, n, e, r) * r;
         }},
        {"frame with a factor", FeElemTriGrid2Frame,
         [=](int i, int j, int k, int e, double r) {
             return -h(i, e, r) * d(j, e) * h(k, e, r) * Frame(g, n, e, r) * r;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (int i = 0; i <= n + 1; ++i)
            for (int j = i - 1; j <= i + 1; ++j)
                for (int k = i - 2; k <= i + 2; ++k) {
                    const double exact = Quadrature(
                        g, n, [&](int e, double r) { return c.integrand(i, j, k, e, r); });
                    EXPECT_NEAR(c.f(i, j, k), exact, 1e-11) << i << "," << j << "," << k;
                }
    }
}

TEST_F(GridElementIntegrals, SumRules) {
    for (int i = 1; i <= kN; ++i) {
        double mass = 0, frame = 0, diffusion = 0, sed = 0;
        for (int j = i - 1; j <= i + 1; ++j) {
            mass += FeElemGrid2B(i, j);
            frame += FeElemGrid2A(i, j);
            diffusion += FeElemGrid2D(i, j);
            sed += FeElemGrid2E(i, j);
        }
        // the hats sum to one: rows of the mass matrix give the node weight, the others the
        // integral of the test function's slope alone
        EXPECT_NEAR(mass, FeElemGrid1(i), 1e-13) << i;
        EXPECT_EQ(FeElemGrid1(i), FeElemGrid1B(i));
        EXPECT_NEAR(FeElemGrid1R(i, kN), FeElemGrid1(i), 1e-13);
        EXPECT_NEAR(frame, 0.0, 1e-12) << i;
        EXPECT_NEAR(diffusion, 0.0, 1e-10) << i;
        const double slopeR2 =
            Quadrature(kRho, kN, [i](int e, double r) { return Slope(kRho, kN, i, e) * r * r; });
        EXPECT_NEAR(sed, slopeR2, 1e-12) << i;
    }
    double volume = 0;
    for (int i = 1; i <= kN; ++i)
        volume += FeElemGrid1(i);
    EXPECT_NEAR(volume, (7.2 * 7.2 - 6.0 * 6.0) / 2.0, 1e-12);
}

// The amount on the reference grid for sizes that leave the four summing lanes no remainder, a
// partial one and none at all: the end nodes weigh by the grid, the interior by the given
// volumes; with the grid's own volumes and c = 1 it is the cell's integral of r.
TEST_F(GridElementIntegrals, ReferenceAmountWeighsEndsByTheGridAndTheInteriorByVolumes) {
    for (int n : {6, 7, 8, 11, 12, 13}) {
        ASSERT_TRUE(EnsureLammArrays(n)) << n;
        for (int i = 1; i <= n; ++i)
            LammGrid::movingRadius[i] = 6.0 + 1.2 * std::pow((i - 1.0) / (n - 1.0), 1.3);
        std::vector<double> volumes(std::size_t(n) + 1, -1e9), c(std::size_t(n) + 1);
        double expected = 0.0;
        for (int i = 1; i <= n; ++i) {
            c[std::size_t(i)] = 0.5 + 0.1 * i;
            const bool end = i <= 2 || i >= n - 1;
            if (!end)
                volumes[std::size_t(i)] = 0.01 * (10 + i);
            expected += (end ? FeElemGrid1B(i) : volumes[std::size_t(i)]) * c[std::size_t(i)];
        }
        EXPECT_NEAR(ReferenceGridAmount(volumes.data(), c.data(), n), expected, 1e-12) << n;

        for (int i = 1; i <= n; ++i) {
            volumes[std::size_t(i)] = FeElemGrid1B(i);
            c[std::size_t(i)] = 1.0;
        }
        EXPECT_NEAR(ReferenceGridAmount(volumes.data(), c.data(), n), (7.2 * 7.2 - 36.0) / 2.0,
                    1e-12)
            << n;
    }
}

TEST_F(GridElementIntegrals, NetAndEndRowsOfTheFrame) {
    for (int i = 3; i <= kN - 2; ++i)
        for (int j = i - 1; j <= i + 1; ++j)
            EXPECT_NEAR(FeElemGrid2Net(i, j), 2.0 * FeElemGrid2B(i, j), 1e-12) << i << "," << j;
    const double r1 = kRho[1], r2 = kRho[2];
    EXPECT_NEAR(FeElemGrid2A(1, 1), (r1 + r2) * r2 / 12.0, 1e-13);
    EXPECT_NEAR(FeElemGrid2A(1, 2), -(r1 + r2) * r2 / 12.0, 1e-13);
}

TEST_F(GridElementIntegrals, BackDiffusionShutOffOpensTheBottom) {
    EXPECT_EQ(FeElemGrid2Stiff(kN, kN), FeElemGrid2D(kN, kN));
    EXPECT_EQ(FeElemGrid2Sed(kN, kN), FeElemGrid2E(kN, kN));
    LammGrid::backDiffusionShutOff = true;
    const double f = kRho[kN] / (kRho[kN] - kRho[kN - 1]);
    EXPECT_NEAR(FeElemGrid2Stiff(kN, kN - 1) - FeElemGrid2D(kN, kN - 1), f, 1e-12);
    EXPECT_NEAR(FeElemGrid2Stiff(kN, kN) - FeElemGrid2D(kN, kN), -f, 1e-12);
    EXPECT_NEAR(FeElemGrid2Sed(kN, kN) - FeElemGrid2E(kN, kN), -kRho[kN] * kRho[kN], 1e-12);
    EXPECT_NEAR(FeElemGrid2Net(kN, kN), FeElemGrid2A(kN, kN) - FeElemGrid2Sed(kN, kN), 1e-12);
    EXPECT_NEAR(FeElemGrid2Net(kN, kN) - (FeElemGrid2A(kN, kN) - FeElemGrid2E(kN, kN)),
                kRho[kN] * kRho[kN], 1e-12);
    // other rows are untouched
    EXPECT_EQ(FeElemGrid2Stiff(kN - 1, kN), FeElemGrid2D(kN - 1, kN));
    EXPECT_EQ(FeElemGrid2Sed(1, 1), FeElemGrid2E(1, 1));
}

TEST_F(GridElementIntegrals, ActivePartEndsAtItsLastHat) {
    const int N = 4;
    const double a = kRho[3], b = kRho[4];
    EXPECT_NEAR(FeElemGrid3A(N, N, N), (b - a) * (a + 3 * b) / 12.0, 1e-13);
    EXPECT_EQ(FeElemGrid3A(N, N + 1, N), 0.0);
    EXPECT_EQ(FeElemGrid3B(N + 1, N + 1, N), 0.0);
    EXPECT_NEAR(FeElemGrid1R(N, N), (b - a) * (a + 2 * b) / 6.0, 1e-13);
}

TEST_F(GridElementIntegrals, UniformFunctionsUseTheUniformWidth) {
    // on the uniform grid with end points they equal the general integrals
    FreeLammArrays();
    ModelChoice::movingHatAlgorithm = false;
    ModelChoice::claverieAlgorithm = true;
    LammGrid::gridSize = 13;
    ASSERT_TRUE(AllocLammArrays());
    const int n = 13;
    const double h = (double(7.2f) - 6.0) / (n - 1);
    for (int i = 1; i <= n; ++i)
        for (int j = i - 1; j <= i + 1; ++j) {
            EXPECT_NEAR(FeElemUniform2(i, j), FeElemGrid3A(i, j, n), 1e-6) << i << "," << j;
            for (int k = i - 1; k <= i + 1; ++k) {
                // a uniform grid in single precision: the general integrals see its rounding
                const double* r = LammGrid::radius;
                EXPECT_NEAR(FeElemUniformTriM(i, j, k),
                            Quadrature(r, n,
                                       [&](int e, double x) {
                                           return Hat(r, n, i, e, x) * Hat(r, n, j, e, x) *
                                                  Hat(r, n, k, e, x) * x;
                                       }),
                            1e-6);
                EXPECT_NEAR(FeElemUniformTriD(i, j, k),
                            Quadrature(r, n,
                                       [&](int e, double x) {
                                           return Slope(r, n, i, e) * Slope(r, n, j, e) *
                                                  Hat(r, n, k, e, x) * x;
                                       }),
                            5e-4);
                EXPECT_NEAR(FeElemUniformTriS(i, j, k),
                            Quadrature(r, n,
                                       [&](int e, double x) {
                                           return Slope(r, n, i, e) * Hat(r, n, j, e, x) *
                                                  Hat(r, n, k, e, x) * x * x;
                                       }),
                            1e-5);
            }
        }
    EXPECT_NEAR(UniformElementWidth(), h, 1e-15);
    // closed forms at the ends and in the interior, from each node's own radius
    const double* r = LammGrid::radius;
    for (int i = 0; i <= n; ++i)
        LammGrid::radius[i] = 6.0 + 0.001 * i * i; // now uneven
    EXPECT_NEAR(FeElemUniform2(5, 5), 2.0 * r[5] * h / 3.0, 1e-14);
    EXPECT_NEAR(FeElemUniform2(5, 6), (r[5] + h / 2) * h / 6.0, 1e-14);
    EXPECT_NEAR(FeElemUniform2(5, 4), (r[5] - h / 2) * h / 6.0, 1e-14);
    EXPECT_NEAR(FeElemUniform2(1, 1), (r[1] + h / 4) * h / 3.0, 1e-14);
    EXPECT_NEAR(FeElemUniform2(n, n), (r[n] - h / 4) * h / 3.0, 1e-14);
    EXPECT_EQ(FeElemUniform2(1, 0), 0.0);
    EXPECT_EQ(FeElemUniform2(n, n + 1), 0.0);
    EXPECT_EQ(FeElemUniform2(5, 7), 0.0);
    EXPECT_GT(std::fabs(FeElemUniform2(5, 5) - FeElemGrid3A(5, 5, n)), 1e-6);
}

namespace {

double Cubic(double x) {
    return x * x * x - 2.0 * x;
}

} // namespace

TEST(RombergHelpers, TrapezoidRefinementAndExtrapolation) {
    // stage estimates of the cubic on [0, 2]: 1, 2, 4, 8 intervals
    const double exact = 4.0 - 4.0;
    double s[6], h2[6];
    for (int stage = 1; stage <= 5; ++stage) {
        s[stage] = trapzd(Cubic, 0.0, 2.0, stage, stage > 1 ? s[stage - 1] : 0.0);
        h2[stage] = std::pow(0.25, stage - 1);
    }
    EXPECT_NEAR(s[1], 2.0 * (0.0 + 4.0) / 2.0, 1e-15);
    EXPECT_NEAR(s[2], 0.5 * (s[1] + 2.0 * Cubic(1.0)), 1e-15);
    // the trapezoid error is h^2 for a cubic: extrapolating to h = 0 from two stages is exact
    double y = 0, dy = 0;
    dpolint(h2 + 3, s + 3, 2, 0.0, &y, &dy);
    EXPECT_NEAR(y, exact, 1e-12);
    // Neville through a cubic's four values reproduces it anywhere
    const double xa[5] = {0, 1, 2, 3, 4}, ya[5] = {0, Cubic(1), Cubic(2), Cubic(3), Cubic(4)};
    dpolint(xa, ya, 4, 2.5, &y, &dy);
    EXPECT_NEAR(y, Cubic(2.5), 1e-12);
}
