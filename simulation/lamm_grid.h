// LammGrid: the simulation grid record of the engine, with the numerical options of the Lamm
// solution that the solvers and the Lamm equation list runs read at every run.
#pragma once

// Only the fields read so far: the numerical options, the step-control values, the error words
// and the grid sizes that the solver objects are loaded with. Static values as at start-up.
struct LammGrid {
    // Grid sizes
    static inline int gridSize = 1000;
    static inline int defaultGridSize = 1000;  // "default FE grid size"
    static inline int allocatedGridSize = 0;   // size at the last allocation of the arrays

    // Step control
    static inline double maxDcOverC = 1.0;   // "max dc/c"
    static inline double dcOverCLimit = 1.0; // working copy of max dc/c
    static inline double dcOverCLow = 0.1;   // 0.05 x the working copy
    static inline double dcOverCMid = 0.5;   // 0.2 x the working copy
    static inline double stepFactor = 2.0;
    static inline double stepBlend = 1.0;
    static inline double equilibriumThreshold = 1e-6; // relative change per second
    static inline double maxDt = 1000.0;

    // Algorithm choice and grid shape options
    static inline float autoChangeS = 5.0f;            // "normalized s for automatic change", S
    static inline float autoChangeSOptimized = 60.0f;  // "when optimized", S
    static inline bool optimizeGridSpacing = true;     // "optimize time-invariant grid spacing"
    static inline bool shutOffBackDiffusion = true;    // "shut off back-diffusion"
    static inline double backDiffusionLevel = 1e-4;    // "level"
    static inline bool truncateGrid = true;            // "dynamically truncate grid"
    static inline double truncationLevel = 1e-6;       // kept in the file as its log10
    static inline bool automaticSGrid = true;          // "automatic s_grid"
    static inline double sGrid = 0.0;                  // S, used while automaticSGrid is off

    // Finite resolution of absorbance optics
    static inline bool simulateTimeResolution = false;
    static inline bool simulateRadialResolution = false;
    static inline float scanVelocity = 2.43f;            // cm/min
    static inline float radialConvolutionRange = 0.008f; // cm

    // Evaluation switches handed to the solver objects
    // The discrete-species engine evaluates each species by the Faxen-type approximate boundary
    // instead of a Lamm solution (command 530 sets it around one Run).
    static inline bool faxenApproximation = false;
    // The Lamm time-course solver starts afresh; Run clears it.
    static inline bool timeCourseRestart = false;
    static inline bool profileCurves = false;          // track the amount (mass check)
    static inline bool finalProfileToLastScan = false; // run on after the last scan

    // Error words of the last solution and the once-per-fit warning
    static inline int singularMatrix = 0;
    static inline int discretizationError = 0;
    static inline bool simErrorShown = false;

    static void ResetToDefaults();
};
