// The distribution Run. The kernel (unit loading per grid point and scan) comes from the Lamm
// list road or, for ls-g*(s), from non-diffusing boundaries; the normal equations eliminate the
// systematic noise by centring; the amplitudes are regularized at the confidence level. The
// distribution value is amplitude / quadrature weight, so its integral is the loading signal.
#include "distributions/conti_run.h"

#include "distributions/buffer_kernel_column.h"
#include "distributions/conti_discrete_component.h"
#include "distributions/conti_drift_kernel.h"
#include "distributions/conti_lamm_list.h"
#include "distributions/conti_mass_rule.h"
#include "distributions/conti_nonideal_kernel.h"
#include "distributions/conti_normal_equations.h"
#include "distributions/conti_progress.h"
#include "distributions/conti_regularization.h"
#include "distributions/distribution_plot.h"
#include "distributions/prior_probabilities.h"
#include "fitting/equilibrium_fit.h"
#include "foundations/key_polling.h"
#include "foundations/notice_boxes.h"
#include "foundations/nr_arrays.h"
#include "foundations/resampling.h"
#include "foundations/shape_models.h"
#include "foundations/show_error.h"
#include "plat/clock.hpp"
#include "scandata/common_grid.h"
#include "scandata/dls_acf_conversion.h"
#include "scandata/noise_subtraction.h"
#include "scandata/nonlinear_detection.h"
#include "scandata/scan_conditions.h"
#include "scandata/scan_data_kind.h"
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
#include "state/fit_control.h"
#include "state/fluorophore.h"
#include "state/held_discretisation.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/run_switches.h"
#include "state/startup_paths.h"
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
// The epoch of the held discretisations when the kernel was made.
unsigned long gKernelEpoch = 0;

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
bool NonDiffusingKernel(TXLAWindow* window, const ContiGrid& g) {
    std::vector<float> discrete;
    if (g.discrete > 0 && !SolveDiscreteColumns(window, g, discrete))
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

bool EnsureContiKernel(TXLAWindow* window, const ContiGrid& g) {
    KernelInputs inputs = CurrentKernelInputs(g);
    inputs.generation = gContiKernel.Generation();
    if (!gContiKernel.Empty() && gContiKernel.Complete() &&
        gContiKernel.GridPoints() == g.Columns() && inputs == gKernelInputs)
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
            if (ResolveContiColumns(window, g.Columns(), g.s.data(), g.D.data(), nullptr, again) !=
                0)
                return false;
            gKernelInputs = inputs;
            return true;
        }
    }
    gKernelInputs = KernelInputs{};
    if (g.variant == ContiVariant::LsGStar || g.variant == ContiVariant::ZoneLsGStar ||
        g.variant == ContiVariant::LsGStarV) {
        if (!NonDiffusingKernel(window, g))
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
    } else if (RunSVContiSedList(window, g.Columns(), g.s.data(), g.D.data(), nullptr) != 0 ||
               !FillBufferKernelColumn(window)) {
        return false;
    }
    inputs.generation = gContiKernel.Generation();
    gKernelInputs = inputs;
    gKernelEpoch = HeldDiscretisation::Epoch();
    return true;
}

