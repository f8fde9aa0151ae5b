// The walks of the strength search: from a hint or by decades to a bracket of the strength whose
// chi-square ratio meets the target, and the root within it.
#include "distributions/conti_strength_search.h"

#include <algorithm>
#include <cmath>
#include <vector>

// The strength solved nearest below alpha; null when there is none.
const SolvedStrength* NearestWeaker(const std::vector<SolvedStrength>& solved, double alpha) {
    const SolvedStrength* below = nullptr;
    for (const SolvedStrength& s : solved)
        if (s.alpha < alpha && (!below || s.alpha > below->alpha))
            below = &s;
    return below;
}

namespace {

// The tolerance of the root in log10 alpha on the smooth road, and the root search's own
// allowance around a root at x.
constexpr double kSmoothRootTolerance = 1e-7;
double RootAllowance(double x) {
    return 6e-8 * std::fabs(x) + 0.5 * kSmoothRootTolerance;
}

// The ratio the smooth road resolves: an entropy solution started from one of a strength about
// 1e-6 decades away is kept as it is (its Newton decrement is already below the objective's
// rounding), so the ratios of such strengths agree to a few 1e-8, and the whole search without a
// hint ends farther than this from the target about one time in ten.
constexpr double kSmoothRatioTolerance = 1e-8;
// With the noise held, the held matrix adds the columns' whole products to the centred ones, and
// the entropy's solutions resolve the ratio only to about 1e-7: a root search tuned finer bisects
// within that jitter (up to some nine solves more) without moving the solution by more.
constexpr double kHeldRatioTolerance = 1e-7;

// The ratio the solver's smooth road resolves.
double SmoothRatioTolerance(const CStrengthSolver& solver) {
    return solver.NoiseHeld() ? kHeldRatioTolerance : kSmoothRatioTolerance;
}

// Whether the strength 10^x with gap g counts as the root on the smooth road from a hint: its ratio
// is within the road's tolerance of the target (SmoothRatioTolerance), or the secant to the
// nearest strength solved on the other side of the target puts the root within the root search's
// allowance (where a search whose bracket shrank to that allowance ends too, without the solves
// that shrink the bracket through digits of the ratio the solutions do not resolve).
bool NearEnoughTheRoot(const CStrengthSolver& solver, double x, double g) {
    const std::vector<SolvedStrength>& solved = solver.Solved();
    if (std::fabs(g) <= SmoothRatioTolerance(solver))
        return true;
    const SolvedStrength* other = nullptr;
    double span = 0.0;
    for (const SolvedStrength& s : solved) {
        const double d = std::fabs(std::log10(s.alpha) - x);
        if ((s.gap > 0.0) != (g > 0.0) && (!other || d < span)) {
            other = &s;
            span = d;
        }
    }
    return other && std::fabs(g) * span <= std::fabs(g - other->gap) * RootAllowance(x);
}

// How a walk from a hint chooses its strengths away from the hint's x0 (log10 alpha), where the gap
// was g0. From below: every strength a power of ten of x0 + k / 128 with integer k, so that the
// root search finds its bracket's ends solved, in steps that double, the first where the ratio's
// slope at the hint puts the target (as many decades as the ratio is off without one; at least
// 1/128), up to 30 decades. Smooth: steps aimed by log10(ratio - 1), which grows nearly in
// proportion to log alpha where the ratio is flat and where it climbs: the first 1.1 times as far
// as the hint's slope puts the target (one decade per decade without one), each further one 1.25
// times as far as the secant through the last two puts it (four times the last where the ratio
// did not rise), at most 3 decades a step and 30 in all.
class CHintSteps {
  public:
    CHintSteps(bool smooth, double x0, double g0, double hintSlope, double targetRatio)
        : smooth_(smooth), x0_(x0), dir_(g0 > 0.0 ? -1 : 1), excess_(targetRatio - 1.0),
          aim_(std::log10(excess_)), h_(LogExcess(g0)),
          slope_(hintSlope > 0.0 ? hintSlope / (std::log(10.0) * excess_) : 1.0) {
        const double decades = std::fabs(g0) / (hintSlope > 0.0 ? hintSlope : 1.0);
        stride_ =
            std::isfinite(decades)
                ? static_cast<int>(std::clamp(std::ceil(decades / kUnit), 1.0, double(kReach)))
                : kReach;
    }

