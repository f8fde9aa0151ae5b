// The test of attained equilibrium as a user drives it: three speeds of scans approaching
// equilibrium loaded from files, the command and its questions, Run recomputing, a narrower
// comparison range, the realtime update following new files until a key stops it, and leaving.
#include "app/load_all_data.h"
#include "display/paint_switches.h"
#include "plotting/win_plot.h"
#include "scandata/scan_store_alloc.h"
#include "state/display_options.h"
#include "state/eq_test_state.h"
#include "state/realtime_state.h"
#include "state/window_services.h"
#include "support/failing_allocation.h"
#include "support/main_window_fixture.h"
#include "support/scan_set_generator.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

using S = ScanStore;
using E = EqTestState;
using R = RealtimeState;

constexpr long kSpeeds[3] = {10000, 15000, 20000};

// Scan k (1-based) of the run: three per speed, an hour apart, the deviation from the final
// profile halving from one scan to the next.
GeneratedScan RunScan(int k) {
    GeneratedScan s;
    s.rpm = kSpeeds[std::min((k - 1) / 3, 2)];
    s.timeS = 3600L * k;
    const double sigma = 0.5 * s.rpm * s.rpm / 1.0e8;
    const double deviation = 0.02 * std::pow(0.5, (k - 1) % 3);
    for (int i = 0; i < 60; ++i) {
        const double r = 6.9 + 0.005 * i;
        s.radius.push_back(r);
        s.value.push_back(0.2 * std::exp(sigma * (r * r - 6.9 * 6.9)) +
                          deviation * std::sin(20.0 * r));
        s.third.push_back(0.01);
    }
    return s;
}

std::string Name(int k) {
    char name[32];
    std::snprintf(name, sizeof name, "%05d.RA1", k);
    return name;
}

class EqTestRoad : public ::testing::Test {
  protected:
    void WriteScan(int k) { f.data.write(Name(k), RunScan(k).Text()); }
    void LoadRun(int count) {
        std::vector<std::string> names;
        for (int k = 1; k <= count; ++k) {
            WriteScan(k);
            names.push_back(Name(k));
        }
        const std::string selection = SelectionBuffer(f.data.path(), names);
        if (count > 3)
            ExpectSpeedStepBoxes();
        LoadAllData(f.window.get(), selection.c_str());
        ASSERT_EQ(S::scanCount, count);
    }
    // Scans at several speeds without a speed-step file: the loader says so at every load.
    void ExpectSpeedStepBoxes() {
        f.script.expectBox().textHas("could not open").textHas("speedsteps.txt").answer(IDOK);
        f.script.expectBox().caption("LOAD ERROR").textHas("speedsteps.txt").answer(IDOK);
    }
    void Command(int id) {
        plat::test::command(f.window.get(), id);
        f.script.pumpUntilIdle();
    }
    void AcceptLimits(int krpm, int answer = IDYES) {
        char text[200];
        std::snprintf(text, sizeof text,
                      "accept radial limits for comparison of %d kprm series? \n(otherwise set "
                      "new ones to exclude region or artifacts)",
                      krpm);
        f.script.expectBox().caption("EQ TEST").text(text).answer(answer);
    }
    void StartTest(bool realtime) {
        for (long rpm : kSpeeds)
            AcceptLimits(int(rpm / 1000));
        f.script.expectBox()
            .caption("EQ TEST")
            .text("realtime update?")
            .answer(realtime ? IDYES : IDNO);
    }
    int Curves(CWINPlot* plot) const { return plot ? plot->nCurves : -1; }

    MainWindowFixture f;
};

