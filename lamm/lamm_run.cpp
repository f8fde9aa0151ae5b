// CLammIdeal::Run: validation of the loaded groups, dispatch to a solve loop, retries.
#include "foundations/show_error.h"
#include "foundations/tarnix_assert.h"
#include "foundations/whole_number.h"
#include "lamm/lamm_ideal.h"
#include "scandata/scan_header.h"
#include "state/model_choice.h"
#include "state/run_switches.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

LammResult ResultFromErrorWords(const CLammIdeal& o) {
    if (o.discretizationError)
        return LammResult::DiscretizationError;
    if (o.singularMatrix)
        return LammResult::SingularMatrix;
    return LammResult::Solved;
}

} // namespace

// Grid of a retry: the estimate clamped to the grid limits, or the grid the user set. An estimate
// is only formed for automatic sizes; a user's 8000 nodes are never exchanged for 100.
int CLammIdeal::RetryGridSize(float estimate) const {
    if (!SizedAutomatically() || ConcentrationDependent())
        return defaultGridSize;
    return FloorToInt(estimate, lowerGridLimit, upperGridLimit);
}

// Refuses what cannot be solved with the message of the first problem found, prepares the grid
// and the loading, solves, and retries a failed solution on other grids and with the other
// algorithm (lamm_result.h names the results).
LammResult CLammIdeal::Run() {
    rowsSumOfZero.clear();   // the caller's rows may have changed since the last solution
    outputRadiiKept = false; // and so may the radii
    if (logOn)
        DebugLog(nullptr);
    if (const std::optional<LammResult> refused = RefusedBeforeSolving())
        return *refused;
    SetUpRotorSpeed();
    ChooseAlgorithm();
    ChooseFirstTimeStep();
    SizeGridHeldOrAutomatic();
    if (setupSucceeded == 0)
        return LammResult::NoArrays;
    SetInitialConcentration();
    singularMatrix = discretizationError = 0;
    if (D == 0.0) {
        nonDiffusingPath = s == 0.0;
        if (s == 0.0)
            SolveStatic();
        else
            SolveNonDiffusing();
        return ResultFromErrorWords(*this);
    }
    nonDiffusingPath = false;
    SolveAndCorrect();
    if (heldList >= 0)
        HoldAfterSolve();
    if (discretizationError || singularMatrix) {
        RetryFailedSolution();
        if (setupSucceeded == 0) {
            // the rows are left as the caller gave them, not as a failed solution wrote them
            ClearAccumulation();
            return LammResult::NoArrays;
        }
    }
    AddAccumulationToTarget();
    return ResultFromErrorWords(*this);
}

