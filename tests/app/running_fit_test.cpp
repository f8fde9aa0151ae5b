// A running fit, as the user meets it: a key stops it however the mouse moves over the refreshing
// window and however it was started, and the stopped fit keeps, shows and names its best values;
// what is copied or shown meanwhile is the running fit's.
#include "app/lamm_params_box.h"
#include "app/params_box.h"
#include "display/marker_lines.h"
#include "display/plot_hit_tests.h"
#include "display/screen_button_set.h"
#include "fitting/param_files.h"
#include "fitting/parameter_report.h"
#include "foundations/key_polling.h"
#include "plat/app.hpp"
#include "scandata/fit_limits.h"
#include "scandata/scan_store_alloc.h"
#include "state/conti_state.h"
#include "state/fit_control.h"
#include "state/model_parameters.h"
#include "state/plot_interaction_state.h"
#include "state/preference_switches.h"
#include "state/run_switches.h"
#include "state/window_services.h"
#include "support/failing_allocation.h"
#include "support/main_window_fixture.h"
#include "support/model_road.h"
#include "support/temp_folder.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <new>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

// This executable's allocator, as when the memory runs out.
std::atomic<int> gFailingAllocation{0}; // 0 off, 1 armed, 2 counting
thread_local long tAllocationsToFailure = 0;
thread_local const bool* tWhen = nullptr;

void CountTowardsFailure() {
    if (tAllocationsToFailure == 0) {
        int armed = 1;
        gFailingAllocation.compare_exchange_strong(armed, 2);
    } else if (gFailingAllocation.load() == 2 && *tWhen && --tAllocationsToFailure == 0) {
        gFailingAllocation = 0;
        throw std::bad_alloc();
    }
}

} // namespace

FailingAllocation::FailingAllocation(long n, const bool& when, bool afterAnotherThread) {
    tWhen = &when, tAllocationsToFailure = n, gFailingAllocation = afterAnotherThread ? 1 : 2;
}
FailingAllocation::~FailingAllocation() {
    tAllocationsToFailure = 0, gFailingAllocation = 0;
}

