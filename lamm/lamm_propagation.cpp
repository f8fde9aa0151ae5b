// The time loop for species whose s and D depend on the local concentration: predictor-corrector
// Crank-Nicolson steps on the full fixed grid with an adaptive step.
#include "lamm/lamm_ideal.h"

#include <algorithm>
#include <cmath>

namespace {

// A loop whose steps stop advancing time ends with the discretization error.
constexpr int kMostIdleSteps = 1000;

bool IsMixture(const CLammIdeal& o) {
    return o.rapidSelfAssociation && o.speciesCount > 0;
}

} // namespace

// The loading of node i for a species of the given amount: uniform, a step or a zone, as the
// initial concentration of the run.
double CLammIdeal::InitialLoadingAt(int i, double amount) const {
    const double edge = r[1] + zoneWidth;
    if (zoneLoading)
        return emptyZone ? (r[i] < edge ? 0.0 : amount) : (r[i] <= edge ? amount : 0.0);
    if (initialStep)
        return r[i] < edge ? stepFactor * amount : amount;
    return amount;
}

// Solves from the loaded profile until the last scan, equilibrium, the boundary leaving the
// data, or a failure. Each step is predicted with the coefficients of the old profile and
// corrected with their mean over the old and predicted profiles, which keeps second order in
// time. With ks = kd = 0 the result matches the ideal solution; the propagation tests check
// that, mass conservation and the self-sharpening of the boundary.
void CLammIdeal::RunPropagation() {
    if (setupSucceeded == 0)
        return;
    CPropagationArrays& P = propagation;
    const bool mixture = IsMixture(*this);
    P.lastChange = 1.0;
    P.lastPredictorDt = 0.0;
    lastFactorDt = 0.0;
    P.n = N;
    P.components = mixture ? speciesCount : 0;
    const size_t nodes = static_cast<size_t>(N) + 1;
    P.E.assign(7 * nodes, 0.0);
    P.F.assign(7 * nodes, 0.0);
    P.cNew.assign(nodes, 0.0);
    P.sNode.assign(nodes, 0.0);
    P.dNode.assign(nodes, 0.0);
    const size_t mix = mixture ? nodes * (speciesCount + 1) : 0;
    for (std::vector<double>* v :
         {&P.ck, &P.ckOld, &P.ckNew, &P.wck, &P.wckOld, &P.wckNew, &P.skNode, &P.dkNode})
        v->assign(mix, 0.0);
    LoadPropagationConstants();
    singularMatrix = discretizationError = 0;
    refusals = 0;
    stepsTaken = 0;
    if (mixture) {
        for (int k = 1; k <= speciesCount; ++k) {
            const size_t row = static_cast<size_t>(k) * nodes;
            for (int i = 1; i <= N; ++i) {
                P.ck[row + i] = InitialLoadingAt(i, species1[k]);
                P.wck[row + i] = species4[k] * P.ck[row + i];
            }
        }
        P.ckOld = P.ck;
        P.wckOld = P.wck;
    }
    std::copy(c + 1, c + N + 1, cOld + 1);
    currentRotorSpeed = accelerationPhaseActive ? currentRotorSpeed : finalRotorSpeed;
    PropagationElementMatrices();
    if (mixture)
        MixtureCoefficients(false);
    else
        PropagationCoefficients(false);
    AssemblePropagationStiffness(P.sNode.data(), P.dNode.data());
    dt = fixTimestep ? maxDcOverCCopy : (zoneLoading ? 0.1 : startingTimeStep);
    dtMax = 1000.0;
    tolerance = maxDcOverCCopy;
    toleranceLow = fineChangeLimit;
    toleranceTarget = coarseChangeLimit;
    double cmax = 0.0;
    for (int i = 1; i <= N; ++i)
        cmax = std::max(cmax, c[i]);
    eps = truncationThreshold * cmax;
    // The end probe needs the direction of sedimentation; models loaded without s take it from
    // their own coefficients, and without any direction there is no end test.
    const double keepS = s;
    double direction = s;
    if (direction == 0.0)
        direction = mixture ? species2[1] : P.s1;
    s = direction;
    SetEndCriterion();
    s = keepS;
    const bool endTest = direction != 0.0 && !zoneLoading;
    endReachedFlag = false;
    if (massCheck)
        totalAmount = initialAmount = TotalAmount();
    int idle = 0;
    equilibriumCount = 0;
    while (continueLoop) {
        if (singularMatrix || discretizationError)
            break;
        const double dtPrev = dt;
        const double before = t;
        double change = static_cast<float>(PropagationStep());
        P.lastChange = change;
        idle = t > before ? 0 : idle + 1;
        if (idle > kMostIdleSteps || !std::isfinite(c[1]) || !std::isfinite(c[N]))
            discretizationError = 1;
        CLEachIterationOutput(change);
        change /= dtPrev;
        if (EquilibriumReached(dtPrev, change)) {
            endReachedFlag = true;
            equilibriumStop = true;
            continueLoop = 0;
        }
        if (endTest && c[endIndex] < endLevel) {
            endReachedFlag = true;
            continueLoop = 0;
        }
    }
    FreeAssociationTable();
}

