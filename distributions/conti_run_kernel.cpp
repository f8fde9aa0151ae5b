// The kernel of a distribution Run: made by the road of its model (the Lamm list, non-diffusing
// boundaries, equilibrium profiles, decays of light scattering, the non-ideal and drift kernels)
// and kept while its inputs stay the same; the synthetic fits of a distribution read from a file.
#include "distributions/buffer_kernel_column.h"
#include "distributions/conti_discrete_component.h"
#include "distributions/conti_drift_kernel.h"
#include "distributions/conti_lamm_list.h"
#include "distributions/conti_nonideal_kernel.h"
#include "distributions/conti_progress.h"
#include "distributions/conti_run.h"
#include "fitting/equilibrium_fit.h"
#include "foundations/notice_boxes.h"
#include "foundations/nr_arrays.h"
#include "foundations/resampling.h"
#include "foundations/shape_models.h"
#include "foundations/show_error.h"
#include "plat/clock.hpp"
#include "scandata/scan_header.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/conti_kernel.h"
#include "simulation/distribution_totals.h"
#include "simulation/dls_kernels.h"
#include "simulation/inhomogeneous_solvent.h"
#include "simulation/non_diffusing_boundary.h"
#include "simulation/nonlinear_solver.h"
#include "state/conti_state.h"
#include "state/dls_data.h"
#include "state/fluorophore.h"
#include "state/held_discretisation.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/window_services.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>
#include <vector>

namespace {

using S = ScanStore;

// What the kernel was computed for; a Run with the same inputs reuses it.
struct KernelInputs {
    ContiVariant variant = ContiVariant::None;
    std::vector<double> s, D;
    float meniscus = 0, bottom = 0, vbar = 0, density = 0, viscosity = 0, startTime = 0;
    bool startTimeOn = false, equilibrium = false;
    const float* gridRadius = nullptr;
    int gridCount = 0, scanCount = 0;
    const ScanHeader* header = nullptr;
    std::vector<float> q2; // light scattering: the curves' scattering vectors
    bool rawLags = false;  // and whether the rows lie at the curves' own lags
    // the non-ideal c(s): its law, the total concentration it was made in and the solver grid
    double ks = 0.0, kd = 0.0;
    unsigned long totals = 0;
    int lammGridSize = 0;
    double firstTime = 0.0;
    unsigned long generation = 0;
    std::vector<double> buffer; // the buffer's column, when the correction is on
    // the detection corrections the Lamm solutions of the kernel carry
    std::vector<float> detection;
    // the loaded layer of the zone distributions
    float zoneWidth = 0;
    bool zoneInverted = false;
    // the inhomogeneous solvent and its buoyancy vbar, which a fit may move
    bool solvent = false;
    float solventVbar = 0;
    bool operator==(const KernelInputs&) const = default;
};

// The detection corrections that shape a Lamm solution (gradient, drift, cone, convolution);
// nonlinear detection acts on the data, not on the kernel, and is left out.
std::vector<float> KernelDetectionKey() {
    using DC = DetectionCorrections;
    std::vector<float> key;
    if (DC::magnificationOn)
        key.insert(key.end(), {1.0f, DC::magnificationFactor});
    if (DC::driftOn)
        key.insert(key.end(),
                   {2.0f, float(DC::linearDriftOn), DC::linearDriftRate,
                    float(DC::exponentialDriftOn), DC::exponentialDriftRate, DC::driftPlateau});
    if (DC::coneOn)
        key.insert(key.end(), {3.0f, DC::coneRadius});
    if (DC::convolutionOn)
        key.insert(key.end(), {4.0f, DC::convolutionWidth, DC::convolutionCutoff});
    return key;
}
KernelInputs gKernelInputs;
// The epoch of the held discretisations when the kernel was made, and whether they were held
// then (within an optimiser run).
unsigned long gKernelEpoch = 0;
bool gKernelHeld = false;

KernelInputs CurrentKernelInputs(const ContiGrid& g) {
    KernelInputs k;
    k.variant = g.variant;
    k.s = g.s;
    k.D = g.D;
    k.meniscus = ModelParameters::meniscus;
    k.bottom = ModelParameters::bottom;
    k.vbar = S::vbar;
    k.density = S::density;
    k.viscosity = S::viscosity;
    k.startTimeOn = ModelParameters::startTimeOn;
    k.startTime = ModelParameters::startTime;
    k.equilibrium = S::equilibriumData;
    k.gridRadius = S::gridRadius;
    k.gridCount = S::gridCount;
    k.scanCount = S::scanCount;
    k.header = S::header;
    k.firstTime = S::header ? S::header[1].time : 0.0;
    k.buffer = BufferKernelKey();
    k.detection = KernelDetectionKey();
    k.solvent = ModelChoice::inhomogeneousSolvent;
    if (k.solvent)
        k.solventVbar = InhomogeneousSolvent::macromoleculeVbar;
    if (IsZoneVariant(g.variant)) {
        k.zoneWidth = ModelParameters::zoneLayerThickness;
        k.zoneInverted = ModelChoice::zoneInverted;
    }
    if (g.variant == ContiVariant::CsNonideal) {
        const CConcentrationLaw law = ConcentrationLawOfRecord();
        k.ks = law.ks, k.kd = law.kd;
        k.totals = DistributionTotalsGeneration();
        k.lammGridSize = LammGrid::gridSize;
    }
    if (IsDlsVariant(g.variant) && S::dlsRecords) {
        for (int c = 1; c <= S::scanCount; ++c)
            k.q2.push_back(DlsScatteringVectorSquared(S::dlsRecords[c]));
        k.rawLags = ContiState::rawLags;
    }
    return k;
}

} // namespace