TEST_F(EqTestRoad, TestRunRecomputeAndLeave) {
    LoadRun(9);
    StartTest(false);
    Command(645);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_TRUE(R::eqTestMode);
    EXPECT_TRUE(R::eqTestPlotShown);
    ASSERT_EQ(E::seriesTotal, 3);
    // Each series' earlier scans differ from its latest by 4 and 2 units of the last difference.
    for (int s = 1; s <= 3; ++s) {
        const EqTestSlot& slot = E::slots[std::size_t(s)];
        ASSERT_EQ(slot.timeY.size(), 2u);
        EXPECT_NEAR(slot.timeY[0] / slot.timeY[1], 3.0, 0.05) << s;
        EXPECT_NEAR(slot.timeX[0], -2.0, 1e-4);
    }
    EXPECT_EQ(Curves(S::dataPlot), 3);
    // Only the highest speed shows its last pair and profile.
    EXPECT_EQ(Curves(S::residualPlot), 1);
    EXPECT_EQ(Curves(E::profilePlot), 1);
    f.Paint();

    // Run recomputes the test without asking again.
    const float before = E::slots[3].lastPairRmsd;
    Command(213);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_FLOAT_EQ(E::slots[3].lastPairRmsd, before);

    // Files dropped on the window leave the test: the scan plots come back.
    std::vector<std::string> paths;
    for (int k = 1; k <= 9; ++k)
        paths.push_back(f.data.file(Name(k)));
    f.script.expectBox()
        .caption("DROPPING FILES")
        .text("erase currently loaded data?")
        .answer(IDYES);
    f.script.expectInput().caption("LOAD FILES").answer("1");
    ExpectSpeedStepBoxes();
    plat::test::drop(f.window.get(), paths);
    f.script.pumpUntilIdle();
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_FALSE(R::eqTestMode);
    EXPECT_FALSE(R::eqTestPlotShown);
    EXPECT_EQ(E::profilePlot, nullptr);
    EXPECT_EQ(Curves(S::dataPlot), 9);
}

TEST_F(EqTestRoad, NewRadialLimitsAreAskedAgainForTheSameSeries) {
    LoadRun(9);
    AcceptLimits(10, IDNO);
    f.script.expectInput().caption("EQ TEST").prompt("r-min:").answer("7.0");
    f.script.expectInput().caption("EQ TEST").prompt("r-max:").answer("7.1");
    AcceptLimits(10);
    AcceptLimits(15);
    AcceptLimits(20);
    f.script.expectBox().caption("EQ TEST").text("realtime update?").answer(IDNO);
    Command(645);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    const EqTestSlot& slot = E::slots[1];
    const int L = slot.members.back();
    EXPECT_GT(S::radius[L][slot.firstIndex], 7.0f);
    EXPECT_LE(S::radius[L][slot.firstIndex - 1], 7.0f);
    EXPECT_LT(S::radius[L][slot.lastIndex], 7.1f);
    EXPECT_GE(S::radius[L][slot.lastIndex + 1], 7.1f);
    EXPECT_EQ(slot.pairY.size(), std::size_t(slot.lastIndex - slot.firstIndex + 1));
}

TEST_F(EqTestRoad, NoScansNoTest) {
    f.script.expectBox().caption("EQ TEST").text("please load data first").answer(IDOK);
    Command(645);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_FALSE(R::eqTestMode);
}

TEST_F(EqTestRoad, RealtimeUpdateFollowsNewFilesUntilAKeyIsPressed) {
    LoadRun(8);
    AcceptLimits(10);
    AcceptLimits(15);
    AcceptLimits(20);
    f.script.expectBox().caption("EQ TEST").text("realtime update?").answer(IDYES);
    f.script.expectBox()
        .caption("EQ TEST")
        .text("keep going automatically with using default fitting limits for all new series?")
        .answer(IDYES);
    f.script.expectBox().caption("EQ TEST").text("load data from all cells?").answer(IDNO);
    Command(645);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    ASSERT_TRUE(R::realtimeOn);
    EXPECT_EQ(E::slots[3].members.size(), 2u);

    // A minute without new files changes nothing.
    plat::test::advanceTimers(60000);
    f.script.pumpUntilIdle();
    EXPECT_EQ(S::scanCount, 8);
    EXPECT_NE(R::statusLine1.find("IN REALTIME UPDATE MODE"), std::string::npos);

    // The instrument writes the ninth scan; the next tick loads it and runs the test again.
    WriteScan(9);
    ExpectSpeedStepBoxes();
    plat::test::advanceTimers(60000);
    f.script.pumpUntilIdle();
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_EQ(S::scanCount, 9);
    EXPECT_TRUE(R::eqTestMode);
    EXPECT_EQ(E::slots[3].members.size(), 3u);
    EXPECT_EQ(E::slots[3].timeY.size(), 2u);

    f.script.expectBox().text("realtime update stopped by user interrupt").answer(IDOK);
    plat::test::keyDown(f.window.get(), 'Q');
    f.script.pumpUntilIdle();
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_FALSE(R::realtimeOn);
    // Stopped: later ticks load nothing.
    WriteScan(10);
    plat::test::advanceTimers(60000);
    f.script.pumpUntilIdle();
    EXPECT_EQ(S::scanCount, 9);
}

