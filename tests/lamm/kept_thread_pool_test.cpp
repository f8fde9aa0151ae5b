// The kept threads shared by the Lamm lists, the normal equations and the Monte-Carlo replicates:
// every share runs once, the helpers of a call stay within its allowance, and calls that nest
// inside a share or come from several threads at once all finish.
#include "lamm/kept_thread_pool.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <new>
#include <thread>
#include <vector>

namespace {

// Counts the runs of each share of one call and the kept threads running it at once.
struct CallRecord {
    explicit CallRecord(int count) : runs(count + 1), onCaller(count + 1) {}
    std::vector<std::atomic<int>> runs, onCaller;
    std::atomic<int> keptNow{0}, keptMost{0};

    void Enter(int k, bool onCallingThread) {
        runs[k].fetch_add(1);
        if (onCallingThread) {
            onCaller[k].fetch_add(1);
            return;
        }
        const int now = keptNow.fetch_add(1) + 1;
        int most = keptMost.load();
        while (now > most && !keptMost.compare_exchange_weak(most, now)) {
        }
    }
    void Leave(bool onCallingThread) {
        if (!onCallingThread)
            keptNow.fetch_sub(1);
    }
    void Expect(int count, int helpers, const char* what) {
        EXPECT_EQ(onCaller[1].load(), 1) << what << ": share 1 is the caller's";
        for (int k = 1; k <= count; ++k)
            ASSERT_EQ(runs[k].load(), 1) << what << ": share " << k << " of " << count;
        EXPECT_LE(keptMost.load(), helpers) << what;
    }
};

void BusyWork(int k) {
    volatile double x = 0.0;
    for (int i = 0; i < 2000 * (k % 5 + 1); ++i)
        x = x + 1e-3 * i;
}

} // namespace

TEST(KeptThreadPool, EveryShareRunsOnceWithinItsHelpers) {
    struct Case {
        int count, helpers;
    };
    for (const Case c : {Case{1, 3}, Case{5, 0}, Case{2, 1}, Case{7, 2}, Case{16, 7}, Case{3, 9}}) {
        CallRecord record(c.count);
        RunOnKeptThreads(c.count, c.helpers, [&](int k, bool onCaller) {
            record.Enter(k, onCaller);
            BusyWork(k);
            record.Leave(onCaller);
        });
        record.Expect(
            c.count, c.helpers,
            ("count " + std::to_string(c.count) + " helpers " + std::to_string(c.helpers)).c_str());
        if (c.helpers == 0) {
            for (int k = 1; k <= c.count; ++k)
                EXPECT_EQ(record.onCaller[k].load(), 1) << "no helpers: share " << k;
        }
    }
}

// A Monte-Carlo replicate on a kept thread may build normal equations on the kept threads too,
// while another thread runs a Lamm list: no caller waits for a share nobody has claimed.
TEST(KeptThreadPool, NestedAndConcurrentCallsFinish) {
    auto outerCalls = [](int first) {
        for (int round = 0; round < 20; ++round) {
            const int count = first + round % 6;
            CallRecord outer(count);
            std::atomic<int> innerRuns{0};
            RunOnKeptThreads(count, 3, [&](int k, bool onCaller) {
                outer.Enter(k, onCaller);
                CallRecord inner(k + 1);
                RunOnKeptThreads(k + 1, 2, [&](int j, bool innerOnCaller) {
                    inner.Enter(j, innerOnCaller);
                    BusyWork(j);
                    inner.Leave(innerOnCaller);
                });
                inner.Expect(k + 1, 2, "inner");
                innerRuns.fetch_add(1);
                outer.Leave(onCaller);
            });
            outer.Expect(count, 3, "outer");
            EXPECT_EQ(innerRuns.load(), count);
        }
    };
    std::thread other([&] { outerCalls(2); });
    outerCalls(1);
    other.join();
}

// The caller's waiting hook runs only while a kept thread is still busy, on the caller's thread.
// A kept thread's share ends only after the hook's third call: nothing rides on the scheduler.
TEST(KeptThreadPool, WaitingHookRunsOnTheCallingThread) {
    const std::thread::id caller = std::this_thread::get_id();
    std::atomic<bool> release{false};
    std::atomic<bool> keptThreadRanShare2{false};
    std::atomic<int> hookCalls{0};
    bool hookElsewhere = false;
    RunOnKeptThreads(
        2, 1,
        [&](int k, bool onCaller) {
            if (k == 2 && !onCaller) {
                keptThreadRanShare2 = true;
                while (!release.load())
                    std::this_thread::yield();
            }
        },
        [&] {
            hookElsewhere = hookElsewhere || std::this_thread::get_id() != caller;
            if (hookCalls.fetch_add(1) + 1 >= 3)
                release = true;
        });
    EXPECT_FALSE(hookElsewhere);
    // Share 2 may have been taken by the caller itself, which then never waits.
    if (keptThreadRanShare2)
        EXPECT_GE(hookCalls.load(), 3);
    else
        EXPECT_EQ(hookCalls.load(), 0);
}

// Out of memory in the caller's part of a call (share 1, a later share it claimed, its waiting
// hook) left the call while kept threads still ran shares on it: the program then crashed. On a
// kept thread it ended the program. Each comes to the caller once no share runs any more.
TEST(KeptThreadPool, AnExceptionLeavesOnlyOnceNoShareRuns) {
    struct Case {
        const char* name;
        int count, helpers, callerThrowsAt; // 0: the hook throws, -1: a kept thread's share
    };
    for (const Case c : {Case{"share 1", 4, 3, 1}, Case{"a later share", 6, 1, 3},
                         Case{"the waiting hook", 2, 1, 0}, Case{"a kept thread", 3, 2, -1}}) {
        std::atomic<int> running{0}, keptIn{0};
        std::atomic<bool> thrown{false};
        const auto fail = [&] {
            thrown = true;
            throw std::bad_alloc();
        };
        const auto share = [&](int k, bool onCaller) {
            running.fetch_add(1);
            const struct Left {
                std::atomic<int>& running;
                ~Left() { running.fetch_sub(1); }
            } left{running};
            if (onCaller) {
                while (k <= std::max(c.callerThrowsAt, 1) && keptIn.load() == 0)
                    std::this_thread::yield();
                if (k == c.callerThrowsAt)
                    fail();
                return;
            }
            if (keptIn.fetch_add(1) == 0 && c.callerThrowsAt < 0)
                fail();
            while (!thrown.load())
                std::this_thread::yield();
            std::this_thread::sleep_for(std::chrono::milliseconds(20)); // still busy after it
        };
        EXPECT_THROW(RunOnKeptThreads(c.count, c.helpers, share,
                                      [&] {
                                          if (c.callerThrowsAt == 0)
                                              fail();
                                      }),
                     std::bad_alloc)
            << c.name;
        EXPECT_EQ(running.load(), 0) << c.name;
    }
}
