// The optimiser choice of the "Fitting Options" menu: simplex, simulated annealing or
// Marquardt-Levenberg, kept as preference 12 when the user asks for it.
#include "app/txla_window.h"
#include "foundations/input_boxes.h"
#include "state/fit_control.h"

#include <cmath>

namespace {

constexpr int kSimplexId = 826;
constexpr int kAnnealingId = 825;
constexpr int kMarquardtId = 824;
// Preference 12 codes the choice as 1, 2 or 3.
constexpr int kOptimiserPreference = 12;

// A count entered as a float: rounded down; a value that no int holds leaves the count alone.
void StoreFloor(int& count, float value) {
    const float down = std::floor(value);
    if (std::isfinite(down) && down >= -2147483648.0f && down < 2147483648.0f)
        count = int(down);
}

} // namespace

void TXLAWindow::ChooseOptimiser(bool simplex, bool annealing, bool marquardt) {
    FitControl::simplex = simplex;
    FitControl::simulatedAnnealing = annealing;
    FitControl::marquardtLevenberg = marquardt;
    for (int id : {kSimplexId, kAnnealingId, kMarquardtId})
        CheckMark(id, false);
    CheckMark(simplex ? kSimplexId : annealing ? kAnnealingId : kMarquardtId, true);
}

void TXLAWindow::CmSimplex() {
    ChooseOptimiser(true, false, false);
    OfferToSave(kOptimiserPreference, 1);
}

void TXLAWindow::CmMarquardtLevenberg() {
    ChooseOptimiser(false, false, true);
    OfferToSave(kOptimiserPreference, 3);
}

void TXLAWindow::CmSimulatedAnnealing() {
    constexpr const char* kCaption = "Fit With Simulated Annealing";
    ChooseOptimiser(false, true, false);
    // Each cancelled question keeps that parameter and goes on with the next one.
    float value = FitControl::annealingStartTemperature;
    if (InputFloatForWindow(this, &value, value, true,
                            "starting 'temperature' (rel increase glob.chisq)", kCaption)) {
        FitControl::annealingStartTemperature = value;
        FitControl::annealingTemperature = value;
    }
    value = float(FitControl::annealingSteps);
    if (InputFloatForWindow(this, &value, value, true, "# of temperature steps", kCaption))
        StoreFloor(FitControl::annealingSteps, value);
    value = float(FitControl::annealingIterations);
    if (InputFloatForWindow(this, &value, value, true, "# of iterations per temperature", kCaption))
        StoreFloor(FitControl::annealingIterations, value);
    value = FitControl::annealingFinalML ? 1.0f : FitControl::annealingFinalSimplex ? 2.0f : 0.0f;
    if (InputFloatForWindow(this, &value, value, true, "final ML (1), Simplex (2), or none (0)",
                            kCaption)) {
        FitControl::annealingFinalML = value == 1.0f;
        FitControl::annealingFinalSimplex = value == 2.0f;
    }
    OfferToSave(kOptimiserPreference, 2);
}
