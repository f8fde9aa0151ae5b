// The concentration-dependent solver of the simulation grid: mass, the ideal limits, rapid
// monomer-dimer association at sedimentation equilibrium, agreement with the solver object's
// propagation loop, and a zero tolerance that must end the run instead of hanging it.
#include "scandata/scan_store_alloc.h"
#include "simulation/concentration_coefficients.h"
#include "simulation/module_solvers.h"
#include "simulation/nonlinear_solver.h"
#include "simulation/scan_output.h"
#include "state/lamm_grid.h"
#include "support/lamm_harness.h"
#include "support/module_solver_harness.h"
#include "support/reset_all_state.h"
#include "support/solver_object_laws.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

class NonlinearSolver : public ::testing::Test {
  protected:
    void SetUp() override { ResetAllState(); }
    void TearDown() override { ResetAllState(); }
};

LammResult Solve(const ModuleCase& mc, const CConcentrationLaw& law, double& loaded) {
    PrepareModuleCase(mc);
    CLammControl control = LammControlOfRecord();
    control.trackAmount = true;
    const double m = mc.meniscus, b = mc.bottom;
    loaded = 1.2 * 0.0349065850398866 * mc.c0 * (b * b - m * m) / 2.0;
    CScanOutput scans;
    CGridClock clock = ModuleCaseClock(mc);
    const LammResult result = SolveLammNonlinear(LammProblemOfRecord(), law, control, clock, scans);
    return result;
}

CConcentrationLaw Law(CoefficientLaw kind, double s1, double D1) {
    CConcentrationLaw law;
    law.law = kind;
    law.s1 = s1, law.D1 = D1;
    law.s2 = 2.0 * s1, law.D2 = 0.8 * D1;
    law.s3 = 3.0 * s1, law.D3 = 0.6 * D1;
    return law;
}

} // namespace

// Each law with its dependence switched off (ks = kd = 0, K -> 0) is the ideal species: its
// plateau dilutes as exp(-2 s w^2 t). With the dependence on, the closed cell keeps its amount
// to rounding, since every column of the transport operator sums to zero.
TEST_F(NonlinearSolver, IdealLimitsAndMassConservation) {
    struct Case {
        const char* name;
        CoefficientLaw kind;
        double K, ks, kd;
        bool ideal;
    } cases[] = {
        {"non-ideal, ks = kd = 0", CoefficientLaw::Nonideal, 0, 0, 0, true},
        {"monomer-dimer, K = 1e-12", CoefficientLaw::MonomerDimer, 1e-12, 0, 0, true},
        {"monomer-trimer, K = 1e-12", CoefficientLaw::MonomerTrimer, 1e-12, 0, 0, true},
        {"oligomers 1-2-4, K = 1e-12", CoefficientLaw::OligomerB, 1e-12, 0, 0, true},
        {"non-ideal, ks = 0.3, kd = 0.1", CoefficientLaw::Nonideal, 0, 0.3, 0.1, false},
        {"monomer-dimer, K = 3", CoefficientLaw::MonomerDimer, 3.0, 0, 0, false},
        {"monomer-trimer, K = 3", CoefficientLaw::MonomerTrimer, 3.0, 0, 0, false},
        {"oligomers 1-4-8", CoefficientLaw::OligomerA, 3.0, 0, 0, false},
    };
    ModuleCase mc;
    mc.gridSize = 600, mc.scans = 5, mc.firstScanS = mc.intervalS = 600.0;
    mc.outputPoints = 1201;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CConcentrationLaw law = Law(c.kind, 4.5, 6e-7);
        law.K = c.K, law.K3 = c.K * c.K, law.ks = c.ks, law.kd = c.kd;
        double loaded = 0.0;
        ASSERT_EQ(Solve(mc, law, loaded), LammResult::Solved);
        EXPECT_NEAR(LammGrid::totalAmount / loaded, 1.0, 1e-10) << "amount (1e-10)";
        if (!c.ideal)
            continue;
        const double w2 = std::pow(mc.rpm * M_PI / 30.0, 2);
        for (int scan = 1; scan <= mc.scans; ++scan) {
            const double t = mc.firstScanS + (scan - 1) * mc.intervalS;
            EXPECT_NEAR(StoreFitAt(scan, 7.0), std::exp(-2.0 * 4.5e-13 * w2 * t), 3e-4)
                << "plateau of scan " << scan << " (3e-4)";
        }
    }
}

