// Synthetic data: the scans of a simulated velocity run, built in the store, filled with the
// current model plus Gaussian noise and written as scan files.
#include "simulation/synthetic_data.h"

#include "foundations/key_polling.h"
#include "foundations/nr_arrays.h"
#include "foundations/random_numbers.h"
#include "plat/atomic_file.hpp"
#include "plat/paths.hpp"
#include "scandata/common_grid.h"
#include "scandata/fit_limits.h"
#include "scandata/initial_data.h"
#include "scandata/load_steps.h"
#include "scandata/raw_data_set.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_file.h"
#include "scandata/scan_store_alloc.h"
#include "scandata/scan_user_messages.h"
#include "scandata/slot_grid_arrays.h"
#include "simulation/simulation_switches.h"
#include "state/conti_state.h"
#include "state/dls_data.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/run_switches.h"
#include "state/window_services.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using S = ScanStore;
using M = ModelParameters;

constexpr double kFourPiSquared = 39.47841760435743;

// The radii meniscus, meniscus + dr, ... summed in single precision, that do not exceed the
// bottom; 0 when the sum stops advancing (a step too small for the radius).
int CountRadii(float meniscus, float bottom, float dr) {
    int m = 0;
    for (float r = meniscus; r <= bottom; ++m) {
        float next = r + dr;
        if (!(next > r))
            return 0;
        r = next;
    }
    return m;
}

float* RadiusArray(float meniscus, float dr, int m) {
    float* r = vector(1, m);
    for (int k = 1; k <= m; ++k)
        r[k] = meniscus + static_cast<float>(k - 1) * dr;
    return r;
}

// The loading signal of the initial-data set: the total signal of a self-associating model
// (held in slot 1, the monomer's, whichever slots are on), else the first species slot in use.
float LoadingSignal() {
    if (ModelChoice::SelfAssociation())
        return M::concentration[1];
    for (int s = 1; s <= M::maxSpecies; ++s)
        if (M::speciesOn[s])
            return M::concentration[s];
    return 0.0f;
}

void MakeInitialData(TXLAWindow* window, float rpm, float meniscus, float dr, int m) {
    using D = InitialData;
    FreeInitialDataArrays();
    D::pointCount = m;
    D::radius = RadiusArray(meniscus, dr, m);
    D::signal = vector(1, m);
    D::thirdColumn = vector(1, m);
    const float loading = LoadingSignal();
    for (int k = 1; k <= m; ++k)
        D::signal[k] = loading;
    if (ModelChoice::zoneCentrifugation)
        ModelChoice::zoneInverted = ScanQuestion(window, "invert band initial distribution?", "");
    else
        ModelChoice::zoneInverted = false;
    D::header = ScanHeader{};
    SetScanDescription(D::header, "synthetic");
    D::header.rotorSpeed = rpm;
    D::header.wavelength = 100.0f;
    D::header.lastHeaderNumber = 1;
    D::header.descriptionMeniscus = meniscus;
    D::header.rowCount = m;
    D::header.timeStampChecked = true;
}

void MakeScans(const SyntheticDataSettings& set, float meniscus, int m) {
    const int n = set.scanCount;
    AllocateScanTables(n);
    const double rpm2 = static_cast<double>(set.rpm) * set.rpm / 3600.0;
    for (int i = 1; i <= n; ++i) {
        S::scanFileName[i] = new char[260]();
        std::snprintf(S::scanFileName[i], 260, "%05d.ra0", i);
        S::pointCount[i] = m;
        S::radius[i] = RadiusArray(meniscus, set.dr, m);
        S::signal[i] = vector(1, m);
        S::thirdColumn[i] = vector(1, m);
        FillScanSlot(i);
        S::scanCount = i;

        ScanHeader& h = S::header[i];
        SetScanDescription(h, "synthetic");
        h.dataType = 'R';
        h.cell = 1;
        h.temperature = 20.0f;
        h.rotorSpeed = set.rpm;
        h.wavelength = 100.0f;
        h.lastHeaderNumber = 1;
        h.descriptionMeniscus = meniscus;
        h.rowCount = m;
        h.timeStampChecked = true;
        h.fileTimesValid = 0;
        double t = set.firstScanTime == 0.0f
                       ? i * static_cast<double>(set.interval)
                       : (i - 1) * static_cast<double>(set.interval) + set.firstScanTime;
        double w2t = rpm2 * t * kFourPiSquared;
        if (set.acceleration > 0.0f) {
            // The linear ramp adds a third of omega^2 t over its duration.
            double ta = static_cast<double>(set.rpm) / set.acceleration;
            h.accelerationRate = set.acceleration;
            h.accelerationTime = ta;
            t += ta;
            w2t += rpm2 * (1.0 / 3.0) * ta * kFourPiSquared;
        }
        h.time = h.originalTime = h.readTime = t;
        h.omega2t = w2t;
    }
}

