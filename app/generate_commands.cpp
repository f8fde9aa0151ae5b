// The "&Generate" menu: the settings of synthetic data sets asked, then the sets made by the
// synthetic-data generator, one ("Single") or one per combination of settings ("Series").
#include "app/command_table.h"
#include "app/experiment_file.h"
#include "app/save_dialogs.h"
#include "app/txla_window.h"
#include "foundations/input_boxes.h"
#include "foundations/show_error.h"
#include "plat/atomic_file.hpp"
#include "plat/files.hpp"
#include "plat/msgbox.hpp"
#include "plat/paths.hpp"
#include "scandata/fit_limits.h"
#include "scandata/scan_store.h"
#include "simulation/discrete_sed.h"
#include "simulation/synthetic_data.h"
#include "state/dls_data.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/run_switches.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using M = ModelParameters;

constexpr const char* kGenerate = "GENERATE DATA";
constexpr const char* kDefaultName = "0000x.RA0";

// The parameters dialog of the current model, as the "&Parameters" command shows it; a help
// mode set for another command is left for that one. True when it was closed with OK.
bool OpenParametersDialog(TXLAWindow* window) {
    const bool helpMode = window->helpMode;
    window->helpMode = false;
    const bool ok = window->RunParameters();
    window->helpMode = helpMode;
    return ok;
}

bool AskNumber(TXLAWindow* window, float* value, float defaultValue, const char* prompt) {
    return InputFloatForWindow(window, value, defaultValue, true, prompt, kGenerate);
}

// "simulate with rotor acceleration phase?" and the rate; -1 when declined or cancelled.
float AskAcceleration(TXLAWindow* window) {
    if (window->MessageBox("simulate with rotor acceleration phase?", kGenerate, MB_YESNO) != IDYES)
        return -1.0f;
    float rate = 200.0f;
    return AskNumber(window, &rate, rate, "acceleration (rpm/sec)") ? rate : -1.0f;
}

// A count, then that many values, each asked with the item's number in the prompt.
bool AskList(TXLAWindow* window, const char* countPrompt, const char* itemFormat,
             float defaultValue, std::vector<float>* values) {
    float count = 1.0f;
    if (!AskNumber(window, &count, count, countPrompt))
        return false;
    values->clear();
    for (int k = 1; k <= static_cast<int>(count); ++k) {
        char prompt[100];
        std::snprintf(prompt, sizeof prompt, itemFormat, k);
        float value = defaultValue;
        if (!AskNumber(window, &value, defaultValue, prompt))
            return false;
        values->push_back(value);
    }
    return true;
}

// The current model can be simulated on generated velocity scans (whatever kind of data is
// loaded now, since the generated scans replace it).
bool ModelCanBeGenerated() {
    using C = ModelChoice;
    if (C::contiMode || C::selfAssocMonomerDimer || C::selfAssocMonomerTrimer ||
        C::selfAssocDimerTetramer || C::selfAssocTetramerOctamer)
        return false;
    const bool dls = gDlsData, equilibrium = ScanStore::equilibriumData;
    gDlsData = ScanStore::equilibriumData = false;
    const bool available = DiscreteModelAvailable();
    gDlsData = dls;
    ScanStore::equilibriumData = equilibrium;
    return available;
}

// The box for a model this version cannot simulate, naming the command.
void NotAvailable(TXLAWindow* window, const char* command, int id) {
    char text[200];
    std::snprintf(text, sizeof text,
                  "\"%s\" (command %d) is not available in this version for the model chosen.",
                  command, id);
    window->MessageBox(text, "NOT AVAILABLE", MB_OK | MB_ICONINFORMATION);
}

// Meniscus (6.2 cm when unset) and bottom (7.2 cm) of a generated cell, and their fit bounds.
void SetGeneratedCell() {
    UnpackFitParameters();
    if (M::meniscus == 0.0f)
        M::meniscus = 6.2f;
    M::bottom = 7.2f;
    PackFitParameters();
    SetDefaultMeniscusBottomLimits();
}

