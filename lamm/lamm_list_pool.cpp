// The kept threads of the Lamm equation lists and the claiming of a list's shares.
#include "lamm/lamm_list_pool.h"

#include "lamm/lamm_list_thread.h"
#include "plat/thread.hpp"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

namespace {

// The shares of one list: those before `next` are claimed; `helping` kept threads are solving.
struct ShareList {
    const std::vector<MultiThreadCLammIdeal*>* shares = nullptr;
    size_t next = 1;
    int helpersAllowed = 0;
    int helping = 0;
    std::condition_variable helpersDone;
};

// A share is solved by exactly one thread, whichever claims it first, and each writes only what
// its equations own, so a list's results do not depend on who solved what. The kept threads
// wait between lists; they end with the program.
class ListPool {
  public:
    static ListPool& Instance() {
        static ListPool pool;
        return pool;
    }

    ~ListPool() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        workers_.clear(); // joins
    }

    void Solve(const std::vector<MultiThreadCLammIdeal*>& shares, int helpers,
               const std::function<void()>& whileWaiting) {
        if (shares.empty())
            return;
        ShareList list;
        list.shares = &shares;
        list.helpersAllowed = shares.size() > 1 ? helpers : 0;
        if (list.helpersAllowed > 0) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                while (static_cast<int>(workers_.size()) < list.helpersAllowed) {
                    workers_.push_back(std::make_unique<Worker>(*this));
                    workers_.back()->Start();
                }
                lists_.push_back(&list);
            }
            const int wanted = std::min<int>(list.helpersAllowed, shares.size() - 1);
            for (int i = 0; i < wanted; ++i)
                wake_.notify_one();
        }
        shares[0]->RunOnCallingThread();
        std::unique_lock<std::mutex> lock(mutex_);
        while (list.next < shares.size()) {
            MultiThreadCLammIdeal* share = shares[list.next++];
            lock.unlock();
            share->RunOnCallingThread();
            lock.lock();
        }
        std::erase(lists_, &list);
        while (list.helping > 0) {
            if (list.helpersDone.wait_for(lock, std::chrono::milliseconds(5),
                                          [&] { return list.helping == 0; }))
                break;
            lock.unlock();
            whileWaiting();
            lock.lock();
        }
    }

  private:
    class Worker : public TThread {
      public:
        explicit Worker(ListPool& pool) : pool_(pool) {}
        ~Worker() override { WaitForExit(); }

      protected:
        int Run() override {
            pool_.Serve();
            return 0;
        }

      private:
        ListPool& pool_;
    };

    ShareList* Claimable() {
        for (ShareList* list : lists_)
            if (list->next < list->shares->size() && list->helping < list->helpersAllowed)
                return list;
        return nullptr;
    }

    void Serve() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            ShareList* list = nullptr;
            wake_.wait(lock, [&] { return stop_ || (list = Claimable()) != nullptr; });
            if (stop_)
                return;
            MultiThreadCLammIdeal* share = (*list->shares)[list->next++];
            ++list->helping;
            lock.unlock();
            share->RunInKeptThread();
            lock.lock();
            if (--list->helping == 0)
                list->helpersDone.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<ShareList*> lists_;
    std::vector<std::unique_ptr<Worker>> workers_;
    bool stop_ = false;
};

} // namespace

void SolveListShares(const std::vector<MultiThreadCLammIdeal*>& shares, int helpers,
                     const std::function<void()>& whileWaiting) {
    ListPool::Instance().Solve(shares, helpers, whileWaiting);
}
