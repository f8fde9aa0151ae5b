// The "&Generate" menu: the settings of synthetic data sets asked, then the sets made by the
// synthetic-data generator, one ("Single") or one per combination of settings ("Series").
#include "app/busy_as_a_fit.h"
#include "app/command_table.h"
#include "app/experiment_file.h"
#include "app/last_data_folder.h"
#include "app/run_engines.h"
#include "app/save_dialogs.h"
#include "app/txla_window.h"
#include "distributions/conti_grid.h"
#include "distributions/conti_run.h"
#include "distributions/distribution_files.h"
#include "foundations/input_boxes.h"
#include "foundations/key_polling.h"
#include "foundations/show_error.h"
#include "foundations/sounds.h"
#include "plat/atomic_file.hpp"
#include "plat/files.hpp"
#include "plat/msgbox.hpp"
#include "plat/paths.hpp"
#include "scandata/fit_limits.h"
#include "scandata/scan_conditions.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/discrete_sed.h"
#include "simulation/synthetic_data.h"
#include "state/dls_data.h"
#include "state/fit_control.h"
#include "state/model_choice.h"
#include "state/model_kind.h"
#include "state/model_parameters.h"
#include "state/run_switches.h"
#include "state/startup_paths.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
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

// The values a typed number may take: finite, from lo (above it when lowOpen) up to hi (below it
// when highOpen); a lo of -infinity leaves it unbounded below.
struct Range {
    double lo, hi;
    bool lowOpen = false, highOpen = false;
};

constexpr double kUnbounded = -HUGE_VAL;
// Scan files are named by five digits.
constexpr Range kScanCount{1, 99999};
constexpr Range kScanCountOrAuto{kUnbounded, 99999}; // 0 or less: as many as the boundary needs
constexpr Range kListCount{1, 100};
// Finer than 0.0001 cm a scan holds more than 10,000 points, which takes minutes per scan.
constexpr Range kGridStep{1e-4, 1};
// A rotor speed the scan conditions take; 0 and below are the engine's to refuse.
constexpr Range kRotorSpeed{kUnbounded, kMaxRotorSpeedRpm};
// Times and omega^2 t of 99999 scans stay finite in single precision and in the scan headers.
constexpr Range kInterval{0, 1e6, true};
constexpr Range kAcceleration{1, 1e5};
// Far below the largest float, so that signal plus noise stays finite.
constexpr Range kNoise{0, 1e30};
constexpr Range kTracePercent{0, 100};
constexpr int kLastFolderNumber = 999999;
constexpr Range kFolderOffset{0, 999999};
constexpr float kGeneratedBottom = 7.2f; // cm

// True when value lies in range; otherwise the refusal names the box's prompt and the value.
// The bounds are compared in single precision, as the value is kept: a bound typed is taken.
bool Accepted(TXLAWindow* window, const char* prompt, float value, const Range& range) {
    const double v = value;
    const auto lo = static_cast<float>(range.lo), hi = static_cast<float>(range.hi);
    const bool low = range.lo == kUnbounded || (range.lowOpen ? value > lo : value >= lo);
    const bool high = range.highOpen ? value < hi : value <= hi;
    if (std::isfinite(v) && low && high)
        return true;
    char bounds[120] = "finite number";
    if (range.lo != kUnbounded && !std::isfinite(range.hi))
        std::snprintf(bounds, sizeof bounds, "number %s %g", range.lowOpen ? "above" : "from",
                      range.lo);
    else if (range.lo != kUnbounded)
        std::snprintf(bounds, sizeof bounds, "number %s %g and %s %g",
                      range.lowOpen ? "above" : "from", range.lo,
                      range.highOpen ? "below" : "up to", range.hi);
    else if (std::isfinite(range.hi))
        std::snprintf(bounds, sizeof bounds, "number up to %g", range.hi);
    char text[400];
    std::snprintf(text, sizeof text, "%s\n%g cannot be used: enter a %s", prompt, v, bounds);
    PlayErrorSound();
    window->MessageBox(text, kGenerate, MB_OK | MB_ICONEXCLAMATION);
    return false;
}

