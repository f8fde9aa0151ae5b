// Scan and point removal chosen on the plot: the store after the reload, the files written, the
// questions asked, and the zoom kept.
#include "display/scan_removal.h"
#include "plat/msgbox.hpp"
#include "plotting/win_plot.h"
#include "scandata/scan_store_alloc.h"
#include "state/plot_interaction_state.h"
#include "support/main_window_fixture.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <set>
#include <string>

namespace {

constexpr int kNo = 7;

class ScanRemoval : public ::testing::Test {
  protected:
    ScanRemoval() {
        ScanSetOptions o;
        o.count = 4;
        o.points = 50;
        f.Load(o);
        f.Paint();
    }
    static std::set<std::string> Names() {
        std::set<std::string> names;
        for (int k = 1; k <= ScanStore::scanCount; ++k)
            names.insert(ScanStore::scanFileName[k]);
        return names;
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(f.data.file(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    MainWindowFixture f;
    TXLAWindow* w = f.window.get();
};

} // namespace

TEST_F(ScanRemoval, RemovedScanLeavesTheRestLoaded) {
    ASSERT_EQ(ScanStore::scanCount, 4);
    std::set<std::string> before = Names();
    const int storage = ScanStore::scanOrder[2];
    const std::string gone = ScanStore::scanFileName[storage];
    ScanStore::dataChanged = false;
    RemoveScanFromSet(w, storage);
    EXPECT_EQ(ScanStore::scanCount, 3);
    before.erase(gone);
    EXPECT_EQ(Names(), before);
    EXPECT_TRUE(ScanStore::dataChanged);
    for (int k = 1; k <= ScanStore::scanCount; ++k)
        EXPECT_EQ(ScanStore::pointCount[k], 50);
}

// Loaded from a selection, the set has no file list yet: the deletion makes one rather than
// writing nowhere and reloading whatever list was left.
TEST_F(ScanRemoval, PointDeletedIntoAModFileKeepsTheOriginal) {
    ScanStore::fileNames.clear();
    const int s = ScanStore::scanOrder[1];
    const std::string name = ScanStore::scanFileName[s];
    const std::string original = Read(name);
    const float removedRadius = ScanStore::radius[s][10];
    f.script.expectBox().text("overwrite original scan?").answer(kNo);
    DeleteScanPoint(w, s, 10);
    EXPECT_TRUE(f.script.done());
    EXPECT_EQ(Read(name), original);
    ASSERT_EQ(ScanStore::scanCount, 4);
    int modified = 0;
    for (int k = 1; k <= ScanStore::scanCount; ++k) {
        const std::string n = ScanStore::scanFileName[k];
        if (n.find("_mod") == std::string::npos) {
            EXPECT_EQ(ScanStore::pointCount[k], 50) << n;
            continue;
        }
        ++modified;
        EXPECT_EQ(ScanStore::pointCount[k], 49);
        for (int j = 1; j <= ScanStore::pointCount[k]; ++j)
            EXPECT_NE(ScanStore::radius[k][j], removedRadius);
    }
    EXPECT_EQ(modified, 1);
}

TEST_F(ScanRemoval, OutOfRangeIndicesAskNothing) {
    const int s = ScanStore::scanOrder[1];
    const struct { int scan, point; } bad[] = {{0, 1}, {5, 1}, {s, 0}, {s, 51}};
    for (const auto& b : bad)
        DeleteScanPoint(w, b.scan, b.point); // an unexpected box fails the test
    EXPECT_EQ(ScanStore::pointCount[s], 50);
}

TEST_F(ScanRemoval, AveragedDataAskFirstAndNoLeavesThemAlone) {
    const int s = ScanStore::scanOrder[1];
    const std::string name = ScanStore::scanFileName[s];
    const std::string original = Read(name);
    for (float resolution : {0.001f, 0.00101f}) {
        ScanStore::radialResolution = resolution; // only the second question
        f.script.expectBox().text("overwrite original scan?").answer(kNo);
        DeleteScanPoint(w, s, ScanStore::pointCount[s]); // the last point may go
        EXPECT_TRUE(f.script.done()) << resolution;
    }
    ScanStore::radialResolution = 0.002f;
    const std::set<std::string> names = Names();
    f.script.expectBox().text("data are pre-averaged - continue anyway?").answer(kNo);
    DeleteScanPoint(w, s, 5);
    EXPECT_TRUE(f.script.done());
    EXPECT_EQ(Names(), names);
    EXPECT_EQ(Read(name), original);
}

TEST_F(ScanRemoval, ZoomLevelSurvivesTheReload) {
    ASSERT_NE(ScanStore::dataPlot, nullptr);
    ZoomHistory::Push(6.0f, 6.01f, 0.1f, 0.5f);
    ScanStore::dataPlot->SetRanges(6.0f, 6.01f, 0.1f, 0.5f);
    f.script.expectBox().text("overwrite original scan?").answer(IDYES);
    DeleteScanPoint(w, ScanStore::scanOrder[2], 3);
    const CWINPlot* p = ScanStore::dataPlot;
    ASSERT_NE(p, nullptr);
    EXPECT_FLOAT_EQ(p->xMin, 6.0f);
    EXPECT_FLOAT_EQ(p->xMax, 6.01f);
    EXPECT_FLOAT_EQ(p->yMin, 0.1f);
    EXPECT_FLOAT_EQ(p->yMax, 0.5f);
}
