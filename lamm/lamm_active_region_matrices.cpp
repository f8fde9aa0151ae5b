// Mass and transport matrices of the fixed-grid loop, cut at the upper end of the active region.
#include "foundations/show_error.h"
#include "lamm/hat_integrals.h"
#include "lamm/lamm_ideal.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kTwoPiOver60 = 2.0 * M_PI / 60.0;

} // namespace

// Rows first..last of M and of the transport operator K (M dc/dt = K c, K = k Sed - D Stiff) for
// a matrix cut at node m: row m takes the no-flux end formulas, or the outflow end when the
// back-diffusion shut-off opens the bottom. On a uniform grid the entries are closed forms; the
// solver tests compare them with the exact element integrals.
void CLammIdeal::FillActiveRegionRows(int first, int last, int m, bool transportOnly) {
    const double omega = currentRotorSpeed * kTwoPiOver60;
    const double k = omega * omega * s * 1e-13;
    plateauRate = k;
    const bool openBottom = BottomOpen() && s > 0.0;
    const bool openMeniscus = backDiffusionShutOff && s < 0.0 && !inhomogeneousSolvent;
    first = std::max(first, 1);
    last = std::min(last, m);
    if (inhomogeneousSolvent) {
        FillSolventRows(first, last, m, k, transportOnly);
    } else if (!nonUniformGrid) {
        const double h = (bottom - meniscus) / (N - 1);
        for (int i = first; i <= last; ++i) {
            const double ri = r[i];
            if (i == 1) {
                Ma[1] = 0.0;
                Mb[1] = (h / 3.0) * (h / 4.0 + ri);
                Mc[1] = (h / 6.0) * (h / 2.0 + ri);
                Ka[1] = 0.0;
                Kb[1] = -k * (h * h / 12.0 + ri * h / 3.0 + ri * ri / 2.0) - D * (h / 2.0 + ri) / h;
                Kc[1] = -k * (h * h / 4.0 + 2.0 / 3.0 * ri * h + ri * ri / 2.0) +
                        D * (h / 2.0 + ri) / h;
            } else if (i == m) {
                Ma[i] = (h / 6.0) * (ri - h / 2.0);
                Mb[i] = (h / 3.0) * (ri - h / 4.0);
                Mc[i] = 0.0;
                Ka[i] =
                    k * (h * h / 4.0 + ri * ri / 2.0 - 2.0 / 3.0 * ri * h) + D * (ri - h / 2.0) / h;
                Kb[i] = k * (h * h / 12.0 + ri * ri / 2.0 - ri * h / 3.0) - D * (ri - h / 2.0) / h;
                Kc[i] = 0.0;
            } else {
                Ma[i] = (h / 6.0) * (ri - h / 2.0);
                Mb[i] = 2.0 / 3.0 * ri * h;
                Mc[i] = (h / 6.0) * (ri + h / 2.0);
                Ka[i] =
                    k * (h * h / 4.0 + ri * ri / 2.0 - 2.0 / 3.0 * ri * h) + D * (ri - h / 2.0) / h;
                Kb[i] = -2.0 / 3.0 * k * ri * h - 2.0 * D * ri / h;
                Kc[i] = -k * (h * h / 4.0 + 2.0 / 3.0 * ri * h + ri * ri / 2.0) +
                        D * (h / 2.0 + ri) / h;
            }
        }
    } else {
        // the rows of the Radius*Element pair integrals, each element's terms formed once
        double* mass[3] = {Ma, Mb, Mc};
        double* transport[3] = {Ka, Kb, Kc};
        HatRows(r, std::min(m, N), first, last, k, D, mass, transport);
    }
    if (openBottom && first <= m && m <= last) {
        const double h = r[m] - r[m - 1];
        const double diffusion = inhomogeneousSolvent ? SolventDiffusionFlux(r, m) : r[m] / h;
        const double sedimentation =
            inhomogeneousSolvent ? SolventSedimentationFlux(r, m) : r[m] * r[m];
        Ka[m] += D * diffusion;
        Kb[m] -= k * sedimentation + D * diffusion;
    }
    if (openMeniscus && first == 1) {
        const double h = r[2] - r[1];
        Kc[1] += D * r[1] / h;
        Kb[1] += k * r[1] * r[1] - D * r[1] / h;
    }
}

// Solvent factors weight the stiffness (by f) and the sedimentation (by f b) element by element;
// the mass rows are those of the grid. A sedimenting cosolvent changes the factors at every step,
// so the transport rows are integrated element by element, each element once.
void CLammIdeal::FillSolventRows(int first, int last, int m, double k, bool transportOnly) {
    const size_t size = static_cast<size_t>(N) + 1;
    const bool factors = viscosityFactor.size() >= size && buoyancyFactor.size() >= size;
    for (int i = first; i <= last && !transportOnly; ++i) {
        Ma[i] = RadiusMassElement(i, i - 1, m);
        Mb[i] = RadiusMassElement(i, i, m);
        Mc[i] = RadiusMassElement(i, i + 1, m);
    }
    if (factors) {
        double* transport[3] = {Ka, Kb, Kc};
        solventElements.FormFor(r, N);
        HatWeightedTransportRows(solventElements, viscosityFactor.data(), buoyancyFactor.data(),
                                 std::min(m, N), first, last, k, D, transport);
        return;
    }
    for (int i = first; i <= last; ++i) {
        Ka[i] = k * SolventSedimentationElement(i, i - 1, r, m) -
                D * SolventStiffnessElement(i, i - 1, r, m);
        Kb[i] =
            k * SolventSedimentationElement(i, i, r, m) - D * SolventStiffnessElement(i, i, r, m);
        Kc[i] = k * SolventSedimentationElement(i, i + 1, r, m) -
                D * SolventStiffnessElement(i, i + 1, r, m);
    }
}

void CLammIdeal::AssembleActiveRegionMatrices(int m) {
    m = std::min(m, N);
    if (backDiffusionShutOff && s < 0.0 && inhomogeneousSolvent)
        ShowError(
            "CLbShutOffBackDiffusion for flotation with inhomogeneous solvent not implemented", 0);
    FillActiveRegionRows(1, m, m);
    assembledUpTo = m;
    lastAssembledU = m;
    matricesChanged = true;
}

// New solvent factors at nodes lo..hi change the transport rows lo-1..hi+1 only, as long as the
// cut is the one last assembled; rows beyond the cut are left stale, and a later wider cut
// assembles them afresh.
void CLammIdeal::RefreshSolventRows(int lo, int hi) {
    const int m = std::min(upperIndex, N);
    if (m != lastAssembledU || m > assembledUpTo) {
        AssembleActiveRegionMatrices(upperIndex);
        return;
    }
    const int first = std::max(lo - 1, 1), last = std::min(hi + 1, m);
    if (first <= last)
        FillActiveRegionRows(first, last, m, true);
    assembledUpTo = m;
    matricesChanged = true;
}

// Moving the cut only changes the rows around the old and the new last node, as long as the
// rows in between were assembled before.
void CLammIdeal::ResizeActiveRegion(int m) {
    m = std::min(m, N);
    if (m == lastAssembledU)
        return;
    matricesChanged = true;
    if (m > assembledUpTo) {
        AssembleActiveRegionMatrices(m);
        return;
    }
    const int old = lastAssembledU;
    FillActiveRegionRows(old - 1, old, m);
    FillActiveRegionRows(m - 1, m, m);
    lastAssembledU = m;
}
