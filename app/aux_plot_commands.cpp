// Commands that hand the scans and their fit to the auxiliary plot programs.
#include "app/batch_fit_common.h"
#include "app/external_plot_programs.h"
#include "app/plot_exchange_files.h"
#include "app/save_dialogs.h"
#include "app/txla_window.h"
#include "app/vizra_exchange_files.h"
#include "foundations/input_boxes.h"
#include "foundations/text_lines.h"
#include "plat/process.hpp"
#include "plotting/win_plot.h"
#include "scandata/scan_data_kind.h"
#include "state/conti_state.h"
#include "state/dls_data.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/scan_store.h"
#include "state/startup_paths.h"

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <string>

namespace {

using S = ScanStore;

constexpr int kAuxProgramKey = 4113;
constexpr const char* k3dCaption = "PLOT 3D";
constexpr const char* kFitCaption = "PLOT FIT";

// What the data-plot programs are told: the radii to show, the y range and the axis range.
struct PlotRanges {
    float dataMin = 0, dataMax = 0, yMin = 0, yMax = 0, axisMin = 0, axisMax = 0;
};

bool ScanPlotPossible(AuxPlotProgramIndex program) {
    return S::scanCount > 0 && !gDlsData && !S::equilibriumData &&
           AuxPlotPaths[program].available && S::dataPlot;
}

bool Yes(TXLAWindow* window, const char* text, const char* caption) {
    return window->MessageBox(text, caption, MB_YESNO) == IDYES;
}

int SignalKind() {
    if (ScanDataKind::fluorescence)
        return 3;
    return ScanDataKind::interference ? 2 : 1;
}

// The ranges questions; askAutoY adds "auto y-axis limits?" first.
PlotRanges AskRanges(TXLAWindow* window, const char* yCaption, bool askAutoY) {
    const CWINPlot& plot = *S::dataPlot;
    PlotRanges r{plot.xMin, plot.xMax, plot.yMin, plot.yMax, plot.xMin, plot.xMax};
    const bool fitLimits = Yes(window, "show data within fitting limits?", k3dCaption);
    if (fitLimits) {
        r.dataMin = r.axisMin = S::leftFitLimit;
        r.dataMax = r.axisMax = S::rightFitLimit;
    }
    const bool cell = Yes(window, "radial axis range from meniscus to bottom?", k3dCaption);
    if (cell) {
        r.axisMin = ModelParameters::meniscus;
        r.axisMax = ModelParameters::bottom;
    }
    if (!fitLimits && !cell)
        window->MessageBox("using current display limits in the TARNIX data plot", k3dCaption,
                           MB_OK);
    if (askAutoY && Yes(window, "auto y-axis limits?", kFitCaption)) {
        r.yMin = r.yMax = 0;
        return r;
    }
    if (!Yes(window, "use current y-axis limits?", yCaption)) {
        InputFloatForWindow(window, &r.yMin, r.yMin, true, "y-min", k3dCaption);
        InputFloatForWindow(window, &r.yMax, r.yMax, true, "y-max", k3dCaption);
    }
    return r;
}

// The number of scans to plot, at most the number loaded.
float AskScanCount(TXLAWindow* window, const char* prompt, const char* caption) {
    const int N = S::scanCount;
    float count = static_cast<float>(std::min(20, N));
    InputFloatForWindow(window, &count, count, true, prompt, caption);
    return std::clamp(count, 1.0f, static_cast<float>(N));
}

// Each number as its own argument, "%d" or "%e".
void AddNumbers(std::vector<std::string>& args, std::initializer_list<double> values) {
    for (const double v : values) {
        std::string text;
        AppendFormat(text, "%e", v);
        args.push_back(text);
    }
}

std::string Whole(int v) {
    return std::to_string(v);
}

// "4113 <temp folder> <files> <kind> <six ranges>", each one argument; the caller adds the
// extra fields.
std::vector<std::string> ScanPlotArguments(int files, const PlotRanges& r) {
    std::vector<std::string> args{Whole(kAuxProgramKey), gTempFolder, Whole(files),
                                  Whole(SignalKind())};
    AddNumbers(args, {r.dataMin, r.dataMax, r.yMin, r.yMax, r.axisMin, r.axisMax});
    return args;
}

} // namespace