TEST_F(EqTestRoad, RealtimeUpdateOfAFolderEmptiedMeanwhileKeepsTheLoadedScans) {
    LoadRun(3);
    for (int k = 1; k <= 3; ++k)
        std::filesystem::remove(f.data.file(Name(k)));
    f.script.expectInput()
        .caption("REALTIME MODE")
        .prompt("maximal total number of files to load at once")
        .answer("0");
    Command(540);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_TRUE(R::realtimeOn);
    // An answer of 0 would divide the file numbers by zero; one file per load is the least.
    EXPECT_EQ(R::maxFiles, 1);
    plat::test::advanceTimers(60000);
    f.script.pumpUntilIdle();
    EXPECT_EQ(S::scanCount, 3);
    Command(541);
    EXPECT_FALSE(R::realtimeOn);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
}

// Files are followed by their number in a table of 1000: a first scan numbered beyond it, or
// not numbered at all, made the update read outside the table.
TEST_F(EqTestRoad, RealtimeUpdateOfScansNumberedBeyondItsTableIsRefused) {
    for (const char* name : {"01001.RA1", "scan.RA1"}) {
        f.data.write(name, RunScan(1).Text());
        LoadAllData(f.window.get(), SelectionBuffer(f.data.path(), {name}).c_str());
        ASSERT_EQ(S::scanCount, 1) << name;
        const float first = S::signal[1][1];
        f.script.expectBox()
            .caption("REALTIME MODE")
            .text("the realtime update follows scan files numbered 00001 to 01000 only")
            .answer(IDOK);
        Command(540);
        EXPECT_TRUE(f.script.done()) << name << f.script.logText();
        EXPECT_FALSE(R::realtimeOn) << name;
        EXPECT_EQ(S::scanCount, 1) << name;
        EXPECT_EQ(S::signal[1][1], first) << name;
    }
}

// A box of Run runs its own message loop: a tick arriving meanwhile reloaded the scans under the
// running analysis. Ticks wait until Run is done.
TEST_F(EqTestRoad, RealtimeTickWaitsWhileRunIsBusy) {
    LoadRun(2);
    f.script.expectInput()
        .caption("REALTIME MODE")
        .prompt("maximal total number of files to load at once")
        .answer("20");
    Command(540);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    ASSERT_TRUE(R::realtimeOn);
    WriteScan(3);
    f.window->runBusy = true;
    plat::test::advanceTimers(60000);
    f.script.pumpUntilIdle();
    EXPECT_EQ(S::scanCount, 2);
    EXPECT_TRUE(R::realtimeOn);
    f.window->runBusy = false;
    plat::test::advanceTimers(60000);
    f.script.pumpUntilIdle();
    EXPECT_EQ(S::scanCount, 3);
    Command(541);
    EXPECT_FALSE(R::realtimeOn);
}

// A key pressed while a tick's Run computes past its last poll, as for an engine that does not
// poll: the Run's end dropped it with the rest of the user's input and the update went on. It now
// stops the update at the tick's end.
TEST_F(EqTestRoad, AKeyPressedDuringATicksRunStopsTheUpdate) {
    static void (*repaint)(TXLAWindow*) = nullptr;
    static bool pressed = false;
    LoadRun(2);
    f.script.expectInput().prompt("maximal total number of files to load at once").answer("20");
    Command(540);
    ASSERT_TRUE(R::realtimeOn);
    WriteScan(3);
    f.script.expectBox().text("realtime update stopped by user interrupt").answer(IDOK);
    repaint = std::exchange(WindowServices::table.requestRepaint, [](TXLAWindow* w) {
        repaint(w);
        if (w->runBusy && !std::exchange(pressed, true))
            plat::test::keyDown(w, 'Q');
    });
    plat::test::advanceTimers(60000);
    f.script.pumpUntilIdle();
    WindowServices::table.requestRepaint = repaint;
    EXPECT_TRUE(pressed);
    EXPECT_EQ(S::scanCount, 3);
    EXPECT_FALSE(R::realtimeOn);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
}

