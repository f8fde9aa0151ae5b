// The prior probability and transform commands through the menu on generated c(s) data of one
// species: the current distribution taken as prior, drawn over the plot, used by the next Run,
// copied and switched off; refused prior files; discrete species for one Run; the transforms.
#include "app/molar_mass_readout.h"
#include "app/txla_window.h"
#include "distributions/prior_probabilities.h"
#include "foundations/hydrodynamics.h"
#include "scandata/scan_store_alloc.h"
#include "state/conti_state.h"
#include "state/model_parameters.h"
#include "support/conti_data_store.h"
#include "support/main_window_fixture.h"
#include "support/scan_set_generator.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace {

// 6 scans of one species, 5 S, f/f0 1.25, loading 0.5, noise 0.005.
void LoadAndRun(MainWindowFixture& f) {
    ContiStoreCase c;
    c.scans = 6;
    c.points = 151;
    c.meniscus = 6.02f;
    c.bottom = 7.16f;
    c.firstTimeS = 900.0;
    c.intervalS = 600.0;
    std::vector<std::string> paths;
    {
        ContiDataStore store(c);
        ModelParameters::meniscus = 6.0f;
        ModelParameters::bottom = 7.2f;
        store.Fill({{5.0, 1.25, 0.5}}, {}, {}, 0.005, 41);
        for (int k = 1; k <= c.scans; ++k) {
            const GeneratedScan s =
                store.ScanFile(k, "[T OK]one species " + std::to_string(k), store.signal[k].data());
            const std::string path = f.data.file("0000" + std::to_string(k) + ".RA1");
            std::ofstream(path) << s.Text();
            paths.push_back(path);
        }
    }
    f.script.expectFileOpen().answer(paths);
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(200), 0); // Load New Files
    ASSERT_EQ(ScanStore::scanCount, c.scans);
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(275), 0); // Continuous c(s) Distribution
    ContiState::rangeMin = 0.5f;
    ContiState::rangeMax = 10.0f;
    ContiState::resolution = 39.0f; // 0.25 S steps
    ContiState::confidenceLevel = 0.68f;
    ContiState::ff0 = 1.25f;
    ModelParameters::meniscus = 6.0f;
    ModelParameters::bottom = 7.2f;
    ScanStore::leftFitLimit = 6.05f;
    ScanStore::rightFitLimit = 7.12f;
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(213), 0); // Run
    ASSERT_NE(ContiState::distributionPlot, nullptr) << f.script.logText();
}

std::vector<float> Held(const float* a) {
    return a ? std::vector<float>(a + 1, a + ContiState::gridPoints + 1) : std::vector<float>{};
}

void KeepPng(MainWindowFixture& f, const char* name) {
    if (const char* keep = std::getenv("TARNIX_KEEP_PNG"))
        plat::test::windowPng(*f.window, std::string(keep) + "/" + name);
}

} // namespace

TEST(PriorCommands, CurrentDistributionAsPriorUsedCopiedAndSwitchedOff) {
    MainWindowFixture f;
    f.script.onUnexpected(plat::test::Unexpected::Cancel);
    LoadAndRun(f);
    const std::vector<float> plain = Held(ContiState::distribution);
    {
        plat::test::Script script;
        script.expectBox()
            .caption("PRIOR PROBABILITIES")
            .textHas("Use the current distribution as the prior probability?")
            .answer(IDYES);
        SendMessage(f.window.get(), WM_COMMAND, WPARAM(529), 0);
        ASSERT_TRUE(script.done()) << script.logText();
    }
    ASSERT_TRUE(ContiState::priorInUse);
    ASSERT_NE(ContiState::priorValues, nullptr);
    for (int p = 1; p <= ContiState::gridPoints; ++p)
        ASSERT_NEAR(ContiState::priorValues[p], plain[std::size_t(p - 1)], 1e-6) << p;
    f.Paint();
    KeepPng(f, "prior_overlay.png");

    // The next Run is regularized towards the prior: another solution on the same grid, whose
    // prior is kept beside it.
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(213), 0);
    const std::vector<float> shaped = Held(ContiState::distribution);
    ASSERT_EQ(shaped.size(), plain.size());
    EXPECT_NE(shaped, plain);
    ASSERT_NE(ContiState::priorValues, nullptr);
    EXPECT_NEAR(ContiState::priorAbscissa[1], ContiState::sValues[1], 0.0);

    SendMessage(f.window.get(), WM_COMMAND, WPARAM(632), 0); // Copy Prior Knowledge Table
    std::istringstream rows(plat::test::clipboard().text.value_or(""));
    int count = 0;
    for (std::string row; std::getline(rows, row);)
        ++count;
    EXPECT_EQ(count, ContiState::gridPoints);

    {
        plat::test::Script script;
        script.expectBox().caption("PRIOR PROBABILITIES").textHas("Switch it off?").answer(IDYES);
        SendMessage(f.window.get(), WM_COMMAND, WPARAM(529), 0);
        ASSERT_TRUE(script.done()) << script.logText();
    }
    EXPECT_FALSE(ContiState::priorInUse);
    EXPECT_EQ(ContiState::priorValues, nullptr);
    // Without the prior the Run gives the first solution again.
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(213), 0);
    EXPECT_EQ(Held(ContiState::distribution), plain);
}

