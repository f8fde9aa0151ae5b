// The realtime update of files: the data folder is probed once a minute on the window's timer,
// new scans are loaded and the current analysis (or the test of attained equilibrium) is run
// again; a key press, an aborted fit or an interrupted computation stops it.
#include "app/command_ended_by_exception.h"
#include "app/load_all_data.h"
#include "app/txla_window.h"
#include "display/distribution_plot.h"
#include "distributions/integrate_distribution.h"
#include "equilibrium/realtime_files.h"
#include "foundations/input_boxes.h"
#include "foundations/key_polling.h"
#include "foundations/show_error.h"
#include "foundations/sounds.h"
#include "plat/paths.hpp"
#include "scandata/scan_store_alloc.h"
#include "state/conti_state.h"
#include "state/display_options.h"
#include "state/eq_test_state.h"
#include "state/fit_control.h"
#include "state/model_choice.h"
#include "state/model_kind.h"
#include "state/model_parameters.h"
#include "state/realtime_state.h"
#include "state/scan_order.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

using R = RealtimeState;
using S = ScanStore;

constexpr int kRealtimeItem = 540;

int FileNumberOf(const char* path) {
    std::string name;
    plat::SplitPath(path ? path : "", nullptr, nullptr, &name, nullptr);
    char* end = nullptr;
    const long n = std::strtol(name.c_str(), &end, 10);
    return end == name.c_str() ? 0 : static_cast<int>(n);
}

bool LoadNewRealtimeFiles(TXLAWindow* window) {
    bool fresh = ProbeNewScanFiles();
    if (!R::equilibriumTestMode)
        fresh = fresh || R::refitNeeded;
    if (!fresh)
        return false;
    const std::string list = BuildRealtimeFileList();
    S::fileStride =
        R::equilibriumTestMode ? 1 : RealtimeFileStride(R::baseNumber, R::lastNumber, R::maxFiles);
    LoadAllData(window, list.c_str());
    return true;
}

void CheckTemperature(TXLAWindow* window) {
    if (R::temperatureWarned || !TemperatureFluctuates())
        return;
    window->MessageBox("temperature fluctuations > 1 C, convection likely, restarting run should "
                       "be considered",
                       window->GetCaption().c_str());
    R::temperatureWarned = true;
}

// Widens or narrows the distribution range when its last grid interval holds much or little of
// the area; the next tick reloads and runs with the new range.
void AutoAdjustDistributionRange() {
    if (R::fixedRange || CurrentModelTraits().family != ModelFamily::Distribution ||
        !ContiState::sValues || !ContiState::distribution || ContiState::gridPoints < 3)
        return;
    const float* grid = ContiState::sValues;
    const int n = ContiState::gridPoints;
    float total = 0.0f, tail = 0.0f;
    IntegrateDistribution(grid[2], grid[n], &total, nullptr, nullptr, nullptr);
    IntegrateDistribution(grid[n - 1], grid[n], &tail, nullptr, nullptr, nullptr);
    if (total == 0.0f)
        return;
    const float factor = DistributionRangeFactor(tail, total);
    R::refitNeeded = factor != 1.0f;
    if (factor == 1.0f)
        return;
    ContiState::rangeMax *= factor;
    R::rangeMaximum = ContiState::rangeMax;
    ModelParameters::fitValues[kSlotRangeMax] = ContiState::rangeMax;
}

// The update ends as its stop ends it, then says why; the program goes on.
void EndOutOfMemory(TXLAWindow* window) {
    window->CmStopRealtimeUpdate();
    ShowError(kOutOfMemoryText, 0);
}

std::string ClockText(std::time_t t) {
    std::tm parts{};
    localtime_r(&t, &parts);
    char text[32];
    std::snprintf(text, sizeof text, "%02dh:%02d:%02d", parts.tm_hour, parts.tm_min, parts.tm_sec);
    return text;
}

} // namespace

