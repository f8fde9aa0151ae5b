// Depletion probe and equilibrium stop of the solvers on the simulation grid.
#include "simulation/run_end_tests.h"

#include "lamm/floating_end.h"
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
    // a floater's probe is read with the nodes that carry the data beside it
    floating_ = true;
    const bool rightSet = ScanStore::rightFitLimit > ModelParameters::meniscus;
    for (int i = node_; i <= n && (!rightSet || r[i] <= ScanStore::rightFitLimit); ++i)
        dataTo_ = i;
    // a measured start profile need not lie below its plateau nor reach its equilibrium
    judged_ = D > 0.0 && !ModelParameters::experimentalInitialDistribution;
    s_ = s;
    if (!judged_)
        return;
    rpm_ = LastScanRpm() > 0.0 ? LastScanRpm() : LammGrid::rotorSpeed;
    loadingPeak_ = *std::max_element(LammGrid::concentration + 1, LammGrid::concentration + n + 1);
    logEquilibriumTail_ = LogEquilibriumTail(s, D, rpm_, ModelParameters::meniscus,
                                             ModelParameters::bottom, ScanStore::leftFitLimit);
}

bool DepletionProbe::Reached(const CGridClock& clock, CGridRunFailure& failure, int activeLeft) {
    if (node_ == 0 || ModelChoice::inhomogeneousSolvent || ModelChoice::zoneCentrifugation)
        return false;
    const double* c = LammGrid::concentration;
    const bool below = c[node_] < threshold_;
    if (judged_ && (clock.targetScan != ceilingScan_ || below)) {
        ceilingScan_ = clock.targetScan;
        const double ceiling =
            FloatingCeiling(s_, rpm_, clock.time, loadingPeak_, logEquilibriumTail_);
        if (std::any_of(c + node_, c + dataTo_ + 1, [ceiling](double v) { return v > ceiling; })) {
            failure.discretization = true;
            return false;
        }
    }
    if (below && floating_) {
        if (judged_ && logEquilibriumTail_ >= std::log(1e-4)) {
            failure.discretization = true;
            return false;
        }
        if (SignalInDataRange(c, node_, dataTo_, threshold_))
            return false;
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