// A new set of scans in the store, with the noise of every point in noise[i][k].
void BuildScans(TXLAWindow* window, const SyntheticDataSettings& set, float meniscus, int m,
                std::vector<std::vector<float>>& noise) {
    if (S::scanCount > 0) {
        FreeInitialDataArrays();
        FreeAllData();
    }
    MakeInitialData(window, set.rpm, meniscus, set.dr, m);
    MakeScans(set, meniscus, m);
    // The next load judges a kept meniscus against these scans as against loaded ones.
    S::meniscusDataStart = meniscus;
    noise.assign(static_cast<std::size_t>(set.scanCount) + 1, {});
    for (int i = 1; i <= set.scanCount; ++i) {
        std::vector<float>& row = noise[static_cast<std::size_t>(i)];
        row.assign(static_cast<std::size_t>(m) + 1, 0.0f);
        if (set.noise != 0.0f)
            for (int k = 1; k <= m; ++k)
                row[static_cast<std::size_t>(k)] = static_cast<float>(GaussRandom(set.noise));
    }
    // The right limit starts where Load starts an unset one, clear of the pile-up at the bottom
    // that the scans carry; a following Load keeps it.
    if (!ModelChoice::generatingSeries) {
        S::leftFitLimit = M::meniscus + 0.01f;
        S::rightFitLimit = DefaultRightFitLimit();
    }
    // The grid may end short of the bottom: the limit stays on the data without a box about
    // the program's own radii.
    const float last = S::radius[1][m];
    if (S::rightFitLimit == 0.0f || S::rightFitLimit > last)
        S::rightFitLimit = std::min(DefaultRightFitLimit(), last);
    for (int i = 1; i <= set.scanCount; ++i) {
        S::firstFitIndex[i] = 1;
        S::lastFitIndex[i] = m;
    }
    S::absoluteTemperature = S::header[S::scanCount].temperature + 273.15f;
    S::gasConstantTemperature = static_cast<float>(S::absoluteTemperature * 8.31451 * 1e7);
}

// The noise already in the store's residuals, for a simulation on the loaded scans.
void KeepResiduals(std::vector<std::vector<float>>& noise) {
    noise.assign(static_cast<std::size_t>(S::scanCount) + 1, {});
    for (int i = 1; i <= S::scanCount; ++i)
        noise[static_cast<std::size_t>(i)].assign(S::residuals[i],
                                                  S::residuals[i] + S::pointCount[i] + 1);
}

// The model of the current parameters into every scan's fit: Written when it was computed.
SyntheticOutcome Simulate(TXLAWindow* window, const SyntheticDataSettings& set) {
    const float acceleration = set.acceleration;
    const bool fixedTimeStep = S::fixedTimeStep;
    const bool timesFromW2t = S::timesFromW2t;
    S::fixedTimeStep = acceleration >= 0.0f;
    if (S::fixedTimeStep)
        S::timesFromW2t = false;
    // The engine sees a store like a loaded one: grid, fit limits and species arrays in place.
    BuildCommonRadialGrid();
    S::resultAvailable = false;
    gUserInterrupt = false;
    // The engine raises the stop switch for a failed equation too: a stop counted since now is the
    // user's.
    const int stopsAtStart = StopsCounted();
    // Every point of a scan is data of known truth, whatever fit limit a later analysis takes:
    // the solution is computed out to the last radius with the closed bottom, never opened
    // beyond the fit range (no pile-up) nor ended once the boundary has left that range.
    const float rightFitLimit = S::rightFitLimit;
    const bool shutOff = LammGrid::shutOffBackDiffusion;
    const bool truncate = LammGrid::truncateGrid;
    float last = 0.0f;
    for (int i = 1; i <= S::scanCount; ++i)
        if (S::pointCount[i] > 0)
            last = std::max(last, S::radius[i][S::pointCount[i]]);
    if (last > S::rightFitLimit && last <= M::bottom)
        S::rightFitLimit = last;
    LammGrid::shutOffBackDiffusion = false;
    LammGrid::truncateGrid = false;
    const bool computed = ModelChoice::contiMode
                              ? set.distributionModel && set.distributionModel(window)
                              : RunDiscreteSed(window);
    S::rightFitLimit = rightFitLimit;
    LammGrid::shutOffBackDiffusion = shutOff;
    LammGrid::truncateGrid = truncate;
    // A model the engine could not evaluate, refused input, a failed simulation or the user's stop
    // leave no result.
    const bool stopped = gUserInterrupt;
    const SyntheticOutcome outcome = stopped && StopsCounted() != stopsAtStart
                                         ? SyntheticOutcome::Stopped
                                     : stopped   ? SyntheticOutcome::Failed
                                     : !computed ? SyntheticOutcome::NotSimulated
                                                 : SyntheticOutcome::Written;
    S::fixedTimeStep = fixedTimeStep;
    S::timesFromW2t = timesFromW2t;
    if (S::timesFromW2t)
        for (int i = 1; i <= S::scanCount; ++i) {
            ScanHeader& h = S::header[i];
            double omega = h.rotorSpeed * 0.10471976;
            if (omega > 0.0)
                h.time = h.omega2t / (omega * omega);
        }
    return outcome;
}

