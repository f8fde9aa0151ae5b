// The loops with a variant per vector unit give the same bits under every unit this processor
// offers: the concentration-dependent coefficients, whole moving-frame runs of each law, the
// passes over a solved step of the fixed grid, and whole evaluations of the discrete model. Each
// unit below the widest is forced by a cap.
#include "foundations/vector_unit.h"
#include "lamm/step_change_kernels.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/concentration_coefficients.h"
#include "simulation/simulation_switches.h"
#include "state/component_scans.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/module_solver_harness.h"
#include "support/reset_all_state.h"
#include "support/velocity_store.h"

#include <cmath>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

const char* Name(VectorUnit unit) {
    return unit == VectorUnit::Avx512 ? "AVX-512" : unit == VectorUnit::Avx2 ? "AVX2" : "plain";
}

// The units below the usable one, which a cap can force.
std::vector<VectorUnit> NarrowerUnits() {
    std::vector<VectorUnit> units;
    for (VectorUnit u : {VectorUnit::Plain, VectorUnit::Avx2})
        if (u < UsableVectorUnit())
            units.push_back(u);
    return units;
}

bool SameBits(const std::vector<double>& a, const std::vector<double>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

// Runs `produce` under the widest unit and under each narrower cap; every result must be the
// widest's bit for bit.
void ExpectSameUnderEveryCap(const std::function<std::vector<double>()>& produce) {
    const std::vector<double> widest = produce();
    for (VectorUnit unit : NarrowerUnits()) {
        CVectorUnitCap cap(unit);
        ASSERT_EQ(UsableVectorUnit(), unit);
        EXPECT_TRUE(SameBits(produce(), widest)) << Name(unit) << " against the widest unit";
    }
}

CConcentrationLaw LawOf(CoefficientLaw kind) {
    CConcentrationLaw law;
    law.law = kind;
    law.s1 = 4.5, law.D1 = 6e-7;
    law.s2 = 7.0, law.D2 = 4.8e-7;
    if (kind == CoefficientLaw::Tabulated)
        law.cesiumChloride = true;
    return law;
}

struct LawCase {
    const char* name;
    CConcentrationLaw law;
};

std::vector<LawCase> WrittenOutLaws() {
    std::vector<LawCase> cases;
    CConcentrationLaw nonideal = LawOf(CoefficientLaw::Nonideal);
    nonideal.ks = 0.3, nonideal.kd = 0.1;
    cases.push_back({"non-ideal", nonideal});
    CConcentrationLaw dimer = LawOf(CoefficientLaw::MonomerDimer);
    dimer.K = 3.0;
    cases.push_back({"monomer-dimer", dimer});
    dimer.dimerKs = true, dimer.ks = 0.2;
    cases.push_back({"monomer-dimer with ks", dimer});
    CConcentrationLaw trimer = LawOf(CoefficientLaw::MonomerTrimer);
    trimer.K = 3.0;
    cases.push_back({"monomer-trimer", trimer});
    CConcentrationLaw cscl = LawOf(CoefficientLaw::Tabulated);
    cases.push_back({"CsCl", cscl});
    return cases;
}

// Concentrations over many decades, zeros and denormal-sized ones among them, 1-based.
std::vector<double> RandomConcentrations(int n, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> exponent(-12.0, 3.0), unit(0.0, 1.0);
    std::vector<double> c(std::size_t(n) + 1, 0.0);
    for (int i = 1; i <= n; ++i) {
        const double pick = unit(random);
        c[std::size_t(i)] = pick < 0.05   ? 0.0
                            : pick < 0.1  ? std::numeric_limits<double>::denorm_min() * (i % 7 + 1)
                            : pick < 0.15 ? 1e-300 * unit(random)
                                          : std::pow(10.0, exponent(random));
    }
    return c;
}

class VectorUnitVariants : public ::testing::Test {
  protected:
    void SetUp() override { ResetAllState(); }
    void TearDown() override { ResetAllState(); }
};

} // namespace

// Predictor and corrector of every law written out node by node, over node counts that leave
// every length of vector tail, on concentrations from zero through tiny to large.
TEST_F(VectorUnitVariants, CoefficientLawsGiveTheSameBits) {
    if (NarrowerUnits().empty())
        GTEST_SKIP() << "this processor offers only the plain loops";
    for (const LawCase& lc : WrittenOutLaws()) {
        for (int n : {1, 3, 7, 8, 9, 17, 1001}) {
            SCOPED_TRACE(std::string(lc.name) + ", " + std::to_string(n) + " nodes");
            const std::vector<double> cOld = RandomConcentrations(n, 11u + unsigned(n));
            const std::vector<double> cNew = RandomConcentrations(n, 97u + unsigned(n));
            ExpectSameUnderEveryCap([&] {
                CoefficientRule rule(lc.law);
                std::vector<double> s(std::size_t(n) + 1), D(std::size_t(n) + 1);
                rule.Predictor(cOld.data(), s.data(), D.data(), n);
                std::vector<double> out = s;
                out.insert(out.end(), D.begin(), D.end());
                rule.Corrector(cOld.data(), cNew.data(), s.data(), D.data(), n);
                out.insert(out.end(), s.begin(), s.end());
                out.insert(out.end(), D.begin(), D.end());
                return out;
            });
        }
    }
}

