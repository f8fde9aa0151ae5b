// The Help Wizard: advice boxes after Run and Fit on residuals that are larger than the optics
// give, larger at the ends of the fit range, a meniscus or bottom stopped at its bound, and a
// distribution that rises at an end of its range.
#include "app/model_families.h"
#include "app/txla_window.h"
#include "distributions/integrate_distribution.h"
#include "foundations/sounds.h"
#include "scandata/fit_limits.h"
#include "scandata/scan_store_alloc.h"
#include "state/buffer_sedimentation.h"
#include "state/conti_state.h"
#include "state/dls_data.h"
#include "state/fit_control.h"
#include "state/model_choice.h"
#include "state/model_kind.h"
#include "state/model_parameters.h"
#include "state/realtime_state.h"
#include "state/serial_fit_state.h"

#include <cmath>
#include <string>

namespace {

constexpr const char* kSuffix =
    "\n"
    "\n"
    "\n"
    "(to switch off wizard messages, use menu Help->Info and Wizard Messages)";
constexpr const char* kLargeResiduals =
    "Residuals seem larger than typically expected for the interference and "
    "absorbance optical system\n"
    "(However, if the total loading signal >> 1, the residuals may be fine, but "
    "should not exceed 0.1% of the total loading signal).";
constexpr const char* kMeniscusResiduals =
    "Residuals close to meniscus are significantly larger than elsewhere.\n"
    "This could indicate (a) problems with the model, (b) initial convection.\n"
    "\n"
    "*(a) Model problems that frequently show up in this region include wrong "
    "position of the meniscus,\n"
    "     too tight left fitting limits (too close to optical artifacts at "
    "meniscus),\n"
    "     unaccounted for concentration-dependent non-ideality (usually at "
    "concentrations > 1 mg/ml),\n"
    "     or unaccounted for small species.\n"
    "\n"
    "*(b) Initial convection may be caused by misalingment of the cell, or "
    "non-uniform temperature at the \n"
    "     start of the run.  The latter may sometimes be diagnosed also from the "
    "temperature plot showing large (> 0.5C) initial variation.";
constexpr const char* kBottomResiduals =
    "Residuals close to bottom are significantly larger than elsewhere.\n"
    "Frequently this arises from improperly modeled backdiffusion, either from \n"
    "\n"
    "**the data containing back-diffusion that is not modeled\n"
    "(for example, from the bottom position in the model being at too high radii or "
    "from lack of smaller species in \n"
    "the model)\n"
    "\n"
    "** or from back-diffusion in the model but not in the real data (in which case "
    "the bottom position in the model\n"
    "may be too far to the left [too close to the fitting limit])";
constexpr const char* kMeniscusAtBound =
    "Meniscus estimate has reached max/min value. \n"
    "This may indicate that a better fit would be achieved when relaxing the max/min "
    "constraint.\n"
    " If the max/min settings are adjusted purposely as extreme values of the "
    "physically possible range\n"
    " (from graphical inspection of clearly discernable air and solvent range), \n"
    "this suggests that there may have been convection.";
constexpr const char* kBottomAtBound =
    "Bottom estimate has reached max/min value. \n"
    "This may indicate that a better fit would be achieved when relaxing the max/min "
    "constraint.\n"
    " If the min settings are adjusted purposely as extreme values of the physically "
    "possible range\n"
    " (the minimum from graphical inspection of clearly identifiable solvent range "
    "[the maximum is usually not possible to visually discern]), \n"
    "this suggests that there may be a problem with the model.";

constexpr const char* kRisingAtMin =
    "Distribution value at min value is going up.  Assuming default distribution settings, this "
    "indicates that there's something smaller sedimenting that has not been captured in this "
    "range of the distribution.\n"
    " To fix this, set smin to a lower value (mabye 0).";
constexpr const char* kRisingAtMax =
    "Distribution value at max value is going up.  This indicates that the distribution range is "
    "too small.\n"
    "(When setting the max value higher, you may sometimes want to consider increasing the "
    "resolution, as well, or changing the type of grid [linear/log])";

} // namespace

