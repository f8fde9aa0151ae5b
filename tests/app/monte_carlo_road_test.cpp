// The Monte-Carlo commands through the menu on generated c(s) data of one species: the questions
// in their order, the replicate files, the statistics box of 546 around the true loading, the
// limit curves on the distribution plot (written as a picture) and nothing for a discrete model.
#include "app/txla_window.h"
#include "distributions/monte_carlo.h"
#include "plat/atomic_file.hpp"
#include "scandata/scan_store_alloc.h"
#include "state/conti_state.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/monte_carlo_state.h"
#include "support/conti_data_store.h"
#include "support/main_window_fixture.h"
#include "support/model_road.h"
#include "support/scan_set_generator.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// 8 scans of one species, 5 S, f/f0 1.25, loading 0.5, noise 0.005.
std::vector<GeneratedScan> OneSpeciesScans() {
    ContiStoreCase c;
    c.scans = 8;
    c.points = 191; // 6.02 .. 7.16 cm in steps of 0.006 cm
    c.meniscus = 6.02f;
    c.bottom = 7.16f;
    c.firstTimeS = 600.0;
    c.intervalS = 500.0;
    ContiDataStore store(c);
    ModelParameters::meniscus = 6.0f;
    ModelParameters::bottom = 7.2f;
    store.Fill({{5.0, 1.25, 0.5}}, {}, {}, 0.005, 31);
    std::vector<GeneratedScan> scans;
    for (int k = 1; k <= c.scans; ++k) {
        const GeneratedScan s =
            store.ScanFile(k, "[T OK]one species " + std::to_string(k), store.signal[k].data());
        scans.push_back(s);
    }
    return scans;
}

double NumberAfter(const std::string& text, const std::string& key) {
    const std::size_t at = text.find(key);
    return at == std::string::npos ? NAN : std::atof(text.c_str() + at + key.size());
}

void LoadAndRun(MainWindowFixture& f) {
    const std::vector<GeneratedScan> scans = OneSpeciesScans();
    const std::vector<std::string> paths = WriteScanFiles(f, scans);
    f.script.expectFileOpen().answer(paths);
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(200), 0); // Load New Files
    ASSERT_EQ(ScanStore::scanCount, 8);
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(275), 0); // Continuous c(s) Distribution
    ContiState::rangeMin = 0.5f;
    ContiState::rangeMax = 10.0f;
    ContiState::resolution = 40.0f;
    ContiState::confidenceLevel = 0.68f;
    ContiState::ff0 = 1.25f;
    ModelParameters::meniscus = 6.0f; // the generated meniscus
    ModelParameters::bottom = 7.2f;
    ScanStore::leftFitLimit = 6.05f;
    ScanStore::rightFitLimit = 7.12f;
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(213), 0); // Run
    ASSERT_NE(ContiState::distributionPlot, nullptr) << f.script.logText();
}

const char* kIntro = "This Monte-Carlo routine will show the statistics only arising from the "
                     "distribution and regularization.\n";

} // namespace

