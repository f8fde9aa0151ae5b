// Molar mass readout of the distribution plot: M from s by the hydrodynamic assumption of the
// chosen c(s) model, beside the mass a compact sphere of the same s would have.
#include "app/molar_mass_readout.h"

#include "app/txla_window.h"
#include "distributions/conti_mass_rule.h"
#include "distributions/conti_run.h"
#include "foundations/hydrodynamics.h"
#include "plat/window_dc.hpp"
#include "scandata/scan_store_alloc.h"
#include "state/conti_state.h"
#include "state/model_choice.h"

#include <cstdio>

namespace {

using M = ModelChoice;
using C = ContiState;

} // namespace

bool MolarMassReadoutEnabled() {
    return M::csConformationalChange || M::csFloatingVbar || M::csScalingLaw ||
           M::csWormlikeChain || M::csMsTable || M::csVariant521 || M::csDiscreteSD ||
           M::csInvariantD || M::csBimodalDiscrete || M::csBimodal || M::csDiscreteMs || M::contiCs;
}

double MolarMassOfS(float s) {
    // The first switch that applies chooses the rule; the rules are the grid's own.
    ContiVariant rule = ContiVariant::Cs;
    if (M::csBimodal || M::csBimodalDiscrete)
        rule = ContiVariant::CsBimodal;
    else if (M::csScalingLaw)
        rule = ContiVariant::CsScalingLaw;
    else if (M::csWormlikeChain)
        rule = ContiVariant::CsWormlikeChain;
    else if (M::csMsTable)
        rule = ContiVariant::CsMofSTable;
    else if (M::csConformationalChange)
        rule = ContiVariant::CsConformer;
    else if (M::csInvariantD)
        rule = ContiVariant::CsInvariantD;
    else if (M::csVariant521)
        rule = ContiVariant::CsLinearRod;
    return ContiMolarMassOfS(rule, s, C::ff0, C::invariantD, ContiScanTemperature());
}

std::string MolarMassText(double m, double mMin) {
    char text[120];
    if (m > 10000000.0)
        std::snprintf(text, sizeof text, "|Mf=%.1f (>%.1f) MDa", m * 1e-6, mMin * 1e-6);
    else if (m > 1000000.0)
        std::snprintf(text, sizeof text, "|Mf=%.2f (>%.2f) MDa", m * 1e-6, mMin * 1e-6);
    else if (m > 100000.0)
        std::snprintf(text, sizeof text, "|Mf=%.0f (>%.0f) kDa", m * 1e-3, mMin * 1e-3);
    else if (m > 10000.0)
        std::snprintf(text, sizeof text, "|Mf=%.1f (>%.1f) kDa", m * 1e-3, mMin * 1e-3);
    else if (m > 1000.0)
        std::snprintf(text, sizeof text, "|Mf=%.2f (>%.2f) kDa", m * 1e-3, mMin * 1e-3);
    else if (m > 100.0)
        std::snprintf(text, sizeof text, "|Mf=%.0f (>%.0f) Da", m, mMin);
    else
        std::snprintf(text, sizeof text, "|Mf=%.1f (>%.1f) Da", m, mMin);
    return text;
}

void ShowMolarMassReadout(TXLAWindow* window, int x, int y, float s) {
    const std::string text = MolarMassText(MolarMassOfS(s), CalculateMff02(s, 1.0f));
    TClientDC dc(window);
    dc.TextOut(x, y, text.c_str());
}