// A key pressed during the first Run, which the update's start runs before its first tick, stops
// that Run only: the update goes on, and its first tick loads the new scan. It stopped the update
// at its first tick, with nothing loaded.
TEST_F(EqTestRoad, AKeyPressedDuringTheFirstRunStopsThatRunOnlyAndTheUpdateGoesOn) {
    static void (*repaint)(TXLAWindow*) = nullptr;
    static bool pressed = false;
    LoadRun(2);
    pressed = false;
    repaint = std::exchange(WindowServices::table.requestRepaint, [](TXLAWindow* w) {
        repaint(w);
        if (w->runBusy && R::realtimeMode && !std::exchange(pressed, true))
            plat::test::keyDown(w, 'Q');
    });
    f.script.expectInput().prompt("maximal total number of files to load at once").answer("20");
    Command(540);
    WindowServices::table.requestRepaint = repaint;
    ASSERT_TRUE(pressed);
    ASSERT_TRUE(R::realtimeOn);
    WriteScan(3);
    plat::test::advanceTimers(60000);
    f.script.pumpUntilIdle();
    EXPECT_EQ(S::scanCount, 3);
    EXPECT_TRUE(R::realtimeOn);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    Command(541);
    EXPECT_FALSE(R::realtimeOn);
}

// Out of memory in the update's first load or Run left it on with no timer, doing nothing until
// a key; in a tick's load or Run, or in its status lines, it left the message loop, ending the
// program without a box; in the start after the check mark it left the check mark and the tips
// on. Each now ends the update as its stop does, with the box, and the next start follows new
// files. Out of memory in making the start's guard, after the check mark, left the mark on.
TEST_F(EqTestRoad, OutOfMemoryInTheUpdateEndsItAsItsStopDoes) {
    enum Where { FirstLoad, Mark, Start, FirstRun, TickLoad, TickRun, TickEnd, Nowhere };
    static Where at = Nowhere;
    static TXLAWindow* w = nullptr;
    static WindowServiceTable kept;
    w = f.window.get();
    kept = WindowServices::table;
    WindowServices::table.setPlotAxisTitles = [] {
        if (R::realtimeOn && !w->runBusy && (at == FirstLoad || (at == TickLoad && R::tickRunning)))
            throw std::bad_alloc();
        kept.setPlotAxisTitles();
    };
    WindowServices::table.requestRepaint = [](TXLAWindow* window) {
        if (R::realtimeOn && window->runBusy &&
            (at == FirstRun || (at == TickRun && R::tickRunning)))
            throw std::bad_alloc();
        kept.requestRepaint(window);
    };
    LoadRun(2);
    int last = 2;
    const auto writeNext = [&] { // one speed: the loads ask nothing
        GeneratedScan scan = RunScan(1);
        scan.timeS = 3600L * ++last;
        f.data.write(Name(last), scan.Text());
    };
    const auto start = [&](bool outOfMemory) {
        f.script.expectInput().prompt("maximal total number of files to load at once").answer("20");
        if (outOfMemory)
            f.script.expectBox().caption("Error").text(
                "Not enough memory to complete the command.");
        Command(540);
    };
    // The allocator fails once the start has checked its item or switched the scan-name tips on,
    // or once a tick without new files has shown the last fit again, its last step before the
    // status lines.
    const bool& checked = f.window->GetMenuModel()->Find(540)->checked;
    for (const Where where :
         {FirstLoad, Mark, Start, FirstRun, TickLoad, TickRun, TickEnd, Nowhere}) {
        SCOPED_TRACE(where);
        at = where <= FirstRun ? where : Nowhere;
        std::optional<FailingAllocation> failing;
        if (where == Mark || where == Start)
            failing.emplace(1, where == Mark ? checked : gScanNameTips, false);
        start(where != Nowhere);
        if (where >= TickLoad) {
            ASSERT_TRUE(R::realtimeOn);
            ASSERT_FALSE(gShowFitParamsPending);
            at = where;
            if (where == TickEnd)
                failing.emplace(1, gShowFitParamsPending, false);
            else
                writeNext();
            plat::test::advanceTimers(60000);
            f.script.pumpUntilIdle();
        }
        failing.reset();
        EXPECT_TRUE(f.script.done()) << f.script.logText();
        EXPECT_NE(R::realtimeOn, where != Nowhere);
        EXPECT_NE(f.window->GetMenuModel()->IsChecked(540), where != Nowhere);
        EXPECT_NE(gScanNameTips, where != Nowhere);
        EXPECT_EQ(plat::test::cursorHistory(w).back(), IDC_ARROW);
        // A new scan: loaded by a tick only while the update goes on, and after a new start.
        at = Nowhere;
        for (const bool restarted : {false, true}) {
            if (restarted && where != Nowhere)
                start(false);
            const int count = S::scanCount;
            writeNext();
            plat::test::advanceTimers(60000);
            f.script.pumpUntilIdle();
            EXPECT_EQ(S::scanCount, count + (restarted || where == Nowhere));
        }
        Command(541);
    }
    WindowServices::table = kept;
    Command(541);
    EXPECT_FALSE(R::realtimeOn);
}