namespace {

int ThreadCount() {
    return ContiState::multiThreading ? std::max(1, gDistributionThreadCount) : 1;
}

// The normal equations of the last solution and what they were made from: the kernel (by its
// generation), the data set, and the values inside it of the data and of the columns that
// change in place. Once made, a kernel changes in place only in column 1 (the buffer's signal,
// FillBufferKernelColumn) and in the discrete species' columns after the distribution's
// (EnsureContiKernel), so a solution on the same kernel brings the equations up to date with
// those columns and the data instead of building them again: the same numbers, a few columns'
// work instead of all.
struct KeptEquations {
    bool valid = false;
    unsigned long generation = 0;
    int n = 0, first = 0, last = -1;
    std::vector<int> scans;
    bool timeInvariant = false, radiallyInvariant = false;
    std::vector<float> data;
    std::vector<int> watched;                // the columns that may change in place
    std::vector<std::vector<float>> columns; // their values, as watched
    ContiNormalEquations eq;
};
KeptEquations gKeptEquations;

// The values of the rows row(s) inside the set, scan after scan.
template <typename RowOf> std::vector<float> ValuesInSet(const ContiDataSet& set, RowOf row) {
    std::vector<float> values;
    values.reserve(static_cast<std::size_t>(set.Values()));
    for (int s = 0; s < set.Scans(); ++s) {
        const float* r = row(s);
        values.insert(values.end(), r + set.first, r + set.last + 1);
    }
    return values;
}

// The equations of n columns of the current kernel over the set, the last discrete ones those
// of discrete species: the kept ones brought up to date when they belong to this kernel and set,
// else built. False after a key press.
bool KeptOrBuiltEquations(int n, int discrete, const ContiDataSet& set,
                          const ContiColumnRow& column, const ContiDataRow& data,
                          ContiNormalEquations& eq) {
    KeptEquations& k = gKeptEquations;
    std::vector<float> values = ValuesInSet(set, data);
    std::vector<int> watched;
    if (n >= 1)
        watched.push_back(1);
    for (int p = std::max(2, n - discrete + 1); p <= n; ++p)
        watched.push_back(p);
    std::vector<std::vector<float>> columns;
    for (int p : watched)
        columns.push_back(ValuesInSet(set, [&](int s) { return column(p, s); }));
    const bool sameKernel = k.valid && k.generation == gContiKernel.Generation() && k.n == n &&
                            k.scans == set.scans && k.first == set.first && k.last == set.last &&
                            k.timeInvariant == set.timeInvariant &&
                            k.radiallyInvariant == set.radiallyInvariant && k.watched == watched;
    k.valid = false;
    if (sameKernel && n >= 1) {
        std::vector<char> changed(std::size_t(n) + 1, 0);
        bool any = values != k.data;
        for (std::size_t w = 0; w < watched.size(); ++w)
            if (columns[w] != k.columns[w]) {
                changed[std::size_t(watched[w])] = 1;
                any = true;
            }
        if (any)
            UpdateContiNormalEquations(n, set, column, data, changed, ThreadCount(), k.eq);
        if (KeyPressed()) {
            gUserInterrupt.store(true);
            return false;
        }
    } else if (!BuildContiNormalEquations(n, set, column, data, ThreadCount(), k.eq)) {
        return false;
    }
    k.valid = true;
    k.generation = gContiKernel.Generation();
    k.n = n;
    k.first = set.first;
    k.last = set.last;
    k.scans = set.scans;
    k.timeInvariant = set.timeInvariant;
    k.radiallyInvariant = set.radiallyInvariant;
    k.data = std::move(values);
    k.watched = std::move(watched);
    k.columns = std::move(columns);
    eq = k.eq;
    return true;
}

void ReplaceArray(float*& a, int oldN, int newN) {
    if (a)
        free_vector(a, 1, oldN);
    a = newN > 0 ? vector(1, newN) : nullptr;
}

} // namespace

bool GetContiDataSet(ContiDataSet& set, std::string* why) {
    set = ContiDataSet{};
    auto refuse = [&](const char* text) {
        if (why)
            *why = text;
        return false;
    };
    if (S::scanCount < 1 || !S::gridRadius || !S::gridSignal || S::gridCount < 2)
        return refuse("No scans are loaded: load data before computing a distribution.");
    int first = S::gridFirstFit, last = S::gridLastFit;
    if (first < 1 || last < 1 || last > S::gridCount) {
        first = 1;
        last = S::gridCount;
    }
    if (S::leftFitLimit > 0.0f)
        while (first <= last && S::gridRadius[first] < S::leftFitLimit)
            ++first;
    if (S::rightFitLimit > 0.0f)
        while (last >= first && S::gridRadius[last] > S::rightFitLimit)
            --last;
    set.first = first;
    set.last = last;
    const int initial = LammGrid::firstScanIsInitial ? (S::scanOrder ? S::scanOrder[1] : 1) : 0;
    for (int k = 1; k <= S::scanCount; ++k)
        if (k != initial && S::gridSignal[k])
            set.scans.push_back(k);
    set.timeInvariant = ModelChoice::fitTINoise;
    set.radiallyInvariant = ModelChoice::fitRINoise;
    if (set.Scans() == 0 || set.Points() < 1)
        return refuse("No scan has data inside the fitting limits: nothing to fit.");
    return true;
}

