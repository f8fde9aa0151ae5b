// A full repaint of the main window holding 100 scans of 1000 points, with fit curves over the
// data: the replayed data plot, markers, overlays, the recomputed residual plot and its bitmap.
#include "scandata/scan_store_alloc.h"
#include "support/main_window_fixture.h"

#include <benchmark/benchmark.h>

namespace {

void BM_FullRepaint100Scans(benchmark::State& state) {
    MainWindowFixture f(1200, 860);
    ScanSetOptions o;
    o.count = 100;
    o.points = 1000;
    f.Load(o);
    ScanStore::resultAvailable = true;
    for (auto _ : state) {
        f.window->RequestRepaint();
        f.Paint();
    }
}
BENCHMARK(BM_FullRepaint100Scans)->Unit(benchmark::kMillisecond);

} // namespace