void* operator new(std::size_t size) {
    if (gFailingAllocation.load(std::memory_order_relaxed) != 0)
        CountTowardsFailure();
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return std::malloc(size ? size : 1);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

using M = ModelParameters;

// Ten scans of a 5 S boundary (meniscus 5.90 cm), the residuals plot refreshed at every trial;
// c(s) with the meniscus floated from 5.93 cm, or one species' s floated from 4 S.
void LoadAndChoose(MainWindowFixture& f, bool cs, bool floatMeniscus = true) {
    gUpdateResidualsPlot = true;
    gMaxUpdateInterval = 0.0f;
    if (cs) {
        LoadForACoarseCs(f);
        M::meniscus = floatMeniscus ? 5.93f : M::meniscus;
        M::meniscusFloat = floatMeniscus;
    } else {
        LoadTenScans(f);
        M::speciesS[1] = 4.0f;
        M::speciesSFloat[1] = 1;
    }
    PackFitParameters();
}

// What the fit's view does at each refresh besides refreshing, while a hook is in place.
std::function<void(TXLAWindow*)> gAtRefresh;
void (*gOriginalView)(TXLAWindow*) = nullptr;
int gRefreshes = 0;

struct ViewHook {
    explicit ViewHook(std::function<void(TXLAWindow*)> act) {
        gRefreshes = 0;
        gAtRefresh = std::move(act);
        gOriginalView = WindowServices::table.drawResidualsView;
        WindowServices::table.drawResidualsView = [](TXLAWindow* w) {
            gOriginalView(w);
            ++gRefreshes;
            gAtRefresh(w);
        };
    }
    ~ViewHook() { WindowServices::table.drawResidualsView = gOriginalView; }
};

// What is done at each request for the window's observer, which every solve of a discrete model
// makes, while a hook is in place.
std::function<void(TXLAWindow*)> gAtSolve;
CComputeObserver* (*gOriginalObserver)(TXLAWindow*) = nullptr;

struct SolveHook {
    SolveHook() {
        gOriginalObserver = WindowServices::table.computeObserver;
        WindowServices::table.computeObserver = [](TXLAWindow* w) {
            gAtSolve(w);
            return gOriginalObserver(w);
        };
    }
    ~SolveHook() { WindowServices::table.computeObserver = gOriginalObserver; }
};

std::string ReportText() {
    std::string text;
    for (const std::string& line : ParameterReportLines())
        text += line + "\r\n";
    return text;
}

bool ReportSaysStopped(const char* by = "a key") {
    return ReportText().find("\r\nstopped by " + std::string(by) + "\r\n") != std::string::npos;
}

// A point of the residual plot over a scan, where a click shows the scan's edit, delete and
// cancel buttons; (0, 0) when there is none.
TPoint PointOnAResidualScan(TXLAWindow* w) {
    const int width = int(w->clientWidth);
    for (const int x : {width / 2, width / 3, 2 * width / 3})
        for (int y = int(w->clientHeight) - 1; y > 0; --y)
            if (!InsideDataPlotBand(w, x, y) &&
                ScanUnderPixel(x, y, w->clientWidth, w->clientHeight))
                return {x, y};
    return {0, 0};
}

// A point on the data plot at the left fitting limit's line, where a press takes the marker;
// (0, 0) when there is none.
TPoint PointOnTheLeftFitLimit(TXLAWindow* w) {
    const int x = DataPlotColumn(w, ScanStore::leftFitLimit);
    for (int y = int(w->clientHeight) / 4; y < int(w->clientHeight); ++y)
        if (InsideDataPlotBand(w, x, y))
            return {x, y};
    return {0, 0};
}

void DoubleClick(TXLAWindow* w, TPoint at) {
    plat::test::click(w, at.x, at.y);
    plat::test::mouse(w, WM_LBUTTONDBLCLK, at.x, at.y, MK_LBUTTON);
    plat::test::mouse(w, WM_LBUTTONUP, at.x, at.y);
}

// No marker was taken by a press after the fit, and the fitting limits are the fit's.
void ExpectNoMarkerTaken(const std::string& name) {
    EXPECT_FALSE(MarkerDragState::buttonDown) << name << ": a marker was grabbed";
    EXPECT_FALSE(MarkerDragState::awaitingConfirm) << name;
    EXPECT_FALSE(TentativeMarker::placed) << name;
}

// What a fit stored and shows: its values, fitting limits, rmsd and distribution.
struct FitEnd {
    float s = 0, meniscus = 0, left = 0, right = 0, rmsd = 0;
    std::vector<float> distribution;
};

FitEnd EndOfFit(bool cs) {
    FitEnd end{M::speciesS[1],           M::meniscus,   ScanStore::leftFitLimit,
               ScanStore::rightFitLimit, CalcFitRmsd(), {}};
    if (cs)
        end.distribution.assign(ContiState::distribution + 1,
                                ContiState::distribution + ContiState::gridPoints + 1);
    return end;
}

void ExpectSameEnd(const FitEnd& end, const FitEnd& expected, const std::string& name) {
    EXPECT_EQ(end.s, expected.s) << name;
    EXPECT_EQ(end.meniscus, expected.meniscus) << name;
    EXPECT_EQ(end.left, expected.left) << name;
    EXPECT_EQ(end.right, expected.right) << name;
    EXPECT_EQ(end.rmsd, expected.rmsd) << name;
    EXPECT_EQ(end.distribution, expected.distribution) << name;
}

// Posts a key's release from another thread after 20 s unless finished first: a fit that waits
// for the release then ends, and the test fails instead of hanging.
struct ReleaseWatchdog {
    std::atomic<bool> done{false}, fired{false};
    std::thread thread;
    ReleaseWatchdog(TXLAWindow* w, UINT message, UINT key)
        : thread([=, this] {
              for (int i = 0; i < 2000 && !done; ++i)
                  std::this_thread::sleep_for(std::chrono::milliseconds(10));
              if (!done.exchange(true)) {
                  fired = true;
                  PostMessage(w, message, key, LPARAM(0xC0000001));
              }
          }) {}
    ~ReleaseWatchdog() { Finish(); }
    bool Finish() {
        done = true;
        if (thread.joinable())
            thread.join();
        return fired;
    }
};

// The user moves the mouse over the window while the fit refreshes it, more moves between two
// refreshes than the fit polls the keyboard, and presses Escape at the second refresh. A poll used
// to take one message only: behind the moves the key was never reached, and the fit ran to its
// end. A c(s) Fit that a key did stop showed its start values.
TEST(RunningFit, AKeyStopsItWhereverItWasStartedAndTheBestValuesAreKeptShownAndNamed) {
    for (const bool cs : {false, true})
        for (const bool accelerator : {false, true}) {
            const std::string name = std::string(cs ? "c(s)" : "discrete") +
                                     (accelerator ? " by Ctrl-F" : " from the menu");
            MainWindowFixture f(900, 650);
            TXLAWindow* w = f.window.get();
            LoadAndChoose(f, cs);
            SendCommand(f, 213);
            const float startRmsd = CalcFitRmsd();
            int moves = 0;
            {
                ViewHook hook([&](TXLAWindow* window) {
                    for (int i = 0; i < 50; ++i, ++moves)
                        plat::test::mouse(window, WM_MOUSEMOVE, 200 + moves % 100, 300);
                    if (gRefreshes == 2)
                        plat::test::key(window, VK_ESCAPE, 27);
                });
                if (accelerator)
                    plat::test::key(w, 'F', 0, MK_CONTROL);
                else
                    plat::test::command(w, 215);
                // One turn of the program's message loop: the fit runs inside it.
                MSG msg;
                ASSERT_TRUE(GetMessage(&msg, nullptr, 0, 0));
                if (!TranslateAccelerator(w, w->GetAcceleratorTable(), &msg))
                    DispatchMessage(&msg);
            }
            EXPECT_TRUE(FitControl::fitAborted) << name;
            EXPECT_LE(gRefreshes, 4) << name << ": the fit went on after the key";
            // The moves are still there for the message loop, none lost.
            int queued = 0;
            for (MSG m; PeekMessage(&m, w, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_REMOVE) &&
                        m.message == WM_MOUSEMOVE;)
                ++queued;
            EXPECT_EQ(queued, moves) << name;
            f.script.pumpUntilIdle();

            // The best values reached are kept, never worse than the start; the curves shown are
            // theirs, and the report says the fit was stopped until a Run shows the model again.
            EXPECT_LE(CalcFitRmsd(), startRmsd * (1.0f + 1e-6f)) << name;
            EXPECT_TRUE(ReportSaysStopped()) << name << "\n" << ReportText();
            std::vector<float> shown;
            for (int k = 1; k <= ScanStore::scanCount; ++k)
                shown.insert(shown.end(), ScanStore::fit[k] + 1,
                             ScanStore::fit[k] + 1 + ScanStore::pointCount[k]);
            SendCommand(f, 213);
            for (int k = 1, i = 0; k <= ScanStore::scanCount; ++k)
                for (int p = 1; p <= ScanStore::pointCount[k]; ++p, ++i)
                    ASSERT_NEAR(ScanStore::fit[k][p], shown[std::size_t(i)], 1e-5f) << name;
            EXPECT_FALSE(ReportSaysStopped()) << name;
            EXPECT_TRUE(f.script.done()) << name << "\n" << f.script.logText();
        }
}

// The user moves the mouse over the window for the whole of a fit, without a key, and a box the
// fit shows runs its own loop meanwhile, which hands the queued moves to the window: a move used
// to stop the fit, which then kept a trial's values and said it was stopped by a key.
TEST(RunningFit, MouseMovesQueuedDuringAFitNeitherStopItNorCountAsAKey) {
    for (const bool cs : {false, true}) {
        MainWindowFixture f(900, 650);
        LoadAndChoose(f, cs);
        int moves = 0;
        {
            ViewHook hook([&](TXLAWindow* window) {
                for (int i = 0; i < 50; ++i, ++moves)
                    plat::test::mouse(window, WM_MOUSEMOVE, 200 + moves % 100, 300);
                if (gRefreshes % 2 == 0)
                    plat::PumpOnce(false);
            });
            SendCommand(f, 215);
            EXPECT_GE(gRefreshes, 4);
        }
        f.script.pumpUntilIdle();
        EXPECT_FALSE(FitControl::fitAborted) << (cs ? "c(s)" : "discrete");
        EXPECT_FALSE(ReportSaysStopped()) << ReportText();
        EXPECT_TRUE(f.script.done()) << f.script.logText();
    }
}

// A discrete fit started right after a c(s) Run (the model and annealing chosen, no paint between)
// refreshed its plots under the c(s) report and distribution plot for its whole length.
// Copy Fit Parameters chosen during a c(s) Fit was dropped by the fit's key polling, which left on
// the clipboard the report of an earlier discrete fit of other data; dispatched by the loop of a
// box the fit shows, it copied a trial's values with the other data's rmsd. It now runs once the
// fit is done and copies its report.
TEST(RunningFit, WhatIsShownOrCopiedMeanwhileIsTheRunningFits) {
    {
        MainWindowFixture f(900, 650);
        LoadAndChoose(f, true, false);
        SendCommand(f, 213);
        SendCommand(f, 198);
        f.script.expectInput().promptHas("starting 'temperature'").answer("2");
        f.script.expectInput().prompt("# of temperature steps").answer("2");
        f.script.expectInput().prompt("# of iterations per temperature").answer("20");
        f.script.expectInput().prompt("final ML (1), Simplex (2), or none (0)").answer("0");
        f.script.expectBox().text("save as default setting?").answer(IDNO);
        SendCommand(f, 825);
        M::speciesS[1] = 4.0f;
        M::speciesSFloat[1] = 1;
        PackFitParameters();
        // The most black pixels a refresh left in the report's strip (above the ticks of the
        // data plot's frame) and in the distribution's band.
        const int h = f.window->GetSurface().Height();
        int report = 0, distribution = 0;
        auto black = [](const plat::Surface& s, int from, int to) {
            int n = 0;
            for (int y = from; y < to; ++y)
                for (int x = 0; x < s.Width(); ++x)
                    n += s.GetPixel(x, y) == 0x000000u;
            return n;
        };
        {
            ViewHook hook([&](TXLAWindow* window) {
                const plat::Surface& s = window->GetSurface();
                report = std::max(report, black(s, 0, ScanStore::distPlotRect[0] * h / 1000 - 8));
                distribution =
                    std::max(distribution, black(s, ContiState::distributionPlotTop * h / 1000,
                                                 ContiState::distributionPlotBottom * h / 1000));
            });
            SendCommand(f, 215);
            EXPECT_GE(gRefreshes, 3);
        }
        EXPECT_EQ(report, 0) << "the c(s) report stayed on screen";
        EXPECT_EQ(distribution, 0) << "the distribution plot stayed on screen";
        EXPECT_TRUE(f.script.done()) << f.script.logText();
    }
    for (const bool boxLoop : {false, true}) {
        MainWindowFixture f(900, 650);
        ScanSetOptions other;
        other.count = 8;
        other.rpm = 40000;
        f.script.onUnexpected(plat::test::Unexpected::DefaultButton);
        f.Load(other);
        M::speciesSFloat[1] = 1;
        PackFitParameters();
        SendCommand(f, 215);
        SendCommand(f, 204);
        ASSERT_EQ(plat::test::clipboardTexts().back().rfind("non-interacting", 0), 0u);

        LoadAndChoose(f, true);
        const std::size_t copiesBefore = plat::test::clipboardTexts().size();
        std::size_t copiesDuring = copiesBefore;
        {
            ViewHook hook([&](TXLAWindow* window) {
                if (gRefreshes == 2) {
                    plat::test::command(window, 204);
                    if (boxLoop)
                        plat::PumpOnce(false);
                }
                copiesDuring = plat::test::clipboardTexts().size();
            });
            SendCommand(f, 215);
            EXPECT_GE(gRefreshes, 2);
        }
        EXPECT_EQ(copiesDuring, copiesBefore) << "copied during the fit, box loop " << boxLoop;
        EXPECT_EQ(plat::test::clipboardTexts().size(), copiesBefore + 1) << boxLoop;
        EXPECT_EQ(plat::test::clipboardTexts().back(), ReportText()) << boxLoop;
        EXPECT_EQ(ReportText().rfind("continuous c(s) distribution", 0), 0u) << ReportText();
    }
}

// Files dropped on the window while a fit runs, handed to it by the loop of a box the fit shows:
// three scans, an experiment file naming them (meniscus 6.0 cm, bottom 7.18 cm) and a saved
// analysis (meniscus 6.0 cm) each used to act inside the fit, which went on and stored values
// fitted partly to what was dropped. The drop now waits for the fit's end and then acts; the fit
// stores what the same fit without a drop stores.
TEST(RunningFit, FilesDroppedMeanwhileActAfterItOnTheDataItStartedOn) {
    enum class Drop { None, Scans, Experiment, Analysis };
    struct Stored {
        std::vector<std::string> files;
        float s, meniscus, bottom, rmsd;
        std::vector<float> distribution;
    };
    for (const bool cs : {false, true}) {
        Stored undisturbed{};
        for (const Drop drop : {Drop::None, Drop::Scans, Drop::Experiment, Drop::Analysis}) {
            const char* what[] = {"no drop", "scans", "experiment file", "saved analysis"};
            const std::string name =
                std::string(cs ? "c(s)" : "discrete") + " fit, " + what[int(drop)];
            MainWindowFixture f(900, 650);
            TXLAWindow* w = f.window.get();
            LoadAndChoose(f, cs);
            TempFolder other;
            ScanSetOptions set;
            set.count = 3;
            set.meniscus = 6.0;
            std::vector<std::string> dropped;
            for (const std::string& file : WriteScanSet(other.path(), set))
                dropped.push_back(other.file(file));
            if (drop == Drop::Experiment) {
                std::string text =
                    "0 (ExperimentType: SEDVELOCITY)\nother cell\n\"" + other.path() + "\" \"";
                for (const std::string& path : dropped)
                    text += " " + path.substr(other.path().size() + 1);
                dropped = {other.write("cell.xp", text + "\"\n1.0\n0.001002\n0.73\n6.0\n7.18\n")};
            } else if (drop == Drop::Analysis) {
                const std::string analysis = ScanPaths::gDataPath;
                const float meniscus = M::meniscus;
                ScanPaths::gDataPath = other.file("~tmppars.RA1");
                M::meniscus = 6.0f;
                ASSERT_TRUE(TmpSaveBestParams(w, 0)) << name;
                dropped = {ScanPaths::gDataPath};
                ScanPaths::gDataPath = analysis;
                M::meniscus = meniscus;
                PackFitParameters();
            }
            {
                ViewHook hook([&](TXLAWindow* window) {
                    if (gRefreshes == 2 && drop != Drop::None) {
                        plat::test::drop(window, dropped);
                        plat::PumpOnce(false);
                    }
                });
                plat::test::command(w, 215);
                MSG msg;
                ASSERT_TRUE(GetMessage(&msg, nullptr, 0, 0));
                DispatchMessage(&msg);
                EXPECT_GE(gRefreshes, 3) << name;
            }
            Stored stored{ScanStore::fileNames, M::speciesS[1],
                          M::meniscus,          M::bottom,
                          FitControl::bestRmsd, {}};
            if (cs)
                stored.distribution.assign(ContiState::distribution + 1,
                                           ContiState::distribution + ContiState::gridPoints + 1);
            if (drop == Drop::None) {
                undisturbed = stored;
                continue;
            }
            EXPECT_EQ(stored.files, undisturbed.files) << name;
            EXPECT_EQ(stored.s, undisturbed.s) << name;
            EXPECT_EQ(stored.meniscus, undisturbed.meniscus) << name;
            EXPECT_EQ(stored.bottom, undisturbed.bottom) << name;
            EXPECT_EQ(stored.rmsd, undisturbed.rmsd) << name;
            EXPECT_EQ(stored.distribution, undisturbed.distribution) << name;

            // Then the drop acts as it would have on an idle window.
            if (drop == Drop::Scans) {
                f.script.expectBox().text("erase currently loaded data?").answer(IDYES);
                f.script.expectInput().prompt("load every n'th file:").answer("1");
            } else if (drop == Drop::Analysis) {
                f.script.expectBox().textHas("switch to parameter file").answer(IDYES);
            }
            f.script.pumpUntilIdle();
            EXPECT_TRUE(f.script.done()) << name << "\n" << f.script.logText();
            if (drop == Drop::Analysis) {
                EXPECT_EQ(ScanStore::fileNames, undisturbed.files) << name;
                EXPECT_EQ(M::meniscus, 6.0f) << name;
            } else {
                EXPECT_EQ(ScanStore::scanCount, 3) << name;
            }
            if (drop == Drop::Experiment)
                EXPECT_EQ(M::bottom, 7.18f) << name;
        }
    }
}

// Clicks and drags given while a fit computes. Queued as the window receives them, they are lost:
// the poll counted a press or a drag as a stop, so that a click bringing the window forward ended
// a long fit. Handed to the window by the loop of a box the fit shows, a press stops the fit, which
// keeps its best values and says the mouse stopped it; a key's release handed on so is no stop.
// Before that, the poll took keyboard messages alone and the press acted on the plot after the fit
// (a click on a scan put up its edit and delete buttons, a right drag zoomed). Nothing the user did
// meanwhile acts on the window after it.
TEST(RunningFit, AQueuedClickIsLostOneABoxHandsOnStopsItAndNeitherActsAfterIt) {
    enum class Act {
        None,
        Click,
        RightDrag,
        DragOfAnEarlierPress,
        DoubleClickOnTheFitLimit,
        ClickThroughABoxLoop,
        AltReleaseThroughABoxLoop
    };
    const struct {
        const char* name;
        Act act;
        bool stops;
    } cases[] = {{"undisturbed", Act::None, false},
                 {"click on a scan", Act::Click, false},
                 {"right drag over the data", Act::RightDrag, false},
                 {"drag of a press before the fit", Act::DragOfAnEarlierPress, false},
                 {"double click on the left fit limit", Act::DoubleClickOnTheFitLimit, false},
                 {"click handed on by a box's loop", Act::ClickThroughABoxLoop, true},
                 {"Alt release handed on by a box's loop", Act::AltReleaseThroughABoxLoop, false}};
    for (const bool cs : {false, true}) {
        FitEnd undisturbed;
        for (const auto& c : cases) {
            const std::string name = std::string(cs ? "c(s), " : "discrete, ") + c.name;
            MainWindowFixture f(900, 650);
            LoadAndChoose(f, cs);
            SendCommand(f, 213);
            const float startRmsd = CalcFitRmsd();
            const TPoint at = PointOnAResidualScan(f.window.get());
            const TPoint limit = PointOnTheLeftFitLimit(f.window.get());
            ASSERT_NE(at.y, 0) << name;
            ASSERT_NE(limit.y, 0) << name;
            const int zoom = ZoomHistory::level;
            {
                ViewHook hook([&](TXLAWindow* w) {
                    if (gRefreshes != 2)
                        return;
                    const int x = at.x, y = at.y;
                    switch (c.act) {
                    case Act::None:
                        break;
                    case Act::Click:
                    case Act::ClickThroughABoxLoop:
                        plat::test::click(w, x, y);
                        break;
                    case Act::RightDrag:
                        plat::test::mouse(w, WM_RBUTTONDOWN, 300, 200, MK_RBUTTON);
                        for (int i = 1; i <= 10; ++i)
                            plat::test::mouse(w, WM_MOUSEMOVE, 300 + 20 * i, 200 + 10 * i,
                                              MK_RBUTTON);
                        plat::test::mouse(w, WM_RBUTTONUP, 500, 300);
                        break;
                    case Act::DragOfAnEarlierPress:
                        for (int i = 1; i <= 10; ++i)
                            plat::test::mouse(w, WM_MOUSEMOVE, x + i, y, MK_LBUTTON);
                        plat::test::mouse(w, WM_LBUTTONUP, x + 10, y);
                        break;
                    case Act::DoubleClickOnTheFitLimit:
                        DoubleClick(w, limit);
                        break;
                    case Act::AltReleaseThroughABoxLoop:
                        plat::test::keyUp(w, VK_MENU, KS_ALT);
                        break;
                    }
                    if (c.act == Act::ClickThroughABoxLoop ||
                        c.act == Act::AltReleaseThroughABoxLoop)
                        while (plat::PumpOnce(false)) {
                        }
                });
                SendCommand(f, 215);
            }
            const FitEnd end = EndOfFit(cs);
            if (c.act == Act::None)
                undisturbed = end;
            EXPECT_EQ(FitControl::fitAborted, c.stops) << name;
            if (c.stops) {
                EXPECT_LE(gRefreshes, 4) << name << ": the fit went on after the press";
                EXPECT_LE(CalcFitRmsd(), startRmsd * (1.0f + 1e-6f)) << name;
                EXPECT_TRUE(ReportSaysStopped("the mouse")) << name << "\n" << ReportText();
            } else {
                ExpectSameEnd(end, undisturbed, name);
                EXPECT_EQ(ReportText().find("stopped by"), std::string::npos) << name;
            }
            EXPECT_EQ(ScreenButtonSet::scanCancelButton, nullptr) << name << ": the click acted";
            EXPECT_EQ(ZoomHistory::level, zoom) << name << ": the drag zoomed";
            EXPECT_FALSE(f.window->rubberBandActive) << name;
            ExpectNoMarkerTaken(name);
            EXPECT_TRUE(f.script.done()) << name << "\n" << f.script.logText();
        }
    }
    // Files dropped during a Run, handed on by a box's loop, wait for its end as during a Fit.
    static void (*show)(TXLAWindow*) = nullptr;
    static std::vector<std::string> dropped;
    MainWindowFixture f(900, 650);
    LoadAndChoose(f, true);
    TempFolder other;
    ScanSetOptions set;
    set.count = 3;
    dropped.clear();
    for (const std::string& file : WriteScanSet(other.path(), set))
        dropped.push_back(other.file(file));
    show = std::exchange(WindowServices::table.showDistribution, [](TXLAWindow* w) {
        show(w);
        if (w->runBusy && !dropped.empty()) {
            plat::test::drop(w, std::exchange(dropped, {}));
            plat::PumpOnce(false);
        }
    });
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(213), 0);
    WindowServices::table.showDistribution = show;
    EXPECT_TRUE(dropped.empty());
    EXPECT_EQ(ScanStore::scanCount, 10) << "the drop acted during the Run";
    f.script.expectBox().text("erase currently loaded data?").answer(IDYES);
    f.script.expectInput().prompt("load every n'th file:").answer("1");
    f.script.pumpUntilIdle();
    EXPECT_EQ(ScanStore::scanCount, 3);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
}