namespace {

// Sedimentation coefficients (S) and molar masses (Da) beyond any particle.
constexpr double kMaxContiS = 1e6;
constexpr double kMaxContiM = 1e12;
// Diffusion coefficients (log10 cm^2/s) and Stokes radii (nm) whose decays can be formed.
constexpr double kMinDlsLogD = -30.0, kMaxDlsLogD = 10.0;
constexpr double kMaxDlsRadiusNm = 1e7;

// Every loaded curve has a finite, positive scattering vector.
std::string CheckDlsRecords() {
    char text[400];
    if (!gDlsData || !S::dlsRecords)
        return "need DLS data for this analysis";
    for (int k = 1; k <= S::scanCount; ++k) {
        const DlsRecord& r = S::dlsRecords[k];
        const float q2 = DlsScatteringVectorSquared(r);
        if (!(q2 > 0.0f && std::isfinite(q2))) {
            std::snprintf(text, sizeof text,
                          "curve %s has no usable scattering vector (refractive index %g, angle "
                          "%g deg, wavelength %g m): its decays cannot be computed",
                          S::scanFileName && S::scanFileName[k] ? S::scanFileName[k] : "",
                          double(r.refractiveIndex), double(r.angle), double(r.wavelength));
            return text;
        }
    }
    return {};
}

// What the model's own values allow: f/f0 (or the invariant D), the range of the abscissa, and
// neighbouring grid points that still differ.
std::string CheckContiModelValues(ContiVariant variant) {
    char text[400];
    const double lo = ContiState::rangeMin, hi = ContiState::rangeMax;
    const int n = static_cast<int>(ContiState::resolution);
    if (variant == ContiVariant::DlsD && !(lo >= kMinDlsLogD && hi <= kMaxDlsLogD)) {
        std::snprintf(text, sizeof text,
                      "The range %g to %g cannot be computed: log10 D (D in cm^2/s) must lie "
                      "between %g and %g.",
                      lo, hi, kMinDlsLogD, kMaxDlsLogD);
        return text;
    }
    if (variant == ContiVariant::DlsRh && !(lo > 0.0 && hi <= kMaxDlsRadiusNm)) {
        std::snprintf(text, sizeof text,
                      "The range %g to %g nm cannot be computed: Stokes radii must lie above 0 "
                      "and at most %g nm.",
                      lo, hi, kMaxDlsRadiusNm);
        return text;
    }
    if (IsDlsVariant(variant) || variant == ContiVariant::LsGStarV) {
        // No frictional ratio enters the decays or the drifting steps.
    } else if (variant == ContiVariant::CsInvariantD || variant == ContiVariant::CMInvariantD ||
               variant == ContiVariant::CvElectrophoresis) {
        if (!(ContiState::invariantD > 0.0f && std::isfinite(ContiState::invariantD))) {
            std::snprintf(text, sizeof text,
                          "The diffusion coefficient %g cm^2/s is impossible: it must be a "
                          "positive finite number.",
                          double(ContiState::invariantD));
            return text;
        }
    } else if (variant == ContiVariant::FMvsM || variant == ContiVariant::CMPowerLaw) {
        // s = ks M^a: a zero exponent gives every M the same s, columns no fit can tell apart.
        const bool scaling = variant == ContiVariant::FMvsM;
        const double ks = scaling ? double(ShapeModels::scalingKs) : ShapeModels::powerLawK;
        const double a =
            scaling ? double(ShapeModels::scalingExponent) : ShapeModels::powerLawExponent;
        if (!(ks > 0.0 && std::isfinite(ks) && a != 0.0 && std::isfinite(a))) {
            std::snprintf(text, sizeof text,
                          scaling ? "The scaling law s = %g M^%g is impossible: ks must be a "
                                    "positive finite number and the exponent a finite number "
                                    "other than 0."
                                  : "The power law s(M) = %g*M^%g is impossible: a must be a "
                                    "positive finite number and b a finite number other than 0.",
                          ks, a);
            return text;
        }
    } else if (!(ContiState::ff0 >= 1.0f && ContiState::ff0 <= 1000.0f)) {
        std::snprintf(text, sizeof text,
                      "The frictional ratio f/f0 = %g is impossible: it must lie between 1 and "
                      "1000.",
                      double(ContiState::ff0));
        return text;
    }
    if (IsDlsVariant(variant)) {
        // Checked above.
    } else if (IsMassVariant(variant)
                   ? !(lo > 0.0 && hi <= kMaxContiM)
                   : !(std::fabs(lo) <= kMaxContiS && std::fabs(hi) <= kMaxContiS)) {
        if (IsMassVariant(variant))
            std::snprintf(text, sizeof text,
                          "The molar mass range %g to %g Da cannot be computed: molar masses "
                          "must lie above 0 and at most %g Da.",
                          lo, hi, kMaxContiM);
        else if (variant == ContiVariant::LsGStarV || variant == ContiVariant::CvElectrophoresis)
            std::snprintf(text, sizeof text,
                          "The range %g to %g (1e-4 cm/s) cannot be computed: velocities must lie "
                          "between %g and %g.",
                          lo, hi, -kMaxContiS, kMaxContiS);
        else
            std::snprintf(text, sizeof text,
                          "The range %g to %g S cannot be computed: sedimentation coefficients "
                          "must lie between %g and %g S.",
                          lo, hi, -kMaxContiS, kMaxContiS);
        return text;
    }
    // vbar(M) grows or falls with M monotonically: its ends bound it. A particle needs a volume.
    if (variant == ContiVariant::CMPriorVbar)
        for (const double m : {lo, hi}) {
            const double vbar = VbarFromMass(static_cast<float>(m));
            if (!(vbar > 0.0 && std::isfinite(vbar))) {
                std::snprintf(text, sizeof text,
                              "At M = %g Da vbar(M) = %g ml/g: the relationship must give a "
                              "positive vbar over the whole range.",
                              m, vbar);
                return text;
            }
        }
    // Points closer than this relative to the range's size give columns that single precision
    // cannot tell apart.
    const double scale = std::max({std::fabs(lo), std::fabs(hi), 1.0});
    if (!((hi - lo) / std::max(1, n - 1) > 1e-5 * scale)) {
        std::snprintf(
            text, sizeof text,
            "The range %.9g to %.9g is too narrow for %d grid points: neighbouring points "
            "would not differ.",
            lo, hi, n);
        return text;
    }
    return {};
}

// The measured values of the set's scans inside the fit limits (the common grid interpolates
// them at the radial resolution and holds many more), and the most of one scan.
struct MeasuredValues {
    double total = 0.0;
    int mostInAScan = 0;
};

MeasuredValues MeasuredValuesInsideFitLimits(const ContiDataSet& set) {
    const float left = S::leftFitLimit, right = S::rightFitLimit;
    MeasuredValues m;
    for (const int k : set.scans) {
        if (!S::radius || !S::radius[k] || !S::pointCount)
            continue;
        int inside = 0;
        for (int p = 1; p <= S::pointCount[k]; ++p) {
            const float r = S::radius[k][p];
            inside += (!(left > 0.0f) || r >= left) && (!(right > 0.0f) || r <= right) ? 1 : 0;
        }
        m.total += inside;
        m.mostInAScan = std::max(m.mostInAScan, inside);
    }
    return m;
}

// More unknowns than data values have no solution, and a kernel and normal equations larger
// than the memory of the computer cannot be held.
std::string CheckContiSize(int n, const ContiDataSet& set) {
    char text[400];
    // The time-invariant noise lies on the grid, but no more of its values are independent than
    // a scan has measured radii.
    const MeasuredValues measured = MeasuredValuesInsideFitLimits(set);
    const int noise = (set.timeInvariant ? std::min(set.Points(), measured.mostInAScan) : 0) +
                      (set.radiallyInvariant ? set.Scans() : 0);
    if (double(n) + noise > measured.total) {
        std::snprintf(text, sizeof text,
                      "%d grid points and %d noise parameters are more unknowns than the %.0f "
                      "data values inside the fitting limits: reduce the resolution.",
                      n, noise, measured.total);
        return text;
    }
    const double kernel = (n + 1.0) * (S::scanCount + 1.0) * (S::gridCount + 1.0) * sizeof(float);
    const double equations = (n + 1.0) * (n + 1.0) * sizeof(double) * (ThreadCount() + 4.0);
    const double needed = kernel + equations, available = plat::PhysicalMemoryBytes();
    if (available > 0.0 && needed > available) {
        std::snprintf(text, sizeof text,
                      "A distribution of %d grid points needs about %.1f GB of memory, more than "
                      "this computer has (%.1f GB): reduce the resolution.",
                      n, needed / 1e9, available / 1e9);
        return text;
    }
    return {};
}

} // namespace

