// Settings commands: each changes its switch at once and offers to keep it as the default.
#include "app/preferences_file.h"
#include "app/txla_window.h"
#include "display/scan_plots.h"
#include "foundations/input_boxes.h"
#include "foundations/sounds.h"
#include "plat/backend.hpp"
#include "plat/msgbox.hpp"
#include "scandata/scan_store_alloc.h"
#include "scandata/time_stamps.h"
#include "state/conti_state.h"
#include "state/preference_switches.h"

#include <cmath>

namespace {

constexpr const char* kSetPreference = "SET PREFERENCE";

// An entered thread count: rounded down, at least 1 and at most kMaxThreadCount.
int EnteredThreadCount(float value) {
    if (!(value >= 1.0f))
        return 1;
    if (value >= float(kMaxThreadCount))
        return kMaxThreadCount;
    return int(value);
}

} // namespace

void TXLAWindow::OfferToSave(int index, int value) {
    if (AskYesNo("save as default setting?", kSetPreference))
        SavePreference(index, value);
}

void TXLAWindow::CmSuppressBaselineCorrelation() {
    ContiState::suppressBaselineCorrelation =
        AskYesNo("Suppress Baseline Correlation in Max Ent?", kSetPreference);
    CheckMark(829, ContiState::suppressBaselineCorrelation);
    OfferToSave(13, ContiState::suppressBaselineCorrelation);
    PlayOkSound();
}

void TXLAWindow::CmCheckTimestamps() {
    if (ScanStore::scanCount > 1 && CheckTimeStamps(this))
        ReloadForChangeCell(this, computeObserver);
    if (!AskYesNo("Always Check Timestamps Automatically?", kSetPreference)) {
        gCheckTimestamps = false;
        SavePreference(17, 0);
        CheckMark(902, false);
        return;
    }
    gCheckTimestamps = true;
    // A file the user would not have replaced is asked about once.
    const bool kept = SavePreference(17, 1);
    CheckMark(902, true);
    // The file keeps the ratio in steps of 0.00001 as an integer that must read back exactly: a
    // ratio beyond that range is refused like any invalid number, and the kept ratio is the one
    // the file will give at the next start.
    float ratio = float(gTimestampThreshold);
    while (InputFloat(&ratio, ratio, true, "threshold for correction factor", kSetPreference)) {
        double entry = std::round((double(ratio) - 1.0) * 100000.0);
        if (std::fabs(entry) <= kMaxThresholdEntry) {
            gTimestampThreshold = entry * 0.00001 + 1.0;
            if (kept)
                SavePreference(18, int(entry));
            break;
        }
        plat::GetBackend().beep(MB_ICONINFORMATION);
    }
}

void TXLAWindow::CmMultipleThreads() {
    if (AskYesNo("Use Multiple Threads?", kSetPreference)) {
        ContiState::multiThreading = true;
        float count = float(gDistributionThreadCount);
        if (InputFloat(&count, count, true, "number of threads", kSetPreference))
            gDistributionThreadCount = EnteredThreadCount(count);
        else
            ContiState::multiThreading = false;
        count = float(gLammThreadCount);
        if (InputFloat(&count, count, true, "number of threads for Lamm equations", kSetPreference))
            gLammThreadCount = EnteredThreadCount(count);
        else
            gLammThreadCount = 1;
    } else {
        ContiState::multiThreading = false;
        gDistributionThreadCount = 1;
        gLammThreadCount = 1;
    }
    CheckMark(648, ContiState::multiThreading);
    // A file the user would not have replaced is asked about once.
    if (AskYesNo("save as default setting?", kSetPreference) &&
        SavePreference(11, DistributionThreadEntry()))
        SavePreference(14, gLammThreadCount);
    PlayOkSound();
}

void TXLAWindow::CmAlwaysLoadG2() {
    gAlwaysLoadG2 = AskYesNo(
        "calculate with DLS data as g(2)-1 intensity autocorrelation function?", kSetPreference);
    CheckMark(894, gAlwaysLoadG2);
    OfferToSave(16, gAlwaysLoadG2);
    PlayOkSound();
}

void TXLAWindow::CmSound() {
    gSoundOn = AskYesNo("Play Sounds?", kSetPreference);
    CheckMark(594, gSoundOn);
    OfferToSave(6, gSoundOn);
    PlayOkSound();
}

void TXLAWindow::CmScanColorFromTime() {
    ScanStore::scanColorFromTime = !ScanStore::scanColorFromTime;
    CheckMark(609, ScanStore::scanColorFromTime);
    OfferToSave(7, ScanStore::scanColorFromTime);
    PlayOkSound();
    SetPlotAxisTitles();
    RequestRepaint();
}

void TXLAWindow::CmWizardMessages() {
    gWizardMessages = !gWizardMessages;
    CheckMark(610, gWizardMessages);
    if (AskYesNo("Save Setting?", "HELP MESSAGES"))
        SavePreference(8, gWizardMessages);
}

void TXLAWindow::CmPlayRandomSound() {
    PlayBeerSound();
}
