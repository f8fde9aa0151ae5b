// The planner's driver: notes, model switch, parameters and their preferences file, the length
// of the simulation, the planning, and the caption over the window.
#include "app/min_time_to_eq_command.h"

#include "app/busy_as_a_fit.h"
#include "app/min_time_to_eq_plots.h"
#include "app/time_to_eq_box.h"
#include "app/txla_window.h"
#include "equilibrium/min_time_to_eq.h"
#include "equilibrium/time_to_eq_parameters.h"
#include "foundations/input_boxes.h"
#include "foundations/key_polling.h"
#include "plat/process.hpp"
#include "plotting/aux_plots.h"
#include "state/model_choice.h"
#include "state/startup_paths.h"

#include <cstdio>
#include <string>

namespace {
using P = TimeToEqParameters;
constexpr const char* kCaption = "CALCULATE MINIMUM TIME TO EQ";

// Kept between runs: the initial value of the manual entry.
float gMaxSimulationHours = 0.0f;

std::string PreferencesFile() {
    return std::string(gSettingsFolder) + "tarnixsimappeqparams.ini";
}

// A file of the planner that could not be written, and what that means for the user.
void NotWritten(TXLAWindow* window, const std::string& path, const char* consequence) {
    const std::string text = "Attention: could not open " + path + "\n" + consequence;
    window->MessageBox(text.c_str(), kCaption, MB_OK);
}
} // namespace

void ResetMinimumTimeToEqEntry() {
    gMaxSimulationHours = 0.0f;
}

void CalculateMinimumTimeToEq(TXLAWindow* window, int evaluationCap) {
    window->MessageBox(
        "Please Note:  This estimate is only a guide for the order of magnitude it's really going "
        "to take. It does not take into account chemical reactions.\nOne needs to experimentally "
        "verify attainment of equilibrium by sequential scans, if possible in 3 to 6 h intervals "
        "\n(See the tool for testing attainment of equilibrium in the Loading Options menu.)",
        kCaption, MB_OK);
    window->MessageBox("for predicting meniscus position, consider in 12 mm centerpieces\n130 ul "
                       "-> ~6.85 cm\n150 ul -> ~6.8 cm\n165 ul -> ~6.75 cm\n180 ul -> ~6.7 "
                       "cm\n200 ul -> ~6.65",
                       kCaption, MB_OK);
    if (!ModelChoice::lammModel) {
        window->MessageBox("switching to non-interacting species model", kCaption, MB_OK);
        window->CmNonInteractingSpecies();
    }

    P::outputPath.clear();
    std::string refused;
    if (!P::preferencesSaved && !LoadTimeToEqParameterPreferences(PreferencesFile(), &refused) &&
        !refused.empty()) {
        const std::string text = PreferencesFile() + "\n" + refused +
                                 ": the file is not read, the parameters start from those in use";
        window->MessageBox(text.c_str(), kCaption, MB_OK);
    }
    TimeToEQPTransfer record;
    RunTimeToEQPBox(window, record); // on Cancel the planner goes on with the parameters as were
    // A file that was refused is replaced only when the user agrees.
    const std::string replace =
        "replace " + PreferencesFile() + ", which was not read, with the parameters now in use?";
    if (refused.empty() || window->MessageBox(replace.c_str(), kCaption, MB_YESNO) == IDYES) {
        window->DebugLog("\nEnter SaveLammEqParameterPreferences");
        P::preferencesSaved = SaveTimeToEqParameterPreferences(PreferencesFile());
        if (!P::preferencesSaved)
            NotWritten(window, PreferencesFile(),
                       "the parameters are used now, but not kept for the next planning");
    }

    if (!P::givenDistribution) {
        gMaxSimulationHours = PlannerMaxSimulationHours();
        // A length or program that cannot be simulated ends here, not in a loop without end.
        const std::string refusal = MinimumTimeToEqRefusal(gMaxSimulationHours);
        if (!refusal.empty()) {
            window->MessageBox((refusal + ": nothing is planned").c_str(), kCaption, MB_OK);
            return;
        }
    } else {
        window->MessageBox("...need to implement maximum time calculation... please enter "
                           "manually (h)",
                           kCaption, MB_OK);
        if (!InputFloatForWindow(window, &gMaxSimulationHours, gMaxSimulationHours, true,
                                 "max sim time (h)", kCaption))
            return;
    }

    if (P::givenDistribution) {
        // Nothing is simulated or saved: no caption with times or a path.
        window->MessageBox("...distribution needs to be implemented", kCaption, MB_OK);
        return;
    }
    // Every new best of the search is drawn at once; a key press ends the search it falls in and
    // keeps the best program so far.
    OverspeedWatch watch;
    watch.stop = [window] { return KeyPressed(window); };
    watch.progress = [window](const OverspeedProgress& progress) {
        ShowSpeedProgramProgress(window, progress);
    };
    MinimumTimeToEqOutcome outcome;
    {
        const BusyAsAFit busy(*window);
        outcome =
            RunMinimumTimeToEq(gMaxSimulationHours, watch, std::string(gTempFolder), evaluationCap);
        EndSpeedProgramProgress();
    }
    // A failed reference plans nothing and saves nothing: no plot or caption claims otherwise.
    if (!outcome.simulated)
        return;
    // The saved program is shown in the text editor.
    if (outcome.fileWritten)
        plat::OpenInTextEditor(P::outputPath);
    else if (!P::outputPath.empty()) // no file picked: nothing was to be written
        NotWritten(window, P::outputPath, "the optimized speed program is not saved");
    if (P::saveScanFiles && !outcome.scansWritten)
        NotWritten(window, gTempFolder,
                   "the simulated scans of the best program are not all saved there");
    ShowMinimumTimeToEqPlots(window, outcome);
    if (!outcome.fileWritten)
        return;
    const std::string caption = MinimumTimeToEqCaption(P::epsilon, outcome.timeAtConstantSpeed,
                                                       P::bestValue, P::outputPath);
    std::snprintf(AuxPlots::caption, sizeof AuxPlots::caption, "%s", caption.c_str());
    AuxPlots::captionShown = true;
    window->Invalidate();
}
