// Depletion probe and equilibrium stop of the solvers on the simulation grid.
#include "simulation/run_end_tests.h"

#include "scandata/scan_header.h"
#include "simulation/discrete_sed.h"
#include "simulation/speed_and_equilibrium.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/scan_store.h"

#include <algorithm>
#include <cmath>
#include <limits>

DepletionProbe::DepletionProbe(double s, double D) {
    LammGrid::equilibriumReached = false;
    const int n = LammGrid::allocatedGridSize;
    const double* r = LammGrid::radius;
    if (!LammGrid::arraysAllocated || n < 1)
        return;
    // a limit of 0 is "not set": probing the meniscus would end the run at its start
    if (s > 0.0 && ScanStore::rightFitLimit > ModelParameters::meniscus) {
        for (int i = 1; i <= n && node_ == 0; ++i)
            if (r[i] >= ScanStore::rightFitLimit)
                node_ = i;
    } else if (s < 0.0 && ScanStore::leftFitLimit > ModelParameters::meniscus) {
        for (int i = 1; i <= n; ++i)
            if (r[i] < ScanStore::leftFitLimit)
                node_ = i;
    }
    if (node_ != 0)
        threshold_ = 1e-4f * LammGrid::concentration[node_];
    if (node_ == 0 || s >= 0.0)
        return;
    // a floater's probe is read with the nodes that carry the data beside it; a measured start
    // profile need not lie below its plateau nor reach its equilibrium
    const bool rightSet = ScanStore::rightFitLimit > ModelParameters::meniscus;
    int dataTo = node_;
    for (int i = node_; i <= n && (!rightSet || r[i] <= ScanStore::rightFitLimit); ++i)
        dataTo = i;
    const bool judged = D > 0.0 && !ModelParameters::experimentalInitialDistribution;
    floatingEnd_.Start(s, D, LastScanRpm() > 0.0 ? LastScanRpm() : LammGrid::rotorSpeed,
                       ModelParameters::meniscus, ModelParameters::bottom, ScanStore::leftFitLimit,
                       1e-4, r, LammGrid::concentration, n, node_, dataTo, judged, 0);
}

bool DepletionProbe::Reached(const CGridClock& clock, CGridRunFailure& failure, int activeLeft) {
    if (node_ == 0 || ModelChoice::inhomogeneousSolvent || ModelChoice::zoneCentrifugation)
        return false;
    const bool below = LammGrid::concentration[node_] < threshold_;
    switch (floatingEnd_.Judge(LammGrid::concentration, clock.time, clock.targetScan, below,
                               threshold_)) {
    case CFloatingEnd::Verdict::GridFails:
        failure.discretization = true;
        return false;
    case CFloatingEnd::Verdict::GoesOn:
        return false;
    case CFloatingEnd::Verdict::Probe:
        break;
    }
    if (below || activeLeft > node_) {
        LammGrid::equilibriumReached = true;
        return true;
    }
    return false;
}

bool AScanAwaitsTheProfile(const CGridClock& clock) {
    return ScanStore::scanCount >= 1 && clock.targetScan >= 1 &&
           clock.targetScan <= ScanStore::scanCount;
}

std::optional<LammResult> StartGridRun(const CRotorSchedule& rotor, const CGridClock& clock,
                                       bool lawComplete) {
    StartRotorSchedule(rotor);
    if (!LammGrid::arraysAllocated)
        return LammResult::NoArrays;
    if (!lawComplete)
        return LammResult::NonIdealityNotLoaded;
    if (!AScanAwaitsTheProfile(clock))
        return LammResult::Solved;
    return std::nullopt;
}

bool EquilibriumCounter::Count(double stepLength, double changePerSecond) {
    if (stepLength >= kEquilibriumStepLength && changePerSecond < LammGrid::equilibriumThreshold)
        ++count_;
    else
        count_ = 0;
    return count_ > 10;
}

bool EquilibriumCounter::CountSettled(double stepLength, double changePerSecond,
                                      const CGridClock& clock) {
    if (stepLength >= kEquilibriumStepLength && changePerSecond < LammGrid::equilibriumThreshold) {
        if (count_ == 0)
            streakTime_ = clock.time, streakRate_ = changePerSecond;
        ++count_;
    } else {
        count_ = 0;
    }
    if (count_ <= 10)
        return false;
    const double t = clock.time;
    double horizon = changePerSecond > 0.0 && changePerSecond < streakRate_
                         ? (t - streakTime_) / std::log(streakRate_ / changePerSecond)
                         : 1e300;
    if (AScanAwaitsTheProfile(clock) && t < clock.targetScanTime) {
        const ScanHeader& last = ScanStore::header[ScanStore::scanOrder[ScanStore::scanCount]];
        const double lastTime = ScanStore::rampRotorSpeed ? last.originalTime : last.time;
        horizon = std::min(horizon, std::max(lastTime - t, 0.0));
    }
    return changePerSecond * horizon < 1e-5;
}

bool ProfileSound(const double* c, int n, double scale) {
    double lowest = 0.0, highest = scale;
    bool finite = true;
    for (int i = 1; i <= n; ++i) {
        finite &= std::fabs(c[i]) <= std::numeric_limits<double>::max();
        lowest = std::min(lowest, c[i]);
        highest = std::max(highest, c[i]);
    }
    return finite && lowest >= -kMostGridUndershoot * highest &&
           highest <= kMostOvershoot * std::max(std::fabs(scale), 1.0);
}
