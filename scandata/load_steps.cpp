// The steps of a load: every selected scan file read into the store, checked against the rotor
// speed profile and the other scans, put in time order, gridded and given fit limits.
#include "scandata/load_steps.h"

#include "foundations/ccurve.h"
#include "foundations/cvector.h"
#include "foundations/nr_arrays.h"
#include "scandata/common_grid.h"
#include "scandata/fit_limits.h"
#include "scandata/load_steps.h"
#include "scandata/rotor_speed_profile.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_file.h"
#include "scandata/scan_file_list.h"
#include "scandata/scan_store_alloc.h"
#include "scandata/scan_user_messages.h"
#include "scandata/selection_check.h"
#include "scandata/slot_grid_arrays.h"
#include "scandata/time_stamps.h"
#include "scandata/ui_flags.h"
#include "state/compute_observer.h"
#include "state/dls_data.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/preference_switches.h"
#include "state/realtime_state.h"
#include "state/result_table.h"
#include "state/run_switches.h"
#include "state/serial_fit_state.h"
#include "state/window_services.h"

#include <cstdio>
#include <cstring>

namespace {

using S = ScanStore;
using P = ScanPaths;

// Views and curves over scan i's arrays; none of them owns what it shows.
void MakeViews(int i) {
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

} // namespace

// Splits path into folder (with its separator), name and extension (with its dot).
void SplitScanPath(const std::string& path, std::string& dir, std::string& name, std::string& ext) {
    std::size_t slash = path.find_last_of('/');
    dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
    std::size_t dot = file.find_last_of('.');
    name = dot == std::string::npos ? file : file.substr(0, dot);
    ext = dot == std::string::npos ? std::string() : file.substr(dot);
}

void FillScanSlot(int i) {
    int n = S::pointCount[i];
    S::fit[i] = vector(1, n);
    S::work[i] = vector(1, n);
    S::residuals[i] = vector(1, n);
    std::memcpy(S::residuals[i] + 1, S::signal[i] + 1, static_cast<std::size_t>(n) * sizeof(float));
    MakeViews(i);
}

void SortScansByTime() {
    ExchangeSortOrder(S::scanOrder, S::scanCount, [](int k) { return S::header[k].time; });
}

void CheckRotorSpeeds() {
    if (HasRotorSpeedChange(S::scanCount, S::header)) {
        delete S::speedProfile;
        S::speedProfile = new CRotorSpeedProfile();
        S::speedProfile->fileName = P::gDataDrive + P::gDataDir + "speedsteps.txt";
        S::speedProfile->Load();
        if (!S::speedProfile->CheckScans(S::scanCount, S::header))
            ScanOwnedBox(nullptr,
                         "oops - speedsteps.txt rotor speed profile inconsistent with data",
                         "LOAD ERROR");
        S::speedProfileInForce = S::speedProfile->valid;
    } else {
        delete S::speedProfile;
        S::speedProfile = nullptr;
        S::speedProfileInForce = false;
    }
}

namespace {

bool MixedKinds() {
    std::vector<std::string> names;
    for (int i = 1; i <= S::scanCount; ++i)
        names.emplace_back(S::scanFileName[i]);
    return MixesIntensityWithOtherKinds(names);
}

} // namespace

void ApplyLoadSwitches() {
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
            WindowServices::ShowNoiseButtons(0);
        else
            WindowServices::HideNoiseButtons();
    }
    S::signalScale = ScanDataKind::interference ? 3.3 : 1.0;
}

std::string ScanLoadErrorText(const std::string& fullPath, const std::string& why) {
    return why.empty() ? fullPath : fullPath + "\n" + why + ": the file is not loaded";
}

float LoadAveragingWidth() {
    return (S::equilibriumData || S::radialResolution <= 0.001f) ? 0.0f : S::radialResolution;
}

bool ReadScanIntoSlot(TXLAWindow* window, int i, const std::string& fullPath, float width,
                      bool* tag, std::string* why) {
    S::pointCount[i] = 0;
    S::scanOrder[i] = i;
    std::string dir, name, ext;
    SplitScanPath(fullPath, dir, name, ext);
    P::gDataName = name;
    P::gDataExt = ext;
    S::scanFileName[i] = new char[260]();
    std::snprintf(S::scanFileName[i], 260, "%s%s", name.c_str(), ext.c_str());
    if (!ReadScanFile(fullPath.c_str(), &S::header[i], &S::pointCount[i], &S::radius[i],
                      &S::signal[i], &S::thirdColumn[i], tag, width, why))
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

bool SetUpLoadedScans() {
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

    UnsetValuesOutsideData();
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
        S::rightFitLimit = DefaultRightFitLimit();
    ModelParameters::userMeniscusBottomLimits = false;
    SetDefaultMeniscusBottomLimits();

    SortScansByTime();
    if (ModelChoice::equilibriumModel && ScanDataKind::interference) {
        ScanDataKind::interference = false;
        ScanDataKind::absorbance = true;
    }
    BuildCommonRadialGrid();
    ApplySetFitLimits();
    return true;
}

void FreeLoadedScans() {
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
                   CProgress& progress) {
    int count = static_cast<int>(paths.size());
    AllocateScanTables(count);
    // While boxes may be open, scanCount counts only the scans read completely.
    for (int i = 1; i <= count; ++i) {
        progress.Advance(static_cast<float>(i) / static_cast<float>(count));
        const std::string& full = paths[static_cast<std::size_t>(i - 1)];
        bool tag = false;
        std::string why;
        if (!ReadScanIntoSlot(window, i, full, width, &tag, &why)) {
            // Emptied before the box, so a repaint meanwhile sees no half-built store.
            S::scanCount = i;
            FreeAllData();
            if (RealtimeState::realtimeMode)
                RealtimeState::stopRequested = true;
            ScanErrorBox(
                ScanLoadErrorText(full, why.empty() ? UnreadScanFileReason(full) : why).c_str(),
                "LOAD ERROR");
            progress.Hide();
            return false;
        }
        S::scanCount = i;
    }
    if (!SetUpLoadedScans()) {
        progress.Hide();
        return false;
    }
    RecordScanFolders(paths);
    return true;
}

std::vector<std::string> SelectionStrings(const char* selection) {
    std::vector<std::string> out;
    if (!selection)
        return out;
    for (const char* p = selection; *p; p += std::strlen(p) + 1)
        out.emplace_back(p);
    return out;
}
