// The fixed grid's steps: on a grid graded toward a bottom pile-up the largest follows the
// elements the boundary has reached, not the finest element of the bottom layer, and keeps the
// accuracy; the factorisation kept across a step cut at a scan time is that of a new one.
#include "support/lamm_harness.h"
#include "support/reset_all_state.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <utility>
#include <vector>

namespace {

class LammStepLimit : public ::testing::Test {
  protected:
    void SetUp() override { ResetAllState(); }
};

// Largest root mean square deviation of a scan over the fit range from the reference.
double WorstScanRmsd(const LammRun& run, const LammRun& reference) {
    const LammCase& lc = run.lc_;
    double worst = 0.0;
    for (int scan = 1; scan <= lc.scans; ++scan) {
        double sum = 0.0;
        int n = 0;
        for (int i = 1; i <= run.Points(); ++i) {
            const double r = run.Radii()[i];
            if (r < lc.lowerFit || r > lc.upperFit)
                continue;
            const double d = run.Profile(scan)[i] - reference.ValueAt(scan, r);
            sum += d * d;
            ++n;
        }
        worst = std::max(worst, std::sqrt(sum / n));
    }
    return worst;
}

// Slow species whose pile-up reaches the fitted data, at speed from the start and on a ramp:
// the boundary never reaches the bottom layer sharp, so the layer's Courant limit (which held
// these runs to 2305 and 735 steps) must not bound the steps. The rmsd bounds are 1.1 times
// what the runs reached with the layer's steps (7.19e-5 and 9.85e-5 of c0).
TEST_F(LammStepLimit, BottomLayerDoesNotBoundTheSteps) {
    const struct Case {
        const char* name;
        double s, D, rampRpmPerS;
        int scans;
        double intervalS;
        double rmsd;
    } cases[] = {
        {"3.5 S at speed", 3.5, 6.3e-7, 0.0, 50, 300.0, 7.9e-5},
        {"2.4 S on a ramp", 2.4, 9.5e-7, 200.0, 40, 360.0, 1.08e-4},
    };
    for (const Case& c : cases) {
        LammCase lc;
        lc.s = c.s, lc.D = c.D, lc.rampRpmPerS = c.rampRpmPerS;
        lc.scans = c.scans;
        lc.firstScanS = lc.intervalS = c.intervalS;
        lc.outputPoints = 1000;
        LammCase ref = lc;
        ref.movingHat = true;
        ref.gridSize = 4000;
        ref.maxDcOverC = 0.25;
        LammRun reference(ref);
        ASSERT_EQ(reference.Run(), LammResult::Solved) << c.name;
        lc.automatic = true;
        LammRun run(lc);
        ASSERT_EQ(run.Run(), LammResult::Solved) << c.name;
        const CLammIdeal& o = run.solver;
        const double finest = o.r[o.N] - o.r[o.N - 1];
        ASSERT_LT(finest, 0.25 * (o.r[2] - o.r[1])) << c.name << ": graded toward the bottom";
        const double layerSteps = run.ScanTime(lc.scans) / o.CourantStepLimit();
        EXPECT_LT(o.stepsTaken, 0.5 * layerSteps)
            << c.name << ": " << o.stepsTaken << " steps, the layer's limit needs " << layerSteps;
        EXPECT_NEAR(o.totalAmount / o.initialAmount, 1.0, 1e-6) << c.name << ": amount";
        const double rmsd = WorstScanRmsd(run, reference);
        EXPECT_LT(rmsd, c.rmsd) << c.name << ": largest rmsd of a scan, bound " << c.rmsd;
    }
}

// The loop calls the key poll once a step: here it voids the kept factorisations, so every change
// of the step factorises anew.
CLammIdeal* gVoided = nullptr;
bool VoidKeptFactorisation() {
    gVoided->ForgetKeptFactorisations();
    return false;
}

// Scan times that cut the steps, at speed, on a ramp (the matrices change every step) and with
// an active region that grows: the profiles equal those of a run that always factorises anew,
// bit for bit.
TEST_F(LammStepLimit, KeptFactorisationGivesTheProfilesOfANewOne) {
    const struct Case {
        const char* name;
        double s, rampRpmPerS;
        bool automatic, truncate;
    } cases[] = {
        {"graded grid at speed", 3.5, 0.0, true, false},
        {"ramp", 4.5, 200.0, false, false},
        {"growing active region", 4.5, 0.0, false, true},
    };
    for (const Case& c : cases) {
        LammCase lc;
        lc.s = c.s, lc.rampRpmPerS = c.rampRpmPerS;
        lc.automatic = c.automatic, lc.truncate = c.truncate;
        lc.gridSize = 300;
        lc.scans = 20;
        lc.firstScanS = lc.intervalS = 250.0;
        lc.outputPoints = 400;
        LammRun kept(lc);
        ASSERT_EQ(kept.Run(), LammResult::Solved) << c.name;
        LammRun voided(lc);
        voided.Load();
        gVoided = &voided.solver;
        voided.solver.keyPoll = VoidKeptFactorisation;
        ASSERT_EQ(voided.solver.Run(), LammResult::Solved) << c.name;
        EXPECT_EQ(kept.solver.stepsTaken, voided.solver.stepsTaken) << c.name;
        int differing = 0;
        for (int scan = 1; scan <= lc.scans; ++scan)
            for (int i = 1; i <= kept.Points(); ++i)
                differing += kept.Profile(scan)[i] != voided.Profile(scan)[i];
        EXPECT_EQ(differing, 0) << c.name << ": points that differ";
        if (c.rampRpmPerS == 0.0) {
            // at speed the steps that land on the scan times repeat and are factorised once
            EXPECT_GE(voided.solver.factorisations, lc.scans) << c.name;
            EXPECT_LT(3 * kept.solver.factorisations, voided.solver.factorisations) << c.name;
        }
    }
}

// The step limit and the active region's edges keep what they found for one run only: an object
// that solved another species or loading before takes the steps and profiles of a new
// one, bit for bit.
TEST_F(LammStepLimit, ObjectSolvedBeforeStepsAsANewOne) {
    LammCase first;
    first.automatic = first.truncate = true;
    first.scans = 15;
    first.outputPoints = 400;
    const struct Case {
        const char* name;
        void (*change)(LammCase&);
    } cases[] = {
        {"larger species", [](LammCase& lc) { lc.s = 9.0, lc.D = 4e-7; }},
        {"lower loading", [](LammCase& lc) { lc.c0 = 0.3; }},
    };
    for (const Case& c : cases) {
        LammCase second = first;
        c.change(second);
        LammRun used(first);
        ASSERT_EQ(used.Run(), LammResult::Solved) << c.name;
        used.lc_ = second;
        ASSERT_EQ(used.Run(), LammResult::Solved) << c.name;
        LammRun fresh(second);
        ASSERT_EQ(fresh.Run(), LammResult::Solved) << c.name;
        EXPECT_EQ(used.solver.stepsTaken, fresh.solver.stepsTaken) << c.name;
        int differing = 0;
        for (int scan = 1; scan <= second.scans; ++scan)
            for (int i = 1; i <= fresh.Points(); ++i)
                differing += used.Profile(scan)[i] != fresh.Profile(scan)[i];
        EXPECT_EQ(differing, 0) << c.name << ": points that differ";
    }
}

// The step limit looks at the boundary's front only once it may have reached the next element:
// at every time of a sweep through the run, on a graded and a uniform grid, for a sharp and a
// diffuse boundary, it finds the elements and the limit of a look at every time, while with
// steps shorter than the front takes to cross an element many times skip the look. The sweeps
// take a grid's limit of 0, which no element's reaches; with the grid's own limit the front is
// no longer followed once the smallest element reached holds the limit at the grid's (at once in
// these runs), and the limit at every time is the larger of the grid's and the one found.
TEST_F(LammStepLimit, FrontLookedAtOnlyNearTheNextElement) {
    const struct Case {
        const char* name;
        double s, D;
        bool automatic;
        double stepS, skippedShare;
    } cases[] = {
        {"sharp, graded grid", 9.0, 4e-7, true, 7.0, 0.3},
        {"diffuse, uniform grid", 2.0, 2e-6, false, 3.0, 0.3},
        {"sharp, long steps", 9.0, 4e-7, false, 60.0, 0.0},
    };
    for (const Case& c : cases) {
        LammCase lc;
        lc.s = c.s, lc.D = c.D, lc.automatic = c.automatic;
        lc.scans = 10;
        lc.outputPoints = 400;
        LammRun run(lc);
        ASSERT_EQ(run.Run(), LammResult::Solved) << c.name;
        CLammIdeal& o = run.solver;
        ASSERT_TRUE(o.followBoundary) << c.name;
        const double gridLimit = o.smallestElementLimit;
        // the limit and the next element at each time, without and with a look every time, and
        // with the grid's own limit
        std::vector<std::pair<double, int>> seen[3];
        int skipped = 0;
        for (const int sweep : {0, 1, 2}) {
            const bool everyTime = sweep == 1;
            o.smallestElementLimit = sweep == 2 ? gridLimit : 0.0;
            o.reachedElement = 1;
            o.reachedSmallest = o.bottom - o.meniscus;
            o.limitForSmallest = std::numeric_limits<double>::quiet_NaN();
            o.frontShortUntil = -std::numeric_limits<double>::infinity();
            o.gridLimitBelow = -std::numeric_limits<double>::infinity();
            for (double time = 0.0; time <= run.ScanTime(lc.scans); time += c.stepS) {
                if (everyTime)
                    o.frontShortUntil = -std::numeric_limits<double>::infinity();
                skipped += sweep == 0 && o.reachedElement < o.N && time < o.frontShortUntil;
                const double limit = o.StepLimitAt(time);
                seen[sweep].emplace_back(limit, o.reachedElement);
            }
        }
        EXPECT_TRUE(seen[0] == seen[1]) << c.name << ": the limits or elements differ";
        const auto& looking = seen[1];
        EXPECT_GT(looking.back().second, o.N / 3) << c.name << ": the front crossed the grid";
        EXPECT_GE(skipped, c.skippedShare * looking.size()) << c.name << ": times skipped";
        ASSERT_EQ(seen[2].size(), looking.size()) << c.name;
        for (std::size_t k = 0; k < looking.size(); ++k)
            ASSERT_EQ(seen[2][k].first, std::max(gridLimit, looking[k].first))
                << c.name << " " << k;
        EXPECT_LT(seen[2].back().second, o.N / 3) << c.name << ": the front followed no further";
    }
}

} // namespace

// The strictest max dc/c over a long column holds the steps near 0.04 s for eleven hours of
// sedimentation: close to a million steps, yet at a pace that reaches its last scan, so the
// bound on the work a solution may take leaves it to finish.
TEST_F(LammStepLimit, StrictChangeLimitOnALongRunStillFinishes) {
    LammCase lc;
    lc.gridSize = 100;
    lc.massCheck = 0;
    lc.rpm = 60000;
    lc.meniscus = 4.0, lc.lowerFit = 4.05f;
    lc.maxDcOverC = 1e-3;
    lc.intervalS = 30000.0;
    LammRun run(lc);
    EXPECT_EQ(run.Run(), LammResult::Solved);
    EXPECT_EQ(run.solver.discretizationError, 0);
    EXPECT_GT(run.solver.stepsTaken, 900000);
    EXPECT_GT(run.solver.t, 40000.0);
}
