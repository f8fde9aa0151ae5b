// Test helper: a scan store filled from arrays.
#include "store_builder.h"

#include "foundations/nr_arrays.h"
#include "scandata/scan_store_alloc.h"

#include <cstring>

void FillStore(const std::vector<StoreScan>& scans) {
    using S = ScanStore;
    FreeAllData();
    int count = static_cast<int>(scans.size());
    AllocateScanTables(count);
    S::scanCount = count;
    for (int k = 1; k <= count; ++k) {
        const StoreScan& scan = scans[static_cast<std::size_t>(k) - 1];
        int n = static_cast<int>(scan.radius.size());
        S::pointCount[k] = n;
        S::radius[k] = vector(1, n);
        S::signal[k] = vector(1, n);
        S::residuals[k] = vector(1, n);
        S::fit[k] = vector(1, n);
        S::work[k] = vector(1, n);
        for (int i = 1; i <= n; ++i) {
            S::radius[k][i] = scan.radius[static_cast<std::size_t>(i) - 1];
            S::signal[k][i] = scan.signal[static_cast<std::size_t>(i) - 1];
            S::residuals[k][i] = S::signal[k][i];
        }
        S::header[k].time = S::header[k].originalTime = scan.timeS;
        S::scanFileName[k] = new char[260]();
        std::strncpy(S::scanFileName[k], scan.name.c_str(), 259);
    }
    // Time order by insertion: adjacent exchanges, equal times keep their order.
    for (int a = 1; a <= count; ++a)
        for (int b = count; b > a; --b)
            if (S::header[S::scanOrder[b - 1]].time > S::header[S::scanOrder[b]].time)
                std::swap(S::scanOrder[b - 1], S::scanOrder[b]);
}

StoreScan EvenScan(float first, float step, int n, double timeS, float (*f)(float)) {
    StoreScan s;
    s.timeS = timeS;
    for (int i = 0; i < n; ++i) {
        float r = first + static_cast<float>(i) * step;
        s.radius.push_back(r);
        s.signal.push_back(f ? f(r) : 0.0f);
    }
    return s;
}
