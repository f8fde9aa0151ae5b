// The M* analysis of sedimentation equilibrium: its screen modes, its settings, the working
// copies of the data sets and every per-set result the screen shows.
#pragma once

#include <cstdint>
#include <vector>

class CWINPlot;
class CScreenButton;

// One data set's working copy and results; vectors are 1-based (element 0 unused).
struct MStarSet {
    int pointCount = 0, previousPointCount = 0;
    int firstIndex = 0, lastIndex = 0; // inside the fitting limits, in working-copy indices
    int meniscusPad = 0, bottomPad = 0;
    int meniscusIndex = 0, bottomIndex = 0;
    bool interference = false;
    std::vector<float> signal, radius, cmFit, workSignal, workRadius;
    std::vector<float> rSquared, r, lnC, lnCSmoothed, lnCLinearFit, lnCFromCM;
    std::vector<float> cMinusBaseline, cMinusBaselineSmoothed;
    std::vector<float> mstar, mstarFromCM, mappDlnc, mappDcdr, mappFromCM;
    // 100-point grids.
    std::vector<float> baselineGrid, baselineLine, meniscusGrid, meniscusExtrapolation;
    std::vector<float> bottomGrid, bottomExtrapolation;
    float meniscusPointX[3] = {}, meniscusPointY[3] = {}; // [1..2]
    float mwPointX[2] = {}, mwPointY[2] = {};             // [1]
    double kFactor = 0.0;
    float meniscusSignal = 0.0f; // A0 (or Ja): signal at the meniscus minus the baseline
    float mwAverage = 0.0f;      // kDa
    float mwLinearFit = 0.0f;    // kDa
};

struct MStarState {
    static inline bool mStarMode = false; // the M* screen is on
    static inline bool& active = mStarMode;
    static inline bool multipleSets = false; // the M* screen shows several data sets
    static inline bool& multiSet = multipleSets;
    static inline bool useCMSmoothing = false;
    static inline bool mayAskCMSmoothing = false;
    static inline bool askCMRange = true;
    static inline bool workCopiesRebuilt = false;
    static inline bool useDerivativeFormula = true;
    static inline bool mappVersusSignal = true;
    static inline bool meniscusSignalFixed = false;
    static inline bool negativeMStarSeen = false;
    static inline bool meniscusRangeDragPending = false;
    static inline bool bottomRangeDragPending = false;
    static inline int lnCSmoothHalfWidth = 20;
    static inline int lnCSmoothOrder = 1;
    static inline int mappSmoothHalfWidth = 10;
    static inline int meniscusExtrapolationOrder = 2;
    static inline int bottomExtrapolationOrder = 2;
    static inline float meniscusFitRange[3] = {};
    static inline float bottomFitRange[3] = {};
    static inline int meniscusFitIndexRange[3] = {};
    static inline std::vector<MStarSet> sets;          // [1..scanCount] while the mode is on
    static inline std::vector<CScreenButton*> buttons; // [1..buttonCount], entries may be null
    static inline int buttonCount = 0;
    static constexpr int firstSetButton = 8;
    static inline CWINPlot* signalPlot = nullptr;
    static inline CWINPlot* mstarPlot = nullptr;
    static inline CWINPlot* lnCPlot = nullptr;
    static inline CWINPlot* mappPlot = nullptr;
    static inline CWINPlot* savedDataPlot = nullptr;
    static inline std::int32_t savedDistPlotRect[2] = {};
    static inline bool baselinePlotShown = false;
    static inline CWINPlot* baselinePlot = nullptr;

    // The modes and the working data; the plots and buttons are freed by their owners before.
    static void ResetToDefaults() {
        mStarMode = multipleSets = useCMSmoothing = mayAskCMSmoothing = false;
        askCMRange = true;
        workCopiesRebuilt = meniscusSignalFixed = negativeMStarSeen = false;
        meniscusRangeDragPending = bottomRangeDragPending = false;
        useDerivativeFormula = mappVersusSignal = true;
        lnCSmoothHalfWidth = 20;
        lnCSmoothOrder = 1;
        mappSmoothHalfWidth = 10;
        meniscusExtrapolationOrder = bottomExtrapolationOrder = 2;
        for (int i = 0; i < 3; ++i)
            meniscusFitRange[i] = bottomFitRange[i] = 0.0f, meniscusFitIndexRange[i] = 0;
        sets.clear();
        buttons.clear();
        buttonCount = 0;
        signalPlot = mstarPlot = lnCPlot = mappPlot = savedDataPlot = baselinePlot = nullptr;
        savedDistPlotRect[0] = savedDistPlotRect[1] = 0;
        baselinePlotShown = false;
    }
};