TEST(PriorCommands, FileWithNegativeNonFiniteOrTooFewValuesIsRefusedWithItsReason) {
    MainWindowFixture f;
    struct Case {
        const char* name;
        const char* text;
        const char* reason; // empty: accepted
    };
    const Case cases[] = {
        {"negative", "1 0.5\n2 -0.1\n3 0.2\n",
         "line 2 of the prior probability file holds a "
         "negative probability"},
        {"not finite", "1 0.5\n2 nan\n3 0.2\n",
         "line 2 of the prior probability file holds a "
         "value that is not a finite number"},
        {"beyond double", "1 0.5\n2 1e999\n", "not a finite number"},
        {"one row", "1 0.5\n\n", "it holds 1 row(s)"},
        {"text", "s prior\n1 0.5\n2 0.5\n", "line 1 of the prior probability file holds a value"},
        {"descending", "2 0.5\n1 0.5\n", "does not continue the ascending abscissae"},
        {"all zero", "1 0\n2 0\n", "every probability in it is zero"},
        {"good, CR LF, third column", "1 0.5 9\r\n2 1 9\r\n4 0\r\n", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ClearPriorParams();
        const std::string path = f.data.file("prior.dat");
        std::ofstream(path, std::ios::binary) << c.text;
        plat::test::Script script;
        script.expectFileOpen()
            .title("select prior probability file (abscissa, probability)")
            .answer(std::vector<std::string>{path});
        if (*c.reason)
            script.expectBox().caption("Error").textHas(c.reason).answer(IDOK);
        SendMessage(f.window.get(), WM_COMMAND, WPARAM(529), 0);
        ASSERT_TRUE(script.done()) << script.logText();
        EXPECT_EQ(ContiState::priorInUse, !*c.reason);
    }
    // The accepted prior applies on any grid by linear interpolation, zero beyond its ends.
    std::vector<double> x = {0.0, 0.5, 1.5, 3.0, 5.0};
    const std::vector<double> prior = PriorForGrid(x);
    ASSERT_EQ(prior.size(), x.size());
    EXPECT_DOUBLE_EQ(prior[1], 0.0);
    EXPECT_DOUBLE_EQ(prior[2], 0.75);
    EXPECT_DOUBLE_EQ(prior[3], 0.5);
    EXPECT_DOUBLE_EQ(prior[4], 0.0);
}

TEST(PriorCommands, DiscreteSpeciesShapeOneRunOnly) {
    MainWindowFixture f;
    f.script.onUnexpected(plat::test::Unexpected::Cancel);
    LoadAndRun(f);
    const std::vector<float> plain = Held(ContiState::distribution);
    {
        plat::test::Script script;
        script.expectInput()
            .caption("PRIOR KNOWLEDGE OF DISCRETE SPECIES")
            .prompt("number of discrete species")
            .answer("1");
        script.expectInput().prompt("s-value of discrete species 1 [S]").answer("5");
        SendMessage(f.window.get(), WM_COMMAND, WPARAM(633), 0);
        ASSERT_TRUE(script.done()) << script.logText();
    }
    EXPECT_TRUE(ContiState::discretePrior && ContiState::discretePriorOneShot);
    EXPECT_TRUE(ContiState::priorInUse2) << "the discrete prior is drawn with its distribution";
    ASSERT_NE(ContiState::priorValues, nullptr);
    const std::vector<float> shaped = Held(ContiState::distribution);
    EXPECT_NE(shaped, plain);
    // The bump sits at 5 S on a level of 0.01.
    int top = 1;
    for (int p = 2; p <= ContiState::gridPoints; ++p)
        if (ContiState::priorValues[p] > ContiState::priorValues[top])
            top = p;
    EXPECT_NEAR(ContiState::sValues[top], 5.0, 0.13);
    EXPECT_NEAR(ContiState::priorValues[1], 0.01, 1e-9);
    f.Paint();
    KeepPng(f, "discrete_prior_overlay.png");

    SendMessage(f.window.get(), WM_COMMAND, WPARAM(213), 0); // the next Run is without it
    EXPECT_FALSE(ContiState::discretePrior || ContiState::discretePriorOneShot);
    EXPECT_FALSE(ContiState::priorInUse2);
    EXPECT_EQ(ContiState::priorValues, nullptr);
    EXPECT_EQ(Held(ContiState::distribution), plain);
}

TEST(TransformCommands, S20wThenIntegralThroughTheMenu) {
    MainWindowFixture f;
    f.script.onUnexpected(plat::test::Unexpected::Cancel);
    LoadAndRun(f);
    const std::vector<float> s = Held(ContiState::sValues);
    const double factor = SToS20wInBuffer(1.0f);
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(836), 0);
    for (int p = 1; p <= ContiState::gridPoints; ++p)
        ASSERT_NEAR(ContiState::sValues[p], factor * s[std::size_t(p - 1)], 1e-5) << p;
    double total = 0.0;
    for (int p = 2; p <= ContiState::gridPoints; ++p)
        total += 0.5 * (ContiState::distribution[p] + ContiState::distribution[p - 1]) *
                 (double(ContiState::sValues[p]) - ContiState::sValues[p - 1]);
    EXPECT_NEAR(total, 0.5, 0.03) << "the loading";
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(460), 0);
    EXPECT_NEAR(ContiState::distribution[ContiState::gridPoints], total, 1e-5);
    f.Paint();
    KeepPng(f, "integral_distribution.png");
}

