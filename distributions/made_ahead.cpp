// The walk and the kept threads that make its items ahead of it.
#include "distributions/made_ahead.h"

#include "lamm/kept_thread_pool.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>

namespace {

using Clock = std::chrono::steady_clock;

// An item not yet begun, begun by a kept thread, made in place 0, or taken over by the walk
// (made in place 1) while a kept thread was making it.
enum ItemState : int { kFree, kBegun, kMade, kTakenOver };

// Watches until done() says so or `until` has passed (false then).
template <class Done> bool WatchUntil(Done done, Clock::time_point until) {
    for (int i = 1; !done(); ++i) {
#if defined(__x86_64__) || defined(__i386__)
        __builtin_ia32_pause();
#endif
        if (i % 64 == 0 && Clock::now() >= until)
            return false;
    }
    return true;
}

} // namespace

void WalkWithItemsMadeAhead(int first, int count, int helpers, int ahead,
                            const MakeItemInPlace& make,
                            const std::function<void(const std::function<int(int)>& ask)>& walk) {
    const int items = std::max(count - first, 1);
    std::unique_ptr<std::atomic<int>[]> state(new std::atomic<int>[std::size_t(items)]);
    for (int i = 0; i < items; ++i)
        state[std::size_t(i)].store(kFree, std::memory_order_relaxed);
    auto at = [&](int i) -> std::atomic<int>& { return state[std::size_t(i - first)]; };
    // The kept threads begin after the first item, which the walk asks for at once.
    std::atomic<int> asked{first}, next{first + 1};
    std::atomic<bool> walked{false};
    Clock::duration ownTime = std::chrono::microseconds(50);
    const std::function<bool()> never;
    const std::function<int(int)> ask = [&](int i) {
        asked.store(std::max(asked.load(std::memory_order_relaxed), i), std::memory_order_release);
        int seen = kFree;
        if (!at(i).compare_exchange_strong(seen, kBegun, std::memory_order_acq_rel)) {
            auto made = [&] { return at(i).load(std::memory_order_acquire) == kMade; };
            if (seen == kMade || WatchUntil(made, Clock::now() + ownTime))
                return 0;
            seen = kBegun;
            if (!at(i).compare_exchange_strong(seen, kTakenOver, std::memory_order_acq_rel))
                return 0; // made meanwhile
            const Clock::time_point begun = Clock::now();
            make(i, 1, never);
            ownTime = Clock::now() - begun;
            return 1;
        }
        const Clock::time_point begun = Clock::now();
        make(i, 0, never);
        ownTime = Clock::now() - begun;
        at(i).store(kMade, std::memory_order_release);
        return 0;
    };
    RunOnKeptThreads(1 + std::max(helpers, 0), std::max(helpers, 0), [&](int share, bool) {
        if (share == 1) {
            walk(ask);
            walked.store(true, std::memory_order_release);
            return;
        }
        // A kept thread: the next item not yet begun while one is within reach of the walk (a
        // thread that waited for the walk to move on would hold the call when the system takes
        // its processor away).
        for (;;) {
            const int reach = asked.load(std::memory_order_acquire) + ahead;
            const int i = std::max(next.load(std::memory_order_acquire), reach - ahead + 1);
            if (walked.load(std::memory_order_acquire) || i >= count || i > reach)
                return;
            int seen = next.load(std::memory_order_acquire);
            if (seen > i || !next.compare_exchange_strong(seen, i + 1, std::memory_order_acq_rel))
                continue;
            int free = kFree;
            if (!at(i).compare_exchange_strong(free, kBegun, std::memory_order_acq_rel))
                continue;
            make(i, 0, [&] {
                return walked.load(std::memory_order_acquire) ||
                       at(i).load(std::memory_order_acquire) == kTakenOver;
            });
            int begun = kBegun;
            at(i).compare_exchange_strong(begun, kMade, std::memory_order_acq_rel);
        }
    });
}
