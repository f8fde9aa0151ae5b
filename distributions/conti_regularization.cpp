// Regularization and its strength. The second-derivative penalty is a quadratic form added to
// the normal matrix; the entropy's solution at one strength is conti_entropy_solution's. The
// strength search brackets alpha by decades and refines log alpha with Brent's method; the
// achieved chi-square ratio is checked against FCriticalRatio in the distribution tests.
#include "distributions/conti_regularization.h"

#include "distributions/conti_entropy_solution.h"
#include "distributions/conti_held_noise.h"
#include "distributions/conti_nnls.h"
#include "foundations/brent_root.h"
#include "foundations/statistical_tests.h"
#include "lamm/kept_thread_pool.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>

double ContiTargetRatio(double P, double nu) {
    if (P <= 0.5)
        return 1.0;
    if (P >= 1.0)
        return P;
    if (!(nu >= 1.0))
        return 2.0;
    return std::min(2.0, FCriticalRatio(P, nu, nu));
}

double SecondDerivativeNorm(const std::vector<double>& c) {
    const int n = static_cast<int>(c.size()) - 1;
    auto at = [&](int p) { return p >= 1 && p <= n ? c[p] : 0.0; };
    double sum = 0.0;
    for (int p = 1; p <= n; ++p) {
        const double d = at(p - 1) - 2.0 * at(p) + at(p + 1);
        sum += d * d;
    }
    return sum;
}

std::vector<double> PriorShape(const std::vector<double>& prior) {
    double largest = 0.0;
    for (std::size_t p = 1; p < prior.size(); ++p)
        if (std::isfinite(prior[p]))
            largest = std::max(largest, prior[p]);
    if (!(largest > 0.0))
        return {};
    std::vector<double> q(prior.size(), 1.0);
    for (std::size_t p = 1; p < prior.size(); ++p)
        q[p] = std::isfinite(prior[p]) ? std::max(prior[p] / largest, 1e-3) : 1e-3;
    return q;
}

AnalysisFailure SolveSecondDerivative(const ContiNormalEquations& eq, double alpha,
                                      std::vector<double>& c, const std::vector<double>& q) {
    // Only the distribution's columns are smoothed; discrete species after them are not.
    const int n = eq.DistributionColumns();
    CDenseMatrix A = eq.A;
    // L'L of the second differences with zero continuation: rows p of L are (1, -2, 1) at
    // p - 1, p, p + 1, so (L'L)_pq is the sum over rows touching both. A prior scales column p
    // of L by 1 / q_p.
    const bool shaped = static_cast<int>(q.size()) >= n + 1;
    const double stencil[3] = {1.0, -2.0, 1.0};
    for (int row = 1; row <= n; ++row)
        for (int u = 0; u < 3; ++u)
            for (int v = 0; v < 3; ++v) {
                const int p = row - 1 + u, r = row - 1 + v;
                if (p >= 1 && p <= n && r >= 1 && r <= n)
                    A(p, r) += shaped ? alpha * stencil[u] * stencil[v] / (q[p] * q[r])
                                      : alpha * stencil[u] * stencil[v];
            }
    return ContiNNLSOnFreeColumns(eq, A, c);
}

