// Element integrals, per-node coefficients and the Crank-Nicolson systems of the propagation loop.
#include "lamm/lamm_ideal.h"
#include "lamm/tridiagonal.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kTwoPiOver60 = 2.0 * M_PI / 60.0;

// (j, a) of the seven triple integrals of row i as offsets from i: j the trial node, a the node
// whose hat carries the coefficient.
constexpr int kPairs[7][2] = {{-1, -1}, {0, -1}, {-1, 0}, {0, 0}, {1, 0}, {0, 1}, {1, 1}};

bool IsMixture(const CLammIdeal& o) {
    return o.rapidSelfAssociation && o.speciesCount > 0;
}

} // namespace

// Mass entries and the fourteen triple integrals of every row; the sedimentation integrals carry
// w^2 1e-13, so they are rebuilt whenever the rotor speed changes.
void CLammIdeal::PropagationElementMatrices() {
    CPropagationArrays& P = propagation;
    const double omega = currentRotorSpeed * kTwoPiOver60;
    const double w2 = omega * omega * 1e-13;
    for (int i = 1; i <= N; ++i) {
        Ma[i] = ElementIntegralR(i, i - 1);
        Mb[i] = ElementIntegralR(i, i);
        Mc[i] = ElementIntegralR(i, i + 1);
        for (int p = 0; p < 7; ++p) {
            const int j = i + kPairs[p][0], a = i + kPairs[p][1];
            P.E[7 * i + p] = UniformDiffusionTriple(i, j, a);
            P.F[7 * i + p] = w2 * UniformSedimentationTriple(i, j, a);
        }
    }
}

// K = sum over the coefficient nodes a of (s_a F - D_a E): the transport operator of
// M dc/dt = K c with s and D interpolated linearly between nodes. With the back-diffusion
// shut-off and a sedimenting bottom node the last row lets material flow out.
void CLammIdeal::AssemblePropagationStiffness(const double* sn, const double* dn) {
    const CPropagationArrays& P = propagation;
    for (int i = 1; i <= N; ++i) {
        double entry[3] = {0.0, 0.0, 0.0};
        for (int p = 0; p < 7; ++p) {
            const int j = kPairs[p][0], a = i + kPairs[p][1];
            if (a < 1 || a > N || i + j < 1 || i + j > N)
                continue;
            entry[j + 1] += sn[a] * P.F[7 * i + p] - dn[a] * P.E[7 * i + p];
        }
        Ka[i] = i > 1 ? entry[0] : 0.0;
        Kb[i] = entry[1];
        Kc[i] = i < N ? entry[2] : 0.0;
    }
    if (backDiffusionShutOff && sn[N] > 0.0) {
        const double omega = currentRotorSpeed * kTwoPiOver60;
        const double flux = dn[N] * r[N] / (r[N] - r[N - 1]);
        Ka[N] += flux;
        Kb[N] -= flux + r[N] * r[N] * sn[N] * 1e-13 * omega * omega;
    }
}

void CLammIdeal::BuildPropagationMatrices(double step) {
    lastFactorDt = step;
    FormCrankNicolson(step, N);
}

// A c_new = B c_old by the Thomas algorithm; a zero pivot sets the singular-matrix word and the
// profile keeps its old values.
bool CLammIdeal::SolvePropagationSystem(const double* from, double* to) {
    TridiagProduct(Ba, Bb, Bc, from, rhs, 1, N);
    if (ThomasSolve(La, Lb, Lc, rhs, to, gam, 1, N) == TridiagStatus::Ok)
        return true;
    singularMatrix = 1;
    std::copy(from + 1, from + N + 1, to + 1);
    return false;
}

void CLammIdeal::PredictPropagationStep(double step) {
    CPropagationArrays& P = propagation;
    P.lastPredictorDt = step;
    if (rampRotorSpeed && accelerationPhaseActive) {
        currentRotorSpeed = EffectiveRotorSpeed(t, step);
        PropagationElementMatrices();
    }
    if (!IsMixture(*this)) {
        PropagationCoefficients(false);
        AssemblePropagationStiffness(P.sNode.data(), P.dNode.data());
        BuildPropagationMatrices(step);
        SolvePropagationSystem(cOld, P.cNew.data());
        return;
    }
    MixtureCoefficients(false);
    const size_t nodes = static_cast<size_t>(N) + 1;
    std::fill(P.cNew.begin(), P.cNew.end(), 0.0);
    for (int k = 1; k <= speciesCount; ++k) {
        const size_t row = k * nodes;
        AssemblePropagationStiffness(&P.skNode[row], &P.dkNode[row]);
        BuildPropagationMatrices(step);
        SolvePropagationSystem(&P.ckOld[row], &P.ckNew[row]);
        for (int i = 1; i <= N; ++i) {
            P.wckNew[row + i] = species4[k] * P.ckNew[row + i];
            P.cNew[i] += P.wckNew[row + i];
        }
    }
}

