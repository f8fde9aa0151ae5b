// Predictor-corrector Crank-Nicolson steps for concentration-dependent s and D on a uniform grid.
#include "simulation/nonlinear_solver.h"

#include "foundations/numeric_text_files.h"
#include "lamm/tridiagonal.h"
#include "simulation/bottom_pellet.h"
#include "simulation/distribution_totals.h"
#include "simulation/grid_element_integrals.h"
#include "simulation/inhomogeneous_solvent.h"
#include "simulation/run_end_tests.h"
#include "simulation/speed_and_equilibrium.h"
#include "simulation/step_cuts.h"
#include "state/conti_state.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/scan_store.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

namespace {

using V = std::vector<double>;

// (j, k) of the seven triple integrals of row i as offsets from i: j the trial node, k the node
// whose hat carries the coefficient.
constexpr int kPairs[7][2] = {{-1, -1}, {0, -1}, {-1, 0}, {0, 0}, {1, 0}, {0, 1}, {1, 1}};

struct NonlinearRun {
    const CLammProblem& problem;
    const CLammControl& control;
    CGridClock& clock;
    CLammSink& out;
    CoefficientRule rule;
    CBottomPellet pellet = {};

    int n = 0;
    V c0, cs, s, D, Ma, Mb, Mc, TD, TS, Ka, Kb, Kc, La, Lb, Lc, Ba, Bb, Bc, rhs, gam;
    double stepDt = 0.0;
    double w2 = 0.0; // omega^2 1e-13 of the last assembly
    double tol = 1.0, tolLow = 0.05, tolMid = 0.2;
    int halvings = 0;
    CGridRunFailure failure;

    double* C() { return LammGrid::concentration; }
    bool Accelerating() const { return problem.rotor.ramp && LammGrid::accelerating; }

