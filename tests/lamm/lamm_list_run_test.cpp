// Lists of Lamm equations in worker threads: the rows do not depend on the thread count, a key
// press or a failed equation stops the list and leaves no unsolved row looking solved.
#include "foundations/error_box_log.h"
#include "lamm/lamm_list_costs.h"
#include "lamm/lamm_list_run.h"
#include "state/run_switches.h"
#include "support/lamm_list_harness.h"
#include "support/reset_all_state.h"

#include <atomic>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

class LammListRun : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetAllState();
        TakeErrorBoxes();
    }
};

int Solved(const std::vector<int>& flags) {
    int count = 0;
    for (size_t j = 1; j < flags.size(); ++j)
        count += flags[j];
    return count;
}

bool AllZero(const LammList& list, int j) {
    for (int k = 1; k <= list.lc_.scans; ++k)
        for (int i = 1; i <= list.Points(); ++i)
            if (list.Row(j, k)[i] != 0.0f)
                return false;
    return true;
}

} // namespace

// The c(s) kernel of 100 equations (1-15 S, f/f0 1.2) over 50 scans, with 1, 2, 4 and 8 threads
// and in turn on the calling thread: every row bit for bit the same, every row written.
TEST_F(LammListRun, RowsAreBitIdenticalForAnyThreadCount) {
    LammList list{LammListCase{}};
    std::vector<int> solved(list.Equations() + 1, 0);
    ASSERT_EQ(CLRunList(&list.templ, list.Equations(), list.S(), list.D(), nullptr, list.Targets(),
                        list.Radii(), list.Points(), nullptr, nullptr, solved.data()),
              LammResult::Solved);
    EXPECT_EQ(Solved(solved), list.Equations());
    const std::vector<float> reference = list.Flat();
    for (float v : reference)
        ASSERT_TRUE(std::isfinite(v) && v != -1.0f);
    for (int threads : {1, 2, 4, 8}) {
        list.Fill(-1.0f);
        std::fill(solved.begin(), solved.end(), 0);
        EXPECT_EQ(CLRunMTListWithThreads(threads, &list.templ, list.Equations(), list.S(), list.D(),
                                         nullptr, list.Targets(), list.Radii(), list.Points(),
                                         nullptr, nullptr, solved.data()),
                  LammResult::Solved)
            << threads << " threads";
        EXPECT_EQ(Solved(solved), list.Equations()) << threads << " threads";
        const std::vector<float> rows = list.Flat();
        ASSERT_EQ(rows.size(), reference.size());
        EXPECT_EQ(std::memcmp(rows.data(), reference.data(), rows.size() * sizeof(float)), 0)
            << threads << " threads differ from the sequential list";
    }
    // The shares claim the equations in the order of the times remembered for the list: any
    // order gives the same rows.
    const int n = list.Equations();
    struct Order {
        const char* name;
        double (*cost)(int j, int n); // remembered seconds of equation j
    } orders[] = {
        {"last first", [](int j, int) { return double(j); }},
        {"first first", [](int j, int n) { return double(n + 1 - j); }},
        {"middle first", [](int j, int n) { return double(n - std::abs(2 * j - n)); }},
        {"scattered", [](int j, int n) { return double((j * 37) % (n + 1)); }},
    };
    for (const Order& order : orders)
        for (int threads : {1, 3, 8}) {
            std::vector<double> costs(n + 1, 0.0);
            for (int j = 1; j <= n; ++j)
                costs[j] = order.cost(j, n);
            RememberListCosts(n, list.S(), costs);
            list.Fill(-1.0f);
            std::fill(solved.begin(), solved.end(), 0);
            EXPECT_EQ(CLRunMTListWithThreads(threads, &list.templ, n, list.S(), list.D(), nullptr,
                                             list.Targets(), list.Radii(), list.Points(), nullptr,
                                             nullptr, solved.data()),
                      LammResult::Solved)
                << order.name << ", " << threads << " threads";
            EXPECT_EQ(Solved(solved), n) << order.name << ", " << threads << " threads";
            EXPECT_TRUE(list.Flat() == reference) << order.name << ", " << threads << " threads";
        }
    EXPECT_TRUE(TakeErrorBoxes().empty());
}

