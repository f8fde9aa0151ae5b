// The fit-range rmsd and the default variation limits of meniscus and bottom.
#include "fitting/fit_statistics.h"

#include "scandata/scan_store.h"

#include <cmath>

void SetDefaultMeniscusBottomLimits()
{
    // The limits follow the fitting work; until then the user's or the initial values stand.
}

float CalcFitRmsd()
{
    double sum = 0.0;
    long count = 0;
    for (int k = 1; k <= ScanStore::scanCount; ++k) {
        if (!ScanStore::signal || !ScanStore::signal[k] || !ScanStore::fit[k])
            continue;
        for (int i = ScanStore::firstFitIndex[k]; i >= 1 && i <= ScanStore::lastFitIndex[k] &&
                                                  i <= ScanStore::pointCount[k];
             ++i) {
            double d = ScanStore::signal[k][i] - ScanStore::fit[k][i];
            sum += d * d;
            ++count;
        }
    }
    return count > 0 ? static_cast<float>(std::sqrt(sum / count)) : 0.0f;
}
