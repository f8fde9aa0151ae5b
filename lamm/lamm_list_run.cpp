// The drivers of Lamm equation lists: hand out the shares, wait for them, report in order.
#include "lamm/lamm_list_run.h"

#include "foundations/key_polling.h"
#include "foundations/show_error.h"
#include "lamm/kept_thread_pool.h"
#include "lamm/lamm_ideal.h"
#include "lamm/lamm_list_costs.h"
#include "lamm/lamm_list_thread.h"
#include "lamm/lamm_trace.h"
#include "state/compute_observer.h"
#include "state/diagnostics.h"
#include "state/preference_switches.h"
#include "state/run_switches.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

bool Quiet(const CLammIdeal& o) {
    return o.quietWhileFitting || o.quietWhileComputing;
}

void ShowListError(int code, int equation) {
    char text[80];
    std::snprintf(text, sizeof text, "error #%d in simulation #%d", code, equation);
    ShowError(text, 0);
}

// The rows of equation j, so that a stopped list leaves no stale or half-written profile.
void ClearEquationRows(const CLammIdeal& tmpl, float** rows, int radiusCount,
                       const int* scanCounts) {
    if (rows == nullptr || tmpl.accumulate)
        return;
    for (int pos = 1; pos <= tmpl.scanCount; ++pos) {
        const int scan = tmpl.ScanIndexAt(pos);
        float* row = rows[scan];
        const int points =
            radiusCount > 0 ? radiusCount : (scanCounts != nullptr ? scanCounts[scan] : 0);
        if (row != nullptr && points > 0)
            std::fill(row + 1, row + 1 + points, 0.0f);
    }
}

// After a list: unsolved equations get cleared rows; the result says whether the list is whole.
LammResult FinishList(const CLammIdeal& tmpl, int n, const std::vector<int>& done,
                      LammResult result, float*** targets, int radiusCount, const int* scanCounts,
                      int* solved) {
    bool all = true;
    for (int j = 1; j <= n; ++j) {
        if (solved != nullptr)
            solved[j] = done[j];
        if (done[j] == 0) {
            all = false;
            if (targets != nullptr)
                ClearEquationRows(tmpl, targets[j], radiusCount, scanCounts);
        }
    }
    if (result == LammResult::Solved && !all && targets != nullptr && n > 0 && tmpl.scanCount > 0)
        return LammResult::ListStopped;
    return result;
}

bool PollKeyboard(const CLammIdeal& tmpl) {
    if (gUserInterrupt.load(std::memory_order_relaxed))
        return false;
    if (tmpl.IsWorkerOrKeyPressed()) {
        gUserInterrupt.store(true, std::memory_order_relaxed);
        return true;
    }
    return false;
}

} // namespace

int LammThreadCount() {
    return std::clamp(gLammThreadCount, 1, kMaxLammThreads);
}

bool CLammIdeal::IsWorkerOrKeyPressed() const {
    if (workerMode)
        return false;
    return keyPoll != nullptr ? keyPoll() : KeyPressed();
}

void CLammIdeal::ShowThreadProgress(int x, int y) const {
    if (observer == nullptr || Quiet(*this))
        return;
    char text[160];
    std::snprintf(text, sizeof text,
                  "solving Lamm equation #%d for s = %.3f S, D=%1.3e cm^2/sec [Thread %d]      ",
                  equationNumber, s, D, threadNumber);
    observer->StatusText(x, y, text);
}

// The solver's trace in "debug_t<thread number>.txt": the first write of an object starts the
// file with the header naming the equation (D in units of 1e-7 cm^2/s), later ones append. An
// object whose trace cannot be written says so once and stops tracing; the switch copied into
// worker objects is left alone, since workers read it while the driver traces.
void CLammIdeal::DebugLog(const char* text) {
    if (!logOn || debugLogFailed)
        return;
    char name[40];
    std::snprintf(name, sizeof name, "debug_t%d.txt", threadNumber);
    if (!debugLogCreated) {
        char header[120];
        std::snprintf(header, sizeof header,
                      "starting new debugging session for Lamm equation s = %.4f S, D = %.3f F", s,
                      D * 1e7);
        if (!AppendTrace(name, header, debugLogCreated)) {
            debugLogFailed = true;
            return;
        }
    }
    if (text != nullptr && !AppendTrace(name, text, debugLogCreated))
        debugLogFailed = true;
}

int CLammIdeal::LogError() {
    numericalError = false;
    return 0;
}

