// The end of a floating species' run: a dip of the grid beside the meniscus pile-up is no
// depletion; a species that has left the data still ends the run early.
#include "support/lamm_harness.h"
#include "support/reset_all_state.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <memory>

namespace {

double LargestInData(const LammRun& run, int scan) {
    double largest = 0.0;
    for (int i = 1; i <= run.Points(); ++i)
        if (run.Radii()[i] >= run.lc_.lowerFit && run.Radii()[i] <= run.lc_.upperFit)
            largest = std::max(largest, std::fabs(double(run.Profile(scan)[i])));
    return largest;
}

std::unique_ptr<LammRun> Solve(LammCase lc, int nodes, LammResult& code) {
    ResetAllState();
    lc.gridSize = nodes;
    auto run = std::make_unique<LammRun>(lc);
    code = run->Run();
    return run;
}

LammCase Floating(double s, double D, double rpm, double meniscus, float lowerFit, bool hat) {
    LammCase lc;
    lc.s = s, lc.D = D, lc.rpm = rpm, lc.meniscus = meniscus, lc.lowerFit = lowerFit;
    lc.scans = 24, lc.firstScanS = lc.intervalS = 300.0, lc.outputPoints = 1201;
    lc.movingHat = hat, lc.maxDcOverC = hat ? 0.25 : 1.0;
    return lc;
}

// Typed grids against the moving hat on 2000 nodes (within 1e-2 of the loading of 4000 where the
// run solved): no scan all zero where the reference shows the species, unless the run failed with
// its discretization error (where equilibrium keeps the species in the data, the pile-up is
// smeared into it, or the meniscus node is the probe and rings against its neighbour).
TEST(LammFloatingEnd, NoScanZeroWhileTheReferenceShowsTheSpecies) {
    const struct {
        LammCase lc;
        int nodes;
        LammResult expected;
    } cases[] = {
        {Floating(-20, 2e-7, 20000, 6.0, 6.02f, true), 100, LammResult::DiscretizationError},
        {Floating(-100, 1e-7, 50000, 6.0, 6.05f, true), 150, LammResult::Solved},
        {Floating(-50, 3e-7, 40000, 5.9, 5.92f, true), 150, LammResult::DiscretizationError},
        {Floating(-5, 5e-7, 50000, 6.1, 6.12f, false), 100, LammResult::Solved},
        {Floating(-10, 3e-7, 40000, 6.0, 6.01f, false), 120, LammResult::DiscretizationError}};
    for (const auto& c : cases) {
        LammCase fine = c.lc;
        fine.movingHat = true, fine.maxDcOverC = 0.25;
        LammResult code, fineCode, finerCode;
        const auto run = Solve(c.lc, c.nodes, code);
        const auto reference = Solve(fine, 2000, fineCode), finer = Solve(fine, 4000, finerCode);
        EXPECT_EQ(code, c.expected) << c.lc.s << " S";
        ASSERT_TRUE(fineCode == LammResult::Solved && finerCode == LammResult::Solved);
        for (int scan = 1; scan <= c.lc.scans && code == LammResult::Solved; ++scan) {
            EXPECT_LT(MaxDifference(*reference, *finer, scan, c.lc.lowerFit, c.lc.upperFit), 1e-2);
            if (LargestInData(*reference, scan) > 1e-3)
                EXPECT_GT(LargestInData(*run, scan), 0.0) << c.lc.s << " S scan " << scan;
        }
    }
}

// A floating and a sedimenting species that clear the data end the run early: the last scan
// reads zero.
TEST(LammFloatingEnd, SpeciesThatLeavesTheDataStillEndsTheRun) {
    for (double s : {-20.0, 20.0}) {
        LammCase lc = Floating(s, 2e-7, 50000, 6.0, s < 0 ? 6.3f : 6.05f, true);
        lc.upperFit = s < 0 ? 7.15f : 6.9f;
        LammResult code;
        const auto run = Solve(lc, 100, code);
        ASSERT_EQ(code, LammResult::Solved) << s;
        EXPECT_TRUE(run->solver.endReachedFlag) << s;
        EXPECT_LT(run->solver.t, run->ScanTime(lc.scans)) << s;
        EXPECT_EQ(LargestInData(*run, lc.scans), 0.0) << s;
    }
}

} // namespace