// A number asked and checked; false when cancelled or refused.
bool AskChecked(TXLAWindow* window, float* value, float defaultValue, const char* prompt,
                const Range& range) {
    return AskNumber(window, value, defaultValue, prompt) &&
           Accepted(window, prompt, *value, range);
}

// A count asked and checked, as an int.
bool AskCount(TXLAWindow* window, int* count, float defaultValue, const char* prompt,
              const Range& range) {
    float value = defaultValue;
    if (!AskChecked(window, &value, defaultValue, prompt, range))
        return false;
    *count = static_cast<int>(value);
    return true;
}

// "simulate with rotor acceleration phase?" and the rate, -1 when declined or cancelled; false
// when the rate typed was refused.
bool AskAcceleration(TXLAWindow* window, float* rate) {
    *rate = -1.0f;
    if (window->MessageBox("simulate with rotor acceleration phase?", kGenerate, MB_YESNO) != IDYES)
        return true;
    float typed = 200.0f;
    if (!AskNumber(window, &typed, typed, "acceleration (rpm/sec)"))
        return true;
    if (!Accepted(window, "acceleration (rpm/sec)", typed, kAcceleration))
        return false;
    *rate = typed;
    return true;
}

// A count, then that many values, each asked with the item's number in the prompt and checked.
bool AskList(TXLAWindow* window, const char* countPrompt, const char* itemFormat,
             float defaultValue, const Range& range, std::vector<float>* values) {
    int count = 0;
    if (!AskCount(window, &count, 1.0f, countPrompt, kListCount))
        return false;
    values->clear();
    for (int k = 1; k <= count; ++k) {
        char prompt[100];
        std::snprintf(prompt, sizeof prompt, itemFormat, k);
        float value = defaultValue;
        if (!AskChecked(window, &value, defaultValue, prompt, range))
            return false;
        values->push_back(value);
    }
    return true;
}

// No solute diffuses faster than this (cm^2/s; water itself about 2.3e-5): a larger D is a molar
// mass left in the D field, or an M far too small, and the scans would show no boundary.
constexpr double kLargestDiffusion = 1e-4;

// One association constant asked of a self-associating model and its value in the model:
// log10(factor x Ka / E^power), the constant on the signal scale, E the signal of one molar of
// monomer.
struct AssociationConstant {
    const char* prompt = nullptr;
    double factor = 0.0;
    int power = 0;
};

// A self-associating model: its switch, its constants (the second has no prompt when the model
// has one constant) and the species slots its monomer and oligomers take.
struct SelfAssociationScheme {
    bool* on;
    AssociationConstant first, second;
    int species;
};

// An n-mer holds n monomers: its signal is n E [n-mer] = n Ka1n [M]^n E = (n Ka1n / E^(n-1)) c1^n.
const SelfAssociationScheme kSelfAssociationSchemes[] = {
    {&ModelChoice::selfAssocMonomerDimer, {"Ka12 [1/M]", 2.0, 1}, {}, 2},
    {&ModelChoice::selfAssocMonomerTrimer, {"Ka13 [1/M]", 3.0, 2}, {}, 2},
    {&ModelChoice::selfAssocDimerTetramer, {"Ka12 [1/M]", 2.0, 1}, {"Ka14 [1/M]", 4.0, 3}, 3},
    {&ModelChoice::selfAssocTetramerOctamer, {"Ka14 [1/M]", 4.0, 3}, {"Ka18 [1/M]", 8.0, 7}, 3},
};

const SelfAssociationScheme* CurrentSelfAssociation() {
    for (const SelfAssociationScheme& scheme : kSelfAssociationSchemes)
        if (*scheme.on)
            return &scheme;
    return nullptr;
}

constexpr Range kPositive{0, HUGE_VAL, true};

