// The concentration-dependent moving-frame solver: the amount in the cell over many grid
// periods, the ideal limits against the ideal moving hat, agreement with the fixed-grid solver of
// the same laws and with the solver object's propagation loop, rapid association at
// equilibrium, and a floating frame that must end with its message instead of running for ever.
#include "scandata/scan_store_alloc.h"
#include "simulation/concentration_coefficients.h"
#include "simulation/grid_error_words.h"
#include "simulation/module_solvers.h"
#include "simulation/moving_frame_solver.h"
#include "simulation/nonlinear_solver.h"
#include "simulation/scan_output.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "support/lamm_harness.h"
#include "support/module_solver_harness.h"
#include "support/reset_all_state.h"
#include "support/solver_object_laws.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <gtest/gtest.h>
#include <plat/msgbox.hpp>
#include <plat/testing.hpp>
#include <vector>

namespace {

class MovingFrameSolver : public ::testing::Test {
  protected:
    void SetUp() override { ResetAllState(); }
    void TearDown() override { ResetAllState(); }
};

using Scans = std::vector<std::vector<float>>;

double LoadedAmount(const ModuleCase& mc) {
    const double m = mc.meniscus, b = mc.bottom;
    return 1.2 * 0.0349065850398866 * mc.c0 * (b * b - m * m) / 2.0;
}

Scans Fits() {
    Scans out(std::size_t(ScanStore::scanCount) + 1);
    for (int k = 1; k <= ScanStore::scanCount; ++k)
        out[std::size_t(k)].assign(ScanStore::fit[k],
                                   ScanStore::fit[k] + ScanStore::pointCount[k] + 1);
    return out;
}

// Largest difference of two runs' fits on the same scans between the radii lo and hi.
double WorstDifference(const Scans& a, const Scans& b, int scan, double lo, double hi) {
    double worst = 0.0;
    const float* x = ScanStore::radius[scan];
    for (int i = 1; i <= ScanStore::pointCount[scan]; ++i)
        if (x[i] >= lo && x[i] <= hi)
            worst = std::max(worst, std::fabs(double(a[std::size_t(scan)][std::size_t(i)]) -
                                              b[std::size_t(scan)][std::size_t(i)]));
    return worst;
}

CConcentrationLaw Law(CoefficientLaw kind, double s1, double D1) {
    CConcentrationLaw law;
    law.law = kind;
    law.s1 = s1, law.D1 = D1;
    law.s2 = 2.0 * s1, law.D2 = 0.8 * D1;
    return law;
}

ModuleCase FrameCase() {
    ModuleCase mc;
    mc.road = SolverRoad::MovingHat;
    mc.gridSize = 600, mc.scans = 5, mc.firstScanS = mc.intervalS = 600.0;
    mc.outputPoints = 1201;
    return mc;
}

} // namespace

