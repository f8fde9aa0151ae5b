// The sedimenting cosolvent on its own grid: loading, conservation, the reuse of stored factors,
// the concentration-dependent path in its constant limit, the equilibrium exponential reached in
// a full run of either loop, its scan files, and the solvent it makes for the species.
#include "foundations/vector_unit.h"
#include "lamm/hat_integrals.h"
#include "support/lamm_harness.h"
#include "support/reset_all_state.h"
#include "support/temp_folder.h"
#include "support/vector_unit_compare.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <sstream>
#include <string>

namespace {

constexpr double kS2 = 5.0, kD2 = 1e-5, kRpm = 50000.0;

class LammCosolvent : public ::testing::Test {
  protected:
    void SetUp() override { ResetAllState(); }

    // A cosolvent of 5 S and 1e-5 cm^2/s at 1.0 on 60 nodes over a 3 mm column, at speed.
    static void Configure(CLammIdeal& o) {
        o.meniscus = 6.9, o.bottom = 7.2;
        o.cosolventGridCount = 60;
        o.cosolventLoading = 1.0;
        o.cosolventS = kS2, o.cosolventD = kD2;
        o.currentRotorSpeed = o.finalRotorSpeed = kRpm;
        o.rampRotorSpeed = false;
        o.accelerationPhaseActive = false;
        o.secondComponentOn = true;
    }

    // Steps of the given lengths from t = 0, the way the solve loops drive the cosolvent.
    static void Steps(CLammIdeal& o, std::initializer_list<double> lengths, bool forceRefactor) {
        for (double step : lengths) {
            o.cosolventStartTime = o.t;
            o.t += step;
            if (forceRefactor)
                o.cosolventForceRefactor = true;
            o.StepCosolvent();
        }
    }

    // A species of 1 S and 5e-6 cm^2/s over the cosolvent's 3 mm column: two scans, the first
    // after the given interval.
    static LammCase SpeciesOverTheCosolvent(double intervalS) {
        LammCase lc;
        lc.s = 1.0, lc.D = 5e-6, lc.rpm = kRpm;
        lc.meniscus = 6.9, lc.bottom = 7.2;
        lc.lowerFit = 6.92f, lc.upperFit = 7.18f;
        lc.gridSize = 200;
        lc.scans = 2;
        lc.firstScanS = lc.intervalS = intervalS;
        lc.outputPoints = 301;
        return lc;
    }

    // The inhomogeneous solvent switched on in a buffer like water, ready for the cosolvent's
    // gradient.
    static void LoadTheCosolventSolvent(CLammIdeal& o) {
        o.LoadSolventOptions(true, true, false, false, 0.0, 0.73f, 1.0f, 1.0f, 0.73f, 0.73f,
                             0.99823f, 0.001002f, 1.0f, 0.7287f, 1.0, 1.0, 0.001002, 0.001002);
    }

    // The species over the cosolvent's gradient (viscosity and density rising with it), run.
    static LammResult RunOverTheGradient(LammRun& run) {
        run.Load();
        CLammIdeal& o = run.solver;
        LoadTheCosolventSolvent(o);
        const double viscosity[3] = {0.0, 1.0, 30.0};
        const double density[4] = {0.0, 0.99823, 0.0, 13.0};
        o.LoadSolventGradient(true, true, false, kS2, kD2, true, 60, false, false, 1.0, false,
                              false, 0.0, nullptr, false, nullptr, nullptr, viscosity, 2, density,
                              3);
        o.timeStepControlValue = 0.0;
        return o.Run();
    }

