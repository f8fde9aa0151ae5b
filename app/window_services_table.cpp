// Services of the main window that every subsystem calls: the trace file, repaint requests, help,
// and the table through which the layers below the window reach it.
#include "app/txla_window.h"
#include "display/boundary_report_plot.h"
#include "display/distribution_plot.h"
#include "display/marker_lines.h"
#include "display/noise_integrate_buttons.h"
#include "display/plot_replays.h"
#include "display/scan_plots.h"
#include "foundations/show_error.h"
#include "plat/backend.hpp"
#include "plotting/aux_plots.h"
#include "state/diagnostics.h"
#include "state/serial_fit_state.h"
#include "state/startup_paths.h"
#include "state/window_services.h"

#include <cstdio>
#include <string>

namespace {

constexpr const char* kHelpPage = "https://tarnix.example.org/help/";
constexpr UINT kHelpContext = 1; // the help engine's "show this context" command

// Starts a program with one argument; > 31 when it started.
int Launch(const char* program, const char* argument) {
    return plat::GetBackend().startProcess({{program, argument}, "", false});
}

} // namespace

// Each entry opens, writes, flushes and closes the file, so the trace survives a crash.
void TXLAWindow::DebugLog(const char* text) {
    if (!gDiagnosticsOn)
        return;
    if (!logFileName) {
        logFileName = new char[kPathBufferSize];
        std::snprintf(logFileName, kPathBufferSize, "%sTarnixdebug_t%d.txt", gDiagnosticsFolder, 0);
    }
    if (!logSessionText) {
        logSessionText = new char[1000];
        std::snprintf(logSessionText, 1000,
                      "\nstarting new tarnix debugging session for thread #%d", 0);
        text = logSessionText;
    }
    if (!text)
        return;
    std::FILE* file = std::fopen(logFileName, logStarted ? "a" : "w");
    if (!file) {
        // One box is enough: a traced loop would otherwise show one per entry.
        gDiagnosticsOn = gSolverDiagnostics = gThreadDiagnostics = false;
        CheckMark(867, false);
        char message[kPathBufferSize + 64];
        std::snprintf(message, sizeof message,
                      "\n\aAttention: could not open %s to write debugging info", logFileName);
        ShowError(message, 0);
        return;
    }
    logStarted = true;
    std::fputs(text, file);
    std::fflush(file);
    std::fclose(file);
}

void TXLAWindow::RequestRepaint() {
    if (SerialFitState::serializing)
        return;
    Invalidate(true);
}

// Draws the data plot and the markers at once, without waiting for a paint.
void TXLAWindow::DrawPlotsNow() {
    if (SerialFitState::serializing)
        return;
    DrawMetafilePlot(this);
    RedrawMarkers(this);
}

void TXLAWindow::CmHowToGetHelp() {
    char text[200];
    std::snprintf(text, sizeof text, "On-line help is available at\n%s\n\nConnect?", kHelpPage);
    if (MessageBox(text, "HELP", MB_YESNO) != IDYES)
        return;
    if (Launch("xdg-open", kHelpPage) <= 31)
        Launch("firefox", kHelpPage);
}

void TXLAWindow::CmHelpMode() {
    CmHowToGetHelp();
}

void TXLAWindow::ShowHelpContext(int context) {
    plat::GetBackend().showHelp("tarnix.hlp", kHelpContext, std::uintptr_t(context));
}

void TXLAWindow::CmDiagnosticsOutput() {
    char path[kPathBufferSize];
    std::snprintf(path, sizeof path, "%sTarnixdebug_t0.txt", gDiagnosticsFolder);
    std::FILE* test = std::fopen(path, "w");
    if (!test) {
        char message[kPathBufferSize + 80];
        std::snprintf(message, sizeof message,
                      "\n\aAttention: could not open %s to write debugging info: Create Directory",
                      path);
        ShowError(message, 0);
        return;
    }
    std::fclose(test);
    gDiagnosticsOn = !gDiagnosticsOn;
    gSolverDiagnostics = gThreadDiagnostics = gDiagnosticsOn;
    CheckMark(867, gDiagnosticsOn);
}

// Commands whose work is not part of the program yet say so instead of doing nothing.
void TXLAWindow::CmNotBuilt() {
    const CommandRow* row = FindCommand(currentCommand_);
    std::string name = row && row->text ? row->text : "this command";
    std::erase(name, '&');
    if (std::size_t tab = name.find('\t'); tab != std::string::npos)
        name.erase(tab);
    while (!name.empty() && name.back() == ' ')
        name.pop_back();
    char text[300];
    std::snprintf(text, sizeof text, "\"%s\" (command %d) is not available in this version.",
                  name.c_str(), currentCommand_);
    MessageBox(text, "NOT AVAILABLE", MB_OK | MB_ICONINFORMATION);
}

void InstallWindowServices() {
    WindowServiceTable& t = WindowServices::table;
    t.platformWindow = [](TXLAWindow* w) -> TWindow* { return w; };
    t.requestRepaint = [](TXLAWindow* w) { w->RequestRepaint(); };
    t.drawPlotsNow = [](TXLAWindow* w) { w->DrawPlotsNow(); };
    t.debugLog = [](TXLAWindow* w, const char* text) { w->DebugLog(text); };
    t.drawResidualsView = [](TXLAWindow* w) { DrawResidualsView(w); };
    t.runModel = [](TXLAWindow* w) { w->RunModel(); };
    t.leaveEqTestMode = [](TXLAWindow* w) { w->LeaveEqTestMode(); };
    t.showModelChoice = [](TXLAWindow* w) { w->ShowModelChoice(); };
    t.checkTemperatureFluctuation = [](TXLAWindow* w, float threshold) {
        return w->CheckTemperatureFluctuation(threshold);
    };
    t.clientWidth = [](const TXLAWindow* w) { return w->clientWidth; };
    t.clientHeight = [](const TXLAWindow* w) { return w->clientHeight; };
    t.rubberBandDC = [](TXLAWindow* w) { return w->rubberBandActive ? w->rubberBandDC : nullptr; };
    t.setPaintSuspended = [](TXLAWindow* w, bool on) { w->paintSuspended = on; };
    t.applyMarkerDrag = [](TXLAWindow* w, bool commit) { w->ApplyMarkerDrag(commit); };
    t.setPlotAxisTitles = &SetPlotAxisTitles;
    t.redrawDataPlot = &RedrawDataPlot;
    t.showDataRange = &ShowDataRange;
    t.updateResiduals = &UpdateResiduals;
    t.deleteScanPlots = &DeleteScanPlots;
    t.showNoiseButtons = [](int) { ShowNoiseButtons(nullptr); };
    t.hideNoiseButtons = [] { HideNoiseButtons(nullptr); };
    t.computeObserver = [](TXLAWindow* w) -> CComputeObserver* { return &w->computeObserver; };
    t.showIntegrateButtons = &ShowIntegrateButtons;
    t.showAuxCurve = &SetAuxCurve;
    t.showDistribution = &ShowDistribution;
    t.createDistributionPlot = &CreateDistributionPlot;
    t.showTrialDistribution = &ShowTrialDistribution;
    t.endTrialDistribution = &EndTrialDistribution;
    t.clearDistribution = &ClearDistribution;
    t.labelDistributionAxes = &LabelDistributionAxes;
    t.freeBoundaryReportPlot = &FreeBoundaryReportPlot;
    t.deleteIntegrateButton = &DeleteIntegrateButton;
}
