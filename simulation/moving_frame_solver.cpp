// Concentration-dependent s and D on the moving grid: hat functions that travel outward with a
// frame of constant s, Crank-Nicolson steps with a predictor and a corrector for the
// coefficients, and a shift of the profile by one node at the end of every grid period.
#include "simulation/moving_frame_solver.h"

#include "foundations/show_error.h"
#include "foundations/vector_unit.h"
#include "lamm/lamm_moving_hat_ends.h"
#include "lamm/tridiagonal.h"
#include "simulation/grid_element_integrals.h"
#include "simulation/run_end_tests.h"
#include "simulation/speed_and_equilibrium.h"
#include "simulation/step_cuts.h"
#include "state/lamm_grid.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <tuple>
#include <vector>

namespace {

using V = std::vector<double>;

constexpr double kSectorFactor = 1.2 * 0.0349065850398866;

// (j, k) of the seven triple integrals of row i as offsets from i: j the trial node, k the node
// whose hat carries the coefficient.
constexpr int kPairs[7][2] = {{-1, -1}, {0, -1}, {-1, 0}, {0, 0}, {1, 0}, {0, 1}, {1, 1}};

// The integrals of one row on the reference grid for one placement of the end radii: mass M
// against the neighbours i-1, i, i+1; G = 2 k M - k F + R, the part of the operator that does not
// depend on s and D (F the frame integral hat_i hat_j' v r, R the rate of M while the ends move);
// and the seven sedimentation (without omega^2 1e-13) and diffusion triple integrals.
struct RowIntegrals {
    double M[3] = {}, G[3] = {}, TS[7] = {}, TD[7] = {};
};

// The interior rows 3 to n-2 join nodes of the geometric part of the reference grid, so each of
// their integrals is one row's scaled by a power of the radius: the mass, frame and sedimentation
// integrals by x_i^2, the diffusion integrals not at all. One row divided by its x^2 and the
// squares of the radii stand for them all (the formulas of each row agree with the scaled row to
// their own rounding, some 1e-12), and a step's assembly reads the coefficients and the profile
// alone instead of twenty arrays of integrals.
struct InteriorRows {
    RowIntegrals unit; // M, G and TS over x^2; TD as they are
    V r2;              // x_i^2
};

// What the assembly of the interior rows reads and writes: the new level's matrix and, in place
// of the old level's, its product with the old profile c0. The constants of the step: the old
// level's row is r2 (oldBase + hw sed) - hs dif, the new level's r2 (newBase - ghw sed) + ghe dif,
// sed and dif the sums of the coefficients with the unit row's integrals.
struct InteriorStep {
    const double* r2;
    const double *s, *D, *c0;
    double *La, *Lb, *Lc, *rhs;
    double TS[7], TD[7];
    double oldBase[3], newBase[3];
    double hw, hs, ghw, ghe;
};

// Rows 4 to n-3: the integrals are the same at both ends of the step, so the sums of the
// coefficients serve both levels; the old level's row goes straight into the right side, as
// TridiagProduct would form it.
[[gnu::always_inline]] inline void AssembleInterior(const InteriorStep& a, int n) {
    const double* r2 = a.r2;
    const double* s = a.s;
    const double* D = a.D;
    const double* c0 = a.c0;
    double* La = a.La;
    double* Lb = a.Lb;
    double* Lc = a.Lc;
    double* rhs = a.rhs;
    const double S0 = a.TS[0], S1 = a.TS[1], S2 = a.TS[2], S3 = a.TS[3], S4 = a.TS[4], S5 = a.TS[5],
                 S6 = a.TS[6];
    const double T0 = a.TD[0], T1 = a.TD[1], T2 = a.TD[2], T3 = a.TD[3], T4 = a.TD[4], T5 = a.TD[5],
                 T6 = a.TD[6];
    const double O0 = a.oldBase[0], O1 = a.oldBase[1], O2 = a.oldBase[2];
    const double N0 = a.newBase[0], N1 = a.newBase[1], N2 = a.newBase[2];
    const double hw = a.hw, hs = a.hs, ghw = a.ghw, ghe = a.ghe;
    // the rows written are the matrices', never the coefficients or the profile read
#pragma GCC ivdep
    for (int i = 4; i <= n - 3; ++i) {
        // the pairs (j, k) of kPairs in their order
        const double sed0 = s[i - 1] * S0 + s[i] * S2;
        const double sed1 = s[i - 1] * S1 + s[i] * S3 + s[i + 1] * S5;
        const double sed2 = s[i] * S4 + s[i + 1] * S6;
        const double dif0 = D[i - 1] * T0 + D[i] * T2;
        const double dif1 = D[i - 1] * T1 + D[i] * T3 + D[i + 1] * T5;
        const double dif2 = D[i] * T4 + D[i + 1] * T6;
        const double z = r2[i];
        const double Ra = z * (O0 + hw * sed0) - hs * dif0;
        const double Rb = z * (O1 + hw * sed1) - hs * dif1;
        const double Rc = z * (O2 + hw * sed2) - hs * dif2;
        rhs[i] = Ra * c0[i - 1] + Rb * c0[i] + Rc * c0[i + 1];
        La[i] = z * (N0 - ghw * sed0) + ghe * dif0;
        Lb[i] = z * (N1 - ghw * sed1) + ghe * dif1;
        Lc[i] = z * (N2 - ghw * sed2) + ghe * dif2;
    }
}

// AssembleInterior for AVX-512, AVX2 and any x86-64, chosen at run time. None of them fuses a
// multiply and an add (contraction is switched off where AVX-512 has the instructions): all
// give the same bits.
[[gnu::target("avx512f,avx512dq,avx512vl"), gnu::optimize("fp-contract=off")]] void
AssembleInteriorAvx512(const InteriorStep& a, int n) {
    AssembleInterior(a, n);
}

[[gnu::target("avx2")]] void AssembleInteriorAvx2(const InteriorStep& a, int n) {
    AssembleInterior(a, n);
}

void AssembleInteriorPlain(const InteriorStep& a, int n) {
    AssembleInterior(a, n);
}

double* X() {
    return LammGrid::movingRadius;
}
double* C() {
    return LammGrid::concentration;
}

struct FrameRun {
    const CLammProblem& problem;
    const CLammControl& control;
    CGridClock& clock;
    CLammSink& out;
    CoefficientRule rule;

