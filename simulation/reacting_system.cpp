// Crank-Nicolson steps of the reacting system A + B <-> AB, solved by Newton passes on both free
// species at once: the start of each step from the last levels, the step control and the run.
#include "simulation/reacting_system.h"

#include "foundations/show_error.h"
#include "simulation/reacting_run.h"
#include "simulation/run_end_tests.h"
#include "simulation/speed_and_equilibrium.h"
#include "simulation/step_cuts.h"
#include "state/lamm_grid.h"
#include "state/reaction_parameters.h"

#include <algorithm>
#include <cmath>
#include <numbers>

double EquilibriumComplex(double K, double a0, double b0) {
    if (!(K > 0.0))
        return 0.0;
    const double S = a0 + b0 + 1.0 / K;
    // the smaller root, in the form that does not cancel for small K
    const double root = std::sqrt(std::max(S * S - 4.0 * a0 * b0, 0.0));
    return 2.0 * a0 * b0 / (S + root);
}

void InitReactionSystem() {
    using R = ReactionParameters;
    R::K = float(std::pow(10.0, double(R::logK)));
    R::extinctionAB = R::extinctionA + R::extinctionB;
    const double a0 = R::extinctionA != 0.0f ? R::loadingA / R::extinctionA : 0.0;
    const double b0 = R::extinctionB != 0.0f ? R::loadingB / R::extinctionB : 0.0;
    R::complexConcentration = float(EquilibriumComplex(R::K, a0, b0));
}

namespace {

// The deviation of a step from the continuation of the last that the steps aim at, of the larger
// loading.
constexpr double kReactionStepAim = 0.9e-3;

// Steps shorter than this (s) resolve nothing a run needs: one planned or halved below it ends
// the run with the discretization error, where the steps would otherwise shrink without end
// while the time stands almost still.
constexpr double kShortestReactionStep = 1e-6;

// A Newton pass whose change e has K eA eB below this, of the larger loading, ends its step.
constexpr double kNewtonAlone = 1e-13;

} // namespace

// The polynomial through the last four levels (as many as there are) taken on by h, in Newton's
// form on the divided differences of the levels: x_n + c0 (x_n - x_n-1) + c1 (x_n-1 - x_n-2) +
// c2 (x_n-2 - x_n-3).
void CReactingRun::Extrapolation(double h, double c[3]) const {
    c[0] = c[1] = c[2] = 0.0;
    const double h1 = dtPrev, h2 = dtPrev2, h3 = dtPrev3;
    if (h1 == 0.0)
        return;
    // p = x_n + w1 f[n, n-1] + w2 f[n, n-1, n-2] + w3 f[n, .., n-3]
    const double w1 = h, w2 = h2 != 0.0 ? h * (h + h1) : 0.0;
    const double w3 = h2 != 0.0 && h3 != 0.0 ? w2 * (h + h1 + h2) : 0.0;
    // f[n, n-1] = d0 / h1, f[n, n-1, n-2] = (d0 / h1 - d1 / h2) / (h1 + h2), f[n, .., n-3] =
    // (f[n, n-1, n-2] - (d1 / h2 - d2 / h3) / (h2 + h3)) / (h1 + h2 + h3)
    const double u = w3 != 0.0 ? w3 / (h1 + h2 + h3) : 0.0;
    const double v2 = w2 != 0.0 ? (w2 + u) / (h1 + h2) : 0.0;
    const double v3 = u != 0.0 ? u / (h2 + h3) : 0.0;
    c[0] = (w1 + v2) / h1;
    c[1] = w2 != 0.0 ? -(v2 + v3) / h2 : 0.0;
    c[2] = v3 != 0.0 ? v3 / h3 : 0.0;
}

