// CLammIdeal::Run: validation codes and texts, the automatic choices, the non-diffusing cases,
// and the faults it mends: unusable options, early ends, zero accelerations, key presses.
#include "foundations/error_box_log.h"
#include "foundations/vector_unit.h"
#include "foundations/whole_number.h"
#include "state/model_choice.h"
#include "state/run_switches.h"
#include "support/lamm_harness.h"
#include "support/reset_all_state.h"
#include "support/vector_unit_compare.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include <xmmintrin.h>

namespace {

std::vector<std::string> Texts() {
    std::vector<std::string> out;
    for (const ErrorBoxEntry& e : TakeErrorBoxes())
        out.push_back(e.text);
    return out;
}

bool AllFinite(const LammRun& run) {
    for (int scan = 1; scan <= run.lc_.scans; ++scan)
        for (int i = 1; i <= run.Points(); ++i)
            if (!std::isfinite(run.Profile(scan)[i]))
                return false;
    return true;
}

class LammRunTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetAllState();
        TakeErrorBoxes();
    }
};

struct Refusal {
    const char* name;
    std::function<void(LammRun&)> spoil; // applied after loading
    int code;
    std::vector<std::string> texts;
};

TEST_F(LammRunTest, RefusesInvalidGroupsWithTheirMessages) {
    const Refusal cases[] = {
        {"SpecialGeometry",
         [](LammRun&) { ModelChoice::linearLamm = true; },
         4,
         {"can't do special geometries in CLammIdeal"}},
        {"OuterLimitOutside",
         [](LammRun& r) { r.solver.LoadSedParameters(4.5, 6e-7, 6.0, 7.2, 1.0, 6.1f, 7.3f); },
         4,
         {"meniscus or bottom parameters in conflict with fitting limits in CLammIdeal"}},
        {"InnerLimitOutside",
         [](LammRun& r) { r.solver.LoadSedParameters(4.5, 6e-7, 6.0, 7.2, 1.0, 5.9f, 7.1f); },
         4,
         {"invalid geometry or s, D parameters loaded in CLammIdeal"}},
        {"NegativeLoadingAndD",
         [](LammRun& r) { r.solver.LoadSedParameters(4.5, -1e-7, 6.0, 7.2, -1.0, 6.1f, 7.1f); },
         4,
         {"invalid geometry or s, D parameters loaded in CLammIdeal",
          "diffcoeff < 0 loaded in CLammIdeal"}},
        {"MeniscusZero",
         [](LammRun& r) { r.solver.LoadSedParameters(4.5, 6e-7, 0.0, 7.2, 1.0, 6.1f, 7.1f); },
         4,
         {"invalid geometry or s, D parameters loaded in CLammIdeal",
          "meniscus or bottom <= 0 loaded in CLammIdeal"}},
        // a column of zero height would give a grid spacing of zero
        {"BottomAtMeniscus",
         [](LammRun& r) { r.solver.LoadSedParameters(4.5, 6e-7, 6.5, 6.5, 1.0, 6.5f, 6.5f); },
         4,
         {"invalid geometry or s, D parameters loaded in CLammIdeal"}},
        {"NoScans",
         [](LammRun& r) {
             r.solver.LoadOutputParameters(nullptr, false, r.headers_.data(), r.rowPointers_.data(),
                                           r.radii_.data(), r.Points(), nullptr, nullptr, false,
                                           nullptr, 0, 1, true, true, false, 2.43f, false, 0.008f,
                                           false);
         },
         4,
         {"invalid output parameters loaded in CLammIdeal"}},
        {"ModelNotSet",
         [](LammRun& r) { r.solver.modelSet = false; },
         4,
         {"model not set properly in CLammIdeal"}},
        {"NoFrictionalRatio",
         [](LammRun& r) { r.solver.discretizationLoaded = false; },
         4,
         {"Lamm discretization parameters not loaded in CLammIdeal"}},
        {"SelfAssociationMissing",
         [](LammRun& r) { r.solver.selfAssociationLoaded = false; },
         4,
         {"self-association parameters not loaded properly in CLammIdeal"}},
        {"NonIdealityMissing",
         [](LammRun& r) { r.solver.nonIdealityLoaded = false; },
         6,
         {"non-ideality parameters not loaded properly in CLammIdeal"}},
    };
    for (const Refusal& c : cases) {
        ResetAllState();
        LammRun run(LammCase{});
        run.Load();
        c.spoil(run);
        EXPECT_EQ(static_cast<int>(run.solver.Run()), c.code) << c.name;
        EXPECT_EQ(Texts(), c.texts) << c.name;
        EXPECT_EQ(run.Profile(1)[1], -1.0f) << c.name << ": rows untouched";
    }
}