// The first problem that leaves nothing to solve, its message shown; none when the object can
// be solved. The non-diffusing cases that have no solution are refused before anything is
// solved, and the caller's rows are cleared so they never hold another species' profiles.
std::optional<LammResult> CLammIdeal::RefusedBeforeSolving() {
    if (ModelChoice::linearLamm || ModelChoice::externalLoadingCell || ModelChoice::thirdGeometry ||
        ModelChoice::electrophoresis) {
        ShowError("can't do special geometries in CLammIdeal", 0);
        return LammResult::Refused;
    }
    if (!geometryValid) {
        if (!upperFitLimitInside)
            ShowError("meniscus or bottom parameters in conflict with fitting limits in CLammIdeal",
                      0);
        else
            ShowError("invalid geometry or s, D parameters loaded in CLammIdeal", 0);
        if (geometryError == 1)
            ShowError("meniscus or bottom <= 0 loaded in CLammIdeal", 0);
        else if (geometryError == 2)
            ShowError("c0 < 0 loaded in CLammIdeal", 0);
        else if (geometryError == 3)
            ShowError("diffcoeff < 0 loaded in CLammIdeal", 0);
        return LammResult::Refused;
    }
    if (!outputLoaded) {
        ShowError("invalid output parameters loaded in CLammIdeal", 0);
        return LammResult::Refused;
    }
    if (!modelSet) {
        ShowError("model not set properly in CLammIdeal", 0);
        return LammResult::Refused;
    }
    if (!discretizationLoaded) {
        ShowError("Lamm discretization parameters not loaded in CLammIdeal", 0);
        return LammResult::Refused;
    }
    if (!selfAssociationLoaded) {
        ShowError("self-association parameters not loaded properly in CLammIdeal", 0);
        return LammResult::Refused;
    }
    if (!nonIdealityLoaded) {
        ShowError("non-ideality parameters not loaded properly in CLammIdeal", 0);
        return LammResult::NonIdealityNotLoaded;
    }
    const double firstRate = FirstScanHeader().accelerationRate;
    if (rampRotorSpeed && checkAcceleration && firstRate > 0.0001 && firstRate < 50.0) {
        ShowError("too slow rotor acceleration", 0);
        gUserInterrupt.store(true, std::memory_order_relaxed);
        return LammResult::AccelerationTooSlow;
    }
    if (D == 0.0) {
        const char* refusal = nullptr;
        if (ConcentrationDependent())
            refusal = "D = 0 or s = 0 models are not implemented yet for concentration dependent "
                      "sedimentation models";
        else if (s != 0.0 && inhomogeneousSolvent && !compressibleSolvent)
            refusal = "D = 0 or s = 0 models are not implemented yet for inhomogeneous solvent";
        else if (s != 0.0 && profileLoaded)
            refusal = "\nCLLammNoDiffvec not implemented for CLVariableRotorSpeed";
        if (refusal != nullptr) {
            ShowError(refusal, 0);
            ZeroCallerRows();
            return LammResult::Refused;
        }
    }
    return std::nullopt;
}

// A failed solution solved again: without the truncated grid, then with the moving hat, then on
// a uniform retry grid (a concentration-dependent model at once on its retry grid).
void CLammIdeal::RetryFailedSolution() {
    if (!ConcentrationDependent()) {
        const bool keepTruncate = dynamicallyTruncateGrid;
        dynamicallyTruncateGrid = false;
        SetUpRotorSpeed();
        ChooseFirstTimeStep();
        SetInitialConcentration();
        SolveAndCorrect();
        if ((discretizationError || singularMatrix) && claverieAlgorithm) {
            claverieAlgorithm = false;
            movingHatAlgorithm = true;
            SetUpRotorSpeed();
            ChooseFirstTimeStep();
            twoPartRadii.clear();
            Regrid(RetryGridSize(gridEstimateOptimized));
            SetInitialConcentration();
            if (setupSucceeded)
                SolveAndCorrect();
            claverieAlgorithm = true;
            movingHatAlgorithm = false;
            fixTimestep = false;
        }
        if (discretizationError || singularMatrix) {
            retryMode = true;
            claverieAlgorithm = true;
            movingHatAlgorithm = false;
            fixTimestep = false;
            SetUpRotorSpeed();
            ChooseFirstTimeStep();
            const double rF = fitLimitForSpacing;
            N = RetryGridSize(gridEstimateUniform);
            twoPartRadii.clear();
            if (SizedAutomatically() && optimizeSpacing && BackDiffusionTest(s, D))
                RegridTwoPart(rF);
            else
                Regrid(N);
            SetInitialConcentration();
            if (setupSucceeded)
                SolveAndCorrect();
            retryMode = false;
        }
        dynamicallyTruncateGrid = keepTruncate;
    } else {
        retryMode = true;
        SetUpRotorSpeed();
        ChooseFirstTimeStep();
        Regrid(RetryGridSize(gridEstimateUniform));
        SetInitialConcentration();
        if (setupSucceeded)
            SolveAndCorrect();
        retryMode = false;
    }
}

