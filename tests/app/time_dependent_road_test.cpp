// "Fit Time Dependent s,M" through the menu on generated scans of one species of known s and M:
// every pair of consecutive scans gives a row near the truth, the table goes to the box and the
// clipboard, and the model records and the store are whole again afterwards.
#include "app/txla_window.h"
#include "foundations/hydrodynamics.h"
#include "plat/testing.hpp"
#include "scandata/initial_data.h"
#include "scandata/scan_store_alloc.h"
#include "state/conti_state.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/conti_data_store.h"
#include "support/main_window_fixture.h"
#include "support/scan_set_generator.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace {

void Command(MainWindowFixture& f, int id) {
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(id), 0);
}

// Five scans of one species, 5 S with f/f0 1.25, loading 0.5, noise 0.002.
std::vector<std::string> WriteScans(MainWindowFixture& f) {
    ContiStoreCase c;
    c.scans = 5;
    c.points = 191;
    c.meniscus = 6.02f;
    c.bottom = 7.16f;
    c.firstTimeS = 1500.0; // the first boundary clear of the left fit limit
    c.intervalS = 900.0;
    std::vector<std::string> paths;
    ContiDataStore store(c);
    ModelParameters::meniscus = 6.0f;
    ModelParameters::bottom = 7.2f;
    store.Fill({{5.0, 1.25, 0.5}}, {}, {}, 0.002, 9);
    for (int k = 1; k <= c.scans; ++k) {
        char name[20];
        std::snprintf(name, sizeof name, "%05d.RA1", k);
        std::ofstream(f.data.file(name))
            << store.ScanFile(k, "[T OK]time course " + std::to_string(k), store.signal[k].data())
                   .Text();
        paths.push_back(f.data.file(name));
    }
    return paths;
}

} // namespace

TEST(TimeDependentRoad, EveryPairOfScansGivesTheSpeciesSAndM) {
    MainWindowFixture f;
    f.script.onUnexpected(plat::test::Unexpected::Cancel);
    f.script.expectFileOpen().answer(WriteScans(f));
    Command(f, 200);
    ASSERT_EQ(ScanStore::scanCount, 5);
    ModelParameters::meniscus = 6.0f;
    ModelParameters::bottom = 7.2f;
    ScanStore::leftFitLimit = 6.05f;
    ScanStore::rightFitLimit = 7.12f;
    // A start away from the truth, in the s-and-D form.
    ModelChoice::equilibriumMs = false;
    ModelParameters::speciesS[1] = 4.0f;
    ModelParameters::speciesDOrM[1] = 5.0f;
    ModelParameters::speciesOn[2] = 1;

    f.script.expectBox().caption("TIME DEPENDENT s,M").answer(IDOK);
    Command(f, 266);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    const std::string shown = f.script.log().back().text;

    const double mass = CalculateMff02(5.0f, 1.25f);
    std::istringstream table(shown);
    std::string line;
    std::getline(table, line);
    EXPECT_EQ(line, "t (s)\ts (S)\tM (Da)\trmsd");
    int rows = 0;
    while (std::getline(table, line) && !line.empty()) {
        double t = 0, s = 0, m = 0, rmsd = 0;
        ASSERT_EQ(std::sscanf(line.c_str(), "%lf %lf %lf %lf", &t, &s, &m, &rmsd), 4) << line;
        ++rows;
        EXPECT_DOUBLE_EQ(t, 1500.0 + 900.0 * rows - 450.0) << line;
        EXPECT_NEAR(s, 5.0, 0.05) << line;
        EXPECT_NEAR(m, mass, 0.1 * mass) << line;
        EXPECT_LT(rmsd, 0.0025) << line; // the noise is 0.002
    }
    EXPECT_EQ(rows, 4);
    // The clipboard holds the same rows as numbers.
    const auto& clip = plat::test::clipboard();
    ASSERT_TRUE(clip.text.has_value());
    EXPECT_EQ(std::count(clip.text->begin(), clip.text->end(), '\n'), rows);

    // The records are as they were, the store whole.
    EXPECT_EQ(ScanStore::scanCount, 5);
    EXPECT_FLOAT_EQ(ModelParameters::speciesS[1], 4.0f);
    EXPECT_FLOAT_EQ(ModelParameters::speciesDOrM[1], 5.0f);
    EXPECT_EQ(ModelParameters::speciesOn[2], 1);
    EXPECT_FALSE(ModelChoice::equilibriumMs);
    EXPECT_FALSE(ModelParameters::experimentalInitialDistribution);
    EXPECT_EQ(InitialData::pointCount, 0);
    EXPECT_FALSE(ContiState::timeDependentSAndM);
    EXPECT_TRUE(ContiState::ordinaryAnalysisMode);
    for (int k = 1; k <= 5; ++k)
        EXPECT_EQ(ScanStore::scanOrder[k], k);
}