// Out of memory in a fit's trial or in its end left the window busy for good: a Run computed
// nothing and every click and key was eaten. A click given as the memory ran out is dropped.
TEST(RunningFit, OutOfMemoryEndsItAndTheWindowTakesCommandsClicksAndKeysAgain) {
    static TXLAWindow* w = nullptr;
    static TPoint at;
    static const auto clickAndThrow = [] {
        plat::test::click(w, at.x, at.y);
        throw std::bad_alloc();
    };
    for (const int c : {0, 1, 2}) { // discrete in a trial, in its end; c(s) in its end
        MainWindowFixture f(900, 650);
        w = f.window.get();
        LoadAndChoose(f, c == 2);
        SendCommand(f, 213);
        at = PointOnAResidualScan(w);
        f.script.expectBox().text("Not enough memory to complete the command.");
        const WindowServiceTable kept = WindowServices::table;
        if (c > 0) { // the residuals and the distribution are shown anew by a fit's end only
            WindowServices::table.updateResiduals = [](bool) { clickAndThrow(); };
            WindowServices::table.showDistribution = [](TXLAWindow*) { clickAndThrow(); };
        }
        {
            ViewHook hook([&](TXLAWindow*) {
                if (c == 0 && gRefreshes == 2)
                    clickAndThrow();
            });
            SendCommand(f, 215);
        }
        WindowServices::table = kept;
        EXPECT_FALSE(w->runBusy || w->fitBusy || FitControl::fitInProgress) << c;
        EXPECT_EQ(ScreenButtonSet::scanCancelButton, nullptr) << c << ": the click acted";
        gRunCompleted = false;
        SendCommand(f, 213);
        at = PointOnAResidualScan(w);
        plat::test::click(w, at.x, at.y);
        f.script.pumpUntilIdle();
        EXPECT_TRUE(gRunCompleted && ScreenButtonSet::scanCancelButton) << c << ": Run or click";
        plat::test::key(w, 'A', 'a');
        f.script.pumpUntilIdle();
        EXPECT_EQ(ScreenButtonSet::scanCancelButton, nullptr) << c << ": the key was eaten";
    }
}

