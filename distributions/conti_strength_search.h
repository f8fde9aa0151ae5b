// The strength search of the regularized distribution (conti_regularization.cpp): the solver
// that solves each strength once and keeps what it met, and the walks that bracket the strength
// whose chi-square ratio meets the target and find it (conti_strength_search.cpp).
#pragma once

#include "distributions/conti_entropy_solution.h"
#include "distributions/conti_regularization.h"
#include "foundations/brent_root.h"
#include "lamm/kept_thread_pool.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <functional>
#include <string>
#include <utility>
#include <vector>

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
const SolvedStrength* NearestWeaker(const std::vector<SolvedStrength>& solved, double alpha);

// What shapes the regularized solutions: the prior's shape q over every amplitude (empty: flat),
// the entropy's default model m and the start of the entropy solutions.
struct RegularizationShape {
    std::vector<double> q, m, start;
};

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
    bool NoiseHeld() const { return out_.noiseHeld; }
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

// The walk from a hint to a bracket of the root (not found when its steps did not bracket it).
StrengthBracket BracketFromHint(CStrengthSolver& solver, const ContiStrengthHint& hint);
// The bracket by decades from alpha.
StrengthBracket BracketByDecades(CStrengthSolver& solver, double alpha, int threads);
// The root of the gap in log10 alpha within the bracket.
BrentResult StrengthRoot(CStrengthSolver& solver, const StrengthBracket& b);
AnalysisFailure RootSearchFailure(const BrentResult& r);
