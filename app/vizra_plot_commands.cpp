// Plot commands that hand the data, the fit and the distribution to the plotting program.
#include "app/batch_fit_common.h"
#include "app/batch_series.h"
#include "app/plot_exchange_files.h"
#include "app/txla_window.h"
#include "app/vizra_exchange_files.h"
#include "foundations/show_error.h"
#include "foundations/text_lines.h"
#include "plat/atomic_file.hpp"
#include "plat/process.hpp"
#include "state/dls_data.h"
#include "state/model_choice.h"
#include "state/scan_store.h"
#include "state/startup_paths.h"

#include <string>

namespace {

constexpr const char* kVizraCaption = "VIZRA";

void SayCouldNotOpen(const std::string& path) {
    std::string message;
    AppendFormat(message, "\n\aAttention: could not open %s", path.c_str());
    ShowError(message.c_str());
}

// The program's path, or empty after the box that says where it was looked for.
std::string VizraOrSay(TXLAWindow* window, const char* notFoundFormat) {
    std::string program = FindVizraProgram();
    if (program.empty()) {
        std::string text;
        AppendFormat(text, notFoundFormat, (std::string(gProgramFolder) + "VIZRA/VIZRA").c_str());
        window->MessageBox(text.c_str(), kVizraCaption, MB_OK);
    }
    return program;
}

// Starts the program with one option and one file; the program is not waited for.
void StartVizra(TXLAWindow* window, const std::string& program, const char* option,
                const std::string& file) {
    if (plat::StartProgram(program, {option, file}) <= 31)
        window->MessageBox("the VIZRA process could not be started", "ERROR", MB_OK | MB_ICONSTOP);
}

// The program for a plot of the loaded scans; empty when no scans are plotted or it is not found
// (then said).
std::string VizraForLoadedScans(TXLAWindow* window) {
    if (ScanStore::scanCount <= 0 || !ScanStore::dataPlot)
        return {};
    return VizraOrSay(window, "Can't seem to find VIZRA script at %s - Sorry!");
}

void LaunchVizraVelocity(TXLAWindow* window) {
    const std::string program = VizraForLoadedScans(window);
    if (program.empty())
        return;
    const std::string file = std::string(gTempFolder) + "svdfrdata.dat";
    if (!WriteSvdfrDataFile(file)) {
        SayCouldNotOpen(file);
        return;
    }
    StartVizra(window, program, "--svdfr", file);
}

void LaunchVizraDls(TXLAWindow* window) {
    const std::string program = VizraForLoadedScans(window);
    if (program.empty())
        return;
    const std::string file = std::string(gTempFolder) + "dlsdata.dat";
    if (WriteDlsDataFile(file) == 0)
        return;
    StartVizra(window, program, ScanStore::dlsRecords[1].isFieldAcf ? "--dls" : "--idls", file);
}

void LaunchVizraSE(TXLAWindow* window) {
    if (!ScanStore::dataPlot)
        return;
    const std::string program =
        VizraOrSay(window, "Can't seem to find VIZRA script at %s - Sorry!");
    if (program.empty())
        return;
    const std::string file = std::string(gTempFolder) + "SEdata.dat";
    if (WriteSEDataFile(file) == 0)
        return;
    StartVizra(window, program, "--sedfr", file);
}

} // namespace

void TXLAWindow::CmVizraCsPlot() {
    if (ScanStore::scanCount <= 0 || !ScanStore::dataPlot || !DistributionAvailable())
        return;
    const std::string program =
        VizraOrSay(this, "Can't seem to find VIZRA executable at %s - Sorry!");
    if (program.empty())
        return;
    const std::string file = std::string(gTempFolder) + "dist.txt";
    if (!WriteDistributionFiles(true, file)) {
        SayCouldNotOpen(file);
        return;
    }
    if (gDlsData)
        MessageBox("VIZRA distribution will be in log10(R/nM)", "Attention", MB_OK);
    std::string command;
    AppendFormat(command, "%s --cofs %s\n", program.c_str(), file.c_str());
    const std::string last = std::string(gTempFolder) + "lastcommand.txt";
    if (!plat::WriteFileAtomically(last, command)) {
        SayCouldNotOpen(last);
        return;
    }
    StartVizra(this, program, "--cofs", file);
}

void TXLAWindow::CmVizraDataFitResPlot() {
    if (gDlsData) {
        LaunchVizraDls(this);
        return;
    }
    if (ScanStore::equilibriumData) {
        LaunchVizraSE(this);
        return;
    }
    LaunchVizraVelocity(this);
}

void TXLAWindow::CmVizraPlot() {
    if (MessageBox("VIZRA for data, fit, and residuals?", kVizraCaption, MB_YESNO) == IDYES)
        CmVizraDataFitResPlot();
    if (ModelChoice::contiMode && MessageBox("VIZRA for c(s)?", kVizraCaption, MB_YESNO) == IDYES)
        CmVizraCsPlot();
}