double ContiScanTemperature() {
    if (S::absoluteTemperature > 0.0f)
        return S::absoluteTemperature - 273.15;
    return S::header ? S::header[S::scanOrder ? S::scanOrder[1] : 1].temperature : 20.0;
}

namespace {

// Non-diffusing boundaries of unit loading for every grid point and scan: steps, bands of a
// loaded zone, or steps drifting in electrophoresis (from the scan's time alone; a velocity
// point x moves x 1e-4 cm/s). A discrete component diffuses: its Lamm solution is made first
// and put after the boundaries. False when that solution failed (said) or was stopped.
bool NonDiffusingKernel(TXLAWindow* window, CComputeObserver& observer, const ContiGrid& g) {
    std::vector<float> discrete;
    if (g.discrete > 0 && !SolveDiscreteColumns(window, observer, g, discrete))
        return false;
    gContiKernel.Allocate(g.Columns(), S::scanCount, S::gridRadius, S::gridCount);
    const double saved = LammGrid::omega2S;
    for (int k = 1; k <= S::scanCount; ++k) {
        const ScanHeader& h = S::header[k];
        if (g.variant == ContiVariant::LsGStarV) {
            const double t =
                h.time - (ModelParameters::startTimeOn ? ModelParameters::startTime : 0.0);
            for (int p = 1; p <= g.n; ++p)
                DriftingBoundary(1.0, t, S::gridRadius, gContiKernel.Row(p, k), S::gridCount,
                                 g.s[p] * 1e-4);
            continue;
        }
        const double w = h.rotorSpeed * M_PI / 30.0;
        double w2t = S::timesFromW2t && h.omega2t > 0.0 ? h.omega2t : w * w * h.time;
        if (ModelParameters::startTimeOn)
            w2t -= w * w * ModelParameters::startTime;
        for (int p = 1; p <= g.n; ++p) {
            LammGrid::omega2S = g.s[p] * 1e-13 * w2t;
            if (g.variant == ContiVariant::ZoneLsGStar)
                NonDiffusingZone(1.0, 1.0, S::gridRadius, gContiKernel.Row(p, k), S::gridCount,
                                 ModelParameters::zoneLayerThickness, ModelChoice::zoneInverted);
            else
                NonDiffusingBoundary(1.0, 1.0, S::gridRadius, gContiKernel.Row(p, k), S::gridCount);
        }
    }
    for (int p = 1; p <= g.n; ++p)
        gContiKernel.SetSolved(p, true);
    LammGrid::omega2S = saved;
    PutDiscreteColumns(g, discrete);
    return true;
}

// Equilibrium profiles of unit loading for every grid point and scan, each scan at its own speed
// and temperature: the kernel of a molar-mass distribution on equilibrium data.
bool EquilibriumKernel(const ContiGrid& g) {
    gContiKernel.Allocate(g.n, S::scanCount, S::gridRadius, S::gridCount);
    // c(Mb) holds buoyant molar masses already; vbar(M) gives each mass its own vbar.
    auto buoyancy = [&g](int p) {
        if (g.variant == ContiVariant::CMInvariantD)
            return 1.0;
        const double vbar = g.variant == ContiVariant::CMPriorVbar
                                ? VbarFromMass(static_cast<float>(g.M[p]))
                                : double(S::vbar);
        return 1.0 - vbar * S::density;
    };
    for (int k = 1; k <= S::scanCount; ++k)
        for (int p = 1; p <= g.n; ++p)
            if (!EquilibriumScanProfile(k, g.M[p] * buoyancy(p), 1.0, S::gridRadius, S::gridCount,
                                        gContiKernel.Row(p, k)))
                return false;
    for (int p = 1; p <= g.n; ++p)
        gContiKernel.SetSolved(p, true);
    return true;
}

// Decays of unit amplitude for every grid point and curve; false after the box of a curve not
// held as g(1), with the kernel freed. Rows at the curves' own lags are as long as the longest
// curve.
bool DlsKernel(const ContiGrid& g) {
    const bool raw = ContiState::rawLags;
    int points = S::gridCount;
    for (int k = 1; raw && k <= S::scanCount; ++k)
        points = std::max(points, int(S::pointCount[k]));
    gContiKernel.Allocate(g.n, S::scanCount, S::gridRadius, points);
    for (int p = 1; p <= g.n; ++p) {
        if (!BuildDlsDistributionKernelB(gContiKernel, p, g.D[p], raw)) {
            gContiKernel.Free();
            return false;
        }
        gContiKernel.SetSolved(p, true);
    }
    return true;
}

// The kernels made by the Lamm list (RunSVContiSedList), of every column at once.
bool ListKernel(const ContiGrid& g) {
    return g.variant != ContiVariant::LsGStar && !IsDlsVariant(g.variant) &&
           g.variant != ContiVariant::CsNonideal && g.variant != ContiVariant::CvElectrophoresis &&
           !(g.variant == ContiVariant::CM && S::equilibriumData);
}

} // namespace