// Each law with its dependence switched off (ks = kd = 0, K -> 0) is the ideal species: the
// ideal moving hat on the same grid gives the same scans. With the dependence on, the closed
// cell keeps its amount to rounding through hundreds of steps and grid-period shifts.
TEST_F(MovingFrameSolver, IdealLimitsAndMassConservation) {
    struct Case {
        const char* name;
        CoefficientLaw kind;
        double K, ks, kd;
        bool ideal;
    } cases[] = {
        {"non-ideal, ks = kd = 0", CoefficientLaw::Nonideal, 0, 0, 0, true},
        {"monomer-dimer, K = 1e-12", CoefficientLaw::MonomerDimer, 1e-12, 0, 0, true},
        {"monomer-trimer, K = 1e-12", CoefficientLaw::MonomerTrimer, 1e-12, 0, 0, true},
        {"non-ideal, ks = 0.3, kd = 0.1", CoefficientLaw::Nonideal, 0, 0.3, 0.1, false},
        {"monomer-dimer, K = 3", CoefficientLaw::MonomerDimer, 3.0, 0, 0, false},
        {"monomer-trimer, K = 3", CoefficientLaw::MonomerTrimer, 3.0, 0, 0, false},
    };
    ModuleCase mc = FrameCase();
    ModuleCase ideal = mc;
    ideal.s = 4.5;
    PrepareModuleCase(ideal);
    CScanOutput idealScans;
    ModelChoice::fixedTimeStep = true;
    CGridClock idealClock = ModuleCaseClock(ideal);
    ASSERT_EQ(SolveMovingHat(LammProblemOfRecord(), LammControlOfRecord(), idealClock, idealScans),
              LammResult::Solved);
    const Scans idealFits = Fits();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CConcentrationLaw law = Law(c.kind, 4.5, 6e-7);
        law.K = c.K, law.ks = c.ks, law.kd = c.kd;
        if (c.ideal)
            law.s2 = law.s1; // the frame of the associations travels at (s1 + s2) / 2
        ASSERT_EQ(SolveModuleCaseWithLaw(mc, law), LammResult::Solved);
        EXPECT_NEAR(LammGrid::totalAmount / LoadedAmount(mc), 1.0, 1e-10) << "amount (1e-10)";
        EXPECT_GT(LammGrid::stepCount, 50) << "the run crossed many grid periods";
        if (!c.ideal)
            continue;
        const Scans fits = Fits();
        for (int scan = 1; scan <= mc.scans; ++scan)
            EXPECT_LT(WorstDifference(fits, idealFits, scan, 6.0, 7.2), 1e-3)
                << "scan " << scan << " against the ideal moving hat";
    }
}