    int n = 0;
    double m = 0.0, b = 0.0;
    double sGrid = 0.0, k = 0.0, w2 = 0.0;
    double t0 = 0.0, period = 0.0, dtFixed = 0.0;
    bool nonDiffusing = false;
    InteriorRows rows;                     // the interior rows; they hold at every time
    RowIntegrals atStart[4], atEnd[4];     // rows 1, 2, n-1, n at the step's start and end
    RowIntegrals nearStart[2], nearEnd[2]; // rows 3 and n-2 beside them
    double massBeside[2] = {};             // the mass integrals of nodes 2, 3 and n-1, n-2
    // The end rows depend on the time into the period alone, and most steps start and end at
    // the same two times (steps of a whole period begin at 0 and end at the period): the last
    // two placements are kept.
    struct EndRowsAt {
        double tau = -1.0;
        RowIntegrals rows[4];
    } endKept[2];
    int nextKept = 0;
    double e2Start = 1.0, e2End = 1.0;
    V volumes; // node volumes with the ends at meniscus and bottom
    double P3 = 0.0, PN1 = 0.0, PN2 = 0.0, VN = 0.0, VN1 = 0.0, V2 = 0.0;
    V c0, cs, s, D, La, Lb, Lc, rhs, gam;
    CGridRunFailure failure;

    int EndSlot(int i) const { return i <= 2 ? i - 1 : (i >= n - 1 ? i - n + 3 : -1); }
    int EndRow(int q) const { return q < 2 ? q + 1 : n - 3 + q; }
    bool Accelerating() const { return problem.rotor.ramp && LammGrid::accelerating; }
    void SetOmega() {
        const double omega = LammGrid::rotorSpeed * 2.0 * std::numbers::pi / 60.0;
        w2 = omega * omega * 1e-13;
    }