// More threads than equations: the surplus threads do nothing, the rows are the same.
TEST_F(LammListRun, MoreThreadsThanEquations) {
    LammListCase lc;
    lc.equations = 3;
    lc.scans = 6;
    LammList list{lc};
    ASSERT_EQ(CLRunList(&list.templ, 3, list.S(), list.D(), nullptr, list.Targets(), list.Radii(),
                        list.Points(), nullptr, nullptr),
              LammResult::Solved);
    const std::vector<float> reference = list.Flat();
    list.Fill(-1.0f);
    EXPECT_EQ(CLRunMTListWithThreads(16, &list.templ, 3, list.S(), list.D(), nullptr,
                                     list.Targets(), list.Radii(), list.Points(), nullptr, nullptr),
              LammResult::Solved);
    EXPECT_EQ(list.Flat(), reference);
}

// Equations marked kept are not solved again: their rows stay as the caller left them and they
// count as solved; the others, in their places, get the rows of the whole list, for any thread
// count. A list with every equation kept solves nothing. The calls around each equation come on
// its thread, once each, for the equations solved only.
TEST_F(LammListRun, KeptEquationsAreLeftAndTheOthersSolved) {
    LammListCase lc;
    lc.equations = 9;
    lc.scans = 4;
    LammList list{lc};
    ASSERT_EQ(CLRunList(&list.templ, 9, list.S(), list.D(), nullptr, list.Targets(), list.Radii(),
                        list.Points(), nullptr, nullptr),
              LammResult::Solved);
    const auto reference = list.rows_;
    struct Case {
        const char* name;
        std::vector<int> kept; // [1..9]
    } cases[] = {{"last", {0, 1, 1, 1, 1, 1, 1, 1, 1, 0}},
                 {"odd", {0, 1, 0, 1, 0, 1, 0, 1, 0, 1}},
                 {"all", {0, 1, 1, 1, 1, 1, 1, 1, 1, 1}}};
    for (const Case& c : cases)
        for (int threads : {1, 3}) {
            list.Fill(-1.0f);
            std::vector<int> solved(10, 0);
            // each equation solved is begun and then solved once, its rows unwritten before
            // and written after; the kept ones are neither
            std::atomic<int> begun[10] = {}, ended[10] = {}, wrongRows{0};
            LammListCalls calls;
            calls.starting = [&](int j) {
                ++begun[j];
                wrongRows += list.Row(j, 1)[1] != -1.0f;
            };
            calls.solved = [&](int j) {
                ++ended[j];
                wrongRows += list.Row(j, lc.scans)[1] == -1.0f || begun[j] != 1;
            };
            EXPECT_EQ(CLRunMTListWithThreads(threads, &list.templ, 9, list.S(), list.D(), nullptr,
                                             list.Targets(), list.Radii(), list.Points(), nullptr,
                                             nullptr, solved.data(), c.kept.data(), &calls),
                      LammResult::Solved)
                << c.name << ", " << threads << " threads";
            EXPECT_EQ(Solved(solved), 9) << c.name;
            EXPECT_EQ(wrongRows, 0) << c.name << ", " << threads << " threads";
            for (int j = 1; j <= 9; ++j) {
                EXPECT_EQ(begun[j], c.kept[j] ? 0 : 1) << c.name << ", equation " << j;
                EXPECT_EQ(ended[j], c.kept[j] ? 0 : 1) << c.name << ", equation " << j;
            }
            for (int j = 1; j <= 9; ++j)
                for (int k = 1; k <= lc.scans; ++k)
                    for (int i = 1; i <= list.Points(); ++i)
                        ASSERT_EQ(list.Row(j, k)[i], c.kept[j] ? -1.0f : reference[j][k][i])
                            << c.name << ", " << threads << " threads, equation " << j;
        }
}

// Nothing to do: no equations, or no s values, is not an error.
TEST_F(LammListRun, EmptyListSucceeds) {
    LammListCase lc;
    lc.equations = 2;
    lc.scans = 3;
    LammList list{lc};
    EXPECT_EQ(CLRunMTListWithThreads(2, &list.templ, 0, list.S(), list.D(), nullptr, list.Targets(),
                                     list.Radii(), list.Points(), nullptr, nullptr),
              LammResult::Solved);
    EXPECT_EQ(CLRunMTListWithThreads(2, &list.templ, 0, nullptr, nullptr, nullptr, nullptr,
                                     list.Radii(), list.Points(), nullptr, nullptr),
              LammResult::Solved);
    EXPECT_TRUE(TakeErrorBoxes().empty());
}