// Accumulation adds the object's matrix to the caller's rows. Rows per scan were written in
// place onto zeros; every row of a solution that wrote any takes the same 0 + v as an added matrix
// would give it (a -0 becomes 0), the rows it did not reach included; the rows written so
// already are left as they are.
void CLammIdeal::AddAccumulationToTarget() {
    if (perScanRadii && !accumulate) {
        if (scanRowsWritten && accumulationRows != 0) {
            const size_t noted = rowsSumOfZero.size();
            for (int pos = 1; pos <= scanCount; ++pos) {
                float* row = outputTarget[ScanIndexAt(pos)];
                if (row == nullptr ||
                    (static_cast<size_t>(pos) < noted && rowsSumOfZero[static_cast<size_t>(pos)]))
                    continue;
                const int n = std::min(OutputCountFor(pos), accumulationCols);
                for (int i = 1; i <= n; ++i)
                    row[i] = 0.0f + row[i];
            }
        }
        rowsSumOfZero.clear();
        return;
    }
    if (accumulation.empty() || (!perScanRadii && !accumulate))
        return;
    for (int pos = 1; pos <= scanCount; ++pos) {
        float* row = outputTarget[ScanIndexAt(pos)];
        if (row == nullptr)
            continue;
        const float* acc = &accumulation[static_cast<size_t>(pos) * (accumulationCols + 1)];
        const int n = std::min(OutputCountFor(pos), accumulationCols);
        for (int i = 1; i <= n; ++i)
            row[i] += acc[i];
    }
}

void CLammIdeal::ZeroCallerRows() {
    if (outputTarget == nullptr || accumulate)
        return;
    for (int pos = 1; pos <= scanCount; ++pos) {
        float* row = outputTarget[ScanIndexAt(pos)];
        if (row == nullptr)
            continue;
        std::fill(row + 1, row + 1 + OutputCountFor(pos), 0.0f);
    }
}

// One solution on the prepared grid: output state from the first scan, the loop the switches
// choose, then the detection corrections and the scans the loop did not reach.
void CLammIdeal::SolveAndCorrect() {
    TARNIX_ASSERT(N >= 3 && setupSucceeded != 0);
    t = sedimentationTimeOffset;
    nextOutputScan = 1;
    nextOutputTime = ScanTimeAt(1);
    stopRequested = false;
    earlyStop = false;
    equilibriumStop = false;
    endReachedFlag = false;
    maxDcOverCCopy = maxDcOverC;
    fineChangeLimit = 0.05 * maxDcOverCCopy;
    coarseChangeLimit = 0.2 * maxDcOverCCopy;
    continueLoop = 1;
    hitTime = 1;
    targetTime = nextOutputTime;
    gridPointsDone = segmentsDone = 0;
    elapsedScanTime = 0.0;
    rowsSumOfZero.clear();
    ClearAccumulation();
    if (interactingModel) {
        RunPropagation();
    } else if (claverieAlgorithm) {
        SolveFEAlt();
    } else if (movingHatAlgorithm) {
        SolveFE();
    }
    if (stopRequested)
        gUserInterrupt.store(true, std::memory_order_relaxed);
    if (!stopRequested && nextOutputScan <= scanCount && (earlyStop || endReachedFlag))
        WriteRemainingScans(!equilibriumStop);
    else if (!stopRequested && continuation && nextOutputScan > scanCount && scanCount >= 1 &&
             (earlyStop || endReachedFlag)) {
        // Run on past the last scan: where it ended (at equilibrium, or with the species gone
        // from the data) replaces the last scan's profile.
        nextOutputScan = scanCount;
        WriteRemainingScans(!equilibriumStop);
    }
    CorrectAllScans();
}

// D = 0 and s = 0: nothing moves, every scan shows the loading.
void CLammIdeal::SolveStatic() {
    ClearAccumulation();
    nextOutputScan = 1;
    WriteRemainingScans(false);
    CorrectAllScans();
    AddAccumulationToTarget();
}

// Detection corrections of every scan, where its profile was written: the caller's row for a
// shared grid, else the object's accumulation row.
void CLammIdeal::CorrectAllScans() {
    if (!AnyDetectionCorrectionOn())
        return;
    for (int pos = 1; pos <= scanCount; ++pos)
        CorrectScanProfile(pos, OutputRowFor(pos), OutputRadiiFor(pos), OutputCountFor(pos));
}
