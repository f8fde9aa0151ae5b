// The Copy menu's tables: measured data, fitted curves, residuals, the two systematic noise
// terms and the prior probability, as text for a spreadsheet. While the extrapolation view of a
// boundary analysis is up, the data and fit copies put its table instead.
#include "app/copy_fit_limits.h"
#include "app/txla_window.h"
#include "foundations/clipboard_table.h"
#include "foundations/sounds.h"
#include "scandata/fit_limits.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_header.h"
#include "scandata/scan_store_alloc.h"
#include "state/boundary_analysis.h"
#include "state/conti_state.h"
#include "state/model_choice.h"
#include "state/model_kind.h"
#include "state/model_parameters.h"

#include <vector>

void GuardCopyFitLimits(bool applyRight) {
    using S = ScanStore;
    if (S::leftFitLimit != 0.0f && S::rightFitLimit != 0.0f)
        return;
    S::leftFitLimit = ModelParameters::meniscus;
    S::rightFitLimit = ModelParameters::bottom;
    ApplyLeftFitLimit();
    if (applyRight)
        ApplyRightFitLimit();
}

namespace {

using S = ScanStore;

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

// The extrapolation view's table: its abscissa (1/sqrt(t) of the m scans, then 0), the apparent s
// of each boundary fraction in the scans (0 in the last row, where nothing was measured), then
// each fraction's fitted line, whose last row is the extrapolated s. False without the view.
bool CopyBoundaryExtrapolation(TXLAWindow* window) {
    using B = BoundaryAnalysis;
    const std::size_t rows = B::abscissa.size(), n = B::apparentS.size();
    if (!B::reportShown || !B::reportPlot || rows < 2 || n < 1 || B::fittedLines.size() != n)
        return false;
    const std::size_t m = rows - 1;
    std::vector<float> x(rows + 1, 0.0f);
    for (std::size_t i = 0; i < rows; ++i)
        x[i + 1] = static_cast<float>(B::abscissa[i]);
    std::vector<std::vector<float>> values(2 * n, std::vector<float>(rows + 1, 0.0f));
    for (std::size_t k = 0; k < n; ++k)
        for (std::size_t i = 0; i < rows; ++i) {
            if (i < m && i < B::apparentS[k].size())
                values[k][i + 1] = static_cast<float>(B::apparentS[k][i]);
            if (i < B::fittedLines[k].size())
                values[n + k][i + 1] = static_cast<float>(B::fittedLines[k][i]);
        }
    std::vector<const float*> columns(2 * n + 1, nullptr);
    for (std::size_t c = 0; c < 2 * n; ++c)
        columns[c + 1] = values[c].data();
    CopyColumnsToClipboard(window, x.data(), columns.data(), 1, static_cast<int>(rows),
                           static_cast<int>(2 * n));
    return true;
}

} // namespace

void TXLAWindow::CmCopyDataTable() {
    if (S::scanCount < 1)
        return;
    SetCursor(IDC_WAIT);
    GuardCopyFitLimits(true);
    if (!CopyBoundaryExtrapolation(this))
        CopyScanTable(this, S::signal);
    SetCursor(IDC_ARROW);
    PlayOkSound();
}

void TXLAWindow::CmCopyFitDataTable() {
    if (S::scanCount < 1 || !S::fit)
        return;
    SetCursor(IDC_WAIT);
    GuardCopyFitLimits(false);
    if (!CopyBoundaryExtrapolation(this))
        CopyScanTable(this, S::fit);
    SetCursor(IDC_ARROW);
    PlayOkSound();
}

// The residuals cover the same points as the data and fit tables, the last fitted one included.
void TXLAWindow::CmCopyResidualsTable() {
    if (S::scanCount < 1 || !S::residuals)
        return;
    SetCursor(IDC_WAIT);
    GuardCopyFitLimits(false);
    CopyScanTable(this, S::residuals);
    SetCursor(IDC_ARROW);
}

void TXLAWindow::CmCopyRiNoiseTable() {
    const int n = S::scanCount;
    if (n < 1 || !ModelChoice::fitRINoise || !S::riNoise)
        return;
    SetCursor(IDC_WAIT);
    GuardCopyFitLimits(false);
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
    GuardCopyFitLimits(false);
    const float* columns[2] = {nullptr, S::tiNoise};
    CopyColumnsToClipboard(this, S::gridRadius, columns, S::gridFirstFit, S::gridLastFit, 1);
    SetCursor(IDC_ARROW);
    PlayOkSound();
}

void TXLAWindow::CmCopyPriorKnowledgeTable() {
    const int n = ContiState::gridPoints;
    if (S::scanCount < 1 || !ModelShowsDistribution() ||
        !(ContiState::priorInUse || ContiState::priorInUse2) || !ContiState::priorValues ||
        !ContiState::priorAbscissa || n < 1)
        return;
    SetCursor(IDC_WAIT);
    GuardCopyFitLimits(true);
    std::vector<float> prior(std::size_t(n) + 1, 0.0f);
    for (int i = 1; i <= n; ++i)
        prior[std::size_t(i)] = float(ContiState::priorValues[i]);
    const float* columns[2] = {nullptr, prior.data()};
    CopyColumnsToClipboard(this, ContiState::priorAbscissa, columns, 1, n, 1);
    SetCursor(IDC_ARROW);
    PlayOkSound();
}
