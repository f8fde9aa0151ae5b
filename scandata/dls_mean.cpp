// SaveMeanDlsData: the mean of the loaded autocorrelation functions on the common lag grid.
#include "scandata/dls_acf_conversion.h"
#include "scandata/dls_data_set.h"
#include "scandata/dls_file.h"
#include "scandata/scan_store_alloc.h"
#include "state/dls_data.h"

#include <vector>

// The mean is taken over g(2)-1, the quantity that adds up over measurements: functions held as
// g(1) are squared back with their sign first, those already held as g(2)-1 (preference or the
// toggle command) enter as they are. The file takes record 1's header at the mean temperature.
// Checked in the store tests against hand-computed means of both kinds.
bool SaveMeanDlsData(const char* path) {
    using S = ScanStore;
    if (!gDlsData || S::scanCount < 1 || !S::dlsRecords || !S::gridSignal || !S::gridRadius ||
        S::gridCount < 1)
        return false;
    DlsRecord& first = S::dlsRecords[1];
    float keptTemperature = first.temperature;
    first.temperature = S::absoluteTemperature - 273.15f;
    gDlsSquareBack = false;

    std::vector<float> mean(static_cast<std::size_t>(S::gridCount) + 1, 0.0f);
    for (int k = 1; k <= S::gridCount; ++k) {
        float sum = 0.0f;
        for (int i = 1; i <= S::scanCount; ++i) {
            float g = S::gridSignal[i][k];
            sum += S::dlsRecords[i].isFieldAcf ? SignedSquare(g) : g;
        }
        mean[static_cast<std::size_t>(k)] = sum / static_cast<float>(S::scanCount);
    }
    // The writer may clear denormal lags in the array it is given; the grid stays untouched.
    std::vector<float> lags(S::gridRadius, S::gridRadius + S::gridCount + 1);
    bool written = WriteDlsData(path, S::gridCount, lags.data(), mean.data(), "averaged", first);

    gDlsSquareBack = false;
    first.temperature = keptTemperature;
    return written;
}
