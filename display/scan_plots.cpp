// The data and residual plots: rebuilt after every load, run and mode change, laid out in the
// panels of the main window, and kept in step with the residuals of the store.
#include "display/scan_plots.h"

#include "display/scan_colours.h"
#include "display/scan_rms_file.h"
#include "foundations/ccurve.h"
#include "plotting/win_plot.h"
#include "scandata/fit_limits.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_store_alloc.h"
#include "state/dls_data.h"

#include <vector>

int PlotLayout::DataTop() {
    return ScanStore::distPlotRect[0];
}
int PlotLayout::DataBottom() {
    return ScanStore::distPlotRect[1];
}
int PlotLayout::ResidualTop() {
    return ScanStore::distPlotRect[2];
}
int PlotLayout::ResidualBottom() {
    return ScanStore::distPlotRect[3];
}

namespace {

void PlaceDataPlot(int bottom) {
    if (CWINPlot* plot = ScanStore::dataPlot)
        plot->SetPlotRect(PlotLayout::DataTop(), PlotLayout::left, bottom, PlotLayout::right);
}

void PlaceResidualPlot(int top) {
    if (CWINPlot* plot = ScanStore::residualPlot)
        plot->SetPlotRect(top, PlotLayout::left, PlotLayout::ResidualBottom(), PlotLayout::right);
}

void Draw(CWINPlot* plot) {
    if (plot)
        plot->Draw();
}

CCurve* Curve(int j, ScanCurveSlot slot) {
    return ScanStore::scanCurves ? ScanStore::scanCurves[j].c[slot] : nullptr;
}

struct Titles {
    const char* data;
    const char* residuals;
};

Titles AxisTitles() {
    if (ScanDataKind::absorbance && !ScanDataKind::fluorescence)
        return {"absorbance [OD]", "residuals [OD]"};
    if (ScanDataKind::intensity)
        return {"intensity", "intensity"};
    if (ScanDataKind::fluorescence)
        return {"fluorescence counts", "fluorescence counts"};
    if (ScanDataKind::interference)
        return {"fringes", "fringes"};
    if (gDlsData) {
        if (ScanStore::dlsRecords && ScanStore::dlsRecords[1].isFieldAcf)
            return {"g(1) field autocorrelation ", "g(1) field autocorrelation "};
        return {"g(2)-1 intensity autocorrelation ", "g(2)-1 intensity autocorrelation "};
    }
    return {nullptr, nullptr};
}

} // namespace

void LayoutDataPlot() {
    PlaceDataPlot(PlotLayout::ResidualBottom());
    Draw(ScanStore::dataPlot);
}

void LayoutResidualPlot() {
    if (CWINPlot* plot = ScanStore::residualPlot)
        plot->SetPlotRect(PlotLayout::DataTop(), PlotLayout::left, PlotLayout::ResidualBottom(),
                          PlotLayout::right);
    Draw(ScanStore::residualPlot);
}

void LayoutDataAndResidualPlots() {
    PlaceDataPlot(PlotLayout::DataBottom());
    const int lowered = ScanStore::showResidualsBitmap ? ScanStore::scanCount : 0;
    PlaceResidualPlot(PlotLayout::ResidualTop() + lowered);
    Draw(ScanStore::dataPlot);
    Draw(ScanStore::residualPlot);
}

HMETAFILE DataPlotHandle() {
    return ScanStore::dataPlot ? ScanStore::dataPlot->Picture() : nullptr;
}

HMETAFILE ResidualPlotHandle() {
    return ScanStore::residualPlot ? ScanStore::residualPlot->Picture() : nullptr;
}

void RedrawDataPlot(bool rescale) {
    CWINPlot* plot = ScanStore::dataPlot;
    if (!plot)
        return;
    if (rescale)
        plot->Rescale();
    plot->Draw();
}

void ShowDataRange(float xMin, float xMax, float yMin, float yMax) {
    CWINPlot* plot = ScanStore::dataPlot;
    if (!(yMax > yMin && xMax > xMin) || !plot) {
        RedrawDataPlot(false);
        return;
    }
    plot->SetRanges(xMin, xMax, yMin, yMax);
    plot->Draw();
}

void DeleteScanPlots() {
    delete ScanStore::dataPlot;
    delete ScanStore::residualPlot;
    ScanStore::dataPlot = nullptr;
    ScanStore::residualPlot = nullptr;
}

void SetPlotAxisTitles() {
    if (ScanStore::scanCount < 1 || !Curve(1, kSignalCurve))
        return;
    DeleteScanPlots();
    ScanStore::dataPlot = new CWINPlot();
    ScanStore::residualPlot = new CWINPlot();
    CWINPlot* data = ScanStore::dataPlot;
    CWINPlot* residual = ScanStore::residualPlot;
    const int n = ScanStore::scanCount;

    // Curves first, so the layout below autoscales to them; each plot is scaled once.
    std::vector<CCurve*> dataCurves, residualCurves;
    for (int k = 1; k <= n; ++k) {
        const int j = ScanStore::scanOrder[k];
        dataCurves.push_back(Curve(j, kSignalCurve));
        residualCurves.push_back(Curve(j, kResidualsCurve));
    }
    if (ScanDataKind::intensity)
        for (int k = 1; k <= n; ++k)
            dataCurves.push_back(Curve(ScanStore::scanOrder[k], kThirdCurve));
    data->AddCurves(dataCurves);
    residual->AddCurves(residualCurves);

    const int dataStyle = ScanDataKind::fluorescence ? -1 : 6;
    for (int k = 1; k <= n; ++k) {
        data->SetCurveStyle(k - 1, dataStyle);
        residual->SetCurveStyle(k - 1, -1);
        data->SetCurveColor(k - 1, ScanColour(k));
        residual->SetCurveColor(k - 1, ScanColour(k));
        if (ScanDataKind::intensity) {
            data->SetCurveStyle(n + k - 1, 7);
            data->SetCurveColor(n + k - 1, ScanColour(k));
        }
    }

    if (ScanDataKind::interference) {
        data->markSize = 0;
        if (n > 50)
            for (int k = 0; k < n; ++k)
                data->SetCurveStyle(k, -1);
    } else {
        data->markSize = 2;
    }

    const Titles titles = AxisTitles();
    if (titles.data) {
        data->SetYLabel(titles.data);
        residual->SetYLabel(titles.residuals);
    }
    LayoutDataAndResidualPlots();
}

void UpdateResiduals(bool rescale) {
    CWINPlot* plot = ScanStore::residualPlot;
    if (!plot || ScanStore::scanCount == 0 || !ScanStore::residuals)
        return;
    const bool limitsSet = ScanStore::leftFitLimit != 0.0f && ScanStore::rightFitLimit != 0.0f;
    for (int j = 1; j <= ScanStore::scanCount; ++j) {
        float* r = ScanStore::residuals[j];
        const float* s = ScanStore::signal[j];
        const float* f = ScanStore::fit[j];
        if (!r || !s || !f)
            continue;
        const int n = ScanStore::pointCount[j];
        int first = 1, last = n;
        ShownFitRange(j, first, last);
        // the difference of two floats in double, rounded once
        for (int i = 1; i <= n; ++i)
            r[i] = (i >= first && i <= last) ? float(double(s[i]) - double(f[i])) : 0.0f;
    }
    if (limitsSet) {
        if (rescale)
            plot->ZoomX(ScanStore::leftFitLimit, ScanStore::rightFitLimit);
        if (gWriteScanRms)
            WriteScanRmsFile();
    } else if (rescale) {
        plot->Rescale();
    }
    plot->Draw();
}
