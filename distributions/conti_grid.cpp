// Grid and variant maps: the hydrodynamic relations of the foundations (Svedberg, Stokes with a
// frictional ratio) give the partner quantities, so s, D and M of every point agree with
// s = M (1 - vbar rho) D / (R T) in the current buffer.
#include "distributions/conti_grid.h"

#include "distributions/conti_mass_rule.h"
#include "foundations/hydrodynamics.h"
#include "foundations/shape_models.h"
#include "state/model_kind.h"
#include "state/scan_store.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

ContiVariant CurrentContiVariant() {
    return CurrentModelTraits().variant;
}

std::string CheckContiSettings(double rangeMin, double rangeMax, double resolution,
                               double confidenceLevel) {
    char text[300];
    if (!std::isfinite(rangeMin) || !std::isfinite(rangeMax)) {
        std::snprintf(text, sizeof text,
                      "The distribution range %g to %g is not a pair of finite numbers.", rangeMin,
                      rangeMax);
        return text;
    }
    if (!(rangeMin < rangeMax))
        return "The distribution range is empty: its minimum must lie below its maximum.";
    if (!(resolution >= 2.0))
        return "The distribution needs at least 2 grid points.";
    if (!(resolution <= kMaxContiGridPoints)) {
        std::snprintf(text, sizeof text,
                      "The resolution %g asks for more grid points than a distribution can have "
                      "(at most %d).",
                      resolution, kMaxContiGridPoints);
        return text;
    }
    // Above 1 the level is the chi-square ratio itself (1.01: a fit 1% above the best one, the
    // close smoothing of molar-mass distributions on equilibrium data).
    if (!((confidenceLevel > 0.0 && confidenceLevel < 1.0) ||
          (confidenceLevel > 1.0 && confidenceLevel <= kMaxContiChiSquareRatio)))
        return "The confidence level of the regularization must lie between 0 and 1, or above 1 "
               "up to 2 as the chi-square ratio itself.";
    return {};
}

ContiGrid BuildContiGrid(ContiVariant variant, int n, double lo, double hi, bool logGrid, float ff0,
                         double invariantD, double temperatureC) {
    std::vector<double> x(std::size_t(std::max(n, 0)) + 1, 0.0);
    const bool useLog = logGrid && lo > 0.0;
    for (int p = 1; p <= n; ++p) {
        const double f = n > 1 ? double(p - 1) / (n - 1) : 0.0;
        x[p] = useLog ? lo * std::pow(hi / lo, f) : lo + f * (hi - lo);
    }
    return ContiGridAt(variant, x, ff0, invariantD, temperatureC);
}

ContiGrid ContiGridAt(ContiVariant variant, const std::vector<double>& abscissae, float ff0,
                      double invariantD, double temperatureC) {
    ContiGrid g;
    const int n = std::max(int(abscissae.size()) - 1, 0);
    g.variant = variant;
    g.n = n;
    g.x = abscissae;
    g.x.resize(std::size_t(n) + 1);
    g.s = g.D = g.M = g.weight = std::vector<double>(std::size_t(n) + 1, 0.0);
    const double lo = n > 0 ? g.x[1] : 0.0, hi = n > 0 ? g.x[n] : 0.0;
    for (int p = 1; p <= n; ++p) {
        const double left = p > 1 ? g.x[p] - g.x[p - 1] : 0.0;
        const double right = p < n ? g.x[p + 1] - g.x[p] : 0.0;
        g.weight[p] = 0.5 * (left + right);
    }
    const auto t = static_cast<float>(temperatureC);
    for (int p = 1; p <= n; ++p) {
        const double x = g.x[p];
        switch (variant) {
        case ContiVariant::CM: {
            const auto m = static_cast<float>(x);
            g.M[p] = x;
            g.D[p] = CalculateDfromMff0(m, t, ff0);
            g.s[p] = SFromMandD(m, static_cast<float>(g.D[p]), t);
            break;
        }
        case ContiVariant::CMInvariantD:
            // Without a vbar the abscissa is the buoyant molar mass, which with the one D gives
            // s by Svedberg's relation alone.
            g.M[p] = x;
            g.D[p] = invariantD;
            g.s[p] = SFromBuoyantMandD(x, invariantD, t);
            break;
        case ContiVariant::FMvsM:
        case ContiVariant::CMPowerLaw: {
            const auto m = static_cast<float>(x);
            g.M[p] = x;
            g.s[p] = variant == ContiVariant::FMvsM ? SFromMScalingLaw(m) : SFromM(m);
            g.D[p] = DFromSandM(m, static_cast<float>(g.s[p]), t);
            break;
        }
        case ContiVariant::CMPriorVbar: {
            // The sphere of f/f0 and the buoyancy both take the vbar of the point's mass.
            const auto m = static_cast<float>(x);
            const double vbar = VbarFromMass(m);
            g.M[p] = x;
            g.D[p] = CalculateDfromMff0Vbar(m, t, ff0, static_cast<float>(vbar));
            g.s[p] = SFromBuoyantMandD(x * (1.0 - vbar * ScanStore::density), g.D[p], t);
            break;
        }
        case ContiVariant::CsInvariantD:
            g.s[p] = x;
            g.D[p] = invariantD;
            g.M[p] = ContiMolarMassOfS(variant, x, ff0, invariantD, temperatureC);
            break;
        case ContiVariant::LsGStarV:
            g.s[p] = x;
            break;
        case ContiVariant::CvElectrophoresis:
            // The drift velocity in the place of s; no hydrodynamics ties D to it.
            g.s[p] = x;
            g.D[p] = invariantD;
            break;
        case ContiVariant::LsGStar:
        case ContiVariant::ZoneLsGStar:
            g.s[p] = x;
            g.D[p] = 0.0;
            g.M[p] = CalculateMff02(static_cast<float>(x), ff0);
            break;
        case ContiVariant::DlsD:
            g.D[p] = std::pow(10.0, x);
            break;
        case ContiVariant::DlsRh:
            // Stokes-Einstein in the buffer at the data's temperature; the radius in nm.
            g.D[p] = StokesEinsteinD(static_cast<float>(x * 1e-9), t);
            break;
        case ContiVariant::Cs:
        case ContiVariant::ZoneCs:
        case ContiVariant::CsNonideal:
        case ContiVariant::CsFloatingVbar:
        case ContiVariant::CsBimodal:
        case ContiVariant::CsConformer:
        case ContiVariant::CsWormlikeChain:
        case ContiVariant::CsScalingLaw:
        case ContiVariant::CsMofSTable:
        case ContiVariant::CsLinearRod:
        case ContiVariant::None: {
            g.s[p] = x;
            // A point at s = 0 takes the hydrodynamics of a small s, so it keeps a finite D; the
            // rule gives an s of the sign the buffer does not give the M of its mirror -s.
            const double sh = x != 0.0 ? x : 0.05 * (hi - lo) / std::max(1, n - 1);
            g.M[p] = ContiMolarMassOfS(variant, sh, ff0, invariantD, temperatureC, true);
            g.D[p] = DFromSandM(static_cast<float>(g.M[p]), static_cast<float>(sh), t);
            if (x == 0.0)
                g.M[p] = 0.0;
            break;
        }
        }
    }
    return g;
}
