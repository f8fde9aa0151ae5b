// The moving-hat solution on the simulation grid: hat functions that travel outward with the
// boundary, the steps in the moving frame and their lengths, the amount in the cell, and a shift
// of the profile by one node at the end of every grid period.
#include "foundations/resampling.h"
#include "lamm/hat_integrals.h"
#include "lamm/lamm_moving_hat_ends.h"
#include "simulation/bottom_pellet.h"
#include "simulation/grid_element_integrals.h"
#include "simulation/grid_error_words.h"
#include "simulation/initial_profile.h"
#include "simulation/module_solvers.h"
#include "simulation/moving_hat_run.h"
#include "simulation/scan_output.h"
#include "simulation/solvent_profile.h"
#include "simulation/speed_and_equilibrium.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/scan_store.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <vector>

namespace {

constexpr double kSectorFactor = 1.2 * 0.0349065850398866;

} // namespace

// The step bounds of the acceleration phase; true when dt was cut.
bool CMovingHatRun::CutForAcceleration() {
    if (!Accelerating())
        return false;
    double& dt = clock_.dt;
    const double before = dt;
    dt = std::min(dt, g.problem.rotor.maxDtAccelerationS);
    const double end = g.problem.rotor.accelerationEndS, t = clock_.time;
    if (end > t && t + dt > end)
        dt = end - t;
    return dt != before;
}

// Sum of node volume times concentration on the reference radii with the end radii in force.
double CMovingHatRun::ReferenceAmount() {
    return ReferenceGridAmount(g.volumes.data(), C(), g.n);
}

double CMovingHatRun::TotalAmountInCellFE() {
    return kSectorFactor * ReferenceAmount() * g.e2;
}

// The amount on the grid and the last node's volume in the frame at the present time.
void CMovingHatRun::MovingGridAmount(double& amount, double& lastVolume) {
    SetMovingGridEndsFE(PeriodPhase(clock_.time - g.t0, g.period));
    amount = ReferenceAmount() * g.e2;
    lastVolume = Volume(g.n) * g.e2;
}

void CMovingHatRun::AdvanceLammFETime() {
    ++clock_.stepCount;
    clock_.time += clock_.dt;
    if (LammGrid::accelerating && clock_.time >= g.problem.rotor.accelerationEndS) {
        LammGrid::rotorSpeed = EffectiveRotorOmega(clock_.time, clock_.dt);
        LammGrid::accelerating = false;
        UpdateSedimentationMatricesFE();
    }
    if (g.control.trackAmount) {
        const double previous = g.total;
        SetMovingGridEndsFE(PeriodPhase(clock_.time - g.t0, g.period));
        g.total = TotalAmountInCellFE() + kSectorFactor * pellet.Amount();
        LammGrid::totalAmount = g.total;
        if (g.total != 0.0 && std::fabs((previous - g.total) / g.total) >= 1e-8)
            g.massLoss = true;
    }
}

