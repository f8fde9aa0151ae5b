// The raw-data correction commands: each asks its questions, corrects the loaded scans in memory,
// redraws and offers to save the corrected data set.
#include "app/save_dialogs.h"
#include "app/txla_window.h"
#include "display/scan_plots.h"
#include "foundations/input_boxes.h"
#include "foundations/sounds.h"
#include "plat/msgbox.hpp"
#include "plotting/win_plot.h"
#include "scandata/common_grid.h"
#include "scandata/raw_data_corrections.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_file.h"
#include "scandata/scan_store_alloc.h"
#include "state/display_options.h"
#include "state/plot_interaction_state.h"

#include <cstdio>
#include <string>

namespace {

using S = ScanStore;

constexpr const char* kRecalibrate = "RECALIBRATE RADIUS";
constexpr const char* kTimeOffset = "TIME OFFSET";
constexpr const char* kMirror = "MIRROR DATA";
constexpr const char* kAddOrSubtract = "ADD OR SUBTRACT SCANS";
// rpm to rad/s.
constexpr double kRadPerSecondPerRpm = 0.10471975511965977;

bool HaveScans() {
    return S::scanCount > 0;
}

// The current zoom entry's radial range: what the data plot shows.
void DisplayedRange(float* lo, float* hi) {
    *lo = ZoomHistory::xLow[ZoomHistory::level];
    *hi = ZoomHistory::xHigh[ZoomHistory::level];
}

} // namespace

void TXLAWindow::RedrawAfterCorrection(const char* question) {
    RedrawDataPlot(false);
    RequestRepaint();
    OfferToSaveRawData(question);
}

void TXLAWindow::CmInvertRawData() {
    if (!HaveScans())
        return;
    InvertRawData(-1.0f);
    if (S::dataPlot)
        S::dataPlot->Draw();
    PlayOkSound();
    RequestRepaint();
    OfferToSaveRawData("save new data?");
}

void TXLAWindow::CmCorrectRadialCalibration() {
    if (!HaveScans())
        return;
    MessageBox("correct radial calibration in interference requires location of the \n "
               "transition from fringes to grey in the counterbalance image.\nIf the transition "
               "grey-black has been used erroneously, please \nenter the estimated radial "
               "positions of these points: \n(accept defaults if not known)",
               kRecalibrate, MB_OK);
    float left = 5.9f, right = 7.1f;
    if (!InputFloatForWindow(this, &left, left, true, "left transition grey-black was at",
                             kRecalibrate) ||
        !InputFloatForWindow(this, &right, right, true, "right transition grey-black was at",
                             kRecalibrate))
        return;
    // The reference marks should read 5.85 and 7.15 cm: map the observed ones onto them.
    float a = (right - left) / (7.15f - 5.85f);
    float b = left - a * 5.85f;
    RecalibrateRadius(a, b);
    RequestRepaint();
    PlayOkSound();
    OfferToSaveRawData("save new data?");
}

void TXLAWindow::CmAddTimeOffset() {
    if (!HaveScans())
        return;
    MessageBox("correct time and w^2t entry of file (e.g. after power failure)", kTimeOffset,
               MB_OK);
    float dt = 0.0f;
    if (!InputFloatForWindow(this, &dt, 0.0f, true, "elapsed time offset (sec)", kTimeOffset))
        return;
    double omega = S::header[1].rotorSpeed * kRadPerSecondPerRpm;
    float dw = static_cast<float>(dt * omega * omega);
    if (!InputFloatForWindow(this, &dw, dw, true, "elapsed w^2t offset (rad^2/sec)", kTimeOffset))
        return;
    AddTimeOffset(dt, dw);
    PlayOkSound();
    RequestRepaint();
    OfferToSaveRawData("save new data?");
}

void TXLAWindow::CmExcludeRegion() {
    if (!HaveScans())
        return;
    if (MessageBox("is the displayed radial range the region to exclude?",
                   "exclude data from scans", MB_YESNO) != IDYES)
        return;
    float lo = 0.0f, hi = 0.0f;
    DisplayedRange(&lo, &hi);
    SetCursor(IDC_WAIT);
    ExcludeRadialRegion(lo, hi);
    SetCursor(IDC_ARROW);
    CmDataRange();
    OfferToSaveRawData("save new data?");
}

