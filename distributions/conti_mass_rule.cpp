// The molar mass of each s by the model's rule. The shape models and the M(s) table come from
// their own files; the ranges of the bimodal and conformer models are inclusive at both ends.
#include "distributions/conti_mass_rule.h"

#include "distributions/m_of_s_table.h"
#include "foundations/hydrodynamics.h"
#include "foundations/shape_models.h"
#include "state/conti_state.h"
#include "state/scan_store.h"
#include "state/startup_paths.h"

#include <cmath>
#include <cstdio>

namespace {

using C = ContiState;

bool Inside(double s, float lo, float hi) {
    return double(lo) <= s && s <= double(hi);
}

std::string RangeProblem(const char* what, float lo, float hi) {
    if (std::isfinite(lo) && std::isfinite(hi) && lo < hi)
        return {};
    char text[300];
    std::snprintf(text, sizeof text,
                  "The %s s-range %g to %g S is not usable: it must be two finite numbers, the "
                  "minimum below the maximum.",
                  what, double(lo), double(hi));
    return text;
}

std::string NotPositive(const char* name, double v) {
    if (v > 0.0 && std::isfinite(v))
        return {};
    char text[300];
    std::snprintf(text, sizeof text,
                  "The %s = %g is impossible: it must be a positive finite number.", name, v);
    return text;
}

// The s whose frictional-ratio size a point takes: an s of the sign the buffer does not give (below
// 0 where nothing floats, vbar rho below 1; above 0 where everything floats, vbar rho above 1) has
// no particle of its own, so it takes the size of its mirror -s; any other s, itself.
float SizedS(float s) {
    const bool mirrored = s < 0.0f ? ScanStore::vbarRho < 1.0f : ScanStore::vbarRho > 1.0f;
    return s != 0.0f && mirrored ? -s : s;
}

} // namespace

double ContiMolarMassOfS(ContiVariant variant, double s, float ff0, double invariantD,
                         double temperatureC, bool mirror) {
    const auto sf = static_cast<float>(s);
    switch (variant) {
    case ContiVariant::CsBimodal:
        return CalculateMff02(sf, Inside(s, C::bimodalSMin, C::bimodalSMax) ? C::bimodalFf0 : ff0);
    case ContiVariant::CsConformer:
        return Inside(s, C::conformerSMin, C::conformerSMax) ? double(C::conformerM)
                                                             : CalculateMff02(sf, ff0);
    case ContiVariant::CsWormlikeChain:
        return CalculateMofSforWormlikeChain(sf);
    case ContiVariant::CsScalingLaw:
        return MFromSScalingLaw(sf);
    case ContiVariant::CsMofSTable:
        // without a table M stays that of the frictional ratio
        return MofSTableLoaded() ? InterpolateMofS(s, temperatureC) : CalculateMff02(sf, ff0);
    case ContiVariant::CsLinearRod:
        return CalculateMofSforLinearRod(sf, C::rodParameter);
    case ContiVariant::CsInvariantD:
        return MFromSandD(sf, static_cast<float>(invariantD), static_cast<float>(temperatureC));
    default:
        return CalculateMff02(mirror ? SizedS(sf) : sf, ff0);
    }
}

std::string CheckContiMassRule(ContiVariant variant) {
    std::string problem;
    char text[400];
    switch (variant) {
    case ContiVariant::CsBimodal:
        problem = RangeProblem("second f/f0", C::bimodalSMin, C::bimodalSMax);
        if (problem.empty() && !(C::bimodalFf0 >= 1.0f && C::bimodalFf0 <= 1000.0f)) {
            std::snprintf(text, sizeof text,
                          "The second frictional ratio f/f0 = %g is impossible: it must lie "
                          "between 1 and 1000.",
                          double(C::bimodalFf0));
            problem = text;
        }
        break;
    case ContiVariant::CsConformer:
        problem = RangeProblem("conformer", C::conformerSMin, C::conformerSMax);
        if (problem.empty())
            problem = NotPositive("conformer's molar mass (Da)", C::conformerM);
        break;
    case ContiVariant::CsWormlikeChain:
        for (const auto& [name, v] :
             {std::pair{"chain's dehydrated cross-section (nm^2)", ShapeModels::wormCrossSection},
              std::pair{"chain's persistence length (nm)", ShapeModels::wormPersistence},
              std::pair{"chain's monomer molar mass (Da)", ShapeModels::wormMonomerMass},
              std::pair{"chain's hydration (g/g)", ShapeModels::wormHydration}})
            if (problem.empty())
                problem = NotPositive(name, v);
        break;
    case ContiVariant::CsScalingLaw:
        problem = NotPositive("scaling law's ks (S)", ShapeModels::scalingKs);
        if (problem.empty())
            problem = NotPositive("scaling law's exponent a", ShapeModels::scalingExponent);
        break;
    case ContiVariant::CsLinearRod:
        // Below 1 Da/nm the rod has no s at all; without a vbar it has no volume.
        if (!(C::rodParameter >= 1.0f && std::isfinite(C::rodParameter))) {
            std::snprintf(text, sizeof text,
                          "The rod's mass per length %g Da/nm is impossible: it must be a finite "
                          "number of at least 1.",
                          double(C::rodParameter));
            problem = text;
        } else {
            problem = NotPositive("partial specific volume vbar (ml/g)", ScanStore::vbar);
        }
        break;
    case ContiVariant::CsMofSTable:
        if (!MofSTableLoaded()) {
            const std::string why =
                gTablePaths.mofs[0] ? LoadMofSTable(gTablePaths.mofs) : "No table was chosen.";
            if (!why.empty())
                problem = "This model needs an M(s) table of s (S) and M (Da): choose the model "
                          "again to select one, or place mofs.dat in the program folder. " +
                          why;
        }
        break;
    default:
        break;
    }
    return problem;
}

std::string CheckContiMassRuleGrid(const ContiGrid& g) {
    if (g.variant == ContiVariant::CMPowerLaw || g.variant == ContiVariant::CMPriorVbar) {
        for (int p = 1; p <= g.n; ++p) {
            if (std::isfinite(g.s[p]) && std::isfinite(g.D[p]) && g.D[p] > 0.0)
                continue;
            char text[300];
            std::snprintf(text, sizeof text,
                          "At M = %g Da the model's law gives s = %g S and D = %g cm^2/s: choose "
                          "a range where the law holds.",
                          g.x[p], g.s[p], g.D[p]);
            return text;
        }
        return {};
    }
    if (!IsCsMassRuleVariant(g.variant))
        return {};
    for (int p = 1; p <= g.n; ++p) {
        const double s = g.s[p], m = g.M[p], d = g.D[p];
        if (s == 0.0)
            continue;
        // M = 0 is no molar mass: its D would be the fallback, whatever the sign of s.
        if (std::isfinite(m) && m != 0.0 && std::isfinite(d) && d > 0.0 && (m > 0.0) == (s > 0.0))
            continue;
        char text[300];
        if (std::isfinite(m))
            std::snprintf(text, sizeof text,
                          "At s = %g S the model's rule gives the molar mass %g Da, from which no "
                          "diffusion coefficient follows: choose a range where the rule holds.",
                          s, m);
        else
            std::snprintf(text, sizeof text,
                          "At s = %g S the model's rule gives no molar mass: choose a range where "
                          "the rule holds.",
                          s);
        return text;
    }
    return {};
}