// A whole moving-frame run of each law: the final profile, the amount and every scan's fit.
TEST_F(VectorUnitVariants, MovingFrameRunsGiveTheSameBits) {
    if (NarrowerUnits().empty())
        GTEST_SKIP() << "this processor offers only the plain loops";
    for (const LawCase& lc : WrittenOutLaws()) {
        SCOPED_TRACE(lc.name);
        ModuleCase mc;
        mc.road = SolverRoad::MovingHat;
        mc.gridSize = 300, mc.scans = 3, mc.firstScanS = mc.intervalS = 900.0;
        mc.outputPoints = 601;
        if (lc.law.cesiumChloride)
            mc.c0 = 1.5, mc.firstScanS = mc.intervalS = 3600.0;
        ExpectSameUnderEveryCap([&] {
            EXPECT_EQ(SolveModuleCaseWithLaw(mc, lc.law), LammResult::Solved);
            std::vector<double> out(LammGrid::concentration,
                                    LammGrid::concentration + LammGrid::gridSize + 1);
            out.push_back(LammGrid::totalAmount);
            for (int k = 1; k <= ScanStore::scanCount; ++k)
                out.insert(out.end(), ScanStore::fit[k] + 1,
                           ScanStore::fit[k] + ScanStore::pointCount[k] + 1);
            return out;
        });
    }
}

// The passes over a solved step on values with numbers beyond 1e100, infinities and NaN among
// them, over every range short enough to end inside the first vectors and one long range.
TEST(VectorUnitVariantsOfStepPasses, GiveTheSameBits) {
    if (NarrowerUnits().empty())
        GTEST_SKIP() << "this processor offers only the plain loops";
    std::mt19937 random(5);
    std::uniform_real_distribution<double> level(-0.05, 1.0);
    const int n = 200;
    std::vector<double> u(n + 1), v(n + 1), ratio(n + 1);
    for (int i = 0; i <= n; ++i) {
        u[i] = level(random);
        v[i] = i % 5 == 0 ? 0.0 : level(random);
        ratio[i] = std::fabs((u[i] - v[i]) / (v[i] != 0.0 ? v[i] : 1.0));
    }
    std::vector<double> wild = u;
    wild[150] = 3e100, wild[170] = -std::numeric_limits<double>::infinity();
    wild[190] = std::numeric_limits<double>::quiet_NaN();
    ExpectSameUnderEveryCap([&] {
        std::vector<double> out;
        for (int lo = 1; lo <= 5; ++lo)
            for (int hi : {lo - 1, lo, lo + 2, lo + 3, lo + 4, lo + 9, 149, 160, 180, n}) {
                for (const std::vector<double>* x : {&u, &wild}) {
                    out.push_back(AnyBeyond1e100(x->data(), lo, hi));
                    out.push_back(LargestOf(x->data(), lo, hi));
                    double largest = -1.0;
                    out.push_back(AnyBeyond1e100OrLargest(x->data(), lo + 1, lo, hi, largest));
                    out.push_back(largest);
                }
                for (double threshold : {0.0, 0.3, 2.0})
                    for (const double* r : {static_cast<const double*>(nullptr),
                                            static_cast<const double*>(ratio.data())}) {
                        bool gaining = false;
                        out.push_back(
                            LargestOwnChange(u.data(), v.data(), r, threshold, lo, hi, gaining));
                        out.push_back(gaining);
                    }
            }
        return out;
    });
}

// A whole evaluation of the discrete model: one species straight into the fit, and two species
// kept per slot with their amplitudes solved (the rows scaled by their loadings of 0.6 and 0.4,
// the target and the fit of two species). The species rows, the fit and the loadings.
TEST_F(VectorUnitVariants, DiscreteModelEvaluationsGiveTheSameBits) {
    if (NarrowerUnits().empty())
        GTEST_SKIP() << "this processor offers only the plain loops";
    struct Case {
        const char* name;
        std::vector<TrueSpecies> species;
        bool linearAmplitudes;
    };
    const Case cases[] = {
        {"one species in the fit", {{3.5, 6.3e-7, 0.8}}, false},
        {"two species, amplitudes solved", {{3.5, 6.3e-7, 0.6}, {7.0, 4.2e-7, 0.4}}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectSameUnderEveryCap([&] {
            ResetAllState();
            VelocitySet set;
            set.species = c.species;
            set.scans = 4, set.points = 203, set.noise = 0.005;
            FillVelocityStore(set);
            ModelChoice::linearAmplitudes = c.linearAmplitudes;
            RunDiscreteSed(nullptr);
            EXPECT_TRUE(ScanStore::resultAvailable);
            std::vector<double> out;
            for (int k = 1; k <= ScanStore::scanCount; ++k) {
                out.insert(out.end(), ScanStore::fit[k] + 1,
                           ScanStore::fit[k] + ScanStore::pointCount[k] + 1);
                for (int slot = 1; c.linearAmplitudes && slot <= 2; ++slot)
                    out.insert(out.end(), ComponentScans::rows[slot][std::size_t(k)].begin(),
                               ComponentScans::rows[slot][std::size_t(k)].end());
            }
            for (int slot = 1; slot <= 2; ++slot)
                out.push_back(ModelParameters::speciesLoading[slot]);
            return out;
        });
    }
}

// The cap lowers the usable unit, never raises it above the processor's, and comes back (to the
// level the whole run may be capped at).
TEST(VectorUnitCap, LowersAndRestores) {
    const VectorUnit widest = DetectedVectorUnit(), start = UsableVectorUnit();
    ASSERT_LE(start, widest);
    {
        CVectorUnitCap plain(VectorUnit::Plain);
        EXPECT_EQ(UsableVectorUnit(), VectorUnit::Plain);
        {
            CVectorUnitCap wide(VectorUnit::Avx512);
            EXPECT_EQ(UsableVectorUnit(), widest) << "a cap above the processor's unit";
        }
        EXPECT_EQ(UsableVectorUnit(), VectorUnit::Plain);
    }
    EXPECT_EQ(UsableVectorUnit(), start);
}