// Out of memory on the window's thread while kept threads solved a c(s) Fit's Lamm list left the
// list to them: a kept thread then crashed, or the program ended. The fit ends, the program goes
// on.
TEST(RunningFit, OutOfMemoryWhileKeptThreadsSolveALammListEndsOnlyTheFit) {
    int memoryBoxes = 0;
    for (const long n : {1L, 2L, 5L, 20L, 100L, 500L, 3000L}) {
        MainWindowFixture f(900, 650);
        LoadAndChoose(f, true);
        gDistributionThreadCount = gLammThreadCount = 4; // preferences 11 and 14
        f.script.onUnexpected(plat::test::Unexpected::DefaultButton);
        {
            const FailingAllocation failing(n, f.window->fitBusy);
            SendCommand(f, 215);
        }
        // (a solver's own arrays it could not allocate fail its equation, and the fit goes on)
        EXPECT_EQ(gFailingAllocation.load(), 0) << n << ": it never threw";
        memoryBoxes += f.script.logText().find("Not enough memory") != std::string::npos;
        EXPECT_FALSE(f.window->fitBusy || FitControl::fitInProgress || ContiState::calledFromFit);
        EXPECT_TRUE(M::meniscus >= FitControl::meniscusMin &&
                    M::meniscus <= FitControl::meniscusMax)
            << n << ": " << M::meniscus;
        gRunCompleted = false;
        SendCommand(f, 213);
        EXPECT_TRUE(gRunCompleted) << n;
    }
    EXPECT_GE(memoryBoxes, 3);
}

