// LoadAllData: every selected scan file read into the store, checked against the rotor speed
// profile and the other scans, put in time order, gridded and given fit limits.
#include "scandata/load_all_data.h"

#include "state/model_choice.h"
#include "state/preference_switches.h"
#include "state/run_switches.h"
#include "state/serial_fit_state.h"
#include "display/progress_line.h"
#include "display/scan_plots.h"
#include "state/result_table.h"
#include "state/realtime_state.h"
#include "fitting/fit_statistics.h"
#include "state/model_parameters.h"
#include "fitting/restore_analysis.h"
#include "foundations/ccurve.h"
#include "foundations/cvector.h"
#include "foundations/nr_arrays.h"
#include "scandata/common_grid.h"
#include "scandata/fit_limits.h"
#include "scandata/load_steps.h"
#include "scandata/rotor_speed_profile.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_file.h"
#include "scandata/scan_store.h"
#include "scandata/scan_user_messages.h"
#include "scandata/slot_grid_arrays.h"
#include "scandata/ui_flags.h"
#include "scandata/time_stamps.h"
#include "simulation/simulation_switches.h"
#include "state/dls_data.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

using S = ScanStore;
using P = ScanPaths;

// Views and curves over scan i's arrays; none of them owns what it shows.
void MakeViews(int i)
{
    int n = S::pointCount[i];
    auto view = [n](float* data) {
        CVector* v = new CVector();
        v->Attach(data, static_cast<std::uint32_t>(n), 1);
        return v;
    };
    CVector** v = S::scanVectors[i].v;
    v[kRadiusVector] = view(S::radius[i]);
    v[kSignalVector] = view(S::signal[i]);
    v[kFitVector] = view(S::fit[i]);
    v[kResidualsVector] = view(S::residuals[i]);
    CCurve** c = S::scanCurves[i].c;
    c[kSignalCurve] = new CCurve(v[kRadiusVector], v[kSignalVector]);
    c[kFitCurve] = new CCurve(v[kRadiusVector], v[kFitVector]);
    c[kResidualsCurve] = new CCurve(v[kRadiusVector], v[kResidualsVector]);
    if (ScanDataKind::intensity && S::thirdColumn[i]) {
        v[kThirdVector] = view(S::thirdColumn[i]);
        c[kThirdCurve] = new CCurve(v[kRadiusVector], v[kThirdVector]);
    }
}

// Splits path into folder (with its separator), name and extension (with its dot).
void SplitScanPath(const std::string& path, std::string& dir, std::string& name, std::string& ext)
{
    std::size_t slash = path.find_last_of('/');
    dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
    std::size_t dot = file.find_last_of('.');
    name = dot == std::string::npos ? file : file.substr(0, dot);
    ext = dot == std::string::npos ? std::string() : file.substr(dot);
}

// The character after the dot of a file name, upper-cased; 0 without one.
char KindLetter(const char* fileName)
{
    const char* dot = std::strrchr(fileName, '.');
    return dot && dot[1] ? static_cast<char>(std::toupper(static_cast<unsigned char>(dot[1]))) : 0;
}

} // namespace

void FillScanSlot(int i)
{
    int n = S::pointCount[i];
    S::fit[i] = vector(1, n);
    S::work[i] = vector(1, n);
    S::residuals[i] = vector(1, n);
    std::memcpy(S::residuals[i] + 1, S::signal[i] + 1, static_cast<std::size_t>(n) * sizeof(float));
    MakeViews(i);
}

void SortScansByTime()
{
    ExchangeSortOrder(S::scanOrder, S::scanCount, [](int k) { return S::header[k].time; });
}

void CheckRotorSpeeds()
{
    if (HasRotorSpeedChange(S::scanCount, S::header)) {
        delete S::speedProfile;
        S::speedProfile = new CRotorSpeedProfile();
        S::speedProfile->fileName = P::gDataDrive + P::gDataDir + "speedsteps.txt";
        S::speedProfile->Load();
        if (!S::speedProfile->CheckScans(S::scanCount, S::header))
            ScanOwnedBox(nullptr, "oops - speedsteps.txt rotor speed profile inconsistent with data",
                         "LOAD ERROR");
        S::speedProfileInForce = S::speedProfile->valid;
    } else {
        delete S::speedProfile;
        S::speedProfile = nullptr;
        S::speedProfileInForce = false;
    }
}

