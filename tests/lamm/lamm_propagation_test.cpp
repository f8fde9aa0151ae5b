// The propagation loop of concentration-dependent species against physics: the ideal limit,
// conservation, self-sharpening, the mixture's plateaus and clamped factors, the association
// table's ends.
#include "support/lamm_harness.h"
#include "support/reset_all_state.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

constexpr double kNoDependence = -30.0; // log10 of a ks or kd that is zero in effect

class LammPropagation : public ::testing::Test {
  protected:
    void SetUp() override { ResetAllState(); }

    static LammCase Species(double s, double D) {
        LammCase lc;
        lc.s = s, lc.D = D;
        lc.gridSize = 800;
        lc.scans = 6;
        lc.firstScanS = lc.intervalS = 500.0;
        return lc;
    }

    // One non-ideal species, s = s0 (1 - ks c), D = D0 (1 + kd c), ks and kd given as log10 of
    // their magnitude times the scale 3.3.
    static int RunNonIdeal(LammRun& run, float logKs, float logKd) {
        run.Load();
        const LammCase& lc = run.lc_;
        run.solver.LoadNonIdeality(false, true, true, false, false, 0, nullptr, nullptr, nullptr,
                                   nullptr, logKs, logKd, true, true, 3.3, lc.s, lc.D, lc.c0);
        return static_cast<int>(run.solver.Run());
    }

    // Radii where the scan crosses 10 % and 90 % of the plateau value at rPlateau.
    static double BoundaryWidth(const LammRun& run, int scan, double rPlateau) {
        const double plateau = run.ValueAt(scan, rPlateau);
        double r10 = 0.0, r90 = 0.0;
        for (int i = 1; i < run.Points(); ++i) {
            const double v = run.Profile(scan)[i];
            const double r = run.Radii()[i];
            if (r10 == 0.0 && v >= 0.1 * plateau)
                r10 = r;
            if (r90 == 0.0 && v >= 0.9 * plateau)
                r90 = r;
        }
        return r90 - r10;
    }
};

// Without concentration dependence the predictor and corrector coincide with one ideal
// Crank-Nicolson step, so the solution is the ideal one to the accuracy of the step control.
// The transport must carry the species outward: a sign slip in the sedimentation term would
// move the boundary toward the meniscus and fail every comparison here.
TEST_F(LammPropagation, WithoutDependenceReproducesIdealSolution) {
    for (double ramp : {0.0, 250.0}) {
        LammCase lc = Species(4.5, 6e-7);
        lc.rampRpmPerS = ramp;
        LammRun ideal(lc);
        ASSERT_EQ(ideal.Run(), LammResult::Solved);
        LammRun nonIdeal(lc);
        ASSERT_EQ(RunNonIdeal(nonIdeal, kNoDependence, kNoDependence), 0);
        for (int scan = 1; scan <= lc.scans; ++scan) {
            const double worst = MaxDifference(nonIdeal, ideal, scan, lc.meniscus, lc.bottom);
            EXPECT_LT(worst, 2e-3) << "ramp " << ramp << " scan " << scan << " (2e-3 of c0)";
            const double t = nonIdeal.ScanTime(scan);
            const double want = std::exp(-2.0 * lc.s * 1e-13 * Omega2T(lc.rpm, ramp, t));
            EXPECT_NEAR(nonIdeal.ValueAt(scan, 7.0), want, 2e-4)
                << "plateau, ramp " << ramp << " scan " << scan;
        }
    }
}

// Closed cell, no outflow: the mass-weighted sum is kept by every Crank-Nicolson solve whatever
// the node coefficients, because each column of the transport operator sums to zero.
TEST_F(LammPropagation, ConservesMassWithConcentrationDependence) {
    LammRun run(Species(4.5, 6e-7));
    ASSERT_EQ(RunNonIdeal(run, 0.0f, -0.5f), 0);
    const double drift = std::fabs(run.solver.totalAmount / run.solver.initialAmount - 1.0);
    EXPECT_LT(drift, 1e-10) << "relative drift";
}