// A key pressed right after the first start stops the list within the equation each thread
// had begun. Before the fix the list returned success and the unsolved rows kept whatever the
// caller had left in them; now they are cleared and the result says the list is incomplete.
TEST_F(LammListRun, KeyPressStopsListAndReportsUnsolvedRows) {
    LammListCase lc;
    lc.equations = 24;
    lc.scans = 10;
    LammList list{lc};
    ASSERT_EQ(CLRunList(&list.templ, lc.equations, list.S(), list.D(), nullptr, list.Targets(),
                        list.Radii(), list.Points(), nullptr, nullptr),
              LammResult::Solved);
    const auto reference = list.rows_;
    list.Fill(-1.0f);
    list.templ.keyPoll = [] { return true; };
    const int threads = 4;
    std::vector<int> solved(lc.equations + 1, 0);
    EXPECT_EQ(CLRunMTListWithThreads(threads, &list.templ, lc.equations, list.S(), list.D(),
                                     nullptr, list.Targets(), list.Radii(), list.Points(), nullptr,
                                     nullptr, solved.data()),
              LammResult::ListStopped);
    EXPECT_TRUE(gUserInterrupt.load());
    // The key is seen right after the first thread starts, so the later threads find the stop
    // flag set before their first equation; only the first thread's share can have been solved
    // (how much of it depends on scheduling).
    EXPECT_LE(Solved(solved), (lc.equations + threads - 1) / threads);
    for (int j = 1; j <= lc.equations; ++j) {
        if (solved[j]) {
            for (int k = 1; k <= lc.scans; ++k)
                EXPECT_EQ(list.rows_[j][k], reference[j][k]);
        } else {
            EXPECT_TRUE(AllZero(list, j)) << "equation " << j;
        }
    }
}

// The stop flag set before the list: nothing is solved, nothing claimed.
TEST_F(LammListRun, StopFlagBeforeTheListSolvesNothing) {
    LammListCase lc;
    lc.equations = 5;
    lc.scans = 4;
    LammList list{lc};
    gUserInterrupt.store(true);
    std::vector<int> solved(lc.equations + 1, 1);
    EXPECT_EQ(CLRunMTListWithThreads(2, &list.templ, lc.equations, list.S(), list.D(), nullptr,
                                     list.Targets(), list.Radii(), list.Points(), nullptr, nullptr,
                                     solved.data()),
              LammResult::ListStopped);
    EXPECT_EQ(Solved(solved), 0);
    for (int j = 1; j <= lc.equations; ++j)
        EXPECT_TRUE(AllZero(list, j));
    gUserInterrupt.store(false);
    EXPECT_EQ(CLRunList(&list.templ, lc.equations, list.S(), list.D(), nullptr, list.Targets(),
                        list.Radii(), list.Points(), nullptr, nullptr),
              LammResult::Solved);
}

// A failing equation (a negative D) stops the list: its error box and the list's box are shown
// by the window's thread after the join, naming the equation; the result is the run's code.
TEST_F(LammListRun, FailedEquationIsReportedAfterTheJoin) {
    LammListCase lc;
    lc.equations = 6;
    lc.scans = 4;
    LammList list{lc};
    list.D_[4] = -1e-7;
    std::vector<int> solved(lc.equations + 1, 0);
    EXPECT_EQ(CLRunMTListWithThreads(3, &list.templ, lc.equations, list.S(), list.D(), nullptr,
                                     list.Targets(), list.Radii(), list.Points(), nullptr, nullptr,
                                     solved.data()),
              LammResult::Refused);
    EXPECT_EQ(solved[4], 0);
    EXPECT_TRUE(AllZero(list, 4));
    bool named = false;
    for (const ErrorBoxEntry& box : TakeErrorBoxes())
        named = named || box.text == "error #4 in simulation #4";
    EXPECT_TRUE(named);
}

// A vbar per equation changes only what depends on it: the same vbar for all gives the rows of
// the template's vbar.
TEST_F(LammListRun, SingleVbarMatchesTemplateVbar) {
    LammListCase lc;
    lc.equations = 3;
    lc.scans = 4;
    LammList list{lc};
    ASSERT_EQ(CLRunList(&list.templ, 3, list.S(), list.D(), nullptr, list.Targets(), list.Radii(),
                        list.Points(), nullptr, nullptr),
              LammResult::Solved);
    const std::vector<float> reference = list.Flat();
    list.Fill(-1.0f);
    EXPECT_EQ(list.templ.RunMultiThreaded(3, list.S(), list.D(), 0.73f, list.Targets(),
                                          list.Radii(), list.Points(), nullptr, nullptr),
              LammResult::Solved);
    EXPECT_EQ(list.Flat(), reference);
    list.Fill(-1.0f);
    EXPECT_EQ(CLRunListSingleVbar(&list.templ, 3, list.S(), list.D(), 0.73f, list.Targets(),
                                  list.Radii(), list.Points(), nullptr, nullptr),
              LammResult::Solved);
    EXPECT_EQ(list.Flat(), reference);
}