// Both free species start from their extrapolation over the last steps; Newton passes on the
// coupled equations follow until neither changes. Both equations then hold with the same
// complex, so total A and total B are both conserved. The solution is kept as it is: where a
// partner is depleted against the bottom a free concentration may dip below zero by a little,
// and raising it to zero (as once done) made material at every step, up to twice the loading.
CReactingRun::Solved CReactingRun::SolveStep(double h) {
    // the cubic through the last four levels (fewer after the first steps), as weights on the
    // differences of neighbouring levels
    double c[3];
    Extrapolation(h, c);
    for (int i = 1; i <= n; ++i) {
        A[At(i)] =
            std::max(Ap[At(i)] + c[0] * (Ap[At(i)] - App[At(i)]) +
                         c[1] * (App[At(i)] - Appp[At(i)]) + c[2] * (Appp[At(i)] - Apppp[At(i)]),
                     0.0);
        B[At(i)] =
            std::max(Bp[At(i)] + c[0] * (Bp[At(i)] - Bpp[At(i)]) +
                         c[1] * (Bpp[At(i)] - Bppp[At(i)]) + c[2] * (Bppp[At(i)] - Bpppp[At(i)]),
                     0.0);
    }
    ProductWeights(h);
    const double scale = std::max(rx.a0, rx.b0);
    // a Newton pass first and again whenever the cheaper passes on its elimination stop
    // converging fast
    bool newton = true, afterNewton = false;
    double last = 0.0;
    for (int pass = 1; pass <= kMostReactionPasses; ++pass) {
        double change = 0.0;
        if (newton) {
            if (!NewtonPass(pass == 1, change)) {
                // A block that turns singular on a later pass is one of passes running away
                // from the solution (both species far beyond their loadings): a shorter step
                // starts closer to it.
                if (pass > 1)
                    return Solved::NotConverged;
                ShowError(singularRow == 1 ? "Error 1 in tridag" : "Error 2 in tridag", 0);
                failure.singular = true;
                return Solved::Failed;
            }
        } else {
            change = ChordPass(afterNewton);
        }
        if (!std::isfinite(change))
            return Solved::NotConverged;
        if (pass > 1 && change <= 1e-10 * scale)
            return Solved::Yes;
        // The residual left by a Newton pass is the complex of its change, of the order of
        // K eA eB, and the next pass would move the solution by less than that (by about half
        // in the bench's runs): where that lies far below the tolerance the pass is the solution.
        if (pass == 1 && rx.K * changeA * changeB <= kNewtonAlone * scale)
            return Solved::Yes;
        afterNewton = newton;
        newton = !newton && change > 0.1 * last;
        last = change;
    }
    return Solved::NotConverged;
}

// A step whose passes do not converge is tried again at half its length; after ten halvings in
// a row, or one below the shortest step, the run ends with the discretization error.
bool CReactingRun::SolveShortening(double& h) {
    for (;;) {
        const Solved solved = SolveStep(h);
        if (solved == Solved::Yes) {
            shortenings = 0;
            return true;
        }
        if (solved == Solved::Failed || ++shortenings > 10 || 0.5 * h < kShortestReactionStep) {
            if (solved != Solved::Failed)
                failure.discretization = true;
            return false;
        }
        h *= 0.5;
    }
}

// The measures of a solved step of length h in one sweep over the nodes. The change, for the
// progress text and the equilibrium test, is the largest relative change of the faster-changing
// free species over the nodes that carry it, as the concentration-dependent solvers measure
// theirs: nodes below 1e-4 of the species' top are measured against a neighbour that carries
// material, or not at all. The deviation (with WithDeviation) is how far the solution lies from
// the straight continuation of the last step, against the larger loading: h (h + h_prev) / 2
// times the second time derivative of the free species, so it grows with the square of the step
// wherever a boundary passes or the complex forms or falls apart; 0 without a last step.
template <bool WithDeviation> CReactingRun::Measures CReactingRun::Measure(double h) const {
    double topsA[2] = {}, topsB[2] = {};
    int i = 1;
    for (; i + 1 <= n; i += 2)
        for (int k = 0; k < 2; ++k) {
            topsA[k] = std::max(topsA[k], A[At(i + k)]);
            topsB[k] = std::max(topsB[k], B[At(i + k)]);
        }
    for (; i <= n; ++i) {
        topsA[0] = std::max(topsA[0], A[At(i)]);
        topsB[0] = std::max(topsB[0], B[At(i)]);
    }
    const double floorA = 1e-4 * std::max(topsA[0], topsA[1]);
    const double floorB = 1e-4 * std::max(topsB[0], topsB[1]);
    const auto relative = [this](const double* x, const double* old, double floor, int i,
                                 double& change) {
        const double d = x[i] - old[i];
        // the quotient only where it may raise the largest
        if (old[i] > floor) {
            if (std::fabs(d) > change * old[i])
                change = std::max(change, std::fabs(d / old[i]));
        } else if (d > floor) {
            if (i < n && old[i + 1] > floor)
                change = std::max(change, std::fabs(d / old[i + 1]));
            else if (i > 1 && old[i - 1] > floor)
                change = std::max(change, std::fabs(d / old[i - 1]));
        }
    };
    const bool deviation = WithDeviation && dtPrev != 0.0;
    const double f = deviation ? h / dtPrev : 0.0;
    double changeA = 0.0, changeB = 0.0, worstA = 0.0, worstB = 0.0;
    for (int i = 1; i <= n; ++i) {
        relative(A.data(), Ap.data(), floorA, i, changeA);
        relative(B.data(), Bp.data(), floorB, i, changeB);
        if constexpr (WithDeviation) {
            const double a = Ap[At(i)] + f * (Ap[At(i)] - App[At(i)]);
            const double b = Bp[At(i)] + f * (Bp[At(i)] - Bpp[At(i)]);
            worstA = std::max(worstA, std::fabs(A[At(i)] - a));
            worstB = std::max(worstB, std::fabs(B[At(i)] - b));
        }
    }
    return {deviation ? std::max(worstA, worstB) / std::max(rx.a0, rx.b0) : 0.0,
            std::max(changeA, changeB)};
}