// The non-ideality constants ks and kd with their signs, and the association constants of the
// loaded scheme.
void CLammIdeal::LoadPropagationConstants() {
    CPropagationArrays& P = propagation;
    if (concDependentNI) {
        // the loaded magnitudes, with the sign the switches give, per unit of the scale
        double ksValue = std::pow(10.0, static_cast<double>(logKs));
        double kdValue = std::pow(10.0, static_cast<double>(logKd));
        if (!nonidealSwitch1)
            ksValue = -ksValue;
        if (!nonidealSwitch2)
            kdValue = -kdValue;
        ks = static_cast<float>(ksValue / nonIdealityScale);
        kd = static_cast<float>(kdValue / nonIdealityScale);
    }
    // association constants: monomer-dimer and monomer-trimer from values 7-12, the oligomer
    // schemes from values 1-5, 9, 13, 14
    const float* v = assocValues;
    if (assocA || assocB) {
        P.s1 = v[7], P.s2 = v[8], P.D1 = v[10], P.D2 = v[11], P.K = v[12];
    } else {
        P.s1 = v[1], P.s2 = v[2], P.D1 = v[3], P.D2 = v[4], P.s4 = v[5], P.D4 = v[13];
        P.K = v[12];
    }
    if (assocA)
        P.K = std::pow(10.0, static_cast<double>(v[9]));
    if (assocB) {
        P.K2 = P.K * P.K;
        P.K3 = P.K2 * P.K;
    }
    if (assocC || assocD) {
        P.tableOn = true;
        P.Ka = std::pow(10.0, static_cast<double>(v[9]));
        P.Kb = std::pow(10.0, static_cast<double>(v[14]));
        BuildAssociationTable();
    }
}

// One adaptive step; returns the relative change of the profile (1.0 for a step that only
// lands on a scan time).
double CLammIdeal::PropagationStep() {
    CPropagationArrays& P = propagation;
    const bool mixture = IsMixture(*this);
    refusals = 0;
    std::copy(c + 1, c + N + 1, cOld + 1);
    if (mixture) {
        P.ckOld = P.ck;
        P.wckOld = P.wck;
    }
    if (fixTimestep)
        dt = maxDcOverCCopy;
    bool endClipped = false;
    ClipStepToRotorSpeed(endClipped);
    const bool cut = CutStepAtScanTime();
    if (dt <= 0.0) {
        dt = 1.0;
        return 1.0;
    }
    auto overflow = [this, &P]() {
        for (int i = 1; i <= N; ++i)
            if (!(std::fabs(P.cNew[i]) <= 1e100))
                return true;
        return false;
    };
    PredictPropagationStep(dt);
    if (overflow()) {
        discretizationError = 1;
        return 0.0;
    }
    if (!mixture && zoneLoading && t < 10.0)
        SpreadTinyValues(P.cNew.data(), r, N);
    auto accept = [this]() {
        CorrectPropagationStep();
        AdvancePropagationTime();
    };
    if (cut && stepsTaken >= 1) {
        accept();
        return 1.0;
    }
    if (stepsTaken == 0 && c[1] > 0.0) {
        const double taken = dt;
        accept();
        return taken;
    }
    if (fixTimestep) {
        accept();
        return P.lastChange;
    }
    double change = PropagationChange();
    // a boundary that sediments must not raise the bottom's concentration less than before
    const double* cn = P.cNew.data();
    if (((P.s1 > 0.0 && P.s2 > 0.0 && cn[N] < cOld[N]) ||
         (P.s1 < 0.0 && P.s2 < 0.0 && cn[N] > cOld[N])) &&
        dt > 1.0) {
        dt *= 0.5;
        PredictPropagationStep(dt);
        change = PropagationChange();
    }
    while (change > tolerance) {
        if (refusals > 10) {
            discretizationError = 1;
            return 0.0;
        }
        if (singularMatrix)
            return 0.0;
        dt = ShrinkStep(change, false);
        ClipStepToRotorSpeed(endClipped);
        if (cut)
            hitTime = 1; // the shortened step no longer lands on the scan time
        PredictPropagationStep(dt);
        if (overflow()) {
            discretizationError = 1;
            return 0.0;
        }
        change = PropagationChange();
    }
    accept();
    dt = GrowStep(change, false);
    if (hitTime && t + dt > targetTime)
        dt = targetTime - t;
    bool clipAgain = false;
    ClipStepToRotorSpeed(clipAgain);
    return change;
}

// The largest relative change of the predicted profile (of any component); a value below -eps
// refuses the step and halves the tolerances for the rest of the run.
double CLammIdeal::PropagationChange() {
    CPropagationArrays& P = propagation;
    bool refused = false;
    auto changeOf = [this, &refused](const double* nw, const double* od) {
        double cmax = 0.0;
        for (int i = 1; i <= N; ++i)
            cmax = std::max(cmax, nw[i]);
        const double threshold = 1e-4 * cmax;
        double change = 0.0;
        if (nw[N] > threshold && od[N] >= threshold)
            change = std::fabs((nw[N] - od[N]) / od[N]);
        for (int i = N - 1; i >= 1; --i) {
            if (nw[i] < -eps) {
                refused = true;
                return 0.0;
            }
            change = RelativeNodeChange(nw, od, i, threshold, change);
        }
        return change;
    };
    double change = 0.0;
    if (IsMixture(*this)) {
        const size_t nodes = static_cast<size_t>(N) + 1;
        for (int k = 1; k <= speciesCount && !refused; ++k)
            change = std::max(change, changeOf(&P.ckNew[k * nodes], &P.ckOld[k * nodes]));
    } else {
        change = changeOf(P.cNew.data(), cOld);
    }
    if (refused) {
        tolerance *= 0.5;
        toleranceLow *= 0.5;
        toleranceTarget *= 0.5;
        ++refusals;
        return 2.0 * tolerance;
    }
    return change;
}

void CLammIdeal::AdvancePropagationTime() {
    ++stepsTaken;
    t += dt;
    if (accelerationPhaseActive && t >= accelerationDuration) {
        currentRotorSpeed = EffectiveRotorSpeed(t, dt);
        PropagationElementMatrices();
        accelerationPhaseActive = false;
    }
    if (!IsMixture(*this) && c[1] < 0.0 && c[1] > -eps)
        RepairNegativeMeniscus();
    if (massCheck)
        totalAmount = TotalAmount();
}