// Acceleration recorded in the first scan: strictly between 0.0001 and 50 rpm/s is refused.
TEST_F(LammRunTest, TooSlowAccelerationStopsTheRun) {
    const struct {
        double rate;
        int code;
    } cases[] = {{10.0, 5}, {49.9, 5}, {50.0, 0}, {0.0, 0}, {200.0, 0}};
    for (const auto& c : cases) {
        ResetAllState();
        LammCase lc;
        lc.rampRpmPerS = 200.0;
        lc.gridSize = 300;
        LammRun run(lc);
        run.headers_[1].accelerationRate = c.rate;
        EXPECT_EQ(static_cast<int>(run.Run()), c.code) << c.rate;
        EXPECT_EQ(gUserInterrupt.load(), c.code == 5) << c.rate;
        EXPECT_EQ(Texts(), c.code == 5 ? std::vector<std::string>{"too slow rotor acceleration"}
                                       : std::vector<std::string>{})
            << c.rate;
        EXPECT_TRUE(AllFinite(run)) << c.rate;
    }
}

// "max dc/c" of 0 would never advance time; it is refused like a missing discretization.
TEST_F(LammRunTest, RefusesStepControlThatNeverAdvances) {
    for (double value : {0.0, -1.0, 1e-5, std::nan("")}) {
        LammCase lc;
        lc.maxDcOverC = value;
        LammRun run(lc);
        EXPECT_EQ(run.Run(), LammResult::Refused) << value;
        EXPECT_EQ(
            Texts(),
            std::vector<std::string>{"Lamm discretization parameters not loaded in CLammIdeal"})
            << value;
    }
}

// Grid sizes of 0 or absurd size from a settings file are held to a usable range.
TEST_F(LammRunTest, UnusableGridSizesAreHeldInRange) {
    for (int n : {0, 1, 2147483647}) {
        LammCase lc;
        lc.gridSize = n;
        lc.scans = 3;
        LammRun run(lc);
        run.Load();
        EXPECT_EQ(run.solver.defaultGridSize, n > 100000 ? 100000 : 10) << n;
        if (n > 100000)
            continue; // solving 100,000 nodes is slow and proves nothing more
        EXPECT_EQ(run.solver.Run(), LammResult::Solved) << n;
        EXPECT_EQ(run.solver.N, 10) << n;
        EXPECT_TRUE(AllFinite(run)) << n;
    }
}

// A header ramp with a recorded acceleration of 0 (none inferred) but a duration: the ramp
// rate follows from the duration instead of a rotor that never turns.
TEST_F(LammRunTest, ZeroRecordedAccelerationStillRamps) {
    LammCase lc;
    lc.rampRpmPerS = 200.0;
    lc.gridSize = 400;
    LammRun reference(lc);
    ASSERT_EQ(reference.Run(), LammResult::Solved);
    LammRun run(lc);
    run.headers_[1].accelerationRate = 0.0;
    ASSERT_EQ(run.Run(), LammResult::Solved);
    EXPECT_TRUE(AllFinite(run));
    EXPECT_LT(MaxDifference(run, reference, lc.scans, 6.0, 7.1), 1e-6);
}

