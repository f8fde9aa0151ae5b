// The road tests' entries and store readings.
#include "support/typed_components.h"

#include "app/params_box.h"
#include "state/scan_store.h"

#include <cmath>

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
