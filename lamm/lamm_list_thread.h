// MultiThreadCLammIdeal: a worker thread that solves its share of a list of Lamm equations.
#pragma once

#include "plat/thread.hpp"

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

class CLammIdeal;

// Counts the worker threads of a list still solving; the last to finish wakes the driver.
struct LammListFinish {
    std::mutex mutex;
    std::condition_variable finished;
    int running = 0;
};

// Thread k of N solves the equations j with j mod N = k - 1, each on its own copy of the
// template, and writes only the target rows of its equations and element k of the result
// vectors. It tests the stop flag before every equation.
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
    // Per-thread trace while thread diagnostics are on; null writes the prepared header.
    void DebugLog(const char* text);
    // Error texts the equations of this thread asked to show; read after the join.
    std::vector<std::string> TakeErrorTexts() { return std::move(errorTexts_); }
    // Told when this worker's share is done (not used by the share solved on the caller).
    void SetFinishSignal(LammListFinish* finish) { finish_ = finish; }
    // Solves this thread's share on the calling thread instead, the key polled in the steps of
    // its equations (at most every few milliseconds) and the stop flag tested at every step.
    void RunOnCallingThread();

protected:
    int Run() override;

private:
    int threadNumber_ = 0;
    int threadCount_ = 1;
    int* errorCodes_ = nullptr;
    int* failedEquations_ = nullptr;
    int* solved_ = nullptr;
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
    LammListFinish* finish_ = nullptr;
    std::vector<std::string> errorTexts_;
};