    void AssembleIntegrals();
    void AssembleOperator();
    void BuildCrankNicolson(double dt);
    bool Solve(const double* from, double* to);
    void Predict(double dt);
    void Correct();
    void Advance();
    void CutForAcceleration(bool& cut);
    bool CutAtTarget();
    double LimitStep(double step, double old);
    double MaxRelativeChange();
    double Step();
    void GridAmount(double& amount, double& lastVolume) const;
    double TotalAmount() const;
    void StartPellet();
    LammResult Run();
};

// Mass entries and the fourteen triple integrals of every row; the sedimentation integrals
// carry omega^2 1e-13, so they are rebuilt when the rotor speed changes.
void NonlinearRun::AssembleIntegrals() {
    const double omega = LammGrid::rotorSpeed * 2.0 * std::numbers::pi / 60.0;
    w2 = omega * omega * 1e-13;
    for (int i = 1; i <= n; ++i) {
        Ma[i] = FeElemUniform2(i, i - 1);
        Mb[i] = FeElemUniform2(i, i);
        Mc[i] = FeElemUniform2(i, i + 1);
        for (int p = 0; p < 7; ++p) {
            const int j = i + kPairs[p][0], k = i + kPairs[p][1];
            TD[std::size_t(7 * i + p)] = FeElemUniformTriD(i, j, k);
            TS[std::size_t(7 * i + p)] = w2 * FeElemUniformTriS(i, j, k);
        }
    }
}

// K = sum over the coefficient nodes k of (s_k TS - D_k TD): the transport operator of
// M dc/dt = K c with s and D linear inside each element; zero flux at both ends.
void NonlinearRun::AssembleOperator() {
    for (int i = 1; i <= n; ++i) {
        double entry[3] = {0.0, 0.0, 0.0};
        for (int p = 0; p < 7; ++p) {
            const int j = kPairs[p][0], k = i + kPairs[p][1];
            if (k < 1 || k > n || i + j < 1 || i + j > n)
                continue;
            const std::size_t q = std::size_t(7 * i + p);
            entry[j + 1] += s[std::size_t(k)] * TS[q] - D[std::size_t(k)] * TD[q];
        }
        Ka[i] = i > 1 ? entry[0] : 0.0;
        Kb[i] = entry[1];
        Kc[i] = i < n ? entry[2] : 0.0;
    }
    // the bottom opened for a pellet, as on the fixed grid, with the bottom node's coefficients
    if (pellet.On() && s[std::size_t(n)] > 0.0) {
        const double* r = LammGrid::radius;
        const double diffusion = D[std::size_t(n)] * r[n] / (r[n] - r[n - 1]);
        Ka[n] += diffusion;
        Kb[n] -= s[std::size_t(n)] * w2 * r[n] * r[n] + diffusion;
    }
}

void NonlinearRun::BuildCrankNicolson(double dt) {
    stepDt = dt;
    const double h = 0.5 * dt;
    for (int i = 1; i <= n; ++i) {
        La[i] = Ma[i] - h * Ka[i], Lb[i] = Mb[i] - h * Kb[i], Lc[i] = Mc[i] - h * Kc[i];
        Ba[i] = Ma[i] + h * Ka[i], Bb[i] = Mb[i] + h * Kb[i], Bc[i] = Mc[i] + h * Kc[i];
    }
}

// A to = B from; a zero pivot is the run's singular matrix and to keeps the old profile.
bool NonlinearRun::Solve(const double* from, double* to) {
    TridiagProduct(Ba.data(), Bb.data(), Bc.data(), from, rhs.data(), 1, n);
    if (ThomasSolve(La.data(), Lb.data(), Lc.data(), rhs.data(), to, gam.data(), 1, n) ==
        TridiagStatus::Ok)
        return true;
    failure.singular = true;
    std::copy(from + 1, from + n + 1, to + 1);
    return false;
}

void NonlinearRun::Predict(double dt) {
    if (rule.Law().distributionTotal) {
        // The component moves in the concentration of every species of the distribution.
        WriteTotalConcentrationScans(clock.time + 0.5 * dt);
        rule.Predictor(ContiState::totalConcentration, s.data(), D.data(), n);
    } else {
        rule.Predictor(c0.data(), s.data(), D.data(), n);
    }
    if (Accelerating()) {
        LammGrid::rotorSpeed = EffectiveRotorOmega(clock.time, dt);
        AssembleIntegrals();
    }
    AssembleOperator();
    BuildCrankNicolson(dt);
    Solve(c0.data(), cs.data());
}

void NonlinearRun::Correct() {
    if (!rule.Law().distributionTotal)
        rule.Corrector(c0.data(), cs.data(), s.data(), D.data(), n);
    AssembleOperator();
    BuildCrankNicolson(stepDt);
    Solve(c0.data(), C());
}

void NonlinearRun::Advance() {
    ++clock.stepCount;
    clock.time += clock.dt;
    if (Accelerating() && clock.time >= problem.rotor.accelerationEndS) {
        LammGrid::rotorSpeed = EffectiveRotorOmega(clock.time, clock.dt);
        AssembleIntegrals();
        LammGrid::accelerating = false;
    }
    if (control.trackAmount)
        LammGrid::totalAmount = TotalAmount();
}

void NonlinearRun::CutForAcceleration(bool& cut) {
    if (Accelerating())
        CutStepForAcceleration(problem.rotor, clock, cut);
}

bool NonlinearRun::CutAtTarget() {
    return CutStepAtTarget(clock);
}

double NonlinearRun::LimitStep(double step, double old) {
    step = std::min({step, 10.0 * old, LammGrid::maxDt});
    step = std::max(step, 1e-15);
    return std::max(step, 0.1 * old);
}

// The largest relative change of the prediction over the nodes that carry material; a value
// below -1e-8 refuses the step and halves the tolerances for the rest of the run.
double NonlinearRun::MaxRelativeChange() {
    double top = 0.0;
    for (int i = 1; i <= n; ++i)
        top = std::max(top, cs[std::size_t(i)]);
    const double h = 1e-4 * top;
    double x = 0.0;
    if (cs[std::size_t(n)] > h && c0[std::size_t(n)] >= h)
        x = std::fabs(cs[std::size_t(n)] - c0[std::size_t(n)]) / c0[std::size_t(n)];
    for (int i = n - 1; i >= 1; --i) {
        const std::size_t k = std::size_t(i);
        if (cs[k] < -1e-8) {
            tol *= 0.5, tolLow *= 0.5, tolMid *= 0.5;
            ++halvings;
            return 2.0 * tol;
        }
        const double d = cs[k] - c0[k];
        if (c0[k] > h)
            x = std::max(x, std::fabs(d / c0[k]));
        else if (d > h) {
            if (c0[k + 1] > h)
                x = std::max(x, std::fabs(d / c0[k + 1]));
            else if (i >= 2 && c0[k - 1] > h)
                x = std::max(x, std::fabs(d / c0[k - 1]));
        }
    }
    return x;
}

// One step; returns the change for the progress text and the equilibrium test (the step's own
// length for the first step, 1 for a step that only lands on a scan time).
double NonlinearRun::Step() {
    double& dt = clock.dt;
    std::copy(C() + 1, C() + n + 1, c0.begin() + 1);
    if (control.fixedTimeStep)
        dt = tol;
    bool accelerationCut = false;
    CutForAcceleration(accelerationCut);
    const bool cut = CutAtTarget();
    if (dt == 0.0) {
        dt = 1.0;
        return 1.0;
    }
    Predict(dt);
    auto accept = [this] {
        Correct();
        Advance();
    };
    if (cut && clock.stepCount > 0) {
        accept();
        return 1.0;
    }
    if (clock.stepCount == 0) {
        const double taken = dt;
        accept();
        return taken;
    }
    double x = MaxRelativeChange();
    if (control.fixedTimeStep) {
        accept();
        return x;
    }
    const double s1 = rule.Law().s1, s2 = rule.Law().s2;
    const double cn = cs[std::size_t(n)], on = c0[std::size_t(n)];
    if (((s1 >= 0.0 && s2 > 0.0 && cn < on) || (s1 < 0.0 && s2 < 0.0 && cn > on)) && dt > 1.0) {
        dt *= 0.5;
        Predict(dt);
        x = MaxRelativeChange();
    }
    bool shortened = false;
    while (x > tol) {
        if (halvings > 10 || !std::isfinite(x)) {
            failure.discretization = true;
            break;
        }
        if (failure.singular)
            break;
        const double p = dt;
        double next = x == 0.0 ? 0.0 : tolMid / x * dt;
        if (next >= 0.8 * p && next <= 1.2 * p)
            next *= 0.5;
        dt = LimitStep(next, p);
        CutForAcceleration(accelerationCut);
        shortened = true;
        Predict(dt);
        x = MaxRelativeChange();
    }
    if (failure.Any())
        return 0.0;
    // A step cut to the scan time and then shortened no longer lands on it: the scan is awaited
    // still.
    if (cut && shortened)
        clock.endTimePending = true;
    accept();
    if (x == 0.0)
        dt *= 10.0;
    else if (x < tolLow) {
        const double p = dt;
        double next = tolMid / x * dt;
        if (next >= 0.9 * p && next <= 1.1 * p)
            next *= 2.0;
        dt = LimitStep(next, p);
    }
    if (clock.endTimePending && clock.time + dt > clock.endTime)
        dt = clock.endTime - clock.time;
    bool again = false;
    CutForAcceleration(again);
    return x;
}

// Sum of the hat weights of the uniform grid times c, and the last node's weight.
void NonlinearRun::GridAmount(double& amount, double& lastVolume) const {
    const double* r = LammGrid::radius;
    const double* c = LammGrid::concentration;
    const double h = (problem.bottomCm - problem.meniscusCm) / (n - 1);
    amount = (3.0 * r[1] + h) * h / 6.0 * c[1] + (3.0 * r[n] - h) * h / 6.0 * c[n];
    for (int i = 2; i < n; ++i)
        amount += r[i] * h * c[i];
    lastVolume = (3.0 * r[n] - h) * h / 6.0;
}

// The amount in a 2 degree sector of 1.2 cm path, the pellet included.
double NonlinearRun::TotalAmount() const {
    double amount = 0.0, lastVolume = 0.0;
    GridAmount(amount, lastVolume);
    return (amount + pellet.Amount()) * 1.2 * 0.0349065850398866;
}

// The fastest-settling species of the law (the largest s / D) piles up thinnest at the bottom;
// when its pile-up is thinner than the last element the bottom is opened and what leaves is kept
// as a pellet at the last node, as the other grid solvers do. A dense cosolute's own law is left
// closed.
void NonlinearRun::StartPellet() {
    const CConcentrationLaw& law = rule.Law();
    using L = CoefficientLaw;
    const int species = law.law == L::Tabulated                                     ? 0
                        : law.law == L::Nonideal                                    ? 1
                        : law.law == L::MonomerDimer || law.law == L::MonomerTrimer ? 2
                                                                                    : 3;
    const double sOf[3] = {law.s1, law.s2, law.s3}, dOf[3] = {law.D1, law.D2, law.D3};
    double fastS = 0.0, fastD = 0.0;
    for (int k = 0; k < species; ++k)
        if (sOf[k] > 0.0 && dOf[k] > 0.0 && (fastD == 0.0 || sOf[k] / dOf[k] > fastS / fastD))
            fastS = sOf[k], fastD = dOf[k];
    const double* r = LammGrid::radius;
    pellet.DecideClosed(r[n] - r[n - 1], fastS, fastD, problem.bottomCm);
    pellet.Start([this](double& amount, double& lastVolume) { GridAmount(amount, lastVolume); });
    out.ShowPellet(&pellet);
}

LammResult NonlinearRun::Run() {
    if (const auto early = StartGridRun(problem.rotor, clock, rule.Law().Complete()))
        return *early;
    n = LammGrid::allocatedGridSize;
    if (n < 3 || !(problem.bottomCm > problem.meniscusCm))
        return LammResult::DiscretizationError;
    // The radii are this run's uniform grid: a moving frame of an earlier run must not scale them.
    LammGrid::lastSolver = GridAlgorithm::FixedGrid;
    const std::size_t nodes = std::size_t(n) + 1;
    for (V* v :
         {&c0, &cs, &s, &D, &Ma, &Mb, &Mc, &Ka, &Kb, &Kc, &La, &Lb, &Lc, &Ba, &Bb, &Bc, &rhs, &gam})
        v->assign(nodes, 0.0);
    TD.assign(7 * nodes, 0.0);
    TS.assign(7 * nodes, 0.0);
    // The loaded profile carried onto the uniform grid; the grid's own radii come back at the end.
    double* r = LammGrid::radius;
    const V radii(r, r + nodes);
    const V loaded(C(), C() + nodes);
    const double h = (problem.bottomCm - problem.meniscusCm) / (n - 1);
    for (int i = 1; i <= n; ++i) {
        const double x = i == n ? problem.bottomCm : problem.meniscusCm + (i - 1) * h;
        const auto at = std::lower_bound(radii.begin() + 1, radii.end(), x);
        const std::size_t k = std::size_t(at - radii.begin());
        double value;
        if (k <= 1)
            value = loaded[1];
        else if (k >= nodes)
            value = loaded[nodes - 1];
        else
            value = loaded[k - 1] +
                    (loaded[k] - loaded[k - 1]) * (x - radii[k - 1]) / (radii[k] - radii[k - 1]);
        c0[std::size_t(i)] = value;
        r[i] = x;
    }
    std::copy(c0.begin() + 1, c0.end(), C() + 1);

    clock.stepCount = 0;
    LammGrid::maxDt = 1000.0;
    tol = control.maxDcOverC, tolLow = control.dcOverCLow, tolMid = control.dcOverCMid;
    if (control.fixedTimeStep)
        clock.dt = tol;
    StartPellet();
    AssembleIntegrals();
    if (control.trackAmount)
        LammGrid::totalAmount = TotalAmount();
    DepletionProbe probe(rule.Law().s1 != 0.0 ? rule.Law().s1 : problem.s);
    double scale = 0.0;
    for (int i = 1; i <= n; ++i)
        scale = std::max(scale, std::fabs(C()[i]));
    StepUntilStopped([&] { return Step(); }, [&] { return ProfileSound(C(), n, scale); }, out,
                     clock, probe, failure);
    pellet.End();
    out.ShowPellet(nullptr);
    std::copy(radii.begin() + 1, radii.end(), r + 1);
    return failure.Result();
}

} // namespace

