// The c(s) models whose molar mass at each s follows a shape rule (bimodal f/f0, conformer of
// fixed mass, wormlike chain, scaling law, M(s) table): the rule itself at and around the edges
// of its ranges, the grid's s, D and M agreeing with Svedberg's relation, entries the rule cannot
// use refused, and on data of species made with the rule's D (one inside and one outside the
// model's own range where it has one) the Run puts each peak at its s with its loading; the
// bimodal model's second f/f0 comes back from a wrong start in the Fit.
#include "distributions/conti_fit.h"
#include "distributions/conti_mass_rule.h"
#include "distributions/conti_run.h"
#include "distributions/integrate_distribution.h"
#include "distributions/m_of_s_table.h"
#include "foundations/hydrodynamics.h"
#include "foundations/shape_models.h"
#include "plat/testing.hpp"
#include "plat/window.hpp"
#include "state/conti_state.h"
#include "state/fit_control.h"
#include "state/model_choice.h"
#include "state/startup_paths.h"
#include "support/conti_data_store.h"
#include "support/error_box_text.h"
#include "support/temp_folder.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using C = ContiState;
using MC = ModelChoice;

constexpr const char* kTable = "1 15000\n4 80000\n8 260000\n15 700000\n25 1500000\n";

struct Variant {
    const char* name;
    ContiVariant variant;
    bool* choice;
};

const Variant kVariants[] = {
    {"bimodal", ContiVariant::CsBimodal, &MC::csBimodal},
    {"conformer", ContiVariant::CsConformer, &MC::csConformationalChange},
    {"wormlike chain", ContiVariant::CsWormlikeChain, &MC::csWormlikeChain},
    {"scaling law", ContiVariant::CsScalingLaw, &MC::csScalingLaw},
    {"M(s) table", ContiVariant::CsMofSTable, &MC::csMsTable},
};

class MassRule : public ::testing::Test {
  protected:
    MassRule() : store(Scans()) {}
    static ContiStoreCase Scans() {
        ContiStoreCase c;
        c.scans = 10;
        c.points = 260;
        c.firstTimeS = 600.0;
        c.intervalS = 600.0;
        return c;
    }
    void SetUp() override {
        window.Create();
        script.pumpUntilIdle();
        ASSERT_EQ(ParseMofSTable(kTable), "");
        MC::nonInteractingSpecies = false;
        MC::contiMode = true;
        C::ff0 = 1.25f;
        C::confidenceLevel = 0.68f;
        C::maxEntRegularization = false;
        C::secondDerivativeRegularization = true;
    }
    void TearDown() override {
        FreeDistributionArrays();
        ClearMofSTable();
    }
    void Choose(const Variant& v) {
        for (const Variant& other : kVariants)
            *other.choice = false;
        *v.choice = true;
        ASSERT_EQ(CurrentContiVariant(), v.variant) << v.name;
    }
    // D (cm^2/s) that the variant's rule gives a species of s (S) at the scans' temperature.
    static double RuleD(ContiVariant v, double s) {
        const double t = ContiScanTemperature();
        const double m = ContiMolarMassOfS(v, s, C::ff0, C::invariantD, t);
        return DFromSandM(static_cast<float>(m), static_cast<float>(s), static_cast<float>(t));
    }
    static void Area(float lo, float hi, float& area, float& sw) {
        IntegrateDistribution(lo, hi, &area, &sw, nullptr, nullptr);
    }
    // rmsd of the residuals the last Run left, away from the column's ends.
    double Rmsd() const {
        double ss = 0.0, count = 0.0;
        for (int k = 1; k <= store.c.scans; ++k)
            for (int i = 20; i <= store.c.points - 20; ++i, ++count)
                ss += double(store.residuals[k][i]) * store.residuals[k][i];
        return std::sqrt(ss / count);
    }
    // The rule's values as the model starts.
    static void DefaultRuleValues() {
        C::bimodalSMin = 10.0f;
        C::bimodalSMax = 20.0f;
        C::bimodalFf0 = 2.0f;
        C::conformerSMin = 7.0f;
        C::conformerSMax = 10.0f;
        C::conformerM = 200000.0f;
        ShapeModels::ResetToDefaults();
    }

    plat::test::Script script;
    TFrameWindow window{nullptr, "test"};
    ContiDataStore store;
};

} // namespace