    bool WithinReach(double x) const {
        return smooth_ ? std::fabs(x - x0_) < kSmoothReach : std::abs(k_) < kReach;
    }
    // The next strength's log10 from the last one solved, x with gap g.
    double Next(double x, double g) {
        if (!smooth_) {
            if (k_ != 0)
                stride_ = std::min(2 * stride_, kReach);
            k_ += dir_ * stride_;
            return x0_ + kUnit * k_;
        }
        if (stepped_) {
            const double h = LogExcess(g);
            const double rise = (h - h_) / (x - previous_);
            slope_ =
                rise > 0.0 && std::isfinite(rise) ? rise : 0.25 * std::fabs(h - aim_) / secant_;
            h_ = h;
            widen_ = 1.25;
        }
        const double wanted = widen_ * std::fabs(h_ - aim_) / slope_;
        secant_ = std::isfinite(wanted) ? std::clamp(wanted, 1e-6, kLongestStep) : kLongestStep;
        previous_ = x;
        stepped_ = true;
        return std::clamp(x + dir_ * secant_, x0_ - kSmoothReach, x0_ + kSmoothReach);
    }

  private:
    static constexpr double kUnit = 1.0 / 128.0;
    static constexpr int kReach = 30 * 128;
    static constexpr double kSmoothReach = 30.0, kLongestStep = 3.0;
    double LogExcess(double gap) const { return std::log10(std::max(gap + excess_, 1e-300)); }

    const bool smooth_;
    const double x0_;
    const int dir_;
    int k_ = 0, stride_ = 1;
    const double excess_, aim_; // > 0 on any search
    double h_, slope_, widen_ = 1.1, secant_ = 0.0, previous_ = 0.0;
    bool stepped_ = false;
};

} // namespace

// The walk from a hint: its strength solved from its amplitudes (on the road from below, or on
// the smooth road from those amplitudes each time), then away from it by CHintSteps, within 40
// steps, until the ratio crosses the target. A strength whose ratio is within the road's tolerance
// (kHintRatioTolerance from below, SmoothRatioTolerance smooth) ends the walk at the root. Not
// found when no bracket is met, or where the entropy stalls on the smooth road's way down (a
// weaker strength left the ratio where it was: the steps from the smoother solution no longer
// reach the minimum); on the smooth road, at its end on a strength near enough the root
// (NearEnoughTheRoot).
StrengthBracket BracketFromHint(CStrengthSolver& solver, const ContiStrengthHint& hint) {
    constexpr int kMostSteps = 40;
    const bool smooth = hint.smooth;
    const double tolerance = smooth ? SmoothRatioTolerance(solver) : kHintRatioTolerance;
    if (smooth)
        solver.StartEachFrom(hint.c);
    else
        solver.StartFromBelow(hint.c);
    const double x0 = std::log10(hint.alpha);
    double x = x0, previous = x0, g = solver.Gap(std::pow(10.0, x0)); // as the root search asks
    StrengthBracket b;
    b.nearRoot = smooth;
    b.byHint = !smooth;
    b.xLo = b.xHi = x0;
    if (std::fabs(g) <= tolerance) {
        b.found = b.atTarget = true;
        return b;
    }
    const bool down = g > 0.0;
    CHintSteps steps(smooth, x0, g, hint.slope, solver.TargetRatio());
    for (int step = 0; (down ? g > 0.0 : g <= 0.0) && steps.WithinReach(x); ++step) {
        if (step == kMostSteps)
            return b;
        const double before = g;
        const double next = steps.Next(x, g);
        previous = x;
        x = next;
        g = solver.Gap(std::pow(10.0, x));
        if (std::fabs(g) <= tolerance) {
            b.found = b.atTarget = true;
            b.xLo = b.xHi = x;
            return b;
        }
        if (smooth && solver.Entropic() && down && g > 0.0 &&
            before - g <= 1e-6 * (g + solver.TargetRatio()))
            return b;
    }
    b.found = down ? g <= 0.0 : g > 0.0;
    b.atTarget = smooth && b.found && NearEnoughTheRoot(solver, x, g);
    b.xLo = b.atTarget ? x : std::min(x, previous);
    b.xHi = b.atTarget ? x : std::max(x, previous);
    return b;
}