LammResult CLRunMTList(CLammIdeal* tmpl, int n, const double* s, const double* D,
                       const double* vbar, float*** targets, const float* radii, int radiusCount,
                       float** scanRadii, const int* scanCounts, int* solved, const int* kept,
                       const LammListCalls* calls) {
    return CLRunMTListWithThreads(LammThreadCount(), tmpl, n, s, D, vbar, targets, radii,
                                  radiusCount, scanRadii, scanCounts, solved, kept, calls);
}

// Threads only read the template, the list vectors, the headers and the radii, and each writes
// the rows of its own equations and its own result cells; the pool's lock orders those writes
// before the driver reads them. So the rows do not depend on the thread count, bit for bit.
LammResult CLRunMTListWithThreads(int threadCount, CLammIdeal* tmpl, int n, const double* s,
                                  const double* D, const double* vbar, float*** targets,
                                  const float* radii, int radiusCount, float** scanRadii,
                                  const int* scanCounts, int* solved, const int* kept,
                                  const LammListCalls* calls) {
    const int N = std::clamp(threadCount, 1, kMaxLammThreads);
    std::vector<int> errorCodes(N + 1, 0), failed(N + 1, 0), done(std::max(n, 0) + 1, 0);
    for (int j = 1; kept != nullptr && j <= n; ++j)
        done[j] = kept[j] != 0 ? 1 : 0;
    tmpl->heldList = HeldDiscretisation::NextList();
    tmpl->DebugLog(nullptr);
    tmpl->DebugLog("\nStarting CLRunMTList");
    if (tmpl->observer != nullptr && !Quiet(*tmpl))
        tmpl->observer->StatusText(10, 30, "solving Lamm equations...       ");
    // The shares take the equations one at a time: equations differ in cost, and a share that
    // finishes early takes the next instead of waiting at the join. They take the longest first
    // by the times of the last list of the same equations (the largest |s| first in a list not
    // seen before), so that the last ones to be taken are short and the shares finish together.
    // Each equation writes its own rows only, so which share solves it, and when, changes no value.
    // While the threads or the solver are traced, share k keeps the equations j with j mod N = k -
    // 1, so that each trace names the same equations in every run. The calling thread solves share
    // own and claims the others while no kept thread has; a single equation involves no other
    // thread, and shares beyond the equations are left out.
    const int own = N == 1 ? 1 : 2;
    auto hasShare = [&](int k) { return n >= N || (k >= 2 && k <= n + 1); };
    std::atomic<int> nextEquation{0};
    // Order matters only when there are more equations than shares, and more than one share.
    const bool ordered = N > 1 && n > N && s != nullptr;
    const std::vector<int> order = ListClaimOrder(n, ordered ? s : nullptr, kept);
    std::vector<double> seconds(ordered ? std::size_t(n) + 1 : 0, 0.0);
    std::vector<std::unique_ptr<MultiThreadCLammIdeal>> threads(N + 1);
    for (int k = 0; k <= N; ++k) {
        threads[k] = std::make_unique<MultiThreadCLammIdeal>();
        if (k == 0)
            continue;
        threads[k]->SetThreadNumber(k);
        threads[k]->SetThreadCount(N);
        threads[k]->SetWork(tmpl, n, s, D, vbar, targets, radii, radiusCount, scanRadii,
                            scanCounts);
        threads[k]->SetResultArrays(errorCodes.data(), failed.data());
        threads[k]->SetSolvedFlags(done.data());
        threads[k]->SetKeptEquations(kept);
        threads[k]->SetEquationCalls(calls);
        if (ordered)
            threads[k]->SetEquationTimes(seconds.data());
        if (!gThreadDiagnostics && !gSolverDiagnostics)
            threads[k]->SetEquationClaim(&nextEquation, order.data(),
                                         static_cast<int>(order.size()));
    }
    tmpl->DebugLog(" ... pLammThreads allocated");
    tmpl->DebugLog(", loaded");
    PollKeyboard(*tmpl);
    std::vector<MultiThreadCLammIdeal*> shares{threads[own].get()};
    for (int k = 1; k <= N; ++k)
        if (k != own && hasShare(k))
            shares.push_back(threads[k].get());
    tmpl->DebugLog(", started ");
    // An exception (out of memory) in a share or in the keyboard poll ends the list: the shares
    // still running take no further equation, and the pool passes it on when they are done.
    const auto endingByException = [&](auto&& part) {
        try {
            part();
        } catch (...) {
            nextEquation.store(static_cast<int>(order.size()), std::memory_order_relaxed);
            throw;
        }
    };
    // The keyboard is watched while kept threads solve, so a key stops every equation within
    // its current time step (all of them test the stop flag at every step).
    RunOnKeptThreads(
        static_cast<int>(shares.size()), N - 1,
        [&](int k, bool onCallingThread) {
            MultiThreadCLammIdeal* share = shares[std::size_t(k - 1)];
            endingByException([&] {
                if (onCallingThread)
                    share->RunOnCallingThread();
                else
                    share->RunInKeptThread();
            });
        },
        [&] { endingByException([&] { PollKeyboard(*tmpl); }); });
    PollKeyboard(*tmpl);
    tmpl->DebugLog(", exited ");
    if (ordered)
        RememberListCosts(n, s, seconds);
    LammResult result = LammResult::Solved;
    for (int k = 1; k <= N; ++k) {
        for (const std::string& text : threads[k]->TakeErrorTexts())
            ShowError(text.c_str(), 0);
        for (std::string& path : threads[k]->TakeUnwrittenFiles())
            tmpl->unwrittenFiles.push_back(std::move(path));
        if (errorCodes[k] > 0) {
            ShowListError(errorCodes[k], failed[k]);
            result = static_cast<LammResult>(errorCodes[k]);
        }
    }
    tmpl->DebugLog(", checked ");
    bool allDone = true;
    for (const MultiThreadCLammIdeal* share : shares)
        allDone = allDone && share->Done();
    tmpl->DebugLog(allDone ? ", all done " : ", not all done yet ");
    tmpl->DebugLog(", and deleted. ");
    threads.clear();
    return FinishList(*tmpl, n, done, result, targets, radiusCount, scanCounts, solved);
}

