// Storage of the distribution kernel and the mapping of solved profiles into it.
#include "simulation/conti_kernel.h"

#include "foundations/resampling.h"
#include "lamm/kept_thread_pool.h"
#include "state/conti_state.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

// A quiet not-a-number no arithmetic produces: a row end holding it was never written.
constexpr std::uint32_t kUnwrittenBits = 0x7fe5e0d1u;

bool Unwritten(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits == kUnwrittenBits;
}

} // namespace

std::size_t ContiKernel::Shape(int gridPoints, int scans, const float* radii, int points) {
    Free();
    ++generation_;
    if (gridPoints <= 0 || scans <= 0 || points <= 0)
        return 0;
    const size_t rowLength = static_cast<size_t>(points) + 1;
    const size_t size = static_cast<size_t>(gridPoints + 1) * (scans + 1) * rowLength;
    if (size > capacity_) {
        values_.reset();
        capacity_ = 0;
        values_.reset(new float[size]);
        capacity_ = size;
    }
    gridPoints_ = gridPoints, scans_ = scans, points_ = points, radii_ = radii;
    rowPointers_.assign(static_cast<size_t>(gridPoints + 1) * (scans + 1), nullptr);
    targets_.assign(gridPoints + 1, nullptr);
    for (int p = 1; p <= gridPoints; ++p) {
        for (int k = 1; k <= scans; ++k)
            rowPointers_[Slot(p, k)] = &values_[Slot(p, k) * rowLength];
        targets_[p] = &rowPointers_[Slot(p, 0)];
    }
    solved_.assign(gridPoints + 1, 0);
    return size;
}

void ContiKernel::Allocate(int gridPoints, int scans, const float* radii, int points, int threads) {
    const size_t size = Shape(gridPoints, scans, radii, points);
    if (size == 0)
        return;
    // Shares of whole pages' worth of values, the last taking the rest.
    const size_t chunk = 1u << 16;
    const int shares =
        static_cast<int>(std::clamp<size_t>((size + chunk - 1) / chunk, 1, std::max(1, threads)));
    float* values = values_.get();
    RunOnKeptThreads(shares, shares - 1, [&](int k, bool) {
        const size_t from = size / shares * (k - 1), to = k == shares ? size : size / shares * k;
        std::fill(values + from, values + to, 0.0f);
    });
}

void ContiKernel::AllocateForWholeRows(int gridPoints, int scans, const float* radii, int points,
                                       bool columnsLater) {
    if (Shape(gridPoints, scans, radii, points) == 0)
        return;
    const size_t rowLength = static_cast<size_t>(points) + 1;
    // the rows of no grid point or no scan, which a reader running past a row's end may touch
    std::fill(values_.get(), values_.get() + Slot(1, 1) * rowLength, 0.0f);
    for (int p = 1; !columnsLater && p <= gridPoints; ++p)
        PrepareWholeRows(p);
}

void ContiKernel::PrepareWholeRows(int p) {
    float mark;
    std::memcpy(&mark, &kUnwrittenBits, sizeof mark);
    const size_t rowLength = static_cast<size_t>(points_) + 1;
    float* values = values_.get();
    if (p > 1)
        std::fill(values + Slot(p, 0) * rowLength, values + Slot(p, 1) * rowLength, 0.0f);
    for (int k = 1; k <= scans_; ++k) {
        float* row = Row(p, k);
        row[0] = 0.0f;
        row[1] = row[points_] = mark;
    }
}

void ContiKernel::ClearUnwrittenRows() {
    for (int p = 1; p <= gridPoints_; ++p)
        ClearUnwrittenRows(p);
}

void ContiKernel::ClearUnwrittenRows(int p) {
    for (int k = 1; k <= scans_; ++k) {
        float* row = Row(p, k);
        if (Unwritten(row[1]) || Unwritten(row[points_]))
            std::fill(row + 1, row + 1 + points_, 0.0f);
    }
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
