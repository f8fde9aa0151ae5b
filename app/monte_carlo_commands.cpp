// The Monte-Carlo commands of the distributions: replicate statistics of the distribution with
// limit curves at a confidence level chosen afterwards (296), and of the integrated loading and
// weight-average s of ranges chosen afterwards (546).
#include "app/busy_as_a_fit.h"
#include "app/save_dialogs.h"
#include "app/txla_window.h"
#include "distributions/monte_carlo.h"
#include "foundations/input_boxes.h"
#include "foundations/whole_number.h"
#include "scandata/scan_store_alloc.h"
#include "state/conti_state.h"
#include "state/model_choice.h"

#include <cmath>
#include <filesystem>
#include <limits>
#include <string>

namespace {

constexpr const char* kCaption = "Monte Carlo for Distributions";
constexpr const char* kIntroduction =
    "This Monte-Carlo routine will show the statistics only arising from the distribution and "
    "regularization.\n";

bool MonteCarloPossible() {
    return ScanStore::scanCount >= 1 && ModelChoice::contiMode;
}

// The folder of the name chosen in the save dialog, and whether each replicate is written.
bool AskFolder(TXLAWindow* w, std::string* folder, bool* writeEach) {
    std::string path;
    if (!AskSavePath(w, "select directory (dummy file) for Monte Carlo for Distributions", "blank",
                     false, &path))
        return false;
    *folder = std::filesystem::path(path).parent_path().string();
    *writeEach = w->MessageBox("write distribution to file at each iteration?", "SET PREFERENCE",
                               MB_YESNO) == IDYES;
    return true;
}

} // namespace

void TXLAWindow::CmMonteCarloDistributions() {
    if (!MonteCarloPossible())
        return;
    const std::string question = std::string(kIntroduction) + " - continue?";
    if (MessageBox(question.c_str(), kCaption, MB_YESNO) != IDYES)
        return;
    float count = 0, level = 0;
    if (!InputPositiveFloat(this, &count, 100.0f, true, "number of simulations", kCaption) ||
        !InputPositiveFloat(this, &level, 0.68f, true, "confidence level for display", kCaption))
        return;
    std::string folder;
    bool writeEach = false;
    if (!AskFolder(this, &folder, &writeEach))
        return;
    SetCursor(IDC_WAIT);
    ContiState::monteCarloIntegratedS = false;
    bool ran = false;
    {
        const BusyAsAFit busy(*this);
        ran = RunMonteCarloDistributions(this, computeObserver,
                                         FloorToInt(count, 0, std::numeric_limits<int>::max()),
                                         level, folder, writeEach);
    }
    if (ran) {
        while (InputPositiveFloat(this, &level, level, true, "change confidence level", kCaption)) {
            MonteCarloLimitTable(level);
            Invalidate();
        }
    }
    FinishMonteCarlo(this);
    Invalidate();
    SetCursor(IDC_ARROW);
}

void TXLAWindow::CmMonteCarloSw() {
    if (!MonteCarloPossible())
        return;
    const std::string question =
        std::string(kIntroduction) +
        "It will not optimize at each step non-linear parameters (such as meniscus value) but "
        "considers them fixed.\n"
        "If you need to consider their influence on confidence limits on integrated sw, too, you "
        "can use the Monte-Carlo procedure\n"
        "to the hybrid discrete/continuous distribution of MIROVAN (slow), or, alternatively, do "
        "a two-step analysis of determining confidence intervals\n"
        "of the nonlinear parameter first, and then apply the present Monte-Carlo for "
        "distributions procedure to the extreme values (faster)." +
        " - continue?";
    if (MessageBox(question.c_str(), kCaption, MB_YESNO) != IDYES)
        return;
    float count = 0, level = 0, smin = 0, smax = 0;
    if (!InputPositiveFloat(this, &count, 100.0f, true, "number of simulations", kCaption) ||
        !InputPositiveFloat(this, &level, 0.68f, true,
                            "confidence level of regularization (P-value, recommended 0.68)",
                            kCaption) ||
        !InputPositiveFloat(this, &smin, ContiState::rangeMin, true,
                            "left integration limit (smin)", kCaption) ||
        !InputPositiveFloat(this, &smax, ContiState::rangeMax, true,
                            "right integration limit (smax)", kCaption))
        return;
    std::string folder;
    bool writeEach = false;
    if (!AskFolder(this, &folder, &writeEach))
        return;
    SetCursor(IDC_WAIT);
    ContiState::monteCarloIntegratedS = true;
    bool ran = false;
    {
        const BusyAsAFit busy(*this);
        ran = RunMonteCarloIntegratedS(this, computeObserver,
                                       FloorToInt(count, 0, std::numeric_limits<int>::max()), level,
                                       smin, smax, folder, writeEach);
    }
    if (ran) {
        while (MessageBox("other integration limits?", kCaption, MB_YESNO) == IDYES) {
            if (!InputPositiveFloat(this, &smin, smin, true, "left integration limit (smin)",
                                    kCaption) ||
                !InputPositiveFloat(this, &smax, smax, true, "right integration limit (smax)",
                                    kCaption))
                break;
            ReportMonteCarloStatistics(this, smin, smax);
        }
    }
    FinishMonteCarlo(this);
    Invalidate();
    SetCursor(IDC_ARROW);
}
