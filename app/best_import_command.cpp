// "extract s-value from BEST/BEMINE": the diffusion coefficients of an outside boundary-element
// program's models, extrapolated to infinitely many triangles, as a sedimentation coefficient
// under standard conditions, with an optional plot of the extrapolation.
#include "app/save_dialogs.h"
#include "app/txla_window.h"
#include "display/scan_plots.h"
#include "foundations/input_boxes.h"
#include "foundations/show_error.h"
#include "plotting/aux_plots.h"
#include "plotting/win_plot.h"
#include "scandata/scan_file.h"
#include "state/scan_store.h"
#include "tools/best_models.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr const char* kCaption = "read BEST/BEMINE";
constexpr const char* kInitialName = "tdat";

void Attention(const std::string& text) {
    ShowError(("\n\a" + text).c_str(), 0);
}

// The models as symbols (1/N, D in 1e-7 cm^2/s) and the line from 1/N = 0 to beyond the
// coarsest model, over the whole plot area.
void ShowExtrapolationPlot(TXLAWindow* window, const BestExtrapolation& e) {
    const std::size_t c = e.models.size();
    std::vector<double> x, y, lineX(c), lineY(c);
    for (const BestModel& m : e.models) {
        x.push_back(1.0 / m.triangles);
        y.push_back(1e7 * m.d);
    }
    for (std::size_t i = 0; i < c; ++i)
        lineX[i] = i + 1 == c ? 1.1 * x[c - 1] : i == 0 ? 0.0 : x[i];
    for (std::size_t i = 0; i < c; ++i)
        lineY[i] = 1e7 * (e.slope * lineX[i] + e.d0);
    if (c > 1)
        lineY[0] = 1e7 * e.d0;

    SetAuxPointsAndLine(x, y, lineX, lineY);

    CWINPlot* plot = new CWINPlot();
    AuxPlots::auxPlot = plot;
    plot->SetPlotRect(PlotLayout::DataTop(), PlotLayout::left, PlotLayout::ResidualBottom(),
                      PlotLayout::right);
    plot->SetXLabel("1/n");
    plot->SetYLabel("D (F)");
    plot->AddCurve(AuxPlots::temperatureCurve);
    plot->AddCurve(AuxPlots::lineCurve);
    plot->SetCurveStyle(0, 6);
    plot->SetCurveStyle(1, -1);
    plot->markSize = 15;
    // A line falling towards the coarse models still gets a range from low to high.
    const double yA = 0.99 * 1e7 * e.d0, yB = 1.01 * lineY[c - 1];
    plot->SetRanges(0.0f, static_cast<float>(1.1 * x[c - 1]), static_cast<float>(std::min(yA, yB)),
                    static_cast<float>(std::max(yA, yB)));
    plot->Draw();
    AuxPlots::noRescale = true;
    window->RequestRepaint();
}

} // namespace

void TXLAWindow::CmExtractBestSValue() {
    float molarMass = 100000.0f, vbar = ScanStore::vbar;
    if (!InputFloatForWindow(this, &molarMass, molarMass, true, "molar mass (Da)", kCaption) ||
        !InputFloatForWindow(this, &vbar, vbar, true, "partial-specific volume (ml/g)", kCaption))
        return;
    if (!(molarMass > 0.0f) || !(vbar > 0.0f))
        return;
    std::string path;
    const std::string folder = ScanPaths::gDataDrive + ScanPaths::gDataDir;
    if (!AskOpenPath(this, "select filename of BEMINE output", kInitialName, &path,
                     folder.empty() ? nullptr : folder.c_str())) {
        Attention(std::string("no diffusion data found in ") + kInitialName);
        return;
    }
    std::string text;
    if (!ReadWholeFile(path.c_str(), &text)) {
        Attention("Attention: could not open " + path);
        return;
    }
    if (text.empty()) {
        Attention("Attention: could not read " + path + " into memory");
        return;
    }
    const BestExtrapolation e = ExtrapolateBestModels(ReadBestModels(text));
    if (e.models.empty()) {
        Attention("no diffusion data found in " + path);
        return;
    }
    if (!e.ok) {
        Attention("Attention: the models in " + path +
                  " do not differ in their number of triangles - no extrapolation to 1/N = 0");
        return;
    }
    const double s = StandardSFromD(molarMass, e.d0, vbar);
    const std::string report = BestReportText(path, e, molarMass, vbar, s);
    if (MessageBox(report.c_str(), kCaption, MB_YESNO) == IDYES)
        ShowExtrapolationPlot(this, e);
}