// s falling with concentration makes the molecules behind the boundary faster than those in
// the plateau: the boundary sharpens against an ideal species that sediments as fast as the
// plateau does.
TEST_F(LammPropagation, ConcentrationDependentSSharpensBoundary) {
    const LammCase lc = Species(6.0, 6e-7);
    LammRun dependent(lc);
    ASSERT_EQ(RunNonIdeal(dependent, 0.0f, kNoDependence), 0); // ks = 1/3.3
    LammCase slow = lc;
    slow.s = lc.s * (1.0 - 1.0 / 3.3);
    LammRun ideal(slow);
    ASSERT_EQ(ideal.Run(), LammResult::Solved);
    const int scan = lc.scans;
    const double wDependent = BoundaryWidth(dependent, scan, 6.85);
    const double wIdeal = BoundaryWidth(ideal, scan, 6.85);
    EXPECT_LT(wDependent, 0.7 * wIdeal) << "10-90 % width " << wDependent << " vs " << wIdeal;
    EXPECT_GT(wDependent, 0.0);
}

// Three species that only share their non-ideality: with ks = 0 each plateau dilutes with its
// own s, and the signal is their weighted sum.
TEST_F(LammPropagation, MixturePlateauIsWeightedSumOfSpecies) {
    LammCase lc = Species(4.0, 6e-7);
    lc.scans = 4;
    LammRun run(lc);
    run.Load();
    const double amount[4] = {0, 0.5, 0.3, 0.2}, sS[4] = {0, 2.0, 4.0, 6.0};
    const double dCm2s[4] = {0, 8e-7, 6e-7, 5e-7}, weight[4] = {0, 1.0, 2.0, 0.5};
    run.solver.LoadNonIdeality(false, false, true, false, true, 3, amount, sS, dCm2s, weight,
                               kNoDependence, kNoDependence, true, true, 3.3, lc.s, lc.D, 1.0);
    ASSERT_EQ(run.solver.Run(), LammResult::Solved);
    for (int scan = 1; scan <= lc.scans; ++scan) {
        const double w2t = Omega2T(lc.rpm, 0.0, run.ScanTime(scan));
        double want = 0.0;
        for (int k = 1; k <= 3; ++k)
            want += weight[k] * amount[k] * std::exp(-2.0 * sS[k] * 1e-13 * w2t);
        EXPECT_NEAR(run.ValueAt(scan, 7.05), want, 3e-4) << "scan " << scan;
    }
}

// A non-ideality so strong that 1 - ks c is negative must stop the species, not float it:
// the factors are clamped at 0, so only diffusion acts on the uniform loading.
TEST_F(LammPropagation, MixtureFactorsNeverTurnSedimentationRound) {
    LammCase lc = Species(4.0, 6e-7);
    lc.scans = 3;
    LammRun run(lc);
    run.Load();
    const double amount[3] = {0, 0.6, 0.4}, sS[3] = {0, 4.0, 8.0};
    const double dCm2s[3] = {0, 6e-7, 4e-7}, weight[3] = {0, 1.0, 1.0};
    run.solver.LoadNonIdeality(false, false, true, false, true, 2, amount, sS, dCm2s, weight, 3.0f,
                               kNoDependence, true, true, 3.3, lc.s, lc.D, 1.0);
    ASSERT_EQ(run.solver.Run(), LammResult::Solved);
    for (int i = 1; i <= run.Points(); i += 100)
        EXPECT_NEAR(run.Profile(lc.scans)[i], 1.0, 1e-6) << "r = " << run.Radii()[i];
}

