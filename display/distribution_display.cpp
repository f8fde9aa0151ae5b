// The distribution plot and the reference meniscus as the main window shows them.
#include "display/distribution_display.h"

#include "display/screen_modes.h"
#include "plotting/win_plot.h"
#include "state/buffer_sedimentation.h"
#include "state/conti_state.h"
#include "state/model_kind.h"

bool DistributionPlotShown() {
    return ModelShowsDistribution() && ContiState::distributionPlot &&
           !ScreenModes::eqTestPlotShown && !ContiState::fmVsMShown;
}

HMETAFILE RepaintDistributionPlot() {
    CWINPlot* plot = ContiState::distributionPlot;
    if (!plot)
        return nullptr;
    plot->Draw();
    return plot->Picture();
}

bool BufferSedimentationReferenceShown() {
    return BufferSedimentation::on && BufferSedimentation::meniscusDiffOn;
}

double BufferSedimentationDifference() {
    return BufferSedimentation::meniscusDiff;
}