TEST_F(LammRunTest, BothAlgorithmsLoadedMeansFixedGrid) {
    LammRun run(LammCase{});
    run.Load();
    run.solver.LoadDiscretization(100, 2000, 5.0f, false, 1e-4, false, false, false, 1.0f, false,
                                  false, 0, 1e-6, 1.0, true, false, false, 1.0, 0.05, 0.2, 1.0, 500,
                                  500, true, true, 1e-4f, 1e-6, false, 1.0, 2.0, 5.0, 60.0);
    EXPECT_EQ(run.solver.Run(), LammResult::Solved);
    EXPECT_TRUE(run.solver.claverieAlgorithm);
    EXPECT_FALSE(run.solver.movingHatAlgorithm);
}

// Automatic choice: a species above 60 S x (30000/rpm)^2 takes the moving hat with automatic
// s_grid; a slow one keeps the fixed grid, on a grid sized from its boundary width.
TEST_F(LammRunTest, AutomaticAlgorithmAndGridSize) {
    const struct {
        double s, D;
        bool movingHat;
    } cases[] = {{30.0, 2e-7, true}, {4.5, 6e-7, false}, {4.5, 1e-9, true}};
    for (const auto& c : cases) {
        LammCase lc;
        lc.s = c.s, lc.D = c.D;
        lc.automatic = true;
        lc.scans = 4;
        LammRun run(lc);
        run.solver.automaticSGrid = false;
        EXPECT_EQ(run.Run(), LammResult::Solved) << c.s;
        EXPECT_EQ(run.solver.movingHatAlgorithm, c.movingHat) << c.s;
        EXPECT_EQ(run.solver.claverieAlgorithm, !c.movingHat) << c.s;
        if (c.movingHat) {
            EXPECT_TRUE(run.solver.automaticSGrid);
        }
        EXPECT_GE(run.solver.N, 100) << c.s;
        EXPECT_LE(run.solver.N, 2000) << c.s;
        EXPECT_TRUE(AllFinite(run)) << c.s;
    }
}

// A retry regrids to the grid the user set, not to the estimate that only the automatic size
// forms: that estimate was 0, and a failed solution came back from the 100-node floor as success.
TEST_F(LammRunTest, RetriesKeepTheGridTheUserSet) {
    for (bool automatic : {false, true}) {
        LammCase lc;
        lc.s = 100.0, lc.D = 2e-7, lc.rpm = 60000;
        lc.automatic = true;
        LammRun run(lc);
        run.Load();
        CLammIdeal& o = run.solver;
        o.autoDynamicGridSize = automatic;
        o.defaultGridSize = 8000;
        o.SetUpRotorSpeed();
        o.ChooseAlgorithm();
        o.SizeGrid();
        const int expected = automatic ? o.N : 8000;
        EXPECT_EQ(o.RetryGridSize(o.gridEstimateUniform), automatic ? 2000 : 8000) << automatic;
        EXPECT_EQ(o.RetryGridSize(o.gridEstimateOptimized), expected) << automatic;
    }
}