// End of a grid period: every interior node has reached its neighbour's start, so the profile
// moves by one node. The end values come from the amount balance of the end elements (where
// material arrives) or from interpolation at the new node position (where it leaves). The
// interior elements map onto their neighbours with their amounts only to the rounding of their
// widths; the arriving end node takes that difference, so no amount is made or lost over many
// periods.
void CMovingHatRun::ShiftMovingGridFE() {
    SetMovingGridEndsFE(PeriodPhase(clock_.time - g.t0, g.period));
    const int n = g.n;
    double* c = C();
    double* cOld = g.cOld.data();
    const double* x = X();
    const double E = g.e, E2 = g.e2, m = g.m, b = g.b, s = g.s, D = g.D;
    // The interior amounts before and after the move in one pass: only the end volumes change.
    double interiorBefore = 0.0, interiorAfter = 0.0;
    HatInteriorAmounts(g.volumes.data(), c, n, s < 0.0 ? 1 : -1, interiorBefore, interiorAfter);
    const double before = HatGridAmountFrom(x, c, n, interiorBefore) * E2;
    double newN = c[n], newN1 = c[n - 1], new1 = c[1], new2 = c[2];
    if (s >= 0.0) {
        const double amount = E2 * (g.PN2 * c[n - 2] + Volume(n - 1) * c[n - 1] + Volume(n) * c[n]);
        newN1 = c[n - 2];
        newN = (amount - c[n - 2] * g.PN1) / g.VN;
        if (s > 0.0 && newN < newN1)
            newN = newN1 = (newN1 * g.VN1 + newN * g.VN) / (g.VN + g.VN1);
        if (D != 0.0 || s <= 1e-10) {
            new1 = c[1];
            new2 = c[1] + (c[2] - c[1]) * (x[2] - m) / ((x[2] - x[1]) * E);
        } else {
            new1 = 0.0;
            new2 =
                (((x[2] * x[2] / 3.0 - x[2] * x[1] / 6.0 - x[1] * x[1] / 6.0) * E2 - g.P3) * c[2] +
                 Volume(1) * E2 * c[1]) /
                g.V2;
        }
    } else {
        if (D != 0.0 || std::fabs(s) <= 1e-10) {
            newN = c[n];
            newN1 = c[n] + (c[n - 1] - c[n]) * (x[n - 1] - b) / ((x[n - 1] - x[n]) * E);
        } else {
            newN = 0.0;
            const double w = (x[n] * x[n] + x[n - 1] * x[n] - 2.0 * x[n - 1] * x[n - 1]) / 6.0;
            const double amount = E2 * (c[n - 1] * w + Volume(n) * c[n]);
            newN1 = (amount - g.PN2 * c[n - 1]) / g.VN1;
        }
        const double amount = E2 * (g.P3 * c[3] + Volume(2) * c[2] + Volume(1) * c[1]);
        new2 = c[3];
        new1 = (amount - g.P2 * c[3]) / g.V1;
        if (new1 < new2)
            new1 = new2 = (new2 * g.V2 + new1 * g.V1) / (g.V1 + g.V2);
    }
    for (double* v : {c, cOld}) {
        if (s < 0.0) {
            for (int i = 3; i <= n - 2; ++i)
                v[i] = v[i + 1];
        } else {
            for (int i = n - 2; i >= 3; --i)
                v[i] = v[i - 1];
        }
        v[1] = new1, v[2] = new2, v[n - 1] = newN1, v[n] = newN;
    }
    X()[1] = m;
    X()[n] = b;
    g.e = g.e2 = 1.0;
    const int arriving = s < 0.0 ? 1 : n;
    const double rounding =
        (before - HatGridAmountFrom(x, c, n, interiorAfter)) / g.volumes[arriving];
    c[arriving] += rounding;
    cOld[arriving] += rounding;
    g.t0 = clock_.time;
    PublishFrame();
    ++g.periods;
}

// Steps of the initial length, cut at period ends, targets and the end of the acceleration.
double CMovingHatRun::FreeModeStep() {
    double& dt = clock_.dt;
    const double t = clock_.time;
    const bool first = clock_.stepCount == 0;
    dt = g.dt0;
    if (AtPeriodEnd(t))
        ShiftMovingGridFE();
    if (t + dt > g.t0 + g.period)
        dt = g.t0 + g.period - t;
    CutForAcceleration();
    std::copy(C() + 1, C() + g.n + 1, g.cOld.begin() + 1);
    if (clock_.endTimePending && t + dt > clock_.endTime) {
        clock_.endTimePending = false;
        dt = clock_.endTime - t;
    }
    if (dt <= 0.0) {
        dt = 1.0;
        return 1.0;
    }
    LammFETimeStep(dt);
    AdvanceLammFETime();
    return first ? dt : 1.0;
}

// The fixed-period sequence: 1 s, 0.1 T, the rest of the first period, then steps of exactly T
// on the factors made once; a target inside the period interrupts it.
double CMovingHatRun::FixedPeriodStep() {
    double& dt = clock_.dt;
    const double t = clock_.time;
    auto cutFlags = [this] {
        g.fullPeriodNext = false;
        g.periodEndNext = true;
        g.fullPeriodStep = false;
    };
    const bool pending = clock_.endTimePending;
    const double target = clock_.endTime;
    if (pending && t + dt > target && target <= g.t0 + g.period) {
        dt = clock_.stepCount <= 1 ? 1.0 : target - t;
        CutForAcceleration();
        if (target - t == dt)
            clock_.endTimePending = false;
        g.periodEndNext = true;
        g.firstStep = g.startUp = g.fullPeriodStep = false;
    } else if (g.startUp) {
        g.fullPeriodStep = false;
        if (g.firstStep) {
            g.firstStep = g.periodEndNext = false;
            dt = std::min(1.0, g.period);
        } else {
            g.startUp = false;
            g.periodEndNext = true;
            dt = 0.1 * g.period;
        }
        CutForAcceleration();
    } else if (g.periodEndNext || g.fullPeriodNext) {
        const bool completing = g.periodEndNext;
        g.periodEndNext = false;
        g.fullPeriodNext = completing;
        g.fullPeriodStep = !completing;
        dt = completing ? g.t0 + g.period - t : g.period;
        if (pending && target < t + dt) {
            dt = target - t;
            cutFlags();
        }
        if (CutForAcceleration())
            cutFlags();
    }
    std::copy(C() + 1, C() + g.n + 1, g.cOld.begin() + 1);
    if (dt <= 0.0) {
        dt = 1.0;
        return 1.0;
    }
    LammFETimeStep(dt);
    // a negative value at the depleting end: halve the step; at 0.1 s move the negative amount
    // to the neighbour. The step is redone with the final dt, so profile and time agree. A
    // depletion layer thinner than the end element rings whatever the step: its amount is moved
    // at once.
    double* c = C();
    const int watched = g.s >= 0.0 ? 1 : g.n;
    const int neighbour = g.s >= 0.0 ? 2 : g.n - 1;
    while (c[watched] < -0.001) {
        if (!g.depletingEndUnresolved) {
            dt /= 2.0;
            g.fullPeriodStep = false;
            g.periodEndNext = true;
            LammFETimeStep(dt);
        }
        if (dt <= 0.1 || g.depletingEndUnresolved) {
            if (c[watched] < 0.0) {
                SetMovingGridEndsFE(PeriodPhase(t + dt - g.t0, g.period));
                c[neighbour] += Volume(watched) * c[watched] / Volume(neighbour);
                g.cOld[neighbour] = c[neighbour];
                c[watched] = g.cOld[watched] = 0.0;
            }
            break;
        }
    }
    AdvanceLammFETime();
    if (g.fullPeriodStep || AtPeriodEnd(clock_.time))
        ShiftMovingGridFE();
    return 1.0;
}

