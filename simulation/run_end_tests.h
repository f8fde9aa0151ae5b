// The tests that end a solver run on the simulation grid before its last scan: the boundary has
// left the data (depletion probe), the profile no longer changes (equilibrium), or the steps no
// longer advance the time.
#pragma once

#include "lamm/floating_end.h"
#include "lamm/lamm_result.h"
#include "simulation/lamm_solver_inputs.h"
#include "state/lamm_grid.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <optional>

// The failure of a run on the simulation grid so far: a tridiagonal system that was singular, or
// steps that broke down (the discretization check). The run returns its Result(); the error words
// of LammGrid are set from that where the run was started (SetGridErrorWords).
struct CGridRunFailure {
    bool singular = false, discretization = false;

    bool Any() const { return singular || discretization; }
    // LammResult::SingularMatrix before LammResult::DiscretizationError, else LammResult::Solved.
    LammResult Result() const {
        if (singular)
            return LammResult::SingularMatrix;
        return discretization ? LammResult::DiscretizationError : LammResult::Solved;
    }
};

// The depletion probe of one run.
class DepletionProbe {
  public:
    // Picks the probe node for a species of s (S): for sedimentation the first node at or beyond
    // the right fit limit, for flotation the last node inside the left fit limit; its threshold
    // is 1e-4 of its present value. Without a fit limit inside the cell there is no probe.
    // D (cm^2/s) of a single ideal species lets a floater's data be judged against what it can
    // reach (its plateau, its equilibrium); 0 where the solver has no single one.
    // Clears LammGrid::equilibriumReached.
    explicit DepletionProbe(double s, double D = 0.0);
    // True (and LammGrid::equilibriumReached set) when the probe has fallen below its threshold
    // or the active region's left end activeLeft has passed it; never with the inhomogeneous
    // solvent or zone centrifugation. A floater's probe below its threshold beside the pile-up
    // at the meniscus is no depletion while the data range still shows the species: the run
    // goes on. With D given, once a scan and before such an end, data above what the floater
    // can reach by the clock's time, or a dip where its equilibrium keeps it in the data, are
    // the grid failing: failure takes the discretization error.
    bool Reached(const CGridClock& clock, CGridRunFailure& failure, int activeLeft = 1);

  private:
    int node_ = 0; // 0: no probe
    double threshold_ = 0.0;
    CFloatingEnd floatingEnd_; // judged when D is given and the start loaded uniformly
};

// More than 10 consecutive steps of at least 30 s whose change per second is below
// LammGrid::equilibriumThreshold.
// Steps shorter than this (s) are not counted by the equilibrium test.
constexpr double kEquilibriumStepLength = 30.0;

class EquilibriumCounter {
  public:
    // Counts one step; true when the run has reached equilibrium.
    bool Count(double stepLength, double changePerSecond);
    // The same, and the change still to come is below 1e-5: the change per second of an approach
    // to equilibrium falls exponentially, its time constant follows from the fall over the
    // counted steps, and the time from the run's clock to the last scan bounds what is still to
    // come.
    bool CountSettled(double stepLength, double changePerSecond, const CGridClock& clock);

  private:
    int count_ = 0;
    double streakTime_ = 0.0, streakRate_ = 0.0; // at the first counted step
};

// Steps that leave the time where it was (a zero tolerance, a zero step) would loop for ever;
// after this many in a row the run ends with the discretization error.
constexpr int kMostIdleSteps = 1000;

// No scan lies later than this (s); a run that gets there has nothing more to produce.
constexpr double kLastSimulatedTime = 1e8;