TEST(MonteCarloRoad, DistributionsAndIntegratedSThroughTheMenu) {
    MainWindowFixture f;
    f.script.onUnexpected(plat::test::Unexpected::Cancel);
    LoadAndRun(f);
    const std::string folder = f.data.file("mc");
    std::filesystem::create_directories(folder);
    {
        plat::test::Script script;
        script.expectBox()
            .caption("Monte Carlo for Distributions")
            .text(std::string(kIntro) + " - continue?")
            .answer(IDYES);
        script.expectInput().prompt("number of simulations").answer("12.7");
        script.expectInput().prompt("confidence level for display").answer("0.68");
        script.expectFileSave()
            .title("select directory (dummy file) for Monte Carlo for Distributions")
            .answer(std::vector<std::string>{folder + "/blank"});
        script.expectBox()
            .caption("SET PREFERENCE")
            .text("write distribution to file at each iteration?")
            .answer(IDYES);
        script.expectInput().prompt("change confidence level").answer("0.9");
        script.expectInput().prompt("change confidence level").answer(IDCANCEL);
        SendMessage(f.window.get(), WM_COMMAND, WPARAM(296), 0);
        ASSERT_TRUE(script.done()) << script.logText();
    }
    for (int r = 1; r <= 12; ++r)
        EXPECT_TRUE(std::filesystem::exists(folder + "/MC" + std::to_string(r) + ".dat")) << r;
    EXPECT_FALSE(std::filesystem::exists(folder + "/MC13.dat"));
    EXPECT_TRUE(MonteCarloState::replicates.empty()) << "freed at the end";
    EXPECT_FALSE(ContiState::monteCarloRunning);

    {
        plat::test::Script script;
        script.expectBox()
            .caption("Monte Carlo for Distributions")
            .textHas("MIROVAN")
            .answer(IDYES);
        script.expectInput().prompt("number of simulations").answer("20");
        script.expectInput()
            .prompt("confidence level of regularization (P-value, recommended 0.68)")
            .answer("0.68");
        script.expectInput().prompt("left integration limit (smin)").answer("3");
        script.expectInput().prompt("right integration limit (smax)").answer("7");
        script.expectFileSave().answer(std::vector<std::string>{folder + "/blank"});
        script.expectBox().caption("SET PREFERENCE").answer(IDNO);
        script.expectBox().caption("Monte Carlo statistics").answer(IDOK);
        script.expectBox().text("other integration limits?").answer(IDYES);
        script.expectInput().prompt("left integration limit (smin)").answer("0.5");
        script.expectInput().prompt("right integration limit (smax)").answer("3");
        script.expectBox().caption("Monte Carlo statistics").answer(IDOK);
        script.expectBox().text("other integration limits?").answer(IDNO);
        SendMessage(f.window.get(), WM_COMMAND, WPARAM(546), 0);
        ASSERT_TRUE(script.done()) << script.logText();
        const std::string text = script.log()[7].text;
        EXPECT_NEAR(NumberAfter(text, "c = "), 0.5, 0.02) << text;
        EXPECT_NEAR(NumberAfter(text, "sw = "), 5.0, 0.15) << text;
        const double cstd = NumberAfter(text.substr(text.find("c = ")), "+/- ");
        EXPECT_GT(cstd, 0.0) << text;
        EXPECT_LT(cstd, 0.02) << text;
        EXPECT_TRUE(ContiState::monteCarloIntegratedS);
    }

    // The limit curves on the plot, as the loop of 296 shows them.
    ASSERT_TRUE(RunMonteCarloDistributions(f.window.get(), f.window->computeObserver, 20, 0.9f,
                                           folder, false));
    ASSERT_EQ(static_cast<int>(MonteCarloState::lower.size()), ContiState::gridPoints + 1);
    for (int p = 1; p <= ContiState::gridPoints; ++p)
        EXPECT_LE(MonteCarloState::lower[p], MonteCarloState::upper[p]) << p;
    f.Paint();
    const std::string png = f.data.file("monte_carlo.png");
    ASSERT_TRUE(plat::test::windowPng(*f.window, png));
    if (const char* keep = std::getenv("TARNIX_KEEP_PNG"))
        plat::test::windowPng(*f.window, std::string(keep) + "/monte_carlo.png");
    FinishMonteCarlo(f.window.get());
    EXPECT_TRUE(MonteCarloState::lower.empty());

    // A replicate file that cannot be written is reported, not passed over.
    const std::string full = f.data.file("full");
    std::filesystem::create_directories(full);
    {
        plat::test::Script script;
        script.expectBox().caption("Error").textHas("MC1.dat cannot be written").answer(IDOK);
        plat::test::FailAtomicCommits(1);
        EXPECT_TRUE(RunMonteCarloDistributions(f.window.get(), f.window->computeObserver, 3, 0.68f,
                                               full, true));
        EXPECT_TRUE(script.done()) << script.logText();
    }
    EXPECT_FALSE(std::filesystem::exists(full + "/MC1.dat"));
    FinishMonteCarlo(f.window.get());
}

TEST(MonteCarloRoad, NothingForADiscreteModel) {
    MainWindowFixture f;
    f.script.onUnexpected(plat::test::Unexpected::Fail);
    ModelChoice::contiMode = false;
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(296), 0);
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(546), 0);
    EXPECT_TRUE(f.script.log().empty()) << f.script.logText();
}