// "Continuous c(s) with M(s) table" asks for its table; the molar mass readout then follows it.
TEST(PriorCommands, MofSTableOfItsModelGivesTheMolarMassReadout) {
    MainWindowFixture f;
    f.script.onUnexpected(plat::test::Unexpected::Cancel);
    const std::string path = f.data.file("MofS.dat");
    std::ofstream(path) << "2 20000\n4 60000\n8 100000\n";
    {
        plat::test::Script script;
        script.onUnexpected(plat::test::Unexpected::Cancel);
        script.expectFileOpen()
            .title("select M(s) table (s [S], M [Da])")
            .answer(std::vector<std::string>{path});
        SendMessage(f.window.get(), WM_COMMAND, WPARAM(587), 0);
        ASSERT_TRUE(script.done()) << script.logText();
    }
    EXPECT_DOUBLE_EQ(MolarMassOfS(3.0f), 40000.0);
    EXPECT_DOUBLE_EQ(MolarMassOfS(10.0f), 120000.0);
}

// The radius and molar-mass transforms through the menu, each on a fresh Run: the abscissae
// become the images of the s grid and the loading is kept.
TEST(TransformCommands, RadiusAndMolarMassThroughTheMenu) {
    MainWindowFixture f;
    f.script.onUnexpected(plat::test::Unexpected::Cancel);
    LoadAndRun(f);
    struct Case {
        int id;
        std::function<double(double)> map;
    };
    const Case cases[] = {
        {525,
         [](double s) {
             return 1e9 * S20ToStokesRadius(float(SToS20wInBuffer(float(s))), ScanStore::vbar);
         }},
        {589, [](double s) { return CalculateM(float(s)); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        SendMessage(f.window.get(), WM_COMMAND, WPARAM(213), 0); // Run
        const std::vector<float> s = Held(ContiState::sValues);
        SendMessage(f.window.get(), WM_COMMAND, WPARAM(c.id), 0);
        ASSERT_EQ(ContiState::gridPoints, int(s.size()));
        double total = 0.0;
        for (int p = 1; p <= ContiState::gridPoints; ++p) {
            ASSERT_NEAR(ContiState::sValues[p] / c.map(s[std::size_t(p - 1)]), 1.0, 1e-6) << p;
            if (p > 1)
                total += 0.5 * (ContiState::distribution[p] + ContiState::distribution[p - 1]) *
                         (double(ContiState::sValues[p]) - ContiState::sValues[p - 1]);
        }
        EXPECT_NEAR(total, 0.5, 0.03) << "the loading";
    }
}
