// Commands that act only on the main window's display: ranges and zoom, the data and residual
// views, the data mark size, and copies of the plots and of the window to the clipboard.
#include "app/txla_window.h"
#include "display/scan_colours.h"
#include "display/scan_plots.h"
#include "foundations/input_boxes.h"
#include "plat/clipboard.hpp"
#include "plotting/plot_globals.h"
#include "plotting/plot_owners.h"
#include "plotting/win_plot.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_store_alloc.h"
#include "state/display_options.h"
#include "state/plot_interaction_state.h"

#include <cmath>
#include <utility>
#include <vector>

namespace {

// The ranges of the current zoom level, or the full range at level 0.
void ApplyZoomLevel(CWINPlot* plot) {
    const int level = ZoomHistory::level;
    if (level == 0)
        plot->FullRange();
    else
        plot->SetRanges(ZoomHistory::xLow[level], ZoomHistory::xHigh[level],
                        ZoomHistory::yLow[level], ZoomHistory::yHigh[level]);
}

void SetScanCurveStyles(int style) {
    for (int k = 0; k < ScanStore::scanCount; ++k)
        ScanStore::dataPlot->SetCurveStyle(k, style);
}

void SetScanCurveColours(CWINPlot* plot, bool black) {
    if (!plot)
        return;
    for (int k = 1; k <= ScanStore::scanCount; ++k)
        plot->SetCurveColor(k - 1, black ? 0 : ScanColour(k));
}

} // namespace

void TXLAWindow::CmSetRange() {
    float v[4];
    const char* const prompts[4] = {"smallest r", "highest r", "smallest absorbance",
                                    "highest absorbance"};
    for (int i = 0; i < 4; ++i)
        if (!InputFloatForWindow(this, &v[i], 0.0f, false, prompts[i], "SET DISPLAY RANGE"))
            return;
    if (v[0] > v[1])
        std::swap(v[0], v[1]);
    if (v[2] > v[3])
        std::swap(v[2], v[3]);
    CWINPlot* plot = ScanStore::dataPlot;
    if (!plot)
        return;
    ZoomHistory::Push(v[0], v[1], v[2], v[3]);
    plot->SetRanges(v[0], v[1], v[2], v[3]);
    plot->Draw();
    gRangeSetByUser = true;
    DrawPlotsNow();
}

void TXLAWindow::CmFullRange() {
    CWINPlot* plot = ScanStore::dataPlot;
    if (!plot)
        return;
    gZoomed = false;
    ZoomHistory::level = 0;
    plot->FullRange();
    plot->Draw();
    DrawPlotsNow();
}

void TXLAWindow::CmUpdate() {
    Invalidate(true);
}

void TXLAWindow::CmShowResiduals() {
    ToggleView(ScanStore::showResiduals, ScanStore::showData, 209, LayoutResidualPlot,
               LayoutDataPlot);
}

void TXLAWindow::CmShowData() {
    ToggleView(ScanStore::showData, ScanStore::showResiduals, 232, LayoutDataPlot,
               LayoutResidualPlot);
}

// Flips one of the two views; the plots shown afterwards get the panels, and the data plot the
// ranges of the current zoom level.
void TXLAWindow::ToggleView(bool& view, bool other, int checkId, void (*layoutAlone)(),
                            void (*layoutOtherAlone)()) {
    CWINPlot* plot = ScanStore::dataPlot;
    if (!plot)
        return;
    view = !view;
    CheckMark(checkId, view);
    if (!view) {
        if (other)
            layoutOtherAlone();
    } else if (other) {
        LayoutDataAndResidualPlots();
    } else {
        layoutAlone();
    }
    ApplyZoomLevel(plot);
    plot->Draw();
    RequestRepaint();
}

void TXLAWindow::CmDataMarkSize() {
    CWINPlot* plot = ScanStore::dataPlot;
    if (ScanStore::scanCount == 0 || !plot)
        return;
    float size = 0.0f;
    if (!InputFloatForWindow(this, &size, float(plot->markSize), true,
                             "enter data mark size (-1 for lines):", "DATA MARK SIZE"))
        return;
    if (size == -1.0f) {
        SetScanCurveStyles(-1);
        gMarksAsLines = true;
    } else if (size >= 0.0f) {
        // Any size the box takes fits the integer; beyond a million pixels marks cover the plot.
        plot->markSize = int(std::floor(std::min(size, 1.0e6f)));
        gMarkSize = int(std::floor(plot->markSize * 1.5));
        if (gMarksAsLines) {
            SetScanCurveStyles(6);
            gMarksAsLines = false;
        }
    }
    RedrawDataPlot(false);
    DrawPlotsNow();
}

void TXLAWindow::CmToggleScanNameTips() {
    gScanNameTips = !gScanNameTips;
    CheckMark(210, gScanNameTips);
    RequestRepaint();
}

void TXLAWindow::CmOldFilenameConvention() {
    gOldFilenameConvention = !gOldFilenameConvention;
    CheckMark(243, gOldFilenameConvention);
}

void TXLAWindow::CmCopyDataPlot() {
    CWINPlot* plot = ScanStore::dataPlot;
    if (!plot)
        return;
    const char* caption = "Copy Data Plot to Clipboard";
    // Each curve gets its own style back afterwards, so lines chosen with Data Mark Size stay.
    std::vector<int> styles;
    for (int k = 0; k < ScanStore::scanCount; ++k)
        styles.push_back(plot->GetCurveStyle(k));
    if (AskYesNo("connect data points with lines?", caption))
        SetScanCurveStyles(-1);
    const bool blackWhite = AskYesNo("Paint Black and White?", caption);
    if (blackWhite) {
        SetScanCurveColours(plot, true);
        SetScanCurveColours(ScanStore::residualPlot, true);
    }
    plot->Draw();
    if (blackWhite) {
        SetScanCurveColours(plot, false);
        SetScanCurveColours(ScanStore::residualPlot, false);
    }
    CopyMetafileToClipboard(this, plot->Picture());
    if (!ScanDataKind::fluorescence)
        for (int k = 0; k < ScanStore::scanCount; ++k)
            plot->SetCurveStyle(k, styles[std::size_t(k)]);
    plot->Draw();
}

void TXLAWindow::CmCopyResidualsPlot() {
    CWINPlot* plot = ScanStore::residualPlot;
    if (!plot)
        return;
    const bool blackWhite = AskYesNo("Paint Black and White?", "Copy Residuals Plot to Clipboard");
    if (blackWhite) {
        SetScanCurveColours(ScanStore::dataPlot, true);
        SetScanCurveColours(plot, true);
    }
    plot->Draw();
    if (blackWhite) {
        SetScanCurveColours(ScanStore::dataPlot, false);
        SetScanCurveColours(plot, false);
    }
    CopyMetafileToClipboard(this, plot->Picture());
}

void TXLAWindow::CmCopyScreenshot() {
    TClipboard clipboard(this);
    if (!clipboard.IsOpen())
        return;
    clipboard.EmptyClipboard();
    clipboard.SetBitmap(GetSurface());
    clipboard.CloseClipboard();
}
