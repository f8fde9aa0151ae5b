// c(s) data sets of one species written as scan files.
#include "support/batch_data_sets.h"

#include "state/conti_state.h"
#include "state/model_parameters.h"
#include "state/scan_store.h"
#include "support/conti_data_store.h"
#include "support/reset_all_state.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

std::vector<GeneratedScan> BatchSetScans(const BatchSetCase& bc) {
    ContiStoreCase c;
    c.scans = bc.scans;
    c.points = bc.points;
    c.meniscus = 6.02f;
    c.bottom = 7.16f;
    c.firstTimeS = 600.0;
    c.intervalS = bc.intervalS;
    std::vector<GeneratedScan> scans;
    {
        ContiDataStore store(c);
        ModelParameters::meniscus = 6.0f;
        ModelParameters::bottom = 7.2f;
        store.Fill({{bc.sS, bc.ff0, bc.loading}}, {}, {}, bc.noise, bc.seed);
        for (int k = 1; k <= c.scans; ++k) {
            const GeneratedScan s = store.ScanFile(k, "[T OK]batch set " + std::to_string(k),
                                                   store.signal[k].data(), bc.noise);
            scans.push_back(s);
        }
    }
    ResetAllState();
    return scans;
}

std::vector<std::string> WriteBatchSet(const std::string& folder, const std::string& extension,
                                       const std::vector<GeneratedScan>& scans) {
    std::filesystem::create_directories(folder);
    std::vector<std::string> paths;
    for (std::size_t k = 0; k < scans.size(); ++k) {
        char name[40];
        std::snprintf(name, sizeof name, "/%05zu.%s", k + 1, extension.c_str());
        paths.push_back(folder + name);
        std::ofstream(paths.back()) << scans[k].Text();
    }
    return paths;
}

void SetBatchCsParameters() {
    ContiState::rangeMin = 0.5f;
    ContiState::rangeMax = 10.0f;
    ContiState::resolution = 40.0f;
    ContiState::confidenceLevel = 0.68f;
    ContiState::ff0 = 1.25f;
    ModelParameters::meniscus = 6.0f;
    ModelParameters::bottom = 7.2f;
    ScanStore::leftFitLimit = 6.05f;
    ScanStore::rightFitLimit = 7.12f;
}
