// Recording and replaying a plot of 50 curves of 1000 points each, as the main window repaints it.
#include "foundations/ccurve.h"
#include "plat/gdi.hpp"
#include "plat/metafile.hpp"
#include "plotting/win_plot.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <memory>
#include <vector>

namespace {

struct FiftyCurves {
    std::vector<std::unique_ptr<CCurve>> curves;
    CWINPlot plot;
    FiftyCurves() {
        plot.SetPlotRect(50, 75, 550, 975);
        std::vector<float> x(1000), y(1000);
        for (int c = 0; c < 50; ++c) {
            for (int i = 0; i < 1000; ++i) {
                x[std::size_t(i)] = 5.9f + 0.0013f * float(i);
                y[std::size_t(i)] =
                    0.8f / (1 + std::exp(-(x[std::size_t(i)] - 6.0f - 0.02f * float(c)) / 0.02f));
            }
            curves.push_back(std::make_unique<CCurve>(x.data(), y.data(), 1000, 0, 0));
            plot.AddCurve(curves.back().get());
            plot.SetCurveStyle(c, c % 2 ? -1 : 6);
        }
        plot.markSize = 2;
    }
};

void BM_RecordPlot(benchmark::State& state) {
    FiftyCurves f;
    for (auto _ : state)
        benchmark::DoNotOptimize(f.plot.Draw());
}
BENCHMARK(BM_RecordPlot)->Unit(benchmark::kMillisecond);

void BM_ReplayPlot(benchmark::State& state) {
    FiftyCurves f;
    f.plot.Draw();
    plat::Surface surface(1400, 1000);
    TSurfaceDC dc(surface);
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowExt(TSize{1400, 1000});
    dc.SetViewportExt(TSize{1400, 1000});
    for (auto _ : state)
        benchmark::DoNotOptimize(PlayMetaFile(dc, f.plot.metaFile));
}
BENCHMARK(BM_ReplayPlot)->Unit(benchmark::kMillisecond);

} // namespace