CConcentrationLaw ConcentrationLawOfRecord() {
    using C = ModelChoice;
    using M = ModelParameters;
    CConcentrationLaw law;
    law.s1 = M::assocS1, law.s2 = M::assocS2;
    law.D1 = M::assocD1, law.D2 = M::assocD2;
    law.K = std::pow(10.0, double(M::assocLogK));
    if (C::monomerDimer) {
        law.law = CoefficientLaw::MonomerDimer;
        law.dimerKs = M::assocKsOn;
        law.ks = std::pow(10.0, double(M::logKs));
    } else if (C::monomerTrimer) {
        law.law = CoefficientLaw::MonomerTrimer;
    } else if (C::associationVariantA || C::selfAssocTetramerOctamer || C::associationVariantB ||
               C::selfAssocDimerTetramer) {
        law.law = C::associationVariantA || C::selfAssocTetramerOctamer ? CoefficientLaw::OligomerA
                                                                        : CoefficientLaw::OligomerB;
        law.s1 = M::oligoS1, law.s2 = M::oligoS2, law.s3 = M::oligoS3;
        law.D1 = M::oligoD1, law.D2 = M::oligoD2, law.D3 = M::oligoD3;
        law.K = std::pow(10.0, double(M::oligoLogK2));
        law.K3 = std::pow(10.0, double(M::oligoLogK3));
    } else if (M::tabulatedNonideality) {
        law.law = CoefficientLaw::Tabulated;
        law.cesiumChloride = M::tabulatedCsCl;
        if (!law.cesiumChloride) {
            law.sPolynomial = ReadCoefficientFile(InhomogeneousSolvent::SFileInUse());
            law.dPolynomial = ReadCoefficientFile(InhomogeneousSolvent::DFileInUse());
        }
    } else {
        law.law = CoefficientLaw::Nonideal;
        const double scale =
            ScanStore::concentrationScale != 0.0 ? ScanStore::concentrationScale : 1.0;
        const double sign = M::nonidealPositive ? 1.0 : -1.0;
        law.ks = sign * std::pow(10.0, double(M::logKs)) / scale;
        law.kd = sign * std::pow(10.0, double(M::logKd)) / scale;
        law.distributionTotal = C::contiSpeciesVariant;
    }
    return law;
}

// Checked against the solver object's propagation loop on the same models, on mass, on the
// ideal limit ks = kd = 0 and on the weight-average s of fast monomer-dimer association, in the
// solver tests.
LammResult SolveLammNonlinear(const CLammProblem& problem, const CConcentrationLaw& law,
                              const CLammControl& control, CGridClock& clock, CLammSink& out) {
    return NonlinearRun{problem, control, clock, out, CoefficientRule(law)}.Run();
}