namespace {

// A walk over strengths by decades: the strength reached and its gap, the last strengths below
// (lo) and above (hi) the target, and the decades stepped.
struct DecadeWalk {
    double alpha = 0.0, gap = 0.0, lo = 0.0, hi = 0.0;
    int steps = 0;
};

// Up by decades from a strength whose ratio is below the target until one is above it.
void ClimbByDecades(CStrengthSolver& solver, DecadeWalk& w) {
    while (w.gap <= 0.0 && w.steps++ < 30) {
        w.lo = w.alpha;
        w.alpha *= 10.0;
        w.gap = solver.Gap(w.alpha);
    }
    w.hi = w.alpha;
}

// The walk's first strength and, while the ratio stays below the target, up by decades from it
// until one is above, at most 30 decades: the decades are solved side by side on `threads` threads,
// in turns of as many, each from the NNLS start, so that each is the same for any count of threads;
// those past the first above the target are dropped. True when the first strength is above the
// target already (the walk then goes down). The ratio rises with the strength, so the first
// strength decides only when the second is above the target too; else the walk climbs from the
// second, and one thread solves the second first and the first only when it is needed. Of the
// strengths below the target only the last is kept (its failure noted, counted as solved): the
// bracket reads no other.
bool StartedAboveOrClimbed(CStrengthSolver& solver, DecadeWalk& w, int threads) {
    constexpr int kMostDecades = 30;
    const int turn = std::max(threads, 1);
    std::vector<double> alphas(kMostDecades + 1);
    alphas[0] = w.alpha;
    for (int k = 1; k <= kMostDecades; ++k)
        alphas[k] = alphas[k - 1] * 10.0;
    std::vector<StrengthTrial> trials(kMostDecades + 1);
    // Decades from.. (count of them) side by side; above the target from the stopFrom-th on, the
    // later ones not yet begun are left.
    auto solve = [&](int from, int count, std::size_t stopFrom) {
        std::vector<StrengthTrial> solved = solver.SolveSideBySide(
            std::vector<double>(alphas.begin() + from, alphas.begin() + from + count),
            solver.NnlsStart(), threads, stopFrom);
        for (int i = 0; i < count; ++i)
            trials[std::size_t(from + i)] = std::move(solved[std::size_t(i)]);
    };
    auto below = [&](int k) { return trials[std::size_t(k)].gap <= 0.0; };
    if (turn == 1) {
        solve(1, 1, 0);
        if (!below(1))
            solve(0, 1, 0);
    } else {
        solve(0, std::min(turn, kMostDecades + 1), 1);
    }
    if (!below(1)) {
        const double gap = solver.Keep(trials[0]);
        w.lo = w.hi = w.alpha;
        w.gap = gap;
        if (gap > 0.0)
            return true;
        if (!(gap <= 0.0))
            return false;
        w.alpha = w.hi = alphas[1];
        w.gap = solver.Keep(trials[1]);
        w.steps = 1;
        return false;
    }
    int k = 2;
    for (; k <= kMostDecades; ++k) {
        if (!trials[std::size_t(k)].solved)
            solve(k, std::min(turn, kMostDecades + 1 - k), 0);
        if (!below(k))
            break;
    }
    const int last = std::min(k, kMostDecades);
    if (k <= kMostDecades)
        solver.Keep(trials[std::size_t(k - 1)]);
    w.lo = alphas[std::size_t(last - 1)];
    w.alpha = w.hi = alphas[std::size_t(last)];
    w.gap = solver.Keep(trials[std::size_t(last)]);
    w.steps = k;
    return false;
}

// Down by decades from a strength whose ratio is above the target until one is below it. True
// when a tenfold weaker entropy left the ratio where it was: the steps from the smoother solution
// no longer reach the minimum.
bool DescendByDecadesStalled(CStrengthSolver& solver, DecadeWalk& w) {
    bool stalled = false;
    while (w.gap > 0.0 && w.steps++ < 30) {
        w.hi = w.alpha;
        w.alpha /= 10.0;
        const double above = w.gap;
        w.gap = solver.Gap(w.alpha);
        stalled = solver.Entropic() && w.gap > 0.0 &&
                  above - w.gap <= 1e-6 * (w.gap + solver.TargetRatio());
        if (stalled)
            break;
    }
    w.lo = w.alpha;
    return stalled;
}

// Again from the NNLS solution at the weakest strength reached, down by decades while the ratio
// stays above the target (each strength solved afresh), then up, each strength from the one below.
void ClimbFromBelow(CStrengthSolver& solver, DecadeWalk& w) {
    solver.Forget();
    solver.StartFromBelow(solver.NnlsStart());
    w.steps = 0;
    w.gap = solver.Gap(w.alpha);
    while (w.gap > 0.0 && w.steps++ < 30) {
        w.alpha /= 10.0;
        solver.Forget();
        w.gap = solver.Gap(w.alpha);
    }
    ClimbByDecades(solver, w);
}

} // namespace

