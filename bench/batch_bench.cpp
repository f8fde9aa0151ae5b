// Ten c(s) analyses of 50 scans of 1000 points; each counter "msPerSet" is the time of one set.
// - ListBatchOfTenCsRuns: the list-file batch. Per set: the list read, the 50 scans reloaded,
//   the start analysis's parameters, the Run, and the set's result files (distribution, ff0, the
//   experiment file, the two model files, and summary.txt and idswsig.txt written anew), each a
//   new file made through a temporary file and a rename. The plots are recorded once, for the last
//   set, when the batch ends.
// - TenLoadsWithRun: each set loaded through the menu from its list file, which reads the list
//   and the scans and runs the model: what the batch does for a set, less its result files, done
//   by hand. This is the reference the batch is held to, since a Run needs its data loaded.
// - TenSingleCsRuns: the Run alone (its kernel, solution, sdist file and the distribution and
//   scan plots it lays out) on a set loaded beforehand, untimed: no data are read.
// - TenReloads: the batch's reload alone (the list and the scans read and parsed, the common
//   grid; the scan plots are left to the Run).
// The batch above TenSingleCsRuns is its reload and its result files; making a file costs its
// time in the file system rather than in formatting the text.
#include "app/txla_window.h"
#include "plat/atomic_file.hpp"
#include "scandata/list_file.h"
#include "scandata/reload_data.h"
#include "scandata/scan_file_list.h"
#include "state/serial_fit_state.h"
#include "support/batch_data_sets.h"
#include "support/main_window_fixture.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kSets = 10;

// The ten sets as "%05d.RA<k>" beside their list files "list.00<k>", the first one loaded with
// c(s) chosen and set up.
struct TenSets {
    std::unique_ptr<MainWindowFixture> f;
    std::vector<std::string> lists;

    TenSets() {
        std::vector<std::vector<GeneratedScan>> sets;
        for (int k = 0; k < kSets; ++k)
            sets.push_back(BatchSetScans({50, 1000, 2.0 + 0.5 * k, 1.25, 0.5, 0.005,
                                          100u + static_cast<unsigned>(k), 150.0}));
        f = std::make_unique<MainWindowFixture>();
        const std::string folder = f->data.path();
        for (int k = 0; k < kSets; ++k) {
            const std::string ext = "RA" + std::to_string(k);
            WriteBatchSet(folder, ext, sets[k]);
            std::vector<std::string> strings{folder};
            for (int i = 1; i <= 50; ++i) {
                char name[20];
                std::snprintf(name, sizeof name, "%05d.%s", i, ext.c_str());
                strings.push_back(name);
            }
            lists.push_back(f->data.write("list.00" + std::to_string(k), ListText(1, strings)));
        }
        f->script.expectFileOpen().answer(std::vector<std::string>{lists[0]});
        SendMessage(f->window.get(), WM_COMMAND, WPARAM(200), 0);
        SendMessage(f->window.get(), WM_COMMAND, WPARAM(275), 0);
        SetBatchCsParameters();
        SendMessage(f->window.get(), WM_COMMAND, WPARAM(213), 0);
    }
};

TenSets& Sets() {
    static TenSets sets;
    return sets;
}

void ListBatchOfTenCsRuns(benchmark::State& state) {
    TenSets& t = Sets();
    double seconds = 0;
    for (auto _ : state) {
        auto& s = t.f->script;
        s.expectBox().textHas("fit each set?").answer(IDNO);
        s.expectBox().text("restore previous params if available?").answer(IDNO);
        s.expectBox().text("overwrite FitRightLim?").answer(IDNO);
        s.expectBox().text("VIZRA dfr and c(s)?").answer(IDNO);
        s.expectBox().text("with automatic integration?").answer(IDNO);
        const auto start = std::chrono::steady_clock::now();
        SendMessage(t.f->window.get(), WM_COMMAND, WPARAM(904), 0);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    state.counters["msPerSet"] = 1000.0 * seconds / (kSets * state.iterations());
}

// Each set loaded through the menu from its list file, which shows the model: a load and a Run
// (the reference for the batch).
void TenLoadsWithRun(benchmark::State& state) {
    TenSets& t = Sets();
    double seconds = 0;
    for (auto _ : state) {
        for (const std::string& list : t.lists) {
            t.f->script.expectFileOpen().answer(std::vector<std::string>{list});
            const auto start = std::chrono::steady_clock::now();
            SendMessage(t.f->window.get(), WM_COMMAND, WPARAM(200), 0);
            seconds +=
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        }
    }
    state.counters["msPerSet"] = 1000.0 * seconds / (kSets * state.iterations());
}

// A Run of each set on its own, the set loaded beforehand without showing its model (so the Run
// computes its kernel afresh, as after a load).
void TenSingleCsRuns(benchmark::State& state) {
    TenSets& t = Sets();
    TXLAWindow* w = t.f->window.get();
    double seconds = 0;
    for (auto _ : state) {
        for (const std::string& list : t.lists) {
            state.PauseTiming();
            ReadListFile(list);
            SerialFitState::serializing = true;
            ReloadAllData(w, w->computeObserver);
            SerialFitState::serializing = false;
            state.ResumeTiming();
            const auto start = std::chrono::steady_clock::now();
            w->CmRun();
            seconds +=
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        }
    }
    state.counters["msPerSet"] = 1000.0 * seconds / (kSets * state.iterations());
}

// The reload that the batch does for each set before its Run: the list read and the scans
// loaded in place (the scan plots are left to the Run).
void TenReloads(benchmark::State& state) {
    TenSets& t = Sets();
    TXLAWindow* w = t.f->window.get();
    double seconds = 0;
    for (auto _ : state) {
        for (const std::string& list : t.lists) {
            const auto start = std::chrono::steady_clock::now();
            ReadListFile(list);
            SerialFitState::serializing = true;
            ReloadAllData(w, w->computeObserver);
            SerialFitState::serializing = false;
            seconds +=
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        }
    }
    state.counters["msPerSet"] = 1000.0 * seconds / (kSets * state.iterations());
}

// Seven files of a set's sizes written as the batch writes them (a temporary file, then a
// rename over the file of the set before): the share of the file system in the batch.
void TenSetsOfSevenResultFiles(benchmark::State& state) {
    TenSets& t = Sets();
    const std::vector<std::size_t> sizes = {1040, 14, 2871, 1528, 986, 358, 154};
    double seconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        for (int k = 0; k < kSets; ++k)
            for (std::size_t f = 0; f < sizes.size(); ++f)
                plat::WriteFileAtomically(t.f->data.file("result" + std::to_string(f)),
                                          std::string(sizes[f], 'x'));
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    state.counters["msPerSet"] = 1000.0 * seconds / (kSets * state.iterations());
}

} // namespace

BENCHMARK(ListBatchOfTenCsRuns)->Unit(benchmark::kSecond)->Iterations(2);
BENCHMARK(TenLoadsWithRun)->Unit(benchmark::kSecond)->Iterations(2);
BENCHMARK(TenSingleCsRuns)->Unit(benchmark::kSecond)->Iterations(2);
BENCHMARK(TenReloads)->Unit(benchmark::kSecond)->Iterations(2);
BENCHMARK(TenSetsOfSevenResultFiles)->Unit(benchmark::kSecond)->Iterations(2);
