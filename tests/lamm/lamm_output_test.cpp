// Output of the Lamm solver: per-scan radii and accumulation into the caller's rows, worker
// copies of a template, the scanner's finite speed and the radial-resolution average.
#include "state/held_discretisation.h"
#include "support/lamm_harness.h"
#include "support/reset_all_state.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

class LammOutput : public ::testing::Test {
  protected:
    void SetUp() override { ResetAllState(); }
};

LammCase Small() {
    LammCase lc;
    lc.scans = 4;
    lc.gridSize = 400;
    lc.outputPoints = 301;
    return lc;
}

// Each scan on its own radii goes through the object's matrix and ends in the same values as on
// a shared grid; with accumulation on, the profile is added to what the row held.
TEST_F(LammOutput, PerScanRadiiAndAccumulationMatchSharedGrid) {
    const LammCase lc = Small();
    LammRun shared(lc);
    ASSERT_EQ(shared.Run(), LammResult::Solved);

    LammRun perScan(lc);
    perScan.Load();
    std::vector<float*> radii(lc.scans + 1, perScan.radii_.data());
    std::vector<int> counts(lc.scans + 1, lc.outputPoints);
    perScan.solver.LoadOutputParameters(nullptr, false, perScan.headers_.data(),
                                        perScan.rowPointers_.data(), nullptr, 0, radii.data(),
                                        counts.data(), false, nullptr, lc.scans, 1, true, true,
                                        false, 2.43f, false, 0.008f, false);
    for (int scan = 1; scan <= lc.scans; ++scan)
        std::fill(perScan.rows_[scan].begin(), perScan.rows_[scan].end(), 0.0f);
    ASSERT_EQ(perScan.solver.Run(), LammResult::Solved);

    LammRun added(lc);
    added.Load();
    added.solver.SetAccumulateOutput(true);
    for (int scan = 1; scan <= lc.scans; ++scan)
        std::fill(added.rows_[scan].begin(), added.rows_[scan].end(), 0.25f);
    ASSERT_EQ(added.solver.Run(), LammResult::Solved);
    for (int scan = 1; scan <= lc.scans; ++scan) {
        for (int i = 1; i <= lc.outputPoints; ++i) {
            EXPECT_EQ(perScan.Profile(scan)[i], shared.Profile(scan)[i]) << scan << " " << i;
            EXPECT_NEAR(added.Profile(scan)[i], shared.Profile(scan)[i] + 0.25f, 1e-6);
        }
    }
}

// Rows per scan are written in place: each scan's own count of them and no more, a second
// solution on the same object replaces the first, and a trial on a held grid sized without
// arrays of its own solves as the solution that chose the grid.
TEST_F(LammOutput, RowsPerScanWrittenInPlace) {
    for (const char* name : {"counts per scan", "solved twice", "held grid"}) {
        const std::string c = name;
        LammCase lc = Small();
        lc.automatic = c == "held grid";
        LammRun shared(lc);
        HeldDiscretisation::Scope scope;
        HeldDiscretisation::BeginEvaluation();
        shared.solver.heldList = lc.automatic ? HeldDiscretisation::NextList() : -1;
        ASSERT_EQ(shared.Run(), LammResult::Solved) << name;
        LammRun perScan(lc);
        perScan.Load();
        std::vector<float*> radii(lc.scans + 1, perScan.radii_.data());
        std::vector<int> counts(lc.scans + 1, lc.outputPoints);
        for (int k = 1; c == "counts per scan" && k <= lc.scans; ++k)
            counts[k] = lc.outputPoints - 60 * k;
        perScan.solver.LoadOutputParameters(nullptr, false, perScan.headers_.data(),
                                            perScan.rowPointers_.data(), nullptr, 0, radii.data(),
                                            counts.data(), false, nullptr, lc.scans, 1, true, true,
                                            false, 2.43f, false, 0.008f, false);
        for (int k = 1; k <= lc.scans; ++k)
            std::fill(perScan.rows_[k].begin() + 1, perScan.rows_[k].begin() + 1 + counts[k], 0.f);
        HeldDiscretisation::BeginEvaluation();
        perScan.solver.heldList = shared.solver.heldList >= 0 ? HeldDiscretisation::NextList() : -1;
        ASSERT_EQ(perScan.solver.Run(), LammResult::Solved) << name;
        if (c == "solved twice")
            ASSERT_EQ(perScan.solver.Run(), LammResult::Solved) << name;
        EXPECT_EQ(perScan.solver.N, shared.solver.N) << name;
        for (int k = 1; k <= lc.scans; ++k) {
            EXPECT_EQ(std::memcmp(perScan.Profile(k) + 1, shared.Profile(k) + 1,
                                  sizeof(float) * counts[k]),
                      0)
                << name << " " << k;
            if (counts[k] < lc.outputPoints)
                EXPECT_EQ(perScan.Profile(k)[counts[k] + 1], -1.0f) << name << " " << k;
        }
    }
}