namespace {

// The change of the profile in the laboratory frame. The step's own change is taken in the
// moving frame, where a profile at rest (the equilibrium, a pile-up at the bottom) still changes
// every period as the nodes move through it, so it never tells that the run has come to rest;
// and the grid period bounds the steps, often below the length the equilibrium test counts.
// Measured over windows of that length: the largest change of the profile against the one of
// the window before, resampled onto the same radii, relative to the largest concentration, per
// second.
class LabFrameChange {
  public:
    // Negative for the first window, which has nothing to compare with.
    double PerSecond(const MovingGridFrame& frame, double time, double window) {
        const int n = frame.n;
        const double e = std::exp(frame.k * (time - frame.t0));
        r_.assign(std::size_t(n) + 1, 0.0);
        for (int i = 1; i <= n; ++i)
            r_[std::size_t(i)] =
                i == 1 || i == n ? LammGrid::movingRadius[i] : LammGrid::movingRadius[i] * e;
        double rate = -1.0;
        if (!previousC_.empty()) {
            before_.assign(r_.size(), 0.0);
            ResampleLinear(n, r_.data(), before_.data(), n, previousR_.data(), previousC_.data());
            double change = 0.0, largest = 0.0;
            for (int i = 1; i <= n; ++i) {
                change = std::max(change,
                                  std::fabs(LammGrid::concentration[i] - before_[std::size_t(i)]));
                largest = std::max(largest, std::fabs(LammGrid::concentration[i]));
            }
            rate = largest > 0.0 ? change / largest / window : 0.0;
        }
        previousR_ = r_;
        previousC_.assign(LammGrid::concentration, LammGrid::concentration + n + 1);
        return rate;
    }

  private:
    std::vector<double> r_, before_, previousR_, previousC_;
};

} // namespace

