// The program-wide store of loaded scans: per-scan arrays and headers, the common radial grid,
// fit limits, noise, solution constants and the two main plots.
#pragma once

#include "state/model_choice.h"

#include <cstdint>
#include <string>
#include <vector>

class CVector;
class CCurve;
class CWINPlot;
class CRotorSpeedProfile;
struct DlsRecord;
struct ScanHeader;
extern bool gShowResidualsBitmap;

// The five views each scan keeps over its arrays, and its four curves.
enum ScanVectorSlot { kRadiusVector, kSignalVector, kThirdVector, kFitVector, kResidualsVector };
enum ScanCurveSlot { kSignalCurve, kThirdCurve, kFitCurve, kResidualsCurve };

struct ScanVectors {
    CVector* v[5] = {};
};
struct ScanCurves {
    CCurve* c[4] = {};
};

// The most scans one load takes: a larger selection is refused with "too many scans selected".
constexpr int kMaxScans = 1000;

// Per-scan tables hold scanCount + 1 entries used from 1; per-point arrays are 1-based float
// vectors [1..pointCount[i]].
// The coarsest radial resolution the loader can use (cm): a coarser one leaves a cell column of
// 1.2 cm with fewer than a dozen points, too few to hold a boundary.
inline constexpr float kMaxRadialResolutionCm = 0.1f;

struct ScanStore {
    static inline float leftFitLimit = 0.0f; // cm; 0 = not set
    static inline float rightFitLimit = 0.0f;
    // Where the earliest data set the meniscus was kept through begins (cm); 0 = not known.
    static inline float meniscusDataStart = 0.0f;
    static inline bool dataChanged = true;
    static inline bool equilibriumData = false;
    static inline bool gridSignalAllocated = false;
    static inline bool mixedDataTypes = false;
    static inline bool scanColorFromTime = true;
    static inline std::int32_t fileStride = 1;
    static inline std::int32_t scanCount = 0;

    static inline float** radius = nullptr;
    static inline float** fit = nullptr;
    static inline float** work = nullptr;
    static inline float** residuals = nullptr;
    static inline float** signal = nullptr;
    static inline double signalScale = 1.0;
    // Divisor of the non-ideality constants ks and kd of the non-ideal single species.
    static inline double concentrationScale = 1.0;
    static inline float** thirdColumn = nullptr;
    static inline ScanHeader* header = nullptr;
    static inline DlsRecord* dlsRecords = nullptr;
    static inline std::int32_t* pointCount = nullptr;
    static inline std::int32_t* scanOrder = nullptr;
    static inline std::int32_t* firstFitIndex = nullptr;
    static inline std::int32_t* lastFitIndex = nullptr;
    static inline char** scanFileName = nullptr; // 260 characters each
    static inline CRotorSpeedProfile* speedProfile = nullptr;
    static inline bool speedProfileInForce = false;
    // cm; the loader averages rows closer than this and the common grid steps by it, up to
    // kMaxRadialResolutionCm.
    static inline float radialResolution = 0.001f;

    // Common radial grid.
    static inline float* gridRadius = nullptr;
    static inline std::int32_t gridCount = 0;
    static inline float** gridSignal = nullptr;
    static inline float* gridMeanSignal = nullptr;
    static inline float* scanMeanSignal = nullptr;
    static inline float* tiNoise = nullptr;
    static inline float* tiNoiseRemoved = nullptr;
    static inline float* riNoise = nullptr;
    static inline float gridSignalSum = 0.0f;
    static inline float gridValueCount = 0.0f;
    static inline std::int32_t gridFirstFit = 0;
    static inline std::int32_t gridLastFit = 0;

    static inline float vbar = 0.73f;     // ml/g
    static inline float vbar20 = 0.73f;   // ml/g at 20 C
    static inline float density = 1.0f;   // g/ml
    static inline float viscosity = 1.0f; // relative to water
    static inline float vbarRho = 0.73f;  // vbar x density, kept by every writer of either
    static inline float& vRho = vbarRho;
    static inline float gasConstantTemperature = 0.0f; // R T of the scans, erg/mol
    static inline float& gasConstantTimesT = gasConstantTemperature;
    static inline float absoluteTemperature = 0.0f;
    static inline bool timesFromW2t = false;
    static inline bool rampRotorSpeed = true;    // simulate the acceleration phase
    static inline bool checkAcceleration = true; // refuse implausibly slow accelerations
    // The loaders' name of the Lamm-equation option "fix timestep".
    static inline bool& fixedTimeStep = ModelChoice::fixedTimeStep;

    static inline ScanVectors* scanVectors = nullptr;
    static inline ScanCurves* scanCurves = nullptr;
    static inline CWINPlot* dataPlot = nullptr;
    static inline CWINPlot* residualPlot = nullptr;
    static inline std::int32_t distPlotRect[4] = {50, 475, 550, 950}; // top, left, bottom, right
    static inline bool resultAvailable = false;
    static inline bool showData = true;      // the data plot is shown
    static inline bool showResiduals = true; // the residual plot is shown
    // The residuals bitmap under the residual plot; the switch the bitmap's commands keep.
    static inline bool& showResidualsBitmap = gShowResidualsBitmap;
    static inline std::vector<std::string> fileNames;

    // Frees what is loaded and sets every field back to its initial value (defined with the
    // store's allocation routines, which know the arrays' types).
    static void ResetToDefaults();
};

// Texts of the last load: the selection's first string, the parts of the last scan path, and
// the data folder's saved-analysis, notes and s-grid files.
struct ScanPaths {
    static inline std::string gLoadSelection;
    static inline std::string gDataDrive;
    static inline std::string gDataDir; // with a trailing separator
    static inline std::string gDataName;
    static inline std::string gDataExt; // with its dot
    static inline std::string gDataPath;
    static inline std::string gNotesPath;
    static inline std::string gSDistPath;
    // The folder of each scan (from 1, with a trailing separator) once Add More Files has added
    // scans, which may lie in another folder, or once scans from several folders were loaded from
    // a list (a reload of such a set among them); empty otherwise.
    static inline std::vector<std::string> gScanFolders;

    static void ResetToDefaults();
};