std::string CheckContiRun(ContiVariant variant) {
    if (variant == ContiVariant::None)
        return "This distribution model is not available in this version.";
    // Light-scattering data have lags in place of radii and no rotor.
    const bool dls = IsDlsVariant(variant);
    if (!dls && (!(ModelParameters::meniscus > 0.0f) ||
                 !(ModelParameters::bottom > ModelParameters::meniscus)))
        return "Meniscus and bottom must be set (meniscus below bottom) before a distribution "
               "is computed.";
    if (variant == ContiVariant::CsNonideal && !DistributionTotalsHeld())
        return "The non-ideal c(s) takes the total concentration of a distribution computed "
               "before: run c(s) first.";
    // The drift of the particles is read from electrophoresis scans alone.
    const bool drift =
        variant == ContiVariant::LsGStarV || variant == ContiVariant::CvElectrophoresis;
    if (drift && !ScanDataKind::electrophoresis)
        return "need electrophoresis data for this model";
    if (IsZoneVariant(variant)) {
        const double w = ModelParameters::zoneLayerThickness;
        if (!(w > 0.0 && w < ModelParameters::bottom - ModelParameters::meniscus)) {
            char text[300];
            std::snprintf(text, sizeof text,
                          "The loaded zone is %g cm thick: a zone must be a layer thicker than 0 "
                          "and thinner than the column from meniscus to bottom (%g cm).",
                          w, double(ModelParameters::bottom - ModelParameters::meniscus));
            return text;
        }
    }
    std::string problem = CheckContiSettings(ContiState::rangeMin, ContiState::rangeMax,
                                             ContiState::resolution, ContiState::confidenceLevel);
    if (problem.empty())
        problem = CheckContiModelValues(variant);
    if (problem.empty())
        problem = CheckContiMassRule(variant);
    if (problem.empty())
        problem = CheckContiMassRuleGrid(CurrentContiGrid(variant));
    if (problem.empty())
        problem = CheckDiscreteComponent();
    if (problem.empty())
        problem = dls ? CheckDlsRecords() : CheckScanConditions(!drift);
    ContiDataSet set;
    if (problem.empty() && GetContiDataSet(set, nullptr))
        problem = CheckContiSize(
            static_cast<int>(ContiState::resolution) + (DiscreteComponentOn() ? 1 : 0), set);
    return problem;
}

