// CLammIdeal: the self-contained solver of the Lamm equation for one sedimenting species.
#pragma once

#include "lamm/cosolvent_grid.h"
#include "lamm/crank_nicolson_rows.h"
#include "lamm/detection_kernels.h"
#include "lamm/floating_end.h"
#include "lamm/grid_profile_interpolation.h"
#include "lamm/hat_integrals.h"
#include "lamm/lamm_active_region_state.h"
#include "lamm/lamm_cosolvent_settings.h"
#include "lamm/lamm_output_detection.h"
#include "lamm/lamm_result.h"
#include "lamm/propagation_arrays.h"
#include "lamm/tridiagonal.h"
#include "state/held_discretisation.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

struct ScanHeader;
class CFluorophore;
struct CFluorophoreSet;
class CRotorSpeedProfile;
class SubnormalsAsZeroHeld;
class CComputeObserver;

// One object holds everything one solution needs, so worker threads can each solve their own
// copy of a loaded template. Callers load it in groups, call Run once and delete it. Fields are
// public, as in the program's other records; the loaders and set-up keep them consistent.
// Work vectors are 1-based: element 0 is unused.
class CLammIdeal : public CLammOutputDetection,
                   public CLammCosolventSettings,
                   public CLammActiveRegionState {
  public:
    CLammIdeal();
    ~CLammIdeal();
    CLammIdeal(const CLammIdeal&) = delete;
    CLammIdeal& operator=(const CLammIdeal&) = delete;

    // ---- loaders (lamm_loaders.cpp)
    void LoadSedParameters(double sS, double dCm2s, double meniscusCm, double bottomCm,
                           double loading, float fitLimit1, float fitLimit2);
    void SetIdealModel();
    void LoadDiscretization(int lowerLimit, int upperLimit, float ptsPerSigma,
                            bool rapidAssociation, double bdLevel, bool shutOffBD,
                            bool optimizeGridSpacing, bool autoDynamicGrid, float ff0,
                            bool rampSpeed, bool fixTimestepOption, int massCheckOption,
                            double tsControlValue, double sGrid, bool autoSGrid,
                            bool continuationOption, bool autoAlgorithm, double maxDcOverCCopyValue,
                            double fineLimit, double coarseLimit, double maxDcOverCValue,
                            int defaultGrid, int allocatedGrid, bool movingHat, bool claverie,
                            float truncLevel, double truncThreshold, bool dynTruncate,
                            double factorB, double factorA, double normS, double normSOptimized);
    void LoadOutputParameters(CComputeObserver* progressObserver, bool profilesShown,
                              ScanHeader* scanHeaders, float** target, const float* radii,
                              int radiusCount, float** scanRadii, const int* scanCounts,
                              bool simulatingOnly, const int* order, int count, int equation,
                              bool quietFitting, bool quietComputing, bool timeResolution,
                              float velocityCmMin, bool radialResolution, float radialRangeCm,
                              bool absorbance);
    void SetAccumulateOutput(bool on);
    void LoadSpeciesFromList(double sS, double dCm2s, float** target, const float* radii,
                             int radiusCount, float** scanRadii, const int* scanCounts);
    void LoadSpeciesProperties(double temperatureC, double vbarValue, double densityValue,
                               double viscosityValue);
    void SetZoneLoading(bool on, float widthCm, bool empty);
    void SetInitialStep(float widthCm, float factor);
    void SetSedimentationTimeOffset(double offsetS);
    void SetTimeOffset(double offsetS);
    void DisableAccelerationCheck();
    void LoadSelfAssociation(bool interacting, bool ideal, bool a, bool b, bool c, bool d,
                             const float values1to5[5], float loading, bool nonideal, float logKs,
                             float logKd, bool switch1, bool switch2, double scale,
                             const float values7to14[8]);
    void LoadNonIdeality(bool ideal, bool nonidealKsKd, bool interacting, bool dependence,
                         bool rapidSA, int count, const double* v1, const double* v2,
                         const double* v3, const double* v4, float logKs, float logKd, bool switch1,
                         bool switch2, double scale, double sS, double dCm2s, double loading);
    void LoadSolventOptions(bool inhomogeneous, bool solventSwitchValue, bool compressible,
                            bool linearGradientValue, double kappaValue, float vbarSecondValue,
                            float viscosityValue, float densityValue, float vbarValue,
                            float buoyancyValue, float rho0Value, float viscosityPaS,
                            float viscosityRatioValue, float furtherValue, double densityAtMeniscus,
                            double densityAtBottom, double viscosityAtMeniscus,
                            double viscosityAtBottom);
    void LoadSolventGradient(bool inhomogeneous, bool gradient, bool gradientCompressible,
                             double s2, double d2, bool secondComponent, int n2, bool cleanUp,
                             bool concentrationDependent, double loading, bool fileSwitch,
                             bool plotSwitch, double kappaValue, const char* folder, bool builtIn,
                             const char* sFile, const char* dFile, const double* array1,
                             int length1, const double* array2, int length2);
    void CopySettingsFrom(const CLammIdeal& tmpl);
    void RebuildAccumulation();
    // The accumulation rows to zero (made at their size first), unless no row was handed out
    // since they last were.
    void ClearAccumulation();
    size_t AccumulationSize() const;

    // ---- rotor speed schedule (lamm_speed_schedule.cpp)
    void LoadRotorSpeedProfile(const CRotorSpeedProfile& profile);
    void CheckRotorSpeeds(int count, const float* start, const float* speed, const float* accel,
                          int mode);
    double RotorSpeedAt(double t) const;
    double EffectiveRotorSpeed(double t, double dt);
    void AdvanceSpeedStep(double t);

    // ---- run (lamm_run.cpp, lamm_run_setup.cpp)
    LammResult Run();
    std::optional<LammResult> RefusedBeforeSolving();
    void RetryFailedSolution();
    void SetUpRotorSpeed();
    void ChooseAlgorithm();
    void ChooseFirstTimeStep();
    void SizeGrid();
    void SizeGridHeldOrAutomatic(); // lamm_held_grid.cpp
    void ApplyHeldGrid(const HeldLammGrid& held);
    HeldLammGrid GridToHold() const;
    void HoldAfterSolve();
    void SetInitialConcentration();
    bool BackDiffusionTest(double sS, double dCm2s) const;
    bool PileUpUnseen(double sS, double dCm2s) const; // the test for one species
    bool SizedAutomatically() const;
    double BoundaryWidthAtFitLimit() const;
    int RetryGridSize(float estimate) const;
    bool ConcentrationDependent() const { return concDependentNI || concDependentSA; }
    const ScanHeader& FirstScanHeader() const;
    const ScanHeader& LastScanHeader() const;
    void ZeroCallerRows();
    void WriteRemainingScans(bool zero);
    void AddAccumulationToTarget();
    void SolveAndCorrect();
    void SolveNonDiffusing();
    void SolveStatic();
    void FreeArrays();
    void Regrid(int n);
    void RegridTwoPart(double rStar);
    bool RegridGradedBottom(double hBulk, double hFine, double layer);
    void BuildRadialGrid();
    bool AllocateArrays();
    void FreeVectors();

    // ---- output per time step (lamm_output.cpp)
    void CLEachIterationOutput(double ri);
    bool ScanSegmentsPassed();
    bool ShowsProgress() const;
    void ShowStatusLines(double ri);
    void PlotScanProfile(const float* radii, const float* values, int n);
    void ConvolveRadialResolution(double* profile, const double* radii, int n) const;
    void ConvolveRadialResolutionF(float* profile, const float* radii, int n) const;
    // Rows that receive scan at position pos of the scan order.
    int ScanIndexAt(int pos) const { return scanOrder[pos]; }
    double ScanTimeAt(int pos) const;
    float* OutputRowFor(int pos);
    // Whether the row just handed out for pos is written as 0 + v, as adding the solution to
    // the caller's rows would leave it, and stays so (written in place, no correction after);
    // noted, so that adding leaves the row alone.
    bool WritesSumOfZero(int pos);
    int OutputCountFor(int pos) const;
    const float* OutputRadiiFor(int pos) const;
    // Detection corrections of fluorescence optics; applied after solving when any is on.
    bool AnyDetectionCorrectionOn() const;
    void CorrectScanProfile(int pos, float* y, const float* radii, int n);
    void CorrectAllScans();

    // ---- moving hat finite elements (lamm_moving_hat*.cpp)
    void SolveFE();
    double TimeStep();
    void AdvanceSolution(double step);
    void CommitStep();
    void ShiftGrid();
    void SetupMovingGrid();
    void AssembleMatrices();
    void ReassembleMatrices();
    void FactorFullPeriodStep();
    void SolveFactored(const double* rhsIn, double* out) const;
    void EndElementsNow();
    void EndElementsAt(double tau);
    void SetGridEnds(double tau);
    void UpdateRadii();
    double NodeVolume(int i) const;
    double MovingGridAmount();
    double ReferenceAmount() const;
    void SolveTridiagonal(const double* a, const double* b, const double* c, const double* rr,
                          double* u, int n);
    void LimitOverflow();
    bool UseCombinedTransport() const;
    void ComputeTransportRow(int i);
    void EndEntriesHere(double* m8, double* k8, double* s8, double* f8) const;
    void EndMassRates(double* rate8) const;
    void SetEndCriterion();
    bool EndReached();
    double BottomSlope() const;
    double MeniscusSlope() const;

    // ---- element integrals on the object's grids (lamm_element_integrals.cpp)
    double MassElement(int i, int j) const;
    double StiffnessElement(int i, int j) const;
    double SedimentationElement(int i, int j) const;
    double FrameElement(int i, int j) const;
    double CombinedTransportElement(int i, int j) const;
    double RadiusNodeVolume(int i, int n) const;
    double RadiusMassElement(int i, int j, int n) const;
    double RadiusStiffnessElement(int i, int j, int n) const;
    double RadiusSedimentationElement(int i, int j, int n) const;
    double SolventStiffnessElement(int i, int j, const double* grid, int n) const;
    double SolventSedimentationElement(int i, int j, const double* grid, int n) const;
    double SolventDiffusionFlux(const double* grid, int i) const;
    double SolventSedimentationFlux(const double* grid, int i) const;
    double ElementIntegralR(int i, int j);
    double UniformDiffusionTriple(int i, int j, int k);
    double UniformSedimentationTriple(int i, int j, int k);

    // ---- active-region solve loop (lamm_active_region*.cpp)
    void SolveFEAlt();
    double ActiveRegionTimeStep();
    void SolveActiveRegionStep(double step);
    bool RefactorActiveRegion(double step, int U, int from, bool damped, bool changed);
    void RunWithoutMaterial(double change);
    void PrepareActiveRegionRun();
    bool StepsHoldSubnormalMode() const;
    void SwapFactorisations(KeptFactorisation& kept);
    bool ScanFactorsReady(int U);
    void ForgetKeptFactorisations();
    double ActiveRegionChange();
    void AcceptActiveRegionStep();
    void AssembleActiveRegionMatrices(int m);
    void RefreshSolventRows(int lo, int hi);
    void ResizeActiveRegion(int m);
    int AdvanceActiveRegionLower();
    int ExtendActiveRegionUpper(double time);
    double TotalAmount() const;
    double CourantStepLimit() const;
    double StepLimitAt(double time);
    void FollowFront(double time);
    double FrontShortOf(double radius, double front, double midpoint, double width,
                        double time) const;
    double PlateauFallOver(double step);
    void DeferPlateau(double step, int U);
    void WritePendingPlateau();
    void FinishDeferredPlateau();
    bool MeanOfThreeBelowPlateau(int lo);
    double SmallestElement() const;
    double TransportSpeed() const;
    double ElementPecletNumber() const;
    bool EquilibriumReached(double stepBefore, double rate);
    // ---- closed bottom with a pile-up thinner than the grid (lamm_bottom_pellet.cpp)
    void DecideBottomPellet();
    void StartBottomPellet();
    void GridAmountAndLastVolume(double& amount, double& lastVolume);
    double BottomPelletConcentration();
    double PelletAmount(double* lastVolume = nullptr);
    bool BottomOpen() const { return backDiffusionShutOff || bottomPellet; }
    void ClipStepToRotorSpeed(bool& endClipped);
    // transportOnly: the solvent factors changed and the mass rows of the same cut stand.
    void FillActiveRegionRows(int first, int last, int m, bool transportOnly = false);
    void RepairNegativeMeniscus();
    double LimitStep(double step, double old, bool countTiny);
    double ShrinkStep(double change, bool countTiny);
    double GrowStep(double change, bool countTiny);
    void FormCrankNicolson(double step, int last, bool damped = false);
    // The rows FormCrankNicolson writes, for forming them inside a factorisation.
    CCrankNicolsonRows CrankNicolsonRows(double step, int last, bool damped) const;
    bool CutStepAtScanTime();
    double StepToScanTime() const;
    static void SpreadTinyValues(double* v, const double* radii, int n);
    static double RelativeNodeChange(const double* nw, const double* od, int i, double threshold,
                                     double change);
    void FillSolventRows(int first, int last, int m, double k, bool transportOnly);

    // ---- inhomogeneous solvent (lamm_solvent_factors.cpp)
    void SetupSolventFactors(const double* radii);
    // Returns the first and last node whose factors changed (first > last: none did).
    std::pair<int, int> UpdateSolventFactors(const double* radii);
    double SolventScaledS(double sS) const;
    void CompressedDensity(double* out, const double* radii, double rho0Value,
                           double kappaValue) const;
    double CompressedDensityAt(double r, double rho0Value, double kappaValue) const;
    // True when the solvent's buoyancy turns the species against the sign of its s somewhere in
    // the cell (it floats where its s says it sediments, or the reverse).
    bool SolventTurnsTheSpeciesAround() const;
    double CosolventViscosity(double conc) const;
    double CosolventDensity(double conc) const;
    void ReassembleSolventMatrices();

    // ---- sedimenting cosolvent on its own grid (lamm_cosolvent*.cpp)
    bool AllocateBlock();
    void FreeBlock();
    bool SetupCosolvent();
    void StepCosolvent();
    // The cosolvent shapes the solvent, whose factors and the species' rows change every step.
    bool SolventChangesEveryStep() const;
    void StepCosolventConstant(double step);
    void AssembleCosolvent();
    void BuildCosolventSystem(double step);
    void BuildCosolventSystemStored(double step);
    void SolveCosolventFactored(double* out);
    void SolveCosolventFromOld(double* out);
    bool tridag(double* out);
    void PredictCosolvent(double step);
    void CorrectCosolvent();
    void CosolventCoefficients(const double* profile);
    void AverageCosolventCoefficients();
    void CosolventTripleTables();
    void CosolventTransport();
    static double BuiltinCosolventS(double conc);
    static double BuiltinCosolventD(double conc);
    static double CosolventPolynomial(const std::vector<double>& coefficients, double conc);
    void LoadCosolventCoefficients();
    double CosolventRotorSpeed(double from, double step);
    void AdvanceCosolventAfterStep(const double* radii, bool movingGrid);
    void OutputSecondComponent();

    // ---- propagation with concentration-dependent coefficients (lamm_propagation*.cpp)
    void RunPropagation();
    void LoadPropagationConstants();
    double PropagationStep();
    void PredictPropagationStep(double step);
    void CorrectPropagationStep();
    void AdvancePropagationTime();
    double PropagationChange();
    void BuildPropagationMatrices(double step);
    void PropagationElementMatrices();
    void AssemblePropagationStiffness(const double* sn, const double* dn);
    bool SolvePropagationSystem(const double* from, double* to);
    void PropagationCoefficients(bool corrector);
    void MixtureCoefficients(bool corrector);
    double TrimerMonomerConcentration(double conc) const;
    void BuildAssociationTable();
    void LookupAssociationTable(double conc, double& sOut, double& dOut);
    void FreeAssociationTable();
    double InitialLoadingAt(int i, double amount) const;

    // ================================================================ fields
    // Group 1: finite-element header
    double* outputProfile = nullptr; // profile handed to the output interpolation
    GridProfileInterpolation outputInterpolation;
    bool outputGridKept = false; // r unchanged since the last output interpolation
    // the output radii unchanged since then (they are, within a Run)
    bool outputRadiiKept = false;
    double* c = nullptr; // concentration at each node
    double* r = nullptr; // radius of each node, cm

    // Group 2: sedimentation parameters
    double c0 = 0.0;
    double bottom = 0.0;
    double meniscus = 0.0;
    double s = 0.0; // S
    double D = 0.0; // cm^2/s

    // Group 3: time stepping
    double t = 0.0;
    double dt = 0.0;
    double rotorSpeed = 0.0; // rpm currently in force in the moving-hat loop
    int stepCount = 0;
    int iterationCount = 0;

    // Groups 4 and 13, the detection of the output: CLammOutputDetection

    // Group 5: validity of the sedimentation parameters
    bool geometryValid = false;
    bool upperFitLimitInside = false;
    int geometryError = 0;

    // Group 6: group switches
    bool modelSet = false;
    bool discretizationLoaded = false;
    bool outputLoaded = false;
    bool workerMode = false;
    bool silentProgress = false; // draws no status lines or profiles (a list member)
    bool stopRequested = false;

    // Group 7: output description
    // Who hears of the progress (nobody when null), and whether the new scan profiles are shown
    // over the data plot.
    CComputeObserver* observer = nullptr;
    bool liveProfiles = false;
    ScanHeader* headers = nullptr; // 1-based, indexed by header index
    int scanCount = 0;
    const int* scanOrder = nullptr; // [1..scanCount]: header index of each output scan
    std::vector<int> ownedScanOrder;
    int equationNumber = 1;
    int threadNumber = 0;
    // Number of the list within the evaluation of a running fit that holds its discretisation;
    // -1 outside one (the automatic rules choose at every solution).
    int heldList = -1;
    // Within a fit: the choices this solution records, or the steps it takes from the record.
    HeldLammGrid heldRecord;
    // While set, Regrid chooses the node count and layout only and makes no arrays: the sizing of
    // a trial whose held grid replaces them at once.
    bool sizingOnly = false;
    bool recordSteps = false;
    std::vector<double> recordedSteps;
    std::vector<double> heldSteps;
    std::size_t heldStepAt = 0;
    float** outputTarget = nullptr;  // caller's rows, indexed by header index
    std::vector<float> accumulation; // rows x cols, row-major, object-owned
    int accumulationCols = 0;
    int accumulationRows = 0;
    bool accumulationClear = true; // all zero: no row handed out since the last clearing
    // Rows per scan without accumulation are written in the caller's rows, which hold zeros on
    // entry; set when one was handed out since they were last cleared.
    bool scanRowsWritten = false;
    // per scan position: the solution wrote the row as 0 + v (WritesSumOfZero)
    std::vector<unsigned char> rowsSumOfZero;
    const float* outputRadii = nullptr;
    int outputRadiusCount = 0;
    bool perScanRadii = false;
    bool accumulate = false;
    float** perScanRadiusVectors = nullptr;
    const int* perScanCounts = nullptr;
    bool simulatingWithoutFitting = false;
    int nextOutputScan = 1;
    double nextOutputTime = 0.0;
    bool quietWhileFitting = true;
    bool quietWhileComputing = true;

    // Group 8: finite-element working state and loaded options
    int setupSucceeded = 0;
    int N = 0;
    int allocatedGridSize = 0;
    bool dynamicallyTruncateGrid = true;
    double densityMeniscus = 1.0, densityBottom = 1.0, viscosityMeniscus = 1.0,
           viscosityBottom = 1.0;
    float upperFitLimit = 6.0f; // cm, the outer limit
    float lowerFitLimit = 7.0f; // cm
    float truncationLevel = 1e-4f;
    bool zoneLoading = false;
    float zoneWidth = 0.1f;
    bool emptyZone = false;
    bool initialStep = false;
    float stepFactor = 0.0f;
    double firstTimeStep = 0.0;
    double accelerationDuration = 0.0;
    bool rampRotorSpeed = true;
    bool accelerationPhaseActive = false;
    bool checkAcceleration = true;
    double currentRotorSpeed = 0.0;
    double finalRotorSpeed = 10000.0;
    double accelerationRate = 0.0;
    double timeStepControlValue = 1e-6;
    double truncationThreshold = 1e-6;
    bool retryMode = false;
    bool fixTimestep = false;
    bool secondComponentOn = false;

    // Group 9: model switches
    bool interactingModel = false;
    bool idealModel = false;
    bool assocA = false, assocC = false, assocD = false;
    bool nonidealKsKd = false;
    bool assocB = false;
    bool dependenceSwitch = false;
    bool inhomogeneousSolvent = false;
    bool solventSwitch = true;
    bool compressibleSolvent = false;
    bool linearGradient = false;
    bool cosolventGradient = false;
    bool cosolventCompressible = false;

    // Group 10: numerical discretization
    int massCheck = 0;
    double sGridValue = 1.0;
    bool automaticSGrid = true;
    bool continuation = false;
    bool automaticAlgorithm = true;
    double maxDcOverCCopy = 1.0;
    double fineChangeLimit = 0.1;
    double coarseChangeLimit = 0.3;
    double maxDcOverC = 1.0;
    int defaultGridSize = 1000;
    bool movingHatAlgorithm = false;
    // The moving hat was chosen only because the boundary is too sharp at the fit limit for the
    // largest fixed grid (a meniscus next to the fit limit), not for the species' speed.
    bool hatForSharpness = false;
    bool claverieAlgorithm = true;
    double timeStepFactorA = 2.0;
    double normalizedS = 5.0;
    double normalizedSOptimized = 60.0;
    double timeStepFactorB = 1.0;

    // Group 11: solvent and species properties
    double kappa = 0.0;
    float vbarSecond = 0.73f;
    float temperature = 20.0f;
    float viscosity = 1.0f;
    float density = 1.0f;
    float vbar = 0.73f;
    float vbarRho = 0.73f;
    float rho0 = 0.99823f;
    float solventViscosityValue = 0.001002f;
    float viscosityRatio = 1.0f;
    float furtherSolventValue = 0.7287f;

    // Group 12: error words of the solution
    int singularMatrix = 0;
    int discretizationError = 0;

    // Group 14: grid control and run state
    float frictionalRatio = 1.0f;
    bool autoDynamicGridSize = true;
    bool optimizeSpacing = true;
    bool shutOffBackDiffusionOption = true;
    double backDiffusionLevel = 1e-4;
    bool rapidAssociationGrid = false;
    double sOmega2 = 0.0; // 1/s
    float pointsPerSigma = 5.0f;
    int lowerGridLimit = 100;
    int upperGridLimit = 2000;
    bool nonDiffusingPath = false;
    float gridEstimateOptimized = 0.0f;
    float gridEstimateUniform = 0.0f;
    float fitLimitForSpacing = 0.0f;
    bool earlyStop = false;
    double sedimentationTimeOffset = 0.0;
    double startingTimeStep = 1.0;
    bool backDiffusionShutOff = false; // decided by the grid sizing
    bool bottomPellet = false; // closed bottom solved open, the amount that left kept at node N
    double pelletBase = 0.0;   // amount on the grid at the start, sum of node volume times c
    std::vector<double> twoPartRadii; // 1-based radii of the two-part grid, empty when uniform

    // Group 15, the cosolvent's settings and tables: CLammCosolventSettings

    // Group 16: diagnostics
    bool logOn = false;
    bool numericalError = false;

    // Group 17: non-ideality and self-association
    bool concDependentSA = false;
    int speciesCount = 0;
    std::vector<double> species1, species2, species3, species4;
    bool concDependentNI = false;
    bool selfAssociationLoaded = true;
    bool nonIdealityLoaded = true;
    bool rapidSelfAssociation = false;
    float assocValues[17] = {}; // 1-based
    float logKs = -8.0f, ks = 1e-8f;
    float logKd = -8.0f, kd = 1e-8f;
    bool nonidealSwitch1 = true, nonidealSwitch2 = true;
    double nonIdealityScale = 3.3;

    // Group 18: rotor speed schedule
    bool profileLoaded = false;
    int currentStep = 1;
    bool atStepSpeed = false;
    bool lastStepReached = false;
    int speedStepCount = 0;
    std::vector<double> stepStart, stepEnd, stepSpeed, stepAcceleration; // 1-based

    // Group 19: start time offset
    bool startTimeOffsetOn = false;
    double startTimeOffset = 0.0;

    // Output state of the time loop
    int continueLoop = 0;
    int hitTime = 0;
    double targetTime = 0.0; // the loop shortens its step to end here while hitTime is set
    double segmentCount = 100.0;
    double segmentDuration = 0.0;
    double elapsedScanTime = 0.0;
    int gridPointsDone = 0;
    int segmentsDone = 0;
    double nextSegmentRadius = 0.0;
    bool scanIncomplete = false;
    double totalAmount = 0.0;
    double initialAmount = 0.0; // amount at the start of the loop, with the mass check on
    // Key poll of the window's thread; tests replace it to press a key.
    bool (*keyPoll)() = nullptr;

    // Moving-hat state
    double sGrid = 0.0;     // S
    double frameRate = 0.0; // k = s_grid omega^2 1e-13, 1/s
    double t0 = 0.0;        // start of the current grid period
    double period = 0.0;    // T
    double ratio = 0.0;     // q = (b/m)^(1/(N-1))
    double gridE = 1.0, gridE2 = 1.0;
    double dt0 = 0.0;
    bool fullPeriodMode = false;
    bool depletingEndUnresolved = false; // the depletion layer is thinner than the end element
    bool startPhase = false, veryFirstStep = false, partialStepTaken = false,
         periodToComplete = false, fullPeriodStep = false;
    int shiftCount = 0;
    int endIndex = 1;
    CFloatingEnd floatingEnd; // a floater's probe judged with its data
    float endLevel = 0.0f;
    bool endReachedFlag = false;
    double previousTotal = 0.0;
    bool driftFlag = false;
    double accelerationStep = 10.0;
    double V1 = 0, V2 = 0, P2 = 0, P3 = 0, VN = 0, VN1 = 0, PN1 = 0, PN2 = 0;
    // end-entry block at the end of a step: M, K, S (unscaled), Tr for the eight end positions
    double endM[8] = {}, endK[8] = {}, endS[8] = {}, endTr[8] = {};
    double endMRate[8] = {};              // d/dt of the end entries of M at the end of a step
    std::vector<double> referenceVolumes; // node volumes on the set-up grid, 1-based
    int stepsTaken = 0;

    // Active-region state: CLammActiveRegionState

    // Solvent factors per node (viscosity f_k and buoyancy b_k), 1-based; set by the
    // inhomogeneous-solvent set-up
    std::vector<double> viscosityFactor, buoyancyFactor;
    // The work space the new factors are formed in; exchanged with the factors it replaces, so
    // it holds the old ones between calls. Not copied with the object.
    std::vector<double> viscosityFactorNext, buoyancyFactorNext;
    double gridSpacing = 0.0;
    std::vector<double> solventDensity;   // g/ml at the nodes of the compressible models
    std::vector<double> cosolventAtNodes; // cosolvent concentration carried onto the nodes
    CHatWeightedElements solventElements; // the fixed grid's weights of the weighted transport

    // Sedimenting cosolvent: its grid, the step it follows and the factors it keeps
    CCosolventGrid cosolvent;
    double cosolventStartTime = 0.0, cosolventDt = 0.0, cosolventPreviousDt = 0.0;
    double cosolventFactoredDt = 0.0, cosolventPredictDt = 0.0;
    bool cosolventForceRefactor = true;

    // Propagation loop with concentration-dependent coefficients
    CPropagationArrays propagation;

    // Work storage: one block of (N + 1) doubles or a few more per vector, each on a 64-byte line
    std::vector<double> work;
    // betPairs, gamPairs and the kept factorisations' own, laid out as the work vectors
    std::vector<double> pairsWork;
    double *cOld = nullptr, *rhs = nullptr, *x = nullptr, *gam = nullptr, *bet = nullptr;
    double *Ma = nullptr, *Mb = nullptr, *Mc = nullptr;
    double *Ka = nullptr, *Kb = nullptr, *Kc = nullptr;
    double *Sa = nullptr, *Sb = nullptr, *Sc = nullptr;
    double *Ta = nullptr, *Tb = nullptr, *Tc = nullptr;
    double *La = nullptr, *Lb = nullptr, *Lc = nullptr;
    double *Ba = nullptr, *Bb = nullptr, *Bc = nullptr;
    double *outProfileStore = nullptr, *invBet = nullptr;
    double *LTa = nullptr, *gamT = nullptr; // full-period factors, two-ended (TwistedFactor)
    TwistedMeeting fullPeriodMeeting;
    TwistedMeeting activeMeeting; // the fixed grid's two-ended factors (bet, gam, invBet)
    bool activeTwisted = false;   // the fixed grid's factors are two-ended
    // products of adjacent two-ended factors (AdjacentProducts of bet and gam)
    double *betPairs = nullptr, *gamPairs = nullptr;
    // their substitution's factors eight rows a vector (ScanCoefficients; in scanWork with the
    // kept factorisations' own, where the vector unit fuses multiply-adds), formed once the
    // factorisation has served kScanAfterUses checked substitutions; its uses so far
    double *scanForward = nullptr, *scanBackward = nullptr;
    std::unique_ptr<double[]> scanWork; // written before read: not filled
    size_t scanWorkSize = 0;
    int scanUses = 0;
    static constexpr int kScanAfterUses = 16;
    double *Fra = nullptr, *Frb = nullptr, *Frc = nullptr; // frame matrix

    // ---- detection corrections (lamm_detection.cpp)
    void SetStartOffset(float radiusCm);
    void SetRadialMagnification(bool on, float factor);
    void SetSignalDrift(bool on, bool linearOn, float linearRatePerHour, bool exponentialOn,
                        float exponentialRatePerHour, float plateauLevel);
    void SetFluorophore(const CFluorophore* tmpl, int wavelength, bool linearOn,
                        float linearRatePerHour);
    void SetRadialConvolution(bool on, float sigmaCm, float cutoffWidths);
    void SetExcitationCone(bool on, float radiusCm);
    void LoadFluorophore(const CFluorophoreSet& set, int wavelength);
    double DriftFactor(double timeS) const;
    void ClassifyConvolutionRadii();
    void BuildConvolutionTable();
    void CopyDetectionFrom(const CLammIdeal& o);

    // ---- the solution without diffusion (lamm_no_diffusion.cpp)
    void CLLammNoDiffvec(float loading, double timeS, const float* radii, float* y, int n);

    // ---- list runs (lamm_list_run.cpp, lamm_list_thread.cpp)
    bool IsWorkerOrKeyPressed() const;
    void ShowThreadProgress(int x, int y) const;
    LammResult RunMultiThreaded(int n, const double* sS, const double* dCm2s, float vbarAll,
                                float*** targets, const float* radii, int radiusCount,
                                float** scanRadii, const int* scanCounts);
    // Per-solver trace file while the object's diagnostics are on; null writes the header.
    void DebugLog(const char* text);
    int LogError();

    bool debugLogCreated = false;
    bool debugLogFailed = false; // the trace file could not be opened: stop tracing
};

// The larger of change and the relative change of node i; a node that was (nearly) empty is
// measured against a neighbour's old value, so a boundary arriving there counts. Inline: it is
// called for every node of every step.
inline double CLammIdeal::RelativeNodeChange(const double* nw, const double* od, int i,
                                             double threshold, double change) {
    const double d = nw[i] - od[i];
    if (od[i] > threshold)
        return std::max(change, std::fabs(d / od[i]));
    if (d <= threshold)
        return change;
    double other = 0.0;
    if (od[i + 1] > threshold)
        other = od[i + 1];
    else if (i > 1 && od[i - 1] > threshold)
        other = od[i - 1];
    return other > 0.0 ? std::max(change, std::fabs(d / other)) : change;
}