namespace {

// A strength whose chi-square ratio is this close to the target is taken as it is when a hint
// offers it: the solutions from below are solved no closer (the root search's 1e-4 in log alpha
// moves the ratio by about as much).
constexpr double kHintRatioTolerance = 1e-5;

// A strength the search solved: the gap of its chi-square ratio to the target and its amplitudes.
struct SolvedStrength {
    double alpha, gap;
    std::vector<double> c;
};

// A strength solved beside others: its failure, amplitudes and gap; solved false when it was
// left unsolved.
struct StrengthTrial {
    double alpha = 0.0, gap = 0.0;
    AnalysisFailure code = AnalysisFailure::None;
    std::vector<double> c;
    bool solved = false;
};

// The strength solved nearest below alpha; null when there is none.
const SolvedStrength* NearestWeaker(const std::vector<SolvedStrength>& solved, double alpha) {
    const SolvedStrength* below = nullptr;
    for (const SolvedStrength& s : solved)
        if (s.alpha < alpha && (!below || s.alpha > below->alpha))
            below = &s;
    return below;
}

// The rise of the ratio per decade near the root a (gap there g), from the strengths solved: from
// below, between the nearest strengths solved on either side of a whose ratios lie on either side
// of the target; on the smooth road, from a itself to the strength solved nearest to it at least
// kSlopeSpan decades away, on either side (nearer strengths differ in their ratio by little more
// than the accuracy each is solved to). 0 when there are no such strengths or the ratio falls.
constexpr double kSlopeSpan = 1e-4;
double SlopeNearTheRoot(const std::vector<SolvedStrength>& solved, double a, double g,
                        bool fromBelow) {
    const double x = std::log10(a);
    const SolvedStrength *below = nullptr, *other = nullptr;
    double span = 0.0;
    for (const SolvedStrength& s : solved) {
        if (fromBelow) {
            if (s.alpha < a && s.gap <= 0.0 && (!below || s.alpha > below->alpha))
                below = &s;
            if (s.alpha > a && s.gap > 0.0 && (!other || s.alpha < other->alpha))
                other = &s;
            continue;
        }
        const double d = std::fabs(std::log10(s.alpha) - x);
        if (d >= kSlopeSpan && (!other || d < span)) {
            other = &s;
            span = d;
        }
    }
    if (!other || (fromBelow && !below))
        return 0.0;
    const double slope =
        below ? (other->gap - below->gap) / (std::log10(other->alpha) - std::log10(below->alpha))
              : (other->gap - g) / (std::log10(other->alpha) - x);
    return std::isfinite(slope) && slope > 0.0 ? slope : 0.0;
}

// A hint is usable on a search over as many amplitudes, all finite and >= 0: one from below on an
// entropy search, a smooth one on either kind.
bool HintUsable(const ContiStrengthHint* hint, ContiRegularizationKind kind, int n) {
    return (hint && (hint->smooth || kind == ContiRegularizationKind::MaximumEntropy)) &&
           hint->alpha > 0.0 && std::isfinite(hint->alpha) &&
           static_cast<int>(hint->c.size()) == n + 1 &&
           std::all_of(hint->c.begin() + 1, hint->c.end(),
                       [](double v) { return std::isfinite(v) && v >= 0.0; });
}

// What a search leaves for the next: the strength it reached, with its amplitudes, the slope of
// the ratio there (on the smooth road the last hint's when none was measured) and the road, when
// it met no failure; else nothing.
ContiStrengthHint HintForNextSearch(bool fromBelow, AnalysisFailure first,
                                    const ContiRegularizedSolution& out, double gap,
                                    const std::vector<SolvedStrength>& solved, double lastSlope) {
    if (first != AnalysisFailure::None || !(out.alpha > 0.0))
        return ContiStrengthHint{};
    const double slope = SlopeNearTheRoot(solved, out.alpha, gap, fromBelow);
    if (fromBelow)
        return ContiStrengthHint{out.alpha, out.c, slope, false};
    return ContiStrengthHint{out.alpha, out.c, slope > 0.0 ? slope : lastSlope, true};
}

// The numbers a failure of the strength search carries into its message.
std::string StrengthReachedDetail(double alpha, double gap, double targetRatio) {
    char text[160];
    std::snprintf(text, sizeof text, "chi-square ratio %.6g reached at strength %.3g, %.6g asked",
                  gap + targetRatio, alpha, targetRatio);
    return std::string(text);
}

// What shapes the regularized solutions: the prior's shape q over every amplitude (empty: flat),
// the entropy's default model m and the start of the entropy solutions.
struct RegularizationShape {
    std::vector<double> q, m, start;
};

// The default model of the entropy is the prior's shape (flat without one) at the mean NNLS
// amplitude of the distribution; a flat prior gives exactly the flat model. The entropy solutions
// start from the NNLS one (lifted to 1e-9 of its largest amplitude), so that a weak entropy stays
// close to it.
RegularizationShape ShapeOfRegularization(const ContiNormalEquations& eq,
                                          const std::vector<double>& nnls,
                                          const std::vector<double>& prior) {
    const int n = eq.N();
    const int nd = eq.DistributionColumns();
    RegularizationShape shape;
    // A prior covers the distribution's columns; discrete species after them take its ends'
    // neutral value.
    if (static_cast<int>(prior.size()) == nd + 1)
        shape.q = PriorShape(prior);
    if (!shape.q.empty())
        shape.q.resize(std::size_t(n) + 1, 1.0);
    double total = 0.0;
    for (int p = 1; p <= nd; ++p)
        total += nnls[p];
    const double level = total > 0.0 ? total / std::max(nd, 1) : 1e-6;
    double nnlsMax = 0.0;
    for (int p = 1; p <= n; ++p)
        nnlsMax = std::max(nnlsMax, nnls[p]);
    shape.m.assign(std::size_t(n) + 1, level);
    if (!shape.q.empty()) {
        double qMean = 0.0;
        for (int p = 1; p <= nd; ++p)
            qMean += shape.q[p];
        qMean /= nd;
        for (int p = 1; p <= n; ++p)
            shape.m[p] = level * (shape.q[p] / qMean);
    }
    shape.start.assign(std::size_t(n) + 1, 0.0);
    for (int p = 1; p <= n; ++p)
        shape.start[p] = std::max(nnls[p], 1e-9 * nnlsMax);
    return shape;
}

// The first strength the search by decades tries: 1e-6 of the mean diagonal of the
// distribution's columns of the normal matrix.
double FirstDecadeStrength(const ContiNormalEquations& eq) {
    const int nd = eq.DistributionColumns();
    double trace = 0.0;
    for (int p = 1; p <= nd; ++p)
        trace += eq.A(p, p);
    return 1e-6 * trace / std::max(nd, 1);
}

// The regularized solutions of one strength search, each strength solved once: the root search
// starts from the two ends of its bracket and as a rule ends where it last evaluated, both solved
// before. Keeps the first failure met (from the NNLS one on), writes its numbers and the count of
// solves into the solution out, whose chiSquare0 and targetRatio it reads.
class CStrengthSolver {
  public:
    CStrengthSolver(const ContiNormalEquations& eq, ContiRegularizationKind kind,
                    RegularizationShape shape, AnalysisFailure nnlsFailure,
                    ContiRegularizedSolution& out)
        : eq_(eq), kind_(kind), shape_(std::move(shape)), nnlsFailure_(nnlsFailure),
          first_(nnlsFailure), out_(out), c_(std::size_t(eq.N()) + 1), warm_(shape_.start),
          base_(&shape_.start) {}