// Out of memory as a c(s) Run hid the progress line of its normal equations, which it does as the
// line goes, ended the program. The line is left to the next paint, and the program goes on.
TEST(RunningFit, OutOfMemoryAsACsRunHidesItsProgressLineEndsOnlyTheRun) {
    static TXLAWindow* w = nullptr;
    static bool lineFull = false; // from the last step of the line on
    static TWindow* (*platformWindow)(TXLAWindow*) = nullptr;
    for (long n = 1; n <= 4; ++n) { // hiding the line takes the first three allocations
        MainWindowFixture f(900, 650);
        w = f.window.get();
        LoadAndChoose(f, true, false);
        f.script.onUnexpected(plat::test::Unexpected::DefaultButton);
        lineFull = false;
        platformWindow = std::exchange(WindowServices::table.platformWindow, [](TXLAWindow* x) {
            lineFull = lineFull || (w->runBusy && w->computeObserver.LineFraction(10, 65) >= 1.0f);
            return platformWindow(x);
        });
        {
            const FailingAllocation failing(n, lineFull, false);
            SendCommand(f, 213);
        }
        WindowServices::table.platformWindow = platformWindow;
        EXPECT_EQ(gFailingAllocation.load(), 0) << n << ": it never threw";
        EXPECT_FALSE(w->runBusy) << n;
        gRunCompleted = false;
        SendCommand(f, 213);
        EXPECT_TRUE(gRunCompleted) << n;
    }
}

