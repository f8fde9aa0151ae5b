// The status lines a Lamm solution draws into the main window while a Run simulates, and what
// it reports to an observer of its own without a window.
#include "app/txla_window.h"
#include "plat/testing.hpp"
#include "state/window_services.h"
#include "support/lamm_harness.h"
#include "support/program_folder.h"
#include "support/reset_all_state.h"

#include <gtest/gtest.h>
#include <memory>
#include <set>
#include <string>

namespace {

int InkedPixels(const TXLAWindow& window, int top, int bottom) {
    const plat::Surface& s = window.GetSurface();
    int inked = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = 10; x < 200; ++x)
            if (s.GetPixel(x, y) != RGB(255, 255, 255) && s.GetPixel(x, y) != CLR_INVALID)
                ++inked;
    return inked;
}

TEST(LammDisplay, StatusLinesOnlyWhileSimulatingWithoutFitting) {
    ResetAllState();
    ProgramFolder folder;
    folder.WriteAcceptedPreferences();
    plat::test::Script script;
    for (bool quiet : {true, false}) {
        auto window = std::make_unique<TXLAWindow>(nullptr, "Sedimentation Analysis");
        window->Create();
        LammCase lc;
        lc.scans = 2;
        lc.gridSize = 200;
        LammRun run(lc);
        run.Load();
        run.solver.LoadOutputParameters(
            &WindowServices::Observer(window.get()), false, run.headers_.data(),
            run.rowPointers_.data(), run.radii_.data(), run.Points(), nullptr, nullptr, true,
            nullptr, lc.scans, 1, quiet, quiet, false, 2.43f, false, 0.008f, false);
        ASSERT_EQ(run.solver.Run(), LammResult::Solved);
        EXPECT_EQ(InkedPixels(*window, 70, 145) > 0, !quiet) << (quiet ? "quiet" : "simulating");
    }
    EXPECT_TRUE(script.done());
    ResetAllState();
}

// Counts what a solution reports: the rows of its status texts and its profiles' colours.
struct CountingObserver : CComputeObserver {
    bool shows = true;
    std::set<int> textRows;
    std::set<std::uint32_t> curveColours;
    int curves = 0;
    bool Shows() const override { return shows; }
    void StatusText(int, int y, const char*) override { textRows.insert(y); }
    void TrialCurve(const float*, const float*, int, std::uint32_t colour) override {
        ++curves;
        curveColours.insert(colour);
    }
};

TEST(LammDisplay, ASolutionReportsToItsOwnObserver) {
    ResetAllState();
    struct Case {
        const char* name;
        bool shows, liveProfiles, quiet;
        std::set<int> rows;
        bool curves;
    };
    const Case cases[] = {
        {"simulating, profiles shown", true, true, false, {70, 90, 110, 130}, true},
        {"simulating, no data plot", true, false, false, {70, 90, 110, 130}, false},
        {"quiet while fitting", true, true, true, {}, false},
        {"observer on another thread", false, true, false, {}, false},
    };
    for (const Case& c : cases) {
        LammCase lc;
        lc.scans = 2;
        lc.gridSize = 200;
        LammRun run(lc);
        run.Load();
        CountingObserver observer;
        observer.shows = c.shows;
        run.solver.LoadOutputParameters(&observer, c.liveProfiles, run.headers_.data(),
                                        run.rowPointers_.data(), run.radii_.data(), run.Points(),
                                        nullptr, nullptr, true, nullptr, lc.scans, 1, c.quiet,
                                        c.quiet, false, 2.43f, false, 0.008f, false);
        ASSERT_EQ(run.solver.Run(), LammResult::Solved) << c.name;
        EXPECT_EQ(observer.textRows, c.rows) << c.name;
        EXPECT_EQ(observer.curves > 0, c.curves) << c.name;
        if (c.curves)
            EXPECT_EQ(observer.curveColours, std::set<std::uint32_t>{SpeciesCurveColour(1)})
                << c.name;
    }
    ResetAllState();
}

} // namespace