// Association with K = 0 is all monomer: the monomer-dimer rule gives s1 and D1 at every
// concentration, so the solution is that of an ideal monomer. The association loader sets no s:
// the end probe must still look at the outer fit limit, not at the depleting meniscus, or every
// scan after the first would be zeroed.
TEST_F(LammPropagation, MonomerDimerWithoutAssociationIsIdealMonomer) {
    const LammCase lc = Species(4.5, 6e-7);
    LammRun ideal(lc);
    ASSERT_EQ(ideal.Run(), LammResult::Solved);
    LammRun dimer(lc);
    dimer.Load();
    // values 1-5 and 7-14: s1 = 4.5, s2 = 7, log10 K = -30, D1 = 6e-7, D2 = 4e-7, K = 1
    const float first[5] = {4.5f, 7.0f, 6e-7f, 4e-7f, 0.0f};
    const float later[8] = {4.5f, 7.0f, -30.0f, 6e-7f, 4e-7f, 1.0f, 0.0f, 0.0f};
    dimer.solver.LoadSelfAssociation(true, false, true, false, false, false, first, 1.0f, false,
                                     -8.0f, -8.0f, true, true, 3.3, later);
    dimer.solver.s = 0.0;
    ASSERT_EQ(dimer.solver.Run(), LammResult::Solved);
    for (int scan = 1; scan <= lc.scans; ++scan)
        EXPECT_LT(MaxDifference(dimer, ideal, scan, lc.meniscus, lc.bottom), 2e-3)
            << "scan " << scan;
}

// A rapidly associating mixture piles up at a closed bottom like any species: with the
// non-ideality switched off each species is ideal, so the whole profile, the bottom region
// included, is the ideal solution and the amount is kept. Opening the bottom for every such
// mixture let the species flow out there (45% of it by the last scan) and left the last
// elements at plateau. The bottom opens when each species' pile-up is out of the data's sight.
TEST_F(LammPropagation, RapidAssociationMixturePilesUpAtTheBottomLikeItsSpecies) {
    LammCase lc = Species(4.5, 6e-7);
    lc.scans = 4;
    lc.firstScanS = lc.intervalS = 1500.0;
    const double amount[3] = {0, 0.7, 0.3}, sS[3] = {0, 4.5, 4.5};
    const double dCm2s[3] = {0, 6e-7, 6e-7}, weight[3] = {0, 1.0, 1.0};
    LammRun ideal(lc);
    ASSERT_EQ(ideal.Run(), LammResult::Solved);
    LammRun run(lc);
    run.Load();
    run.solver.LoadNonIdeality(false, false, true, false, true, 2, amount, sS, dCm2s, weight,
                               kNoDependence, kNoDependence, true, true, 3.3, lc.s, lc.D, 1.0);
    ASSERT_EQ(run.solver.Run(), LammResult::Solved);
    EXPECT_FALSE(run.solver.backDiffusionShutOff);
    EXPECT_LT(std::fabs(run.solver.totalAmount / run.solver.initialAmount - 1.0), 1e-10);
    EXPECT_GT(run.ValueAt(lc.scans, lc.bottom), 2.0 * run.ValueAt(lc.scans, 7.0));
    for (int scan = 1; scan <= lc.scans; ++scan)
        EXPECT_LT(MaxDifference(run, ideal, scan, 7.1, lc.bottom), 5e-3) << "scan " << scan;

    // with the shut-off option on: open only when every species' pile-up is steep
    CLammIdeal& o = run.solver;
    o.shutOffBackDiffusionOption = false;
    // s rising with c (ks negated): the pile-up collapses into a pellet, open in any case
    for (float logKs : {-1.0f, -6.0f}) {
        o.LoadNonIdeality(false, false, true, false, true, 2, amount, sS, dCm2s, weight, logKs,
                          kNoDependence, false, true, 3.3, lc.s, lc.D, 1.0);
        EXPECT_EQ(o.BackDiffusionTest(0.0, 0.0), logKs > -2.0f) << "negated log10 ks " << logKs;
    }
    o.shutOffBackDiffusionOption = true;
    const double steep[3] = {0, 200.0, 150.0}, mixed[3] = {0, 200.0, 4.5};
    const double slow[3] = {0, 1e-8, 1e-8}, shallow[3] = {0, 1e-8, 6e-7};
    struct Case {
        const double *s, *D;
        bool open;
    } cases[] = {{steep, slow, true}, {mixed, shallow, false}, {sS, dCm2s, false}};
    for (const Case& k : cases) {
        o.LoadNonIdeality(false, false, true, false, true, 2, amount, k.s, k.D, weight,
                          kNoDependence, kNoDependence, true, true, 3.3, lc.s, lc.D, 1.0);
        EXPECT_EQ(o.BackDiffusionTest(0.0, 0.0), k.open) << "second species s " << k.s[2];
    }
}