// Each rule at points inside, on the edges of and outside its range; the shape laws inverted.
TEST_F(MassRule, GivesTheModelsMassInsideAndOutsideItsRange) {
    const float ff0 = C::ff0;
    struct Case {
        ContiVariant v;
        double s, expected; // expected < 0: checked by the inverse law below
    } cases[] = {
        {ContiVariant::CsBimodal, 5.0, CalculateMff02(5.0f, ff0)},
        {ContiVariant::CsBimodal, 10.0, CalculateMff02(10.0f, 2.0f)}, // both edges belong to it
        {ContiVariant::CsBimodal, 15.0, CalculateMff02(15.0f, 2.0f)},
        {ContiVariant::CsBimodal, 20.0, CalculateMff02(20.0f, 2.0f)},
        {ContiVariant::CsBimodal, 20.5, CalculateMff02(20.5f, ff0)},
        {ContiVariant::CsConformer, 6.9, CalculateMff02(6.9f, ff0)},
        {ContiVariant::CsConformer, 7.0, 200000.0},
        {ContiVariant::CsConformer, 10.0, 200000.0},
        {ContiVariant::CsConformer, 12.0, CalculateMff02(12.0f, ff0)},
        {ContiVariant::CsMofSTable, 6.0, 170000.0},   // halfway between 4 and 8 S
        {ContiVariant::CsMofSTable, 30.0, 1900000.0}, // from the last two rows
        {ContiVariant::Cs, 6.0, CalculateMff02(6.0f, ff0)},
        {ContiVariant::CsScalingLaw, 3.0, -1.0},
        {ContiVariant::CsScalingLaw, 12.0, -1.0},
        {ContiVariant::CsWormlikeChain, 4.0, -1.0},
        {ContiVariant::CsWormlikeChain, 9.0, -1.0},
    };
    for (const Case& c : cases) {
        const double m = ContiMolarMassOfS(c.v, c.s, ff0, C::invariantD, 20.0);
        if (c.expected >= 0.0) {
            EXPECT_NEAR(m, c.expected, 1e-6 * c.expected) << int(c.v) << " at " << c.s;
        } else if (c.v == ContiVariant::CsScalingLaw) {
            EXPECT_NEAR(SFromMScalingLaw(static_cast<float>(m)), c.s, 1e-4 * c.s) << c.s;
        } else {
            EXPECT_GT(m, ShapeModels::wormMonomerMass) << c.s;
            EXPECT_NEAR(SOfWormlikeChain(m), c.s, 2e-3 * c.s) << c.s;
        }
    }
    // The conformer's mass and the chain's shape are read as they stand.
    C::conformerM = 150000.0f;
    EXPECT_EQ(ContiMolarMassOfS(ContiVariant::CsConformer, 8.0, ff0, 0.0, 20.0), 150000.0);
    const double before = ContiMolarMassOfS(ContiVariant::CsWormlikeChain, 6.0, ff0, 0.0, 20.0);
    ShapeModels::wormPersistence = 10.0f; // a floppier chain: more mass for the same s
    EXPECT_GT(ContiMolarMassOfS(ContiVariant::CsWormlikeChain, 6.0, ff0, 0.0, 20.0), before);
}

// Every point of every variant's grid holds s, D and M that satisfy s = M (1 - vbar rho) D / RT.
TEST_F(MassRule, GridPointsAgreeWithSvedbergsRelation) {
    const double t = ContiScanTemperature();
    for (const Variant& v : kVariants) {
        const ContiGrid g = BuildContiGrid(v.variant, 40, 0.0, 22.0, false, C::ff0, 0.0, t);
        ASSERT_EQ(g.n, 40);
        for (int p = 2; p <= g.n; ++p) {
            EXPECT_NEAR(g.M[p], ContiMolarMassOfS(v.variant, g.s[p], C::ff0, 0.0, t), 1e-6 * g.M[p])
                << v.name << " point " << p;
            const double s = SFromMandD(static_cast<float>(g.M[p]), static_cast<float>(g.D[p]),
                                        static_cast<float>(t));
            EXPECT_NEAR(s, g.s[p], 1e-4 * g.s[p]) << v.name << " point " << p;
        }
        EXPECT_TRUE(std::isfinite(g.D[1]) && g.D[1] > 0.0) << v.name; // the point at s = 0
    }
}

