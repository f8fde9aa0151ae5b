// The state of the continuous distribution analysis.
#pragma once

class CWINPlot;

// What the held distribution is drawn over: set when it is computed, loaded or transformed.
enum class HeldAbscissa { None, S, S20w, MolarMass, LogD, StokesRadius };

// The most grid points a distribution may have (the saved analysis holds no more).
inline constexpr int kMaxContiGridPoints = 100000;

struct ContiState {
    // Regularization: exactly one of the three is set.
    static inline bool maxEntRegularization = true;
    static inline bool secondDerivativeRegularization = false;
    static inline bool showBothRegularizations = false;
    static inline bool suppressBaselineCorrelation = true;
    static inline bool multiThreading = true;    // normal equations and Monte Carlo in threads
    static inline int gridPoints = 100;          // distribution grid points
    static inline float* sValues = nullptr;      // s abscissae [1..gridPoints], primary
    static inline float* mValues = nullptr;      // molar mass abscissae [1..gridPoints]
    static inline float* distribution = nullptr; // c values [1..gridPoints], per unit s
    static inline float* secondDistribution = nullptr; // second-derivative result, both shown
    static inline bool logGrid = false;                // grid points equidistant in log s
    static inline HeldAbscissa heldAbscissa = HeldAbscissa::None;
    static inline bool heldIntegral = false; // the held values are the integral distribution
    static inline float ff0 = 1.2f;          // frictional ratio of the c(s) kernel
    static inline int ff0Float = 0;          // the frictional ratio is fitted
    static inline int vbarFloat = 0;         // vbar is fitted (the floating-vbar c(s))
    static inline int distributionPlotBottom = 950;
    static inline float invariantD = 1e-7f; // cm^2/s, c(s) with invariant D
    // Total concentration of the distribution per node of the simulation grid [1..n].
    static inline double* totalConcentration = nullptr;
    static inline int kernelColumn = 1;        // grid point whose kernel column is computed
    static inline bool quietComputing = false; // no progress text while kernels are computed
    static inline CWINPlot* distributionPlot = nullptr; // owned by the distribution display
    static inline int distributionPlotTop = 630; // top of its band, thousandths of client height
    static inline bool priorInUse = false;       // a prior probability distribution is in use
    static inline bool priorInUse2 = false;
    static inline double* priorValues = nullptr;  // [1..gridPoints]
    static inline float* priorAbscissa = nullptr; // [1..gridPoints]
    // The time-dependent s and M analysis, and its partner switch for the ordinary analysis.
    static inline bool timeDependentSAndM = false;
    static inline bool ordinaryAnalysisMode = true;
    // One-shot switches that Run and Fit clear at their start.
    static inline bool fMvsMOneShot = false; // set by "f(M) vs M (with scaling law)"
    // The display's name of it: while set, "f(M) vs M" holds the distribution area.
    static inline bool& fmVsMShown = fMvsMOneShot;
    static inline bool discretePrior = false;         // prior knowledge of discrete species
    static inline bool discretePriorOneShot = false;  // the prior holds for one Run only
    static inline bool calledFromFit = false;         // the distribution is computed by Fit
    static inline bool monteCarloRunning = false;     // the Monte-Carlo loop runs
    static inline bool monteCarloIntegratedS = false; // it runs for integrated weight-average s
    // The distribution range: S for s-distributions, Da for c(M).
    static inline float rangeMin = 10000.0f;
    static inline float rangeMax = 500000.0f;
    static inline float resolution = 100.0f; // grid points as entered
    static inline float confidenceLevel = 0.95f;
    // The c(M) models replace the Lamm grid size by distributionGridSize while they are chosen.
    static inline int distributionGridSize = 500;
    static inline bool gridSizeReplaced = false;
    static inline bool rangeRescaled = false; // set around a range conversion
    // Shape assumptions of c(s) members that tie M to s: the bimodal f/f0 over an s-range, the
    // conformer's fixed mass over its s-range, and the linear rod's mass per length.
    static inline float bimodalSMin = 10.0f, bimodalSMax = 20.0f, bimodalFf0 = 2.0f;
    static inline int bimodalFf0Float = 0; // the second f/f0 is fitted
    static inline float conformerSMin = 7.0f, conformerSMax = 10.0f, conformerM = 200000.0f;
    static inline float rodParameter = 10000.0f;
    // The discrete component beside a c(s) or c(s, f/f0) distribution: its s (S) with its molar
    // mass (Da) or, in the s-and-D form, its diffusion coefficient (1e-7 cm^2/s); each may be
    // fitted. Its loading (signal units) is the weight the last solution gave it.
    static inline float discreteM = 350.0f, discreteS = 0.34f, discreteD = 5.0f;
    static inline int discreteMFloat = 0, discreteSFloat = 0, discreteDFloat = 0;
    static inline float discreteLoading = 0.0f;
    static inline bool exportMatrices = false; // the distribution code writes its matrices
    // Light-scattering kernel rows at each curve's own lags instead of the common lag grid.
    static inline bool rawLags = false;

    static void ResetToDefaults() {
        maxEntRegularization = true;
        secondDerivativeRegularization = false;
        showBothRegularizations = false;
        suppressBaselineCorrelation = true;
        multiThreading = true;
        gridPoints = 100;
        sValues = nullptr;
        mValues = nullptr;
        distribution = secondDistribution = nullptr;
        logGrid = false;
        heldAbscissa = HeldAbscissa::None;
        heldIntegral = false;
        ff0 = 1.2f;
        ff0Float = 0;
        vbarFloat = 0;
        distributionPlotBottom = 950;
        invariantD = 1e-7f;
        totalConcentration = nullptr;
        kernelColumn = 1;
        quietComputing = false;
        distributionPlot = nullptr;
        distributionPlotTop = 630;
        fmVsMShown = priorInUse = priorInUse2 = false;
        priorValues = nullptr;
        priorAbscissa = nullptr;
        timeDependentSAndM = false;
        ordinaryAnalysisMode = true;
        fMvsMOneShot = discretePrior = discretePriorOneShot = calledFromFit = false;
        monteCarloRunning = monteCarloIntegratedS = false;
        rangeMin = 10000.0f;
        rangeMax = 500000.0f;
        resolution = 100.0f;
        confidenceLevel = 0.95f;
        distributionGridSize = 500;
        gridSizeReplaced = rangeRescaled = false;
        bimodalSMin = 10.0f;
        bimodalSMax = 20.0f;
        bimodalFf0 = 2.0f;
        bimodalFf0Float = 0;
        conformerSMin = 7.0f;
        conformerSMax = 10.0f;
        conformerM = 200000.0f;
        rodParameter = 10000.0f;
        discreteM = 350.0f;
        discreteS = 0.34f;
        discreteD = 5.0f;
        discreteMFloat = discreteSFloat = discreteDFloat = 0;
        discreteLoading = 0.0f;
        exportMatrices = false;
        rawLags = false;
    }
};

// The shell's name of the second-derivative switch.
inline bool& gSecondDerivativeRegularization = ContiState::secondDerivativeRegularization;

// The shell's name of the matrix export switch (877).
inline bool& gExportMatrices = ContiState::exportMatrices;

// Threads for the distribution normal equations and Monte Carlo (at least 1).
inline int gDistributionThreadCount = 2;

// The shell's name of the frictional ratio f/f0 (ContiState::ff0), read by the hydrodynamic
// formulas in foundations/: one value, whichever name writes it.
inline float& gFrictionalRatio = ContiState::ff0;
