// The buffer's kernel column of the continuous distributions.
#include "distributions/buffer_kernel_column.h"

#include "scandata/scan_store_alloc.h"
#include "simulation/buffer_sedimentation_model.h"
#include "simulation/conti_kernel.h"
#include "state/buffer_sedimentation.h"
#include "state/conti_state.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/scan_order.h"

#include <algorithm>

namespace {

using B = BufferSedimentation;

double ColumnAmplitude() {
    return B::floatSignal ? 1.0 : B::signal;
}

} // namespace

bool BufferColumnFixed() {
    return B::on && !B::floatSignal;
}

std::vector<double> BufferKernelKey() {
    if (!B::on)
        return {};
    return {ColumnAmplitude(),
            B::signalSign,
            ModelChoice::equilibriumMs ? B::sampleMb : B::sampleD,
            B::sampleS,
            B::meniscusMismatch ? 1.0 : 0.0,
            B::meniscusDifference,
            B::relativeConcentration,
            B::differentReference ? 1.0 : 0.0,
            ModelChoice::equilibriumMs ? B::referenceMb : B::referenceD,
            B::referenceS,
            double(ScanStore::gasConstantTimesT)};
}

bool FillBufferKernelColumn(TXLAWindow* window) {
    if (!B::on || gContiKernel.Empty())
        return true;
    ContiState::kernelColumn = 1;
    gContiKernel.SetSolved(1, false);
    const BufferSignal signal = ComputeBufferSignal(ColumnAmplitude());
    if (!BufferSignalSolved(window, signal))
        return false;
    const int points = gContiKernel.Points();
    for (int pos = 1; pos <= ScanStore::scanCount; ++pos) {
        const int k = ScanAtPosition(pos);
        if (k < 1 || k > gContiKernel.Scans())
            continue;
        float* row = gContiKernel.Row(1, k);
        std::fill(row, row + points + 1, 0.0f);
        AddBufferSignal(signal, pos, gContiKernel.Radii(), points, row);
    }
    gContiKernel.SetSolved(1, true);
    return true;
}

void TakeBufferSignalFromDistribution(const std::vector<double>& c) {
    if (!B::on || c.size() < 2)
        return;
    if (B::floatSignal)
        B::signal = c[1] * ColumnAmplitude();
    if (ContiState::distribution != nullptr && ContiState::gridPoints >= 1)
        ContiState::distribution[1] = 0.0f;
    if (ContiState::secondDistribution != nullptr && ContiState::gridPoints >= 1)
        ContiState::secondDistribution[1] = 0.0f;
}
