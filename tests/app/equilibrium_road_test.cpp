// An equilibrium analysis as a user drives it: three speeds of scans approaching equilibrium
// loaded from files through the menu, the test of attained equilibrium, the M* screen with its
// markers dragged and its data copied, leaving it with the scans intact; and the realtime update
// following the instrument's new files until a key stops it.
#include "display/marker_lines.h"
#include "fitting/equilibrium_fit.h"
#include "plotting/win_plot.h"
#include "scandata/scan_store_alloc.h"
#include "state/eq_test_state.h"
#include "state/model_parameters.h"
#include "state/mstar_state.h"
#include "state/realtime_state.h"
#include "support/equilibrium_scan_set.h"
#include "support/main_window_fixture.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace {

using S = ScanStore;
using MS = MStarState;

// Scan j (0..2) of speed k (0..2): the equilibrium profile of one species, the first two scans
// of each speed still off it by a decaying ripple, the third at equilibrium.
GeneratedScan ApproachScan(const EquilibriumSet& set, int k, int j) {
    GeneratedScan s;
    s.rpm = long(kEquilibriumSpeeds[k]);
    s.timeS = 3 * 3600L * (3 * k + j + 1);
    s.omega2t = 0.0;
    const double sigma = EquilibriumSigma(set.mb, double(kEquilibriumSpeeds[k]), 20.0);
    const double ripple = j == 2 ? 0.0 : 0.004 * std::pow(0.25, j);
    for (int i = 0; i < kEquilibriumPoints; ++i) {
        const double r = 6.902 + 0.002 * i;
        s.radius.push_back(r);
        s.value.push_back(
            EquilibriumConcentration(sigma, set.loading, r, set.meniscus, set.bottom) +
            ripple * std::sin(40.0 * r));
        s.third.push_back(0.01);
    }
    return s;
}

struct LoadedScans {
    int count = 0;
    std::vector<std::vector<float>> radius, signal;
    std::vector<float> rpm;

    static LoadedScans Take() {
        LoadedScans d;
        d.count = S::scanCount;
        for (int k = 1; k <= S::scanCount; ++k) {
            d.radius.emplace_back(&S::radius[k][1], &S::radius[k][1] + S::pointCount[k]);
            d.signal.emplace_back(&S::signal[k][1], &S::signal[k][1] + S::pointCount[k]);
            d.rpm.push_back(S::header[k].rotorSpeed);
        }
        return d;
    }
    bool operator==(const LoadedScans&) const = default;
};

class EquilibriumRoad : public ::testing::Test {
  protected:
    void Command(int id) {
        plat::test::command(f.window.get(), id);
        f.script.pumpUntilIdle();
    }

    // A marker of the data plot dragged with the left button from where it stands to radius to.
    void Drag(float& marker, float to) {
        TXLAWindow* w = f.window.get();
        const int a = DataPlotColumn(w, marker), b = DataPlotColumn(w, to);
        const int row = int(0.2 * w->clientHeight); // inside the signal plot's band
        plat::test::mouse(w, WM_LBUTTONDOWN, a, row, MK_LBUTTON);
        f.script.pumpUntilIdle();
        plat::test::mouse(w, WM_MOUSEMOVE, (a + b) / 2, row, MK_LBUTTON);
        plat::test::mouse(w, WM_MOUSEMOVE, b, row, MK_LBUTTON);
        plat::test::mouse(w, WM_LBUTTONUP, b, row);
        f.script.pumpUntilIdle();
        f.Paint();
    }

    // Writes scan n (1..9) of the run into the data folder; returns its path.
    std::string WriteScan(int n) {
        char name[32];
        std::snprintf(name, sizeof name, "%05d.RA1", n);
        f.data.write(name, ApproachScan(set, (n - 1) / 3, (n - 1) % 3).Text());
        return f.data.file(name);
    }
    // The run's speed program and its first count scans, loaded as equilibrium data.
    void LoadRun(int count) {
        // Each speed held for nine hours.
        f.data.write("speedsteps.txt", "0.000000\t15000.000000\t200.000000\n"
                                       "34200.000000\t20000.000000\t200.000000\n"
                                       "66600.000000\t25000.000000\t200.000000\n");
        std::vector<std::string> paths;
        for (int n = 1; n <= count; ++n)
            paths.push_back(WriteScan(n));
        f.script.expectFileOpen().answer(paths);
        Command(515);
    }

    const EquilibriumSet set;
    MainWindowFixture f{1000, 700};
};

