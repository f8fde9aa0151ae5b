// LammGrid: the simulation grid record of the engine, with the numerical options of the Lamm
// solution that the solvers and the Lamm equation list runs read at every run.
#pragma once

// Static values as at start-up. There is one instance of this state: the module-wide solvers are
// not re-entrant and run on the window's thread only.
class CComputeObserver;

// The finite-element algorithm of the simulation grid: the one a model chooses and a grid is made
// for, and the one a run used. The moving hat algorithm (geometric grid, with the moving-grid
// arrays), the fixed grid of the Claverie algorithm, or neither (a cell-centred grid) are
// chosen; a run records the moving hat, the fixed grid or the concentration-dependent moving
// frame, which keeps LammGrid::radius on the physical radii of its nodes itself. None: nothing
// chosen or run yet.
enum class GridAlgorithm { None, MovingHat, FixedGrid, CellCentred, MovingFrame };

// The frame of the moving hat's grid: reference node i of the n radii at x stands at
// x[i] exp(k (t - t0)) at time t.
struct MovingGridFrame {
    const double* x = nullptr;
    int n = 0;
    double k = 0.0;  // 1/s
    double t0 = 0.0; // s
};

struct LammGrid {
    // Grid sizes
    static inline int gridSize = 1000;
    static inline int defaultGridSize = 1000; // "default FE grid size"
    static inline int& gridSizeSetting = defaultGridSize;
    static inline int allocatedGridSize = 0; // size at the last allocation of the arrays
    static inline int arraysAllocated = 0;   // 1 while the arrays exist

    // Arrays, 1-based with n + 1 doubles each (index 0 is not data); empty without arrays.
    // mainArray[1..16]: [1] the display profile of the scan output, [2] the propagated
    // concentration, [3] the radii in cm, [4..16] work arrays of the solvers.
    static inline double* mainArray[17] = {};
    static inline double*& displayProfile = mainArray[1];
    static inline double*& concentration = mainArray[2];
    static inline double*& radius = mainArray[3];
    static inline double* stepArray[5] = {};      // [1..4], one block
    static inline double* reactionArray[35] = {}; // [1..34], with ModelChoice::reactingSystem
    // [1..17] one block with the moving hat algorithm, [18..20] aliases of mainArray 13, 7, 12.
    static inline double* movingGridArray[21] = {};
    static inline double*& movingRadius = movingGridArray[1]; // reference radii of the moving grid
    static inline double* nonidealArray[18] = {};             // [1..17], non-ideal models
    // Live profile plot of the moving-grid solvers (with profileCurves): n floats each, 1-based.
    static inline float* profileX = nullptr;
    static inline float* profileY = nullptr;

    // Species, rotor and time stepping
    static inline double s = 5.0;                 // S
    static inline double d = 0.0;                 // cm^2/s
    static inline double rotorSpeed = 10000.0;    // rpm
    static inline double maxRotorSpeed = 10000.0; // rpm at the end of the acceleration
    static inline double accelerationTime = 0.0;  // s; 0 = no acceleration phase
    static inline double accelerationRate = 0.0;  // rpm/s
    static inline bool accelerating = false;
    static inline double maxDtAcceleration = 1.0;
    static inline double initialDt = 1.0; // s, the first step of a species run
    // The clock of the last run on the records where it ended: its time (s) and its steps. A run
    // keeps its own clock while it goes on.
    static inline double time = 0.0;
    static inline int stepCount = 0;
    static inline double totalAmount = 0.0;
    // Hears a module-wide solver's progress texts and live curves; null: nobody does.
    static inline CComputeObserver* progressObserver = nullptr;
    static inline int currentSpecies = 1;
    static inline float loadingFraction = 1.0f;
    static inline bool backDiffusionShutOff = false; // the shut-off applies to this species
    static inline float frictionalRatio = 0.0f;
    static inline float boundaryWidth = 0.0f;

    // Evaluation state of the model evaluation and the solvers
    static inline bool firstScanIsInitial = false;
    static inline int firstSimulatedScan = 1;
    static inline bool nonDiffusing = false;
    static inline double omega2S = 0.0;
    static inline bool activeRegionOff = false;
    static inline bool lastResortMode = false;
    static inline bool equilibriumReached = false;
    static inline bool reactionDisplay = false;
    static inline int movingGridCount = 0;
    static inline int uniformGridCount = 0;
    static inline double gridStartRadius = 0.0;

    // Shape of the uniform-then-growing grid and its refinement near the bottom
    static inline bool growingGrid = false;       // request: build the growing shape next
    static inline double growthStartRadius = 0.0; // r0, where the steps start to grow
    static inline double uniformStep = 0.0;       // h of the uniform part
    static inline bool growingGridBuilt = false;
    static inline double refineRadius = 0.0;
    static inline int refineIndex = 0;
    static inline double refineStep = 0.0;
    static inline double refineFactor = 0.0;

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
    static inline float autoChangeS = 5.0f;           // "normalized s for automatic change", S
    static inline float autoChangeSOptimized = 60.0f; // "when optimized", S
    static inline bool optimizeGridSpacing = true;    // "optimize time-invariant grid spacing"
    static inline bool shutOffBackDiffusion = true;   // "shut off back-diffusion"
    static inline double backDiffusionLevel = 1e-4;   // "level"
    static inline bool truncateGrid = true;           // "dynamically truncate grid"
    static inline double truncationLevel = 1e-6;      // kept in the file as its log10
    static inline bool automaticSGrid = true;         // "automatic s_grid"
    static inline double sGrid = 0.0;                 // S, used while automaticSGrid is off

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
    // Track the amount (mass check); with the moving hat algorithm also the live profile plot.
    static inline bool profileCurves = false;
    static inline bool finalProfileToLastScan = false; // run on after the last scan

    // Error words of the last solution and the once-per-fit warning
    static inline int singularMatrix = 0;
    static inline int discretizationError = 0;
    // The last evaluation's model lay beyond single precision and was not stored.
    static inline int signalBeyondFloat = 0;
    static inline bool simErrorShown = false;
    // A model solved on data or in a solvent it is not made for says so once per fit.
    static inline bool modelNoticeShown = false;

    // What the arrays hold since the last run: its algorithm and, after the moving hat, its frame
    // (set during the run, kept after it for the scans written from its final profile); the
    // moving grid's radii are only meaningful after a moving-hat run. They describe the arrays,
    // so resetting the options leaves them.
    static inline GridAlgorithm lastSolver = GridAlgorithm::None;
    static inline MovingGridFrame movingFrame;

    static void ResetToDefaults();
};
