// The discrete-species Run in the cells of other cross-sections: solved on the fixed grid whatever
// algorithm the options hold, the amount in each cell kept, the plateau and the boundary of the
// rectangular cell and of electrophoresis against their closed forms (with and without
// diffusion), and the equilibrium amount held by the narrowing bottom of the external loading cell.
#include "plat/testing.hpp"
#include "scandata/scan_store_alloc.h"
#include "simulation/run_end_tests.h"
#include "simulation/simulation_switches.h"
#include "simulation/weighted_element_integrals.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/reset_all_state.h"
#include "support/velocity_store.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <numbers>

namespace {

using M = ModelParameters;
using S = ScanStore;
using C = ModelChoice;

enum class Cell { Linear, Third, Electrophoresis, External };

const char* Name(Cell cell) {
    switch (cell) {
    case Cell::Linear:
        return "linear Lamm equation";
    case Cell::Third:
        return "third geometry";
    case Cell::Electrophoresis:
        return "electrophoresis";
    case Cell::External:
        return "external loading cell";
    }
    return "";
}

// A store of empty scans (only radii, times and the rotor count) and species 1 alone, in the
// chosen cell; the options ask for the moving hat algorithm, which knows no such cell.
void OneSpeciesIn(Cell cell, double s, double d, double c0, VelocitySet set = {}) {
    ResetAllState();
    set.species = {};
    FillVelocityStore(set);
    M::speciesOn[1] = 1;
    M::speciesS[1] = float(s);
    M::speciesDOrM[1] = float(d * 1e7);
    M::concentration[1] = float(c0);
    PackFitParameters();
    C::lammModel = true;
    C::linearLamm = cell == Cell::Linear;
    C::thirdGeometry = cell == Cell::Third;
    C::electrophoresis = cell == Cell::Electrophoresis;
    C::externalLoadingCell = cell == Cell::External;
    C::automaticAlgorithm = false;
    C::movingHatAlgorithm = true;
    C::claverieAlgorithm = false;
    LammGrid::profileCurves = true;
}

double Omega2(double rpm) {
    return std::pow(rpm * std::numbers::pi / 30.0, 2);
}

// 1.2 c0 times the integral of the cross-section over the simulation grid.
double LoadedAmount(double c0) {
    const int n = LammGrid::allocatedGridSize;
    const double r1 = LammGrid::radius[1], rn = LammGrid::radius[n];
    if (!C::externalLoadingCell)
        return 1.2 * c0 * (rn - r1);
    const double r0 = ExternalCellNarrowingStart();
    const double narrowed = r0 < rn ? (0.311 / 0.0373) * (rn - r0) * (rn - r0) / 2.0 : 0.0;
    return 1.2 * c0 * ((rn - r1) - narrowed);
}

// Boundary from the mass balance in a cell of constant cross-section: rp - integral_m^rp c dr /
// c(rp) (trapezoids over the scan's points).
double BoundaryByMassBalance(int k, double rp, double& plateau) {
    const float* x = S::radius[k];
    const float* y = S::fit[k];
    double integral = 0.0;
    int i = 1;
    for (; i < S::pointCount[k] && x[i + 1] <= rp; ++i)
        integral += 0.5 * (x[i + 1] - x[i]) * (y[i] + y[i + 1]);
    plateau = y[i];
    return x[i] - integral / y[i];
}

class SpecialCellRun : public ::testing::Test {
  protected:
    void TearDown() override { ResetAllState(); }
};

} // namespace

// Every cell runs on the fixed grid, even where the moving hat is chosen, and ends with the
// amount it was loaded with (the narrowing below r0 holding less per length).
TEST_F(SpecialCellRun, SolvedOnTheFixedGridWithTheAmountKept) {
    struct Case {
        Cell cell;
        double s;
        float oil;
    } cases[] = {
        {Cell::Linear, 4.5, 0.0f},          {Cell::Third, 4.5, 0.0f},
        {Cell::Electrophoresis, 0.5, 0.0f}, {Cell::External, 4.5, 0.0f},
        {Cell::External, 4.5, 0.005f},      {Cell::External, 4.5, 0.02f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(Name(c.cell)) + ", oil " + std::to_string(c.oil));
        OneSpeciesIn(c.cell, c.s, 6e-7, 0.75);
        M::oilVolume = c.oil;
        plat::test::Script script;
        ASSERT_TRUE(RunDiscreteSed(nullptr));
        EXPECT_TRUE(script.done()) << script.logText();
        EXPECT_EQ(LammGrid::lastSolver, GridAlgorithm::FixedGrid);
        EXPECT_TRUE(C::claverieAlgorithm && !C::movingHatAlgorithm);
        ASSERT_EQ(LammGrid::singularMatrix + LammGrid::discretizationError, 0);
        // the active region drops what falls below 1e-6 of the loading behind the boundary (on
        // the set grid of 1000 nodes about 1.4e-7 of the amount)
        EXPECT_NEAR(LammGrid::totalAmount / LoadedAmount(0.75), 1.0, 1e-6);
    }
}

