// The shared-grid scan store of the linear-parameter tests.
#include "support/component_store.h"

#include "scandata/common_grid.h"
#include "scandata/fit_limits.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_store_alloc.h"
#include "state/component_scans.h"
#include "state/model_parameters.h"
#include "support/reset_all_state.h"
#include "support/store_builder.h"

void MakeComponentStore(const ComponentStoreCase& c) {
    ResetAllState();
    ScanDataKind::interference = true;
    std::vector<StoreScan> scans;
    for (int o = 1; o <= c.scans; ++o)
        scans.push_back(EvenScan(c.firstRadius, c.step, c.points,
                                 c.firstTimeS + (o - 1) * c.intervalS, nullptr));
    FillStore(scans);
    ModelParameters::meniscus = c.meniscus;
    ModelParameters::bottom = c.bottom;
    const float* r = scans.empty() ? nullptr : ScanStore::radius[1];
    if (c.firstFitPoint > 0)
        ScanStore::leftFitLimit = r[c.firstFitPoint];
    if (c.lastFitPoint > 0)
        ScanStore::rightFitLimit = r[c.lastFitPoint];
    BuildCommonRadialGrid();
    for (int s = 1; s <= ModelParameters::maxSpecies; ++s)
        ModelParameters::speciesOn[s] = 0;
}

const float* GridRadii() {
    return ScanStore::gridRadius;
}

void WriteSpecies(int s, const SpeciesSignal& signal) {
    ModelParameters::speciesOn[s] = 1;
    ModelParameters::speciesLoading[s] = 1.0f;
    for (int o = 1; o <= ScanStore::scanCount; ++o) {
        const int k = ScanStore::scanOrder[o];
        float* row = ComponentScans::Row(s, k, ScanStore::gridCount);
        for (int g = 1; g <= ScanStore::gridCount; ++g)
            row[g] = signal(s, o, ScanStore::header[k].time, ScanStore::gridRadius[g]);
    }
}

void SetSignal(const std::function<float(int o, int i)>& f) {
    for (int o = 1; o <= ScanStore::scanCount; ++o) {
        const int k = ScanStore::scanOrder[o];
        for (int i = 1; i <= ScanStore::pointCount[k]; ++i)
            ScanStore::signal[k][i] = f(o, i);
    }
}

double ScanResidualSumOfSquares() {
    double sum = 0.0;
    for (int k = 1; k <= ScanStore::scanCount; ++k) {
        int first = 0, last = 0;
        FitRange(k, first, last);
        for (int i = first; i <= last; ++i) {
            const double d = double(ScanStore::signal[k][i]) - ScanStore::fit[k][i];
            sum += d * d;
        }
    }
    return sum;
}
