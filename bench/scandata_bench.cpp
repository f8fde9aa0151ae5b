// Loading 500 scans of 1000 points from a temporary folder, and building their common grid.
#include "app/load_all_data.h"
#include "plat/testing.hpp"
#include "scandata/common_grid.h"
#include "scandata/scan_store_alloc.h"
#include "support/reset_all_state.h"
#include "support/scan_set_generator.h"
#include "support/temp_folder.h"

#include <benchmark/benchmark.h>

namespace {

struct ScanSetOnDisk {
    TempFolder dir;
    std::string selection;
    ScanSetOnDisk() {
        ScanSetOptions options;
        options.count = 500;
        options.points = 1000;
        selection = SelectionBuffer(dir.path(), WriteScanSet(dir.path(), options));
    }
};

ScanSetOnDisk& Set() {
    static ScanSetOnDisk set;
    return set;
}

void BM_LoadAllData500Scans(benchmark::State& state) {
    ScanSetOnDisk& set = Set();
    plat::test::Script script;
    script.onUnexpected(plat::test::Unexpected::DefaultButton);
    for (auto _ : state) {
        ResetAllState();
        LoadAllData(nullptr, set.selection.c_str());
        benchmark::DoNotOptimize(ScanStore::gridCount);
    }
    state.counters["scans"] = ScanStore::scanCount;
    ResetAllState();
}
BENCHMARK(BM_LoadAllData500Scans)->Unit(benchmark::kMillisecond);

void BM_BuildCommonRadialGrid500Scans(benchmark::State& state) {
    ScanSetOnDisk& set = Set();
    plat::test::Script script;
    script.onUnexpected(plat::test::Unexpected::DefaultButton);
    ResetAllState();
    LoadAllData(nullptr, set.selection.c_str());
    for (auto _ : state) {
        BuildCommonRadialGrid();
        benchmark::DoNotOptimize(ScanStore::gridMeanSignal);
    }
    state.counters["gridPoints"] = ScanStore::gridCount;
    ResetAllState();
}
BENCHMARK(BM_BuildCommonRadialGrid500Scans)->Unit(benchmark::kMillisecond);

} // namespace