std::string NotEnoughMemoryText() {
    char text[300];
    std::snprintf(text, sizeof text,
                  "Not enough memory for a distribution of %d grid points: reduce the resolution.",
                  static_cast<int>(ContiState::resolution));
    return text;
}

ContiGrid CurrentContiGrid(ContiVariant variant) {
    ContiGrid g = BuildContiGrid(variant, static_cast<int>(ContiState::resolution),
                                 ContiState::rangeMin, ContiState::rangeMax, ContiState::logGrid,
                                 ContiState::ff0, ContiState::invariantD, ContiScanTemperature());
    AppendDiscreteComponent(g, ContiScanTemperature());
    return g;
}

ContiStatus ComputeContiSolution(TXLAWindow* window, ContiSolution& out, bool withNoise,
                                 ContiStrengthHint* hint) {
    const ContiVariant variant = CurrentContiVariant();
    if (!CheckContiRun(variant).empty() || !GetContiDataSet(out.set, nullptr))
        return ContiStatus::Refused;
    out.grid = CurrentContiGrid(variant);
    if (!EnsureContiKernel(window, out.grid))
        return gUserInterrupt.load() ? ContiStatus::Stopped : ContiStatus::KernelFailed;
    return SolveContiSet(window, out, withNoise, hint);
}

