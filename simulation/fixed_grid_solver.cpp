// The fixed-grid Lamm time course: Crank-Nicolson with adaptive (or fixed) steps on the grid of
// LammGrid::radius, restricted to an active region [L, R] for a sedimenting species.
#include "simulation/fixed_grid_solver.h"

#include "foundations/show_error.h"
#include "foundations/tarnix_assert.h"
#include "lamm/active_region_edges.h"
#include "lamm/tridiagonal.h"
#include "simulation/bottom_pellet.h"
#include "simulation/cosolute_time_course.h"
#include "simulation/fixed_grid_state.h"
#include "simulation/grid_element_integrals.h"
#include "simulation/grid_error_words.h"
#include "simulation/initial_profile.h"
#include "simulation/module_solvers.h"
#include "simulation/run_end_tests.h"
#include "simulation/scan_output.h"
#include "simulation/solvent_profile.h"
#include "simulation/speed_and_equilibrium.h"
#include "simulation/step_cuts.h"
#include "simulation/weighted_element_integrals.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/scan_store.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace {

// One run: the steps, the step control and the active region, on the solver's state.
struct FixedGridRun {
    FixedGridState& f;
    FixedGridRegion& g;
    const CLammProblem& problem;
    const CLammControl& control;
    CGridClock& clock;
    CLammSink& out;

    double* C();
    bool SpecialGeometry();
    bool Accelerating();
    void CutForAcceleration(bool& endCut);
    bool CutAtTarget();
    double LimitStep(double step, double old, bool countFloor);
    double ShrinkStep(double change);
    double GrowStep(double change);
    void BuildCrankNicolsonMatrices(double dt, int N, bool damped);
    void CrankNicolsonStepActive(double dt);
    double MaxRelativeChangeActive();
    void ReflectMeniscusValue();
    void AdvanceFixedGrid();
    void SpreadTinyValues();
    double SimulateLammStep();
    int ShrinkActiveRegionLeft();
    int ExtendActiveRegionRight(double t);
    void Resize(int n);
    double SmallestElement();
    double TransportSpeed();
    double CourantStepLimit();
    void SetUpActiveRegion();
    LammResult Run();

    CGridRunFailure failure;
};

double* FixedGridRun::C() {
    return LammGrid::concentration;
}

bool FixedGridRun::SpecialGeometry() {
    return SpecialCellGeometryChosen();
}

bool FixedGridRun::Accelerating() {
    return problem.rotor.ramp && LammGrid::accelerating;
}

// The acceleration phase's step bound and its end, the end cut at most once per step.
void FixedGridRun::CutForAcceleration(bool& endCut) {
    if (Accelerating())
        CutStepForAcceleration(problem.rotor, clock, endCut);
}

bool FixedGridRun::CutAtTarget() {
    return CutStepAtTarget(clock);
}

double FixedGridRun::LimitStep(double step, double old, bool countFloor) {
    step = std::min({step, 10.0 * old, g.maxStep});
    if (step < 1e-15) {
        step = 1e-15;
        if (countFloor)
            ++g.floorHits;
    }
    return std::max(step, 0.1 * old);
}

// The next step aims at the middle tolerance: dt_pred = (mid / change) dt, blended with dt / q
// (refusal) or dt q (growth); a step that would barely change is halved (doubled).
double FixedGridRun::ShrinkStep(double change) {
    const double old = clock.dt;
    const double predicted = change == 0.0 ? 0.0 : (control.dcOverCMid / change) * old;
    const double shrunk = old / control.stepFactor;
    double step = shrunk + (predicted - shrunk) * control.stepBlend;
    if (step >= 0.8 * old && step <= 1.2 * old)
        step *= 0.5;
    return LimitStep(step, old, true);
}

double FixedGridRun::GrowStep(double change) {
    const double old = clock.dt;
    if (change == 0.0)
        return 10.0 * old;
    if (change >= control.dcOverCLow)
        return old;
    const double predicted = (control.dcOverCMid / change) * old;
    const double grown = old * control.stepFactor;
    double step = grown + (predicted - grown) * control.stepBlend;
    if (step >= 0.9 * old && step <= 1.1 * old)
        step *= 2.0;
    return LimitStep(step, old, false);
}