bool WriteSmallFile(const std::string& path, const std::string& text) {
    return plat::WriteFileAtomically(plat::NativePath(path), text);
}

std::string Format(const char* format, double value) {
    char text[200];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// One combination of a series and the files that name it.
struct SeriesSet {
    float dr = 0.0f, rpm = 0.0f, noise = 0.0f, meniscus = 0.0f, tracePercent = 0.0f;
};

void WriteSeriesInfo(const std::string& folder, int number, const SeriesSet& set) {
    char text[400];
    std::snprintf(text, sizeof text,
                  "%f (percent ctrace)\n%f (dr)\n%f (omega)\n%f (noise)\n%f (meniscus)\n",
                  static_cast<double>(set.tracePercent), static_cast<double>(set.dr),
                  static_cast<double>(set.rpm), static_cast<double>(set.noise),
                  static_cast<double>(set.meniscus));
    char name[40];
    std::snprintf(name, sizeof name, "info_%d", number);
    WriteSmallFile(plat::MakePath("", folder, name, "txt"), text);
    const std::string markers[] = {Format("tracepercent=%.3f", set.tracePercent),
                                   Format("dr=%.4f_cm", set.dr), Format("omega=%.0f_rpm", set.rpm),
                                   Format("noise=%.3f", set.noise),
                                   Format("meniscus=%.3f", set.meniscus)};
    for (const std::string& marker : markers)
        WriteSmallFile(plat::MakePath("", folder, marker, "info"), "1");
}

// The number of scans that covers the boundary's travel from the meniscus to the right fit
// limit; 0 when it cannot be worked out (no sedimentation, no range).
int AutomaticScanCount(float rpm, float interval) {
    const double right =
        ScanStore::rightFitLimit > M::meniscus ? ScanStore::rightFitLimit : M::bottom - 0.01;
    const double omega = rpm * 2.0 * M_PI / 60.0;
    const double rate = omega * omega * M::speciesS[1] * 1e-13;
    if (!(rate > 0.0) || !(interval > 0.0f) || !(right > M::meniscus) || M::meniscus <= 0.0f)
        return 0;
    double count = std::floor(std::log(right / M::meniscus) / rate / interval);
    return count >= 1.0 && count < 1e6 ? static_cast<int>(count) : 0;
}

} // namespace

void TXLAWindow::CmGenerateDataSingle() {
    if (ModelChoice::gStarFamily) {
        MessageBox("no simulation for van Holde-Weischet boundaries implemented", kGenerate, MB_OK);
        return;
    }
    if (!ModelCanBeGenerated()) {
        NotAvailable(this, "Single", 214);
        return;
    }
    ModelChoice::equilibriumMs = AskYesNo("Fit with M and s instead D and s?", kGenerate);

    SyntheticDataSettings set;
    float scans = 50.0f;
    if (!AskNumber(this, &set.dr, 0.001f, "density of points dr (cm)") ||
        !AskNumber(this, &set.rpm, 50000.0f, "rotor speed (rpm)"))
        return;
    set.acceleration = AskAcceleration(this);
    if (!AskNumber(this, &set.interval, 300.0f, "time interval of scans (sec)") ||
        !AskNumber(this, &scans, 50.0f, "number of simulated scans") ||
        !AskNumber(this, &set.noise, 0.01f, "std of noise (OD)"))
        return;
    set.scanCount = static_cast<int>(scans);
    SetGeneratedCell();
    if (!OpenParametersDialog(this))
        return;

    std::string target;
    if (!AskSavePath(this, "save generated data as", kDefaultName, false, &target))
        return;
    gSimulateOnly = true;
    SetCursor(IDC_WAIT);
    GenerateSyntheticData(this, set, target.c_str());
    SetCursor(IDC_ARROW);
    gSimulateOnly = false;
}

