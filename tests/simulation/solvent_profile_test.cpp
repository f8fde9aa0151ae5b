// The inhomogeneous solvent on the simulation grid: its element integrals against closed forms,
// and the boundary of a species in a compressed solvent of raised viscosity against the path
// dr/dt = s v b(r) w^2 r integrated by hand.
#include "lamm/hat_integrals.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/inhomogeneous_solvent.h"
#include "simulation/solvent_profile.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/module_solver_harness.h"
#include "support/reset_all_state.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

using IS = InhomogeneousSolvent;

// Node factors on an uneven grid of four nodes.
struct Factors {
    std::vector<double> r{0.0, 6.0, 6.1, 6.25, 6.3};
    std::vector<double> v{0.0, 0.9, 0.8, 0.7, 0.65};
    std::vector<double> b{0.0, 1.0, 0.95, 0.9, 0.8};
};

void Install(const std::vector<double>& v, const std::vector<double>& b) {
    SolventProfile::viscosityFactor = v;
    SolventProfile::buoyancyFactor = b;
}

// The diffusion element sums E(a, c) = ((2 r_a + r_c) v_a + (r_a + 2 r_c) v_c) / (6 h) over the
// elements of a node; the sedimentation element has the closed form of its first row; with
// factors 1 both are the plain elements.
TEST(SolventProfile, ElementIntegralsCarryTheNodeFactors) {
    ResetAllState();
    const Factors f;
    const double* r = f.r.data();
    const int n = 4;
    auto E = [&](int a, int c) {
        return ((2 * r[a] + r[c]) * f.v[a] + (r[a] + 2 * r[c]) * f.v[c]) / (6.0 * (r[c] - r[a]));
    };
    Install(f.v, f.b);
    EXPECT_NEAR(RadialDiffusionElement(1, 1, r, n), E(1, 2), 1e-12);
    EXPECT_NEAR(RadialDiffusionElement(3, 3, r, n), E(2, 3) + E(3, 4), 1e-12);
    EXPECT_NEAR(RadialDiffusionElement(3, 2, r, n), -E(2, 3), 1e-12);
    EXPECT_NEAR(RadialDiffusionElement(4, 4, r, n), E(3, 4), 1e-12);
    EXPECT_EQ(RadialDiffusionElement(1, 3, r, n), 0.0);
    EXPECT_EQ(RadialDiffusionElement(4, 5, r, n), 0.0);

    const double r1 = r[1], r2 = r[2], v1 = f.v[1], v2 = f.v[2], b1 = f.b[1], b2 = f.b[2];
    const double s11 = -(v1 * b1 * (10 * r1 * r1 + 4 * r1 * r2 + r2 * r2) +
                         (v2 * b1 + v1 * b2) * (2 * r1 * r1 + 2 * r1 * r2 + r2 * r2) +
                         v2 * b2 * (r1 * r1 + 2 * r1 * r2 + 2 * r2 * r2)) /
                       60.0;
    const double s12 = -(v1 * b1 * (2 * r1 * r1 + 2 * r1 * r2 + r2 * r2) +
                         (v2 * b1 + v1 * b2) * (r1 * r1 + 2 * r1 * r2 + 2 * r2 * r2) +
                         v2 * b2 * (r1 * r1 + 4 * r1 * r2 + 10 * r2 * r2)) /
                       60.0;
    EXPECT_NEAR(RadialSedimentationElement(1, 1, r, n), s11, 1e-12);
    EXPECT_NEAR(RadialSedimentationElement(1, 2, r, n), s12, 1e-12);
    EXPECT_NEAR(RadialFECoefficientA(r, 3), r[3] * f.v[3] / (r[3] - r[2]), 1e-12);
    EXPECT_NEAR(RadialFECoefficientB(r, 3), f.v[3] * f.b[3] * r[3] * r[3], 1e-12);

    Install(std::vector<double>(5, 1.0), std::vector<double>(5, 1.0));
    for (int i = 1; i <= n; ++i)
        for (int j = i - 1; j <= i + 1; ++j) {
            EXPECT_NEAR(RadialDiffusionElement(i, j, r, n), HatStiffness(r, n, i, j), 1e-12);
            EXPECT_NEAR(RadialSedimentationElement(i, j, r, n), HatSedimentation(r, n, i, j),
                        1e-12);
        }
    // A profile made for a smaller grid gives no elements rather than reading past its end.
    Install(std::vector<double>(3, 1.0), std::vector<double>(3, 1.0));
    EXPECT_EQ(RadialDiffusionElement(1, 1, r, n), 0.0);
}

// The boundary midpoint by linear interpolation: the radius where the profile first reaches half
// the plateau value found at `plateau`.
double Midpoint(const ModuleRun& run, int scan, double from, double plateau) {
    const double half = 0.5 * run.ValueAt(scan, plateau);
    double r = from;
    while (r < plateau && run.ValueAt(scan, r + 1e-4) < half)
        r += 1e-4;
    return r;
}

