// The display commands that move fitted systematic noise into the data, put the time-invariant
// part back, and show the data range.
#include "app/txla_window.h"
#include "display/screen_button_set.h"
#include "foundations/key_polling.h"
#include "plat/msgbox.hpp"
#include "plotting/screen_button.h"
#include "scandata/noise_subtraction.h"
#include "scandata/scan_store_alloc.h"
#include "state/buffer_sedimentation.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/preference_switches.h"
#include "state/realtime_state.h"

namespace {

constexpr const char* kTiAdvice =
    "This operation subtracts the current calculated TI noise from the raw data.\nThis is for "
    "presentation purpose, the analysis is invariant to this.\nHowever, all subsquent analyses "
    "must include TI noise calculation, otherwise a bias is introduced.";
constexpr const char* kRiAdvice =
    "This operation subtracts the current calculated RI noise from the raw data.\nThis is for "
    "presentation purpose, the analysis is invariant to this.\nHowever, all subsquent analyses "
    "must include RI noise (jitter) calculation, otherwise a bias is introduced.";
constexpr const char* kAllAdvice =
    "This operation subtracts the current calculated systematic (TI and RI) noise from the raw "
    "data.\nThis is for presentation purpose, the analysis is invariant to this.\nHowever, all "
    "subsquent analyses must include TI and RI noise (jitter) calculation, otherwise a bias is "
    "introduced.";

// The advice that the fits must go on fitting the noise that was moved; not in realtime mode,
// where the update runs without anyone to read it.
void NoiseAdvice(TXLAWindow& window, const char* text) {
    if (gWizardMessages && !RealtimeState::realtimeMode)
        window.MessageBox(text, "ATTENTION", MB_OK);
}

// Shows the change on the noise button: on, a tenth of a second, off again.
void FlashNoiseButton(TXLAWindow& window) {
    CScreenButton* button = ScreenButtonSet::noiseButton1;
    if (!button)
        return;
    button->Toggle();
    button->Paint(&window);
    WaitSeconds(0.1f);
    button->Toggle();
    button->Paint(&window);
}

} // namespace

void TXLAWindow::CmSubtractTiNoise() {
    if (ScanStore::scanCount < 1 || !ModelChoice::fitTINoise)
        return;
    NoiseAdvice(*this, kTiAdvice);
    SubtractTINoise();
    RequestRepaint();
}

void TXLAWindow::CmSubtractRiNoise() {
    if (ScanStore::scanCount < 1 || !ModelChoice::fitRINoise)
        return;
    NoiseAdvice(*this, kRiAdvice);
    SubtractRINoise();
    RequestRepaint();
}

void TXLAWindow::CmSubtractAllNoise() {
    if (ScanStore::scanCount < 1 || !ModelChoice::fitRINoise)
        return;
    FlashNoiseButton(*this);
    NoiseAdvice(*this, kAllAdvice);
    SubtractAllSystematicNoise();
    RequestRepaint();
}

void TXLAWindow::CmRestoreTiNoise() {
    if (ScanStore::scanCount < 1 || !ModelChoice::fitTINoise)
        return;
    RestoreTINoise();
    RequestRepaint();
}

void TXLAWindow::CmDataRange() {
    if (ScanStore::scanCount < 1)
        return;
    // While the buffer's own sedimentation is corrected with a meniscus difference, the range
    // starts at the reference sector's meniscus.
    double xMin = ModelParameters::meniscus - 0.01;
    if (BufferSedimentation::on && BufferSedimentation::meniscusDiffOn)
        xMin = ModelParameters::meniscus - BufferSedimentation::meniscusDiff - 0.01;
    ShowFittedGridRange(static_cast<float>(xMin));
    RequestRepaint();
}
