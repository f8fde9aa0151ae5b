// Tabulated s(c) and D(c) of a dense cosolute in the concentration-dependent solvers: constant
// polynomials are the ideal species, the built-in CsCl coefficients keep the amount and agree
// between the moving frame and the fixed grid, and coefficient files that cannot be read stop
// the run with the non-ideality error instead of sedimenting nothing.
#include "plat/msgbox.hpp"
#include "plat/testing.hpp"
#include "scandata/scan_store_alloc.h"
#include "simulation/concentration_coefficients.h"
#include "simulation/grid_error_words.h"
#include "simulation/inhomogeneous_solvent.h"
#include "simulation/module_solvers.h"
#include "simulation/moving_frame_solver.h"
#include "simulation/nonlinear_solver.h"
#include "simulation/scan_output.h"
#include "simulation/simulation_switches.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/module_solver_harness.h"
#include "support/reset_all_state.h"
#include "support/temp_folder.h"
#include "support/velocity_store.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

class TabulatedNonideality : public ::testing::Test {
  protected:
    void SetUp() override { ResetAllState(); }
    void TearDown() override { ResetAllState(); }
};

using Scans = std::vector<std::vector<float>>;

Scans Fits() {
    Scans out(std::size_t(ScanStore::scanCount) + 1);
    for (int k = 1; k <= ScanStore::scanCount; ++k)
        out[std::size_t(k)].assign(ScanStore::fit[k],
                                   ScanStore::fit[k] + ScanStore::pointCount[k] + 1);
    return out;
}

double FitAt(int scan, double r) {
    const float* x = ScanStore::radius[scan];
    int i = 1;
    while (i < ScanStore::pointCount[scan] - 1 && x[i + 1] < r)
        ++i;
    const float* y = ScanStore::fit[scan];
    return y[i] + (r - x[i]) / (x[i + 1] - x[i]) * (y[i + 1] - y[i]);
}

double Loaded(const ModuleCase& mc) {
    const double m = mc.meniscus, b = mc.bottom;
    return 1.2 * 0.0349065850398866 * mc.c0 * (b * b - m * m) / 2.0;
}

CConcentrationLaw Polynomials(std::vector<double> s, std::vector<double> d) {
    CConcentrationLaw law;
    law.law = CoefficientLaw::Tabulated;
    law.sPolynomial = std::move(s);
    law.dPolynomial = std::move(d);
    return law;
}

ModuleCase Case(SolverRoad road) {
    ModuleCase mc;
    mc.road = road;
    mc.gridSize = 600, mc.scans = 4, mc.firstScanS = mc.intervalS = 900.0;
    mc.outputPoints = 1201;
    return mc;
}

} // namespace

// Constant polynomials (s = 4.5 S, D = 6e-7 cm^2/s) are the ideal species on both solvers: the
// plateau dilutes as exp(-2 s w^2 t) and the amount stays.
TEST_F(TabulatedNonideality, ConstantPolynomialsAreTheIdealSpecies) {
    for (SolverRoad road : {SolverRoad::MovingHat, SolverRoad::FixedGrid}) {
        SCOPED_TRACE(road == SolverRoad::MovingHat ? "moving frame" : "fixed grid");
        const ModuleCase mc = Case(road);
        ASSERT_EQ(SolveModuleCaseWithLaw(mc, Polynomials({0.0, 4.5}, {0.0, 6e-7})),
                  LammResult::Solved);
        const double w2 = std::pow(mc.rpm * M_PI / 30.0, 2);
        for (int scan = 1; scan <= mc.scans; ++scan) {
            const double t = mc.firstScanS + (scan - 1) * mc.intervalS;
            EXPECT_NEAR(FitAt(scan, 7.0), std::exp(-2.0 * 4.5e-13 * w2 * t), 3e-4)
                << "plateau of scan " << scan;
        }
        EXPECT_NEAR(LammGrid::totalAmount / Loaded(mc), 1.0, 1e-10);
    }
}