// A grid in two parts (an opened bottom on the fixed grid) comes from the uniform grid's size:
// the same nodes, opened bottom and zeroed arrays as making the uniform grid first and then the
// two parts from it, and so does the size alone (sizing only); without the opened bottom the
// uniform grid stays.
TEST_F(LammRunTest, GridInTwoPartsAsFromTheUniformGrid) {
    const struct {
        const char* name;
        bool shutOff, sizingOnly, twoPart;
    } cases[] = {{"two parts", true, false, true},
                 {"sizing only", true, true, true},
                 {"uniform", false, false, false}};
    for (const auto& c : cases) {
        LammCase lc;
        lc.automatic = true;
        lc.upperFit = 6.9f; // the pile-up at the bottom stays far from the data
        LammRun sized(lc), reference(lc);
        for (LammRun* run : {&sized, &reference}) {
            run->Load();
            run->solver.shutOffBackDiffusionOption = c.shutOff;
            run->solver.sizingOnly = c.sizingOnly;
            run->solver.SetUpRotorSpeed();
            run->solver.ChooseAlgorithm();
        }
        CLammIdeal& o = sized.solver;
        o.SizeGrid();
        CLammIdeal& r = reference.solver;
        r.Regrid(FloorToInt(o.gridEstimateUniform, r.lowerGridLimit, r.upperGridLimit));
        r.backDiffusionShutOff = r.BackDiffusionTest(r.s, r.D);
        if (r.backDiffusionShutOff)
            r.RegridTwoPart(std::max<double>(r.lowerFitLimit, r.meniscus + 0.001));
        ASSERT_TRUE(o.claverieAlgorithm) << c.name;
        EXPECT_EQ(o.twoPartRadii.size() == static_cast<size_t>(o.N) + 1, c.twoPart) << c.name;
        EXPECT_EQ(o.backDiffusionShutOff, c.twoPart) << c.name;
        EXPECT_EQ(o.N, r.N) << c.name;
        EXPECT_EQ(o.setupSucceeded, 1) << c.name;
        EXPECT_EQ(o.setupSucceeded, r.setupSucceeded) << c.name;
        EXPECT_EQ(o.twoPartRadii, r.twoPartRadii) << c.name;
        EXPECT_EQ(o.work.size(), r.work.size()) << c.name;
        // the vectors from the first 64-byte line of each block on, wherever the block lies
        auto vectors = [](const CLammIdeal& s) {
            return s.work.empty() ? std::vector<double>()
                                  : std::vector<double>(s.c, s.c + s.work.size() - 8);
        };
        EXPECT_TRUE(vectors(o) == vectors(r)) << c.name;
        for (const double* v : {o.c, o.cOld, o.Bb, o.bet, o.betPairs, o.scanForward})
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(v) % 64, 0u) << c.name;
        EXPECT_EQ(o.work.empty(), c.sizingOnly) << c.name;
    }
}

TEST_F(LammRunTest, StaticSpeciesKeepsItsLoading) {
    LammCase lc;
    lc.s = 0.0, lc.D = 0.0, lc.c0 = 0.7;
    LammRun run(lc);
    EXPECT_EQ(run.Run(), LammResult::Solved);
    for (int scan = 1; scan <= lc.scans; ++scan)
        for (int i = 1; i <= run.Points(); i += 100)
            EXPECT_NEAR(run.Profile(scan)[i], 0.7, 1e-7) << scan << " " << i;
}

// D = 0 with a concentration dependence has no solution: refused before solving, and the rows
// are cleared instead of keeping another species' profiles while the run reports success.
TEST_F(LammRunTest, NonDiffusingConcentrationDependenceIsRefused) {
    LammCase lc;
    lc.D = 0.0;
    LammRun run(lc);
    run.Load();
    run.solver.concDependentSA = true;
    EXPECT_EQ(run.solver.Run(), LammResult::Refused);
    EXPECT_EQ(Texts(),
              std::vector<std::string>{"D = 0 or s = 0 models are not implemented yet "
                                       "for concentration dependent sedimentation models"});
    for (int scan = 1; scan <= lc.scans; ++scan)
        EXPECT_EQ(run.Profile(scan)[10], 0.0f) << scan;
}

// When the boundary has left the data the remaining scans are zero; the loop ends early.
TEST_F(LammRunTest, ClearedBoundaryZeroesLaterScans) {
    LammCase lc;
    lc.s = 20.0, lc.D = 3e-7;
    lc.scans = 6;
    lc.firstScanS = 1800.0, lc.intervalS = 1800.0;
    lc.truncate = true;
    LammRun run(lc);
    EXPECT_EQ(run.Run(), LammResult::Solved);
    EXPECT_TRUE(run.solver.endReachedFlag);
    EXPECT_FALSE(run.solver.equilibriumStop);
    for (int i = 1; i <= run.Points(); i += 50)
        EXPECT_EQ(run.Profile(lc.scans)[i], 0.0f) << i;
}