// Error in s and Fit Time Dependent s,M refitted outside the busy state: Escape handed on by a
// box's loop stopped nothing, and a double click on the left fit limit handed on so placed a
// tentative marker, while the refits ran on (1381 and 2113 solves). Both stop them as a Fit.
TEST(RunningFit, ErrorInSAndTimeDependentSMStopAsAFitDoes) {
    for (const int command : {285, 266})
        for (const bool key : {true, false}) {
            const std::string name = std::to_string(command) + (key ? ", Escape" : ", click");
            MainWindowFixture f(900, 650);
            LoadAndChoose(f, false);
            M::concentrationFloat[1] = 1; // refitted while s is held
            SendCommand(f, 215);
            const TPoint limit = PointOnTheLeftFitLimit(f.window.get());
            f.script.onUnexpected(plat::test::Unexpected::Cancel);
            if (command == 285) {
                f.script.expectInput().promptHas("confidence level").answer("0.683");
                f.script.expectInput().promptHas("test interval for s").answer("0.01");
                f.script.expectBox().textHas("are current parameters best fit?").answer(IDYES);
                f.script.expectBox().textHas(key ? "by a key press" : "by the mouse");
            }
            int solves = 0;
            gAtSolve = [&](TXLAWindow* window) {
                if (++solves != 5)
                    return;
                key ? plat::test::key(window, VK_ESCAPE, 27) : DoubleClick(window, limit);
                while (plat::PumpOnce(false)) {
                }
            };
            {
                SolveHook hook;
                SendCommand(f, command);
            }
            EXPECT_LE(solves, 12) << name << ": it went on after the stop";
            ExpectNoMarkerTaken(name);
        }
}