bool EnsureContiKernel(TXLAWindow* window, CComputeObserver& observer, const ContiGrid& g,
                       const ContiDataSet* set, ContiColumnStarts* starts) {
    if (starts != nullptr)
        starts->n = 0;
    KernelInputs inputs = CurrentKernelInputs(g);
    inputs.generation = gContiKernel.Generation();
    // A kernel solved on the discretisations held in one optimiser run does not serve a run that
    // holds others (the stage after a resize): that run's grids are sized from its own first
    // solutions.
    const bool otherHeld =
        gKernelHeld && HeldDiscretisation::Active() && gKernelEpoch != HeldDiscretisation::Epoch();
    if (!gContiKernel.Empty() && gContiKernel.Complete() &&
        gContiKernel.GridPoints() == g.Columns() && inputs == gKernelInputs && !otherHeld)
        return true;
    // Only the buffer's values changed (a fit moving them): its column alone is made again.
    KernelInputs withOldBuffer = inputs;
    withOldBuffer.buffer = gKernelInputs.buffer;
    if (!gContiKernel.Empty() && gContiKernel.GridPoints() == g.Columns() &&
        !inputs.buffer.empty() && !gKernelInputs.buffer.empty() && withOldBuffer == gKernelInputs) {
        gKernelInputs = KernelInputs{};
        if (!FillBufferKernelColumn(window))
            return false;
        gKernelInputs = inputs;
        return true;
    }
    // Only the discrete species' s or D changed (a fit moving them): their columns alone are
    // solved again, each in its place of the list, on the discretisation the others were solved
    // on (within one optimiser stage: state/held_discretisation.h).
    if (ListKernel(g) && g.discrete > 0 && gKernelEpoch == HeldDiscretisation::Epoch() &&
        !gContiKernel.Empty() && gContiKernel.Complete() &&
        gContiKernel.GridPoints() == g.Columns() && inputs.s.size() == gKernelInputs.s.size() &&
        inputs.D.size() == gKernelInputs.D.size() &&
        inputs.s.size() == std::size_t(g.Columns()) + 1 &&
        inputs.D.size() == std::size_t(g.Columns()) + 1) {
        KernelInputs withOldDiscrete = inputs;
        std::vector<int> again(std::size_t(g.Columns()) + 1, 0);
        for (std::size_t p = std::size_t(g.n) + 1; p < again.size(); ++p) {
            withOldDiscrete.s[p] = gKernelInputs.s[p];
            withOldDiscrete.D[p] = gKernelInputs.D[p];
            again[p] = inputs.s[p] != gKernelInputs.s[p] || inputs.D[p] != gKernelInputs.D[p];
        }
        if (withOldDiscrete == gKernelInputs) {
            gKernelInputs = KernelInputs{};
            if (ResolveContiColumns(window, observer, g.Columns(), g.s.data(), g.D.data(), nullptr,
                                    again) != LammResult::Solved)
                return false;
            gKernelInputs = inputs;
            return true;
        }
    }
    gKernelInputs = KernelInputs{};
    if (g.variant == ContiVariant::LsGStar || g.variant == ContiVariant::ZoneLsGStar ||
        g.variant == ContiVariant::LsGStarV) {
        if (!NonDiffusingKernel(window, observer, g))
            return false;
    } else if (IsDlsVariant(g.variant)) {
        if (!DlsKernel(g))
            return false;
    } else if (g.variant == ContiVariant::CsNonideal) {
        if (!NonidealTotalKernel(window, g))
            return false;
    } else if (g.variant == ContiVariant::CvElectrophoresis) {
        if (!DriftKernel(window, g))
            return false;
    } else if (IsMassVariant(g.variant) && S::equilibriumData) {
        if (!EquilibriumKernel(g)) {
            gContiKernel.Free();
            ShowError("A scan has no rotor speed: the equilibrium kernel cannot be computed.", 0);
            return false;
        }
    } else {
        // The buffer's column, when there is one, is written again after the list.
        if (RunSVContiSedList(window, observer, g.Columns(), g.s.data(), g.D.data(), nullptr, set,
                              starts) != LammResult::Solved ||
            !FillBufferKernelColumn(window))
            return false;
        if (starts != nullptr && starts->n > 0 && !inputs.buffer.empty())
            starts->Forget(1);
    }
    inputs.generation = gContiKernel.Generation();
    gKernelInputs = inputs;
    gKernelEpoch = HeldDiscretisation::Epoch();
    gKernelHeld = HeldDiscretisation::Active();
    return true;
}