// Short lists, whose first equation the calling thread solves itself (one equation starts no
// thread): the rows are those of the sequential list for any thread count.
TEST_F(LammListRun, ShortListsMatchSequentialForAnyThreadCount) {
    for (int n : {1, 2, 3}) {
        LammListCase lc;
        lc.equations = n;
        lc.scans = 5;
        LammList list{lc};
        ASSERT_EQ(CLRunList(&list.templ, n, list.S(), list.D(), nullptr, list.Targets(),
                            list.Radii(), list.Points(), nullptr, nullptr),
                  LammResult::Solved);
        const std::vector<float> reference = list.Flat();
        for (int threads : {1, 2, 3, 8}) {
            list.Fill(-1.0f);
            std::vector<int> solved(n + 1, 0);
            EXPECT_EQ(CLRunMTListWithThreads(threads, &list.templ, n, list.S(), list.D(), nullptr,
                                             list.Targets(), list.Radii(), list.Points(), nullptr,
                                             nullptr, solved.data()),
                      LammResult::Solved)
                << n << " equations, " << threads << " threads";
            EXPECT_EQ(Solved(solved), n) << n << " equations, " << threads << " threads";
            EXPECT_EQ(list.Flat(), reference) << n << " equations, " << threads << " threads";
        }
    }
}

// A key pressed while the calling thread solves the only equation of a list stops it within
// its time steps: the list reports itself stopped and the row is cleared, not left half written.
TEST_F(LammListRun, KeyStopsTheEquationOnTheCallingThread) {
    LammListCase lc;
    lc.equations = 1;
    lc.scans = 10;
    LammList list{lc};
    static int polls = 0;
    polls = 0;
    // the first poll is the driver's before any equation starts; the later ones come from the
    // equation's steps
    list.templ.keyPoll = [] { return ++polls == 2; };
    std::vector<int> solved(2, 0);
    EXPECT_EQ(CLRunMTListWithThreads(4, &list.templ, 1, list.S(), list.D(), nullptr, list.Targets(),
                                     list.Radii(), list.Points(), nullptr, nullptr, solved.data()),
              LammResult::ListStopped);
    EXPECT_GE(polls, 2);
    EXPECT_EQ(solved[1], 0);
    EXPECT_TRUE(AllZero(list, 1));
    EXPECT_TRUE(TakeErrorBoxes().empty());
}

// Two lists solved at the same time from two threads share the kept threads: every share is
// solved once and for its own list, so both lists' rows are those of the sequential lists, round
// after round.
TEST_F(LammListRun, ListsFromTwoThreadsAtOnceMatchSequential) {
    LammListCase first, second;
    first.equations = second.equations = 12;
    first.scans = second.scans = 6;
    second.sMin = 3.0, second.sMax = 25.0;
    LammList a{first}, b{second};
    for (LammList* list : {&a, &b}) {
        list->templ.keyPoll = [] { return false; };
        ASSERT_EQ(CLRunList(&list->templ, list->Equations(), list->S(), list->D(), nullptr,
                            list->Targets(), list->Radii(), list->Points(), nullptr, nullptr),
                  LammResult::Solved);
    }
    const std::vector<float> referenceA = a.Flat(), referenceB = b.Flat();
    for (int round = 1; round <= 3; ++round) {
        a.Fill(-1.0f);
        b.Fill(-1.0f);
        LammResult codeA = LammResult::Refused, codeB = LammResult::Refused;
        auto solve = [](LammList& list, int threads, LammResult& code) {
            code = CLRunMTListWithThreads(threads, &list.templ, list.Equations(), list.S(),
                                          list.D(), nullptr, list.Targets(), list.Radii(),
                                          list.Points(), nullptr, nullptr);
        };
        std::thread other(solve, std::ref(b), 3, std::ref(codeB));
        solve(a, 4, codeA);
        other.join();
        EXPECT_EQ(codeA, LammResult::Solved) << "round " << round;
        EXPECT_EQ(codeB, LammResult::Solved) << "round " << round;
        EXPECT_EQ(a.Flat(), referenceA) << "round " << round;
        EXPECT_EQ(b.Flat(), referenceB) << "round " << round;
    }
    EXPECT_TRUE(TakeErrorBoxes().empty());
}