// A = M - dt/2 K and B = M + dt/2 K on rows 1..N; a damped step is the implicit Euler step
// A = M - dt K, B = M.
void FixedGridRun::BuildCrankNicolsonMatrices(double dt, int N, bool damped) {
    const double left = damped ? dt : 0.5 * dt;
    const double right = damped ? 0.0 : 0.5 * dt;
    N = std::min(N, f.n);
    for (int i = 1; i <= N; ++i) {
        f.La[i] = f.Ma[i] - left * f.Ka[i];
        f.Lb[i] = f.Mb[i] - left * f.Kb[i];
        f.Lc[i] = f.Mc[i] - left * f.Kc[i];
        f.Ba[i] = f.Ma[i] + right * f.Ka[i];
        f.Bb[i] = f.Mb[i] + right * f.Kb[i];
        f.Bc[i] = f.Mc[i] + right * f.Kc[i];
    }
    f.La[1] = f.Ba[1] = 0.0;
    f.Lc[N] = f.Bc[N] = 0.0;
}

// (M - dt/2 K) c = (M + dt/2 K) c_old on rows up to R, factored again only when dt or the
// matrices change. Rows below L - 1 hold the depleted zone and stay 0; beyond R the plateau
// falls with the radial dilution.
void FixedGridRun::CrankNicolsonStepActive(double dt) {
    TARNIX_ASSERT(dt > 0.0 && f.L >= 1 && f.R >= 1);
    double* c = C();
    if (Accelerating()) {
        LammGrid::rotorSpeed = EffectiveRotorOmega(clock.time, dt);
        ReassembleForRotorSpeed(f, f.R);
        f.refactor = true;
    }
    if (f.R != f.Rasm)
        AssembleLammMatricesActive(f, f.R);
    const int R = std::min(f.R, f.n), L = f.L;
    const int from = L >= 4 ? L - 1 : 1;
    const bool damped = f.dampedStepsLeft > 0;
    if (dt != f.lastDt || damped != f.lastDamped || f.refactor) {
        f.refactor = false;
        f.lastDt = dt;
        f.lastDamped = damped;
        BuildCrankNicolsonMatrices(dt, R, damped);
        const TridiagStatus status =
            ThomasFactor(f.La.data(), f.Lb.data(), f.Lc.data(), f.invBet.data(), f.aScaled.data(),
                         f.gam.data(), 1, R);
        if (status != TridiagStatus::Ok) {
            ShowError(status == TridiagStatus::FirstPivotZero ? "Error 1 in tridag"
                                                              : "Error 2 in tridag",
                      0);
            failure.singular = true;
            f.lastDt = 0.0;
        }
    }
    if (!failure.singular) {
        ThomasSubstituteProduct(f.Ba.data(), f.Bb.data(), f.Bc.data(), f.cOld.data(),
                                f.aScaled.data(), f.invBet.data(), f.gam.data(), c, 1, from, R);
        if (from > 1)
            std::fill(c + 1, c + from, 0.0);
    }
    if (!failure.singular && L > 3 && SettleLowerEdge(c, L, f.level) == LowerEdge::Failed)
        failure.singular = true;
    FinishActiveStep(c, f.cOld.data(), L, R, f.n, failure.singular,
                     std::exp(-2.0 * f.plateauRate * dt) * f.plateau);
}

// The largest relative change over the active region, against the larger of its maximum and
// the loading; a negative value early in the run refuses the step.
double FixedGridRun::MaxRelativeChangeActive() {
    const double* c = C();
    const double* old = f.cOld.data();
    const int L = f.L, R = f.R;
    double top = f.initialPlateau;
    for (int i = L; i <= R; ++i)
        top = std::max(top, c[i]);
    const double threshold = 1e-4 * top;
    double change = 0.0;
    if (c[R] > threshold && old[R] >= threshold)
        change = std::fabs((c[R] - old[R]) / old[R]);
    // Negative values from Crank-Nicolson ringing go away with a shorter step; below the time
    // one element needs to exchange by diffusion or transport they come from a boundary thinner
    // than the grid, which a shorter step cannot mend: such steps are not refused.
    const bool watchNegative =
        !ModelChoice::zoneCentrifugation && clock.time < 10.0 && clock.dt > g.ringingStep;
    for (int i = R - 1; i >= L; --i) {
        if (watchNegative && c[i] < -f.level) {
            ++g.floorHits;
            return 2.0 * control.maxDcOverC;
        }
        const double d = c[i] - old[i];
        double q = old[i];
        if (q <= threshold) {
            if (d <= threshold)
                continue;
            if (old[i + 1] > threshold)
                q = old[i + 1];
            else if (i > 1 && old[i - 1] > threshold)
                q = old[i - 1];
            else
                continue;
        }
        change = std::max(change, std::fabs(d / q));
    }
    return change;
}