// The bracket by decades from alpha: down while the ratio is above the target, else up (on
// `threads` threads); where the entropy's descent stalls, again from below.
StrengthBracket BracketByDecades(CStrengthSolver& solver, double alpha, int threads) {
    DecadeWalk w;
    w.alpha = alpha;
    bool stalled = false;
    if (StartedAboveOrClimbed(solver, w, threads))
        stalled = DescendByDecadesStalled(solver, w);
    if (stalled)
        ClimbFromBelow(solver, w);
    StrengthBracket b;
    b.found = true;
    // On the smooth road the entropy's solutions resolve the ratio to SmoothRatioTolerance: a
    // strength within it (or whose secant puts the root within the root search's allowance) is
    // the root, as on the walk from a smooth hint.
    b.nearRoot = solver.Entropic() && !solver.FromBelow();
    b.xLo = std::log10(w.lo);
    b.xHi = std::log10(w.hi);
    b.reached = !(w.steps > 30 || !(w.gap == w.gap));
    b.lastAlpha = w.alpha;
    b.lastGap = w.gap;
    return b;
}

// The root of the gap in log10 alpha within the bracket. From below, each strength is solved to
// the floor's accuracy, which moves the ratio by about 1e-5 of a change of 1e-4 in log alpha: a
// finer root only follows that rounding.
BrentResult StrengthRoot(CStrengthSolver& solver, const StrengthBracket& b) {
    if (b.atTarget) {
        BrentResult r;
        r.root = b.xLo;
        return r;
    }
    return BrentRoot(
        [&](double x) {
            const double gap = solver.Gap(std::pow(10.0, x));
            if (b.byHint && std::fabs(gap) <= kHintRatioTolerance)
                return 0.0;
            return b.nearRoot && NearEnoughTheRoot(solver, x, gap) ? 0.0 : gap;
        },
        b.xLo, b.xHi, solver.FromBelow() ? 1e-4 : kSmoothRootTolerance, 100);
}

AnalysisFailure RootSearchFailure(const BrentResult& r) {
    return !r.bracketed   ? AnalysisFailure::RootNotBracketed
           : !r.converged ? AnalysisFailure::ZbrentIterations
                          : AnalysisFailure::None;
}