ContiStatus SolveContiSet(TXLAWindow* window, ContiSolution& out, bool withNoise,
                          ContiStrengthHint* hint) {
    // Every column: the distribution's points and the discrete species after them.
    const int n = out.grid.Columns();
    const ContiDataSet& set = out.set;
    ContiColumnRow column = [&set](int p, int s) { return gContiKernel.Row(p, set.scans[s]); };
    ContiDataRow data = [&set](int s) { return S::gridSignal[set.scans[s]]; };
    // A buffer signal that is not fitted is part of the model as entered: its column, which
    // carries that signal, is taken from the data and its amplitude held at one.
    const bool fixedBuffer = BufferColumnFixed() && n >= 1 && gContiKernel.Solved(1);
    std::vector<std::vector<float>> lessBuffer;
    ContiDataRow solvedData = data;
    if (fixedBuffer) {
        lessBuffer.resize(std::size_t(set.Scans()));
        for (int s = 0; s < set.Scans(); ++s) {
            const float* y = data(s);
            const float* b = column(1, s);
            std::vector<float>& row = lessBuffer[std::size_t(s)];
            row.assign(std::size_t(S::gridCount) + 1, 0.0f);
            for (int j = 1; j <= S::gridCount; ++j)
                row[std::size_t(j)] = y[j] - b[j];
        }
        solvedData = [&lessBuffer](int s) { return lessBuffer[std::size_t(s)].data(); };
    }
    ContiNormalEquations eq;
    {
        ContiProgress progress(window);
        const bool built = KeptOrBuiltEquations(n, out.grid.discrete, set, column, solvedData, eq);
        progress.Draw(1.0);
        if (!built)
            return ContiStatus::Stopped;
    }
    if (fixedBuffer)
        eq.held[1] = 1;
    eq.discreteColumns = out.grid.discrete;
    HoldColumnsWithoutOwnSignal(eq);

    const double nu = set.Values() - n - set.NoiseParameters();
    const std::vector<double>& abscissa = IsMassVariant(out.grid.variant) ? out.grid.x : out.grid.s;
    out.prior = PriorForGrid(std::vector<double>(
        abscissa.begin(),
        abscissa.begin() + std::min<std::ptrdiff_t>(out.grid.n + 1, std::ssize(abscissa))));
    const bool maxEnt = ContiState::maxEntRegularization || ContiState::showBothRegularizations;
    ContiRegularizedSolution main;
    out.failure = RegularizeDistribution(eq,
                                         maxEnt ? ContiRegularizationKind::MaximumEntropy
                                                : ContiRegularizationKind::SecondDerivative,
                                         ContiState::confidenceLevel, nu, main, out.prior, hint);
    out.c = main.c;
    out.failureDetail = main.failureDetail;
    out.second.clear();
    if (ContiState::showBothRegularizations) {
        ContiRegularizedSolution sd;
        const AnalysisFailure failure =
            RegularizeDistribution(eq, ContiRegularizationKind::SecondDerivative,
                                   ContiState::confidenceLevel, nu, sd, out.prior);
        if (out.failure == AnalysisFailure::None) {
            out.failure = failure;
            out.failureDetail = sd.failureDetail;
        }
        out.second = sd.c;
    }
    out.chiSquare = std::max(0.0, main.chiSquare);
    out.rmsd = set.Values() > 0 ? std::sqrt(out.chiSquare / set.Values()) : 0.0;
    if (fixedBuffer) {
        out.c[1] = 1.0;
        if (!out.second.empty())
            out.second[1] = 1.0;
    }
    if (withNoise)
        ContiNoiseForAmplitudes(n, set, column, data, out.c, out.ti, out.ri, ThreadCount(),
                                &eq.firstNonzero);
    out.firstNonzero = std::move(eq.firstNonzero);
    return ContiStatus::Done;
}

int ContiFirstValueFrom(const ContiSolution& sol, const float* row, int p, int s, int lo) {
    const ContiDataSet& set = sol.set;
    const int n = sol.grid.Columns();
    const int before = ContiFirstNonzero(row, lo, set.first - 1);
    if (before < set.first)
        return before;
    const std::size_t at = static_cast<std::size_t>(s) * (n + 1) + p;
    return sol.firstNonzero.size() == static_cast<std::size_t>(set.Scans()) * (n + 1)
               ? sol.firstNonzero[at]
               : ContiFirstNonzero(row, std::max(lo, set.first), set.last);
}

bool SolutionFinite(const ContiSolution& sol) {
    auto finite = [](const std::vector<double>& v) {
        return std::all_of(v.begin(), v.end(), [](double x) { return std::isfinite(x); });
    };
    return finite(sol.c) && finite(sol.second) && finite(sol.ti) && finite(sol.ri) &&
           std::isfinite(sol.rmsd);
}

bool SolutionStorable(const ContiSolution& sol) {
    if (sol.failure != AnalysisFailure::None) {
        ReportAnalysisFailure(sol.failure, sol.failureDetail);
        return false;
    }
    if (!SolutionFinite(sol)) {
        ShowError("The distribution computed is not finite: it is not stored.", 0);
        return false;
    }
    return true;
}

void FreeDistributionArrays() {
    const int n = ContiState::gridPoints;
    ReplaceArray(ContiState::sValues, n, 0);
    ReplaceArray(ContiState::mValues, n, 0);
    ReplaceArray(ContiState::distribution, n, 0);
    ReplaceArray(ContiState::secondDistribution, n, 0);
    FreePriorArrays(n);
    ContiState::heldAbscissa = HeldAbscissa::None;
    ContiState::heldIntegral = false;
}

