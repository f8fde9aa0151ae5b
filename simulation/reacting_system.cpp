// Predictor-corrector Crank-Nicolson steps of the reacting system A + B <-> AB.
#include "simulation/reacting_system.h"

#include "lamm/hat_integrals.h"
#include "lamm/tridiagonal.h"
#include "simulation/run_end_tests.h"
#include "simulation/speed_and_equilibrium.h"
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

using V = std::vector<double>;

// (j, k) of the seven product integrals of row i as offsets from i.
constexpr int kPairs[7][2] = {{-1, -1}, {-1, 0}, {0, -1}, {0, 0}, {0, 1}, {1, 0}, {1, 1}};

struct ReactingRun {
    const CLammProblem& problem;
    const CReaction& rx;
    const CLammControl& control;
    CLammSink& out;

    int n = 0;
    V r;                  // radii 1..n
    V M[3], TA[3], TB[3]; // pair matrices, diagonal d = j - i + 1
    V M3, G3;             // 7 per row, index 7 i + p
    V A, B, Ap, Bp, App, Bpp, As, Bs, la, lb, lc, y, gam;
    double dtPrev = 0.0;

    std::size_t At(int i) const { return std::size_t(i); }
    void Assemble(double w2);
    bool SolveFree(const V* T, const V& partnerNew, const V& partnerOld, const V& xOld, double h,
                   V& x);
    bool SolveStep(double h);
    void Signal();
    LammResult Run();
};

void ReactingRun::Assemble(double w2) {
    const double* g = r.data();
    for (int i = 1; i <= n; ++i) {
        for (int d = 0; d < 3; ++d) {
            const int j = i + d - 1;
            const double mass = HatMass(g, n, i, j), stiff = HatStiffness(g, n, i, j);
            const double sed = HatSedimentation(g, n, i, j);
            M[d][At(i)] = mass;
            TA[d][At(i)] = rx.dA * stiff - w2 * rx.sA * sed;
            TB[d][At(i)] = rx.dB * stiff - w2 * rx.sB * sed;
        }
        for (int p = 0; p < 7; ++p) {
            const int j = i + kPairs[p][0], k = i + kPairs[p][1];
            const std::size_t q = std::size_t(7 * i + p);
            M3[q] = rx.K * HatMassTriple(g, n, i, j, k);
            G3[q] =
                rx.K *
                (rx.dAB * (HatDiffusionTriple(g, n, i, j, k) + HatDiffusionTriple(g, n, i, k, j)) -
                 w2 * rx.sAB * HatSedimentationTriple(g, n, i, j, k));
        }
    }
}

// One free species over the step with its partner given at both ends: with Q[P] = M + M3 P and
// R[P] = T + G3 P, (Q[P_new] + h/2 R[P_new]) x = (Q[P_old] - h/2 R[P_old]) x_old, the
// Crank-Nicolson step of the species' total (free plus complex) for that partner.
bool ReactingRun::SolveFree(const V* T, const V& partnerNew, const V& partnerOld, const V& xOld,
                            double h, V& x) {
    for (int i = 1; i <= n; ++i) {
        double qn[3], rn[3], qo[3], ro[3];
        for (int d = 0; d < 3; ++d) {
            qn[d] = qo[d] = M[d][At(i)];
            rn[d] = ro[d] = T[d][At(i)];
        }
        for (int p = 0; p < 7; ++p) {
            const int d = kPairs[p][0] + 1, j = i + kPairs[p][0], k = i + kPairs[p][1];
            if (k < 1 || k > n || j < 1 || j > n)
                continue;
            const std::size_t s = std::size_t(7 * i + p);
            qn[d] += M3[s] * partnerNew[At(k)];
            rn[d] += G3[s] * partnerNew[At(k)];
            qo[d] += M3[s] * partnerOld[At(k)];
            ro[d] += G3[s] * partnerOld[At(k)];
        }
        double rhs = 0.0;
        for (int d = 0; d < 3; ++d) {
            const int j = i + d - 1;
            if (j >= 1 && j <= n)
                rhs += (qo[d] - 0.5 * h * ro[d]) * xOld[At(j)];
        }
        y[At(i)] = rhs;
        la[At(i)] = i > 1 ? qn[0] + 0.5 * h * rn[0] : 0.0;
        lb[At(i)] = qn[1] + 0.5 * h * rn[1];
        lc[At(i)] = i < n ? qn[2] + 0.5 * h * rn[2] : 0.0;
    }
    if (ThomasSolve(la.data(), lb.data(), lc.data(), y.data(), x.data(), gam.data(), 1, n) ==
        kTridiagOk)
        return true;
    LammGrid::singularMatrix = 1;
    return false;
}