void ForgetKeptContiKernel() {
    gKernelInputs = KernelInputs{};
}

bool ComputeSyntheticDistributionFits(TXLAWindow* window, CComputeObserver& observer,
                                      bool normalized) {
    const ContiVariant variant = CurrentContiVariant();
    const int n = ContiState::gridPoints;
    if (variant == ContiVariant::None || n < 1 || ContiState::sValues == nullptr ||
        ContiState::distribution == nullptr || S::scanCount < 1 || S::gridRadius == nullptr ||
        S::gridCount < 1)
        return false;
    std::vector<double> x(std::size_t(n) + 1, 0.0);
    for (int p = 1; p <= n; ++p)
        x[std::size_t(p)] = ContiState::sValues[p];
    const ContiGrid g =
        ContiGridAt(variant, x, ContiState::ff0, ContiState::invariantD, ContiScanTemperature());
    // A normalized distribution holds values per unit of its abscissa, which the quadrature
    // weight turns into each point's loading; otherwise each value is a point's loading.
    std::vector<double> loading(std::size_t(n) + 1, 0.0);
    for (int p = 1; p <= n; ++p)
        loading[std::size_t(p)] =
            double(ContiState::distribution[p]) * (normalized ? g.weight[std::size_t(p)] : 1.0);
    bool done = false;
    try {
        done = EnsureContiKernel(window, observer, g);
    } catch (const std::bad_alloc&) {
        ShowError(NotEnoughMemoryText().c_str(), 0);
    }
    if (done) {
        std::vector<double> model(std::size_t(S::gridCount) + 1);
        std::vector<float> values(model.size());
        for (int k = 1; k <= S::scanCount; ++k) {
            std::fill(model.begin(), model.end(), 0.0);
            for (int p = 1; p <= n; ++p) {
                const float* row = gContiKernel.Row(p, k);
                for (int j = 1; j <= S::gridCount; ++j)
                    model[std::size_t(j)] += loading[std::size_t(p)] * row[j];
            }
            std::copy(model.begin(), model.end(), values.begin());
            std::fill(S::fit[k] + 1, S::fit[k] + 1 + S::pointCount[k], 0.0f);
            ResampleCurve(S::pointCount[k], S::radius[k], S::fit[k], S::gridCount, S::gridRadius,
                          values.data());
        }
    }
    // The kernel belongs to these abscissae and this grid only.
    gContiKernel.Free();
    gKernelInputs = KernelInputs{};
    return done;
}
