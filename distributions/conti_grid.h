// The distribution grid and the variant maps between its abscissa and the species properties
// of each grid point.
#pragma once

#include "state/conti_state.h"
#include "state/conti_variant.h"

#include <string>
#include <vector>

// The molar-mass distributions: their abscissa is a molar mass (Da).
inline bool IsMassVariant(ContiVariant v) {
    return v == ContiVariant::CM || v == ContiVariant::CMInvariantD || v == ContiVariant::FMvsM ||
           v == ContiVariant::CMPowerLaw || v == ContiVariant::CMPriorVbar;
}

// The zone-loaded distributions, whose kernels start from a layer at the meniscus.
inline bool IsZoneVariant(ContiVariant v) {
    return v == ContiVariant::ZoneCs || v == ContiVariant::ZoneLsGStar;
}

// The light-scattering distributions, whose data are autocorrelation functions.
inline bool IsDlsVariant(ContiVariant v) {
    return v == ContiVariant::DlsD || v == ContiVariant::DlsRh;
}

// The c(s) variants whose points differ from plain c(s) only by the molar mass given to each s.
inline bool IsCsMassRuleVariant(ContiVariant v) {
    return v == ContiVariant::CsBimodal || v == ContiVariant::CsConformer ||
           v == ContiVariant::CsWormlikeChain || v == ContiVariant::CsScalingLaw ||
           v == ContiVariant::CsMofSTable || v == ContiVariant::CsLinearRod;
}

// The variant the model switches choose (None for a combination no distribution computes).
ContiVariant CurrentContiVariant();

// Grid points 1..n: abscissa x (S, Da for the molar-mass distributions (buoyant molar mass for
// c(Mb) with invariant D), log10 D or nm for light scattering, 1e-4 cm/s for electrophoresis),
// with s (S; the velocity for electrophoresis), D (cm^2/s) and M (Da, the buoyant one for c(Mb))
// of each (s and M are 0 for light scattering, M is 0 for electrophoresis),
// and the trapezoid weight of each point in the abscissa, so that sum a_p = int c dx.
// Discrete species fitted beside the distribution follow its n points as further kernel columns
// n + 1 .. n + discrete: their s, D and M sit at those indices (x = s, weight 0), and their
// amplitudes are loadings, outside the distribution and its regularization.
struct ContiGrid {
    ContiVariant variant = ContiVariant::None;
    int n = 0;
    int discrete = 0;
    std::vector<double> x, s, D, M, weight;
    int Columns() const { return n + discrete; }
};

// The largest chi-square ratio a confidence level above 1 may ask for.
inline constexpr double kMaxContiChiSquareRatio = 2.0;

// Checks the range settings (finite, ascending, 2 to kMaxContiGridPoints points, a confidence
// level inside (0, 1) or a chi-square ratio in (1, kMaxContiChiSquareRatio]); the text of the
// first problem found, empty when usable.
std::string CheckContiSettings(double rangeMin, double rangeMax, double resolution,
                               double confidenceLevel);

// n points from lo to hi, equidistant or equidistant in log (lo > 0 then), mapped by the variant
// with the frictional ratio ff0, the invariant D (cm^2/s) and the scans' temperature (deg C).
ContiGrid BuildContiGrid(ContiVariant variant, int n, double lo, double hi, bool logGrid, float ff0,
                         double invariantD, double temperatureC);
// The same on given abscissae [1..n] (ascending; element 0 unused).
ContiGrid ContiGridAt(ContiVariant variant, const std::vector<double>& abscissae, float ff0,
                      double invariantD, double temperatureC);
