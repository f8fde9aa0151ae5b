// Mass and transport matrices of the fixed-grid Lamm solution: the sector cell on the grid of
// LammGrid::radius, cut at the right end of the active region, and the rectangular and
// external-loading cells.
#include "lamm/hat_integrals.h"
#include "simulation/bottom_pellet.h"
#include "simulation/fixed_grid_state.h"
#include "simulation/grid_element_integrals.h"
#include "simulation/solvent_profile.h"
#include "simulation/weighted_element_integrals.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/scan_store.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kTwoPiOver60 = 2.0 * M_PI / 60.0;
constexpr double kSectorFactor = 1.2 * 0.0349065850398866;

double SedimentationRate(const FixedGridState& f) {
    const double omega = LammGrid::rotorSpeed * kTwoPiOver60;
    return omega * omega * f.s * 1e-13;
}

// The weights of the solvent's transport rows on the grid of the last assembly.
CHatWeightedElements gSolventElements;

// In an inhomogeneous solvent whose factors cover the grid, D and s of the transport are
// D v(r) and s v(r) b(r), with the node factors interpolated on each element.
bool SolventCarried(const FixedGridState& f) {
    return ModelChoice::inhomogeneousSolvent && !f.weighted && SolventProfile::Size() >= f.n &&
           SolventProfile::buoyancyFactor.size() == SolventProfile::viscosityFactor.size();
}

void FillSolventRows(FixedGridState& f, int first, int last, int N) {
    const double k = f.sw, D = f.D;
    for (int i = first; i <= last; ++i) {
        f.Ma[i] = FeElemGrid3A(i, i - 1, N);
        f.Mb[i] = FeElemGrid3A(i, i, N);
        f.Mc[i] = FeElemGrid3A(i, i + 1, N);
    }
    gSolventElements.FormFor(LammGrid::radius, f.n);
    double* transport[3] = {f.Ka.data(), f.Kb.data(), f.Kc.data()};
    HatWeightedTransportRows(gSolventElements, SolventProfile::viscosityFactor.data(),
                             SolventProfile::buoyancyFactor.data(), N, first, last, k, D,
                             transport);
    if (f.shutOff && f.s > 0.0 && first <= N && N <= last && N >= 2) {
        const double* r = LammGrid::radius;
        f.Ka[N] += D * RadialFECoefficientA(r, N);
        f.Kb[N] -= k * RadialFECoefficientB(r, N) + D * RadialFECoefficientA(r, N);
    }
}

// Rows first..last of a matrix cut at node N. The entries are the exact element integrals of
// the grid's own nodes (on a uniform grid the familiar closed forms), so the columns of K sum to
// zero and the amount stays whatever rounding the radii carry. With the back-diffusion shut-off
// the last row keeps the flux through the bottom.
void FillRows(FixedGridState& f, int first, int last, int N) {
    const double k = f.sw, D = f.D;
    first = std::max(first, 1);
    last = std::min(last, N);
    if (SolventCarried(f)) {
        FillSolventRows(f, first, last, N);
        return;
    }
    for (int i = first; i <= last; ++i) {
        f.Ma[i] = FeElemGrid3A(i, i - 1, N);
        f.Mb[i] = FeElemGrid3A(i, i, N);
        f.Mc[i] = FeElemGrid3A(i, i + 1, N);
        f.Ka[i] = k * FeElemGrid3C(i, i - 1, N) - D * FeElemGrid3B(i, i - 1, N);
        f.Kb[i] = k * FeElemGrid3C(i, i, N) - D * FeElemGrid3B(i, i, N);
        f.Kc[i] = k * FeElemGrid3C(i, i + 1, N) - D * FeElemGrid3B(i, i + 1, N);
    }
    const bool open = f.shutOff || f.pellet.On();
    if (open && f.s > 0.0 && first <= N && N <= last && N >= 2) {
        const double* r = LammGrid::radius;
        const double diffusion = r[N] / (r[N] - r[N - 1]);
        f.Ka[N] += D * diffusion;
        f.Kb[N] -= k * r[N] * r[N] + D * diffusion;
    }
}

} // namespace

void AssembleLammMatricesStatic(FixedGridState& f, int N) {
    N = std::min(N, f.n);
    f.sw = SedimentationRate(f);
    f.plateauRate = f.sw;
    FillRows(f, 1, N, N);
    f.Rasm = f.Rfull = N;
    f.refactor = true;
}

void AssembleLammMatricesActive(FixedGridState& f, int N) {
    N = std::min(N, f.n);
    if (N == f.Rasm)
        return;
    f.refactor = true;
    if (N > f.Rfull) {
        AssembleLammMatricesStatic(f, N);
        return;
    }
    const int old = f.Rasm;
    FillRows(f, old - 1, old, N);
    FillRows(f, N - 1, N, N);
    f.Rasm = N;
}

void AssembleLammMatricesWeighted(FixedGridState& f) {
    const int n = f.n;
    f.sw = ModelChoice::electrophoresis ? f.s * 1e-4 : SedimentationRate(f);
    f.plateauRate = f.sw;
    const CellGeometry w = ChosenCellGeometry();
    for (int i = 1; i <= n; ++i) {
        f.Ma[i] = FeElemRomberg2A(w, i - 1, i);
        f.Mb[i] = FeElemRomberg2A(w, i, i);
        f.Mc[i] = FeElemRomberg2A(w, i + 1, i);
        f.Ka[i] = f.sw * FeElemRomberg2C(w, i - 1, i) - f.D * FeElemRomberg2B(w, i - 1, i);
        f.Kb[i] = f.sw * FeElemRomberg2C(w, i, i) - f.D * FeElemRomberg2B(w, i, i);
        f.Kc[i] = f.sw * FeElemRomberg2C(w, i + 1, i) - f.D * FeElemRomberg2B(w, i + 1, i);
    }
    f.Rasm = f.Rfull = n;
    f.refactor = true;
}

void ReassembleForRotorSpeed(FixedGridState& f, int rows) {
    if (f.weighted) {
        AssembleLammMatricesWeighted(f);
        return;
    }
    const int R = f.R;
    AssembleLammMatricesStatic(f, rows);
    AssembleLammMatricesActive(f, R);
}

void FixedGridAmount(const FixedGridState& f, double& amount, double& lastVolume) {
    const double* c = LammGrid::concentration;
    amount = 0.0;
    for (int i = 1; i <= f.n; ++i)
        amount += FeElemGrid1R(i, f.n) * c[i];
    lastVolume = FeElemGrid1R(f.n, f.n);
}

double TotalAmountFixedGrid(const FixedGridState& f) {
    double amount = 0.0, lastVolume = 0.0;
    FixedGridAmount(f, amount, lastVolume);
    return (amount + f.pellet.Amount()) * kSectorFactor;
}

double TotalAmountWeighted(const FixedGridState& f) {
    const CellGeometry w = ChosenCellGeometry();
    const double* c = LammGrid::concentration;
    double sum = 0.0;
    for (int i = 1; i <= f.n; ++i)
        sum += FeElemRomberg1(w, i) * c[i];
    return 1.2 * sum;
}
