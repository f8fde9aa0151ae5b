// The Copy menu's tables: measured data, fitted curves, residuals, the two systematic noise
// terms and the prior probability, as text for a spreadsheet.
#include "app/txla_window.h"
#include "foundations/clipboard_table.h"
#include "foundations/sounds.h"
#include "scandata/fit_limits.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_header.h"
#include "scandata/scan_store_alloc.h"
#include "state/conti_state.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"

#include <vector>

namespace {

using S = ScanStore;

// Unset fit limits become the meniscus and the bottom before a table is cut to them.
void GuardFitLimits(bool applyRight) {
    if (S::leftFitLimit != 0.0f && S::rightFitLimit != 0.0f)
        return;
    S::leftFitLimit = ModelParameters::meniscus;
    S::rightFitLimit = ModelParameters::bottom;
    ApplyLeftFitLimit();
    if (applyRight)
        ApplyRightFitLimit();
}

// Every scan's values from its first to its last fitted point: interference scans share one
// radial grid, so they make one radius column and a column per scan.
void CopyScanTable(TXLAWindow* window, float** values) {
    const int n = S::scanCount;
    const int* order = S::scanOrder;
    if (ScanDataKind::interference) {
        CopyColumnsToClipboard(window, S::radius[1], values, S::firstFitIndex[1],
                               S::lastFitIndex[1], n, order);
        return;
    }
    CopyMatrixToClipboard(window, S::radius, values, S::firstFitIndex, S::lastFitIndex, n, order);
}

} // namespace

void TXLAWindow::CmCopyDataTable() {
    if (S::scanCount < 1)
        return;
    SetCursor(IDC_WAIT);
    GuardFitLimits(true);
    CopyScanTable(this, S::signal);
    SetCursor(IDC_ARROW);
    PlayOkSound();
}

void TXLAWindow::CmCopyFitDataTable() {
    if (S::scanCount < 1 || !S::fit)
        return;
    SetCursor(IDC_WAIT);
    GuardFitLimits(false);
    CopyScanTable(this, S::fit);
    SetCursor(IDC_ARROW);
    PlayOkSound();
}

// The residuals cover the same points as the data and fit tables, the last fitted one included.
void TXLAWindow::CmCopyResidualsTable() {
    if (S::scanCount < 1 || !S::residuals)
        return;
    SetCursor(IDC_WAIT);
    GuardFitLimits(false);
    CopyScanTable(this, S::residuals);
    SetCursor(IDC_ARROW);
}

void TXLAWindow::CmCopyRiNoiseTable() {
    const int n = S::scanCount;
    if (n < 1 || !ModelChoice::fitRINoise || !S::riNoise)
        return;
    SetCursor(IDC_WAIT);
    GuardFitLimits(false);
    std::vector<float> time(std::size_t(n) + 1, 0.0f), noise(std::size_t(n) + 1, 0.0f);
    for (int i = 1; i <= n; ++i) {
        const int scan = S::scanOrder[i];
        time[std::size_t(i)] = float(S::header[scan].time);
        noise[std::size_t(i)] = S::riNoise[scan];
    }
    const float* columns[2] = {nullptr, noise.data()};
    CopyColumnsToClipboard(this, time.data(), columns, 1, n, 1);
    SetCursor(IDC_ARROW);
    PlayOkSound();
}

void TXLAWindow::CmCopyTiNoiseTable() {
    if (S::scanCount < 1 || !ModelChoice::fitTINoise || !S::tiNoise || !S::gridRadius)
        return;
    SetCursor(IDC_WAIT);
    GuardFitLimits(false);
    const float* columns[2] = {nullptr, S::tiNoise};
    CopyColumnsToClipboard(this, S::gridRadius, columns, S::gridFirstFit, S::gridLastFit, 1);
    SetCursor(IDC_ARROW);
    PlayOkSound();
}

void TXLAWindow::CmCopyPriorKnowledgeTable() {
    const int n = ContiState::gridPoints;
    if (S::scanCount < 1 || !(ModelChoice::contiMode || ModelChoice::gStarFamily) ||
        !(ContiState::priorInUse || ContiState::priorInUse2) || !ContiState::priorValues ||
        !ContiState::priorAbscissa || n < 1)
        return;
    SetCursor(IDC_WAIT);
    GuardFitLimits(true);
    std::vector<float> prior(std::size_t(n) + 1, 0.0f);
    for (int i = 1; i <= n; ++i)
        prior[std::size_t(i)] = float(ContiState::priorValues[i]);
    const float* columns[2] = {nullptr, prior.data()};
    CopyColumnsToClipboard(this, ContiState::priorAbscissa, columns, 1, n, 1);
    SetCursor(IDC_ARROW);
    PlayOkSound();
}