void CReactingRun::Advance() {
    dtPrev3 = dtPrev2;
    dtPrev2 = dtPrev;
    dtPrev = clock.dt;
    ++clock.stepCount;
    clock.time += clock.dt;
    Signal();
}

// The factor on the step that brings the deviation d to the aim: d grows with the square of the
// step; at most doubled, at least a fifth.
double CReactingRun::StepFactor(double d) const {
    if (d <= 0.0)
        return 2.0;
    return std::clamp(0.9 * std::sqrt(kReactionStepAim / d), 0.2, 2.0);
}

// One step, at most control.maxDcOverC seconds long. With the fixed time step of the options
// every step has that length (shorter only where its passes do not converge). Otherwise the step
// follows the deviation from the continuation of the last step: refused and shortened above twice
// the aim, the next one scaled to meet the aim, the first one at most 1 s. A step cut short to
// land on a target time says nothing of the length the solution allows: the next resumes at the
// length planned before the cut. Returns the change for the progress text and the equilibrium
// test (the step's own length for the first step, 1 for a step that only lands on a scan time).
double CReactingRun::Step() {
    double& dt = clock.dt;
    const double cap = control.maxDcOverC;
    if (control.fixedTimeStep)
        dt = cap;
    const double wanted = dt;
    const bool cut = CutStepAtTarget(clock);
    if (dt <= 0.0) {
        // The run stands on the target already: nothing is stepped, and the last two steps stay
        // the continuation the next one is measured against.
        dt = wanted > 0.0 ? wanted : 1.0;
        return 1.0;
    }
    if (!cut && dt < kShortestReactionStep) {
        failure.discretization = true;
        return 0.0;
    }
    // the levels move back one; A and B are formed anew by the step
    Apppp.swap(Appp), Bpppp.swap(Bppp);
    Appp.swap(App), Bppp.swap(Bpp);
    App.swap(Ap), Bpp.swap(Bp);
    Ap.swap(A), Bp.swap(B);
    auto fail = [&] {
        A = Ap, B = Bp;
        return 0.0;
    };
    const double planned = dt;
    if (!SolveShortening(dt))
        return fail();
    bool shortened = dt != planned;
    const bool first = clock.stepCount == 0;
    Measures measures = control.fixedTimeStep ? Measure<false>(dt) : Measure<true>(dt);
    double d = measures.deviation;
    while (d > 2.0 * kReactionStepAim) {
        dt *= StepFactor(d);
        if (dt < kShortestReactionStep) {
            failure.discretization = true;
            return fail();
        }
        if (!SolveShortening(dt))
            return fail();
        shortened = true;
        measures = Measure<true>(dt);
        d = measures.deviation;
    }
    // A step cut to the scan time and then shortened no longer lands on it: the scan is awaited
    // still.
    if (cut && shortened)
        clock.endTimePending = true;
    const double taken = dt, x = measures.change;
    Advance();
    if (!control.fixedTimeStep) {
        dt = first ? std::min(2.0 * taken, cap) : std::min(dt * StepFactor(d), cap);
        if (cut && !shortened)
            dt = std::max(dt, std::min(wanted, cap));
    } else {
        dt = cap;
    }
    return first ? taken : cut && !shortened ? 1.0 : x;
}

