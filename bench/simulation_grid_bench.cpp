// Set-up of the simulation grid (allocation and shape) and assembly of the moving grid's
// tridiagonal matrices from the element integrals, per grid size.
#include "simulation/grid_element_integrals.h"
#include "simulation/lamm_arrays.h"
#include "simulation/radial_grid.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/reset_all_state.h"

#include <benchmark/benchmark.h>
#include <vector>

namespace {

void PrepareCell(bool movingHat) {
    ResetAllState();
    ModelParameters::meniscus = 6.0f;
    ModelParameters::bottom = 7.2f;
    ModelChoice::movingHatAlgorithm = movingHat;
    ModelChoice::claverieAlgorithm = !movingHat;
}

// The moving-hat cell on a grid of n points whose moving radii stand on the fixed ones; n back.
int PrepareMovingGrid(int n) {
    PrepareCell(true);
    LammGrid::gridSize = n;
    AllocLammArrays();
    for (int i = 1; i <= n; ++i)
        LammGrid::movingRadius[i] = LammGrid::radius[i];
    return n;
}

// Free, allocate and build the moving-frame grid, as a change of grid size does.
void BM_AllocateMovingGrid(benchmark::State& state) {
    PrepareCell(true);
    LammGrid::gridSize = int(state.range(0));
    AllocLammArrays();
    for (auto _ : state) {
        EnsureLammArrays(int(state.range(0)));
        benchmark::DoNotOptimize(LammGrid::radius[LammGrid::gridSize / 2]);
    }
    ResetAllState();
}
BENCHMARK(BM_AllocateMovingGrid)->Arg(200)->Arg(1000)->Arg(5000);

// Size and build the growing grid of the fixed-grid solver, then refine it near the bottom.
void BM_GrowingGridWithRefinement(benchmark::State& state) {
    PrepareCell(false);
    for (auto _ : state) {
        LammGrid::gridSize = int(state.range(0));
        const int n = SetupLammGrid(6.05);
        benchmark::DoNotOptimize(SolveGridSpacingParameter(30.0));
        benchmark::DoNotOptimize(n);
    }
    ResetAllState();
}
BENCHMARK(BM_GrowingGridWithRefinement)->Arg(1000)->Arg(5000);

// The four tridiagonal matrices of a moving-hat step (mass, diffusion, sedimentation, frame).
void BM_AssembleMovingHatMatrices(benchmark::State& state) {
    const int n = PrepareMovingGrid(int(state.range(0)));
    std::vector<double> m(3 * (n + 1)), s(3 * (n + 1)), b(3 * (n + 1)), a(3 * (n + 1));
    for (auto _ : state) {
        for (int i = 1; i <= n; ++i)
            for (int k = 0; k < 3; ++k) {
                const int j = i - 1 + k;
                m[3 * i + k] = FeElemGrid2B(i, j);
                s[3 * i + k] = FeElemGrid2Stiff(i, j);
                b[3 * i + k] = FeElemGrid2Sed(i, j);
                a[3 * i + k] = FeElemGrid2Net(i, j);
            }
        benchmark::DoNotOptimize(a.data());
    }
    state.SetItemsProcessed(state.iterations() * n);
    ResetAllState();
}
BENCHMARK(BM_AssembleMovingHatMatrices)->Arg(1000)->Arg(5000);

// Triple integrals of the concentration-dependent solvers, per row.
void BM_AssembleTripleIntegrals(benchmark::State& state) {
    const int n = PrepareMovingGrid(int(state.range(0)));
    double sum = 0.0;
    for (auto _ : state) {
        for (int i = 1; i <= n; ++i)
            for (int j = i - 1; j <= i + 1; ++j)
                for (int k = i - 1; k <= i + 1; ++k)
                    sum += FeElemTriGrid2(i, j, k) + FETripleIntegral(i, j, k);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * n);
    ResetAllState();
}
BENCHMARK(BM_AssembleTripleIntegrals)->Arg(1000);

} // namespace