bool SignalFinite() {
    for (int i = 1; i <= S::scanCount; ++i)
        for (int k = 1; k <= S::pointCount[i]; ++k)
            if (!std::isfinite(S::signal[i][k]))
                return false;
    return true;
}

// Every scan into folder under its own name, the set whole or not at all; false after the box
// that names the file that could not be written. Each scan is written under a hidden name beside
// its file first, and the set is renamed once all are: memory running out, a file that cannot be
// written and one that cannot be replaced alike leave the folder as it was.
bool WriteScans(const std::string& folder) {
    plat::AtomicFileSet files;
    const auto count = static_cast<std::size_t>(S::scanCount);
    std::size_t failed = 0;
    for (; failed < count; ++failed) {
        const int i = static_cast<int>(failed) + 1;
        const std::string file = files.Add(folder + S::scanFileName[i]);
        if (file.empty() ||
            !ScanTimeStampTag(file.c_str(), S::pointCount[i], S::radius[i], S::signal[i], nullptr,
                              nullptr, S::header[i].timeStampChecked, S::header[i]))
            break;
    }
    if (failed == count)
        failed = files.Commit();
    if (failed == count)
        return true;
    ReportUnwritable(folder + S::scanFileName[failed + 1], "no scan of the set was written");
    return false;
}

} // namespace

bool GenerateSyntheticData(TXLAWindow* window, const SyntheticDataSettings& set, const char* target,
                           SyntheticOutcome* outcome) {
    SyntheticOutcome local = SyntheticOutcome::NoScans;
    SyntheticOutcome& result = outcome ? *outcome : local;
    result = SyntheticOutcome::NoScans;
    if (set.scanCount < 1)
        return false;
    S::dataChanged = true;
    ModelChoice::fitTINoise = false;
    ModelChoice::fitRINoise = false;
    M::fitBaseline = false;
    ContiState::timeDependentSAndM = false;
    ContiState::ordinaryAnalysisMode = true;
    std::string drive, dir;
    plat::SplitPath(target ? target : "", &drive, &dir, nullptr, nullptr);
    const std::string folder = drive + dir;
    ScanPaths::gLoadSelection =
        folder.size() > 1 && folder.back() == '/' ? folder.substr(0, folder.size() - 1) : folder;

    const float meniscus = M::meniscus;
    if (!(set.dr > 0.0f) || M::bottom < meniscus)
        return false;
    std::vector<std::vector<float>> noise;
    if (set.reuse) {
        if (S::scanCount < 1)
            return false;
        KeepResiduals(noise);
    } else {
        const int m = CountRadii(meniscus, M::bottom, set.dr);
        if (m < 1)
            return false;
        BuildScans(window, set, meniscus, m, noise);
    }
    // Velocity scans of the sector cell, whatever was loaded before.
    S::equilibriumData = false;
    gDlsData = false;
    ScanDataKind::absorbance = true;
    ScanDataKind::interference = false;
    ScanDataKind::intensity = false;
    ScanDataKind::fluorescence = false;
    for (int i = 1; i <= S::scanCount; ++i) {
        const std::vector<float>& row = noise[static_cast<std::size_t>(i)];
        for (int k = 1; k <= S::pointCount[i]; ++k) {
            S::residuals[i][k] = row[static_cast<std::size_t>(k)];
            S::fit[i][k] = S::work[i][k] = 0.0f;
        }
    }

    gSimulateOnly = true;
    result = Simulate(window, set);
    // The noise is added from its own copy: the engine may recompute the residuals meanwhile.
    for (int i = 1; i <= S::scanCount; ++i) {
        const std::vector<float>& row = noise[static_cast<std::size_t>(i)];
        for (int k = 1; k <= S::pointCount[i]; ++k) {
            S::signal[i][k] = S::fit[i][k] + row[static_cast<std::size_t>(k)];
            S::residuals[i][k] = row[static_cast<std::size_t>(k)];
        }
    }
    AllocCommonGridScanArrays();
    SortScansByTime();
    BuildCommonRadialGrid();
    ApplySetFitLimits();

    // Nothing that is not a number goes into a scan file.
    if (result == SyntheticOutcome::Written && !SignalFinite())
        result = SyntheticOutcome::NotFinite;
    if (result == SyntheticOutcome::Written && !WriteScans(folder))
        result = SyntheticOutcome::NotWritten;
    const bool written = result == SyntheticOutcome::Written;
    // Written scans are the data now: what goes beside the data goes beside them.
    if (written) {
        ScanPaths::gDataDrive = drive;
        ScanPaths::gDataDir = dir;
    }
    char text[64] = "";
    if (written && set.noise > 0.0f)
        std::snprintf(text, sizeof text, "mean dev = %f  ", static_cast<double>(CalcFitRmsd()));
    S::resultAvailable = false;
    WindowServices::SetPlotAxisTitles();
    WindowServices::RedrawDataPlot(false);
    if (!ModelChoice::generatingSeries) {
        ScanRequestRepaint(window);
        if (text[0])
            ScanDrawText(window, 10, 50, text);
    }
    return written;
}
