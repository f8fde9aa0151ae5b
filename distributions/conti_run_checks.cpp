// What a distribution Run fits and whether it can: the data set inside the fitting limits, and the
// checks of the settings, the model's values and the size of the problem, each refusal with its
// reason.
#include "distributions/conti_discrete_component.h"
#include "distributions/conti_mass_rule.h"
#include "distributions/conti_run.h"
#include "foundations/nr_arrays.h"
#include "foundations/shape_models.h"
#include "plat/clock.hpp"
#include "scandata/dls_acf_conversion.h"
#include "scandata/scan_conditions.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/conti_kernel.h"
#include "simulation/distribution_totals.h"
#include "simulation/dls_kernels.h"
#include "simulation/inhomogeneous_solvent.h"
#include "state/conti_state.h"
#include "state/dls_data.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>
#include <vector>

namespace {

using S = ScanStore;

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
        // A limit that is not set takes every radius on its side: the tests without branches,
        // so that the count goes over the radii in vectors.
        const bool anyLeft = !(left > 0.0f), anyRight = !(right > 0.0f);
        const float* r = S::radius[k];
        int inside = 0;
        for (int p = 1; p <= S::pointCount[k]; ++p)
            inside += (anyLeft | (r[p] >= left)) & (anyRight | (r[p] <= right));
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
    const double equations = (n + 1.0) * (n + 1.0) * sizeof(double) * (ContiThreadCount() + 4.0);
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
    if (!dls) {
        std::string cell = CheckCellGeometry(ModelParameters::meniscus, ModelParameters::bottom);
        if (!cell.empty())
            return cell;
    }
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