namespace {

// The model of the solution (the grid's model plus the noise) on each scan's radii as its fit,
// with the residuals and the noise; times and totals receive each scan's time and its model
// without the noise on the common grid.
void StoreContiScanCurves(const ContiSolution& sol, std::vector<double>& times,
                          std::vector<std::vector<double>>& totals) {
    const int columns = sol.grid.Columns();
    // Model on the grid plus the noise, mapped onto each scan's radii.
    const ContiDataSet& set = sol.set;
    if (S::tiNoise)
        for (int j = 1; j <= S::gridCount; ++j)
            S::tiNoise[j] =
                j >= set.first && j <= set.last ? static_cast<float>(sol.ti[j - set.first]) : 0.0f;
    // Each scan's curves by one worker (a scan writes only its own rows), so they are the same
    // for any thread count.
    const int scans = set.Scans();
    times.assign(scans, 0.0);
    totals.assign(scans, {});
    RunContiShares(std::clamp(ThreadCount(), 1, std::max(1, scans)), [&](int share, int count) {
        std::vector<float> gridFit(S::gridCount + 1);
        for (int s = share - 1; s < scans; s += count) {
            const int k = set.scans[s];
            // Column by column along the kernel rows; each point adds the columns in order (a
            // column's leading zeros add nothing).
            std::vector<double>& model = totals[s];
            model.assign(S::gridCount + 1, 0.0);
            for (int p = 1; p <= columns; ++p) {
                if (sol.c[p] == 0.0)
                    continue;
                const double cp = sol.c[p];
                const float* row = gContiKernel.Row(p, k);
                for (int j = ContiFirstValueFrom(sol, row, p, s, 1); j <= S::gridCount; ++j)
                    model[j] += cp * row[j];
            }
            times[s] = S::header[k].time;
            for (int j = 1; j <= S::gridCount; ++j) {
                double v = model[j];
                if (j >= set.first && j <= set.last)
                    v += sol.ti[j - set.first];
                gridFit[j] = static_cast<float>(v);
            }
            if (S::riNoise)
                S::riNoise[k] = static_cast<float>(sol.ri[s]);
            if (!S::fit || !S::fit[k] || !S::radius || !S::radius[k])
                continue;
            ResampleCurve(S::pointCount[k], S::radius[k], S::fit[k], S::gridCount, S::gridRadius,
                          gridFit.data());
            for (int i = 1; i <= S::pointCount[k]; ++i) {
                S::fit[k][i] += static_cast<float>(sol.ri[s]);
                if (S::residuals && S::residuals[k] && S::signal && S::signal[k])
                    S::residuals[k][i] = S::signal[k][i] - S::fit[k][i];
            }
        }
    });
}

} // namespace

namespace {

// The c(M) curve is drawn over M, the light-scattering ones over their own abscissa; the others
// over s.
float PlottedAbscissa(const ContiGrid& g, int p) {
    const bool overM = IsMassVariant(g.variant) || IsDlsVariant(g.variant);
    return static_cast<float>(overM ? g.x[p] : g.s[p]);
}

// The distribution's value at a grid point: its loading per unit of the abscissa.
float DistributionValue(const ContiGrid& g, const std::vector<double>& c, int p) {
    return static_cast<float>(c[p] / g.weight[p]);
}

} // namespace

void ShowContiTrial(const ContiSolution& sol) {
    if (!SolutionFinite(sol) || sol.ti.empty() || std::ssize(sol.ri) < sol.set.Scans())
        return;
    std::vector<double> times;
    std::vector<std::vector<double>> totals;
    StoreContiScanCurves(sol, times, totals);
    S::resultAvailable = true;
}

bool TrialDistributionCurve(const ContiSolution& sol, std::vector<float>& x,
                            std::vector<float>& c) {
    const ContiGrid& g = sol.grid;
    if (g.n < 1 || !SolutionFinite(sol))
        return false;
    x.assign(std::size_t(g.n) + 1, 0.0f);
    c.assign(std::size_t(g.n) + 1, 0.0f);
    for (int p = 1; p <= g.n; ++p) {
        x[p] = PlottedAbscissa(g, p);
        c[p] = DistributionValue(g, sol.c, p);
    }
    return true;
}

void StoreContiSolution(const ContiSolution& sol) {
    const ContiGrid& g = sol.grid;
    const int n = g.n;
    const int columns = g.Columns();
    FreeDistributionArrays();
    ContiState::gridPoints = n;
    ReplaceArray(ContiState::sValues, 0, n);
    ReplaceArray(ContiState::mValues, 0, n);
    ReplaceArray(ContiState::distribution, 0, n);
    if (!sol.second.empty())
        ReplaceArray(ContiState::secondDistribution, 0, n);
    ContiState::heldAbscissa = IsMassVariant(g.variant)           ? HeldAbscissa::MolarMass
                               : g.variant == ContiVariant::DlsD  ? HeldAbscissa::LogD
                               : g.variant == ContiVariant::DlsRh ? HeldAbscissa::StokesRadius
                                                                  : HeldAbscissa::S;
    for (int p = 1; p <= n; ++p) {
        ContiState::sValues[p] = PlottedAbscissa(g, p);
        ContiState::mValues[p] = static_cast<float>(g.M[p]);
        ContiState::distribution[p] = DistributionValue(g, sol.c, p);
        if (!sol.second.empty())
            ContiState::secondDistribution[p] = DistributionValue(g, sol.second, p);
    }

    std::vector<double> times;
    std::vector<std::vector<double>> totals;
    StoreContiScanCurves(sol, times, totals);
    // The model without the noise, which the non-ideal variant reads as the total concentration.
    double loading = 0.0;
    for (int p = 1; p <= columns; ++p)
        loading += sol.c[p];
    KeepDistributionTotals(loading, times,
                           std::vector<double>(S::gridRadius, S::gridRadius + S::gridCount + 1),
                           totals);
    KeepPriorOfDistribution(sol.prior);
    KeepDiscreteComponentLoading(g, sol.c);
    S::resultAvailable = true;
}