// A worker solves its own copy of the template; the copy must give the template's solution to
// the last bit and leave the template's rows alone until it writes its own.
TEST_F(LammOutput, CopyOfTemplateSolvesIdentically) {
    const LammCase lc = Small();
    LammRun original(lc);
    ASSERT_EQ(original.Run(), LammResult::Solved);

    LammRun tmpl(lc);
    tmpl.Load();
    CLammIdeal copy;
    copy.CopySettingsFrom(tmpl.solver);
    copy.workerMode = true;
    std::vector<std::vector<float>> rows(lc.scans + 1, std::vector<float>(lc.outputPoints + 1));
    std::vector<float*> pointers(lc.scans + 1);
    for (int i = 0; i <= lc.scans; ++i)
        pointers[i] = rows[i].data();
    copy.LoadSpeciesFromList(lc.s, lc.D, pointers.data(), tmpl.radii_.data(), lc.outputPoints,
                             nullptr, nullptr);
    ASSERT_EQ(copy.Run(), LammResult::Solved);
    for (int scan = 1; scan <= lc.scans; ++scan)
        EXPECT_EQ(std::memcmp(rows[scan].data() + 1, original.Profile(scan) + 1,
                              sizeof(float) * lc.outputPoints),
                  0)
            << scan;
    EXPECT_EQ(tmpl.Profile(1)[1], -1.0f);
}

// With the scanner's finite speed emulated, the radius r is recorded (r - m) / v later than
// the meniscus, so the plateau there shows that much more radial dilution.
TEST_F(LammOutput, FiniteScanSpeedShowsLaterTimeAtLargerRadii) {
    LammCase lc = Small();
    lc.s = 10.0, lc.D = 4e-7;
    LammRun run(lc);
    run.Load();
    const float velocity = 2.43f; // cm/min: 29.6 s for the 1.2 cm column
    run.solver.LoadOutputParameters(nullptr, false, run.headers_.data(), run.rowPointers_.data(),
                                    run.radii_.data(), lc.outputPoints, nullptr, nullptr, false,
                                    nullptr, lc.scans, 1, true, true, true, velocity, false, 0.008f,
                                    true);
    ASSERT_EQ(run.solver.Run(), LammResult::Solved);
    const double k = lc.s * 1e-13 * std::pow(lc.rpm * M_PI / 30.0, 2);
    for (int scan = 1; scan <= lc.scans; ++scan) {
        for (double r : {6.6, 6.9}) {
            const double seen = run.ScanTime(scan) + (r - lc.meniscus) / (velocity / 60.0);
            EXPECT_NEAR(run.ValueAt(scan, r), std::exp(-2.0 * k * seen), 2e-4)
                << "scan " << scan << " r " << r;
        }
    }
}

// The radial-resolution average works on transmitted light: a constant absorbance stays, a value
// of 100 or more (no light) is left alone, and a step is smoothed within +-2 sigma.
TEST_F(LammOutput, RadialResolutionAveragesTransmittedLight) {
    CLammIdeal o;
    o.radialRange = 0.02f;
    const int n = 41;
    std::vector<double> r(n + 1), flat(n + 1, 0.8), step(n + 1);
    for (int i = 1; i <= n; ++i) {
        r[i] = 6.0 + 0.002 * (i - 1);
        step[i] = i <= 20 ? 0.0 : 1.0;
    }
    step[30] = 150.0;
    o.ConvolveRadialResolution(flat.data(), r.data(), n);
    for (int i = 1; i <= n; ++i)
        EXPECT_NEAR(flat[i], 0.8, 1e-12);
    o.ConvolveRadialResolution(step.data(), r.data(), n);
    EXPECT_EQ(step[30], 150.0);
    EXPECT_EQ(step[1], 0.0); // farther than 2 sigma from the step
    EXPECT_GT(step[20], 0.0);
    EXPECT_LT(step[21], 1.0);
    std::vector<float> rf(n + 1), yf(n + 1, 0.5f);
    for (int i = 1; i <= n; ++i)
        rf[i] = static_cast<float>(r[i]);
    o.ConvolveRadialResolutionF(yf.data(), rf.data(), n);
    EXPECT_NEAR(yf[10], 0.5f, 1e-6);
}

} // namespace

// A boundary too sharp at the fit limit for the fixed grid (a meniscus 0.001 cm below the limit)
// takes the moving hat for that trial alone: it holds nothing, and a trial whose meniscus lies
// clear of the limit takes and holds the fixed grid, which the next sharp trial leaves as it is.
// Once the first sharp trial held the hat for the whole fit.
TEST(LammHeldGrid, SharpnessAtTheFitLimitHoldsNothing) {
    ResetAllState();
    struct Trial {
        double meniscus;
        bool hat, held;
    } trials[] = {{6.049, true, false}, {6.0, false, true}, {6.049, true, true}};
    HeldDiscretisation::Scope scope;
    for (const Trial& t : trials) {
        LammCase lc = Small();
        lc.s = 10.0, lc.D = 5e-7, lc.meniscus = t.meniscus, lc.automatic = true;
        lc.outputPoints = 201;
        LammRun run(lc);
        HeldDiscretisation::BeginEvaluation();
        run.solver.heldList = HeldDiscretisation::NextList();
        ASSERT_EQ(run.Run(), LammResult::Solved) << t.meniscus;
        HeldLammGrid held;
        EXPECT_EQ(run.solver.movingHatAlgorithm, t.hat) << t.meniscus;
        EXPECT_EQ(HeldDiscretisation::Find(run.solver.heldList, 1, held), t.held) << t.meniscus;
        EXPECT_FALSE(held.movingHat) << t.meniscus;
        EXPECT_FALSE(HeldDiscretisation::EvaluationOutgrown()) << t.meniscus;
    }
}
