// The commands on the continuous distribution: save and copy it, copy its plot, the
// regularization choice, integration (on the plot or by file ranges) and the plot's x range.
#include "app/save_dialogs.h"
#include "app/txla_window.h"
#include "display/distribution_plot.h"
#include "distributions/distribution_files.h"
#include "distributions/integration_ranges.h"
#include "distributions/size_shape_slices.h"
#include "foundations/clipboard_table.h"
#include "foundations/show_error.h"
#include "plat/clipboard.hpp"
#include "plotting/plot_owners.h"
#include "plotting/win_plot.h"
#include "state/conti_state.h"
#include "state/model_choice.h"
#include "state/plot_interaction_state.h"
#include "state/preference_switches.h"
#include "state/startup_paths.h"

#include <string>

namespace {

constexpr const char* kIntegration = "INTEGRATE DISTRIBUTION";

bool HaveDistribution() {
    return ContiState::sValues && ContiState::distribution && ContiState::gridPoints >= 1;
}

} // namespace

void TXLAWindow::CmSaveContiDistribution() {
    if (!HaveDistribution()) {
        MessageBox("There is no distribution to save: Run the distribution model first.",
                   "SAVE DISTRIBUTION", MB_OK | MB_ICONINFORMATION);
        return;
    }
    paintSuspended = true;
    std::string path;
    const bool chosen = AskSavePath(this, "save distribution as", "distrib.dat", true, &path);
    paintSuspended = false;
    if (chosen && !SaveDistributionFile(path)) {
        const std::string text = "could not write the distribution to " + path;
        ShowError(text.c_str(), 0);
    }
}

void TXLAWindow::CmCopyDistributionPlot() {
    CWINPlot* plot = ContiState::distributionPlot;
    if (!plot)
        return;
    plot->Draw();
    CopyMetafileToClipboard(this, plot->Picture());
}

void TXLAWindow::ChooseRegularization(bool maxEnt, bool secondDerivative, bool both) {
    ContiState::maxEntRegularization = maxEnt;
    ContiState::secondDerivativeRegularization = secondDerivative;
    ContiState::showBothRegularizations = both;
    CheckMark(294, secondDerivative);
    CheckMark(295, maxEnt);
    CheckMark(642, both);
    OfferToSave(9, secondDerivative ? 2 : (both ? 3 : 1));
}

void TXLAWindow::CmSecondDerivativeRegularization() {
    ChooseRegularization(false, true, false);
}

void TXLAWindow::CmMaxEntRegularization() {
    ChooseRegularization(true, false, false);
}

void TXLAWindow::CmShowBothRegularizations() {
    ChooseRegularization(false, false, true);
}

void TXLAWindow::CmIntegrationRangesFromFile() {
    gIntegrationRangesFromFile = !gIntegrationRangesFromFile;
    if (gIntegrationRangesFromFile &&
        !LoadIntegrationRangesFrom(gTablePaths.integrationRangeFile)) {
        const std::string text = std::string("no integration ranges could be read from ") +
                                 gTablePaths.integrationRangeFile;
        MessageBox(text.c_str(), "INTEGRATION RANGES", MB_OK | MB_ICONINFORMATION);
        gIntegrationRangesFromFile = false;
    }
    CheckMark(644, gIntegrationRangesFromFile);
    OfferToSave(10, gIntegrationRangesFromFile ? 1 : 0);
}

void TXLAWindow::ReportAutomaticIntegration() {
    std::string text;
    for (const IntegrationRange& r : IntegrationRanges())
        text += IntegralReportLine(r.lo, r.hi);
    if (!text.empty())
        MessageBox(text.c_str(), kIntegration, MB_OK);
}

void TXLAWindow::CmIntegrateDistribution() {
    if (HaveDistribution())
        IntegrateOrSelectRange();
}

// The next right-button band on the distribution plot zooms it.
void TXLAWindow::CmRescaleDistributionPlot() {
    if (ContiState::distributionPlot)
        DistributionBand::zoomArmed = true;
}

void TXLAWindow::CmFullscaleDistributionPlot() {
    FullscaleDistribution(this);
}