void OfferFieldAcfConversion(TXLAWindow* window) {
    if (!IsDlsVariant(CurrentContiVariant()) || !gDlsData || !S::dlsRecords || S::scanCount < 1 ||
        S::dlsRecords[1].isFieldAcf)
        return;
    if (!AskYesOrNo(window,
                    "DLS data for this model must be field autocorrelation g(1) - transform?", ""))
        return;
    for (int k = 1; k <= S::scanCount; ++k)
        ToggleFieldIntensityACF(S::pointCount[k], S::signal[k], S::dlsRecords[k]);
    // A grid of its own holds resampled copies of the values: made again from the new ones.
    BuildCommonRadialGrid();
}

namespace {

// Computes, stores and shows the distribution of the data in the store; false (the previous
// result kept) when it could not be computed or is not usable.
bool ComputeAndStoreDistribution(TXLAWindow* window, ContiStrengthHint* hint) {
    ContiState::fMvsMOneShot = false;
    gUserInterrupt.store(false);
    ContiSolution sol;
    ContiStatus status = ContiStatus::Refused;
    try {
        status = ComputeContiSolution(window, sol, true, hint);
    } catch (const std::bad_alloc&) {
        gContiKernel.Free();
        ShowError(NotEnoughMemoryText().c_str(), 0);
        return false;
    }
    if (status != ContiStatus::Done)
        return false;
    // A failed solution is reported and not stored: the previous result stays.
    if (!SolutionStorable(sol))
        return false;
    StoreContiSolution(sol);
    TakeBufferSignalFromDistribution(sol.c);
    // The wormlike chain's M(s) of the grid, in standard conditions, for other programs.
    if (sol.grid.variant == ContiVariant::CsWormlikeChain && gTablePaths.wormChainMofs[0] &&
        !WriteWormChainMofSTable())
        ShowError((std::string("The wormlike chain's M(s) table could not be written to ") +
                   gTablePaths.wormChainMofs + ".")
                      .c_str(),
                  0);
    // The grid's abscissae are kept beside the data as the vector file of the data folder.
    if (!ScanPaths::gSDistPath.empty())
        SaveVectorFile(ContiState::sValues, ContiState::gridPoints);
    ShowDistribution(window);
    MoveNoiseIntoData();
    return true;
}

} // namespace

bool RunContiSed(TXLAWindow* window, ContiStrengthHint* hint) {
    const std::string problem = CheckContiRun(CurrentContiVariant());
    std::string why;
    ContiDataSet set;
    if (!problem.empty() || !GetContiDataSet(set, &why)) {
        ShowError(problem.empty() ? why.c_str() : problem.c_str(), 0);
        return false;
    }
    OfferFieldAcfConversion(window);
    // With nonlinear detection the distribution is that of the transformed data; its fit (and
    // any noise taken out of the data) goes back through the inverse law.
    BeginNonlinearDetectionModel();
    const bool stored = ComputeAndStoreDistribution(window, hint);
    EndNonlinearDetectionModel();
    if (!stored)
        return false;
    WindowServices::RequestRepaint(window);
    return true;
}

void MoveNoiseIntoData() {
    if (ContiState::calledFromFit || FitControl::fitInProgress)
        return;
    if (ModelChoice::fitTINoise && ModelChoice::fitRINoise)
        SubtractAllSystematicNoise();
    else if (ModelChoice::fitTINoise)
        SubtractTINoise();
    else if (ModelChoice::fitRINoise)
        SubtractRINoise();
    else
        SubtractBaselineOffset();
}

bool ComputeSyntheticDistributionFits(TXLAWindow* window, bool normalized) {
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
        done = EnsureContiKernel(window, g);
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