TEST_F(EquilibriumRoad, LoadTestTransformCopyAndLeave) {
    LoadRun(9);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    ASSERT_EQ(S::scanCount, 9);
    ASSERT_TRUE(S::equilibriumData);
    const LoadedScans loaded = LoadedScans::Take();

    // The test of attained equilibrium: each speed's earlier scans differ from its latest by the
    // ripple they carry, the second one a quarter of the first.
    for (int krpm : {15, 20, 25}) {
        char text[200];
        std::snprintf(text, sizeof text,
                      "accept radial limits for comparison of %d kprm series? \n(otherwise set "
                      "new ones to exclude region or artifacts)",
                      krpm);
        f.script.expectBox().caption("EQ TEST").text(text).answer(IDYES);
    }
    f.script.expectBox().caption("EQ TEST").text("realtime update?").answer(IDNO);
    Command(645);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_TRUE(RealtimeState::eqTestMode);
    ASSERT_EQ(EqTestState::seriesTotal, 3);
    for (int s = 1; s <= 3; ++s) {
        const EqTestSlot& slot = EqTestState::slots[std::size_t(s)];
        ASSERT_EQ(slot.members.size(), 3u) << s;
        ASSERT_EQ(slot.timeY.size(), 2u) << s;
        EXPECT_NEAR(slot.timeY[0] / slot.timeY[1], 4.0, 0.01) << s;
        EXPECT_GT(slot.timeY[1], 0.0f) << s;
    }
    f.Paint();
    CWINPlot* testPlot = S::dataPlot;

    // The M* screen of the nine scans: each speed's scan at equilibrium gives the molar mass.
    const double truth = set.mb / (1.0 - double(S::vbarRho)) / 1000.0; // kDa
    Command(896);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    ASSERT_TRUE(MS::active);
    ASSERT_EQ(MS::sets.size(), 10u);
    EXPECT_EQ(S::dataPlot, MS::signalPlot);
    for (int k : {3, 6, 9})
        EXPECT_NEAR(MS::sets[std::size_t(k)].mwLinearFit, truth, 0.01 * truth) << k;

    // The markers dragged to the cell's true ends and the right fit limit to the last points;
    // the screen recomputes at once. A meniscus move leaves its shift question open on this
    // screen: the next press ends it.
    Drag(S::rightFitLimit, 7.19f);
    Drag(ModelParameters::meniscus, 6.9f);
    plat::test::click(f.window.get(), DataPlotColumn(f.window.get(), 7.05f),
                      int(0.2 * f.window->clientHeight));
    f.script.pumpUntilIdle();
    Drag(ModelParameters::bottom, 7.2f);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_NEAR(ModelParameters::meniscus, 6.9f, 0.002f);
    EXPECT_NEAR(ModelParameters::bottom, 7.2f, 0.002f);
    EXPECT_NEAR(S::rightFitLimit, 7.19f, 0.006f);
    ASSERT_TRUE(MS::active);
    for (int k : {3, 6, 9}) {
        const MStarSet& m = MS::sets[std::size_t(k)];
        EXPECT_EQ(m.mwPointX[1], ModelParameters::bottom) << k;
        EXPECT_NEAR(m.mwLinearFit, truth, 0.01 * truth) << k;
        EXPECT_NEAR(m.mwAverage, truth, 0.05 * truth) << k;
        EXPECT_GE(m.workRadius[std::size_t(m.lastIndex)], S::rightFitLimit - 0.0021f) << k;
    }
    f.Paint();
    if (const char* png = std::getenv("TARNIX_EQ_ROAD_PNG"))
        plat::test::windowPng(*f.window, png);

    // Copy the M* data of the last scan: the clipboard keeps the extrapolation to the bottom,
    // which ends at the bottom with the screen's Mw.
    f.script.expectInput().caption("COPY M* DATA").prompt("which data set?").answer("9");
    f.script.expectBox()
        .caption("COPY M* DATA")
        .text("r vs M*(r) is in clipboard - paste before continuing")
        .answer(IDOK);
    f.script.expectBox()
        .caption("COPY M* DATA")
        .text("extrapolation of r vs M*(r) is in clipboard - paste before continuing")
        .answer(IDOK);
    Command(919);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    std::istringstream lines(plat::test::clipboard().text.value_or(""));
    int rows = 0;
    double r = 0.0, mstar = 0.0, first = 0.0;
    while (lines >> r >> mstar)
        if (++rows == 1)
            first = r;
    EXPECT_EQ(rows, 100);
    EXPECT_NEAR(first, MS::bottomFitRange[1], 1e-4);
    EXPECT_NEAR(r, ModelParameters::bottom, 1e-4);
    EXPECT_NEAR(mstar, MS::sets[9].mwAverage, 0.01);

    // Escape gives the test's plot back; the scans are as they were loaded.
    plat::test::key(f.window.get(), 27, 27);
    f.script.pumpUntilIdle();
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_FALSE(MS::active);
    EXPECT_EQ(MS::buttonCount, 0);
    EXPECT_EQ(S::dataPlot, testPlot);
    EXPECT_TRUE(LoadedScans::Take() == loaded);
    f.Paint();
}

// The realtime update started from the menu: a scan the instrument writes meanwhile is loaded at
// the next tick, a key press stops the update, and later files stay in the folder.
TEST_F(EquilibriumRoad, RealtimeUpdateLoadsNewScansUntilAKeyIsPressed) {
    LoadRun(4);
    ASSERT_EQ(S::scanCount, 4);
    Command(284); // the equilibrium model, which Run computes at every tick
    f.script.expectInput()
        .caption("REALTIME MODE")
        .prompt("maximal total number of files to load at once")
        .answer("20");
    Command(540);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    ASSERT_TRUE(RealtimeState::realtimeOn);
    WriteScan(5);
    plat::test::advanceTimers(60000);
    f.script.pumpUntilIdle();
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_EQ(S::scanCount, 5);
    EXPECT_EQ(S::header[5].rotorSpeed, kEquilibriumSpeeds[1]);

    f.script.expectBox().text("realtime update stopped by user interrupt").answer(IDOK);
    plat::test::keyDown(f.window.get(), 'Q');
    plat::test::advanceTimers(60000);
    f.script.pumpUntilIdle();
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_FALSE(RealtimeState::realtimeOn);
    WriteScan(6);
    plat::test::advanceTimers(60000);
    f.script.pumpUntilIdle();
    EXPECT_EQ(S::scanCount, 5);
}

} // namespace