void TXLAWindow::CmPlot3d() {
    if (!ScanPlotPossible(kPlot3d))
        return;
    // A program shown files of an earlier command would plot stale data as current.
    const int files = WritePlotDataFiles(gTempFolder);
    if (files == 0)
        return;
    const PlotRanges r = AskRanges(this, k3dCaption, false);
    const float scans = AskScanCount(this, "#of scans to plot", k3dCaption);
    std::vector<std::string> args = ScanPlotArguments(files, r);
    AddNumbers(args, {scans});
    plat::StartProgram(AuxPlotPaths[kPlot3d].path, args);
}

void TXLAWindow::CmPlotDataFitRes() {
    if (!ScanPlotPossible(kDataFitRes))
        return;
    const int files = WritePlotDataFiles(gTempFolder);
    if (files == 0 || WritePlotFitFiles(gTempFolder) == 0)
        return;
    const PlotRanges r = AskRanges(this, kFitCaption, true);
    const float scans =
        AskScanCount(this, "#of scans to plot (constant time interval)", kFitCaption);
    std::vector<std::string> args = ScanPlotArguments(files, r);
    AddNumbers(args, {scans});
    plat::StartProgram(AuxPlotPaths[kDataFitRes].path, args);
}

void TXLAWindow::CmMakeSedMovie() {
    if (!ScanPlotPossible(kMovie))
        return;
    const int files = WritePlotDataFiles(gTempFolder);
    if (files == 0)
        return;
    const PlotRanges r = AskRanges(this, k3dCaption, false);
    char movie[kPathBufferSize];
    std::snprintf(movie, sizeof movie, "%ssedmovie.avi", CurrentSetPaths().folder.c_str());
    if (!SelectFilesToSave(this, movie, sizeof movie, "select filename for movie file", "avi"))
        return;
    std::vector<std::string> args{Whole(kAuxProgramKey), gTempFolder, movie, Whole(files),
                                  Whole(SignalKind())};
    AddNumbers(args,
               {r.dataMin, r.dataMax, r.yMin, r.yMax, r.axisMin, r.axisMax, double(S::scanCount)});
    plat::StartProgram(AuxPlotPaths[kMovie].path, args);
}

void TXLAWindow::CmPlotDataFitResDist() {
    if (!ScanPlotPossible(kDataFitResDist) || !DataFitDistributionPlotModel())
        return;
    if (!WriteDistributionFiles(false, std::string(gTempFolder) + "dist.dat"))
        return;
    const int files = WritePlotDataFiles(gTempFolder);
    if (files == 0 || WritePlotFitFiles(gTempFolder) == 0)
        return;
    const PlotRanges r = AskRanges(this, kFitCaption, true);
    const float scans =
        AskScanCount(this, "#of scans to plot (constant time interval)", kFitCaption);
    float sMin = ContiState::sValues[1];
    float sMax = ContiState::sValues[ContiState::gridPoints];
    InputFloatForWindow(this, &sMin, sMin, true, "minimum value for s-axis in distribution plot",
                        kFitCaption);
    InputFloatForWindow(this, &sMax, sMax, true, "maximum value for s-axis in distribution plot",
                        kFitCaption);
    std::vector<std::string> args = ScanPlotArguments(files, r);
    AddNumbers(args, {scans, sMin, sMax});
    plat::StartProgram(AuxPlotPaths[kDataFitResDist].path, args);
}

void TXLAWindow::CmPlotBestStructure() {
    if (!AuxPlotPaths[kBestStructure].available)
        return;
    std::string chosen;
    const std::string folder = CurrentSetPaths().folder;
    if (!AskOpenPath(this, "select filename for movie file", "*.*", &chosen,
                     folder.empty() ? nullptr : folder.c_str()))
        return;
    plat::StartProgram(AuxPlotPaths[kBestStructure].path, {Whole(kAuxProgramKey), chosen});
}
