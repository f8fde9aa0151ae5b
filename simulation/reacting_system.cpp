// Predictor-corrector Crank-Nicolson steps of the reacting system A + B <-> AB.
#include "simulation/reacting_system.h"

#include "lamm/hat_integrals.h"
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
    V W, Wo;              // M3 -+ h/2 G3 for the step length weightsStep
    V A, B, Ap, Bp, App, Bpp, oldA, oldB, ra, rb;
    V jac, piv; // 2 x 2 blocks: three per row of the Jacobian, one inverse pivot per row
    double dtPrev = 0.0, weightsStep = -1.0;

    std::size_t At(int i) const { return std::size_t(i); }
    void Assemble(double w2);
    void ProductWeights(double h);
    void Contract(const V& w, const V& P, int i, double out[3]) const;
    void OldSides(double h);
    bool NewtonPass(double h, double& change);
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

// The product integrals of the complex for a step of length h: W = M3 + h/2 G3 on the new
// level, Wo = M3 - h/2 G3 on the old; both symmetric in (j, k).
void ReactingRun::ProductWeights(double h) {
    if (h == weightsStep)
        return;
    weightsStep = h;
    for (std::size_t q = 0; q < M3.size(); ++q) {
        W[q] = M3[q] + 0.5 * h * G3[q];
        Wo[q] = M3[q] - 0.5 * h * G3[q];
    }
}

// Row i of the tridiagonal matrix sum over k of w(i, j, k) P_k, as diagonals d = j - i + 1.
void ReactingRun::Contract(const V& w, const V& P, int i, double out[3]) const {
    out[0] = out[1] = out[2] = 0.0;
    for (int p = 0; p < 7; ++p) {
        const int j = i + kPairs[p][0], k = i + kPairs[p][1];
        if (k < 1 || k > n || j < 1 || j > n)
            continue;
        out[kPairs[p][0] + 1] += w[std::size_t(7 * i + p)] * P[At(k)];
    }
}

// The old level's side of both species: (M - h/2 T_X) x_old + the complex of the old profiles.
void ReactingRun::OldSides(double h) {
    for (int i = 1; i <= n; ++i) {
        double wb[3];
        Contract(Wo, Bp, i, wb);
        double fa = 0.0, fb = 0.0, cx = 0.0;
        for (int d = 0; d < 3; ++d) {
            const int j = i + d - 1;
            if (j < 1 || j > n)
                continue;
            fa += (M[d][At(i)] - 0.5 * h * TA[d][At(i)]) * Ap[At(j)];
            fb += (M[d][At(i)] - 0.5 * h * TB[d][At(i)]) * Bp[At(j)];
            cx += wb[d] * Ap[At(j)];
        }
        oldA[At(i)] = fa + cx;
        oldB[At(i)] = fb + cx;
    }
}