// In a rectangular cell the particles still move as r0 exp(s w^2 t), but without the sector's
// widening the plateau falls as exp(-s w^2 t), half the sector's rate; in electrophoresis the
// boundary drifts at s 1e-4 cm/s and the plateau stays. The same by the closed form of a species
// that does not diffuse.
TEST_F(SpecialCellRun, PlateauAndBoundaryFollowTheClosedFormOfEachCell) {
    const double k = 4.5e-13 * Omega2(50000), v = 0.5e-4;
    struct Case {
        Cell cell;
        double s, d;
        std::function<double(double)> boundary, plateau;
    } cases[] = {
        {Cell::Linear, 4.5, 6e-7, [&](double t) { return 6.0 * std::exp(k * t); },
         [&](double t) { return std::exp(-k * t); }},
        {Cell::Third, 4.5, 6e-7, [&](double t) { return 6.0 * std::exp(k * t); },
         [&](double t) { return std::exp(-k * t); }},
        {Cell::Linear, 4.5, 0.0, [&](double t) { return 6.0 * std::exp(k * t); },
         [&](double t) { return std::exp(-k * t); }},
        {Cell::Electrophoresis, 0.5, 6e-7, [&](double t) { return 6.0 + v * t; },
         [](double) { return 1.0; }},
        {Cell::Electrophoresis, 0.5, 0.0, [&](double t) { return 6.0 + v * t; },
         [](double) { return 1.0; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(Name(c.cell)) + ", D = " + std::to_string(c.d));
        VelocitySet set;
        set.points = 1201;
        OneSpeciesIn(c.cell, c.s, c.d, 0.8, set);
        ASSERT_TRUE(RunDiscreteSed(nullptr));
        ASSERT_EQ(LammGrid::singularMatrix + LammGrid::discretizationError, 0);
        for (int scan = 1; scan <= S::scanCount; scan += 3) {
            const double t = S::header[scan].time;
            const double rp =
                0.5 * (c.boundary(t) + 4.0 * std::sqrt(2.0 * c.d * t) + 0.01 + M::bottom - 0.15);
            double plateau = 0.0;
            const double boundary = BoundaryByMassBalance(scan, rp, plateau);
            EXPECT_NEAR(plateau / (0.8 * c.plateau(t)), 1.0, 1e-4) << "scan " << scan;
            // within a point's spacing, which a step without diffusion takes whole
            EXPECT_NEAR(boundary, c.boundary(t), 1e-3) << "scan " << scan;
        }
    }
}

// At sedimentation equilibrium c = A exp(s w^2 r^2 / (2 D)) whatever the cross-section; the
// amount fixes A, so the narrowing bottom, which holds less, leaves more in the column above it
// than a rectangular cell would (2% here).
TEST_F(SpecialCellRun, NarrowingBottomHoldsTheAmountItsCrossSectionGives) {
    VelocitySet set;
    set.meniscus = set.firstRadius = 6.9;
    set.bottom = set.lastRadius = 7.2;
    set.leftFitLimit = 6.91f;
    set.rightFitLimit = 7.19f;
    set.rpm = 10000;
    set.scans = 4;
    set.firstScanS = 1e5;
    set.intervalS = 1e5;
    const double s = 18.0, d = 1e-6, c0 = 0.8;
    OneSpeciesIn(Cell::External, s, d, c0, set);
    M::oilVolume = 0.0f;
    ASSERT_TRUE(RunDiscreteSed(nullptr));
    ASSERT_EQ(LammGrid::singularMatrix + LammGrid::discretizationError, 0);
    const CellGeometry cell = ChosenCellGeometry();
    const double sigma = s * 1e-13 * Omega2(set.rpm) / (2.0 * d);
    // A from 1.2 c0 integral w = 1.2 A integral w exp(sigma r^2), and without the narrowing
    double weighted = 0.0, plain = 0.0, volume = 0.0;
    const int steps = 30000;
    const double m = set.meniscus, b = set.bottom, h = (b - m) / steps;
    for (int i = 0; i <= steps; ++i) {
        const double r = m + i * h, edge = (i == 0 || i == steps) ? 0.5 : 1.0;
        const double e = std::exp(sigma * (r * r - 7.0 * 7.0));
        weighted += edge * h * cell.Weight(r) * e;
        plain += edge * h * e;
        volume += edge * h * cell.Weight(r);
    }
    const double a = c0 * volume / weighted, rectangular = c0 * (b - m) / plain;
    ASSERT_GT(std::fabs(a / rectangular - 1.0), 0.01);
    const int last = S::scanCount;
    for (int i = 1; i <= S::pointCount[last]; i += 50) {
        const double r = S::radius[last][i];
        if (r > cell.narrowingStart)
            continue;
        const double expected = a * std::exp(sigma * (r * r - 7.0 * 7.0));
        EXPECT_NEAR(S::fit[last][i] / expected, 1.0, 2e-3) << "r = " << r;
    }
}