    // The gap of the chi-square ratio at alpha to the target; the amplitudes are left in c().
    double Gap(double alpha) {
        for (const SolvedStrength& s : solved_)
            if (s.alpha == alpha) {
                c_ = s.c;
                if (Entropic() && !fixedWarm_)
                    warm_ = c_;
                return s.gap;
            }
        const AnalysisFailure code = Solve(alpha);
        if (Entropic() && !fixedWarm_)
            warm_ = c_;
        Note(code);
        ++out_.solves;
        const double gap = GapOf(c_);
        solved_.push_back(SolvedStrength{alpha, gap, c_});
        return gap;
    }

    // Strengths on the smooth road, in rising order, solved side by side on up to `threads`
    // threads, each entropy solution from start: none depends on another or on the thread that
    // solved it. A strength not yet begun when a weaker one from the stopFrom-th (0-based) on is
    // known above the target (or its gap not a number) is left unsolved: the climb stops there;
    // one begun is abandoned then (and with stopFrom 1 the first once the second is known below
    // the target, which makes the first one's ratio of no use). Nothing is kept; Keep takes those
    // the search goes on with, in order.
    std::vector<StrengthTrial> SolveSideBySide(const std::vector<double>& alphas,
                                               const std::vector<double>& start, int threads,
                                               std::size_t stopFrom = 0) const {
        std::vector<StrengthTrial> trials(alphas.size());
        std::atomic<std::size_t> firstAbove{alphas.size()};
        std::atomic<bool> secondBelow{false};
        RunOnKeptThreads(
            static_cast<int>(alphas.size()), std::max(threads, 1) - 1, [&](int k, bool) {
                const std::size_t i = std::size_t(k) - 1;
                auto useless = [&] {
                    return firstAbove.load() < i || (i == 0 && stopFrom == 1 && secondBelow.load());
                };
                if (useless())
                    return;
                StrengthTrial& t = trials[i];
                t.alpha = alphas[i];
                t.code = SolveSmooth(t.alpha, start, t.c, useless);
                if (useless())
                    return;
                t.gap = GapOf(t.c);
                t.solved = true;
                if (i == 1 && t.gap <= 0.0)
                    secondBelow.store(true);
                if (!(t.gap <= 0.0) && i >= stopFrom) {
                    std::size_t seen = firstAbove.load();
                    while (i < seen && !firstAbove.compare_exchange_weak(seen, i)) {
                    }
                }
            });
        return trials;
    }
    // A strength solved by SolveSideBySide, taken as Gap would have solved it: its failure noted,
    // its amplitudes left in c() (and the smooth road's start for the next).
    double Keep(StrengthTrial& t) {
        c_.swap(t.c);
        if (Entropic() && !fixedWarm_)
            warm_ = c_;
        Note(t.code);
        ++out_.solves;
        solved_.push_back(SolvedStrength{t.alpha, t.gap, c_});
        return t.gap;
    }