// Only on the last retry of a species: a small negative meniscus value is mirrored and its
// amount taken from node 2, so the amount in the cell stays.
void FixedGridRun::ReflectMeniscusValue() {
    if (!control.lastResort)
        return;
    double* c = C();
    const double w1 = FeElemGrid1R(1, f.n), w2 = FeElemGrid1R(2, f.n);
    const double q = w1 * -c[1] / w2;
    c[1] = -c[1];
    c[2] -= 2.0 * q;
}

void FixedGridRun::AdvanceFixedGrid() {
    ++clock.stepCount;
    f.dampedStepsLeft = std::max(f.dampedStepsLeft - 1, 0);
    clock.time += clock.dt;
    if (LammGrid::accelerating && clock.time >= problem.rotor.accelerationEndS) {
        LammGrid::rotorSpeed = EffectiveRotorOmega(clock.time, clock.dt);
        LammGrid::accelerating = false;
        ReassembleForRotorSpeed(f, f.n);
        f.refactor = true;
    }
    const double* c = C();
    if (c[1] < 0.0 && c[1] > -f.level)
        ReflectMeniscusValue();
    if (control.trackAmount)
        LammGrid::totalAmount = f.weighted ? TotalAmountWeighted(f) : TotalAmountFixedGrid(f);
}

// Interior nodes below 1e-10 early after a zone loading go half to each neighbour (weighted by
// the radius ratio, so the amount stays).
void FixedGridRun::SpreadTinyValues() {
    double* c = C();
    const double* r = LammGrid::radius;
    for (int i = 2; i < f.n; ++i) {
        if (c[i] < 1e-10) {
            c[i - 1] += 0.5 * c[i] * r[i] / r[i - 1];
            c[i + 1] += 0.5 * c[i] * r[i] / r[i + 1];
            c[i] = 0.0;
        }
    }
}

double FixedGridRun::SimulateLammStep() {
    double& dt = clock.dt;
    double* c = C();
    if (control.fixedTimeStep)
        dt = control.maxDcOverC;
    const int from = f.L >= 4 ? f.L - 2 : 1;
    std::copy(c + from, c + f.R + 1, f.cOld.begin() + from);
    bool endCut = false;
    CutForAcceleration(endCut);
    const bool cut = CutAtTarget();
    if (dt <= 0.0) {
        dt = 1.0;
        return 1.0;
    }
    CrankNicolsonStepActive(dt);
    for (int i = from; i <= f.R; ++i) {
        if (!(std::fabs(c[i]) <= 1e100)) {
            failure.discretization = true;
            return 0.0;
        }
    }
    if (ModelChoice::zoneCentrifugation && clock.time < 10.0)
        SpreadTinyValues();
    // A step that lands on the target is taken as it is, and the time is set to the target
    // itself, so a sum one rounding short cannot miss the scan.
    if ((cut || (clock.endTimePending && clock.time + dt == clock.endTime)) &&
        clock.stepCount >= 1) {
        const double landing = clock.endTime;
        AdvanceFixedGrid();
        clock.time = landing;
        return 1.0;
    }
    if (clock.stepCount == 0 && c[1] > 0.0) {
        const double taken = dt;
        AdvanceFixedGrid();
        return taken;
    }
    if (control.fixedTimeStep) {
        AdvanceFixedGrid();
        return 1.0;
    }
    double change = MaxRelativeChangeActive();
    while (change > control.maxDcOverC) {
        if (g.floorHits > 10) {
            failure.discretization = true;
            break;
        }
        if (failure.singular)
            break;
        dt = ShrinkStep(change);
        CutForAcceleration(endCut);
        if (cut)
            clock.endTimePending = true; // the shortened step no longer lands on the target
        CrankNicolsonStepActive(dt);
        change = MaxRelativeChangeActive();
    }
    g.floorHits = 1;
    AdvanceFixedGrid();
    dt = GrowStep(change);
    if (clock.endTimePending && clock.time + dt > clock.endTime)
        dt = clock.endTime - clock.time;
    bool again = false;
    CutForAcceleration(again);
    return change;
}

int FixedGridRun::ShrinkActiveRegionLeft() {
    if (!g.leftTracking || LammGrid::activeRegionOff)
        return f.L = 1;
    const double* c = C();
    int L = f.L;
    for (int i = L; i <= f.R - 10; ++i) {
        if ((c[i] + c[i + 1] + c[i + 2]) / 3.0 <= f.level)
            L = i;
        else
            break;
    }
    return f.L = std::min(L, g.leftCap);
}

