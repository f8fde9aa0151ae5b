// Emptying the scan store: every scan with its arrays, views and curves, and the common grid.
#include "scandata/scan_store_alloc.h"

#include "foundations/ccurve.h"
#include "foundations/cvector.h"
#include "foundations/nr_arrays.h"
#include "scandata/nonlinear_detection.h"
#include "scandata/rotor_speed_profile.h"
#include "scandata/slot_grid_arrays.h"
#include "state/display_options.h"
#include "state/dls_data.h"
#include "state/window_services.h"

namespace {

template <typename T> void FreeTable(T*& table) {
    delete[] table;
    table = nullptr;
}

// Frees entry i of a table of 1-based point arrays of n points.
void FreePoints(float** table, int i, int n) {
    if (table && table[i]) {
        free_vector(table[i], 1, n);
        table[i] = nullptr;
    }
}

} // namespace

void FreeCommonGrid(std::int32_t count) {
    using S = ScanStore;
    if (S::gridSignal) {
        if (S::gridSignalAllocated)
            for (int k = 1; k <= count; ++k)
                FreePoints(S::gridSignal, k, S::gridCount);
        FreeTable(S::gridSignal);
    }
    // A shared grid is scan 1's radius array (interference scans with identical radii, or
    // light-scattering functions with identical lags): only a grid of its own is freed here.
    if (S::gridRadius && S::gridSignalAllocated)
        free_vector(S::gridRadius, 1, S::gridCount);
    S::gridRadius = nullptr;
    free_vector(S::gridMeanSignal, 1, S::gridCount);
    free_vector(S::scanMeanSignal, 1, count);
    free_vector(S::tiNoise, 1, S::gridCount);
    free_vector(S::tiNoiseRemoved, 1, S::gridCount);
    free_vector(S::riNoise, 1, count);
    S::gridMeanSignal = S::scanMeanSignal = S::tiNoise = S::tiNoiseRemoved = S::riNoise = nullptr;
    FreeCommonGridScanArrays();
    S::gridCount = 0;
    S::gridSignalSum = 0.0f;
    S::gridValueCount = 0.0f;
    S::gridFirstFit = 0;
    S::gridLastFit = 0;
    S::gridSignalAllocated = false;
}

void AllocateScanTables(std::int32_t count) {
    using S = ScanStore;
    std::size_t n = static_cast<std::size_t>(count) + 1;
    S::scanFileName = new char*[n]();
    S::radius = new float*[n]();
    S::fit = new float*[n]();
    S::work = new float*[n]();
    S::residuals = new float*[n]();
    S::signal = new float*[n]();
    S::thirdColumn = new float*[n]();
    S::header = new ScanHeader[n]();
    S::scanVectors = new ScanVectors[n]();
    S::scanCurves = new ScanCurves[n]();
    S::pointCount = new std::int32_t[n]();
    S::scanOrder = new std::int32_t[n]();
    S::firstFitIndex = new std::int32_t[n]();
    S::lastFitIndex = new std::int32_t[n]();
    for (std::int32_t i = 0; i <= count; ++i)
        S::scanOrder[i] = i;
}

void FreeAllData() {
    using S = ScanStore;
    FreeNonlinearDetectionCopies();
    // The grid may share the scans' arrays, so it goes first.
    FreeCommonGrid(S::scanCount);
    for (int i = 1; i <= S::scanCount; ++i) {
        int n = S::pointCount ? S::pointCount[i] : 0;
        if (S::scanFileName && S::scanFileName[i]) {
            delete[] S::scanFileName[i];
            S::scanFileName[i] = nullptr;
        }
        if (S::scanVectors)
            for (CVector*& v : S::scanVectors[i].v) {
                delete v;
                v = nullptr;
            }
        if (S::scanCurves)
            for (CCurve*& c : S::scanCurves[i].c) {
                delete c;
                c = nullptr;
            }
        FreePoints(S::radius, i, n);
        FreePoints(S::fit, i, n);
        FreePoints(S::work, i, n);
        FreePoints(S::residuals, i, n);
        FreePoints(S::signal, i, n);
        FreePoints(S::thirdColumn, i, n);
    }
    FreeTable(S::scanFileName);
    FreeTable(S::scanVectors);
    FreeTable(S::scanCurves);
    FreeTable(S::radius);
    FreeTable(S::fit);
    FreeTable(S::work);
    FreeTable(S::residuals);
    FreeTable(S::signal);
    FreeTable(S::thirdColumn);
    FreeTable(S::header);
    FreeTable(S::dlsRecords);
    FreeTable(S::pointCount);
    FreeTable(S::scanOrder);
    FreeTable(S::firstFitIndex);
    FreeTable(S::lastFitIndex);
    WindowServices::DeleteScanPlots();
    S::scanCount = 0;
    ScanPaths::gScanFolders.clear();
    S::dataChanged = true;
    // The worst scan named an index of the freed set; a later set must not inherit it.
    gWorstRmsScan = 0;
}

void ScanStore::ResetToDefaults() {
    FreeAllData();
    delete speedProfile;
    speedProfile = nullptr;
    speedProfileInForce = false;
    leftFitLimit = rightFitLimit = 0.0f;
    meniscusDataStart = 0.0f;
    dataChanged = true;
    equilibriumData = false;
    gridSignalAllocated = false;
    mixedDataTypes = false;
    scanColorFromTime = true;
    fileStride = 1;
    signalScale = 1.0;
    radialResolution = 0.001f;
    vbar = vbar20 = 0.73f;
    density = 1.0f;
    viscosity = 1.0f;
    vbarRho = 0.73f;
    gasConstantTemperature = 0.0f;
    absoluteTemperature = 0.0f;
    timesFromW2t = false;
    rampRotorSpeed = true;
    checkAcceleration = true;
    fixedTimeStep = false;
    distPlotRect[0] = 50;
    distPlotRect[1] = 475;
    distPlotRect[2] = 550;
    distPlotRect[3] = 950;
    resultAvailable = false;
    showData = true;
    showResiduals = true;
    fileNames.clear();
}

void ScanPaths::ResetToDefaults() {
    gLoadSelection.clear();
    gDataDrive.clear();
    gDataDir.clear();
    gDataName.clear();
    gDataExt.clear();
    gDataPath.clear();
    gNotesPath.clear();
    gSDistPath.clear();
    gScanFolders.clear();
}