    // From now on an entropy solution starts from the one of the nearest weaker strength solved
    // (base below them all), never from a smoother one.
    void StartFromBelow(const std::vector<double>& base) {
        fromBelow_ = true;
        base_ = &base;
    }
    // The strengths solved so far are solved again when asked.
    void Forget() { solved_.clear(); }
    // Every entropy solution on the smooth road starts from c, not from the last one: a solution
    // started from that of a strength some 1e-6 decades away is kept as it is (its Newton
    // decrement is already below the rounding of the objective), which leaves the ratio in steps of
    // a few 1e-8 that the root search would have to shrink its bracket through.
    void StartEachFrom(const std::vector<double>& c) {
        warm_ = c;
        fixedWarm_ = true;
    }
    // The whole search again, as if nothing had been solved: the smooth road, the NNLS failure
    // alone noted.
    void StartOver() {
        solved_.clear();
        fromBelow_ = false;
        fixedWarm_ = false;
        base_ = &shape_.start;
        warm_ = shape_.start;
        first_ = nnlsFailure_;
        out_.failureDetail.clear();
    }
    // Keeps the first failure met, with its numbers.
    void Note(AnalysisFailure code, const std::string& detail = {}) {
        if (first_ == AnalysisFailure::None) {
            first_ = code;
            out_.failureDetail = detail;
        }
    }

    bool Entropic() const { return kind_ == ContiRegularizationKind::MaximumEntropy; }
    bool FromBelow() const { return fromBelow_; }
    double TargetRatio() const { return out_.targetRatio; }
    AnalysisFailure First() const { return first_; }
    const std::vector<double>& c() const { return c_; }
    const std::vector<double>& NnlsStart() const { return shape_.start; }
    const std::vector<SolvedStrength>& Solved() const { return solved_; }