namespace {

bool MixedKinds()
{
    char first = KindLetter(S::scanFileName[1]);
    for (int i = 2; i <= S::scanCount; ++i) {
        char letter = KindLetter(S::scanFileName[i]);
        if (letter != first && (letter == 'I' || first == 'I'))
            return true;
    }
    return false;
}

// What follows the reading: noise switches, plots, restore offer, checks.
void FinishLoad(TXLAWindow* window, CProgressLine& progress)
{
    ApplyLoadSwitches();
    bool restored = !RealtimeState::realtimeMode && RestorePreviousAnalysis(window, true);
    if (restored) {
        SetPlotAxisTitles();
        gSimulateOnly = false;
        AllocCommonGridScanArrays();
        RunDiscreteSed(window);
        char text[64];
        std::snprintf(text, sizeof text, "mean dev = %f  ", static_cast<double>(CalcFitRmsd()));
        ScanDrawText(window, 10, 50, text);
        RedrawDataPlot(false);
        ScanRequestRepaint(window);
    } else if (!(RealtimeState::realtimeMode && RealtimeState::equilibriumTestMode)) {
        SetPlotAxisTitles();
        gSimulateOnly = false;
        RedrawDataPlot(false);
        if (!SerialFitState::serializing)
            ScanRequestRepaint(window);
    }
    if (!RealtimeState::realtimeMode && !SerialFitState::serializing &&
        !RealtimeState::equilibriumTestMode)
        ScanCheckTemperature(window, 1.0f);
    progress.Hide(window);
    if (gCheckTimeStamps && CheckTimeStamps(window) == 1)
        ReloadForChangeCell(window);
    if (scanTimeCorrection && ScanDataKind::fluorescence) {
        scanTimeCorrection = false;
        ScanOwnedBox(window,
                     "scan time correction for fluorescence data not yet implemented, switching off",
                     "");
    }
}

} // namespace

void ApplyLoadSwitches()
{
    if (!RealtimeState::realtimeMode) {
        ModelParameters::baselineFloat = 1;
        if (ScanDataKind::interference || ModelChoice::equilibriumModel) {
            ModelChoice::fitTINoise = true;
            ModelChoice::fitRINoise = true;
        }
        if (ScanDataKind::electrophoresis) {
            S::fixedTimeStep = false;
            S::timesFromW2t = false;
        }
        if (ModelChoice::fitTINoise || ModelChoice::fitRINoise)
            ShowNoiseButtons(0);
        else
            HideNoiseButtons();
    }
    S::signalScale = ScanDataKind::interference ? 3.3 : 1.0;
}

float LoadAveragingWidth()
{
    return (S::equilibriumData || S::radialResolution <= 0.001f) ? 0.0f : S::radialResolution;
}

bool ReadScanIntoSlot(TXLAWindow* window, int i, const std::string& fullPath, float width,
                      bool* tag)
{
    S::pointCount[i] = 0;
    S::scanOrder[i] = i;
    std::string dir, name, ext;
    SplitScanPath(fullPath, dir, name, ext);
    P::gDataName = name;
    P::gDataExt = ext;
    S::scanFileName[i] = new char[260]();
    std::snprintf(S::scanFileName[i], 260, "%s%s", name.c_str(), ext.c_str());
    if (!ReadScanFile(fullPath.c_str(), &S::header[i], &S::pointCount[i], &S::radius[i],
                      &S::signal[i], &S::thirdColumn[i], tag, width))
        return false;
    char trace[400];
    std::snprintf(trace, sizeof trace, "\n --> %s (%d data points)", fullPath.c_str(),
                  S::pointCount[i]);
    ScanDebugLog(window, trace);
    if (ScanDataKind::intensity && S::thirdColumn[i]) {
        // The third column of an intensity file is the signal the analysis uses.
        std::swap(S::signal[i], S::thirdColumn[i]);
        ModelParameters::experimentalInitialDistribution = false;
        ModelParameters::constantInitialDistribution = true;
    }
    ScanHeader& h = S::header[i];
    if (S::timesFromW2t && !ScanDataKind::electrophoresis && h.rotorSpeed > 0.0f) {
        double omega = h.rotorSpeed * 0.10471975511965977;
        h.time = h.omega2t / (omega * omega);
    }
    FillScanSlot(i);
    return true;
}

bool SetUpLoadedScans()
{
    CheckRotorSpeeds();
    if (MixedKinds()) {
        S::mixedDataTypes = true;
        FreeAllData();
        ScanErrorBox("mixed data types", "ERROR");
        return false;
    }

    gDlsData = false;
    S::resultAvailable = false;
    P::gDataPath = P::gDataDrive + P::gDataDir + "~tmppars" + P::gDataExt;
    P::gSDistPath = P::gDataDrive + P::gDataDir + "sdist" + P::gDataExt;
    S::absoluteTemperature = S::header[S::scanCount].temperature + 273.15f;
    S::gasConstantTemperature = static_cast<float>(8.31451e7 * S::absoluteTemperature);

    if (ModelParameters::meniscus == 0.0f) {
        ModelParameters::meniscus = S::radius[1][1];
        ModelParameters::fitValues[13] = ModelParameters::meniscus;
    }
    if (ModelParameters::bottom == 0.0f) {
        ModelParameters::bottom = S::radius[1][S::pointCount[1]];
        ModelParameters::fitValues[14] = ModelParameters::bottom;
    }
    if (S::leftFitLimit == 0.0f)
        S::leftFitLimit = static_cast<float>(ModelParameters::meniscus + 0.005);
    if (S::rightFitLimit == 0.0f)
        S::rightFitLimit = static_cast<float>(ModelParameters::bottom - 0.15);
    ModelParameters::userMeniscusBottomLimits = false;
    SetDefaultMeniscusBottomLimits();

    SortScansByTime();
    if (ModelChoice::equilibriumModel && ScanDataKind::interference) {
        ScanDataKind::interference = false;
        ScanDataKind::absorbance = true;
    }
    BuildCommonRadialGrid();
    if (S::leftFitLimit != 0.0f)
        ApplyLeftFitLimit();
    if (S::rightFitLimit != 0.0f)
        ApplyRightFitLimit();
    return true;
}

