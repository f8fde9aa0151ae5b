// A user's road through the menu: two species (3.5 S and 7 S loaded 1:2, f/f0 1.25) with noise
// 0.003, written as scan files and loaded, "van Holde - Weischet transform" chosen, Run; the
// extrapolation view with G(s) below it, Esc, the view again when the model is chosen again, and
// gone with another model. The copy of the data (and of the fit) puts the view's extrapolation
// table while the view is up. The window is kept as a PNG.
#include "app/txla_window.h"
#include "plat/messages.hpp"
#include "plat/testing.hpp"
#include "scandata/scan_store_alloc.h"
#include "state/boundary_analysis.h"
#include "state/conti_state.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/conti_data_store.h"
#include "support/main_window_fixture.h"
#include "support/model_road.h"
#include "support/pasted_table.h"
#include "support/scan_set_generator.h"
#include "support/van_holde_weischet_road.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// Scans every 400 s from 2400 s, when the slow boundary has left the meniscus, with noise 0.003.
// The fractions are of the loading: the slow species' share of the plateau grows as the fast one
// dilutes faster, and each scan's fractions are placed by that dilution. Read off the plateau as
// it was, the slow species' fractions came to 3.36 S without noise and 3.32 S with it.
std::vector<GeneratedScan> TwoSpeciesScans() {
    ContiStoreCase c;
    c.scans = 13;
    c.points = 401;
    c.firstTimeS = 2400.0;
    c.intervalS = 400.0;
    std::vector<GeneratedScan> scans;
    ContiDataStore store(c);
    store.Fill({{3.5, 1.25, 0.3}, {7.0, 1.25, 0.6}}, {}, {}, 0.003, 29);
    for (int k = 1; k <= c.scans; ++k) {
        const GeneratedScan s =
            store.ScanFile(k, "[T OK]two species " + std::to_string(k), store.signal[k].data());
        scans.push_back(s);
    }
    return scans;
}

// The pasted table of copy command id against the extrapolation table: the abscissa, the n data
// curves (0 in the infinite-time row) and the n fitted lines ending in the extrapolated s.
void ExpectExtrapolationTable(MainWindowFixture& f, int id) {
    using B = BoundaryAnalysis;
    plat::test::clearRecords();
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(id), 0);
    const auto table = PasteClipboard();
    const std::size_t rows = B::abscissa.size(), n = B::fractions.size();
    ASSERT_EQ(table.size(), rows) << id;
    auto near = [](const std::string& cell, double value) {
        const double v = std::strtod(cell.c_str(), nullptr);
        if (std::isnan(value))
            return std::isnan(v);
        return std::fabs(v - value) <= 1e-5 * std::fabs(value) + 1e-9;
    };
    for (std::size_t i = 0; i < rows; ++i) {
        ASSERT_EQ(table[i].size(), 1 + 2 * n) << id << " row " << i;
        EXPECT_TRUE(near(table[i][0], B::abscissa[i])) << id << " row " << i;
        for (std::size_t k = 0; k < n; ++k) {
            const double data = i + 1 < rows ? B::apparentS[k][i] : 0.0;
            EXPECT_TRUE(near(table[i][1 + k], data)) << id << " row " << i << " fraction " << k;
            EXPECT_TRUE(near(table[i][1 + n + k], B::fittedLines[k][i]))
                << id << " row " << i << " line " << k;
        }
    }
    EXPECT_EQ(table.back()[0], "0");
    // The last row ends the fast species' lines at its s (the fraction next to the plateau, 0.975,
    // is left out: noise crosses its level early).
    std::vector<double> fast;
    for (std::size_t k = 0; k < n; ++k)
        if (B::fractions[k] >= 0.45 && B::fractions[k] <= 0.95)
            fast.push_back(std::strtod(table.back()[1 + n + k].c_str(), nullptr));
    ASSERT_FALSE(fast.empty());
    std::nth_element(fast.begin(), fast.begin() + std::ptrdiff_t(fast.size() / 2), fast.end());
    EXPECT_NEAR(fast[fast.size() / 2], 7.0, 0.05 * 7.0);
}

} // namespace

TEST(BoundaryRoad, VanHoldeWeischetThroughTheMenuFindsBothSpecies) {
    const std::vector<GeneratedScan> scans = TwoSpeciesScans();
    MainWindowFixture f;
    const std::vector<std::string> paths = WriteScanFiles(f, scans);
    f.script.onUnexpected(plat::test::Unexpected::Cancel);
    f.script.expectFileOpen().answer(paths);
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(200), 0); // Load New Files
    ASSERT_EQ(ScanStore::scanCount, 13);

    ExpectVanHoldeWeischetChoice(f);
    f.script.expectBox()
        .textHas("show plot with extrapolation of s(app) vs 1/srqt(time)?")
        .answer(IDYES);
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(292), 0);
    ASSERT_TRUE(ModelChoice::gStarFamily && ModelChoice::boundaryPlot && !ModelChoice::vhwFlotation)
        << f.script.logText();
    EXPECT_EQ(ContiState::resolution, 20.0f);
    // the Parameters dialog is not part of this version: its entries are set here
    ModelParameters::meniscus = 6.0f;
    ModelParameters::bottom = 7.2f;
    ScanStore::leftFitLimit = 6.05f;
    ScanStore::rightFitLimit = 7.1f;

    SendMessage(f.window.get(), WM_COMMAND, WPARAM(213), 0); // Run
    ASSERT_FALSE(BoundaryAnalysis::fractions.empty()) << f.script.logText();
    EXPECT_NEAR(MedianExtrapolatedS(0.05, 0.2), 3.5, 0.05 * 3.5);
    EXPECT_NEAR(MedianExtrapolatedS(0.45, 0.95), 7.0, 0.05 * 7.0);
    EXPECT_TRUE(BoundaryAnalysis::reportShown);
    ASSERT_NE(BoundaryAnalysis::reportPlot, nullptr);
    ASSERT_NE(ContiState::distributionPlot, nullptr);
    f.Paint();
    const std::string png = f.data.file("van_holde_weischet.png");
    ASSERT_TRUE(plat::test::windowPng(*f.window, png));
    if (const char* keep = std::getenv("TARNIX_KEEP_PNG"))
        plat::test::windowPng(*f.window, std::string(keep) + "/van_holde_weischet.png");

    // The data and the fit copies put the extrapolation table while the view is up.
    ExpectExtrapolationTable(f, 258);
    ExpectExtrapolationTable(f, 259);

    // Esc takes the view away; the result stays, and the data copy is the scans' again.
    SendMessage(f.window.get(), WM_CHAR, WPARAM(27), 0);
    EXPECT_FALSE(BoundaryAnalysis::reportShown);
    EXPECT_EQ(BoundaryAnalysis::reportPlot, nullptr);
    EXPECT_FALSE(BoundaryAnalysis::fractions.empty());
    plat::test::clearRecords();
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(258), 0);
    const auto pairs = PasteClipboard();
    ASSERT_FALSE(pairs.empty());
    EXPECT_EQ(pairs.front().size(), 2u * 13u);

    // Chosen again: only the sedimentation question and the resolution, then the view is back.
    ExpectVanHoldeWeischetChoice(f);
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(292), 0);
    EXPECT_TRUE(BoundaryAnalysis::reportShown);
    EXPECT_NE(BoundaryAnalysis::reportPlot, nullptr);

    // Another model takes it away.
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(275), 0); // Continuous c(s) Distribution
    EXPECT_FALSE(BoundaryAnalysis::reportShown);
    EXPECT_EQ(BoundaryAnalysis::reportPlot, nullptr);
}