// The path of the boundary, dr/dt = s w^2 r v b(r), by classical Runge-Kutta.
double HandBoundary(double s, double rpm, double t, double v, double (*b)(double)) {
    const double w2 = std::pow(rpm * M_PI / 30.0, 2);
    auto rate = [&](double r) { return s * 1e-13 * w2 * r * v * b(r); };
    double r = ModelParameters::meniscus;
    const int steps = 2000;
    const double h = t / steps;
    for (int k = 0; k < steps; ++k) {
        const double k1 = rate(r), k2 = rate(r + 0.5 * h * k1), k3 = rate(r + 0.5 * h * k2),
                     k4 = rate(r + h * k3);
        r += h / 6.0 * (k1 + 2 * k2 + 2 * k3 + k4);
    }
    return r;
}

// The buoyancy factor of the compressed solvent at radius r (vbar 0.73, water at the meniscus).
double gKappa = 0.0;
double CompressedBuoyancy(double r) {
    double rho[2] = {0.0, 0.0};
    const double x[2] = {0.0, r};
    CompressedSolventDensity(rho, x, 1, IS::bufferDensity, gKappa);
    const double vbar = ScanStore::vbar;
    return (1.0 - vbar * rho[1]) / (1.0 - vbar * 0.99823f);
}

// A buffer 1.25 times as viscous as water slows the boundary to 0.8 of its speed; compressed by
// an exaggerated compressibility the solvent grows denser towards the bottom, and the boundary
// slows further as it moves. The moving-frame solver follows the hand-integrated path in both,
// and keeps the amount.
TEST(SolventProfile, ViscosityAndDensityGradientSlowTheBoundaryAsComputedByHand) {
    struct Case {
        const char* name;
        double kappa; // per MPa
    } cases[] = {{"viscous buffer", 0.0}, {"viscous, compressed", 0.02}};
    for (const Case& c : cases) {
        ModuleCase mc;
        mc.name = c.name;
        mc.road = SolverRoad::MovingHat;
        mc.s = 5.0;
        mc.D = 1e-7;
        mc.scans = 6;
        mc.firstScanS = 1200.0;
        mc.intervalS = 600.0;
        ModuleRun run(mc);
        PrepareModuleCase(mc);
        ScanStore::vbar = 0.73f;
        ModelChoice::inhomogeneousSolvent = true;
        IS::compressibleSolvent = true;
        IS::sedimentingCosolute = false;
        IS::bufferDensity = 0.99823f;
        IS::relativeViscosity = 1.25f;
        IS::compressibility = gKappa = c.kappa;
        ASSERT_EQ(SolveModuleCase(mc), LammResult::Solved) << c.name;
        // the node factors leave every column of the transport operator summing to zero
        const double m = mc.meniscus, b = mc.bottom;
        EXPECT_NEAR(LammGrid::totalAmount / (1.2 * 0.0349065850398866 * (b * b - m * m) / 2.0), 1.0,
                    1e-10)
            << c.name << ": amount (1e-10)";
        for (int scan : {2, 4, 6}) {
            const double t = run.ScanTime(scan);
            const double hand = HandBoundary(mc.s, mc.rpm, t, 0.8, CompressedBuoyancy);
            const double plain = HandBoundary(mc.s, mc.rpm, t, 1.0, [](double) { return 1.0; });
            const double found = Midpoint(run, scan, hand - 0.1, hand + 0.08);
            EXPECT_NEAR(found, hand, 0.0015)
                << c.name << " at " << t << " s; without the solvent's effect " << plain;
            EXPECT_GT(plain - hand, 0.02) << c.name;
        }
    }
}

// A species on the fixed grid over a sedimenting cosolute (viscosity eta_w (1 + 0.2 c)): after
// each step only the nodes whose factors changed are copied into the profile, and at the end
// every node's viscosity factor is still that of its own molarity, 1 / (1 + 0.2 c), the last
// node of each changed range included.
TEST(SolventProfile, EveryNodesViscosityFactorFollowsTheSedimentedCosolute) {
    ModuleCase mc;
    mc.road = SolverRoad::FixedGrid;
    mc.s = 5.0;
    mc.D = 6e-7;
    mc.scans = 3;
    mc.gridSize = 300;
    PrepareModuleCase(mc);
    ScanStore::vbar = 0.73f;
    ModelChoice::inhomogeneousSolvent = true;
    IS::compressibleSolvent = false;
    IS::sedimentingCosolute = IS::dynamicGradient = true;
    IS::loadingConcentration = 2.0;
    IS::apparentS = 2.0;
    IS::densityCoefficients = {0.0, 0.99823, 0.0, 12.5};
    IS::viscosityCoefficients = {0.0, 1.0, 0.0, 20.0};
    ASSERT_EQ(SolveModuleCase(mc), LammResult::Solved);
    const int n = SolventProfile::Size();
    ASSERT_GT(n, 10);
    ASSERT_EQ(SolventProfile::cosolute.size(), std::size_t(n) + 1);
    EXPECT_GT(SolventProfile::cosolute[n], SolventProfile::cosolute[1] + 0.1) << "sedimented";
    for (int i = 1; i <= n; ++i)
        ASSERT_NEAR(SolventProfile::viscosityFactor[i] * (1.0 + 0.2 * SolventProfile::cosolute[i]),
                    1.0, 1e-9)
            << "node " << i << " of " << n;
    ResetAllState();
}

} // namespace