// The step loop of a solver on the simulation grid: step() advances the clock by one step and
// returns the profile's change, finite() tells whether the ends of the profile are still finite
// numbers, out takes the scans. Runs until the clock stops, the run's failure (which step() may
// set) is there, a test above (with the run's probe) ends the run, or the steps no longer
// advance, which is a discretization failure; a run ended early at equilibrium or by depletion
// writes its remaining scans.
// settled: the equilibrium test also asks that the change still to come be small
// (EquilibriumCounter::CountSettled), for a solver whose slow approach would otherwise end early.
template <class Step, class Finite, class Output>
void StepUntilStopped(Step step, Finite finite, Output& out, CGridClock& clock,
                      DepletionProbe& probe, CGridRunFailure& failure, bool settled = false) {
    EquilibriumCounter equilibrium;
    bool atEquilibrium = false, depleted = false;
    int idle = 0;
    while (clock.running && !failure.Any()) {
        const double p = clock.dt;
        const double before = clock.time;
        const double g = step();
        idle = clock.time > before ? 0 : idle + 1;
        if (idle > kMostIdleSteps || !finite())
            failure.discretization = true;
        if (clock.time > kLastSimulatedTime)
            clock.running = false;
        out.Step(clock, g);
        if (probe.Reached(clock, failure)) {
            clock.running = false;
            depleted = true;
        } else if (p > 0.0 && (settled ? equilibrium.CountSettled(p, g / p, clock)
                                       : equilibrium.Count(p, g / p))) {
            LammGrid::equilibriumReached = 1;
            clock.running = false;
            atEquilibrium = true;
        }
    }
    if ((atEquilibrium || depleted) && !failure.Any())
        out.Remaining(clock, !atEquilibrium);
}

// How far below zero a species' values on the scans' radii may fall, as a share of its loading,
// before they count as no solution.
constexpr double kMostUndershoot = 1.0;
// How far above the loading they may rise: the loaded amount piled into one element of the finest
// grid a run may take gives a few 1e5 of it; a solution that grew without bound is far beyond.
// Loose, since signals solved with unit loading may stand for counts of 1e5 and more.
constexpr double kMostOvershoot = 1e12;

// A scan value of a species solved with this loading (its sign gives the side of zero the signal
// lies on) within kMostUndershoot below zero and kMostOvershoot above.
class LoadingBounds {
  public:
    explicit LoadingBounds(double loading)
        : sign_(loading < 0.0 ? -1.0f : 1.0f),
          lowest_(float(-kMostUndershoot * std::fabs(loading))),
          highest_(float(kMostOvershoot * std::max(std::fabs(loading), 1.0))) {}
    bool Hold(float v) const { return sign_ * v >= lowest_ && sign_ * v <= highest_; }
    // Every v[0..n-1] finite and held, in one pass without an early exit that runs several
    // values at a time.
    bool HoldAll(const float* v, std::size_t n) const;
    // The largest |v| that Hold lets through.
    float LargestHeld() const { return std::max(-lowest_, highest_); }

  private:
    float sign_, lowest_, highest_;
};
// How far below zero a node of the simulation grid may fall, as a share of the larger of the
// loading's largest value and the profile's: the node beside a steep pile-up at the bottom dips
// below zero for a while, an oscillation that runs away reaches the size of the profile.
constexpr double kMostGridUndershoot = 0.5;

// The profile c[1..n], loaded with largest value scale, is finite, nowhere below zero by more
// than kMostGridUndershoot allows, and nowhere above what kMostOvershoot allows. When a solution
// runs far ahead of its grid (an s that falls steeply with concentration, little diffusion) the
// steps can oscillate without bound; such a profile would otherwise end the run by the depletion
// probe and be shown as a model.
bool ProfileSound(const double* c, int n, double scale);

// True when a scan awaits the run's profile (the clock's target is in the store): without one a
// run would have no end.
bool AScanAwaitsTheProfile(const CGridClock& clock);

// The start of every run on the simulation grid: the rotor schedule from its start, then what
// ends the run before its first step: NoArrays without arrays, NonIdealityNotLoaded when the
// solver's concentration law is incomplete, Solved when no scan awaits the profile. Nothing when
// the run goes on.
std::optional<LammResult> StartGridRun(const CRotorSchedule& rotor, const CGridClock& clock,
                                       bool lawComplete = true);

// A result the species solution is tried again after.
constexpr bool GridRunFailed(LammResult result) {
    return result == LammResult::SingularMatrix || result == LammResult::DiscretizationError;
}