  private:
    AnalysisFailure Solve(double alpha) {
        if (fromBelow_ && Entropic()) {
            const SolvedStrength* below = NearestWeaker(solved_, alpha);
            return SolveMaximumEntropy(eq_, alpha, shape_.m, below ? below->c : *base_, c_,
                                       EntropyNewton::OffTheFloor);
        }
        return SolveSmooth(alpha, warm_, c_);
    }
    // The solution at alpha on the smooth road, an entropy one started from start (abandoned
    // where abandon says so, SolveMaximumEntropy).
    AnalysisFailure SolveSmooth(double alpha, const std::vector<double>& start,
                                std::vector<double>& c,
                                const std::function<bool()>& abandon = {}) const {
        if (kind_ == ContiRegularizationKind::SecondDerivative)
            return SolveSecondDerivative(eq_, alpha, c, shape_.q);
        return SolveMaximumEntropy(eq_, alpha, shape_.m, start, c, EntropyNewton::AllAmplitudes,
                                   abandon);
    }
    double GapOf(const std::vector<double>& c) const {
        return eq_.ChiSquare(c) / out_.chiSquare0 - out_.targetRatio;
    }

    const ContiNormalEquations& eq_;
    const ContiRegularizationKind kind_;
    const RegularizationShape shape_;
    const AnalysisFailure nnlsFailure_;
    AnalysisFailure first_;
    ContiRegularizedSolution& out_;
    std::vector<SolvedStrength> solved_;
    std::vector<double> c_;
    std::vector<double> warm_; // the smooth road's start: the last solution, or StartEachFrom's
    const std::vector<double>* base_;
    bool fromBelow_ = false;
    bool fixedWarm_ = false; // warm_ stays where StartEachFrom put it
};

// Where the root of the gap lies in log10 alpha: between xLo and xHi, or at xLo (= xHi) itself
// when a strength met on the way is within kHintRatioTolerance of the target (atTarget). Not found
// when a hint's steps did not bracket it; not reached when no strength within 30 decades did (the
// last strength tried and its gap kept for the message).
struct StrengthBracket {
    bool found = false;
    bool reached = true;
    bool atTarget = false;
    bool byHint = false;   // gaps within kHintRatioTolerance count as the root
    bool nearRoot = false; // strengths NearEnoughTheRoot count as the root
    double xLo = 0.0, xHi = 0.0;
    double lastAlpha = 0.0, lastGap = 0.0;
};

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

// Whether the strength 10^x with gap g counts as the root on the smooth road from a hint: its ratio
// is within kSmoothRatioTolerance of the target, or the secant to the nearest strength solved on
// the other side of the target puts the root within the root search's allowance (where a search
// whose bracket shrank to that allowance ends too, without the solves that shrink the bracket
// through digits of the ratio the solutions do not resolve).
bool NearEnoughTheRoot(const std::vector<SolvedStrength>& solved, double x, double g) {
    if (std::fabs(g) <= kSmoothRatioTolerance)
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

// The walk from a hint: its strength solved from its amplitudes (on the road from below, or on
// the smooth road from those amplitudes each time), then away from it by CHintSteps, within 40
// steps, until the ratio crosses the target. A strength whose ratio is within the road's tolerance
// (kHintRatioTolerance from below, kSmoothRatioTolerance smooth) ends the walk at the root. Not
// found when no bracket is met, or where the entropy stalls on the smooth road's way down (a
// weaker strength left the ratio where it was: the steps from the smoother solution no longer
// reach the minimum); on the smooth road, at its end on a strength near enough the root
// (NearEnoughTheRoot).
StrengthBracket BracketFromHint(CStrengthSolver& solver, const ContiStrengthHint& hint) {
    constexpr int kMostSteps = 40;
    const bool smooth = hint.smooth;
    const double tolerance = smooth ? kSmoothRatioTolerance : kHintRatioTolerance;
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
    b.atTarget = smooth && b.found && NearEnoughTheRoot(solver.Solved(), x, g);
    b.xLo = b.atTarget ? x : std::min(x, previous);
    b.xHi = b.atTarget ? x : std::max(x, previous);
    return b;
}

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
    // On the smooth road the entropy's solutions resolve the ratio to kSmoothRatioTolerance: a
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
            return b.nearRoot && NearEnoughTheRoot(solver.Solved(), x, gap) ? 0.0 : gap;
        },
        b.xLo, b.xHi, solver.FromBelow() ? 1e-4 : kSmoothRootTolerance, 100);
}