// Below the truncated region's lower edge a step reads only the profile it saved at its own start
// and the rows the loop keeps as zeros: the saved profile poisoned between the two after every
// step leaves every scan the same, bit for bit.
TEST_F(LammRunTest, TruncatedStepReadsOnlyTheProfileItSaved) {
    static CLammIdeal* solver;
    static int highestEdge;
    LammCase lc;
    lc.s = 20.0, lc.D = 3e-7;
    lc.truncate = true;
    LammRun plain(lc), poisoned(lc);
    ASSERT_EQ(plain.Run(), LammResult::Solved);
    poisoned.Load();
    solver = &poisoned.solver;
    highestEdge = 0;
    poisoned.solver.keyPoll = [] {
        const int L = solver->lowerIndex;
        highestEdge = std::max(highestEdge, L);
        if (L >= 4 && solver->oldZeroRowsBelow < L - 1)
            std::fill(solver->cOld + solver->oldZeroRowsBelow, solver->cOld + L - 1, std::nan(""));
        return false;
    };
    ASSERT_EQ(poisoned.solver.Run(), LammResult::Solved);
    EXPECT_GT(highestEdge, 100);
    for (int scan = 1; scan <= lc.scans; ++scan)
        for (int i = 1; i <= plain.Points(); ++i)
            ASSERT_EQ(poisoned.Profile(scan)[i], plain.Profile(scan)[i]) << scan << " " << i;
}

// A plain fixed-grid run keeps the subnormal mode of its solves from step to step (the key poll
// between them sees it); one that checks the amount sets it per solve. Either leaves the
// caller's mode when it returns, and writes the same scans.
TEST_F(LammRunTest, StepsKeepTheSubnormalModeOnlyInAPlainRun) {
    static int pollsInMode, polls;
    constexpr unsigned kModeBits = 0x8040u;
    const unsigned before = _mm_getcsr() & kModeBits;
    std::vector<std::vector<float>> scans[2];
    for (const int massCheck : {0, 1}) {
        LammCase lc;
        lc.s = 20.0, lc.D = 3e-7;
        lc.truncate = true;
        lc.massCheck = massCheck;
        LammRun run(lc);
        run.Load();
        pollsInMode = polls = 0;
        run.solver.keyPoll = [] {
            ++polls;
            pollsInMode += (_mm_getcsr() & kModeBits) == kModeBits;
            return false;
        };
        ASSERT_EQ(run.solver.Run(), LammResult::Solved) << massCheck;
        EXPECT_EQ(_mm_getcsr() & kModeBits, before) << massCheck;
        EXPECT_GT(polls, 50) << massCheck;
        EXPECT_EQ(pollsInMode, massCheck ? 0 : polls) << massCheck;
        for (int scan = 1; scan <= lc.scans; ++scan)
            scans[massCheck].emplace_back(run.Profile(scan) + 1,
                                          run.Profile(scan) + 1 + run.Points());
    }
    EXPECT_EQ(scans[0], scans[1]);
}

// A key press ends the run after the step in progress, in either loop; the scans not reached
// keep their rows and the program-wide stop flag is set for the list drivers.
TEST_F(LammRunTest, KeyPressStopsWithinOneStep) {
    static int polls;
    for (bool movingHat : {false, true}) {
        polls = 0;
        gUserInterrupt.store(false);
        LammCase lc;
        lc.movingHat = movingHat;
        lc.gridSize = 200;
        lc.fixTimestep = true;
        lc.maxDcOverC = movingHat ? 0.25 : 10.0;
        LammRun run(lc);
        run.Load();
        run.solver.keyPoll = [] { return ++polls == 25; };
        EXPECT_EQ(run.solver.Run(), LammResult::Solved) << movingHat;
        EXPECT_EQ(polls, 25) << movingHat;
        EXPECT_EQ(run.solver.stepsTaken, 25) << movingHat;
        EXPECT_TRUE(run.solver.stopRequested) << movingHat;
        EXPECT_TRUE(gUserInterrupt.load()) << movingHat;
        EXPECT_EQ(run.Profile(lc.scans)[1], -1.0f) << movingHat;
    }
}