// The moving frame and the fixed grid solve the same laws by different discretisations: at the
// default options their scans agree within 3e-3 of the loading over the fitted radii (the steep
// pile-up at the bottom is resolved differently by the two grids).
TEST_F(MovingFrameSolver, AgreesWithTheFixedGridSolver) {
    struct Case {
        const char* name;
        CoefficientLaw kind;
        double K, ks, kd;
        bool dimerKs;
    } cases[] = {
        {"non-ideal", CoefficientLaw::Nonideal, 0, 0.3, 0.1, false},
        {"monomer-dimer", CoefficientLaw::MonomerDimer, 3.0, 0, 0, false},
        {"monomer-dimer with ks", CoefficientLaw::MonomerDimer, 3.0, 0.2, 0, true},
        {"monomer-trimer", CoefficientLaw::MonomerTrimer, 3.0, 0, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CConcentrationLaw law = Law(c.kind, 4.5, 6e-7);
        law.K = c.K, law.ks = c.ks, law.kd = c.kd, law.dimerKs = c.dimerKs;
        ModuleCase mc = FrameCase();
        mc.gridSize = 1000;
        ASSERT_EQ(SolveModuleCaseWithLaw(mc, law), LammResult::Solved);
        const Scans frame = Fits();
        mc.road = SolverRoad::FixedGrid;
        ASSERT_EQ(SolveModuleCaseWithLaw(mc, law), LammResult::Solved);
        const Scans fixed = Fits();
        for (int scan = 1; scan <= mc.scans; ++scan)
            EXPECT_LT(WorstDifference(frame, fixed, scan, 6.05, 7.15), 3e-3)
                << "scan " << scan << " (3e-3 of c0)";
    }
}

// The solver object's propagation loop on its own grid: the same association laws agree within
// 3e-3 of the loading over the fitted radii, and so does its non-ideal species, which slows as
// s (1 - ks c) and is taken here as a tabulated law.
TEST_F(MovingFrameSolver, AgreesWithTheSolverObject) {
    using Model = ObjectModel;
    struct Case {
        const char* name;
        Model model;
        float logK; // log10 of the association constant, or of ks x 3.3
    } cases[] = {{"monomer-dimer", Model::Dimer, 0.5f},
                 {"monomer-trimer", Model::Trimer, 0.5f},
                 {"non-ideal, ks = 0.2, kd = 0.1", Model::Nonideal, float(std::log10(0.66))},
                 {"mixture of two equal halves", Model::Mixture, float(std::log10(0.66))}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LammCase lc;
        lc.bottom = 7.25;
        lc.gridSize = 800, lc.scans = 5, lc.firstScanS = lc.intervalS = 500.0;
        LammRun object(lc);
        object.Load();
        const CConcentrationLaw law = LoadObjectModel(object, c.model, c.logK);
        ASSERT_EQ(object.solver.Run(), LammResult::Solved);

        const ModuleCase mc = ModuleCaseOn(lc, FrameCase());
        ASSERT_EQ(SolveModuleCaseWithLaw(mc, law), LammResult::Solved);
        for (int scan = 1; scan <= lc.scans; ++scan) {
            double worst = 0.0;
            for (double r = lc.lowerFit; r <= lc.upperFit; r += 0.002)
                worst = std::max(worst, std::fabs(StoreFitAt(scan, r) - object.ValueAt(scan, r)));
            EXPECT_LT(worst, 3e-3) << "scan " << scan << " (3e-3 of c0)";
        }
    }
}

// Rapid monomer-dimer association in a short column at equilibrium, on the moving frame: the
// monomer part of the total, c / (1 + x) with x = (sqrt(4 K c + 1) - 1) / 2, follows the ideal
// exponential of the monomer (ln c1 linear in r^2 with slope s1 w^2 / (2 D1)), while the total,
// enriched in dimer toward the bottom, does not. The profile at rest has passed through
// thousands of grid shifts.
TEST_F(MovingFrameSolver, MonomerDimerAtEquilibriumFollowsTheMonomerExponential) {
    ModuleCase mc = ShortColumnCase(3.0, 6e-7, 20000, 3, 1e5);
    mc.road = SolverRoad::MovingHat;
    CConcentrationLaw law = Law(CoefficientLaw::MonomerDimer, 3.0, 6e-7);
    law.s2 = 4.8, law.D2 = 4.8e-7; // s/D of the dimer twice the monomer's
    law.K = 5.0;
    ASSERT_EQ(SolveModuleCaseWithLaw(mc, law), LammResult::Solved);
    EXPECT_NEAR(LammGrid::totalAmount / LoadedAmount(mc), 1.0, 1e-10) << "amount (1e-10)";
    const int scan = mc.scans;
    auto monomer = [&](double r) {
        const double c = StoreFitAt(scan, r);
        const double x = (std::sqrt(4.0 * law.K * c + 1.0) - 1.0) / 2.0;
        return c / (1.0 + x);
    };
    const double w2 = std::pow(mc.rpm * M_PI / 30.0, 2);
    const double want = 3.0e-13 * w2 / (2.0 * 6e-7);
    const double r1 = 6.93, r2 = 7.17;
    const double slope = std::log(monomer(r2) / monomer(r1)) / (r2 * r2 - r1 * r1);
    EXPECT_NEAR(slope / want, 1.0, 0.01) << "monomer slope " << slope << " vs " << want;
    const double total =
        std::log(StoreFitAt(scan, r2) / StoreFitAt(scan, r1)) / (r2 * r2 - r1 * r1);
    EXPECT_GT(total / want, 1.05) << "the total is enriched in dimer at the bottom";
}

// A frame that floats (a negative s at the loading) cannot be followed: the run is refused at
// once with its message, no step taken, instead of looping on steps that never advance the time.
TEST_F(MovingFrameSolver, FloatingFrameEndsWithItsMessage) {
    plat::test::Script script;
    script.expectBox().caption("Error").textHas("floating component").answer(IDOK);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SolveModuleCaseWithLaw(FrameCase(), Law(CoefficientLaw::Nonideal, -4.5, 6e-7)),
              LammResult::Refused);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(LammGrid::stepCount, 0);
    EXPECT_TRUE(script.done());
}

// A tolerance of 0 makes the frame's fixed step 0 s: time never moves, and the run must end with
// the discretization error rather than loop.
TEST_F(MovingFrameSolver, ZeroToleranceEndsWithTheDiscretizationError) {
    ModuleCase mc = FrameCase();
    mc.maxDcOverC = 0.0;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SolveModuleCaseWithLaw(mc, Law(CoefficientLaw::MonomerDimer, 4.5, 6e-7)),
              LammResult::DiscretizationError);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_LT(LammGrid::time, mc.firstScanS);
}