// Out of memory in a refit of Error in s, Error in M or the s and M contour left the model at
// the point of the search it had reached (s 3.95 for 4, M shifted), and after the contour
// neither s nor M floated. Each ends with the model it started from.
TEST(RunningFit, OutOfMemoryInAnErrorSearchOrAContourLeavesTheModelItStartedFrom) {
    for (const int command : {285, 286, 241}) {
        const std::string name = std::to_string(command);
        MainWindowFixture f(900, 650);
        LoadAndChoose(f, false);
        M::speciesDOrMFloat[1] = M::concentrationFloat[1] = 1;
        PackFitParameters();
        const float s = M::speciesS[1], m = M::speciesDOrM[1];
        const auto answer = [&](const char* prompt, float value) {
            f.script.expectInput().prompt(prompt).answer(std::to_string(value));
        };
        if (command == 241) {
            for (const auto& [prompt, value] : {std::pair{"minimum s", s - 0.1f},
                                                {"maximum s", s + 0.1f},
                                                {"s increment", 0.1f},
                                                {"minimum M", 0.9f * m},
                                                {"maximum M", 1.1f * m},
                                                {"M increment", 0.1f * m},
                                                {"rmsd contour level (0 for all)", 0.0f},
                                                {"starting s1", s},
                                                {"starting s2", 0.0f}})
                answer(prompt, value);
            f.script.expectFileSave().answer(std::vector<std::string>{f.data.file("contour.dat")});
        } else {
            answer("confidence level", 0.683f);
            answer(command == 285 ? "test interval for s" : "test interval for M",
                   command == 285 ? 0.05f : 0.01f * m);
            f.script.expectBox().textHas("are current parameters best fit?").answer(IDYES);
        }
        f.script.expectBox().text("Not enough memory to complete the command.");
        int solves = 0;
        gAtSolve = [&](TXLAWindow*) {
            if (++solves == 5)
                throw std::bad_alloc();
        };
        {
            SolveHook hook;
            SendCommand(f, command);
        }
        EXPECT_TRUE(f.script.done()) << name << "\n" << f.script.logText();
        EXPECT_EQ(solves, 5) << name;
        EXPECT_EQ(M::speciesS[1], s) << name;
        EXPECT_EQ(M::speciesDOrM[1], m) << name;
        EXPECT_TRUE(M::speciesSFloat[1] && M::speciesDOrMFloat[1] && M::concentrationFloat[1])
            << name;
        EXPECT_FALSE(f.window->fitBusy || FitControl::fitInProgress) << name;
    }
}

// Keys and clicks after the key that stopped a fit, before its end: Shift and a letter, Escape
// twice, a click or a double click on the left fit limit. The second key stopped the stopped fit's
// final evaluation: a discrete fit kept its start values and threw its progress away, a c(s) fit
// stored nothing and showed no report; a later press placed a fit-limit marker after the fit. The
// fit now ends as with the one key, and nothing acts after it.
TEST(RunningFit, WhatComesAfterTheKeyThatStoppedItLosesNothingOfItsEnd) {
    enum class Then { Nothing, ShiftAndALetter, EscapeTwice, Click, DoubleClick };
    const char* names[] = {"one key", "Shift and a letter", "Escape twice", "a key and a click",
                           "a key and a double click"};
    for (const bool cs : {false, true}) {
        FitEnd oneKey;
        for (const Then then : {Then::Nothing, Then::ShiftAndALetter, Then::EscapeTwice,
                                Then::Click, Then::DoubleClick}) {
            const std::string name = std::string(cs ? "c(s), " : "discrete, ") + names[int(then)];
            MainWindowFixture f(900, 650);
            LoadAndChoose(f, cs);
            SendCommand(f, 213);
            const TPoint limit = PointOnTheLeftFitLimit(f.window.get());
            ASSERT_NE(limit.y, 0) << name;
            {
                // The first key at the second refresh; what follows it right behind it for c(s),
                // whose poll of a stopped trial looks no further, and for a discrete fit at the
                // first solve of its end, whose trials took all the keys queued.
                bool followed = false;
                const auto follow = [&](TXLAWindow* w) {
                    if (followed)
                        return;
                    followed = true;
                    if (then == Then::ShiftAndALetter)
                        plat::test::key(w, 'A', 'A', MK_SHIFT);
                    else if (then == Then::EscapeTwice)
                        plat::test::key(w, VK_ESCAPE, 27);
                    else if (then == Then::Click)
                        plat::test::click(w, limit.x, limit.y);
                    else if (then == Then::DoubleClick)
                        DoubleClick(w, limit);
                };
                ViewHook hook([&](TXLAWindow* w) {
                    if (gRefreshes != 2)
                        return;
                    plat::test::keyDown(w, then == Then::ShiftAndALetter ? VK_SHIFT : VK_ESCAPE,
                                        then == Then::ShiftAndALetter ? 0 : 27);
                    if (cs)
                        follow(w);
                });
                gAtSolve = [&](TXLAWindow* w) {
                    if (!cs && FitControl::fitAborted)
                        follow(w);
                };
                SolveHook solves;
                SendCommand(f, 215);
                EXPECT_TRUE(followed || then == Then::Nothing) << name;
            }
            const FitEnd end = EndOfFit(cs);
            if (then == Then::Nothing)
                oneKey = end;
            EXPECT_TRUE(FitControl::fitAborted) << name;
            EXPECT_FALSE(FitControl::startKept) << name;
            EXPECT_TRUE(ReportSaysStopped()) << name << "\n" << ReportText();
            ExpectSameEnd(end, oneKey, name);
            ExpectNoMarkerTaken(name);
            EXPECT_TRUE(f.script.done()) << name << "\n" << f.script.logText();
        }
    }
}