// R grows by the margin when the boundary's upper edge reaches it, and snaps to n within 10
// nodes of the bottom.
int FixedGridRun::ExtendActiveRegionRight(double t) {
    if (!g.rightTracking || LammGrid::activeRegionOff)
        return f.R = f.n;
    if (f.R >= f.n)
        return f.R;
    if (problem.rotor.ramp)
        f.plateau = std::exp(-2.0 * f.plateauRate * (t - f.plateauTime)) * f.plateau;
    else
        f.plateau = std::exp(-2.0 * f.plateauRate * t) * f.initialPlateau;
    f.plateauTime = t;
    const double threshold = (1.0 - f.level) * f.plateau;
    const double* c = C();
    int next = f.R;
    for (int i = f.R; i >= std::max(f.R - g.margin, 3); --i) {
        if ((c[i] + c[i - 1] + c[i - 2]) / 3.0 < threshold) {
            next = f.R + g.margin;
            break;
        }
    }
    if (next > f.R) {
        f.R = next > f.n - 10 ? f.n : next;
        AssembleLammMatricesActive(f, f.R);
    }
    return f.R;
}

void FixedGridRun::Resize(int n) {
    for (auto* v : {&f.Ma, &f.Mb, &f.Mc, &f.Ka, &f.Kb, &f.Kc, &f.La, &f.Lb, &f.Lc, &f.Ba, &f.Bb,
                    &f.Bc, &f.aScaled, &f.invBet, &f.gam, &f.cOld})
        v->assign(n + 2, 0.0);
}

double FixedGridRun::SmallestElement() {
    const double* r = LammGrid::radius;
    double h = r[f.n] - r[1];
    for (int i = 2; i <= f.n; ++i)
        h = std::min(h, r[i] - r[i - 1]);
    return h;
}

// The fastest transport, at the bottom (cm/s); the drift itself in electrophoresis.
double FixedGridRun::TransportSpeed() {
    return ModelChoice::electrophoresis ? std::fabs(f.s * 1e-4)
                                        : BottomTransportSpeed(f.s, problem.bottomCm);
}

// The boundary moves at most one element per step (at the bottom, where it is fastest), and
// never more than 1000 s: larger steps let Crank-Nicolson ring at the foot of a sharp boundary,
// which the relative change does not see.
double FixedGridRun::CourantStepLimit() {
    const double limit = SmallestElement() / TransportSpeed();
    return std::isfinite(limit) && limit > 0.0 ? std::min(limit, 1000.0) : 1000.0;
}

void FixedGridRun::SetUpActiveRegion() {
    const double c1 = C()[1];
    f.level = control.truncationLevel * c1;
    f.L = 1;
    f.R = f.n;
    g.active = g.leftTracking = g.rightTracking = false;
    if (control.truncateGrid && f.s > 0.0 && !ModelChoice::zoneCentrifugation &&
        problem.initial == nullptr) {
        g.active = true;
        f.plateau = c1;
        f.plateauTime = 0.0;
        g.margin = f.n / 10;
        g.leftTracking = true;
        if (control.backDiffusionShutOff && !ModelChoice::inhomogeneousSolvent && !f.weighted &&
            g.margin >= 3) {
            g.rightTracking = true;
            f.R = g.margin;
            AssembleLammMatricesActive(f, f.R);
        }
    }
}