AnalysisFailure RootSearchFailure(const BrentResult& r) {
    return !r.bracketed   ? AnalysisFailure::RootNotBracketed
           : !r.converged ? AnalysisFailure::ZbrentIterations
                          : AnalysisFailure::None;
}

void KeepSolution(const ContiNormalEquations& eq, double alpha, const std::vector<double>& c,
                  ContiRegularizedSolution& out) {
    out.c = c;
    out.alpha = alpha;
    out.chiSquare = eq.ChiSquare(c);
}

} // namespace

AnalysisFailure RegularizeDistribution(const ContiNormalEquations& whole,
                                       ContiRegularizationKind kind, double P, double nu,
                                       ContiRegularizedSolution& out,
                                       const std::vector<double>& prior, ContiStrengthHint* hint,
                                       int threads) {
    const AnalysisFailure nnlsFailure = ContiNNLSOnFreeColumns(whole, whole.A, out.nnls);
    out.c = out.nnls;
    out.alpha = 0.0;
    out.chiSquare0 = out.chiSquare = whole.ChiSquare(out.nnls);
    out.targetRatio = ContiTargetRatio(P, nu);
    out.solves = 0;
    out.noiseHeld = false;
    if (out.targetRatio <= 1.0 || whole.DistributionColumns() < 2 || !(out.chiSquare0 > 0.0)) {
        if (hint)
            *hint = ContiStrengthHint{};
        return nnlsFailure;
    }
    ContiNormalEquations held;
    out.noiseHeld =
        kind == ContiRegularizationKind::MaximumEntropy && whole.noiseGram.N() == whole.N();
    if (out.noiseHeld) {
        held = EquationsWithNoiseHeld(whole, out.nnls);
        out.chiSquare0 = out.chiSquare = held.ChiSquare(out.nnls);
    }
    const ContiNormalEquations& eq = out.noiseHeld ? held : whole;
    CStrengthSolver solver(eq, kind, ShapeOfRegularization(eq, out.nnls, prior), nnlsFailure, out);
    StrengthBracket bracket;
    const double lastSlope = hint ? hint->slope : 0.0;
    if (HintUsable(hint, kind, eq.N())) {
        bracket = BracketFromHint(solver, *hint);
        if (!bracket.found)
            solver.StartOver();
    }
    if (!bracket.found)
        // from the data's own scale: with the noise held the matrix carries the columns'
        // whole products, the strength at the target stays near that of the free noise
        bracket = BracketByDecades(solver, FirstDecadeStrength(whole), threads);
    if (!bracket.reached) {
        solver.Note(AnalysisFailure::RegularizationUnreachable,
                    StrengthReachedDetail(bracket.lastAlpha, bracket.lastGap, out.targetRatio));
        KeepSolution(eq, bracket.lastAlpha, solver.c(), out);
        if (hint)
            *hint = ContiStrengthHint{};
        return solver.First();
    }
    const BrentResult r = StrengthRoot(solver, bracket);
    const AnalysisFailure search = RootSearchFailure(r);
    solver.Note(search);
    const double alpha = std::pow(10.0, r.root);
    const double g = solver.Gap(alpha);
    if (search != AnalysisFailure::None && solver.First() == search)
        out.failureDetail = StrengthReachedDetail(alpha, g, out.targetRatio);
    KeepSolution(eq, alpha, solver.c(), out);
    if (hint)
        *hint = HintForNextSearch(solver.FromBelow(), solver.First(), out, g, solver.Solved(),
                                  lastSlope);
    return solver.First();
}