// A key that goes down during a fit and whose release never reaches the window (the focus went
// elsewhere meanwhile, or a box took the release): the poll waited for the release and the fit
// never returned. The key-down stops the fit; the release, when it comes, is no second key. Alt
// alone or the Tab of Alt+Tab (the user looking at another window) stopped the fit too: they stop
// nothing, and the fit runs on to its end, waiting for no release either.
TEST(RunningFit, AKeyWhoseReleaseNeverComesStopsItWithoutWaiting) {
    const struct {
        const char* name;
        UINT key;
        char ch;
        UINT keyState;
        UINT release;
        bool stops;
    } keys[] = {{"letter", 'Q', 'q', 0, WM_KEYUP, true},
                {"Alt", VK_MENU, 0, KS_ALT, WM_SYSKEYUP, false},
                {"Alt+Tab", VK_TAB, 0, KS_ALT, WM_SYSKEYUP, false}};
    for (const bool cs : {false, true})
        for (const auto& k : keys) {
            const std::string name = std::string(cs ? "c(s), " : "discrete, ") + k.name;
            MainWindowFixture f(900, 650);
            TXLAWindow* w = f.window.get();
            LoadAndChoose(f, cs);
            {
                ViewHook hook([&](TXLAWindow* window) {
                    if (gRefreshes == 2)
                        plat::test::keyDown(window, k.key, k.ch, k.keyState);
                });
                ReleaseWatchdog watchdog(w, k.release, k.key);
                SendCommand(f, 215);
                EXPECT_FALSE(watchdog.Finish()) << name << ": the fit waited for the release";
            }
            EXPECT_EQ(FitControl::fitAborted, k.stops) << name;
            EXPECT_EQ(gRefreshes <= 4, k.stops) << name;
            EXPECT_EQ(ReportSaysStopped(), k.stops) << name << "\n" << ReportText();
            const int stops = StopsCounted();
            if (k.keyState & KS_ALT)
                plat::test::keyUp(w, k.key, k.keyState);
            else
                plat::test::keyUp(w, k.key);
            EXPECT_FALSE(KeyPressed(w)) << name << ": the late release counted as a key";
            EXPECT_EQ(StopsCounted(), stops) << name;
            EXPECT_TRUE(f.script.done()) << name << "\n" << f.script.logText();
        }
}

// A c(s) Fit over a range reaching floaters (vbar 1.5) on a typed moving hat of 120 nodes, f/f0
// floated: a trial's floater of the Lamm list fails with the discretization error, which stops the
// fit at its best values. Its report said "stopped by a key" though none was pressed; a key
// pressed before the failure still says so (the mouse's row is the click through a box above).
TEST(RunningFit, AFailedEquationOfTheListEndsACsFitWithoutBlamingAKey) {
    for (const bool key : {false, true}) {
        MainWindowFixture f(900, 650);
        LoadTenScans(f);
        gUpdateResidualsPlot = true;
        gMaxUpdateInterval = 0.0f;
        f.script.expectDialog(kLammParamsDialogId)
            .check(kLpAutoGridSize, false)
            .set(kLpDefaultGridSize, "120")
            .check(kLpAutomaticAlgorithm, false)
            .check(kLpMovingHat, true)
            .check(kLpClaverie, false)
            .ok();
        SendCommand(f, 611);
        SendCommand(f, 275);
        f.script.expectDialog(kDistributionParamsDialogId)
            .set(kRangeMinId, "-5")
            .set(kRangeMaxId, "10")
            .set(kResolutionId, "30")
            .set(kMeniscusId, "5.93")
            .check(kFf0FloatId)
            .ok();
        SendCommand(f, 212);
        ScanStore::vbar = ScanStore::vbarRho = 1.5f;
        ScanStore::leftFitLimit = 5.95f;
        SendCommand(f, 213);
        ASSERT_TRUE(ScanStore::resultAvailable) << f.script.logText();
        const std::string before = f.script.logText();
        {
            ViewHook hook([&](TXLAWindow* w) {
                if (key && gRefreshes == 1)
                    plat::test::key(w, 'A', 'a');
            });
            SendCommand(f, 215);
        }
        const std::string boxes = f.script.logText().substr(before.size());
        EXPECT_TRUE(FitControl::fitAborted) << key;
        EXPECT_EQ(boxes.find("DISCRETIZATION ERROR") != std::string::npos, !key) << boxes;
        const std::vector<std::string> report = ParameterReportLines();
        ASSERT_GE(report.size(), 2u);
        EXPECT_EQ(report[1], key ? "stopped by a key"
                                 : "ended at a failed simulation: the best values so far are shown")
            << ReportText();
    }
}

} // namespace