// Values the rule cannot use are refused before any kernel is made, with the value named.
TEST_F(MassRule, RefusesValuesTheRuleCannotUse) {
    C::rangeMin = 1.0f;
    C::rangeMax = 20.0f;
    C::resolution = 20.0f;
    struct Case {
        const Variant& variant;
        std::function<void()> spoil;
        const char* text;
    } cases[] = {
        {kVariants[0], [] { C::bimodalFf0 = 0.8f; }, "second frictional ratio f/f0 = 0.8"},
        {kVariants[0], [] { C::bimodalSMin = 25.0f; }, "second f/f0 s-range 25 to 20 S"},
        {kVariants[1], [] { C::conformerM = 0.0f; }, "conformer's molar mass (Da) = 0"},
        {kVariants[1], [] { C::conformerSMax = NAN; }, "conformer s-range 7 to nan S"},
        {kVariants[2], [] { ShapeModels::wormPersistence = -3.0f; }, "persistence length"},
        {kVariants[3], [] { ShapeModels::scalingKs = 0.0f; }, "scaling law's ks (S) = 0"},
        {kVariants[3], [] { C::rangeMin = -2.0f; }, "At s = -2 S"},
        {kVariants[4], [] { ClearMofSTable(); }, "This model needs an M(s) table"},
    };
    for (const Case& c : cases) {
        DefaultRuleValues();
        ASSERT_EQ(ParseMofSTable(kTable), "");
        C::rangeMin = 1.0f;
        C::rangeMax = 20.0f;
        C::resolution = 20.0f;
        Choose(c.variant);
        EXPECT_EQ(CheckContiRun(c.variant.variant), "") << c.variant.name;
        c.spoil();
        const std::string why = CheckContiRun(c.variant.variant);
        EXPECT_NE(why.find(c.text), std::string::npos) << c.variant.name << ": " << why;
        script.expectBox().caption("Error").text(why).answer(IDOK);
        EXPECT_FALSE(RunContiSed(nullptr, SilentObserver())) << c.variant.name;
        EXPECT_TRUE(script.done()) << c.variant.name << "\n" << script.logText();
    }
}

// The program folder's table is read when none was chosen; a table that cannot be read refuses
// the Run and says which file.
TEST_F(MassRule, TableOfTheProgramFolderIsReadWhenNoneWasChosen) {
    TempFolder folder;
    const std::string path = folder.file("mofs.dat");
    std::snprintf(gTablePaths.mofs, sizeof gTablePaths.mofs, "%s", path.c_str());
    ClearMofSTable();
    EXPECT_NE(CheckContiMassRule(ContiVariant::CsMofSTable).find(path + " cannot be read"),
              std::string::npos);
    ASSERT_TRUE(WriteTextFile(path, "2 50000\n12 400000\n"));
    EXPECT_EQ(CheckContiMassRule(ContiVariant::CsMofSTable), "");
    EXPECT_NEAR(InterpolateMofS(7.0, 20.0), 225000.0, 1.0);
    gTablePaths.mofs[0] = '\0';
}

// Two species whose D follows the rule, one inside the model's own range and one outside it: both
// peaks at their s with their loadings. Plain c(s) on the same data misplaces the mass, which makes
// this a test of the rule in the kernel.
TEST_F(MassRule, RunPutsEachPeakAtItsSWithItsLoading) {
    struct Case {
        const Variant& variant;
        double s1, s2;
        std::function<void()> setUp;
    } cases[] = {
        {kVariants[0], 4.0, 14.0, [] {}}, // 14 S inside 10-20 S with f/f0 2
        {kVariants[1], 4.0, 8.5, [] {}},  // 8.5 S inside 7-10 S at 200 kDa
        {kVariants[2], 4.0, 9.0, [] {}},  // chains throughout
        {kVariants[3], 4.0, 9.0, [] {}},  // s = 0.003 M^0.667 throughout
        {kVariants[4], 4.0, 9.0, [] {}},  // the table throughout
    };
    constexpr double kLoading1 = 0.4, kLoading2 = 0.3;
    for (const Case& c : cases) {
        Choose(c.variant);
        c.setUp();
        const ContiVariant v = c.variant.variant;
        store.Fill({{c.s1, 1.0, kLoading1, RuleD(v, c.s1)}, {c.s2, 1.0, kLoading2, RuleD(v, c.s2)}},
                   {}, {}, 0.003, 17);
        C::rangeMin = 1.0f;
        C::rangeMax = 17.0f;
        C::resolution = 65.0f;
        ASSERT_TRUE(RunContiSed(nullptr, SilentObserver()))
            << c.variant.name << ": " << TakeErrorBoxText();
        float area = 0, sw = 0;
        const float mid = static_cast<float>(0.5 * (c.s1 + c.s2));
        Area(1.0f, mid, area, sw);
        EXPECT_NEAR(area, kLoading1, 0.05 * kLoading1) << c.variant.name;
        EXPECT_NEAR(sw, c.s1, 0.03 * c.s1) << c.variant.name;
        Area(mid, 17.0f, area, sw);
        EXPECT_NEAR(area, kLoading2, 0.05 * kLoading2) << c.variant.name;
        EXPECT_NEAR(sw, c.s2, 0.03 * c.s2) << c.variant.name;
        EXPECT_LT(Rmsd(), 0.0036) << c.variant.name;
        // The M held beside each grid point is the rule's.
        for (int p = 2; p <= C::gridPoints; ++p)
            ASSERT_NEAR(C::mValues[p],
                        ContiMolarMassOfS(v, C::sValues[p], C::ff0, 0.0, ContiScanTemperature()),
                        1e-4 * C::mValues[p])
                << c.variant.name;
    }
    // Plain c(s) cannot hold the bimodal data's second species: its fit is visibly worse.
    Choose(kVariants[0]);
    store.Fill({{4.0, 1.0, kLoading1, RuleD(ContiVariant::CsBimodal, 4.0)},
                {14.0, 1.0, kLoading2, RuleD(ContiVariant::CsBimodal, 14.0)}},
               {}, {}, 0.003, 17);
    MC::csBimodal = false;
    MC::contiCs = true;
    ASSERT_TRUE(RunContiSed(nullptr, SilentObserver())) << TakeErrorBoxText();
    EXPECT_GT(Rmsd(), 0.005);
}

