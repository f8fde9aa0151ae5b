// The integrals of the reacting system on its grid and the passes that solve a step: Newton
// passes on the coupled equations of both free species, by a block elimination from both ends,
// and the chord passes on the elimination they keep.
#include "lamm/hat_integrals.h"
#include "simulation/reacting_run.h"

#include <algorithm>
#include <cmath>

namespace {

// (j, k) of the seven product integrals of row i as offsets from i.
constexpr int kPairs[7][2] = {{-1, -1}, {-1, 0}, {0, -1}, {0, 0}, {0, 1}, {1, 0}, {1, 1}};

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

} // namespace

void CReactingRun::Assemble(double w2) {
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
void CReactingRun::ProductWeights(double h) {
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
void CReactingRun::Contract(const V& w, const V& P, int i, double out[3]) const {
    out[0] = out[1] = out[2] = 0.0;
    for (int p = 0; p < 7; ++p) {
        const int j = i + kPairs[p][0], k = i + kPairs[p][1];
        if (k < 1 || k > n || j < 1 || j > n)
            continue;
        out[kPairs[p][0] + 1] += w[std::size_t(7 * i + p)] * P[At(k)];
    }
}

// The same for a row 2..n-1, where all seven pairs lie on the grid.
// Inlined into the passes, which call it for every row.
[[gnu::always_inline]] inline void CReactingRun::ContractInterior(const V& w, const V& P, int i,
                                                                  double out[3]) const {
    const double* q = &w[std::size_t(7 * i)];
    const double *pm = &P[At(i - 1)], *p0 = pm + 1, *pp = pm + 2;
    out[0] = q[0] * *pm + q[1] * *p0;
    out[1] = q[2] * *pm + q[3] * *p0 + q[4] * *pp;
    out[2] = q[5] * *p0 + q[6] * *pp;
}

// Row i of one Newton pass on both species at once: the residuals F_X = (M + h/2 T_X) X +
// C(A, B) - old side with the complex C_i = sum W(i, j, k) A_j B_k, and the row's blocks of the
// coupled Jacobian [[L_A + W[B], W[A]], [W[B], L_B + W[A]]]. withOld first forms the row's old
// side, (M - h/2 T_X) x_old + the complex of the old profiles.
// Inlined into the Newton pass: as a call it had every live register of both elimination chains
// stored and loaded again around each row.
template <bool Interior>
[[gnu::always_inline]] inline void CReactingRun::AssembleRow(int i, bool withOld, Row& row) {
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

[[gnu::always_inline]] inline void CReactingRun::AssembleAnyRow(int i, bool withOld, Row& row) {
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
bool CReactingRun::NewtonPass(bool withOld, double& change) {
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
double CReactingRun::BackSubstitute(bool chord) {
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
double CReactingRun::ChordPass(bool afterNewton) {
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