// The signal, and the free species and the complex in the first three arrays of the reaction
// block when it exists, which the output draws at the scan times.
void CReactingRun::Signal() {
    double* c = LammGrid::concentration;
    for (int i = 1; i <= n; ++i)
        c[i] = rx.eA * A[At(i)] + rx.eB * B[At(i)] + (rx.eA + rx.eB) * rx.K * A[At(i)] * B[At(i)];
    double* const* shown = LammGrid::reactionArray;
    if (shown[1] == nullptr || shown[2] == nullptr || shown[3] == nullptr)
        return;
    for (int i = 1; i <= n; ++i) {
        shown[1][i] = A[At(i)];
        shown[2][i] = B[At(i)];
        shown[3][i] = rx.K * A[At(i)] * B[At(i)];
    }
}

LammResult CReactingRun::Run() {
    if (const auto early = StartGridRun(problem.rotor, clock))
        return *early;
    n = LammGrid::allocatedGridSize;
    const double m = problem.meniscusCm, b = problem.bottomCm;
    if (n < 3 || !(b > m) || !(m > 0.0) || !(control.maxDcOverC > 0.0))
        return LammResult::DiscretizationError;
    const std::size_t nodes = std::size_t(n) + 1;
    r.assign(nodes, 0.0);
    r[1] = m, r[At(n)] = b;
    for (int i = 2; i < n; ++i)
        r[At(i)] = m * std::pow(b / m, (i - 1.5) / (n - 1));
    for (V* v :
         {&M[0],  &M[1],  &M[2],  &TA[0], &TA[1], &TA[2], &TB[0], &TB[1],          &TB[2], &LA[0],
          &LA[1], &LA[2], &LB[0], &LB[1], &LB[2], &RA[0], &RA[1], &RA[2],          &RB[0], &RB[1],
          &RB[2], &A,     &B,     &Ap,    &Bp,    &App,   &Bpp,   &Appp,           &Bppp,  &Apppp,
          &Bpppp, &oldA,  &oldB,  &dA,    &dB,    &eA,    &eB,    &complexOfChange})
        v->assign(nodes, 0.0);
    for (V* v : {&M3, &G3, &W, &Wo})
        v->assign(7 * nodes, 0.0);
    for (V* v : {&piv, &carry, &link})
        v->assign(4 * nodes, 0.0);
    weightsStep = -1.0;
    const double x = EquilibriumComplex(rx.K, rx.a0, rx.b0);
    for (int i = 1; i <= n; ++i) {
        A[At(i)] = Ap[At(i)] = App[At(i)] = Appp[At(i)] = Apppp[At(i)] = rx.a0 - x;
        B[At(i)] = Bp[At(i)] = Bpp[At(i)] = Bppp[At(i)] = Bpppp[At(i)] = rx.b0 - x;
    }
    double* grid = LammGrid::radius;
    const V radii(grid, grid + nodes);
    std::copy(r.begin() + 1, r.end(), grid + 1);
    Signal();
    const double omega = LammGrid::rotorSpeed * 2.0 * std::numbers::pi / 60.0;
    Assemble(omega * omega * 1e-13);
    dtPrev = dtPrev2 = dtPrev3 = 0.0;
    shortenings = 0;
    clock.stepCount = 0;
    clock.dt = control.fixedTimeStep ? control.maxDcOverC : std::min(control.maxDcOverC, 1.0);
    // the signal leaves the probe's place only when every species sediments (or floats)
    const bool sediment = rx.sA > 0.0 && rx.sB > 0.0 && rx.sAB > 0.0;
    const bool flotate = rx.sA < 0.0 && rx.sB < 0.0 && rx.sAB < 0.0;
    DepletionProbe probe(sediment ? 1.0 : flotate ? -1.0 : 0.0);
    StepUntilStopped([&] { return Step(); },
                     [&] { return std::isfinite(A[1]) && std::isfinite(B[At(n)]); }, out, clock,
                     probe, failure, true);
    std::copy(radii.begin() + 1, radii.end(), grid + 1);
    return failure.Result();
}

// Checked on the equilibrium of the loading, the conservation of total A and total B, and the
// law of mass action K = C / (A B) held at every node late in the run, in the solver tests.
LammResult RunReactingLamm(const CLammProblem& problem, const CReaction& reaction,
                           const CLammControl& control, CGridClock& clock, CLammSink& out,
                           std::vector<double>* freeA, std::vector<double>* freeB) {
    CReactingRun run{problem, reaction, control, clock, out};
    const LammResult result = run.Run();
    if (freeA)
        *freeA = run.A;
    if (freeB)
        *freeB = run.B;
    return result;
}