    // Sets the end radii for the time tau into the period; returns exp(2 k tau).
    double PlaceEnds(double tau) {
        const double e = std::exp(k * tau);
        X()[1] = m / e;
        X()[n] = b / e;
        return e * e;
    }
    RowIntegrals RowAt(int i) const;
    void EndRowsFor(double tau, RowIntegrals* ends);
    RowIntegrals ScaledRow(int i) const;
    void RowsBesideEnds(const RowIntegrals* ends, RowIntegrals* near) const;
    double Volume(int i) const {
        return i <= 2 || i >= n - 1 ? FeElemGrid1B(i) : volumes[std::size_t(i)];
    }
    double ReferenceAmount() const;
    void Setup();
    void Sums(const RowIntegrals& r, int i, double sed[3], double dif[3]) const;
    void Build(double h);
    bool Solve(double* to);
    void Shift();
    void Advance();
    void PhysicalRadii();
    double Step();
    LammResult Run();
};

RowIntegrals FrameRun::RowAt(int i) const {
    RowIntegrals r;
    for (int d = -1; d <= 1; ++d) {
        r.M[d + 1] = FeElemGrid2B(i, i + d);
        r.G[d + 1] = k * (2.0 * r.M[d + 1] - FeElemGrid2A(i, i + d));
    }
    for (int p = 0; p < 7; ++p) {
        const int j = i + kPairs[p][0], kk = i + kPairs[p][1];
        r.TS[p] = FeElemTriGrid2(i, j, kk);
        r.TD[p] = FETripleIntegral(i, j, kk);
    }
    return r;
}

// The four end rows with the end radii of time tau into the period, with the mass rates.
void FrameRun::EndRowsFor(double tau, RowIntegrals* ends) {
    PlaceEnds(tau);
    for (const EndRowsAt& kept : endKept)
        if (kept.tau == tau) {
            std::copy(kept.rows, kept.rows + 4, ends);
            return;
        }
    for (int q = 0; q < 4; ++q)
        ends[q] = RowAt(EndRow(q));
    double rate8[8];
    MovingEndMassRates(X(), n, k, rate8);
    for (int p = 0; p < 8; ++p) {
        const EndPosition e = EndPositionOf(p, n);
        ends[EndSlot(e.row)].G[e.diagonal + 1] += rate8[p];
    }
    EndRowsAt& kept = endKept[nextKept];
    nextKept = 1 - nextKept;
    kept.tau = tau;
    std::copy(ends, ends + 4, kept.rows);
}

// Row i of the interior from the unit row.
RowIntegrals FrameRun::ScaledRow(int i) const {
    RowIntegrals r = rows.unit;
    const double z = rows.r2[std::size_t(i)];
    for (int d = 0; d < 3; ++d)
        r.M[d] *= z, r.G[d] *= z;
    for (double& v : r.TS)
        v *= z;
    return r;
}

// Rows 3 and n-2 share columns with the end rows, whose integrals come from the formulas: the
// entries of those columns are taken so that each column sums to zero with the end rows'
// entries (the sedimentation and diffusion integrals for each coefficient node apart, and the
// frame part), the others are the scaled row's.
void FrameRun::RowsBesideEnds(const RowIntegrals* ends, RowIntegrals* near) const {
    const RowIntegrals& r1 = ends[0];
    const RowIntegrals& r2 = ends[1];
    const RowIntegrals& rN1 = ends[2];
    const RowIntegrals& rN = ends[3];
    const RowIntegrals r4 = ScaledRow(4), rN3 = ScaledRow(n - 3);
    RowIntegrals& top = near[0];
    top = ScaledRow(3);
    for (auto [t, e1, e2, e4] :
         {std::tuple{top.TS, r1.TS, r2.TS, r4.TS}, std::tuple{top.TD, r1.TD, r2.TD, r4.TD}}) {
        t[0] = -(e1[6] + e2[3]); // column 2
        t[2] = -e2[5];
        t[1] = -e2[4]; // column 3
        t[3] = -(e2[6] + e4[0]);
        t[5] = -e4[2];
    }
    top.M[0] = massBeside[0];
    top.G[0] = -(r1.G[2] + r2.G[1]);
    top.G[1] = -(r2.G[2] + r4.G[0]);
    RowIntegrals& bottom = near[1];
    bottom = ScaledRow(n - 2);
    for (auto [t, e1, eN, e3] : {std::tuple{bottom.TS, rN1.TS, rN.TS, rN3.TS},
                                 std::tuple{bottom.TD, rN1.TD, rN.TD, rN3.TD}}) {
        t[4] = -e1[1]; // column n-1
        t[6] = -(e1[3] + eN[0]);
        t[1] = -e3[4]; // column n-2
        t[3] = -(e3[6] + e1[0]);
        t[5] = -e1[2];
    }
    bottom.M[2] = massBeside[1];
    bottom.G[2] = -(rN1.G[1] + rN.G[0]);
    bottom.G[1] = -(rN3.G[2] + rN1.G[0]);
}

double FrameRun::ReferenceAmount() const {
    return ReferenceGridAmount(volumes.data(), C(), n);
}

// The reference grid: node 1 at the meniscus, the interior nodes geometric with the end elements
// half as wide on the logarithmic scale, node n at the bottom.
void FrameRun::Setup() {
    double* x = X();
    x[1] = m;
    for (int i = 2; i < n; ++i)
        x[i] = m * std::pow(b / m, (i - 1.5) / (n - 1));
    x[n] = b;
    volumes.assign(std::size_t(n) + 1, 0.0);
    for (int i = 1; i <= n; ++i)
        volumes[std::size_t(i)] = FeElemGrid1B(i);
    // the unit row from the middle of the interior
    const int h = (n + 1) / 2;
    const double over = 1.0 / (x[h] * x[h]);
    rows.unit = RowAt(h);
    for (int d = 0; d < 3; ++d)
        rows.unit.M[d] *= over, rows.unit.G[d] *= over;
    for (double& v : rows.unit.TS)
        v *= over;
    // Every column of the operator sums to zero over its rows, element by element in the
    // formulas; the scaled row keeps that only to the formulas' rounding, a drift of the amount
    // over long runs. The entries on the diagonal (and those facing the other row's neighbour)
    // are therefore taken from the others: with w = (x_i+1 / x_i)^2, the rows j+1, j and j-1
    // of column j weigh w, 1 and 1/w.
    const double w = std::pow(b / m, 2.0 / (n - 1)), iw = 1.0 / w;
    RowIntegrals& u = rows.unit;
    u.G[1] = -(w * u.G[0] + iw * u.G[2]);
    u.TS[3] = -(w * u.TS[0] + iw * u.TS[6]);
    u.TS[4] = -w * u.TS[1];
    u.TS[5] = -w * u.TS[2];
    u.TD[3] = -(u.TD[0] + u.TD[6]);
    u.TD[4] = -u.TD[1];
    u.TD[5] = -u.TD[2];
    rows.r2.assign(std::size_t(n) + 1, 0.0);
    for (int i = 1; i <= n; ++i)
        rows.r2[std::size_t(i)] = x[i] * x[i];
    // A step keeps the sum over the columns of the mass matrix times the profile, the shift the
    // sum of the node volumes times the profile: the interior volumes are therefore the mass
    // matrix's column sums (with the entries of the fixed elements 2 and n-2 from the formulas,
    // as the end rows and rows 3 and n-2 have them), not the volume formula's, which differs by
    // its rounding.
    massBeside[0] = FeElemGrid2B(2, 3);
    massBeside[1] = FeElemGrid2B(n - 1, n - 2);
    const double* z = rows.r2.data();
    const double* M = rows.unit.M;
    for (int j = 3; j <= n - 2; ++j) {
        const double above = j == 3 ? massBeside[0] : z[j - 1] * M[2];
        const double below = j == n - 2 ? massBeside[1] : z[j + 1] * M[0];
        volumes[std::size_t(j)] = above + z[j] * M[1] + below;
    }
    V2 = volumes[2];
    VN = volumes[std::size_t(n)];
    VN1 = volumes[std::size_t(n) - 1];
    P3 = (x[3] - x[2]) * (x[2] + 2.0 * x[3]) / 6.0;
    PN1 = (x[n] - x[n - 1]) * (2.0 * x[n - 1] + x[n]) / 6.0;
    PN2 = (x[n - 1] - x[n - 2]) * (2.0 * x[n - 2] + x[n - 1]) / 6.0;
}

// The sedimentation and diffusion sums of row i with the coefficients in force.
void FrameRun::Sums(const RowIntegrals& r, int i, double sed[3], double dif[3]) const {
    sed[0] = sed[1] = sed[2] = dif[0] = dif[1] = dif[2] = 0.0;
    const double* sk = s.data() + i;
    const double* dk = D.data() + i;
    for (int p = 0; p < 7; ++p) {
        const int j = kPairs[p][0] + 1, o = kPairs[p][1];
        sed[j] += sk[o] * r.TS[p];
        dif[j] += dk[o] * r.TD[p];
    }
}

// The step of length h, scaled by 1 / E(start)^2:
// (E_end^2 / E_start^2) (M - h/2 B)_end c_new = (M + h/2 B)_start c_old, with row i of the
// operator of d/dt (E^2 M c) = E^2 B c
// B = -(sum D_k TD) / E^2 + omega^2 sum s_k TS - k F + 2 k M + dM/dt.
// Every column of B sums to zero, so the amount E^2 sum(volume c) is the same at both ends of a
// step. The interior rows have the same integrals at both ends of the step.
void FrameRun::Build(double h) {
    const double gain = e2End / e2Start, half = 0.5 * h;
    const double invStart = 1.0 / e2Start, invEnd = 1.0 / e2End;
    double sed[3], dif[3];
    auto row = [&](int i, const RowIntegrals& from, const RowIntegrals& to) {
        Sums(from, i, sed, dif);
        double bo[3], bn[3];
        for (int d = 0; d < 3; ++d)
            bo[d] = w2 * sed[d] - dif[d] * invStart + from.G[d];
        Sums(to, i, sed, dif);
        for (int d = 0; d < 3; ++d)
            bn[d] = w2 * sed[d] - dif[d] * invEnd + to.G[d];
        const double Ra = from.M[0] + half * bo[0];
        const double Rb = from.M[1] + half * bo[1];
        const double Rc = from.M[2] + half * bo[2];
        // the neighbours outside the grid take no part
        const double* v = c0.data();
        if (i == 1)
            rhs[1] = Rb * v[1] + Rc * v[2];
        else if (i == n)
            rhs[i] = Ra * v[n - 1] + Rb * v[n];
        else
            rhs[i] = Ra * v[i - 1] + Rb * v[i] + Rc * v[i + 1];
        La[i] = gain * (to.M[0] - half * bn[0]);
        Lb[i] = gain * (to.M[1] - half * bn[1]);
        Lc[i] = gain * (to.M[2] - half * bn[2]);
    };
    for (int q = 0; q < 4; ++q)
        row(EndRow(q), atStart[q], atEnd[q]);
    row(3, nearStart[0], nearEnd[0]);
    row(n - 2, nearStart[1], nearEnd[1]);
    InteriorStep step{rows.r2.data(), s.data(),  D.data(),  c0.data(),
                      La.data(),      Lb.data(), Lc.data(), rhs.data()};
    const RowIntegrals& u = rows.unit;
    std::copy(u.TS, u.TS + 7, step.TS);
    std::copy(u.TD, u.TD + 7, step.TD);
    for (int d = 0; d < 3; ++d) {
        step.oldBase[d] = u.M[d] + half * u.G[d];
        step.newBase[d] = gain * (u.M[d] - half * u.G[d]);
    }
    step.hw = half * w2, step.hs = half * invStart;
    step.ghw = gain * half * w2, step.ghe = gain * half * invEnd;
    const VectorUnit unit = UsableVectorUnit();
    (unit == VectorUnit::Avx512 ? AssembleInteriorAvx512
     : unit == VectorUnit::Avx2 ? AssembleInteriorAvx2
                                : AssembleInteriorPlain)(step, n);
    La[1] = Lc[n] = 0.0;
}

// L to = R c_old (formed by Build); a zero pivot is the run's singular matrix and to keeps the
// old profile.
bool FrameRun::Solve(double* to) {
    // solved from both ends at once, the pivots as ratios of continuants: every step factors a
    // new matrix
    if (ContinuantSolve(La.data(), Lb.data(), Lc.data(), rhs.data(), to, gam.data(), 1, n) ==
        TridiagStatus::Ok)
        return true;
    failure.singular = true;
    std::copy(c0.begin() + 1, c0.begin() + n + 1, to + 1);
    return false;
}

// End of a grid period: every interior node has reached its neighbour's start, so the profile
// moves by one node. The bottom values come from the amount of the last elements, the meniscus
// keeps its value and node 2 takes the profile at its new radius (or, without diffusion, the
// amount of the first elements with an empty meniscus). The arriving bottom node takes what
// the rounding of the element widths would make or lose.
void FrameRun::Shift() {
    const double e2 = PlaceEnds(PeriodPhase(clock.time - t0, period));
    const double e = std::sqrt(e2);
    double* c = C();
    const double* x = X();
    const double before = ReferenceAmount() * e2;
    const double amount = e2 * (PN2 * c[n - 2] + Volume(n - 1) * c[n - 1] + Volume(n) * c[n]);
    double newN1 = c[n - 2];
    double newN = (amount - c[n - 2] * PN1) / VN;
    if (sGrid > 0.0 && newN < newN1)
        newN = newN1 = (newN1 * VN1 + newN * VN) / (VN + VN1);
    double new1 = c[1], new2;
    if (!nonDiffusing || sGrid <= 1e-10) {
        new2 = c[1] + (c[2] - c[1]) * (x[2] - m) / ((x[2] - x[1]) * e);
    } else {
        new1 = 0.0;
        new2 = (((x[2] * x[2] / 3.0 - x[2] * x[1] / 6.0 - x[1] * x[1] / 6.0) * e2 - P3) * c[2] +
                FeElemGrid1B(1) * e2 * c[1]) /
               V2;
    }
    for (double* v : {c, c0.data()}) {
        for (int i = n - 2; i >= 3; --i)
            v[i] = v[i - 1];
        v[1] = new1, v[2] = new2, v[n - 1] = newN1, v[n] = newN;
    }
    PlaceEnds(0.0);
    const double rounding = (before - ReferenceAmount()) / VN;
    c[n] += rounding;
    c0[std::size_t(n)] = c[n];
    t0 = clock.time;
}

void FrameRun::Advance() {
    ++clock.stepCount;
    clock.time += clock.dt;
    if (Accelerating() && clock.time >= problem.rotor.accelerationEndS) {
        LammGrid::rotorSpeed = EffectiveRotorOmega(clock.time, clock.dt);
        SetOmega();
        LammGrid::accelerating = false;
    }
    if (control.trackAmount) {
        const double e2 = PlaceEnds(PeriodPhase(clock.time - t0, period));
        LammGrid::totalAmount = kSectorFactor * ReferenceAmount() * e2;
    }
}

// The nodes' radii in the cell now, for the scans and for the caller after the run.
void FrameRun::PhysicalRadii() {
    const double e = std::exp(k * PeriodPhase(clock.time - t0, period));
    double* r = LammGrid::radius;
    r[1] = m;
    for (int i = 2; i < n; ++i)
        r[i] = X()[i] * e;
    r[n] = b;
}

// One step; returns the step's length for the first step, else 1.
double FrameRun::Step() {
    double& dt = clock.dt;
    const double t = clock.time;
    const bool first = clock.stepCount == 0;
    dt = first ? 1.0 : dtFixed;
    if (std::fabs(t - t0 - period) < 1e-10 * std::max(1.0, std::fabs(t)))
        Shift();
    if (t + dt > t0 + period)
        dt = t0 + period - t;
    std::copy(C() + 1, C() + n + 1, c0.begin() + 1);
    bool endCut = false;
    if (Accelerating())
        CutStepForAcceleration(problem.rotor, clock, endCut);
    CutStepAtTarget(clock);
    if (dt <= 0.0) {
        dt = 1.0;
        return 1.0;
    }
    if (Accelerating()) {
        LammGrid::rotorSpeed = EffectiveRotorOmega(t, dt);
        SetOmega();
    }
    const double tau = t - t0;
    EndRowsFor(PeriodPhase(tau + dt, period), atEnd);
    e2End = std::exp(2.0 * k * PeriodPhase(tau + dt, period));
    EndRowsFor(tau, atStart);
    e2Start = std::exp(2.0 * k * tau);
    RowsBesideEnds(atStart, nearStart);
    RowsBesideEnds(atEnd, nearEnd);
    rule.Predictor(c0.data(), s.data(), D.data(), n);
    Build(dt);
    Solve(cs.data());
    rule.Corrector(c0.data(), cs.data(), s.data(), D.data(), n);
    Build(dt);
    Solve(C());
    Advance();
    return first ? dt : 1.0;
}

LammResult FrameRun::Run() {
    if (const auto early = StartGridRun(problem.rotor, clock, rule.Law().Complete()))
        return *early;
    n = LammGrid::allocatedGridSize;
    m = problem.meniscusCm, b = problem.bottomCm;
    if (X() == nullptr || n < 6 || !(b > m) || !(m > 0.0))
        return LammResult::DiscretizationError;
    const CConcentrationLaw& law = rule.Law();
    sGrid = MovingFrameS(law, control, C()[1]);
    if (!(sGrid >= 0.0)) {
        // The frame of a floating component would move inward, and its period (taken without
        // the sign) would never end a step: refused rather than run for ever.
        ShowError("the moving hat algorithm cannot follow a floating component whose s depends "
                  "on concentration:\nchoose the Claverie algorithm in Lamm Equation Parameters");
        return LammResult::Refused;
    }
    LammGrid::lastSolver = GridAlgorithm::MovingFrame;
    nonDiffusing = law.law != CoefficientLaw::Tabulated && law.D1 == 0.0 &&
                   (law.law == CoefficientLaw::Nonideal || law.D2 == 0.0);
    const std::size_t nodes = std::size_t(n) + 2;
    for (V* v : {&c0, &cs, &s, &D, &La, &Lb, &Lc, &rhs, &gam})
        v->assign(nodes, 0.0);
    SetOmega();
    k = w2 * sGrid;
    t0 = clock.time;
    period = k == 0.0 ? 1e10 : std::log(b / m) / ((n - 1) * k);
    double tol = control.maxDcOverC;
    if (sGrid < 1.0 && tol >= 1.0)
        tol = 0.1;
    dtFixed = k == 0.0 ? tol : std::min(tol * period, period);
    Setup();
    clock.stepCount = 0;
    clock.dt = 1.0;
    PhysicalRadii();
    if (control.trackAmount)
        LammGrid::totalAmount = kSectorFactor * ReferenceAmount();
    DepletionProbe probe(sGrid);
    double scale = 0.0;
    for (int i = 1; i <= n; ++i)
        scale = std::max(scale, std::fabs(C()[i]));
    StepUntilStopped(
        [&] {
            const double g = Step();
            PhysicalRadii();
            return g;
        },
        [&] { return ProfileSound(C(), n, scale); }, out, clock, probe, failure);
    PlaceEnds(0.0);
    X()[1] = m, X()[n] = b;
    return failure.Result();
}

} // namespace

double MovingFrameS(const CConcentrationLaw& law, const CLammControl& control, double loading) {
    if (!control.automaticSGrid)
        return control.sGrid;
    if (law.law == CoefficientLaw::Nonideal)
        return law.s1 / (law.ks * loading + 1.0);
    if (law.law == CoefficientLaw::Tabulated) {
        double s = 0.0, D = 0.0;
        CoefficientsAt(law, nullptr, loading, s, D);
        return s;
    }
    return 0.5 * (law.s1 + law.s2);
}

// Checked on mass, on the ideal limits, and against the fixed-grid solver of the same laws and
// the solver object's propagation loop, in the solver tests.
LammResult SolveMovingFrameNonlinear(const CLammProblem& problem, const CConcentrationLaw& law,
                                     const CLammControl& control, CGridClock& clock,
                                     CLammSink& out) {
    return FrameRun{problem, control, clock, out, CoefficientRule(law)}.Run();
}
