// Crank-Nicolson steps of the reacting system A + B <-> AB, solved by Newton passes on both free
// species at once.
#include "simulation/reacting_system.h"

#include "foundations/show_error.h"
#include "lamm/hat_integrals.h"
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

using V = std::vector<double>;

// The deviation of a step from the continuation of the last that the steps aim at, of the larger
// loading.
constexpr double kReactionStepAim = 0.9e-3;

// Steps shorter than this (s) resolve nothing a run needs: one planned or halved below it ends
// the run with the discretization error, where the steps would otherwise shrink without end
// while the time stands almost still.
constexpr double kShortestReactionStep = 1e-6;

// A Newton pass whose change e has K eA eB below this, of the larger loading, ends its step.
constexpr double kNewtonAlone = 1e-13;

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
    V LA[3], LB[3];       // M + h/2 T_X for the same step length
    V RA[3], RB[3];       // M - h/2 T_X, the same on the old level
    V A, B, Ap, Bp, App, Bpp, Appp, Bppp, Apppp, Bpppp, oldA, oldB, dA, dB;
    V eA, eB, complexOfChange; // the change since the last Newton pass and its complex
    // The kept elimination of the last Newton pass, 2 x 2 blocks row-major, 4 per row: the
    // inverse pivot P, the carry Q = P times the coupling toward row m (the meeting row), and the
    // link, the coupling to the row before in the elimination (the one away from m); row m has
    // two links, the second in meetLink.
    V piv, carry, link;
    double meetLink[4] = {};
    double dtPrev = 0.0, dtPrev2 = 0.0, dtPrev3 = 0.0, weightsStep = -1.0;
    double changeA = 0.0, changeB = 0.0;
    int shortenings = 0; // steps shortened in a row because their passes did not converge
    int singularRow = 0; // the row whose block the last Newton pass could not invert
    CGridRunFailure failure;

    std::size_t At(int i) const { return std::size_t(i); }
    void Assemble(double w2);
    void ProductWeights(double h);
    void Contract(const V& w, const V& P, int i, double out[3]) const;
    void ContractInterior(const V& w, const V& P, int i, double out[3]) const;
    struct Row {
        double lo[4], diag[4], up[4]; // Jacobian blocks toward i - 1, i, i + 1
        double ra, rb;                // minus the residuals
    };
    template <bool Interior> void AssembleRow(int i, bool withOld, Row& row);
    void AssembleAnyRow(int i, bool withOld, Row& row);
    bool NewtonPass(bool withOld, double& change);
    int Meeting() const { return (n + 1) / 2; }
    double ChordPass(bool afterNewton);
    double BackSubstitute(bool chord);
    enum class Solved { Yes, NotConverged, Failed };
    void Extrapolation(double h, double c[3]) const;
    Solved SolveStep(double h);
    bool SolveShortening(double& h);
    struct Measures {
        double deviation, change;
    };
    template <bool WithDeviation> Measures Measure(double h) const;
    double StepFactor(double d) const;
    void Advance();
    double Step();
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
// level, Wo = M3 - h/2 G3 on the old, both symmetric in (j, k); and the free species' new level
// M + h/2 T_X.
void ReactingRun::ProductWeights(double h) {
    if (h == weightsStep)
        return;
    weightsStep = h;
    for (std::size_t q = 0; q < M3.size(); ++q) {
        W[q] = M3[q] + 0.5 * h * G3[q];
        Wo[q] = M3[q] - 0.5 * h * G3[q];
    }
    for (int d = 0; d < 3; ++d)
        for (int i = 1; i <= n; ++i) {
            LA[d][At(i)] = M[d][At(i)] + 0.5 * h * TA[d][At(i)];
            LB[d][At(i)] = M[d][At(i)] + 0.5 * h * TB[d][At(i)];
            RA[d][At(i)] = 2.0 * M[d][At(i)] - LA[d][At(i)];
            RB[d][At(i)] = 2.0 * M[d][At(i)] - LB[d][At(i)];
        }
    // the pairs outside the grid take no part
    for (V* v : {&LA[0], &LB[0], &RA[0], &RB[0]})
        (*v)[1] = 0.0;
    for (V* v : {&LA[2], &LB[2], &RA[2], &RB[2]})
        (*v)[At(n)] = 0.0;
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

// The same for a row 2..n-1, where all seven pairs lie on the grid.
void ReactingRun::ContractInterior(const V& w, const V& P, int i, double out[3]) const {
    const double* q = &w[std::size_t(7 * i)];
    const double *pm = &P[At(i - 1)], *p0 = pm + 1, *pp = pm + 2;
    out[0] = q[0] * *pm + q[1] * *p0;
    out[1] = q[2] * *pm + q[3] * *p0 + q[4] * *pp;
    out[2] = q[5] * *p0 + q[6] * *pp;
}

// d -= g u for 2 x 2 blocks, row-major.
void SubtractProduct(const double* g, const double* u, double* d) {
    d[0] -= g[0] * u[0] + g[1] * u[2];
    d[1] -= g[0] * u[1] + g[1] * u[3];
    d[2] -= g[2] * u[0] + g[3] * u[2];
    d[3] -= g[2] * u[1] + g[3] * u[3];
}

// p = d^-1, y = d^-1 (ra, rb) and, with u given, q = d^-1 u. q and y are formed from the adjugate
// of d beside the determinant, so the chains from one row to the next have one product after the
// division.
bool InverseAndCarry(const double* d, const double* u, double ra, double rb, double* p, double* q,
                     double& ya, double& yb) {
    const double det = d[0] * d[3] - d[1] * d[2];
    if (det == 0.0 || !std::isfinite(det))
        return false;
    const double inv = 1.0 / det;
    const double y0 = d[3] * ra - d[1] * rb, y1 = d[0] * rb - d[2] * ra;
    ya = y0 * inv, yb = y1 * inv;
    if (u) {
        const double q0 = d[3] * u[0] - d[1] * u[2], q1 = d[3] * u[1] - d[1] * u[3];
        const double q2 = d[0] * u[2] - d[2] * u[0], q3 = d[0] * u[3] - d[2] * u[1];
        q[0] = q0 * inv, q[1] = q1 * inv, q[2] = q2 * inv, q[3] = q3 * inv;
    }
    p[0] = d[3] * inv, p[1] = -d[1] * inv, p[2] = -d[2] * inv, p[3] = d[0] * inv;
    return true;
}

// Row i of one Newton pass on both species at once: the residuals F_X = (M + h/2 T_X) X +
// C(A, B) - old side with the complex C_i = sum W(i, j, k) A_j B_k, and the row's blocks of the
// coupled Jacobian [[L_A + W[B], W[A]], [W[B], L_B + W[A]]]. withOld first forms the row's old
// side, (M - h/2 T_X) x_old + the complex of the old profiles.
// Inlined into the Newton pass: as a call it had every live register of both elimination chains
// stored and loaded again around each row.
template <bool Interior>
[[gnu::always_inline]] inline void ReactingRun::AssembleRow(int i, bool withOld, Row& row) {
    const auto contract = [this, i](const V& w, const V& P, double out[3]) {
        if constexpr (Interior)
            ContractInterior(w, P, i, out);
        else
            Contract(w, P, i, out);
    };
    const auto onGrid = [this](int j) { return Interior || (j >= 1 && j <= n); };
    if (withOld) {
        double wb[3];
        contract(Wo, Bp, wb);
        double fa = 0.0, fb = 0.0, cx = 0.0;
        for (int d = 0; d < 3; ++d) {
            const int j = i + d - 1;
            if (!onGrid(j))
                continue;
            fa += RA[d][At(i)] * Ap[At(j)];
            fb += RB[d][At(i)] * Bp[At(j)];
            cx += wb[d] * Ap[At(j)];
        }
        oldA[At(i)] = fa + cx;
        oldB[At(i)] = fb + cx;
    }
    double wa[3], wb[3];
    contract(W, A, wa);
    contract(W, B, wb);
    double fa = -oldA[At(i)], fb = -oldB[At(i)];
    double* blocks[3] = {row.lo, row.diag, row.up};
    for (int d = 0; d < 3; ++d) {
        double* blk = blocks[d];
        const int j = i + d - 1;
        if (!onGrid(j)) {
            blk[0] = blk[1] = blk[2] = blk[3] = 0.0;
            continue;
        }
        const double la = LA[d][At(i)], lb = LB[d][At(i)];
        const double cx = wb[d] * A[At(j)];
        fa += la * A[At(j)] + cx;
        fb += lb * B[At(j)] + cx;
        blk[0] = la + wb[d];
        blk[1] = wa[d];
        blk[2] = wb[d];
        blk[3] = lb + wa[d];
    }
    row.ra = -fa;
    row.rb = -fb;
}

[[gnu::always_inline]] inline void ReactingRun::AssembleAnyRow(int i, bool withOld, Row& row) {
    if (i > 1 && i < n)
        AssembleRow<true>(i, withOld, row);
    else
        AssembleRow<false>(i, withOld, row);
}

// One Newton pass: each row is assembled as the block elimination reaches it, from both ends at
// once, the two chains side by side, meeting at row m. Above m, D'_i = D_i - L_i Q_(i-1) and
// r'_i = r_i - L_i y_(i-1), y_i = D'_i^-1 r'_i, Q_i = D'_i^-1 U_i; below m the same with the roles
// of L and U exchanged; row m takes both neighbours. The pivots, carries and links are kept for
// the chord passes. The changes stay in dA and dB; returns the largest in change;
// false for a singular block.
bool ReactingRun::NewtonPass(bool withOld, double& change) {
    const int m = Meeting();
    double* ya = dA.data();
    double* yb = dB.data();
    Row row;
    // the last carry and solution of each chain, kept at hand for its next row
    struct Chain {
        double q[4], y[2];
    } top{}, bottom{};
    // one row of a chain: toward is the coupling on the side of m, away the one already
    // eliminated into the chain's last carry (none for the chain's first row)
    const auto eliminate = [&](int i, bool first, const double* away, const double* toward,
                               Chain& chain) {
        double ra = row.ra, rb = row.rb;
        double* lk = &link[std::size_t(i) * 4];
        if (!first) {
            SubtractProduct(away, chain.q, row.diag);
            ra -= away[0] * chain.y[0] + away[1] * chain.y[1];
            rb -= away[2] * chain.y[0] + away[3] * chain.y[1];
        }
        lk[0] = away[0], lk[1] = away[1], lk[2] = away[2], lk[3] = away[3];
        if (!InverseAndCarry(row.diag, toward, ra, rb, &piv[std::size_t(i) * 4], chain.q,
                             chain.y[0], chain.y[1])) {
            singularRow = i;
            return false;
        }
        std::copy(chain.q, chain.q + 4, &carry[std::size_t(i) * 4]);
        ya[i] = chain.y[0], yb[i] = chain.y[1];
        return true;
    };
    for (int i = 1, j = n; i < m || j > m; ++i, --j) {
        if (i < m) {
            AssembleAnyRow(i, withOld, row);
            if (!eliminate(i, i == 1, row.lo, row.up, top))
                return false;
        }
        if (j > m) {
            AssembleAnyRow(j, withOld, row);
            if (!eliminate(j, j == n, row.up, row.lo, bottom))
                return false;
        }
    }
    AssembleAnyRow(m, withOld, row);
    std::copy(row.up, row.up + 4, meetLink);
    SubtractProduct(row.up, bottom.q, row.diag);
    row.ra -= row.up[0] * bottom.y[0] + row.up[1] * bottom.y[1];
    row.rb -= row.up[2] * bottom.y[0] + row.up[3] * bottom.y[1];
    if (!eliminate(m, false, row.lo, nullptr, top))
        return false;
    change = BackSubstitute(false);
    return true;
}

// Substitution outward from row m: above it x_i = y_i - Q_i x_(i+1), below it
// x_j = y_j - Q_j x_(j-1), x in place of y in dA and dB. Adds x to A and B and to the change
// since the Newton pass after a chord pass (after a Newton pass, x is that change and stays in dA
// and dB) and returns its largest value.
double ReactingRun::BackSubstitute(bool chord) {
    const int m = Meeting();
    double* xa = dA.data();
    double* xb = dB.data();
    double* a = A.data();
    double* b = B.data();
    double* ea = eA.data();
    double* eb = eB.data();
    // one largest change for each chain and species, so that no chain waits for another
    double change[4] = {};
    // x of the row each chain solved last, kept at hand for its next row; both start at row m
    double up[2] = {xa[m], xb[m]}, down[2] = {up[0], up[1]};
    const auto solve = [&](int i, double* x) {
        const double* Q = &carry[std::size_t(i) * 4];
        const double na = x[0], nb = x[1];
        x[0] = xa[i] - (Q[0] * na + Q[1] * nb);
        x[1] = xb[i] - (Q[2] * na + Q[3] * nb);
        xa[i] = x[0], xb[i] = x[1];
    };
    const auto add = [&](int i, const double* x, double* largest) {
        a[i] += x[0];
        b[i] += x[1];
        if (chord) {
            ea[i] += x[0];
            eb[i] += x[1];
        }
        largest[0] = std::max(largest[0], std::fabs(x[0]));
        largest[1] = std::max(largest[1], std::fabs(x[1]));
    };
    add(m, up, change);
    for (int i = m - 1, j = m + 1; i >= 1 || j <= n; --i, ++j) {
        if (i >= 1) {
            solve(i, up);
            add(i, up, change);
        }
        if (j <= n) {
            solve(j, down);
            add(j, down, change + 2);
        }
    }
    changeA = std::max(change[0], change[2]);
    changeB = std::max(change[1], change[3]);
    return std::max(changeA, changeB);
}

// The complex is bilinear in A and B, so with e the change since the last Newton pass both
// residuals are exactly C(e) - C(e') = sum W(i, j, k) (e_Aj e_Bk - e'_Aj e'_Bk), e' the change
// before the last correction (C(e') = 0 right after the Newton pass): the next correction solves
// that with the kept elimination of the pass, at a fraction of a pass's cost, and converges by
// about the relative size of e per pass. Returns its largest change.
double ReactingRun::ChordPass(bool afterNewton) {
    if (afterNewton)
        eA.swap(dA), eB.swap(dB);
    const int m = Meeting();
    double* ya = dA.data();
    double* yb = dB.data();
    const auto residual = [this, afterNewton](int i) {
        double w[3];
        if (i > 1 && i < n)
            ContractInterior(W, eB, i, w);
        else
            Contract(W, eB, i, w);
        double complex = 0.0;
        for (int d = 0; d < 3; ++d) {
            const int j = i + d - 1;
            if (j >= 1 && j <= n)
                complex += w[d] * eA[At(j)];
        }
        const double r = (afterNewton ? 0.0 : complexOfChange[At(i)]) - complex;
        complexOfChange[At(i)] = complex;
        return r;
    };
    // y of the row each chain eliminated last, kept at hand for its next row
    double top[2] = {}, bottom[2] = {};
    const auto eliminate = [&](int i, bool first, const double* away, double r, double* y) {
        double ra = r, rb = r;
        if (!first) {
            ra -= away[0] * y[0] + away[1] * y[1];
            rb -= away[2] * y[0] + away[3] * y[1];
        }
        const double* P = &piv[std::size_t(i) * 4];
        y[0] = P[0] * ra + P[1] * rb;
        y[1] = P[2] * ra + P[3] * rb;
        ya[i] = y[0], yb[i] = y[1];
    };
    for (int i = 1, j = n; i < m || j > m; ++i, --j) {
        if (i < m)
            eliminate(i, i == 1, &link[std::size_t(i) * 4], residual(i), top);
        if (j > m)
            eliminate(j, j == n, &link[std::size_t(j) * 4], residual(j), bottom);
    }
    // row m takes the rows on both sides
    const double r = residual(m);
    const double* lo = &link[std::size_t(m) * 4];
    const double am = ya[m - 1], bm = yb[m - 1], ap = ya[m + 1], bp = yb[m + 1];
    const double ra = r - (lo[0] * am + lo[1] * bm) - (meetLink[0] * ap + meetLink[1] * bp);
    const double rb = r - (lo[2] * am + lo[3] * bm) - (meetLink[2] * ap + meetLink[3] * bp);
    const double* P = &piv[std::size_t(m) * 4];
    ya[m] = P[0] * ra + P[1] * rb;
    yb[m] = P[2] * ra + P[3] * rb;
    return BackSubstitute(true);
}

// The polynomial through the last four levels (as many as there are) taken on by h, in Newton's
// form on the divided differences of the levels: x_n + c0 (x_n - x_n-1) + c1 (x_n-1 - x_n-2) +
// c2 (x_n-2 - x_n-3).
void ReactingRun::Extrapolation(double h, double c[3]) const {
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
ReactingRun::Solved ReactingRun::SolveStep(double h) {
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
bool ReactingRun::SolveShortening(double& h) {
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
template <bool WithDeviation> ReactingRun::Measures ReactingRun::Measure(double h) const {
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

void ReactingRun::Advance() {
    dtPrev3 = dtPrev2;
    dtPrev2 = dtPrev;
    dtPrev = LammGrid::dt;
    ++LammGrid::stepCount;
    LammGrid::time += LammGrid::dt;
    Signal();
}

// The factor on the step that brings the deviation d to the aim: d grows with the square of the
// step; at most doubled, at least a fifth.
double ReactingRun::StepFactor(double d) const {
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
double ReactingRun::Step() {
    double& dt = LammGrid::dt;
    const double cap = control.maxDcOverC;
    if (control.fixedTimeStep)
        dt = cap;
    const double wanted = dt;
    const bool cut = CutStepAtTarget();
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
    const bool first = LammGrid::stepCount == 0;
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
        LammGrid::endTimePending = 1;
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
void ReactingRun::Signal() {
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

LammResult ReactingRun::Run() {
    if (const auto early = StartGridRun(problem.rotor))
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
    LammGrid::stepCount = 0;
    LammGrid::dt = control.fixedTimeStep ? control.maxDcOverC : std::min(control.maxDcOverC, 1.0);
    // the signal leaves the probe's place only when every species sediments (or floats)
    const bool sediment = rx.sA > 0.0 && rx.sB > 0.0 && rx.sAB > 0.0;
    const bool flotate = rx.sA < 0.0 && rx.sB < 0.0 && rx.sAB < 0.0;
    const DepletionProbe probe(sediment ? 1.0 : flotate ? -1.0 : 0.0);
    StepUntilStopped([&] { return Step(); },
                     [&] { return std::isfinite(A[1]) && std::isfinite(B[At(n)]); }, out, probe,
                     failure, true);
    std::copy(radii.begin() + 1, radii.end(), grid + 1);
    return failure.Result();
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
