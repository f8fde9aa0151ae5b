// The inhomogeneous solvent in the Lamm solver: the node factors of each solvent model, and the
// solutions of both loops against uniform solvents and against the boundary's characteristic
// dr/dt = s0 b(r) f(r) w^2 r in a density gradient.
#include "support/lamm_harness.h"
#include "support/reset_all_state.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>

namespace {

constexpr double kWaterViscosity = 0.001002, kWaterDensity = 0.99823;

struct Solvent {
    bool compressible = false, linear = false, cosolvent = false;
    double kappa = 0.0;
    float rho0 = 0.99823f, viscosityRatio = 1.0f;
    double rhoM = kWaterDensity, rhoB = kWaterDensity;
    double etaM = kWaterViscosity, etaB = kWaterViscosity;
};

void LoadSolvent(CLammIdeal& o, const Solvent& v) {
    o.LoadSolventOptions(true, true, v.compressible, v.linear, v.kappa, 0.73f, 1.0f, 1.0f, 0.73f,
                         0.73f, v.rho0, 0.001002f, v.viscosityRatio, 0.7287f, v.rhoM, v.rhoB,
                         v.etaM, v.etaB);
    o.cosolventGradient = v.cosolvent;
}

class LammSolvent : public ::testing::Test {
  protected:
    void SetUp() override { ResetAllState(); }
};

// Models whose factors are the same at every node, with the values they must take.
TEST_F(LammSolvent, UniformModelsGiveConstantFactors) {
    const double water = 1.0 - 0.73 * kWaterDensity;
    struct Case {
        const char* name;
        Solvent solvent;
        double f, b; // expected at every node
    };
    Solvent plain;
    Solvent equalEnds;
    equalEnds.linear = true;
    equalEnds.rhoM = equalEnds.rhoB = 1.1;
    equalEnds.etaM = equalEnds.etaB = 0.002;
    Solvent incompressible;
    incompressible.compressible = true;
    incompressible.rho0 = 1.05f;
    incompressible.viscosityRatio = 1.25f;
    Solvent cosolvent;
    cosolvent.cosolvent = true;
    const Case cases[] = {
        {"HomogeneousSwitchOnly", plain, 1.0, 1.0},
        {"LinearGradientEqualEnds", equalEnds, kWaterViscosity / 0.002, (1.0 - 0.73 * 1.1) / water},
        {"CompressibleKappaZero", incompressible, 0.8, (1.0 - 0.73 * 1.05f) / water},
        {"CosolventWithoutCoefficients", cosolvent, 1.0, 1.0},
    };
    for (const Case& k : cases) {
        CLammIdeal o;
        LoadSolvent(o, k.solvent);
        o.N = 6, o.meniscus = 6.0, o.bottom = 7.0, o.finalRotorSpeed = 50000.0;
        const double radii[7] = {0, 6.0, 6.2, 6.4, 6.6, 6.8, 7.0};
        o.SetupSolventFactors(radii);
        for (int i = 1; i <= o.N; ++i) {
            EXPECT_NEAR(o.viscosityFactor[i], k.f, 1e-6) << k.name << " node " << i;
            EXPECT_NEAR(o.buoyancyFactor[i], k.b, 1e-6) << k.name << " node " << i;
        }
        if (!k.solvent.linear && !k.solvent.compressible) {
            EXPECT_NEAR(o.SolventScaledS(4.5), 4.5, 1e-6) << k.name;
        }
    }
}

// A compressible solvent is densest at the bottom, where the pressure is highest, and has its
// reference density at the meniscus.
TEST_F(LammSolvent, CompressedDensityRisesWithPressure) {
    CLammIdeal o;
    o.N = 5, o.meniscus = 6.0, o.finalRotorSpeed = 60000.0;
    const double radii[6] = {0, 6.0, 6.3, 6.6, 6.9, 7.2};
    double rho[6] = {};
    o.CompressedDensity(rho, radii, 1.0, 4.6e-5);
    EXPECT_DOUBLE_EQ(rho[1], 1.0);
    for (int i = 2; i <= 5; ++i)
        EXPECT_GT(rho[i], rho[i - 1]) << "node " << i;
    EXPECT_LT(rho[5], 1.01);
}

LammCase Species(bool movingHat) {
    LammCase lc;
    lc.name = movingHat ? "MovingHat" : "FixedGrid";
    lc.movingHat = movingHat;
    lc.gridSize = 800;
    lc.scans = 6;
    lc.firstScanS = lc.intervalS = 500.0;
    lc.maxDcOverC = movingHat ? 0.25 : 1.0;
    return lc;
}

int RunIn(LammRun& run, const Solvent& solvent) {
    run.Load();
    LoadSolvent(run.solver, solvent);
    return static_cast<int>(run.solver.Run());
}

// A solvent that is water everywhere, or uniformly twice as viscous, must give the solution of
// the homogeneous solver with s and D (halved for the viscous one) to the solver's precision.
TEST_F(LammSolvent, UniformSolventsMatchHomogeneousSolution) {
    struct Case {
        const char* name;
        double eta;
        bool movingHat;
        double tolerance;
    } cases[] = {
        {"WaterFixedGrid", kWaterViscosity, false, 2e-5},
        {"WaterMovingHat", kWaterViscosity, true, 1e-4},
        {"ViscousFixedGrid", 2.0 * kWaterViscosity, false, 2e-3},
        {"ViscousMovingHat", 2.0 * kWaterViscosity, true, 2e-3},
    };
    for (const Case& k : cases) {
        LammCase lc = Species(k.movingHat);
        Solvent solvent;
        solvent.linear = true;
        solvent.etaM = solvent.etaB = k.eta;
        LammRun inhomogeneous(lc);
        ASSERT_EQ(RunIn(inhomogeneous, solvent), 0) << k.name;
        const double f = kWaterViscosity / k.eta;
        lc.s *= f, lc.D *= f;
        LammRun homogeneous(lc);
        ASSERT_EQ(homogeneous.Run(), LammResult::Solved) << k.name;
        for (int scan = 1; scan <= lc.scans; ++scan)
            EXPECT_LT(MaxDifference(inhomogeneous, homogeneous, scan, lc.meniscus, lc.bottom),
                      k.tolerance)
                << k.name << " scan " << scan;
    }
}

// Radius reached at time t from the meniscus along dr/dt = s(r) w^2 r (fourth-order
// Runge-Kutta in small steps).
double Characteristic(const std::function<double(double)>& sOfR, double meniscus, double rpm,
                      double t) {
    const double w2 = std::pow(rpm * M_PI / 30.0, 2) * 1e-13;
    auto v = [&](double r) { return sOfR(r) * w2 * r; };
    const int steps = 2000;
    const double h = t / steps;
    double r = meniscus;
    for (int i = 0; i < steps; ++i) {
        const double k1 = v(r), k2 = v(r + 0.5 * h * k1), k3 = v(r + 0.5 * h * k2);
        const double k4 = v(r + h * k3);
        r += h / 6.0 * (k1 + 2.0 * k2 + 2.0 * k3 + k4);
    }
    return r;
}

// The boundary sediments through a density gradient rho = 1.0 .. 1.3 g/ml: it slows as the
// buoyancy falls, following the characteristic, far from where water would have taken it.
// The fixed grid conserves the amount in the cell in any solvent.
TEST_F(LammSolvent, DensityGradientSlowsBoundaryAlongCharacteristic) {
    for (bool movingHat : {false, true}) {
        LammCase lc = Species(movingHat);
        lc.s = 10.0, lc.D = 1e-7;
        Solvent solvent;
        solvent.linear = true;
        solvent.rhoM = 1.0, solvent.rhoB = 1.3;
        LammRun run(lc);
        ASSERT_EQ(RunIn(run, solvent), 0) << lc.name;
        const double water = 1.0 - 0.73 * kWaterDensity;
        auto sOfR = [&](double r) {
            const double rho = 1.0 + 0.3 * (r - lc.meniscus) / (lc.bottom - lc.meniscus);
            return lc.s * (1.0 - 0.73 * rho) / water;
        };
        for (int scan = 4; scan <= lc.scans; scan += 2) {
            const double t = run.ScanTime(scan);
            const double rStar = Characteristic(sOfR, lc.meniscus, lc.rpm, t);
            const double rWater =
                Characteristic([&](double) { return lc.s; }, lc.meniscus, lc.rpm, t);
            const double half = 0.5 * run.ValueAt(scan, rStar + 0.08);
            double rHalf = 0.0;
            for (int i = 1; i <= run.Points() && rHalf == 0.0; ++i)
                if (run.Profile(scan)[i] >= half)
                    rHalf = run.Radii()[i];
            EXPECT_NEAR(rHalf, rStar, 0.006) << lc.name << " scan " << scan;
            EXPECT_GT(rWater - rStar, 0.02) << lc.name << " scan " << scan;
        }
        if (!movingHat) {
            const double drift = std::fabs(run.solver.totalAmount / run.solver.initialAmount - 1.0);
            EXPECT_LT(drift, 1e-10) << "relative drift";
        }
    }
}

// A viscosity rising linearly from water's at the meniscus to three times it at the bottom, at
// water's density: s and D fall as eta_w / eta(r), and the boundary follows the characteristic
// of that s (measured within 1.2e-3 cm), behind where water would have taken it. The fixed grid
// keeps the amount.
TEST_F(LammSolvent, ViscosityGradientSlowsBoundaryAlongCharacteristic) {
    for (bool movingHat : {false, true}) {
        LammCase lc = Species(movingHat);
        lc.s = 10.0, lc.D = 1e-7;
        Solvent solvent;
        solvent.linear = true;
        solvent.etaB = 3.0 * kWaterViscosity;
        LammRun run(lc);
        ASSERT_EQ(RunIn(run, solvent), 0) << lc.name;
        auto sOfR = [&](double r) {
            const double u = (r - lc.meniscus) / (lc.bottom - lc.meniscus);
            return lc.s / (1.0 + 2.0 * u);
        };
        for (int scan = 4; scan <= lc.scans; scan += 2) {
            const double t = run.ScanTime(scan);
            const double rStar = Characteristic(sOfR, lc.meniscus, lc.rpm, t);
            const double rWater =
                Characteristic([&](double) { return lc.s; }, lc.meniscus, lc.rpm, t);
            const double half = 0.5 * run.ValueAt(scan, rStar + 0.08);
            double rHalf = 0.0;
            for (int i = 1; i <= run.Points() && rHalf == 0.0; ++i)
                if (run.Profile(scan)[i] >= half)
                    rHalf = run.Radii()[i];
            EXPECT_NEAR(rHalf, rStar, 0.003) << lc.name << " scan " << scan;
            EXPECT_GT(rWater - rStar, 0.05) << lc.name << " scan " << scan;
        }
        if (!movingHat) {
            const double drift = std::fabs(run.solver.totalAmount / run.solver.initialAmount - 1.0);
            EXPECT_LT(drift, 1e-10) << "relative drift";
        }
    }
}

} // namespace
