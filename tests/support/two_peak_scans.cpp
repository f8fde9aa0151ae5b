// The two-species c(s) scan set, made from Lamm solutions of the list road.
#include "support/two_peak_scans.h"

#include "state/model_parameters.h"
#include "support/conti_data_store.h"

#include <string>

std::vector<GeneratedScan> TwoSpeciesScans() {
    ContiStoreCase c;
    c.scans = 12;
    c.points = 381; // 6.02 .. 7.16 cm in steps of 0.003 cm
    c.meniscus = 6.02f;
    c.bottom = 7.16f;
    c.firstTimeS = 600.0;
    c.intervalS = 400.0;
    std::vector<GeneratedScan> scans;
    ContiDataStore store(c);
    ModelParameters::meniscus = 6.0f; // the cell's meniscus lies before the first radius
    ModelParameters::bottom = 7.2f;
    store.Fill({{3.5, 1.25, 0.3}, {7.0, 1.25, 0.6}}, {}, {}, 0.003, 23);
    for (int k = 1; k <= c.scans; ++k) {
        const GeneratedScan s =
            store.ScanFile(k, "[T OK]two species " + std::to_string(k), store.signal[k].data());
        scans.push_back(s);
    }
    return scans;
}