// The predictor takes the partner extrapolated from the last step; each corrector pass solves A
// with the latest B and B with the new A, until neither changes. Both equations then hold with
// the same complex, so total A and total B are both conserved.
bool ReactingRun::SolveStep(double h) {
    for (int i = 1; i <= n; ++i) {
        const double f = dtPrev != 0.0 ? h / dtPrev : 0.0;
        Bs[At(i)] = std::max(Bp[At(i)] + f * (Bp[At(i)] - Bpp[At(i)]), 0.0);
    }
    const double scale = std::max(rx.a0, rx.b0);
    for (int pass = 1;; ++pass) {
        if (pass > kMostReactionPasses) {
            LammGrid::discretizationError = 1;
            return false;
        }
        As = A;
        if (!SolveFree(TA, Bs, Bp, Ap, h, A))
            return false;
        if (!SolveFree(TB, A, Ap, Bp, h, B))
            return false;
        double change = 0.0;
        for (int i = 1; i <= n; ++i)
            change = std::max(
                {change, std::fabs(A[At(i)] - As[At(i)]), std::fabs(B[At(i)] - Bs[At(i)])});
        Bs = B;
        if (!std::isfinite(change)) {
            LammGrid::discretizationError = 1;
            return false;
        }
        if (pass > 1 && change <= 1e-10 * scale)
            break;
    }
    for (int i = 1; i <= n; ++i) {
        A[At(i)] = std::max(A[At(i)], 0.0);
        B[At(i)] = std::max(B[At(i)], 0.0);
    }
    return true;
}

void ReactingRun::Signal() {
    double* c = LammGrid::concentration;
    for (int i = 1; i <= n; ++i)
        c[i] = rx.eA * A[At(i)] + rx.eB * B[At(i)] + (rx.eA + rx.eB) * rx.K * A[At(i)] * B[At(i)];
}

LammResult ReactingRun::Run() {
    StartRotorSchedule(problem.rotor);
    if (!LammGrid::arraysAllocated)
        return kLammNoArrays;
    if (!AScanAwaitsTheProfile())
        return kLammSolved;
    n = LammGrid::allocatedGridSize;
    const double m = problem.meniscusCm, b = problem.bottomCm;
    if (n < 3 || !(b > m) || !(m > 0.0) || !(control.maxDcOverC > 0.0)) {
        LammGrid::discretizationError = 1;
        return kLammDiscretizationError;
    }
    const std::size_t nodes = std::size_t(n) + 1;
    r.assign(nodes, 0.0);
    r[1] = m, r[At(n)] = b;
    for (int i = 2; i < n; ++i)
        r[At(i)] = m * std::pow(b / m, (i - 1.5) / (n - 1));
    for (V* v : {&M[0], &M[1], &M[2], &TA[0], &TA[1], &TA[2], &TB[0], &TB[1], &TB[2], &A, &B,
                 &Ap,   &Bp,   &App,  &Bpp,   &As,    &Bs,    &la,    &lb,    &lc,    &y, &gam})
        v->assign(nodes, 0.0);
    M3.assign(7 * nodes, 0.0);
    G3.assign(7 * nodes, 0.0);
    const double x = EquilibriumComplex(rx.K, rx.a0, rx.b0);
    for (int i = 1; i <= n; ++i) {
        A[At(i)] = Ap[At(i)] = App[At(i)] = rx.a0 - x;
        B[At(i)] = Bp[At(i)] = Bpp[At(i)] = rx.b0 - x;
    }
    double* grid = LammGrid::radius;
    const V radii(grid, grid + nodes);
    std::copy(r.begin() + 1, r.end(), grid + 1);
    Signal();
    const double omega = LammGrid::rotorSpeed * 2.0 * std::numbers::pi / 60.0;
    Assemble(omega * omega * 1e-13);
    dtPrev = 0.0;
    LammGrid::singularMatrix = LammGrid::discretizationError = 0;
    LammGrid::stepCount = 0;
    const double h0 = control.maxDcOverC;
    EquilibriumCounter equilibrium;
    bool atEquilibrium = false;
    while (LammGrid::running && !LammGrid::singularMatrix && !LammGrid::discretizationError) {
        double& dt = LammGrid::dt;
        dt = h0;
        App = Ap, Bpp = Bp, Ap = A, Bp = B;
        if (LammGrid::endTimePending && LammGrid::time + dt > LammGrid::endTime) {
            LammGrid::endTimePending = 0;
            dt = LammGrid::endTime - LammGrid::time;
        }
        double change = 1.0;
        const double length = dt;
        if (dt <= 0.0) {
            dt = 1.0;
        } else if (SolveStep(dt)) {
            dtPrev = dt;
            change = LammGrid::stepCount == 0 ? dt : 1.0;
            ++LammGrid::stepCount;
            LammGrid::time += dt;
            Signal();
        } else {
            A = Ap, B = Bp;
            break;
        }
        if (LammGrid::time > kLastSimulatedTime)
            LammGrid::running = 0;
        out.Step(change);
        if (length > 0.0 && equilibrium.Count(length, change / length)) {
            LammGrid::equilibriumReached = 1;
            LammGrid::running = 0;
            atEquilibrium = true;
        }
    }
    if (atEquilibrium)
        out.Remaining(false);
    std::copy(radii.begin() + 1, radii.end(), grid + 1);
    return GridRunResult();
}

} // namespace

// Checked on the equilibrium of the loading, the conservation of total A and total B, and the
// law of mass action K = C / (A B) held at every node late in the run, in the solver tests.
LammResult RunReactingLamm(const CLammProblem& problem, const CReaction& reaction,
                           const CLammControl& control, CLammSink& out, std::vector<double>* freeA,
                           std::vector<double>* freeB) {
    ReactingRun run{problem, reaction, control, out};
    const LammResult result = run.Run();
    if (freeA)
        *freeA = run.A;
    if (freeB)
        *freeB = run.B;
    return result;
}