void CLammIdeal::CorrectPropagationStep() {
    CPropagationArrays& P = propagation;
    if (!IsMixture(*this)) {
        PropagationCoefficients(true);
        AssemblePropagationStiffness(P.sNode.data(), P.dNode.data());
        BuildPropagationMatrices(P.lastPredictorDt);
        SolvePropagationSystem(cOld, c);
        return;
    }
    MixtureCoefficients(true);
    const size_t nodes = static_cast<size_t>(N) + 1;
    std::fill(c + 1, c + N + 1, 0.0);
    for (int k = 1; k <= speciesCount; ++k) {
        const size_t row = k * nodes;
        AssemblePropagationStiffness(&P.skNode[row], &P.dkNode[row]);
        BuildPropagationMatrices(P.lastPredictorDt);
        SolvePropagationSystem(&P.ckOld[row], &P.ck[row]);
        for (int i = 1; i <= N; ++i) {
            P.wck[row + i] = species4[k] * P.ck[row + i];
            c[i] += P.wck[row + i];
        }
    }
}

// The real root c1 of K c1^3 + c1 = c (Cardano); without association all is monomer.
double CLammIdeal::TrimerMonomerConcentration(double conc) const {
    const CPropagationArrays& P = propagation;
    if (P.K <= 0.0)
        return conc;
    const double half = conc / (2.0 * P.K);
    const double Q = std::sqrt(conc * conc / (4.0 * P.K2) + 1.0 / (27.0 * P.K3));
    return std::cbrt(half + Q) - std::cbrt(-half + Q);
}

// s and D at each node by the model's rule: the predictor at the old profile, the corrector
// averaged over the old and the predicted profile. Association rules take the non-ideality on
// top; the single species' factors are not clamped.
void CLammIdeal::PropagationCoefficients(bool corrector) {
    CPropagationArrays& P = propagation;
    const double* cn = P.cNew.data();
    auto dimer = [&P](double conc, double& sv, double& dv) {
        const double x = (std::sqrt(4.0 * P.K * std::max(conc, 0.0) + 1.0) - 1.0) / 2.0;
        sv = (P.s1 + x * P.s2) / (1.0 + x);
        dv = (P.D1 + 2.0 * x * P.D2) / (1.0 + 2.0 * x);
    };
    auto trimer = [this, &P](double conc, double& sv, double& dv) {
        const double c1 = TrimerMonomerConcentration(conc);
        const double y = P.K * c1 * c1;
        sv = (P.s1 + y * P.s2) / (1.0 + y);
        dv = (P.D1 + 3.0 * y * P.D2) / (1.0 + 3.0 * y);
    };
    // before the first step the coefficients come from the monomer-dimer rule, which the
    // first predictor replaces by the model's own (and the dependence switch keeps)
    const bool start = stepsTaken == 0 && !corrector && P.lastPredictorDt == 0.0;
    for (int i = 1; i <= N; ++i) {
        double& sv = P.sNode[i];
        double& dv = P.dNode[i];
        if (start || assocA || assocB) {
            const bool useTrimer = assocB && !start;
            auto rule = [&](double conc, double& sr, double& dr) {
                if (useTrimer)
                    trimer(conc, sr, dr);
                else
                    dimer(conc, sr, dr);
            };
            double so, dOld;
            rule(cOld[i], so, dOld);
            if (corrector) {
                double sNew, dNew;
                rule(cn[i], sNew, dNew);
                sv = 0.5 * (so + sNew);
                dv = 0.5 * (dOld + dNew);
                if (concDependentNI) {
                    const double mean = 0.5 * (cOld[i] + cn[i]);
                    sv *= 1.0 - ks * mean;
                    dv *= 1.0 + kd * mean;
                }
            } else {
                sv = so;
                dv = dOld;
                if (concDependentNI && !start) {
                    sv *= 1.0 - ks * cOld[i];
                    dv *= 1.0 + kd * cOld[i];
                }
            }
        } else if (P.tableOn) {
            double sl, dl;
            LookupAssociationTable(corrector ? cn[i] : cOld[i], sl, dl);
            sv = corrector ? 0.5 * (sv + sl) : sl;
            dv = corrector ? 0.5 * (dv + dl) : dl;
        } else if (!dependenceSwitch) {
            if (corrector) {
                sv = 0.5 * ((1.0 - ks * cn[i]) * s + sv);
                dv = 0.5 * ((1.0 + kd * cn[i]) * D + dv);
            } else {
                sv = (1.0 - ks * cOld[i]) * s;
                dv = (1.0 + kd * cOld[i]) * D;
            }
        }
    }
}

// Species of a mixture sediment separately but slow each other through the total
// concentration; the factors are clamped at 0 so no species turns round.
void CLammIdeal::MixtureCoefficients(bool corrector) {
    CPropagationArrays& P = propagation;
    const size_t nodes = static_cast<size_t>(N) + 1;
    const std::vector<double>& profiles = corrector ? P.ckNew : P.ckOld;
    for (int i = 1; i <= N; ++i) {
        double total = 0.0;
        for (int k = 1; k <= speciesCount; ++k)
            total += profiles[k * nodes + i];
        const double fs = std::max(0.0, 1.0 - ks * total);
        const double fd = std::max(0.0, 1.0 + kd * total);
        for (int k = 1; k <= speciesCount; ++k) {
            double& sv = P.skNode[k * nodes + i];
            double& dv = P.dkNode[k * nodes + i];
            if (corrector) {
                sv = 0.5 * (sv + fs * species2[k]);
                dv = 0.5 * (dv + fd * species3[k]);
            } else {
                sv = fs * species2[k];
                dv = fd * species3[k];
            }
        }
    }
}