// Out of memory in the test's update after its Run had let the scan plots go, before the test's
// plots were all made again (in the start's first Run, or in a tick's Run after its reload), left
// the test shown without them: the next test or Run crashed. In making the start's guard it left
// the check mark on. The update ends with mark and mode off, and the next test and Run show the
// test again.
TEST_F(EqTestRoad, OutOfMemoryInTheTestsUpdateLeavesTheNextTestAndRunWhole) {
    enum Where { Mark, FirstRun, TickRun };
    static bool plotsGone = false;
    static TXLAWindow* w = nullptr;
    static void (*deleteScanPlots)() = nullptr;
    w = f.window.get();
    deleteScanPlots = std::exchange(WindowServices::table.deleteScanPlots, [] {
        plotsGone = plotsGone || (R::realtimeOn && w->runBusy);
        deleteScanPlots();
    });
    LoadRun(2);
    AcceptLimits(10);
    const auto outOfMemory = [&] {
        f.script.expectBox().caption("Error").text("Not enough memory to complete the command.");
    };
    const auto test = [&](bool realtime, bool outOfMemoryInTheStart) {
        f.script.expectBox()
            .caption("EQ TEST")
            .text("realtime update?")
            .answer(realtime ? IDYES : IDNO);
        if (realtime) {
            f.script.expectBox().caption("EQ TEST").textHas("keep going").answer(IDYES);
            f.script.expectBox().caption("EQ TEST").text("load data from all cells?").answer(IDNO);
        }
        if (outOfMemoryInTheStart)
            outOfMemory();
        Command(645);
    };
    const bool& checked = f.window->GetMenuModel()->Find(540)->checked;
    // After the scan plots go, the test's three plots take the first three allocations.
    for (const auto& [where, n] :
         {std::pair{Mark, 1L}, std::pair{FirstRun, 1L}, std::pair{FirstRun, 2L},
          std::pair{FirstRun, 3L}, std::pair{TickRun, 1L}}) {
        SCOPED_TRACE(testing::Message() << where << ", " << n);
        plotsGone = false;
        std::optional<FailingAllocation> failing;
        if (where != TickRun)
            failing.emplace(n, where == Mark ? checked : plotsGone, false);
        test(true, where != TickRun);
        if (where == TickRun) {
            ASSERT_TRUE(R::realtimeOn);
            WriteScan(3);
            plotsGone = false;
            failing.emplace(n, plotsGone, false);
            outOfMemory();
            plat::test::advanceTimers(60000);
            f.script.pumpUntilIdle();
            ASSERT_EQ(S::scanCount, 3);
        }
        failing.reset();
        EXPECT_TRUE(f.script.done()) << f.script.logText();
        EXPECT_FALSE(R::realtimeOn);
        EXPECT_FALSE(f.window->GetMenuModel()->IsChecked(540));
        test(false, false);
        Command(213);
        EXPECT_TRUE(f.script.done()) << f.script.logText();
        for (CWINPlot* plot : {S::dataPlot, S::residualPlot, E::profilePlot})
            EXPECT_EQ(Curves(plot), 1);
    }
    WindowServices::table.deleteScanPlots = deleteScanPlots;
}

} // namespace
