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
#include "state/model_kind.h"

#include <cstdio>

namespace {

using C = ContiState;

} // namespace

bool MolarMassReadoutEnabled() {
    return CurrentModelTraits().molarMassReadout;
}

double MolarMassOfS(float s) {
    // The rules are the grid's own: those of the c(s) members with a molar mass of their own,
    // plain c(s) for the others; without the grid's mirror, so an s of the sign the buffer does
    // not give shows no mass, as in the results summary.
    const ContiVariant variant = CurrentModelTraits().variant;
    const ContiVariant rule = IsCsMassRuleVariant(variant) || variant == ContiVariant::CsInvariantD
                                  ? variant
                                  : ContiVariant::Cs;
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

std::string MolarMassReadoutText(float s) {
    return MolarMassText(MolarMassOfS(s), CalculateMff02(s, 1.0f));
}

void ShowMolarMassReadout(TXLAWindow* window, int x, int y, float s) {
    const std::string text = MolarMassReadoutText(s);
    TClientDC dc(window);
    dc.TextOut(x, y, text.c_str());
}