void TXLAWindow::CmGenerateDataSeries() {
    if (ModelChoice::gStarFamily || ModelChoice::contiMode || !ModelChoice::lammModel)
        return;
    if (!ModelCanBeGenerated()) {
        NotAvailable(this, "Series", 647);
        return;
    }
    if (!OpenParametersDialog(this))
        return;

    std::string target;
    if (!AskSavePath(this, "save generated data as", kDefaultName, false, &target))
        return;
    std::vector<float> drs, speeds, noises, menisci, traces;
    float interval = 300.0f, scans = 50.0f, offset = 0.0f;
    if (!AskList(this, "# radial increments?", "%d - density of points dr (cm)", 0.001f, &drs) ||
        !AskList(this, "# rotor speeds?", "%d - rotor speed (rpm)?", 50000.0f, &speeds))
        return;
    const float acceleration = AskAcceleration(this);
    if (!AskNumber(this, &interval, interval, "time interval of scans (sec)") ||
        !AskNumber(this, &scans, scans, "number of simulated scans (0 for auto)") ||
        !AskList(this, "# noise levels?", "%d - noise level?", 0.01f, &noises) ||
        !AskList(this, "# menisci?", "%d - meniscus (cm)?", M::meniscus > 0.0f ? M::meniscus : 6.2f,
                 &menisci) ||
        !AskList(this, "# trace concentrations?", "%d - 2nd species concentration (%)?", 0.0f,
                 &traces) ||
        !AskNumber(this, &offset, offset, "directory # offset"))
        return;

    std::string drive, dir, name, ext;
    plat::SplitPath(target, &drive, &dir, &name, &ext);
    ModelChoice::generatingSeries = true;
    int k = 0;
    for (float dr : drs)
        for (float rpm : speeds)
            for (float noise : noises)
                for (float meniscus : menisci)
                    for (float trace : traces) {
                        const int number = static_cast<int>(std::floor(offset)) + ++k;
                        const std::string folder = drive + dir + std::to_string(number) + "/";
                        if (!plat::MakeDir(folder)) {
                            ShowError("could not create new directory");
                            ModelChoice::generatingSeries = false;
                            return;
                        }
                        WriteSeriesInfo(folder, number, {dr, rpm, noise, meniscus, trace});
                        M::meniscus = meniscus;
                        // The trace is entered in percent of the total loading.
                        M::concentration[2] = trace / 100.0f;
                        M::bottom = 7.2f;
                        PackFitParameters();
                        SetDefaultMeniscusBottomLimits();
                        ScanStore::leftFitLimit = meniscus + 0.01f;
                        // Each set's right limit comes from its own scans, not the last set's.
                        ScanStore::rightFitLimit = 0.0f;

                        SyntheticDataSettings set;
                        set.dr = dr;
                        set.rpm = rpm;
                        set.acceleration = acceleration;
                        set.noise = noise;
                        set.interval = interval;
                        set.firstScanTime = acceleration > 0.0f ? rpm / acceleration + 10.0f : 0.0f;
                        set.scanCount = scans > 0.0f ? static_cast<int>(scans)
                                                     : AutomaticScanCount(rpm, interval);
                        if (set.scanCount < 1) {
                            float count = 50.0f;
                            if (!AskNumber(this, &count, count, "number of simulated scans")) {
                                ModelChoice::generatingSeries = false;
                                return;
                            }
                            set.scanCount = static_cast<int>(count);
                        }
                        gSimulateOnly = true;
                        SetCursor(IDC_WAIT);
                        const bool written =
                            GenerateSyntheticData(this, set, (folder + name + ext).c_str());
                        if (written) {
                            const float density = ScanStore::density;
                            ScanStore::density = 0.99823f;
                            char xp[40];
                            std::snprintf(xp, sizeof xp, "xp%d", number);
                            WriteMirovanXpFile(this, plat::MakePath("", folder, xp, "xp").c_str());
                            ScanStore::density = density;
                            ScanStore::vbarRho = ScanStore::vbar * density;
                        }
                        SetCursor(IDC_ARROW);
                        gSimulateOnly = false;
                    }
    ModelChoice::generatingSeries = false;
}
