// Settings commands: each changes its switch at once and offers to keep it as the default.
#include <cmath>

#include "app/preference_switches.h"
#include "app/preferences_file.h"
#include "app/txla_window.h"
#include "display/scan_plots.h"
#include "distributions/conti_state.h"
#include "scandata/scan_store.h"

namespace {

constexpr const char* kSetPreference = "SET PREFERENCE";

}  // namespace

void TXLAWindow::OfferToSave(int index, int value) {
    if (AskYesNo("save as default setting?", kSetPreference)) SavePreference(index, value);
}

void TXLAWindow::CmSuppressBaselineCorrelation() {
    ContiState::suppressBaselineCorrelation =
        AskYesNo("Suppress Baseline Correlation in Max Ent?", kSetPreference);
    CheckMark(829, ContiState::suppressBaselineCorrelation);
    OfferToSave(13, ContiState::suppressBaselineCorrelation);
}

void TXLAWindow::CmAlwaysLoadG2() {
    gAlwaysLoadG2 = AskYesNo(
        "calculate with DLS data as g(2)-1 intensity autocorrelation function?", kSetPreference);
    CheckMark(894, gAlwaysLoadG2);
    OfferToSave(16, gAlwaysLoadG2);
}

void TXLAWindow::CmSound() {
    gSoundOn = AskYesNo("Play Sounds?", kSetPreference);
    CheckMark(594, gSoundOn);
    OfferToSave(6, gSoundOn);
}

void TXLAWindow::CmScanColorFromTime() {
    ScanStore::scanColorFromTime = !ScanStore::scanColorFromTime;
    CheckMark(609, ScanStore::scanColorFromTime);
    OfferToSave(7, ScanStore::scanColorFromTime);
    SetPlotAxisTitles();
    RequestRepaint();
}

void TXLAWindow::CmWizardMessages() {
    gWizardMessages = !gWizardMessages;
    CheckMark(610, gWizardMessages);
    if (AskYesNo("Save Setting?", "HELP MESSAGES")) SavePreference(8, gWizardMessages);
}