// A strongly dimerising species sediments between its monomer and its dimer: the second
// moment's s lies strictly between s1 and s2 and rises with the loading.
TEST_F(LammPropagation, MonomerDimerSedimentsBetweenMonomerAndDimer) {
    const LammCase lc = Species(4.0, 6e-7);
    const float first[5] = {4.0f, 6.0f, 6e-7f, 4.5e-7f, 0.0f};
    const float later[8] = {4.0f, 6.0f, 1.0f, 6e-7f, 4.5e-7f, 1.0f, 0.0f, 0.0f}; // K = 10
    double previous = 0.0;
    for (double loading : {0.2, 2.0}) {
        LammCase each = lc;
        each.c0 = loading;
        LammRun run(each);
        run.Load();
        run.solver.LoadSelfAssociation(true, false, true, false, false, false, first,
                                       static_cast<float>(loading), false, -8.0f, -8.0f, true, true,
                                       3.3, later);
        run.solver.s = 4.0, run.solver.D = 6e-7;
        ASSERT_EQ(run.solver.Run(), LammResult::Solved);
        const int scan = each.scans;
        const double w2t = Omega2T(each.rpm, 0.0, run.ScanTime(scan));
        const double rw2 = run.SecondMoment(scan, 7.05);
        const double sApparent =
            std::log(rw2 / (each.meniscus * each.meniscus)) / (2.0 * w2t) / 1e-13;
        EXPECT_GT(sApparent, 4.0) << "loading " << loading;
        EXPECT_LT(sApparent, 6.0) << "loading " << loading;
        EXPECT_GT(sApparent, previous) << "loading " << loading;
        previous = sApparent;
    }
}

// The table's ends: at or below the first row's c_total the first row, beyond the last row
// the last row; inside, linear interpolation between the bracketing rows.
TEST_F(LammPropagation, AssociationTableEndsAndInterpolation) {
    CLammIdeal o;
    CPropagationArrays& p = o.propagation;
    p.s1 = 2.0, p.s2 = 5.0, p.s4 = 9.0, p.D1 = 6e-7, p.D2 = 4e-7, p.D4 = 3e-7;
    p.Ka = 10.0, p.Kb = 100.0;
    p.tableRows = 200;
    o.assocD = true;
    o.BuildAssociationTable();
    struct Case {
        double conc;
        double s, D;
    } cases[] = {{0.0, 2.0, 6e-7}, {1e-9, 2.0, 6e-7}, {1e12, 0.0, 0.0}};
    double sv, dv;
    // a lookup after one at a higher concentration must find the same bracket as a fresh search
    for (double high : {50.0, 400.0, 3000.0}) {
        for (double low = high / 1.02; low > high / 3.0; low /= 1.02) {
            double sFresh, dFresh;
            p.lastRow = 1;
            o.LookupAssociationTable(low, sFresh, dFresh);
            o.LookupAssociationTable(high, sv, dv);
            o.LookupAssociationTable(low, sv, dv);
            EXPECT_DOUBLE_EQ(sv, sFresh) << low << " after " << high;
            EXPECT_DOUBLE_EQ(dv, dFresh) << low << " after " << high;
        }
    }
    for (const Case& k : cases) {
        o.LookupAssociationTable(k.conc, sv, dv);
        if (k.s > 0.0) {
            EXPECT_NEAR(sv, k.s, 1e-3) << k.conc;
            EXPECT_NEAR(dv, k.D, 1e-9) << k.conc;
        } else {
            const double* last = &p.table[4 * p.tableRows];
            EXPECT_EQ(sv, last[2]);
            EXPECT_EQ(dv, last[3]);
        }
    }
    // interpolation stays between the monomer and the tetramer and rises with c, also when the
    // search restarts from the row found last
    double previous = 0.0;
    for (double conc = 1e-4; conc < 1e4; conc *= 1.7) {
        o.LookupAssociationTable(conc, sv, dv);
        EXPECT_GE(sv, previous - 1e-12) << conc;
        EXPECT_LE(sv, 9.0) << conc;
        previous = sv;
    }
    previous = 1e9;
    for (double conc = 1e4; conc > 1e-4; conc /= 3.1) {
        o.LookupAssociationTable(conc, sv, dv);
        EXPECT_LE(sv, previous + 1e-12) << conc;
        previous = sv;
    }
}

} // namespace

