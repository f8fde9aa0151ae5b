// The calculators against physics: the friction of a particle balances its buoyant centrifugal
// force, a non-diffusing boundary dilutes as exp(-2 s w^2 t), the second moment recovers s and the
// loading of boundaries made with known values.
#include "foundations/hydrodynamics.h"
#include "tools/hydro_calculators.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

double Omega(double rpm) {
    return rpm * 2.0 * kPi / 60.0;
}

// A sphere's s in water (f/f0 1) moving at s w^2 r feels a friction equal to the buoyant
// centrifugal force M (1 - vbar rho) w^2 r / N_A on it.
TEST(HydroCalculators, FrictionBalancesTheBuoyantCentrifugalForce) {
    for (double mass : {1.5e4, 1.0e5, 2.0e6}) {
        const double vbar = 0.73, rho = 0.99823, rpm = 50000, r = 6.8;
        const double s = SFromMandFf0(float(mass), float(vbar), 20.0f, float(rho), 1.0f);
        const FrictionForceResult f = FrictionForce(s, r, 1.0, rpm, mass, vbar, 1.0);
        const double w = Omega(rpm);
        const double centrifugal = mass / 6.02214e23 * 1e-3 * (1.0 - vbar * rho) * w * w * r * 0.01;
        EXPECT_NEAR(f.force / centrifugal, 1.0, 2e-4) << mass;
        EXPECT_NEAR(f.velocity, s * 1e-13 * w * w * r * 0.01, 1e-18);
        // Twice the viscosity or the frictional ratio: twice the friction at the same velocity.
        EXPECT_NEAR(FrictionForce(s, r, 2.0, rpm, mass, vbar, 1.0).force / f.force, 2.0, 1e-12);
        EXPECT_NEAR(FrictionForce(s, r, 1.0, rpm, mass, vbar, 2.0).force / f.force, 2.0, 1e-12);
    }
}

// Worked by hand: 1000 kDa, 100 S, vbar 0.73, density 1, 20 C, 50,000 rpm, meniscus 6.2, bottom
// 7.2: D = s R T / (M (1 - vbar rho)) = 9.0267e-8 cm^2/s; the boundary reaches 6.7 cm after
// ln(6.7/6.2) / (w^2 s) = 282.9 s.
TEST(HydroCalculators, BoundaryBroadeningOfAWorkedCase) {
    const BroadeningResult b =
        BoundaryBroadening(6.2, 7.2, 50000, 1000, 0.73, 1.0, 20.0, 100, 0.01);
    const double D = 100e-13 * 8.31451e7 * 293.15 / (0.27 * 1e6);
    EXPECT_NEAR(b.diffusion / D, 1.0, 1e-12);
    const double t = std::log(6.7 / 6.2) / (Omega(50000) * Omega(50000) * 100e-13);
    EXPECT_NEAR(t, 282.9, 0.1);
    EXPECT_NEAR(b.diffusionSpread, std::sqrt(2 * D * t), 1e-12);
    EXPECT_NEAR(b.heterogeneity, std::log(6.7 / 6.2) * 0.01 * 6.7, 1e-12);
    // The spread from heterogeneity grows with delta-s/s, so the ratio falls as its inverse.
    EXPECT_NEAR(BoundaryBroadening(6.2, 7.2, 50000, 1000, 0.73, 1.0, 20.0, 100, 0.02).ratio,
                b.ratio / 2, 1e-12);
}

// The plateau of a non-diffusing boundary falls as exp(-2 s w^2 t); its mean over time is the
// time integral, checked by a fine trapezoid sum; s = 0 dilutes nothing; negative s floats from
// the bottom and concentrates.
TEST(HydroCalculators, RadialDilutionFollowsTheSectorLaw) {
    const double w = Omega(40000), s = 7.0, m = 6.0, b = 7.2;
    const std::vector<double> w2t = {w * w * 1200, w * w * 2400, w * w * 3600};
    const DilutionResult d = RadialDilution(s, m, b, w, w2t.back(), w2t);
    const double x = w * w * s * 1e-13 * 3600;
    EXPECT_NEAR(d.plateauLast, std::exp(-2 * x), 1e-14);
    EXPECT_NEAR(d.boundary, m * std::exp(x), 1e-12);
    double integral = 0;
    const int steps = 20000;
    for (int k = 0; k < steps; ++k) {
        const double a = std::exp(-2 * x * k / steps), c = std::exp(-2 * x * (k + 1) / steps);
        integral += (a + c) / 2 / steps;
    }
    EXPECT_NEAR(d.meanPlateau, integral, 1e-9);
    EXPECT_LT(d.meanOverScans, 1.0);
    EXPECT_GT(d.meanOverScans, d.meanPlateau); // earlier scans are less diluted

    const DilutionResult none = RadialDilution(0.0, m, b, w, w2t.back(), w2t);
    EXPECT_EQ(none.plateauLast, 1.0);
    EXPECT_EQ(none.meanPlateau, 1.0);
    EXPECT_EQ(none.meanOverScans, 1.0);
    const DilutionResult floating = RadialDilution(-3.0, m, b, w, w2t.back(), w2t);
    EXPECT_GT(floating.plateauLast, 1.0);
    EXPECT_LT(floating.boundary, b);
}