void TXLAWindow::CmEliminateJitter() {
    if (!HaveScans())
        return;
    if (MessageBox("is the displayed data range the air-to-air region chosen for alignment?",
                   "eliminate jitter", MB_YESNO) != IDYES)
        return;
    float lo = 0.0f, hi = 0.0f;
    DisplayedRange(&lo, &hi);
    EliminateJitter(lo, hi);
    PlayOkSound();
    RequestRepaint();
}

void TXLAWindow::CmSubtractBlankScan() {
    if (!HaveScans())
        return;
    std::string path;
    if (AskOpenPath(this, "select blank scan to be subtracted", "blank", &path))
        SubtractBlankScan(path);
    RedrawAfterCorrection("save data?");
}

void TXLAWindow::CmSubtractConstant() {
    if (!HaveScans())
        return;
    float value = 0.0f;
    if (!InputFloatForWindow(this, &value, 0.0f, true, "subtract constant (e.g. known baseline)",
                             "SUBTRACT CONSTANT"))
        return;
    SubtractConstantFromScans(value);
    RedrawAfterCorrection("save data?");
}

void TXLAWindow::CmAddSubtractSimulatedData() {
    if (!HaveScans())
        return;
    if (AskYesNo("add simulated data to existing data?", kAddOrSubtract))
        AddSimulatedScans(1.0f);
    else if (AskYesNo("subtract simulated data from existing data?", kAddOrSubtract))
        AddSimulatedScans(-1.0f);
    else
        return;
    RedrawAfterCorrection("save data?");
}

void TXLAWindow::CmMirrorRawData() {
    if (!HaveScans())
        return;
    if (MessageBox("This function makes a mirror image of the data, assuming that there are two "
                   "reference points whose radial values are correct but exchanged.\nFor example, "
                   "the true value of r1 is r2 and the true vaue of r2 is r1.\nThis may occur if "
                   "the fringe pattern is experiencing an extra reflection, \ncausing the inside "
                   "reference radius to appear on the right and the outside reference radius to "
                   "be on the left.",
                   kMirror, MB_OKCANCEL) != IDOK)
        return;
    float r1 = 5.85f, r2 = 7.15f;
    if (!InputFloatForWindow(this, &r1, r1, true, "first reference radius (cm)", kMirror) ||
        !InputFloatForWindow(this, &r2, r2, true, "second reference radius (cm)", kMirror))
        return;
    bool flip = AskYesNo("with upside-down reflection?", kMirror);
    MirrorRawData(r1, r2, flip);
    RedrawAfterCorrection("save data?");
}

void TXLAWindow::CmAddNoise() {
    if (!HaveScans())
        return;
    float factor = 1.0f, noise = 0.005f;
    if (!InputFloatForWindow(this, &factor, factor, true, "scale factor for scan signals",
                             "SCALE SIGNAL") ||
        !InputFloatForWindow(this, &noise, noise, true, "enter magnitude of noise",
                             "ADD NOISE TO DATA"))
        return;
    ScaleScanSignals(noise, factor);
    RedrawAfterCorrection("save data?");
}

void TXLAWindow::CmEliminateInterferenceOffset() {
    if (!HaveScans() || !ScanDataKind::interference)
        return;
    float radius = 7.0f;
    if (!InputFloatForWindow(this, &radius, radius, true, "sort at radius (cm)",
                             "ELIMINATE INTERFERENCE OFFSET"))
        return;
    AlignScansAtRadius(0.0f, radius);
    RequestRepaint();
    if (!AskYesNo("save new interference data?", "SAVE DATA"))
        return;
    std::string path;
    if (AskSavePath(this, "save aligned interference data as",
                    gOldFilenameConvention ? "newdat.rxx" : "a0000x.rxx", true, &path))
        SaveAlignedScans(path);
}

void TXLAWindow::CmSetNColumns() {
    if (ScanReaderOptions::nColumnsMode) {
        ScanReaderOptions::nColumnsMode = false;
        CheckMark(265, false);
        return;
    }
    float count = static_cast<float>(ScanReaderOptions::nColumns);
    // Rows need a radius and a value: fewer than two columns would misalign every row.
    do {
        if (!InputFloatForWindow(this, &count, count, true,
                                 "enter number of columns in data file (r|A|?...)",
                                 "SET N COLUMNS"))
            return;
    } while (!(count >= 2.0f && count < 1e6f));
    ScanReaderOptions::nColumns = static_cast<int>(count);
    ScanReaderOptions::nColumnsMode = true;
    CheckMark(265, true);
}
