// Storage of the distribution kernel and the mapping of solved profiles into it.
#include "simulation/conti_kernel.h"

#include "foundations/resampling.h"
#include "lamm/kept_thread_pool.h"
#include "state/conti_state.h"

#include <algorithm>

void ContiKernel::Allocate(int gridPoints, int scans, const float* radii, int points, int threads) {
    Free();
    ++generation_;
    if (gridPoints <= 0 || scans <= 0 || points <= 0)
        return;
    const size_t rowLength = static_cast<size_t>(points) + 1;
    const size_t size = static_cast<size_t>(gridPoints + 1) * (scans + 1) * rowLength;
    if (size > capacity_) {
        values_.reset();
        capacity_ = 0;
        values_.reset(new float[size]);
        capacity_ = size;
    }
    gridPoints_ = gridPoints, scans_ = scans, points_ = points, radii_ = radii;
    // Shares of whole pages' worth of values, the last taking the rest.
    const size_t chunk = 1u << 16;
    const int shares =
        static_cast<int>(std::clamp<size_t>((size + chunk - 1) / chunk, 1, std::max(1, threads)));
    float* values = values_.get();
    RunOnKeptThreads(shares, shares - 1, [&](int k, bool) {
        const size_t from = size / shares * (k - 1), to = k == shares ? size : size / shares * k;
        std::fill(values + from, values + to, 0.0f);
    });
    rowPointers_.assign(static_cast<size_t>(gridPoints + 1) * (scans + 1), nullptr);
    targets_.assign(gridPoints + 1, nullptr);
    for (int p = 1; p <= gridPoints; ++p) {
        for (int k = 1; k <= scans; ++k)
            rowPointers_[Slot(p, k)] = &values_[Slot(p, k) * rowLength];
        targets_[p] = &rowPointers_[Slot(p, 0)];
    }
    solved_.assign(gridPoints + 1, 0);
}

void ContiKernel::Free() {
    gridPoints_ = scans_ = points_ = 0;
    radii_ = nullptr; // the block is kept for the next kernel
    rowPointers_.clear();
    targets_.clear();
    solved_.clear();
}

bool ContiKernel::Complete() const {
    if (Empty())
        return false;
    return std::all_of(solved_.begin() + 1, solved_.end(), [](int s) { return s != 0; });
}

namespace {

float* KernelRow(int k) {
    const int p = ContiState::kernelColumn;
    if (gContiKernel.Empty() || p < 1 || p > gContiKernel.GridPoints() || k < 1 ||
        k > gContiKernel.Scans())
        return nullptr;
    return gContiKernel.Row(p, k);
}

} // namespace

void MapLammSolutionToData(int k, const double* r, const double* values, int n) {
    float* row = KernelRow(k);
    if (row == nullptr)
        return;
    ResampleCurveFromDouble(gContiKernel.Points(), gContiKernel.Radii(), row, n, r, values);
}

void MapLammSolutionToData2(int k, const double* r, const double* values, int n) {
    float* row = KernelRow(k);
    if (row == nullptr)
        return;
    AddResampledCurveFromDouble(gContiKernel.Points(), gContiKernel.Radii(), row, n, r, values);
}