// One Newton pass on both species at once: the residuals F_X = (M + h/2 T_X) X + C(A, B) - old
// side with the complex C_i = sum W(i, j, k) A_j B_k, and the coupled 2 x 2 block tridiagonal
// Jacobian [[L_A + W[B], W[A]], [W[B], L_B + W[A]]], solved by block elimination. Returns the
// largest change of A or B; false for a singular block.
bool ReactingRun::NewtonPass(double h, double& change) {
    for (int i = 1; i <= n; ++i) {
        double wa[3], wb[3];
        Contract(W, A, i, wa);
        Contract(W, B, i, wb);
        double fa = -oldA[At(i)], fb = -oldB[At(i)];
        for (int d = 0; d < 3; ++d) {
            const int j = i + d - 1;
            const bool inside = j >= 1 && j <= n;
            const double la = M[d][At(i)] + 0.5 * h * TA[d][At(i)];
            const double lb = M[d][At(i)] + 0.5 * h * TB[d][At(i)];
            if (inside) {
                const double cx = wb[d] * A[At(j)];
                fa += la * A[At(j)] + cx;
                fb += lb * B[At(j)] + cx;
            }
            double* blk = &jac[(std::size_t(i) * 3 + std::size_t(d)) * 4];
            blk[0] = inside ? la + wb[d] : 0.0;
            blk[1] = inside ? wa[d] : 0.0;
            blk[2] = inside ? wb[d] : 0.0;
            blk[3] = inside ? lb + wa[d] : 0.0;
        }
        ra[At(i)] = -fa;
        rb[At(i)] = -fb;
    }
    // Forward elimination: D'_i = D_i - L_i D'_(i-1)^-1 U_(i-1), with the right side alike.
    for (int i = 1; i <= n; ++i) {
        double* D = &jac[(std::size_t(i) * 3 + 1) * 4];
        if (i > 1) {
            const double* L = &jac[(std::size_t(i) * 3 + 0) * 4];
            const double* P = &piv[std::size_t(i - 1) * 4]; // inverse of the previous D'
            const double* U = &jac[(std::size_t(i - 1) * 3 + 2) * 4];
            // G = L P
            const double g0 = L[0] * P[0] + L[1] * P[2], g1 = L[0] * P[1] + L[1] * P[3];
            const double g2 = L[2] * P[0] + L[3] * P[2], g3 = L[2] * P[1] + L[3] * P[3];
            D[0] -= g0 * U[0] + g1 * U[2];
            D[1] -= g0 * U[1] + g1 * U[3];
            D[2] -= g2 * U[0] + g3 * U[2];
            D[3] -= g2 * U[1] + g3 * U[3];
            const double pa = ra[At(i - 1)], pb = rb[At(i - 1)];
            ra[At(i)] -= g0 * pa + g1 * pb;
            rb[At(i)] -= g2 * pa + g3 * pb;
        }
        const double det = D[0] * D[3] - D[1] * D[2];
        if (det == 0.0 || !std::isfinite(det))
            return false;
        double* P = &piv[std::size_t(i) * 4];
        P[0] = D[3] / det, P[1] = -D[1] / det, P[2] = -D[2] / det, P[3] = D[0] / det;
    }
    // Back substitution: x_i = D'_i^-1 (r'_i - U_i x_(i+1)).
    change = 0.0;
    double xa = 0.0, xb = 0.0;
    for (int i = n; i >= 1; --i) {
        double qa = ra[At(i)], qb = rb[At(i)];
        if (i < n) {
            const double* U = &jac[(std::size_t(i) * 3 + 2) * 4];
            qa -= U[0] * xa + U[1] * xb;
            qb -= U[2] * xa + U[3] * xb;
        }
        const double* P = &piv[std::size_t(i) * 4];
        xa = P[0] * qa + P[1] * qb;
        xb = P[2] * qa + P[3] * qb;
        A[At(i)] += xa;
        B[At(i)] += xb;
        change = std::max({change, std::fabs(xa), std::fabs(xb)});
    }
    return true;
}

// Both free species start from their extrapolation over the last step; Newton passes on the
// coupled equations follow until neither changes. Both equations then hold with the same
// complex, so total A and total B are both conserved. The solution is kept as it is: where a
// partner is depleted against the bottom a free concentration may dip below zero by a little,
// and raising it to zero (as once done) made material at every step, up to twice the loading.
bool ReactingRun::SolveStep(double h) {
    const double f = dtPrev != 0.0 ? h / dtPrev : 0.0;
    for (int i = 1; i <= n; ++i) {
        A[At(i)] = std::max(Ap[At(i)] + f * (Ap[At(i)] - App[At(i)]), 0.0);
        B[At(i)] = std::max(Bp[At(i)] + f * (Bp[At(i)] - Bpp[At(i)]), 0.0);
    }
    ProductWeights(h);
    OldSides(h);
    const double scale = std::max(rx.a0, rx.b0);
    for (int pass = 1;; ++pass) {
        if (pass > kMostReactionPasses) {
            LammGrid::discretizationError = 1;
            return false;
        }
        double change = 0.0;
        if (!NewtonPass(h, change)) {
            LammGrid::singularMatrix = 1;
            return false;
        }
        if (!std::isfinite(change)) {
            LammGrid::discretizationError = 1;
            return false;
        }
        if (pass > 1 && change <= 1e-10 * scale)
            break;
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
    for (V* v : {&M[0], &M[1], &M[2], &TA[0], &TA[1], &TA[2], &TB[0], &TB[1], &TB[2], &A, &B, &Ap,
                 &Bp, &App, &Bpp, &oldA, &oldB, &ra, &rb})
        v->assign(nodes, 0.0);
    for (V* v : {&M3, &G3, &W, &Wo})
        v->assign(7 * nodes, 0.0);
    jac.assign(12 * nodes, 0.0);
    piv.assign(4 * nodes, 0.0);
    weightsStep = -1.0;
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
