#include "support/van_holde_weischet_road.h"

#include "plat/messages.hpp"
#include "state/boundary_analysis.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

void ExpectVanHoldeWeischetChoice(MainWindowFixture& f) {
    f.script.expectBox()
        .caption("Van Holde Weischet Analysis")
        .text("van Holde-Weischet for sedimentation? ('no' for flotation)")
        .answer(IDYES);
    f.script.expectInput()
        .title("Van Holde Weischet Analysis")
        .prompt("enter resolution")
        .answer("20");
}

double MedianExtrapolatedS(double lo, double hi) {
    std::vector<double> s;
    for (std::size_t k = 0; k < BoundaryAnalysis::fractions.size(); ++k)
        if (BoundaryAnalysis::fractions[k] >= lo && BoundaryAnalysis::fractions[k] <= hi &&
            std::isfinite(BoundaryAnalysis::fittedLines[k].back()))
            s.push_back(BoundaryAnalysis::fittedLines[k].back());
    if (s.empty())
        return NAN;
    std::nth_element(s.begin(), s.begin() + std::ptrdiff_t(s.size() / 2), s.end());
    return s[s.size() / 2];
}
