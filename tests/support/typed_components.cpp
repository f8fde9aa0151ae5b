// The road tests' entries and store readings.
#include "support/typed_components.h"

#include "app/params_box.h"
#include "state/model_parameters.h"
#include "state/scan_store.h"

#include <cmath>
#include <cstdio>

void TypeSpecies(plat::test::Step& step, int k, const char* loading, const char* s,
                 const char* mKDa, bool floatS, bool floatM) {
    step.check(SpeciesControlId(k, kIncludedItem))
        .set(SpeciesControlId(k, kLoadingItem), loading)
        .set(SpeciesControlId(k, kSItem), s)
        .set(SpeciesControlId(k, kDOrMItem), mKDa)
        .check(SpeciesControlId(k, kSItem + 1), floatS)
        .check(SpeciesControlId(k, kDOrMItem + 1), floatM)
        .check(SpeciesControlId(k, kLoadingItem + 1), false);
}

double RmsInsideFitLimits() {
    using S = ScanStore;
    double sum = 0.0;
    long n = 0;
    for (int k = 1; k <= S::scanCount; ++k)
        for (int i = 1; i <= S::pointCount[k]; ++i)
            if (S::radius[k][i] >= S::leftFitLimit && S::radius[k][i] <= S::rightFitLimit) {
                const double d = double(S::signal[k][i]) - S::fit[k][i];
                sum += d * d;
                ++n;
            }
    return n > 0 ? std::sqrt(sum / double(n)) : 0.0;
}

bool AtTwoSpeciesTruth() {
    using M = ModelParameters;
    auto near = [](double v, double truth, double tol) { return std::fabs(v / truth - 1) <= tol; };
    return near(M::speciesS[1], 4, 0.01) && near(M::speciesS[2], 8, 0.01) &&
           near(M::speciesDOrM[1], 50000, 0.05) && near(M::speciesDOrM[2], 140000, 0.05) &&
           near(RmsInsideFitLimits(), 0.005, 0.06);
}

std::string TwoSpeciesValues() {
    using M = ModelParameters;
    char text[240];
    std::snprintf(text, sizeof text, "s %g %g S, M %g %g Da, loadings %g %g, meniscus %g, rms %g",
                  M::speciesS[1], M::speciesS[2], M::speciesDOrM[1], M::speciesDOrM[2],
                  M::speciesLoading[1], M::speciesLoading[2], M::meniscus, RmsInsideFitLimits());
    return text;
}