// The self-associating models are made from the molar quantities of the solution: extinction
// coefficient and total concentration give the loading signal (1.2 cm of optical path), the
// molar association constants the model's log10 constants. True when there is nothing to ask
// or all was answered; a cancelled or refused answer leaves the parameters as they were.
bool AskSelfAssociation(TXLAWindow* window) {
    const SelfAssociationScheme* scheme = CurrentSelfAssociation();
    if (!scheme)
        return true;
    float epsilon = 100000.0f, micromolar = 1.0f;
    if (!AskChecked(window, &epsilon, epsilon, "extinction coefficient [M^-1cm^-1]", kPositive) ||
        !AskChecked(window, &micromolar, micromolar, "total molar concentration [uM]", kPositive))
        return false;
    const double e = 1.2 * double(epsilon);
    const float loading = float(e * double(micromolar) * 1e-6);
    float logK[2] = {};
    const AssociationConstant* constants[2] = {&scheme->first, &scheme->second};
    for (int i = 0; i < 2 && constants[i]->prompt; ++i) {
        const AssociationConstant& c = *constants[i];
        float ka = 500000.0f;
        if (!AskChecked(window, &ka, ka, c.prompt, kPositive))
            return false;
        logK[i] = float(std::log10(c.factor * double(ka) / std::pow(e, c.power)));
    }
    if (!(std::isfinite(loading) && loading > 0.0f && std::isfinite(logK[0]) &&
          std::isfinite(logK[1]))) {
        PlayErrorSound();
        window->MessageBox("the extinction coefficient, concentration and constants give a "
                           "loading signal or constants out of range",
                           kGenerate, MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    UnpackFitParameters();
    M::concentration[1] = loading;
    M::assocLogK = logK[0];
    if (scheme->second.prompt)
        M::oligoLogK3 = logK[1];
    PackFitParameters();
    return true;
}

// Every species that is on (and every slot a self-associating model takes) has a finite s and a
// D (given, or from M by the Svedberg relation) that a solute can have; otherwise the refusal
// names the species.
bool SpeciesCanBeGenerated(TXLAWindow* window) {
    const SelfAssociationScheme* scheme = CurrentSelfAssociation();
    for (int k = 1; k <= M::maxSpecies; ++k) {
        if (!M::speciesOn[k] && !(scheme && k <= scheme->species))
            continue;
        const double d = SpeciesDiffusion(k);
        if (std::isfinite(M::speciesS[k]) && std::isfinite(d) && d <= kLargestDiffusion)
            continue;
        char text[400];
        std::snprintf(text, sizeof text,
                      "species %d: s = %g S and %s = %g give D = %g cm^2/s, more than any solute "
                      "has:\nthe scans would show no boundary (%s)",
                      k, double(M::speciesS[k]), ModelChoice::equilibriumMs ? "M" : "D",
                      double(M::speciesDOrM[k]), d,
                      ModelChoice::equilibriumMs ? "M in Da" : "D in 1e-7 cm^2/s");
        PlayErrorSound();
        window->MessageBox(text, kGenerate, MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    return true;
}

// Says why the generator wrote nothing, unless the writer has said it.
void SayNotGenerated(TXLAWindow* window, SyntheticOutcome outcome) {
    const char* what = nullptr;
    switch (outcome) {
    case SyntheticOutcome::Written:
    case SyntheticOutcome::NotWritten:
        return;
    case SyntheticOutcome::NoScans:
        what = "the settings give no scans (grid step, cell or number of scans)";
        break;
    case SyntheticOutcome::NotSimulated:
        what = "the model could not be simulated";
        break;
    case SyntheticOutcome::Stopped:
        what = LastStopByMouse() ? "the simulation was stopped by the mouse"
                                 : "the simulation was stopped by a key press";
        break;
    case SyntheticOutcome::Failed:
        what = "the simulation failed";
        break;
    case SyntheticOutcome::NotFinite:
        what = "the simulated data are not all finite numbers";
        break;
    }
    char text[300];
    std::snprintf(text, sizeof text, "%s:\nno file was written", what);
    window->MessageBox(text, kGenerate, MB_OK | MB_ICONINFORMATION);
}

// The current model can be simulated on generated velocity scans (whatever kind of data is
// loaded now, since the generated scans replace it).
bool ModelCanBeGenerated() {
    using C = ModelChoice;
    // The distributions this version computes make data from a distribution file.
    if (C::contiMode)
        return !C::gStarFamily && CurrentContiVariant() != ContiVariant::None;
    const bool dls = gDlsData, equilibrium = ScanStore::equilibriumData;
    gDlsData = ScanStore::equilibriumData = false;
    const bool available = DiscreteModelAvailable();
    gDlsData = dls;
    ScanStore::equilibriumData = equilibrium;
    return available;
}

// Meniscus (6.2 cm when unset) and bottom (7.2 cm) of a generated cell, and their fit bounds.
void SetGeneratedCell() {
    UnpackFitParameters();
    if (M::meniscus == 0.0f)
        M::meniscus = 6.2f;
    M::bottom = kGeneratedBottom;
    PackFitParameters();
    SetDefaultMeniscusBottomLimits();
}

// What Generate > Single changes before its parameters dialog (the species' form, the cell and
// its fit bounds), put back when the command is cancelled there or before: the analysis
// loaded stays as it was.
class GenerateSetupUndo {
  public:
    explicit GenerateSetupUndo(TXLAWindow* window) : window_(window) {
        std::copy(std::begin(M::fitValues), std::end(M::fitValues), fitValues_);
        std::copy(std::begin(M::speciesDOrM), std::end(M::speciesDOrM), speciesDOrM_);
    }
    GenerateSetupUndo(const GenerateSetupUndo&) = delete;
    GenerateSetupUndo& operator=(const GenerateSetupUndo&) = delete;
    ~GenerateSetupUndo() {
        if (kept_)
            return;
        ModelChoice::equilibriumMs = equilibriumMs_;
        if (HMENU menu = window_->GetMenu())
            ::CheckMenuItem(menu, 217u, equilibriumMs_ ? MF_CHECKED : MF_UNCHECKED);
        std::copy(std::begin(fitValues_), std::end(fitValues_), M::fitValues);
        std::copy(std::begin(speciesDOrM_), std::end(speciesDOrM_), M::speciesDOrM);
        M::meniscus = meniscus_;
        M::bottom = bottom_;
        FitControl::meniscusMin = bounds_[0];
        FitControl::meniscusMax = bounds_[1];
        FitControl::bottomMin = bounds_[2];
        FitControl::bottomMax = bounds_[3];
        ScanStore::gasConstantTimesT = gasConstantTimesT_;
    }
    // The user accepted the set-up in the dialog: it stays.
    void Keep() { kept_ = true; }

  private:
    TXLAWindow* window_;
    bool kept_ = false;
    bool equilibriumMs_ = ModelChoice::equilibriumMs;
    float fitValues_[M::kFitSlots + 1] = {};
    float speciesDOrM_[M::maxSpecies + 1] = {};
    float meniscus_ = M::meniscus, bottom_ = M::bottom;
    float bounds_[4] = {FitControl::meniscusMin, FitControl::meniscusMax, FitControl::bottomMin,
                        FitControl::bottomMax};
    float gasConstantTimesT_ = ScanStore::gasConstantTimesT;
};

bool WriteSmallFile(const std::string& path, const std::string& text) {
    return plat::WriteFileAtomically(plat::NativePath(path), text);
}

std::string Format(const char* format, double value) {
    char text[200];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// The target of generated data, asked in the folder of the last data.
bool AskGenerateTarget(TXLAWindow* window, std::string* target) {
    ReadLastDataFolder(window, gLastDataFolder);
    return AskSavePath(window, "save generated data as", kDefaultName, false, target, "",
                       gLastDataFolder);
}

// Generated data are loaded like any: the next Load opens where they were written.
void KeepGeneratedFolder(TXLAWindow* window, const std::string& target) {
    std::string drive, dir;
    plat::SplitPath(target, &drive, &dir, nullptr, nullptr);
    if (!(drive + dir).empty())
        SaveLastDataFolder(window, (drive + dir).c_str());
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
        ScanStore::rightFitLimit > M::meniscus ? ScanStore::rightFitLimit : DefaultRightFitLimit();
    const double omega = rpm * 2.0 * M_PI / 60.0;
    const double rate = omega * omega * M::speciesS[1] * 1e-13;
    if (!(rate > 0.0) || !(interval > 0.0f) || !(right > M::meniscus) || M::meniscus <= 0.0f)
        return 0;
    double count = std::floor(std::log(right / M::meniscus) / rate / interval);
    return count >= 1.0 && count < 1e6 ? static_cast<int>(count) : 0;
}

// The model of a distribution for synthetic data: the distribution the user put in the file,
// normalized or not, through the distribution's kernel on the generated scans.
bool SyntheticDistributionModel(TXLAWindow* window) {
    const std::string path = gTablePaths.distrib;
    char text[kPathBufferSize + 64];
    std::snprintf(text, sizeof text, "put synthetic distribution in %s", path.c_str());
    window->MessageBox(text, "ATTENTION", MB_OK);
    const bool normalized =
        window->MessageBox("is synthetic distribution normalized?", "ATTENTION", MB_YESNO) == IDYES;
    if (!LoadDistributionFromFile(path.c_str()))
        return false;
    // The kernel is the absorbance model as such, without the optics' radial resolution.
    const bool absorbance = ScanDataKind::absorbance;
    ScanDataKind::absorbance = false;
    const bool computed =
        ComputeSyntheticDistributionFits(window, window->computeObserver, normalized);
    ScanDataKind::absorbance = absorbance;
    return computed;
}

// One set generated with the window busy as during a Fit: a key stops it.
bool GenerateBusy(TXLAWindow* w, const SyntheticDataSettings& set, const std::string& target,
                  SyntheticOutcome* outcome) {
    const BusyAsAFit busy(*w);
    return GenerateSyntheticData(w, set, target.c_str(), outcome);
}

} // namespace

void TXLAWindow::CmGenerateDataSingle() {
    if (ModelChoice::gStarFamily) {
        MessageBox("no simulation for van Holde-Weischet boundaries implemented", kGenerate, MB_OK);
        return;
    }
    if (!ModelCanBeGenerated()) {
        ReportNotAvailable(this, "Single", 214);
        return;
    }
    GenerateSetupUndo undo(this);
    // The species' second values follow the form chosen; a distribution takes M and s.
    const bool distribution = ModelChoice::contiMode;
    if (distribution)
        ModelChoice::equilibriumMs = true;
    else
        SetFitMAndS(AskYesNo("Fit with M and s instead D and s?", kGenerate));

    SyntheticDataSettings set;
    if (!AskChecked(this, &set.dr, 0.001f, "density of points dr (cm)", kGridStep) ||
        !AskChecked(this, &set.rpm, 50000.0f, "rotor speed (rpm)", kRotorSpeed) ||
        !AskAcceleration(this, &set.acceleration))
        return;
    if (!AskChecked(this, &set.interval, 300.0f, "time interval of scans (sec)", kInterval) ||
        !AskCount(this, &set.scanCount, 50.0f, "number of simulated scans", kScanCount) ||
        !AskChecked(this, &set.noise, 0.01f, "std of noise (OD)", kNoise))
        return;
    SetGeneratedCell();
    if (!AskSelfAssociation(this) || !OpenParametersDialog(this))
        return;
    undo.Keep();
    if (!Accepted(this, "meniscus (cm)", M::meniscus, {0, M::bottom, true, true}) ||
        (!distribution && !SpeciesCanBeGenerated(this)))
        return;
    if (distribution)
        set.distributionModel = SyntheticDistributionModel;

    std::string target;
    if (!AskGenerateTarget(this, &target))
        return;
    gSimulateOnly = true;
    SetCursor(IDC_WAIT);
    SyntheticOutcome outcome = SyntheticOutcome::Written;
    if (GenerateBusy(this, set, target, &outcome))
        KeepGeneratedFolder(this, target);
    SetCursor(IDC_ARROW);
    gSimulateOnly = false;
    SayNotGenerated(this, outcome);
}

void TXLAWindow::CmGenerateDataSeries() {
    if (ModelShowsDistribution() || !ModelChoice::lammModel)
        return;
    if (!ModelCanBeGenerated()) {
        ReportNotAvailable(this, "Series", 647);
        return;
    }
    if (!OpenParametersDialog(this) || !SpeciesCanBeGenerated(this))
        return;

    std::string target;
    if (!AskGenerateTarget(this, &target))
        return;
    std::vector<float> drs, speeds, noises, menisci, traces;
    float interval = 300.0f, scans = 50.0f, offset = 0.0f;
    // Every value is checked here, before any folder is made.
    const Range meniscusRange{0, kGeneratedBottom, true, true};
    if (!AskList(this, "# radial increments?", "%d - density of points dr (cm)", 0.001f, kGridStep,
                 &drs) ||
        !AskList(this, "# rotor speeds?", "%d - rotor speed (rpm)?", 50000.0f, kRotorSpeed,
                 &speeds))
        return;
    float acceleration = -1.0f;
    if (!AskAcceleration(this, &acceleration) ||
        !AskChecked(this, &interval, interval, "time interval of scans (sec)", kInterval) ||
        !AskChecked(this, &scans, scans, "number of simulated scans (0 for auto)",
                    kScanCountOrAuto) ||
        !AskList(this, "# noise levels?", "%d - noise level?", 0.01f, kNoise, &noises) ||
        !AskList(this, "# menisci?", "%d - meniscus (cm)?", M::meniscus > 0.0f ? M::meniscus : 6.2f,
                 meniscusRange, &menisci) ||
        !AskList(this, "# trace concentrations?", "%d - 2nd species concentration (%%)?", 0.0f,
                 kTracePercent, &traces) ||
        !AskChecked(this, &offset, offset, "directory # offset", kFolderOffset))
        return;
    const double sets = double(drs.size()) * double(speeds.size()) * double(noises.size()) *
                        double(menisci.size()) * double(traces.size());
    if (std::floor(offset) + sets > kLastFolderNumber) {
        char text[200];
        std::snprintf(text, sizeof text,
                      "%.0f data sets from folder %.0f on would pass folder number %d", sets,
                      std::floor(offset) + 1, kLastFolderNumber);
        PlayErrorSound();
        MessageBox(text, kGenerate, MB_OK | MB_ICONEXCLAMATION);
        return;
    }

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
                        M::meniscus = meniscus;
                        // The trace is entered in percent of the total loading.
                        M::concentration[2] = trace / 100.0f;
                        M::bottom = kGeneratedBottom;
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
                        if (set.scanCount < 1 &&
                            !AskCount(this, &set.scanCount, 50.0f, "number of simulated scans",
                                      kScanCount)) {
                            ModelChoice::generatingSeries = false;
                            return;
                        }
                        gSimulateOnly = true;
                        SetCursor(IDC_WAIT);
                        SyntheticOutcome outcome = SyntheticOutcome::Written;
                        GenerateBusy(this, set, folder + name + ext, &outcome);
                        const bool written = outcome == SyntheticOutcome::Written;
                        if (written) {
                            KeepGeneratedFolder(this, target);
                            WriteSeriesInfo(folder, number, {dr, rpm, noise, meniscus, trace});
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
                        // The sets that follow would fail alike: the series ends with the reason.
                        if (!written) {
                            ModelChoice::generatingSeries = false;
                            SayNotGenerated(this, outcome);
                            return;
                        }
                    }
    ModelChoice::generatingSeries = false;
}