// The second f/f0, floated from 2.4 on data made with 1.7, comes back within the noise; the main
// f/f0 and the peaks stay where they belong.
TEST_F(MassRule, FitRecoversTheSecondFrictionalRatio) {
    Choose(kVariants[0]);
    C::bimodalFf0 = 1.7f;
    store.Fill({{4.0, 1.0, 0.4, RuleD(ContiVariant::CsBimodal, 4.0)},
                {14.0, 1.0, 0.3, RuleD(ContiVariant::CsBimodal, 14.0)}},
               {}, {}, 0.003, 19);
    C::rangeMin = 1.0f;
    C::rangeMax = 17.0f;
    C::resolution = 49.0f;
    C::bimodalFf0 = 2.4f;
    C::bimodalFf0Float = 1;
    FitControl::simplexTolerance = 1e-5;
    ASSERT_TRUE(ContiFit(nullptr, SilentObserver())) << TakeErrorBoxText();
    EXPECT_NEAR(C::bimodalFf0, 1.7f, 0.05);
    EXPECT_EQ(C::ff0, 1.25f); // not floated
    EXPECT_LT(FitControl::bestRmsd, 0.0036);
    float area = 0, sw = 0;
    Area(9.0f, 17.0f, area, sw);
    EXPECT_NEAR(sw, 14.0, 0.3);
}

// After a wormlike-chain Run the grid's s (in standard conditions) and M (kDa) are written, one
// row per grid point, to the table file of the program folder.
TEST_F(MassRule, WormlikeChainRunWritesItsMofSTable) {
    Choose(kVariants[2]);
    store.Fill({{5.0, 1.0, 0.5, RuleD(ContiVariant::CsWormlikeChain, 5.0)}}, {}, {}, 0.003, 23);
    C::rangeMin = 2.0f;
    C::rangeMax = 10.0f;
    C::resolution = 33.0f;
    TempFolder folder;
    const std::string path = folder.file("~WormChain_mofs.dat");
    std::snprintf(gTablePaths.wormChainMofs, sizeof gTablePaths.wormChainMofs, "%s", path.c_str());
    ASSERT_TRUE(RunContiSed(nullptr, SilentObserver())) << TakeErrorBoxText();
    gTablePaths.wormChainMofs[0] = '\0';
    const std::string text = ReadTextFile(path);
    std::vector<std::vector<double>> rows;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find('\n', at);
        const std::string line = text.substr(at, end == std::string::npos ? end : end - at);
        std::vector<double> row;
        const char* p = line.c_str();
        char* next = nullptr;
        for (double v = std::strtod(p, &next); next != p; v = std::strtod(p, &next)) {
            row.push_back(v);
            p = next;
        }
        rows.push_back(row);
        at = end == std::string::npos ? text.size() : end + 1;
    }
    ASSERT_EQ(rows.size(), std::size_t(C::gridPoints));
    // water at 20 C in the store: standard conditions, s unchanged
    for (int p = 1; p <= C::gridPoints; ++p) {
        ASSERT_EQ(rows[p - 1].size(), 2u) << p;
        EXPECT_NEAR(rows[p - 1][0], C::sValues[p], 1e-3 * C::sValues[p] + 1e-6) << p;
        EXPECT_NEAR(rows[p - 1][1], C::mValues[p] * 1e-3, 1e-3 * C::mValues[p] * 1e-3 + 1e-6) << p;
    }
}
