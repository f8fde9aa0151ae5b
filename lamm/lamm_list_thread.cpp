// The worker thread of the Lamm equation lists.
#include "lamm/lamm_list_thread.h"

#include "foundations/deferred_errors.h"
#include "lamm/lamm_ideal.h"
#include "lamm/lamm_list_run.h"
#include "lamm/lamm_trace.h"
#include "state/diagnostics.h"
#include "state/run_switches.h"

#include <chrono>
#include <cstdio>
#include <memory>

namespace {

using Clock = std::chrono::steady_clock;
// The keyboard is asked at most this often by the equations solved on the calling thread:
// a poll goes through the message queue, which would otherwise cost more than a time step.
constexpr auto kKeyPollInterval = std::chrono::milliseconds(2);
// The clock itself is read every few dozen steps only: a read costs a good part of a short step
// (on some machines more than one), and the steps between two reads take far less than the
// interval.
constexpr int kStepsPerClockRead = 64;

thread_local const CLammIdeal* tPollingTemplate = nullptr;
thread_local Clock::time_point tNextKeyPoll;
thread_local int tStepsToClockRead = 0;

// The step loop's stop test of an equation on the calling thread: the list's stop flag at every
// step (another equation failed or a key was seen), the template's key poll now and then.
bool CallerStepPoll() {
    if (gUserInterrupt.load(std::memory_order_relaxed))
        return true;
    if (tPollingTemplate == nullptr || --tStepsToClockRead > 0)
        return false;
    tStepsToClockRead = kStepsPerClockRead;
    const Clock::time_point now = Clock::now();
    if (now < tNextKeyPoll)
        return false;
    tNextKeyPoll = now + kKeyPollInterval;
    return tPollingTemplate->IsWorkerOrKeyPressed();
}

} // namespace

MultiThreadCLammIdeal::~MultiThreadCLammIdeal() {
    // The thread must end before the members it reads go away.
    WaitForExit();
    DebugLog("\ndeleting MultiThreadCLammIdeal");
}

void MultiThreadCLammIdeal::SetWork(const CLammIdeal* tmpl, int n, const double* sS,
                                    const double* dCm2s, const double* vbar, float*** targets,
                                    const float* radii, int radiusCount, float** scanRadii,
                                    const int* scanCounts) {
    template_ = tmpl, equationCount_ = n, s_ = sS, D_ = dCm2s, vbar_ = vbar;
    targets_ = targets, radii_ = radii, radiusCount_ = radiusCount;
    scanRadii_ = scanRadii, scanCounts_ = scanCounts;
}

void MultiThreadCLammIdeal::SetResultArrays(int* errorCodes, int* failedEquations) {
    errorCodes_ = errorCodes;
    failedEquations_ = failedEquations;
}

void MultiThreadCLammIdeal::DebugLog(const char* text) {
    if (!gThreadDiagnostics || logFailed_)
        return;
    if (!logPrepared_) {
        char header[100];
        if (threadNumber_ == 0) {
            std::snprintf(header, sizeof header, "deleting threads (thread #%d)", threadNumber_);
            deleting_ = true;
        } else {
            std::snprintf(header, sizeof header, "\nstarting new debugging session for thread #%d",
                          threadNumber_);
        }
        pendingLog_ = header;
        logPrepared_ = true;
    }
    char name[100];
    std::snprintf(name, sizeof name, "MTdebug_t%d.txt", threadNumber_);
    // a trace that cannot be written is reported once per thread, not once per entry
    if (text == nullptr) {
        logFailed_ = !AppendTrace(name, pendingLog_.c_str(), logCreated_);
        return;
    }
    if (!logCreated_ && !AppendTrace(name, pendingLog_.c_str(), logCreated_)) {
        logFailed_ = true;
        return;
    }
    logFailed_ = !AppendTrace(name, text, logCreated_);
}

int MultiThreadCLammIdeal::NextEquation(int last) {
    if (claim_ != nullptr) {
        const int next = claim_->fetch_add(1, std::memory_order_relaxed);
        return next < claimCount_ ? claimOrder_[next] : equationCount_ + 1;
    }
    int j = last + 1;
    while (j <= equationCount_ && j % threadCount_ != threadNumber_ - 1)
        ++j;
    return j;
}

// A running equation always finishes unless the stop flag ends its time loop; an equation that
// fails stops the whole list, and one that was stopped is not counted as solved.
int MultiThreadCLammIdeal::Run() {
    DeferErrorBoxes deferred;
    const int k = threadNumber_;
    DebugLog("\nstart MultiThreadCLammIdeal::Run()");
    errorCodes_[k] = 0;
    failedEquations_[k] = 0;
    if (s_ != nullptr && D_ != nullptr && targets_ != nullptr && template_ != nullptr) {
        SetPriority(Highest);
        for (int j = NextEquation(0); j <= equationCount_; j = NextEquation(j)) {
            if (kept_ != nullptr && kept_[j] != 0)
                continue;
            if (errorCodes_[k] != 0 || gUserInterrupt.load(std::memory_order_relaxed))
                break;
            if (gThreadDiagnostics) {
                char text[160];
                std::snprintf(text, sizeof text,
                              "\nstarting new debugging session for Lamm equation #%d (s = %.4f "
                              "S, D = %.3f F)",
                              j, s_[j], D_[j] * 1e7);
                DebugLog(text);
            }
            if (calls_ != nullptr && calls_->starting)
                calls_->starting(j);
            const Clock::time_point start = Clock::now();
            auto equation = std::make_unique<CLammIdeal>();
            equation->CopySettingsFrom(*template_);
            equation->workerMode = !onCallingThread_;
            if (onCallingThread_) {
                equation->keyPoll = &CallerStepPoll;
                equation->silentProgress = true;
            }
            equation->equationNumber = j;
            equation->threadNumber = k;
            equation->LoadSpeciesFromList(s_[j], D_[j], targets_[j], radii_, radiusCount_,
                                          scanRadii_, scanCounts_);
            equation->LoadSpeciesProperties(template_->temperature,
                                            vbar_ != nullptr ? vbar_[j] : template_->vbar,
                                            template_->density, template_->viscosity);
            const int result = static_cast<int>(equation->Run());
            for (std::string& path : equation->unwrittenFiles)
                unwrittenFiles_.push_back(std::move(path));
            if (result > 0) {
                errorCodes_[k] = result;
                failedEquations_[k] = j;
                gUserInterrupt.store(true, std::memory_order_relaxed);
            }
            if (equation->stopRequested)
                gUserInterrupt.store(true, std::memory_order_relaxed);
            else if (result == 0 && solved_ != nullptr)
                solved_[j] = 1;
            if (result == 0 && !equation->stopRequested && seconds_ != nullptr)
                seconds_[j] = std::chrono::duration<double>(Clock::now() - start).count();
            if (result == 0 && !equation->stopRequested && calls_ != nullptr && calls_->solved)
                calls_->solved(j);
            DebugLog(" -> OK");
        }
    }
    errorTexts_ = deferred.Take();
    DebugLog("\nexit from MultiThreadCLammIdeal::Run()");
    done_ = true;
    return 0;
}

void MultiThreadCLammIdeal::RunOnCallingThread() {
    onCallingThread_ = true;
    tPollingTemplate = template_;
    tNextKeyPoll = Clock::time_point{};
    tStepsToClockRead = 0;
    Run();
    tPollingTemplate = nullptr;
}