void FreeLoadedScans()
{
    if (S::scanCount < 1)
        return;
    FreeResultTable();
    FreeAllData();
    if (gDlsData) {
        ModelParameters::meniscus = 0.0f;
        ModelParameters::bottom = 0.0f;
        // The packed vector too, or the next unpack would bring the old column back.
        ModelParameters::fitValues[13] = 0.0f;
        ModelParameters::fitValues[14] = 0.0f;
    }
}

bool LoadScanPaths(TXLAWindow* window, const std::vector<std::string>& paths, float width,
                   CProgressLine& progress)
{
    int count = static_cast<int>(paths.size());
    AllocateScanTables(count);
    // While boxes may be open, scanCount counts only the scans read completely.
    for (int i = 1; i <= count; ++i) {
        progress.Draw(static_cast<float>(i) / static_cast<float>(count), window);
        const std::string& full = paths[static_cast<std::size_t>(i - 1)];
        bool tag = false;
        if (!ReadScanIntoSlot(window, i, full, width, &tag)) {
            // Emptied before the box, so a repaint meanwhile sees no half-built store.
            S::scanCount = i;
            FreeAllData();
            if (RealtimeState::realtimeMode)
                RealtimeState::stopRequested = true;
            ScanErrorBox(full.c_str(), "LOAD ERROR");
            progress.Hide(window);
            return false;
        }
        S::scanCount = i;
    }
    if (!SetUpLoadedScans()) {
        progress.Hide(window);
        return false;
    }
    return true;
}

std::vector<std::string> SelectionStrings(const char* selection)
{
    std::vector<std::string> out;
    if (!selection)
        return out;
    for (const char* p = selection; *p; p += std::strlen(p) + 1)
        out.emplace_back(p);
    return out;
}

void LoadAllData(TXLAWindow* window, const char* selection)
{
    CProgressLine progress;
    progress.Show(window, 10, 10);
    ScanDebugLog(window, "\nEnter LoadAllData");
    S::dataChanged = true;
    S::mixedDataTypes = false;
    float width = LoadAveragingWidth();
    std::vector<std::string> strings = SelectionStrings(selection);
    if (strings.empty()) {
        progress.Hide(window);
        return;
    }
    P::gLoadSelection = strings[0];
    ModelParameters::blocalVaryMeniscusWarned = false;

    bool single = strings.size() == 1;
    if (single && !S::equilibriumData) {
        ScanErrorBox("only one file selected", "ERROR");
        if (!ScanQuestion(nullptr, "switch to Equilibrium Data Mode?", "LOAD ERROR")) {
            progress.Hide(window);
            return;
        }
        S::equilibriumData = true;
        width = 0.0f;
    }

    FreeLoadedScans();

    // The names taken: the 1st, (n+1)-th, (2n+1)-th ... with stride n.
    std::vector<std::string> names;
    if (single) {
        names.push_back(strings[0]);
    } else {
        int stride = S::fileStride > 1 ? S::fileStride : 1;
        int k = 0;
        for (std::size_t j = 1; j < strings.size(); ++j) {
            ++k;
            if (stride == 1 || k == 1)
                names.push_back(strings[j]);
            if (k >= stride)
                k = 0;
        }
    }
    if (static_cast<int>(names.size()) > kMaxScans) {
        ScanErrorBox("too many scans selected", "LOAD ERROR");
        if (RealtimeState::realtimeMode)
            RealtimeState::stopRequested = true;
        progress.Hide(window);
        return;
    }

    std::string folderDir, ignoredName, ignoredExt;
    if (single) {
        SplitScanPath(strings[0], folderDir, ignoredName, ignoredExt);
    } else {
        folderDir = strings[0];
        if (folderDir.empty() || folderDir.back() != '/')
            folderDir += '/';
    }
    if (UiFlags::useListFileFolder && !UiFlags::listFileDir.empty()) {
        // The user chose to take the listed names from the list file's own folder; later
        // rebuilds of the file list start from there too.
        folderDir = UiFlags::listFileDir;
        P::gLoadSelection = folderDir.size() > 1 ? folderDir.substr(0, folderDir.size() - 1) : folderDir;
    }
    P::gDataDrive.clear();
    P::gDataDir = folderDir;

    std::vector<std::string> paths;
    for (const std::string& name : names)
        paths.push_back(single ? name : P::gDataDrive + P::gDataDir + name);
    if (paths.empty()) {
        progress.Hide(window);
        return;
    }
    std::string dir, name, ext;
    SplitScanPath(paths[0], dir, name, ext);
    P::gNotesPath = P::gDataDrive + P::gDataDir + "notes" + ext;
    if (!LoadScanPaths(window, paths, width, progress))
        return;
    FinishLoad(window, progress);
}