LammResult FixedGridRun::Run() {
    if (const auto early = StartGridRun(problem.rotor, clock))
        return *early;
    LammGrid::lastSolver = GridAlgorithm::FixedGrid;
    double change = 1.0;
    f.lastDt = 0.0;
    f.refactor = true;
    failure = {};
    g.floorHits = 0;
    clock.stepCount = 0;
    f.n = LammGrid::allocatedGridSize;
    TARNIX_ASSERT(f.n >= 2);
    f.s = problem.s;
    f.D = problem.D;
    f.shutOff = control.backDiffusionShutOff;
    f.weighted = SpecialGeometry();
    double* c = C();
    if (problem.initial != nullptr)
        SampleInitialProfile(*problem.initial, f.n, LammGrid::radius, c);
    bool anyPositive = false;
    for (int i = 1; i <= f.n && !anyPositive; ++i)
        anyPositive = c[i] > 0.0;
    if (!anyPositive) {
        clock.dt = 10.0;
        while (clock.running && clock.time < kLastSimulatedTime) {
            clock.time += clock.dt;
            out.Step(clock, change);
        }
        LammGrid::activeRegionOff = false;
        return failure.Result();
    }
    f.initialPlateau = c[1];
    Resize(f.n);
    f.Rasm = f.Rfull = 0;
    // The solvent at its loading, and a sedimenting cosolute that changes it with every step.
    CCosoluteTimeCourse cosolute;
    if (ModelChoice::inhomogeneousSolvent && !f.weighted) {
        SolventDensityViscosityProfile(LammGrid::radius, f.n);
        cosolute.Start(LammGrid::radius, f.n, clock.time);
    }
    if (f.weighted)
        f.pellet.End();
    else
        f.pellet.Decide(LammGrid::radius[f.n] - LammGrid::radius[f.n - 1], f.s, f.D,
                        problem.bottomCm);
    f.pellet.Start([&state = f](double& amount, double& lastVolume) {
        FixedGridAmount(state, amount, lastVolume);
    });
    out.ShowPellet(&f.pellet);
    if (f.weighted)
        AssembleLammMatricesWeighted(f);
    else
        AssembleLammMatricesStatic(f, f.n);
    g.leftCap = int(std::floor(f.n * 0.95));
    SetUpActiveRegion();
    g.maxStep = CourantStepLimit();
    g.ringingStep = std::min(g.maxStep, SmallestElement() * SmallestElement() / f.D);
    LammGrid::maxDt = g.maxStep;
    DepletionProbe probe(f.s, f.D);
    if (ModelChoice::zoneCentrifugation)
        clock.dt = 0.1;
    clock.dt = std::min(clock.dt, g.maxStep);
    // The loading is discontinuous at the ends of the cell (and of a zone): where diffusion
    // dominates the transport across an element, Crank-Nicolson would carry the ringing of the
    // start through the long steps of the run, and implicit Euler steps damp it. Where transport
    // dominates they would smear the boundary instead. Steps the user fixed stay Crank-Nicolson.
    const double peclet = TransportSpeed() * SmallestElement() / f.D;
    f.dampedStepsLeft = !control.fixedTimeStep && peclet < 2.0 ? 2 : 0;
    if (control.trackAmount)
        LammGrid::totalAmount = f.weighted ? TotalAmountWeighted(f) : TotalAmountFixedGrid(f);
    EquilibriumCounter equilibrium;
    // The Courant limit bounds the steps, often below the length the equilibrium test counts:
    // the steps are pooled until the time they advanced spans that length, their changes summed.
    double pooledTime = 0.0, pooledChange = 0.0;
    bool atEquilibrium = false, depleted = false;
    int idle = 0, tinySteps = 0;
    while (clock.running && !failure.Any()) {
        const double before = clock.time;
        cosolute.BeforeStep(clock.time);
        change = SimulateLammStep();
        if (g.active) {
            ShrinkActiveRegionLeft();
            ExtendActiveRegionRight(clock.time);
        }
        if (cosolute.AfterStep(LammGrid::radius, f.n, clock.time))
            AssembleLammMatricesStatic(f, f.R);
        tinySteps = clock.dt < 1e-12 ? tinySteps + 1 : 0;
        idle = clock.time > before ? 0 : idle + 1;
        if (tinySteps > 100 || idle > kMostIdleSteps)
            failure.discretization = true;
        if (clock.time > kLastSimulatedTime)
            clock.running = false;
        out.Step(clock, change);
        cosolute.AfterScanOutput(out.TakeWrittenScanPosition());
        pooledTime += clock.time - before;
        pooledChange += change;
        if (probe.Reached(clock, failure, f.L)) {
            clock.running = false;
            depleted = true;
        }
        if (pooledTime >= kEquilibriumStepLength) {
            if (equilibrium.CountSettled(pooledTime, pooledChange / pooledTime, clock)) {
                clock.running = false;
                atEquilibrium = true;
            }
            pooledTime = pooledChange = 0.0;
        }
    }
    if (atEquilibrium || depleted)
        out.Remaining(clock, !atEquilibrium);
    f.pellet.End();
    out.ShowPellet(nullptr);
    LammGrid::activeRegionOff = false;
    return failure.Result();
}

} // namespace

// Checked on the plateau, the second moment, the equilibrium exponential, the non-diffusing
// limit and the amount, for the sector and the special cells, and against the solver object on
// the same grid, in the solver tests.
LammResult CFixedGridSolver::Run(const CLammProblem& problem, const CLammControl& control,
                                 CGridClock& clock, CLammSink& out) {
    return FixedGridRun{state_, region_, problem, control, clock, out}.Run();
}

LammResult SimulateLammTimeCourse(CGridClock& clock) {
    CFixedGridSolver solver;
    CScanOutput scans;
    const LammResult result =
        solver.Run(LammProblemOfRecord(), LammControlOfRecord(), clock, scans);
    SetGridClockOfRun(clock);
    return SetGridErrorWordsOfRun(result);
}