// The distributions whose ends say something about their range: the c(s) family with one
// abscissa, not the boundary analyses, the size-and-shape models or those with discrete parts.
bool DistributionEndsChecked() {
    switch (CurrentModelTraits().ends) {
    case DistributionEnds::Unread:
        return false;
    case DistributionEnds::Read:
        return true;
    case DistributionEnds::ReadInBufferMismatch:
        return BufferSedimentation::on;
    }
    return false;
}

namespace {

// Root-mean-square of fit minus signal over the first and the last tenth of every scan's fit
// range, both ends inclusive; a sum over no points is returned undivided (0).
void EdgeResiduals(double* meniscusSide, double* bottomSide) {
    using S = ScanStore;
    double sumM = 0.0, sumB = 0.0;
    long countM = 0, countB = 0;
    for (int i = 1; i <= S::scanCount; ++i) {
        if (!S::signal || !S::fit || !S::signal[i] || !S::fit[i] || !S::firstFitIndex)
            continue;
        const int first = S::firstFitIndex[i];
        const int last = S::lastFitIndex[i];
        if (first < 1 || last > S::pointCount[i] || last < first)
            continue;
        const int k = static_cast<int>(std::floor(0.1 * (last - first)));
        auto square = [i](int j) {
            double d = static_cast<double>(S::fit[i][j]) - S::signal[i][j];
            return d * d;
        };
        for (int j = first; j <= first + k; ++j, ++countM)
            sumM += square(j);
        for (int j = last - k; j <= last; ++j, ++countB)
            sumB += square(j);
    }
    *meniscusSide = std::sqrt(countM > 0 ? sumM / static_cast<double>(countM) : sumM);
    *bottomSide = std::sqrt(countB > 0 ? sumB / static_cast<double>(countB) : sumB);
}

} // namespace

// The checks run independently, so several boxes may follow one another. A distribution's end
// counts as rising when its last interval holds more than 1 % of the distribution.
void TXLAWindow::CheckResidualsWizard() {
    using M = ModelParameters;
    if (RealtimeState::equilibriumTestMode || RealtimeState::realtimeMode || gDlsData ||
        ContiState::monteCarloRunning || SerialFitState::serializing)
        return;
    auto advise = [this](const char* message) {
        PlayErrorSound();
        std::string text = std::string(message) + kSuffix;
        MessageBox(text.c_str(), "Help Wizard", MB_OK);
    };
    const double rmsd = CalcFitRmsd();
    if (rmsd > 0.02)
        advise(kLargeResiduals);
    double rmsMeniscus = 0.0, rmsBottom = 0.0;
    EdgeResiduals(&rmsMeniscus, &rmsBottom);
    if (1.5 * rmsd < rmsMeniscus)
        advise(kMeniscusResiduals);
    if (1.5 * rmsd < rmsBottom)
        advise(kBottomResiduals);
    if (M::fitFloat[13] && (M::fitValues[13] == FitControl::meniscusMax ||
                            M::fitValues[13] == FitControl::meniscusMin))
        advise(kMeniscusAtBound);
    if (M::fitFloat[14] &&
        (M::fitValues[14] == FitControl::bottomMax || M::fitValues[14] == FitControl::bottomMin))
        advise(kBottomAtBound);
    const int n = ContiState::gridPoints;
    const float* x = ContiState::sValues;
    const float* c = ContiState::distribution;
    if (!DistributionEndsChecked() || !x || !c || n <= 2)
        return;
    if (c[2] < c[1]) {
        float area = 0.0f, total = 0.0f, average = 0.0f, spread = 0.0f;
        IntegrateDistribution(x[1], x[2], &area, &average, &total, &spread);
        if (area > 0.01f * total)
            advise(kRisingAtMin);
    }
    if (c[n] > c[n - 1]) {
        float last = 0.0f, whole = 0.0f, average = 0.0f, total = 0.0f, spread = 0.0f;
        IntegrateDistribution(x[n - 1], x[n], &last, &average, &total, &spread);
        IntegrateDistribution(x[1], x[n], &whole, &average, &total, &spread);
        if (last > 0.01f * whole)
            advise(kRisingAtMax);
    }
}
