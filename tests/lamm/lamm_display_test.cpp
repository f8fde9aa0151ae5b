// The status lines a Lamm solution draws into the main window while a Run simulates.
#include "app/txla_window.h"
#include "plat/testing.hpp"
#include "support/lamm_harness.h"
#include "support/program_folder.h"
#include "support/reset_all_state.h"

#include <gtest/gtest.h>
#include <memory>

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
        run.solver.LoadOutputParameters(window.get(), nullptr, run.headers_.data(),
                                        run.rowPointers_.data(), run.radii_.data(), run.Points(),
                                        nullptr, nullptr, true, nullptr, lc.scans, 1, quiet, quiet,
                                        false, 2.43f, false, 0.008f, false);
        ASSERT_EQ(run.solver.Run(), LammResult::Solved);
        EXPECT_EQ(InkedPixels(*window, 70, 145) > 0, !quiet) << (quiet ? "quiet" : "simulating");
    }
    EXPECT_TRUE(script.done());
    ResetAllState();
}

} // namespace