void TXLAWindow::CmRealtimeUpdate() {
    if (S::scanCount < 1)
        return;
    const bool eqTest = R::equilibriumTestMode;
    const int firstNumber = FileNumberOf(S::scanFileName[ScanAtPosition(1)]);
    // The files are probed by number into a table of 1000: a first scan outside it cannot be
    // followed.
    if (!eqTest && (firstNumber < 1 || firstNumber > R::fileTableSize)) {
        MessageBox("the realtime update follows scan files numbered 00001 to 01000 only",
                   "REALTIME MODE", MB_OK);
        return;
    }
    if (!eqTest) {
        float answer = static_cast<float>(R::maxFiles);
        if (InputFloat(&answer, answer, true, "maximal total number of files to load at once",
                       "REALTIME MODE")) {
            // At least one file per load: 0 or a negative number would divide by zero.
            R::maxFiles = std::max(1, static_cast<int>(std::floor(answer)));
        }
    } else {
        R::maxFiles = 1000;
        EqTestState::autoDefaultLimits =
            AskYesNo("keep going automatically with using default fitting limits for all new "
                     "series?",
                     "EQ TEST");
        R::allCells = AskYesNo("load data from all cells?", "EQ TEST");
    }
    // Out of memory anywhere from the check mark on ends the update as its stop does; the mark
    // is set within, so that it never stays on without the update.
    const bool outOfMemory = RanOutOfMemory(*this, [&] {
        CheckMark(kRealtimeItem, true);
        SetCursor(IDC_WAIT);
        if (!eqTest) {
            if (!gScanNameTips)
                CmToggleScanNameTips();
            if (ModelChoice::contiMode)
                R::fixedRange = !AskYesNo("auto adjust distribution range?", "REALTIME MODE");
        }
        plat::SplitPath(ScanPaths::gDataPath.empty() ? S::scanFileName[1] : ScanPaths::gDataPath,
                        &R::drive, &R::directory, nullptr, &R::extension);
        R::fileTable.clear();
        R::realtimeMode = true;
        if (!eqTest) {
            R::baseNumber = R::lastNumber = firstNumber;
            R::temperatureWarned = false;
        } else {
            R::baseNumber = 1;
            int total = 0;
            for (int s = 1; s <= EqTestState::seriesTotal; ++s)
                total += static_cast<int>(
                    EqTestState::slots[static_cast<std::size_t>(s)].members.size());
            R::lastNumber = total;
            R::temperatureWarned = true;
        }
        R::refitNeeded = false;
        R::previousLast = R::lastNumber;
        R::lastChanged = std::time(nullptr);
        LoadNewRealtimeFiles(this);
        CmRun();
        if (!eqTest) {
            CmSubtractAllNoise();
            CheckTemperature(this);
            AutoAdjustDistributionRange();
            R::distributionDrawn = false;
        }
        // A key during the first Run stopped that Run only: the update goes on.
        FitControl::fitAborted = false;
        R::stopRequested = false;
        gAbortRequest = false;
        R::stopping = false;
        SetTimer(R::timerId, R::interval);
    });
    if (outOfMemory)
        EndOutOfMemory(this);
}

void TXLAWindow::EvRealtimeTimer(UINT timerId) {
    if (R::stopping || timerId != R::timerId || !R::realtimeMode)
        return;
    // A box opened by Run runs its own message loop: a tick arriving meanwhile would reload the
    // store under the running analysis.
    if (R::tickRunning || runBusy || fitBusy)
        return;
    R::tickRunning = true;
    // The scans written since the last tick loaded and analysed; with none, the last fit is shown
    // again.
    const auto update = [this](std::time_t now) {
        if (!LoadNewRealtimeFiles(this)) {
            Invalidate(true);
            if (!R::equilibriumTestMode)
                CmShowLastFitInfo();
            return;
        }
        R::lastChanged = now;
        CmRun();
        PlayOkSound();
        if (R::stopRequested || R::equilibriumTestMode)
            return;
        CmSubtractAllNoise();
        CheckTemperature(this);
        if (ModelChoice::contiMode) {
            AutoAdjustDistributionRange();
            if (R::distributionDrawn)
                RedrawDistribution(this, R::distributionFrom, R::distributionTo);
        }
    };
    // A tick is no command: out of memory anywhere in it would leave the message loop with the
    // tick still marked running, and the update would never tick again.
    const bool outOfMemory = RanOutOfMemory(*this, [&] {
        const std::time_t now = std::time(nullptr);
        if (FitControl::fitAborted)
            R::stopRequested = true;
        if (!R::stopRequested) {
            update(now);
            R::statusLine1 = "IN REALTIME UPDATE MODE. PRESS ANY KEY TO INTERRUPT.";
            R::statusLine2 = "Last changed at " + ClockText(R::lastChanged) + ", last checked at " +
                             ClockText(now) + ".";
            if (UserAbort(this))
                R::stopRequested = true;
        }
        R::tickRunning = false;
        if (R::stopRequested) {
            R::stopping = true;
            PlayOkSound();
            MessageBox("realtime update stopped by user interrupt", GetCaption().c_str());
            CmStopRealtimeUpdate();
        }
    });
    if (outOfMemory) {
        R::tickRunning = false;
        EndOutOfMemory(this);
    }
}

void TXLAWindow::CmStopRealtimeUpdate() {
    KillTimer(R::timerId);
    R::realtimeMode = false;
    R::fileTable.clear();
    if (gScanNameTips)
        CmToggleScanNameTips();
    SetCursor(IDC_ARROW);
    CheckMark(kRealtimeItem, false);
}
