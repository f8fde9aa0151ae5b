// Recording and replaying a dense picture (50 curves of 1000 points) and drawing plot text.
#include "plat/gdi.hpp"
#include "plat/metafile.hpp"

#include <benchmark/benchmark.h>
#include <cmath>
#include <memory>

namespace {

void Record(TDC& dc) {
    dc.SetWindowExt({1399, 1000});
    for (int c = 0; c < 50; ++c) {
        dc.SelectObject(TPen(RGB(c * 5, 255 - c * 5, 128)));
        for (int i = 0; i < 1000; ++i) {
            const double r = i / 999.0;
            const int x = 105 + int(r * 1260);
            const int y = 475 - int(400 / (1 + std::exp(-(r - 0.1 - c * 0.015) * 40)));
            if (i == 0)
                dc.MoveTo(x, y);
            else
                dc.LineTo(x, y);
        }
    }
}

std::unique_ptr<MetaFile> Picture() {
    TMetaFileDC dc;
    Record(dc);
    return std::unique_ptr<MetaFile>(dc.Close());
}

void BM_Record50x1000(benchmark::State& state) {
    for (auto _ : state) {
        TMetaFileDC dc;
        Record(dc);
        std::unique_ptr<MetaFile> mf(dc.Close());
        benchmark::DoNotOptimize(mf.get());
    }
}
BENCHMARK(BM_Record50x1000)->Unit(benchmark::kMillisecond);

void BM_Replay50x1000(benchmark::State& state) {
    const auto mf = Picture();
    const int w = int(state.range(0)), h = int(state.range(1));
    plat::Surface s(w, h);
    for (auto _ : state) {
        TSurfaceDC dc(s);
        dc.SetMapMode(MM_ANISOTROPIC);
        dc.SetWindowExt({1400, 1000});
        dc.SetViewportExt({w, h});
        PlayMetaFile(dc, *mf);
        benchmark::DoNotOptimize(s.Pixels().data());
    }
}
BENCHMARK(BM_Replay50x1000)->Args({1400, 1000})->Args({684, 441})->Unit(benchmark::kMillisecond);

void BM_TickLabels(benchmark::State& state) {
    plat::Surface s(1400, 1000);
    const TFont font = CreateFont(18, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, OUT_TT_PRECIS, 0,
                                  PROOF_QUALITY, FF_ROMAN, nullptr);
    for (auto _ : state) {
        TSurfaceDC dc(s);
        dc.SetBkMode(TRANSPARENT);
        dc.SelectObject(font);
        dc.SetTextAlign(TA_CENTER | TA_TOP);
        for (int i = 0; i < 20; ++i)
            dc.TextOut(100 + 60 * i, 500, "6.85");
    }
}
BENCHMARK(BM_TickLabels)->Unit(benchmark::kMicrosecond);

} // namespace