    static double Amount(const CLammIdeal& o) {
        double sum = 0.0;
        for (int i = 1; i <= o.cosolvent.n; ++i)
            sum += HatNodeVolume(o.cosolvent.r, o.cosolvent.n, i) * o.cosolvent.c[i];
        return sum;
    }
};

TEST_F(LammCosolvent, ZoneLoadingLeavesZoneEmpty) {
    CLammIdeal o;
    Configure(o);
    o.zoneLoading = true;
    o.zoneWidth = 0.05f;
    ASSERT_TRUE(o.SetupCosolvent());
    for (int i = 1; i <= o.cosolvent.n; ++i) {
        const double want = o.cosolvent.r[i] < 6.9 + 0.05f ? 0.0 : 1.0;
        EXPECT_EQ(o.cosolvent.c[i], want) << "r = " << o.cosolvent.r[i];
    }
}

TEST_F(LammCosolvent, StepOfLengthZeroLeavesProfile) {
    CLammIdeal o;
    Configure(o);
    ASSERT_TRUE(o.SetupCosolvent());
    Steps(o, {20.0, 0.0}, false);
    const std::vector<double> before(o.cosolvent.c, o.cosolvent.c + o.cosolvent.n + 1);
    Steps(o, {0.0}, false);
    for (int i = 1; i <= o.cosolvent.n; ++i)
        EXPECT_EQ(o.cosolvent.c[i], before[i]) << i;
}

// Equal steps reuse the stored factors of L2; the result must be that of factoring anew, and
// the amount must stay what was loaded. Polynomial coefficients s(c) = s2, D(c) = D2 take the
// predictor-corrector path with triple tables, which must give the same solution.
TEST_F(LammCosolvent, StoredFactorsAndConstantPolynomialsAgree) {
    CLammIdeal reuse, fresh, tables;
    for (CLammIdeal* o : {&reuse, &fresh, &tables})
        Configure(*o);
    tables.cosolventConcentrationDependent = true;
    tables.sCoefficients = {0.0, kS2};
    tables.dCoefficients = {0.0, kD2};
    for (CLammIdeal* o : {&reuse, &fresh, &tables})
        ASSERT_TRUE(o->SetupCosolvent());
    const double loaded = Amount(reuse);
    const auto lengths = {5.0, 5.0, 5.0, 40.0, 40.0, 40.0, 40.0, 300.0, 300.0};
    Steps(reuse, lengths, false);
    Steps(fresh, lengths, true);
    Steps(tables, lengths, false);
    for (int i = 1; i <= reuse.cosolvent.n; ++i) {
        EXPECT_NEAR(reuse.cosolvent.c[i], fresh.cosolvent.c[i], 1e-13) << i;
        EXPECT_NEAR(tables.cosolvent.c[i], fresh.cosolvent.c[i], 1e-12) << i;
    }
    EXPECT_GT(reuse.cosolvent.c[reuse.cosolvent.n], 1.1); // it has sedimented
    EXPECT_NEAR(Amount(reuse) / loaded, 1.0, 1e-13);
    EXPECT_NEAR(Amount(tables) / loaded, 1.0, 1e-13);
}

// Built-in coefficients of a dense salt: s and D vary with c, the amount is still kept.
TEST_F(LammCosolvent, BuiltinCoefficientsConserveAmount) {
    CLammIdeal o;
    Configure(o);
    o.cosolventConcentrationDependent = true;
    o.builtInCoefficients = true;
    ASSERT_TRUE(o.SetupCosolvent());
    const double loaded = Amount(o);
    Steps(o, {10.0, 10.0, 100.0, 1000.0, 1000.0}, false);
    EXPECT_NEAR(Amount(o) / loaded, 1.0, 1e-13);
    EXPECT_LT(o.cosolvent.sNode[o.cosolvent.n], 0.6); // the salt's own s, not the loaded 5 S
    EXPECT_NEAR(CLammIdeal::BuiltinCosolventD(0.0), 2.03e-5, 1e-12);
}

// A full run of the species carries the cosolvent along, step by step, to sedimentation
// equilibrium: ln c2 linear in r^2 with slope s2 w^2 1e-13 / (2 D2), w the final speed also
// after a ramp. At every scan its profile
// is saved as "comp2_<scan>.r00" with the description "component 2".
TEST_F(LammCosolvent, ReachesEquilibriumExponentialInBothLoops) {
    struct Case {
        bool movingHat;
        double ramp;
    } cases[] = {{false, 0.0}, {true, 0.0}, {false, 300.0}};
    for (const Case& k : cases) {
        const bool movingHat = k.movingHat;
        TempFolder folder;
        LammCase lc;
        lc.s = 1.0, lc.D = 5e-6, lc.rpm = kRpm;
        lc.meniscus = 6.9, lc.bottom = 7.2;
        lc.lowerFit = 6.92f, lc.upperFit = 7.18f;
        lc.movingHat = movingHat;
        lc.gridSize = 200;
        lc.scans = 3;
        lc.firstScanS = lc.intervalS = 20000.0;
        lc.maxDcOverC = movingHat ? 0.25 : 1.0;
        lc.outputPoints = 301;
        lc.rampRpmPerS = k.ramp; // the cosolvent must end at the final speed
        LammRun run(lc);
        run.Load();
        CLammIdeal& o = run.solver;
        o.LoadSolventGradient(false, false, false, kS2, kD2, true, 60, false, false, 1.0, true,
                              false, 0.0, folder.path().c_str(), false, nullptr, nullptr, nullptr,
                              0, nullptr, 0);
        o.quietWhileFitting = o.quietWhileComputing = false;
        o.timeStepControlValue = 0.0; // run to the last scan
        ASSERT_EQ(o.Run(), LammResult::Solved) << lc.name;
        ASSERT_TRUE(o.cosolvent.ready);
        const CCosolventGrid& g = o.cosolvent;
        double sx = 0, sy = 0, sxx = 0, sxy = 0;
        for (int i = 1; i <= g.n; ++i) {
            const double xv = g.r[i] * g.r[i], yv = std::log(g.c[i]);
            sx += xv, sy += yv, sxx += xv * xv, sxy += xv * yv;
        }
        const double slope = (g.n * sxy - sx * sy) / (g.n * sxx - sx * sx);
        const double w = kRpm * M_PI / 30.0;
        const double want = kS2 * w * w * 1e-13 / (2.0 * kD2);
        EXPECT_NEAR(slope / want, 1.0, 1e-3)
            << (movingHat ? "moving hat" : "fixed grid") << ", ramp " << k.ramp;
        const std::string text = ReadTextFile(folder.file("comp2_3.r00"));
        ASSERT_FALSE(text.empty());
        EXPECT_NE(text.substr(0, text.find('\n')).find("component 2"), std::string::npos);
        std::istringstream lines(text);
        std::string line;
        int rows = 0;
        while (std::getline(lines, line))
            ++rows;
        EXPECT_EQ(rows, 2 + g.n);
    }
}

// A dense cosolvent that gathers at the bottom makes the solvent denser there: the species'
// buoyancy factors fall with radius once the gradient has formed.
TEST_F(LammCosolvent, GradientMakesSolventDenserAtBottom) {
    LammRun run(SpeciesOverTheCosolvent(5000.0));
    run.Load();
    CLammIdeal& o = run.solver;
    LoadTheCosolventSolvent(o);
    const double viscosity[2] = {0.0, 1.0};              // water's
    const double density[4] = {0.0, 0.99823, 0.0, 13.0}; // + 0.13 g/ml per unit of c
    o.LoadSolventGradient(true, true, false, kS2, kD2, true, 60, false, false, 1.0, false, false,
                          0.0, nullptr, false, nullptr, nullptr, viscosity, 1, density, 3);
    o.timeStepControlValue = 0.0;
    ASSERT_EQ(o.Run(), LammResult::Solved);
    const int n = o.N;
    EXPECT_LT(o.buoyancyFactor[n], o.buoyancyFactor[1] - 0.1);
    for (int i = 2; i <= n; ++i)
        EXPECT_LE(o.buoyancyFactor[i], o.buoyancyFactor[i - 1] + 1e-12) << i;
}

// The solvent factors and the weighted rows run in vectors as wide as the processor offers; a
// run over the cosolvent's gradient ends on the same bits under every narrower unit, with a
// square-root term in the viscosity series and without one.
TEST_F(LammCosolvent, RunOverTheGradientHasTheSameBitsUnderEveryVectorUnit) {
    const double withRoot[3] = {0.0, 1.0, 30.0};
    const double withoutRoot[4] = {0.0, 1.0, 0.0, -1.0};
    const double density[4] = {0.0, 0.99823, 0.0, 13.0};
    struct Case {
        const double* viscosity;
        int terms;
    } cases[] = {{withRoot, 2}, {withoutRoot, 3}};
    for (const Case& c : cases) {
        auto run = [&c, &density] {
            LammRun run(SpeciesOverTheCosolvent(2000.0));
            run.Load();
            CLammIdeal& o = run.solver;
            LoadTheCosolventSolvent(o);
            o.LoadSolventGradient(true, true, false, kS2, kD2, true, 60, false, false, 1.0, false,
                                  false, 0.0, nullptr, false, nullptr, nullptr, c.viscosity,
                                  c.terms, density, 3);
            o.timeStepControlValue = 0.0;
            EXPECT_EQ(o.Run(), LammResult::Solved);
            std::vector<double> out(o.c + 1, o.c + o.N + 1);
            out.insert(out.end(), o.viscosityFactor.begin(), o.viscosityFactor.end());
            out.insert(out.end(), o.buoyancyFactor.begin(), o.buoyancyFactor.end());
            return out;
        };
        const std::vector<double> widest = run();
        for (VectorUnit unit : {VectorUnit::Plain, VectorUnit::Avx2}) {
            if (unit >= UsableVectorUnit())
                continue;
            CVectorUnitCap cap(unit);
            const std::vector<double> narrow = run();
            ASSERT_EQ(narrow.size(), widest.size());
            SCOPED_TRACE(std::to_string(c.terms) + " viscosity terms");
            ExpectSameBitsOrWithinRounding(narrow, widest, unit);
        }
    }
}

// A cosolvent step changes the factors of some nodes; only the rows around them are integrated
// again, and they must be the rows a whole assembly gives, the open bottom's end row too.
TEST_F(LammCosolvent, RefreshedRowsAreThoseOfAWholeAssembly) {
    LammRun run(SpeciesOverTheCosolvent(200.0));
    CLammIdeal& o = run.solver;
    ASSERT_EQ(RunOverTheGradient(run), LammResult::Solved);
    const int n = o.N;
    struct Case {
        int lo, hi;
        bool openBottom;
    } cases[] = {{40, 45, false}, {1, 3, false}, {n - 2, n, true}};
    for (const Case& c : cases) {
        o.backDiffusionShutOff = c.openBottom;
        o.upperIndex = n;
        o.AssembleActiveRegionMatrices(n);
        for (int i = c.lo; i <= c.hi; ++i) {
            o.viscosityFactor[i] *= 1.0 + 0.01 * i / n;
            o.buoyancyFactor[i] *= 1.0 - 0.02 * i / n;
        }
        o.RefreshSolventRows(c.lo, c.hi);
        const std::vector<double> a(o.Ka, o.Ka + n + 1), b(o.Kb, o.Kb + n + 1),
            cc(o.Kc, o.Kc + n + 1), mb(o.Mb, o.Mb + n + 1);
        o.AssembleActiveRegionMatrices(n);
        for (int i = 1; i <= n; ++i) {
            EXPECT_EQ(a[i], o.Ka[i]) << "nodes " << c.lo << ".." << c.hi << ", row " << i;
            EXPECT_EQ(b[i], o.Kb[i]) << "nodes " << c.lo << ".." << c.hi << ", row " << i;
            EXPECT_EQ(cc[i], o.Kc[i]) << "nodes " << c.lo << ".." << c.hi << ", row " << i;
            EXPECT_EQ(mb[i], o.Mb[i]) << "nodes " << c.lo << ".." << c.hi << ", row " << i;
        }
    }
}

// After each step of the cosolvent the factors of the nodes it changed are found: the range
// returned holds every node whose viscosity or buoyancy factor changed, the bottom's included
// (where the cosolvent piles up), and begins and ends at a changed node.
TEST_F(LammCosolvent, TheChangedRangeHoldsEveryChangedFactor) {
    LammRun run(SpeciesOverTheCosolvent(200.0));
    CLammIdeal& o = run.solver;
    ASSERT_EQ(RunOverTheGradient(run), LammResult::Solved);
    const int n = o.N;
    bool bottomChanged = false;
    for (const double step : {1.0, 20.0, 200.0}) {
        const std::vector<double> f = o.viscosityFactor, b = o.buoyancyFactor;
        o.cosolventStartTime = o.t;
        o.t += step;
        o.StepCosolvent();
        const auto [first, last] = o.UpdateSolventFactors(o.r);
        for (int i = 1; i <= n; ++i) {
            const bool changed = o.viscosityFactor[i] != f[i] || o.buoyancyFactor[i] != b[i];
            if (changed)
                EXPECT_TRUE(first <= i && i <= last) << "node " << i << " after " << step << " s";
            if (i == first || i == last)
                EXPECT_TRUE(changed) << "node " << i << " after " << step << " s";
        }
        bottomChanged = bottomChanged || o.viscosityFactor[n] != f[n];
    }
    EXPECT_TRUE(bottomChanged);
}

} // namespace