// The built-in CsCl coefficients at a loading of 1.5 M: both solvers keep the amount, and their
// scans agree within 3e-3 of the loading over the fitted radii.
TEST_F(TabulatedNonideality, CesiumChlorideOnBothSolvers) {
    CConcentrationLaw law;
    law.law = CoefficientLaw::Tabulated;
    law.cesiumChloride = true;
    ModuleCase mc = Case(SolverRoad::MovingHat);
    mc.c0 = 1.5;
    mc.gridSize = 800, mc.firstScanS = mc.intervalS = 3600.0;
    CLammControl control;
    EXPECT_NEAR(MovingFrameS(law, control, 1.5),
                0.596 - 0.000322 * 252.6 - 0.0633 * std::exp(-0.00399 * 252.6), 1e-12)
        << "the frame travels with s of the loading";
    const double loaded = Loaded(mc);
    ASSERT_EQ(SolveModuleCaseWithLaw(mc, law), LammResult::Solved);
    EXPECT_NEAR(LammGrid::totalAmount / loaded, 1.0, 1e-10) << "moving frame";
    const Scans frame = Fits();
    mc.road = SolverRoad::FixedGrid;
    ASSERT_EQ(SolveModuleCaseWithLaw(mc, law), LammResult::Solved);
    EXPECT_NEAR(LammGrid::totalAmount / loaded, 1.0, 1e-10) << "fixed grid";
    for (int scan = 1; scan <= mc.scans; ++scan) {
        double worst = 0.0;
        for (int p = 1; p <= ScanStore::pointCount[scan]; ++p) {
            const float r = ScanStore::radius[scan][p];
            if (r >= 6.05f && r <= 7.15f)
                worst =
                    std::max(worst, double(std::fabs(ScanStore::fit[scan][p] -
                                                     frame[std::size_t(scan)][std::size_t(p)])));
        }
        EXPECT_LT(worst, 3e-3 * 1.5) << "scan " << scan;
    }
    // the salt sediments: it is depleted at the meniscus side and enriched at the bottom side
    EXPECT_LT(FitAt(mc.scans, 6.1), FitAt(mc.scans, 7.1));
}

// The record's law reads the coefficient files of the non-ideal cosolute; without them (and
// without CsCl) neither solver runs: the non-ideality error, the scans untouched.
TEST_F(TabulatedNonideality, CoefficientFilesOrTheNonidealityError) {
    TempFolder dir;
    ModelParameters::tabulatedNonideality = true;
    InhomogeneousSolvent::sFile = dir.write("snonid.dat", "0.6\n-0.02\n");
    InhomogeneousSolvent::dFile = dir.write("dnonid.dat", "2e-5\n");
    CConcentrationLaw law = ConcentrationLawOfRecord();
    EXPECT_EQ(law.law, CoefficientLaw::Tabulated);
    ASSERT_EQ(law.sPolynomial.size(), 3u);
    double s = 0.0, D = 0.0;
    CoefficientsAt(law, nullptr, 2.0, s, D);
    EXPECT_NEAR(s, 0.6 - 0.04, 1e-7); // the files hold single-precision numbers
    EXPECT_NEAR(D, 2e-5, 1e-12);

    InhomogeneousSolvent::dFile = dir.file("missing.dat");
    law = ConcentrationLawOfRecord();
    EXPECT_FALSE(law.Complete());
    for (SolverRoad road : {SolverRoad::MovingHat, SolverRoad::FixedGrid}) {
        EXPECT_EQ(SolveModuleCaseWithLaw(Case(road), law), LammResult::NonIdealityNotLoaded);
        EXPECT_EQ(LammGrid::stepCount, 0);
        EXPECT_EQ(ScanStore::fit[1][600], 0.0f);
    }
    ModelParameters::tabulatedCsCl = true;
    EXPECT_TRUE(ConcentrationLawOfRecord().Complete()) << "CsCl needs no files";
}

// Through the model evaluation the missing table is reported, and the fit stays as it was.
TEST_F(TabulatedNonideality, RunWithoutTheTablesSaysSo) {
    VelocitySet set;
    set.species = {{0.5, 2e-5, 1.5}};
    set.scans = 3;
    set.points = 121;
    FillVelocityStore(set);
    ModelChoice::lammModel = false;
    ModelChoice::singleSpecies = true;
    ModelParameters::tabulatedNonideality = true;
    InhomogeneousSolvent::sFile = InhomogeneousSolvent::dFile = "";
    for (int p = 1; p <= ScanStore::pointCount[1]; ++p)
        ScanStore::fit[1][p] = 0.25f;
    plat::test::Script script;
    script.expectBox()
        .caption("ERROR in simulation")
        .text("possible error in setupof Lamm eq. solution, nonideal parameters")
        .answer(IDOK);
    EXPECT_FALSE(RunDiscreteSed(nullptr));
    EXPECT_TRUE(script.done()) << script.logText();
    EXPECT_EQ(ScanStore::fit[1][60], 0.25f);
}
