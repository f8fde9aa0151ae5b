// The kept threads and the claiming of a call's shares.
#include "lamm/kept_thread_pool.h"

#include "plat/thread.hpp"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// How long a caller whose shares are done watches for its helpers to finish, and how long a kept
// thread that has just run a share watches for the next call, before each waits through the
// system: a thread woken that way runs again only some tens of microseconds later, as long as a
// short share takes, and calls of short shares (the species of a fit's evaluation) come that
// often. Bounded, so a thread idle for longer gives its processor back.
constexpr auto kCallerWatch = std::chrono::microseconds(200);
constexpr auto kKeptWatch = std::chrono::microseconds(500);

// Returns once `busy()` is false or `bound` has passed. The processor is offered to other threads
// at every look at the clock, so on a machine with fewer processors than threads the watching
// holds up no share.
template <class Busy> void WatchWhile(Busy busy, Clock::duration bound) {
    const Clock::time_point until = Clock::now() + bound;
    for (int i = 1; busy(); ++i) {
#if defined(__x86_64__) || defined(__i386__)
        __builtin_ia32_pause();
#endif
        if (i % 64 == 0) {
            if (Clock::now() >= until)
                return;
            std::this_thread::yield();
        }
    }
}

// The shares of one call: those before `next` are claimed; `helping` kept threads are running one
// (changed under the pool's lock, read without it while the caller watches). `failure` holds the
// first exception a kept thread's share threw, for the caller to pass on.
struct ShareCall {
    const std::function<void(int, bool)>* share = nullptr;
    int count = 0;
    int next = 2;
    int helpersAllowed = 0;
    std::atomic<int> helping{0};
    std::condition_variable helpersDone;
    std::exception_ptr failure;
};

// A share is run by exactly one thread, whichever claims it first; what a share writes is its
// own, so a call's results do not depend on who ran what. The kept threads wait between calls;
// they end with the program.
class KeptThreadPool {
  public:
    static KeptThreadPool& Instance() {
        static KeptThreadPool pool;
        return pool;
    }

    ~KeptThreadPool() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        workers_.clear(); // joins
    }

    void Run(int count, int helpers, const std::function<void(int, bool)>& share,
             const std::function<void()>& whileWaiting) {
        if (count < 1)
            return;
        ShareCall call;
        call.share = &share;
        call.count = count;
        call.helpersAllowed = count > 1 ? std::max(0, helpers) : 0;
        if (call.helpersAllowed > 0) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                while (static_cast<int>(workers_.size()) < call.helpersAllowed) {
                    workers_.push_back(std::make_unique<Worker>(*this));
                    workers_.back()->Start();
                }
                calls_.push_back(&call);
                callsMade_.fetch_add(1, std::memory_order_release);
            }
            const int wanted = std::min(call.helpersAllowed, count - 1);
            for (int i = 0; i < wanted; ++i)
                wake_.notify_one();
        }
        if (call.helpersAllowed == 0) {
            for (int k = 1; k <= count; ++k)
                share(k, true);
            return;
        }
        // The call and the caller's data are on the caller's stack: whatever ends the caller's
        // part (out of memory in a share or in the waiting hook), the helpers are done with them
        // before it leaves.
        try {
            ServeCaller(call, whileWaiting);
        } catch (...) {
            Withdraw(call);
            throw;
        }
        if (call.failure)
            std::rethrow_exception(call.failure);
    }

  private:
    // The caller's part of a call: share 1, the shares no kept thread has claimed, then the wait
    // for the helpers.
    void ServeCaller(ShareCall& call, const std::function<void()>& whileWaiting) {
        const int count = call.count;
        (*call.share)(1, true);
        std::unique_lock<std::mutex> lock(mutex_);
        while (call.next <= count) {
            const int k = call.next++;
            lock.unlock();
            (*call.share)(k, true);
            lock.lock();
        }
        std::erase(calls_, &call);
        if (call.helping > 0) {
            lock.unlock();
            WatchWhile([&] { return call.helping.load(std::memory_order_acquire) > 0; },
                       kCallerWatch);
            lock.lock();
        }
        if (!whileWaiting) {
            call.helpersDone.wait(lock, [&] { return call.helping == 0; });
            return;
        }
        while (call.helping > 0) {
            if (call.helpersDone.wait_for(lock, std::chrono::milliseconds(5),
                                          [&] { return call.helping == 0; }))
                break;
            lock.unlock();
            whileWaiting();
            lock.lock();
        }
    }

    // Ends a call its caller has left by an exception: no share is claimed any more, and the
    // helpers finish the shares they run (a share that tests a stop switch ends at its next test).
    void Withdraw(ShareCall& call) {
        std::unique_lock<std::mutex> lock(mutex_);
        call.next = call.count + 1;
        std::erase(calls_, &call);
        call.helpersDone.wait(lock, [&] { return call.helping == 0; });
    }

    class Worker : public TThread {
      public:
        explicit Worker(KeptThreadPool& pool) : pool_(pool) {}
        ~Worker() override { WaitForExit(); }

      protected:
        int Run() override {
            pool_.Serve();
            return 0;
        }

      private:
        KeptThreadPool& pool_;
    };

    ShareCall* Claimable() {
        for (ShareCall* call : calls_)
            if (call->next <= call->count && call->helping < call->helpersAllowed)
                return call;
        return nullptr;
    }

    void Serve() {
        std::unique_lock<std::mutex> lock(mutex_);
        bool served = false; // a share since the last watch
        for (;;) {
            ShareCall* call = nullptr;
            if (served && !stop_ && Claimable() == nullptr) {
                served = false;
                const unsigned made = callsMade_.load(std::memory_order_acquire);
                lock.unlock();
                WatchWhile([&] { return callsMade_.load(std::memory_order_acquire) == made; },
                           kKeptWatch);
                lock.lock();
            }
            wake_.wait(lock, [&] { return stop_ || (call = Claimable()) != nullptr; });
            if (stop_)
                return;
            const int k = call->next++;
            ++call->helping;
            lock.unlock();
            // An exception would end the program on this thread: the caller passes it on once its
            // helpers are done, and the call's other shares are left unclaimed.
            std::exception_ptr failure;
            try {
                (*call->share)(k, false);
            } catch (...) {
                failure = std::current_exception();
            }
            lock.lock();
            if (failure) {
                if (!call->failure)
                    call->failure = failure;
                call->next = call->count + 1;
            }
            served = true;
            if (--call->helping == 0)
                call->helpersDone.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::atomic<unsigned> callsMade_{0}; // calls with helpers so far, watched without the lock
    std::deque<ShareCall*> calls_;
    std::vector<std::unique_ptr<Worker>> workers_;
    bool stop_ = false;
};

} // namespace

void RunOnKeptThreads(int count, int helpers, const std::function<void(int, bool)>& share,
                      const std::function<void()>& whileWaiting) {
    KeptThreadPool::Instance().Run(count, helpers, share, whileWaiting);
}
