// MultiThreadCLammIdeal: a worker thread that solves its share of a list of Lamm equations.
#pragma once

#include "plat/thread.hpp"

#include <atomic>
#include <string>
#include <vector>

class CLammIdeal;
struct LammListCalls;

// Share k of N is the equations j with j mod N = k - 1, each solved on its own copy of the
// template; it writes only the target rows of its equations and element k of the result
// vectors, and tests the stop flag before every equation. A share is solved once, by the
// calling thread or by a kept thread (kept_thread_pool.h).
class MultiThreadCLammIdeal : public TThread {
  public:
    MultiThreadCLammIdeal() = default;
    ~MultiThreadCLammIdeal() override;

    void SetThreadNumber(int k) { threadNumber_ = k; }
    void SetThreadCount(int count) { threadCount_ = count; }
    void SetWork(const CLammIdeal* tmpl, int n, const double* sS, const double* dCm2s,
                 const double* vbar, float*** targets, const float* radii, int radiusCount,
                 float** scanRadii, const int* scanCounts);
    void SetResultArrays(int* errorCodes, int* failedEquations);
    // [1..n]: set to 1 for each equation this thread solved to its end.
    void SetSolvedFlags(int* solved) { solved_ = solved; }
    // [1..n] (optional): the equations j with kept[j] != 0 are skipped, their rows left alone.
    void SetKeptEquations(const int* kept) { kept_ = kept; }
    // (optional): the calls before each equation this share begins and after each it solved to
    // its end (lamm_list_run.h).
    void SetEquationCalls(const LammListCalls* calls) { calls_ = calls; }
    // The shares of a list take its equations one at a time, order[next] with next counting
    // from 0 up to count - 1: a share that finishes early takes more. Without it, share k solves
    // the equations j with j mod count = k - 1.
    void SetEquationClaim(std::atomic<int>* next, const int* order, int count) {
        claim_ = next, claimOrder_ = order, claimCount_ = count;
    }
    // [1..n] (optional): gets the seconds each equation this share solved took.
    void SetEquationTimes(double* seconds) { seconds_ = seconds; }
    // Per-thread trace while thread diagnostics are on; null writes the prepared header.
    void DebugLog(const char* text);
    // Error texts the equations of this thread asked to show; read after the join.
    std::vector<std::string> TakeErrorTexts() { return std::move(errorTexts_); }
    // Files the equations of this thread could not write; read after the join.
    std::vector<std::string> TakeUnwrittenFiles() { return std::move(unwrittenFiles_); }
    // Solves this share on the list's calling thread, the key polled in the steps of its
    // equations (at most every few milliseconds) and the stop flag tested at every step.
    void RunOnCallingThread();
    // Solves this share on a kept thread: the stop flag tested at every step.
    void RunInKeptThread() { Run(); }
    // Whether the share was solved (to its end or to a stop).
    bool Done() const { return done_; }

  protected:
    int Run() override;

  private:
    // The equation after last that this share solves; past the list's end when none is left.
    int NextEquation(int last);

    int threadNumber_ = 0;
    int threadCount_ = 1;
    std::atomic<int>* claim_ = nullptr;
    const int* claimOrder_ = nullptr;
    int claimCount_ = 0;
    double* seconds_ = nullptr;
    int* errorCodes_ = nullptr;
    int* failedEquations_ = nullptr;
    int* solved_ = nullptr;
    const int* kept_ = nullptr;
    const LammListCalls* calls_ = nullptr;
    const CLammIdeal* template_ = nullptr;
    int equationCount_ = 0;
    const double* s_ = nullptr;
    const double* D_ = nullptr;
    const double* vbar_ = nullptr;
    float*** targets_ = nullptr;
    const float* radii_ = nullptr;
    int radiusCount_ = 0;
    float** scanRadii_ = nullptr;
    const int* scanCounts_ = nullptr;
    std::string pendingLog_;
    bool logCreated_ = false;
    bool logFailed_ = false;
    bool logPrepared_ = false;
    bool deleting_ = false;
    bool onCallingThread_ = false;
    bool done_ = false;
    std::vector<std::string> errorTexts_;
    std::vector<std::string> unwrittenFiles_;
};
