// Worker threads in the framework's manner: derive, override Run, Start, WaitForExit.
#pragma once

#include "plat/messages.hpp"

#include <atomic>
#include <thread>

constexpr DWORD INFINITE = 0xFFFFFFFFu;

class TThread {
  public:
    enum TStatus { Created, Running, Finished, Invalid };
    enum TPriority {
        Idle = -15,
        Lowest = -2,
        BelowNormal = -1,
        Normal = 0,
        AboveNormal = 1,
        Highest = 2,
        TimeCritical = 15,
    };

    TThread() = default;
    // Joins a thread still running: a derived object must have waited for its thread before
    // its own members go away.
    virtual ~TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    // Starts Run on a new thread; false when already started.
    bool Start();
    // Waits without time-out for the end of Run and returns its result (timeout must be INFINITE).
    int WaitForExit(DWORD timeout = INFINITE);
    // Recorded only: raising a thread's priority needs privileges the program does not have.
    int SetPriority(int priority);
    int GetPriority() const { return priority_; }
    TStatus GetStatus() const { return status_; }
    // Asks Run to stop; Run polls ShouldTerminate.
    void Terminate() { terminate_ = true; }
    bool ShouldTerminate() const { return terminate_; }
    int GetExitCode() const { return exitCode_; }

  protected:
    virtual int Run() = 0;

  private:
    std::thread thread_;
    std::atomic<TStatus> status_{Created};
    std::atomic<int> priority_{Normal};
    std::atomic<bool> terminate_{false};
    std::atomic<int> exitCode_{0};
};
