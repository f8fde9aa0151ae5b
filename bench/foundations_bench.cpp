// Non-negative normal equations of 100 unknowns, resampling of 1000 points and a vector file of
// 80,000 lines read.
#include "foundations/cvector.h"
#include "foundations/linear_solvers.h"
#include "foundations/nr_arrays.h"
#include "foundations/resampling.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <vector>

namespace {

// Normal equations A^T A x = A^T y of a distribution-like problem: 100 overlapping boundary
// kernels sampled at 300 points, data from a few positive amplitudes plus noise, so the
// non-negativity constraints are active for most unknowns.
struct NormalSystem {
    static constexpr int n = 100;
    std::vector<float> a, b;
    NormalSystem() {
        const int rows = 300;
        std::mt19937 rng(11);
        std::normal_distribution<float> noise(0.0f, 0.01f);
        std::vector<float> kernel(static_cast<std::size_t>(rows) * n), y(rows, 0.0f);
        for (int r = 0; r < rows; ++r)
            for (int j = 0; j < n; ++j)
                kernel[r * n + j] = 0.5f * (1.0f + std::erf((r - 3.0f * j) / 12.0f));
        for (int r = 0; r < rows; ++r) {
            y[r] = 0.4f * kernel[r * n + 20] + 0.7f * kernel[r * n + 55] + noise(rng);
        }
        a.assign(static_cast<std::size_t>(n) * n, 0.0f);
        b.assign(n, 0.0f);
        for (int i = 0; i < n; ++i) {
            for (int j = 0; j < n; ++j) {
                double s = 0.0;
                for (int r = 0; r < rows; ++r)
                    s += kernel[r * n + i] * kernel[r * n + j];
                a[i * n + j] = static_cast<float>(s);
            }
            double s = 0.0;
            for (int r = 0; r < rows; ++r)
                s += kernel[r * n + i] * y[r];
            b[i] = static_cast<float>(s);
        }
    }
};

void BM_NormalEquationsNNLS100(benchmark::State& state) {
    static const NormalSystem system;
    const int n = NormalSystem::n;
    float** a = matrix(1, n, 1, n);
    float* b = vector(1, n);
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j)
            a[i][j] = system.a[(i - 1) * n + (j - 1)];
    for (auto _ : state) {
        for (int i = 1; i <= n; ++i)
            b[i] = system.b[i - 1];
        benchmark::DoNotOptimize(NormalEquationsNNLS(a, b, n, true));
    }
    free_vector(b, 1, n);
    free_matrix(a, 1, n, 1, n);
}
BENCHMARK(BM_NormalEquationsNNLS100)->Unit(benchmark::kMillisecond);

void BM_ResampleCurve1000(benchmark::State& state) {
    const int n = 1000;
    std::vector<float> xs(n + 1), ys(n + 1), x(n + 1), y(n + 1);
    for (int i = 1; i <= n; ++i) {
        xs[i] = 5.9f + 0.0013f * i;
        ys[i] = std::tanh((xs[i] - 6.5f) * 20.0f);
        x[i] = 5.9005f + 0.0013f * i;
    }
    for (auto _ : state) {
        ResampleCurve(n, x.data(), y.data(), n, xs.data(), ys.data());
        benchmark::DoNotOptimize(y.data());
    }
}
BENCHMARK(BM_ResampleCurve1000);

// A vector file of 80,000 lines (a preferences file run long, a long s grid) read into an empty
// vector: linear in the lines since the storage grows geometrically.
void BM_VectorFileRead80000Lines(benchmark::State& state) {
    const std::string path =
        (std::filesystem::temp_directory_path() / "tarnix_bench_vector.txt").string();
    if (std::FILE* f = std::fopen(path.c_str(), "w")) {
        for (int i = 0; i < 80000; ++i)
            std::fprintf(f, "%f\n", 0.001 * i);
        std::fclose(f);
    }
    for (auto _ : state) {
        CVector v;
        v.Read(path.c_str());
        benchmark::DoNotOptimize(v.data);
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_VectorFileRead80000Lines)->Unit(benchmark::kMillisecond);

} // namespace