// 60,000 rpm, water, meniscus 6.0 and bottom 7.2 cm: rho w^2 (b^2 - m^2) / 2 = 312.7 bar.
TEST(HydroCalculators, PressureOfTheSolutionColumn) {
    const PressureResult p = ColumnPressure(1.0, 6.0, 7.2, Omega(60000));
    EXPECT_NEAR(p.bottom, 312.7, 0.1);
    EXPECT_GT(p.middle, 0.0);
    EXPECT_LT(p.middle, p.bottom / 2); // the pressure rises with r^2
    EXPECT_NEAR(S20wFromExperimental(5.0, 0.73, 0.73, 0.99823, 1.0), 5.0, 1e-12);
    EXPECT_GT(S20wFromExperimental(5.0, 0.73, 0.73, 1.02, 1.2), 5.0); // denser, more viscous
}

// Scans of a non-diffusing species with radial dilution, sampled at 10 um from the meniscus.
struct Boundaries {
    std::vector<std::vector<float>> r, c;
    std::vector<SecondMomentScan> scans;
};
Boundaries MakeBoundaries(double s, double c0, double rpm, int count) {
    Boundaries b;
    const double m = 6.0, w = Omega(rpm);
    const int n = 1150; // 6.0 .. 7.15 cm
    b.r.resize(count);
    b.c.resize(count);
    for (int k = 0; k < count; ++k) {
        const double t = 900.0 * (k + 1);
        const double x = w * w * s * 1e-13 * t;
        const double rb = m * std::exp(x);
        b.r[k].assign(n + 1, 0.0f);
        b.c[k].assign(n + 1, 0.0f);
        for (int j = 1; j <= n; ++j) {
            const double r = m - 0.002 + 0.001 * j;
            b.r[k][j] = float(r);
            b.c[k][j] = r > rb ? float(c0 * std::exp(-2 * x)) : 0.0f;
        }
        b.scans.push_back({b.r[k].data(), b.c[k].data(), n, 20, n, w, w * w * t, t});
    }
    return b;
}

TEST(HydroCalculators, SecondMomentRecoversSAndTheLoading) {
    const Boundaries b = MakeBoundaries(8.0, 0.9, 45000, 8);
    for (bool differential : {true, false}) {
        const SecondMomentResult r = SecondMomentSw(b.scans, 6.0, 7.15, differential);
        ASSERT_TRUE(r.defined) << differential;
        EXPECT_NEAR(r.sw, 8.0, 0.08) << differential;
        EXPECT_NEAR(r.loading, 0.9, 0.005) << differential;
        EXPECT_EQ(r.time.size(), differential ? 7u : 8u);
        for (std::size_t k = 0; k < r.boundary.size(); ++k)
            EXPECT_NEAR(r.boundary[k],
                        6.0 * std::exp(Omega(45000) * Omega(45000) * 8e-13 * 900 * (k + 1)), 0.003);
    }
    // A scan with no signal has no plateau: no sw, and the scan is named.
    Boundaries empty = MakeBoundaries(8.0, 0.9, 45000, 3);
    std::fill(empty.c[1].begin(), empty.c[1].end(), 0.0f);
    const SecondMomentResult r = SecondMomentSw(empty.scans, 6.0, 7.15, false);
    EXPECT_FALSE(r.defined);
    EXPECT_TRUE(std::isfinite(r.sw));

    // The differential form needs two scans at different times: one scan, or two scans with
    // one time, give no slope and no sw rather than 0/0.
    const Boundaries one = MakeBoundaries(8.0, 0.9, 45000, 1);
    EXPECT_FALSE(SecondMomentSw(one.scans, 6.0, 7.15, true).defined);
    Boundaries twin = MakeBoundaries(8.0, 0.9, 45000, 2);
    twin.scans[1].time = twin.scans[0].time;
    EXPECT_FALSE(SecondMomentSw(twin.scans, 6.0, 7.15, true).defined);
}

} // namespace