LammResult CLRunList(CLammIdeal* tmpl, int n, const double* s, const double* D, const double* vbar,
                     float*** targets, const float* radii, int radiusCount, float** scanRadii,
                     const int* scanCounts, int* solved) {
    std::vector<int> done(std::max(n, 0) + 1, 0);
    LammResult result = LammResult::Solved;
    int last = 0;
    tmpl->heldList = HeldDiscretisation::NextList();
    for (int j = 1;
         j <= n && result == LammResult::Solved && !gUserInterrupt.load(std::memory_order_relaxed);
         ++j) {
        if (s == nullptr || D == nullptr || targets == nullptr)
            break;
        auto equation = std::make_unique<CLammIdeal>();
        equation->CopySettingsFrom(*tmpl);
        equation->equationNumber = j;
        equation->LoadSpeciesFromList(s[j], D[j], targets[j], radii, radiusCount, scanRadii,
                                      scanCounts);
        equation->LoadSpeciesProperties(tmpl->temperature, vbar != nullptr ? vbar[j] : tmpl->vbar,
                                        tmpl->density, tmpl->viscosity);
        equation->ShowThreadProgress(10, 30);
        result = equation->Run();
        for (std::string& path : equation->unwrittenFiles)
            tmpl->unwrittenFiles.push_back(std::move(path));
        last = j;
        if (equation->stopRequested)
            gUserInterrupt.store(true, std::memory_order_relaxed);
        else if (result == LammResult::Solved)
            done[j] = 1;
    }
    if (!gUserInterrupt.load(std::memory_order_relaxed) && result != LammResult::Solved)
        ShowListError(static_cast<int>(result), last);
    return FinishList(*tmpl, n, done, result, targets, radiusCount, scanCounts, solved);
}

LammResult CLRunListSingleVbar(CLammIdeal* tmpl, int n, const double* s, const double* D,
                               float vbar, float*** targets, const float* radii, int radiusCount,
                               float** scanRadii, const int* scanCounts) {
    const std::vector<double> all(std::max(n, 0) + 1, vbar);
    return CLRunList(tmpl, n, s, D, all.data(), targets, radii, radiusCount, scanRadii, scanCounts);
}

LammResult CLammIdeal::RunMultiThreaded(int n, const double* sS, const double* dCm2s, float vbarAll,
                                        float*** targets, const float* radii, int radiusCount,
                                        float** scanRadii, const int* scanCounts) {
    const std::vector<double> all(std::max(n, 0) + 1, vbarAll);
    return CLRunMTList(this, n, sS, dCm2s, all.data(), targets, radii, radiusCount, scanRadii,
                       scanCounts);
}