// Moving-grid input at the edges of what the loaders let through: the smallest grid and a
// step control so fine that time barely advances still end with finite profiles.
TEST_F(LammRunTest, MovingGridAtItsSmallestGridAndStep) {
    struct Edge {
        const char* name;
        int gridSize;
        double maxDcOverC;
    };
    for (const Edge& e : {Edge{"TenNodes", 0, 1.0}, Edge{"TinyStep", 200, 1e-3}}) {
        LammCase lc;
        lc.movingHat = true;
        lc.gridSize = e.gridSize;
        lc.maxDcOverC = e.maxDcOverC;
        lc.scans = 2;
        lc.firstScanS = lc.intervalS = 60.0;
        LammRun run(lc);
        EXPECT_EQ(run.Run(), LammResult::Solved) << e.name;
        EXPECT_TRUE(AllFinite(run)) << e.name;
        EXPECT_LT(std::fabs(run.solver.totalAmount / run.solver.initialAmount - 1.0), 1e-10)
            << e.name;
    }
}

// The fixed-grid loop reaches every scan time exactly and takes a step in every iteration. The
// step sized to end on a scan used to be checked again and cut to zero, so after every scan the
// loop idled once and restarted its step control from 1 s.
TEST_F(LammRunTest, StepsLandOnScanTimesAndCarryOn) {
    static const CLammIdeal* solver;
    static std::vector<double> times;
    times.clear();
    LammCase lc;
    lc.automatic = true;
    lc.scans = 24;
    LammRun run(lc);
    run.Load();
    solver = &run.solver;
    run.solver.keyPoll = [] {
        times.push_back(solver->t);
        return false;
    };
    ASSERT_EQ(run.solver.Run(), LammResult::Solved);
    for (size_t k = 1; k < times.size(); ++k)
        ASSERT_GT(times[k], times[k - 1]) << "iteration " << k << " took no step";
    for (int scan = 1; scan <= lc.scans; ++scan)
        EXPECT_NE(std::find(times.begin(), times.end(), run.ScanTime(scan)), times.end())
            << "scan " << scan << " at " << run.ScanTime(scan) << " s";
}

// A worker's equation stops at the next step once the program-wide stop flag is set.
TEST_F(LammRunTest, WorkerStopsOnTheStopFlag) {
    LammRun run(LammCase{});
    run.Load();
    run.solver.workerMode = true;
    gUserInterrupt.store(true);
    EXPECT_EQ(run.solver.Run(), LammResult::Solved);
    EXPECT_LE(run.solver.stepsTaken, 1);
}

} // namespace

// A moving-hat run, its general steps' rows formed in the processor's widest vectors and with
// each narrower unit (a ramp keeps every step general): the same final profile bit for bit where
// both units fuse multiply-adds, within rounding where the plain unit does not.
TEST(MovingHatRun, ProfilesAreBitIdenticalUnderEveryVectorUnit) {
    LammCase lc;
    lc.movingHat = true;
    lc.gridSize = 300;
    lc.rampRpmPerS = 200.0;
    lc.scans = 4;
    lc.outputPoints = 401;
    auto solve = [&] {
        ResetAllState();
        LammRun run(lc);
        EXPECT_EQ(run.Run(), LammResult::Solved);
        return std::vector<double>(run.solver.c + 1, run.solver.c + run.solver.N + 1);
    };
    const std::vector<double> widest = solve();
    for (VectorUnit unit : {VectorUnit::Plain, VectorUnit::Avx2}) {
        if (unit >= UsableVectorUnit())
            continue;
        CVectorUnitCap cap(unit);
        const std::vector<double> narrower = solve();
        ASSERT_EQ(narrower.size(), widest.size());
        ExpectSameBitsOrWithinRounding(narrower, widest, unit);
    }
}
