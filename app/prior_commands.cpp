// The prior probability commands: a prior taken from the current distribution or read from a
// two-column file (529, which also switches a prior off), and the discrete species known
// beforehand, used by one Run (633).
#include "app/save_dialogs.h"
#include "app/txla_window.h"
#include "distributions/prior_probabilities.h"
#include "foundations/input_boxes.h"
#include "foundations/show_error.h"
#include "scandata/scan_store_alloc.h"
#include "state/conti_state.h"
#include "state/model_choice.h"

#include <cmath>
#include <string>
#include <vector>

namespace {

constexpr const char* kPriorCaption = "PRIOR PROBABILITIES";
constexpr const char* kDiscreteCaption = "PRIOR KNOWLEDGE OF DISCRETE SPECIES";
constexpr int kMaxDiscreteSpecies = 10;

bool HaveDistribution() {
    return ContiState::sValues && ContiState::distribution && ContiState::gridPoints >= 2;
}

// The held distribution as a prior curve, checked as a file would be.
std::string CurveOfDistribution(PriorCurve& curve) {
    std::string text;
    char line[80];
    for (int p = 1; p <= ContiState::gridPoints; ++p) {
        std::snprintf(line, sizeof line, "%.9g %.9g\n", double(ContiState::sValues[p]),
                      double(ContiState::distribution[p]));
        text += line;
    }
    return ParsePriorText(text, curve);
}

// The prior on the held distribution's grid, for the overlay and the copy command.
void ShowPriorOnHeldGrid() {
    if (!HaveDistribution())
        return;
    std::vector<double> x(std::size_t(ContiState::gridPoints) + 1, 0.0);
    for (int p = 1; p <= ContiState::gridPoints; ++p)
        x[std::size_t(p)] = ContiState::sValues[p];
    KeepPriorOfDistribution(PriorForGrid(x));
}

} // namespace

void TXLAWindow::CmUsePriorProbabilities() {
    if (ContiState::priorInUse) {
        if (MessageBox("A prior probability is in use for the distributions.\nSwitch it off?",
                       kPriorCaption, MB_YESNO) != IDYES)
            return;
        ClearPriorParams();
        CheckMark(529, false);
        Invalidate();
        return;
    }
    PriorCurve curve;
    std::string why;
    int fromDistribution = IDNO;
    if (HaveDistribution())
        fromDistribution = MessageBox("Use the current distribution as the prior probability?\n"
                                      "(No: read it from a file of two columns, the abscissa "
                                      "and the probability)",
                                      kPriorCaption, MB_YESNOCANCEL);
    if (fromDistribution == IDCANCEL)
        return;
    if (fromDistribution == IDYES) {
        why = CurveOfDistribution(curve);
    } else {
        paintSuspended = true;
        std::string path;
        const bool chosen = AskOpenPath(
            this, "select prior probability file (abscissa, probability)", "prior.dat", &path);
        paintSuspended = false;
        if (!chosen)
            return;
        why = ReadPriorFile(path, curve);
    }
    if (!why.empty()) {
        ShowError(why.c_str(), 0);
        return;
    }
    UsePriorCurve(std::move(curve));
    CheckMark(529, true);
    ShowPriorOnHeldGrid();
    Invalidate();
}

void TXLAWindow::CmPriorKnowledgeOfDiscreteSpecies() {
    if (ScanStore::scanCount < 1 || !ModelChoice::contiMode)
        return;
    float count = 1.0f;
    if (!InputPositiveFloat(this, &count, 1.0f, true, "number of discrete species",
                            kDiscreteCaption))
        return;
    const int species = static_cast<int>(std::lround(count));
    if (species < 1 || species > kMaxDiscreteSpecies) {
        char text[120];
        std::snprintf(text, sizeof text, "between 1 and %d discrete species can be entered",
                      kMaxDiscreteSpecies);
        MessageBox(text, kDiscreteCaption, MB_OK | MB_ICONINFORMATION);
        return;
    }
    std::vector<double> s;
    for (int i = 1; i <= species; ++i) {
        char prompt[80];
        std::snprintf(prompt, sizeof prompt, "s-value of discrete species %d [S]", i);
        float value = 5.0f;
        if (!InputFloatForWindow(this, &value, 5.0f, true, prompt, kDiscreteCaption))
            return;
        if (!std::isfinite(value))
            return;
        s.push_back(value);
    }
    // The species shape this Run only: the next Run clears them.
    UseDiscreteSpecies(std::move(s));
    ContiState::discretePriorOneShot = false;
    CmRun();
    ContiState::discretePriorOneShot = true;
}