// Rapid monomer-dimer association in a short column at equilibrium: the monomer part of the
// total, c / (1 + x) with x = (sqrt(4 K c + 1) - 1) / 2, is the ideal exponential of the monomer,
// ln c1 linear in r^2 with slope s1 w^2 / (2 D1), while the total is not.
TEST_F(NonlinearSolver, MonomerDimerAtEquilibriumFollowsTheMonomerExponential) {
    ModuleCase mc = ShortColumnCase(3.0, 6e-7, 20000, 3, 1e5);
    CConcentrationLaw law = Law(CoefficientLaw::MonomerDimer, 3.0, 6e-7);
    law.s2 = 4.8, law.D2 = 4.8e-7; // s/D of the dimer twice the monomer's
    law.K = 5.0;
    double loaded = 0.0;
    ASSERT_EQ(Solve(mc, law, loaded), LammResult::Solved);
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

// The solver object's propagation loop solves the same laws by the same scheme: on the same
// grid its scans agree within 3e-3 of the loading. The object's non-ideal species slows as
// s (1 - ks c), which this solver takes as a tabulated law, and so does a mixture of two equal
// halves of it (the mixture's factors follow its total); its oligomer schemes are the same
// polynomials in the monomer concentration.
TEST_F(NonlinearSolver, AgreesWithTheSolverObject) {
    using Model = ObjectModel;
    struct Case {
        const char* name;
        Model model;
        float logK; // log10 of the (first) association constant, or of ks x 3.3
    } cases[] = {{"monomer-dimer", Model::Dimer, 0.5f},
                 {"monomer-trimer", Model::Trimer, 0.5f},
                 {"oligomers 1-2-4", Model::Oligomers124, 0.0f},
                 {"oligomers 1-4-8", Model::Oligomers148, 0.0f},
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

        const ModuleCase mc = ModuleCaseOn(lc);
        double loaded = 0.0;
        ASSERT_EQ(Solve(mc, law, loaded), LammResult::Solved);
        for (int scan = 1; scan <= lc.scans; ++scan) {
            double worst = 0.0;
            for (double r = lc.meniscus + 0.01; r < lc.bottom - 0.01; r += 0.002)
                worst = std::max(worst, std::fabs(StoreFitAt(scan, r) - object.ValueAt(scan, r)));
            EXPECT_LT(worst, 3e-3) << "scan " << scan << " (3e-3 of c0)";
        }
    }
}

// A pile-up at the closed bottom thinner than the last element (element Peclet number 2.05)
// rings below zero on linear elements, which ended the run with the discretization error; kept
// as a pellet at the last node, each law of one species in effect (a "dimer" moving as its
// monomer) is the fixed-grid solver's ideal species on the same grid.
TEST_F(NonlinearSolver, PileUpThinnerThanTheLastElementIsKeptAsAPellet) {
    ModuleCase mc;
    mc.s = 16.0, mc.D = 3.7e-7, mc.gridSize = 500, mc.scans = 6;
    mc.firstScanS = mc.intervalS = 400.0, mc.outputPoints = 1201;
    ModuleRun ideal(mc);
    ideal.Run();
    std::vector<double> want;
    for (int scan = 1; scan <= mc.scans; ++scan)
        for (double r = 6.01; r < 7.19; r += 0.002)
            want.push_back(ideal.ValueAt(scan, r));
    for (CoefficientLaw kind : {CoefficientLaw::Nonideal, CoefficientLaw::MonomerDimer}) {
        CConcentrationLaw law = Law(kind, mc.s, mc.D);
        law.s2 = mc.s, law.D2 = mc.D, law.K = 3.0;
        double loaded = 0.0, worst = 0.0;
        ASSERT_EQ(Solve(mc, law, loaded), LammResult::Solved) << int(kind);
        std::size_t k = 0;
        for (int scan = 1; scan <= mc.scans; ++scan)
            for (double r = 6.01; r < 7.19; r += 0.002)
                worst = std::max(worst, std::fabs(StoreFitAt(scan, r) - want[k++]));
        EXPECT_LT(worst, 3e-3) << "law " << int(kind) << " (3e-3 of c0)";
    }
}

// A tolerance of 0 with fixed steps gives steps of 0 s: time never moves, and the run must end
// with the discretization error rather than loop.
TEST_F(NonlinearSolver, ZeroFixedStepEndsWithDiscretizationError) {
    ModuleCase mc;
    mc.gridSize = 200, mc.scans = 2;
    mc.fixTimestep = true;
    mc.maxDcOverC = 0.0;
    double loaded = 0.0;
    EXPECT_EQ(Solve(mc, Law(CoefficientLaw::MonomerDimer, 4.0, 6e-7), loaded),
              LammResult::DiscretizationError);
}

// The coefficient laws at their ends: the trimer root solves m + K m^3 = c, the dimer law
// tends to the dimer's values, the oligomer table takes its first and last rows outside it.
TEST(ConcentrationCoefficients, LawsAtTheirEnds) {
    for (double K : {1e-6, 1.0, 1e6})
        for (double c : {0.0, 1e-3, 0.5, 20.0}) {
            const double m = RapidAssocRootDiff(c, K);
            EXPECT_NEAR(m + K * m * m * m, c, 1e-12 * std::max(1.0, c)) << "K " << K << " c " << c;
        }
    CConcentrationLaw law = Law(CoefficientLaw::MonomerDimer, 4.0, 6e-7);
    law.K = 1e12;
    double s = 0, D = 0;
    CoefficientsAt(law, nullptr, 1.0, s, D);
    EXPECT_NEAR(s, law.s2, 1e-5);
    EXPECT_NEAR(D, law.D2, 1e-11);
    CoefficientsAt(law, nullptr, 0.0, s, D);
    EXPECT_EQ(s, law.s1);
    EXPECT_EQ(D, law.D1);
    law = Law(CoefficientLaw::OligomerB, 4.0, 6e-7);
    law.K = 2.0, law.K3 = 0.5;
    COligomerTable table(law);
    table.Lookup(0.0, s, D);
    EXPECT_DOUBLE_EQ(s, OligomerWeightAverageS(law, 1e-5));
    table.Lookup(1e12, s, D);
    EXPECT_NEAR(s, OligomerWeightAverageS(law, 100.0), 1e-9);
    // inside, the lookup matches the functions at the monomer concentration of c
    const double m = 0.7;
    table.Lookup(OligomerTotalConcentration(law, m), s, D);
    EXPECT_NEAR(s, OligomerWeightAverageS(law, m), 1e-4);
    EXPECT_NEAR(D / OligomerGradientAverageD(law, m), 1.0, 1e-4);
    // a lookup a few rows below the one found last (the next node of a falling profile) finds
    // its own bracket, not the last row's: the search restarts ten rows back
    for (double lower : {0.69, 0.6, 0.3}) {
        table.Lookup(OligomerTotalConcentration(law, m), s, D);
        table.Lookup(OligomerTotalConcentration(law, lower), s, D);
        EXPECT_NEAR(s, OligomerWeightAverageS(law, lower), 1e-4)
            << "after m " << m << ": " << lower;
    }
}

// The rule's node loops against the law at each node: the non-ideal, dimer (also with its ks)
// and built-in CsCl laws to the bit, the trimer (whose monomer concentration starts from each
// node's last one) to rounding, also
// when a profile jumps far from the last (the grid shifts, a boundary arrives), drops to zero or
// below, and when the corrector averages the old and the new values.
TEST(ConcentrationCoefficients, RuleOfTheNodesIsTheLawAtEachNode) {
    struct Case {
        const char* name;
        CoefficientLaw kind;
        double K;
        double tolerance; // relative; 0 for the same bits
        bool dimerKs = false;
    } cases[] = {
        {"non-ideal", CoefficientLaw::Nonideal, 0.0, 0.0},
        {"monomer-dimer", CoefficientLaw::MonomerDimer, 2.0, 0.0},
        {"monomer-dimer with ks", CoefficientLaw::MonomerDimer, 2.0, 0.0, true},
        {"monomer-trimer", CoefficientLaw::MonomerTrimer, 2.0, 1e-13},
        {"monomer-trimer, K large", CoefficientLaw::MonomerTrimer, 1e8, 1e-13},
        {"monomer-trimer, K = 0", CoefficientLaw::MonomerTrimer, 0.0, 1e-13},
        {"CsCl", CoefficientLaw::Tabulated, 0.0, 0.0},
    };
    const int n = 37;
    // profiles the rule sees one after the other: a small change, a jump by orders of
    // magnitude, the nodes shifted by one, zeros and negative values, and back
    std::vector<std::vector<double>> profiles;
    for (double scale : {1.0, 1.0001, 300.0, 1e-6, 1.0}) {
        std::vector<double> c(n + 1, 0.0);
        for (int i = 1; i <= n; ++i)
            c[i] = scale * (0.05 + 3.0 / (1.0 + std::exp(0.5 * (20 - i))));
        profiles.push_back(c);
    }
    std::vector<double> shifted = profiles[1];
    std::rotate(shifted.begin() + 1, shifted.begin() + 2, shifted.end());
    profiles.push_back(shifted);
    std::vector<double> rough(n + 1, 0.0);
    for (int i = 1; i <= n; ++i)
        rough[i] = i % 3 == 0 ? 0.0 : (i % 3 == 1 ? -1e-9 : 5.0 * i);
    profiles.push_back(rough);
    profiles.push_back(profiles[0]);
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        CConcentrationLaw law = Law(k.kind, 4.0, 6e-7);
        law.K = k.K, law.ks = 0.2, law.kd = 0.05;
        law.dimerKs = k.dimerKs;
        law.cesiumChloride = k.kind == CoefficientLaw::Tabulated;
        // the dimer's ks divides s by 1 + ks c, in the corrector at the mean concentration
        const double ks = k.dimerKs ? law.ks : 0.0;
        CoefficientRule rule(law);
        std::vector<double> s(n + 1), D(n + 1);
        auto near = [&](double got, double want, const char* what, int i) {
            if (k.tolerance == 0.0)
                EXPECT_EQ(got, want) << what << " at node " << i;
            else
                EXPECT_NEAR(got, want, k.tolerance * std::fabs(want)) << what << " at node " << i;
        };
        for (std::size_t p = 0; p + 1 < profiles.size(); ++p) {
            const std::vector<double>&cOld = profiles[p], &cNew = profiles[p + 1];
            rule.Predictor(cOld.data(), s.data(), D.data(), n);
            for (int i = 1; i <= n; ++i) {
                double sw, dw;
                CoefficientsAt(law, nullptr, cOld[i], sw, dw);
                if (ks > 0.0)
                    sw /= 1.0 + ks * cOld[i];
                near(s[i], sw, "predicted s", i);
                near(D[i], dw, "predicted D", i);
            }
            rule.Corrector(cOld.data(), cNew.data(), s.data(), D.data(), n);
            for (int i = 1; i <= n; ++i) {
                double sOld, dOld, sNew, dNew;
                CoefficientsAt(law, nullptr, cOld[i], sOld, dOld);
                CoefficientsAt(law, nullptr, cNew[i], sNew, dNew);
                const double sMean = 0.5 * (sOld + sNew);
                near(s[i], ks > 0.0 ? sMean / (1.0 + ks * 0.5 * (cOld[i] + cNew[i])) : sMean,
                     "corrected s", i);
                near(D[i], 0.5 * (dOld + dNew), "corrected D", i);
            }
        }
    }
}