namespace {

// When the profile stops changing the loop ends before the last scan, and the scans after the
// stop show that final profile: a short column at 20,000 rpm with ks = kd = 0 comes to the ideal
// equilibrium exponential. Zeroing them instead would have the species leave the cell.
TEST_F(LammPropagation, EquilibriumStopKeepsLaterScans) {
    LammCase lc = Species(2.0, 1e-6);
    lc.rpm = 20000;
    lc.meniscus = 7.0, lc.bottom = 7.2;
    lc.lowerFit = 7.01f, lc.upperFit = 7.19f;
    lc.gridSize = 50;
    lc.outputPoints = 401;
    lc.scans = 8;
    lc.firstScanS = 2000.0, lc.intervalS = 20000.0;
    LammRun run(lc);
    ASSERT_EQ(RunNonIdeal(run, kNoDependence, kNoDependence), 0);
    ASSERT_TRUE(run.solver.equilibriumStop);
    ASSERT_LT(run.solver.t, run.ScanTime(lc.scans - 2));
    // c0 sigma (b^2 - m^2) / 2 exp(sigma (r^2 - m^2) / 2) / (exp(sigma (b^2 - m^2) / 2) - 1)
    const double w = lc.rpm * M_PI / 30.0;
    const double sigma = lc.s * 1e-13 * w * w / lc.D;
    const double m2 = lc.meniscus * lc.meniscus, span = lc.bottom * lc.bottom - m2;
    for (int scan = 3; scan <= lc.scans; ++scan)
        for (int i = 1; i <= run.Points(); i += 40) {
            const double r = run.Radii()[i];
            const double closed = lc.c0 * sigma * span / 2.0 *
                                  std::exp(sigma * (r * r - m2) / 2.0) /
                                  (std::exp(sigma * span / 2.0) - 1.0);
            EXPECT_NEAR(run.Profile(scan)[i], closed, 5e-3) << "scan " << scan << " r " << r;
        }
}

// A predicted value below -eps refuses the step with twice the (halved) tolerance, and the
// halved tolerances stay for the rest of the run.
TEST_F(LammPropagation, NegativeValueHalvesTolerancesForGood) {
    CLammIdeal o;
    o.meniscus = 6.0, o.bottom = 7.2;
    o.claverieAlgorithm = true;
    o.Regrid(6);
    ASSERT_EQ(o.setupSucceeded, 1);
    o.propagation.cNew.assign(7, 1.0);
    for (int i = 1; i <= 6; ++i)
        o.cOld[i] = 1.0;
    o.eps = 1e-6;
    o.tolerance = 0.4, o.toleranceLow = 0.02, o.toleranceTarget = 0.08;
    o.propagation.cNew[3] = -1e-3;
    EXPECT_DOUBLE_EQ(o.PropagationChange(), 0.4);
    EXPECT_EQ(o.refusals, 1);
    o.propagation.cNew[3] = 1.01;
    EXPECT_NEAR(o.PropagationChange(), 0.01, 1e-12);
    EXPECT_DOUBLE_EQ(o.tolerance, 0.2);
    EXPECT_DOUBLE_EQ(o.toleranceLow, 0.01);
    EXPECT_DOUBLE_EQ(o.toleranceTarget, 0.04);
}

} // namespace