LammResult CMovingHatRun::Run(const CLammProblem& problem, const CLammControl& control,
                              CLammSink& out) {
    if (const auto early = StartGridRun(problem.rotor, clock_))
        return *early;
    const int n = LammGrid::allocatedGridSize;
    if (X() == nullptr || n < 4)
        return LammResult::DiscretizationError;
    LammGrid::lastSolver = GridAlgorithm::MovingHat;
    g.n = n;
    g.x = X();
    g.problem = problem;
    g.control = control;
    g.m = problem.meniscusCm;
    g.b = problem.bottomCm;
    g.s = problem.s;
    g.D = problem.D;
    // In an inhomogeneous solvent the frame follows the species at the solvent's loading state.
    const double sFrame =
        ModelChoice::inhomogeneousSolvent ? SolventDensityViscosityRatio(g.s) : g.s;
    g.sGrid = control.automaticSGrid ? sFrame : control.sGrid;
    // a frame at rest needs short steps: the tolerance is then a step of 0.1 period at most
    double limit = control.maxDcOverC;
    if (std::fabs(g.sGrid) < 1.0 && limit >= 1.0)
        limit = 0.1;
    clock_.stepCount = 0;
    Resize(n);
    SetupMovingGridFE();
    g.solventChanges = false;
    if (ModelChoice::inhomogeneousSolvent) {
        SolventDensityViscosityProfile(X(), n);
        g.reference.assign(X(), X() + n + 1);
        g.solventChanges = cosolute.Start(g.reference.data(), n, clock_.time);
    }
    if (problem.initial != nullptr)
        SampleInitialProfile(*problem.initial, n, LammGrid::radius, C());
    pellet.Decide(X()[n] - X()[n - 1], g.s, g.D, g.b);
    // the pellet's open bottom is the bottom row of the back-diffusion shut-off
    struct OpenBottom {
        bool kept = LammGrid::backDiffusionShutOff;
        OpenBottom(bool shutOff, bool pelletOn) {
            LammGrid::backDiffusionShutOff = shutOff || pelletOn;
        }
        ~OpenBottom() { LammGrid::backDiffusionShutOff = kept; }
    } openBottom(control.backDiffusionShutOff, pellet.On());
    AssembleMovingHatMatricesFE();
    pellet.Start(
        [this](double& amount, double& lastVolume) { MovingGridAmount(amount, lastVolume); });
    out.ShowPellet(&pellet);
    const double* x = X();
    const double endElement = g.s >= 0.0 ? x[2] - x[1] : x[n] - x[n - 1];
    const double endRadius = g.s >= 0.0 ? g.m : g.b;
    g.depletingEndUnresolved = std::fabs(g.sigma) * endRadius * endElement / g.D > 2.0;
    clock_.dt = 1.0;
    g.dt0 = g.sGrid == 0.0 ? limit : limit * g.period;
    g.fullPeriodMode = g.dt0 >= g.period;
    if (g.fullPeriodMode) {
        g.dt0 = g.period;
        FactorFixedPeriodStep();
    }
    g.firstStep = true;
    g.startUp = g.fullPeriodMode;
    g.periodEndNext = g.fullPeriodNext = g.fullPeriodStep = false;
    const double rpm = LammGrid::rotorSpeed;
    LammGrid::maxDt = g.s == 0.0 ? 1000.0 : std::clamp(0.5 * rpm * rpm * g.D / g.s, 10.0, 1000.0);
    DepletionProbe probe(g.s, g.D);
    g.massLoss = false;
    if (control.trackAmount)
        g.total = LammGrid::totalAmount = TotalAmountInCellFE();
    EquilibriumCounter equilibrium;
    LabFrameChange labChange;
    double pooledTime = 0.0;
    bool atEquilibrium = false, depleted = false;
    int idle = 0;
    while (clock_.running && !failure.Any()) {
        const double before = clock_.time;
        if (g.solventChanges)
            cosolute.BeforeStep(clock_.time);
        double change = LammFEStepControl();
        if (g.solventChanges && cosolute.AfterStep(g.reference.data(), n, clock_.time))
            RebuildSolventRows();
        idle = clock_.time > before ? 0 : idle + 1;
        const double* c = C();
        if (idle > kMostIdleSteps || !std::isfinite(c[1]) || !std::isfinite(c[n]))
            failure.discretization = true;
        if (clock_.time > kLastSimulatedTime)
            clock_.running = false;
        out.Step(clock_, change);
        if (g.solventChanges)
            cosolute.AfterScanOutput(out.TakeWrittenScanPosition());
        pooledTime += clock_.time - before;
        if (probe.Reached(clock_, failure)) {
            clock_.running = false;
            depleted = true;
        }
        if (pooledTime >= kEquilibriumStepLength) {
            const double rate = labChange.PerSecond(LammGrid::movingFrame, clock_.time, pooledTime);
            if (rate >= 0.0 && equilibrium.CountSettled(pooledTime, rate, clock_)) {
                clock_.running = false;
                atEquilibrium = true;
            }
            pooledTime = 0.0;
        }
    }
    if (atEquilibrium || depleted) {
        ScaleGridByExponential(clock_.time);
        out.Remaining(clock_, !atEquilibrium);
    }
    pellet.End();
    out.ShowPellet(nullptr);
    return failure.Result();
}

void ScaleGridByExponential(double time) {
    // after another solver, or on arrays made since, the frame belongs to no grid
    const MovingGridFrame& frame = LammGrid::movingFrame;
    if (LammGrid::lastSolver != GridAlgorithm::MovingHat || !LammGrid::arraysAllocated ||
        LammGrid::movingRadius == nullptr || LammGrid::movingRadius != frame.x ||
        frame.n != LammGrid::allocatedGridSize)
        return;
    const double e = std::exp(frame.k * (time - frame.t0));
    for (int i = 2; i < frame.n; ++i)
        LammGrid::radius[i] = LammGrid::movingRadius[i] * e;
}

// Checked against the plateau, the second moment, the equilibrium exponential and the
// non-diffusing limit, and against the solver object on the same grid, in the solver tests.
LammResult SolveMovingHat(const CLammProblem& problem, const CLammControl& control,
                          CGridClock& clock, CLammSink& out) {
    return CMovingHatRun(clock).Run(problem, control, out);
}

LammResult SolveLammFE(CGridClock& clock) {
    ModelChoice::fixedTimeStep = true;
    CScanOutput scans;
    const LammResult result =
        SolveMovingHat(LammProblemOfRecord(), LammControlOfRecord(), clock, scans);
    SetGridClockOfRun(clock);
    return SetGridErrorWordsOfRun(result);
}
