// Both sectors' buffer sedimentation from the records, and its signal on the scans' radii.
#include "simulation/buffer_sedimentation_model.h"

#include "foundations/key_polling.h"
#include "foundations/notice_boxes.h"
#include "foundations/sounds.h"
#include "scandata/scan_header.h"
#include "scandata/scan_store_alloc.h"
#include "state/buffer_sedimentation.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/run_switches.h"
#include "state/scan_order.h"
#include "state/window_services.h"

#include <algorithm>
#include <cmath>

namespace {

using B = BufferSedimentation;
using S = ScanStore;

// D in cm^2/s from a value in 1e-7 cm^2/s; 0 would stop the solution.
double SideD(double d) {
    const double v = std::abs(d) * 1e-7;
    return v == 0.0 ? 1e-10 : v;
}

// Interpolates the side's profile at radius x; false outside its cell. `above` is where the
// search for the first node above x starts: the node found for the last radius, which is where
// the next one lies when the radii ascend; otherwise the whole grid is searched.
bool ValueAt(const std::vector<double>& r, const std::vector<double>& c, double x, double& v,
             std::size_t& above) {
    if (r.size() < 2 || c.size() != r.size() || x < r.front() || x > r.back())
        return false;
    std::size_t i = above;
    if (i < 1 || i > r.size() || r[i - 1] > x) {
        i = std::size_t(std::upper_bound(r.begin(), r.end(), x) - r.begin());
    } else {
        while (i < r.size() && !(x < r[i]))
            ++i;
    }
    above = i;
    if (i >= r.size())
        i = r.size() - 1;
    const std::size_t j = i - 1;
    const double f = (x - r[j]) / (r[i] - r[j]);
    v = c[j] + f * (c[i] - c[j]);
    return true;
}

} // namespace

void BufferSideProblems(double amplitude, BufferSideProblem problems[2]) {
    const double rt = S::gasConstantTimesT;
    if (ModelChoice::equilibriumMs) {
        B::sampleMb = std::max(B::sampleMb, 10.0);
        B::referenceMb = std::max(B::referenceMb, 10.0);
        B::sampleD = std::abs(B::sampleS) * 1e-6 * rt / std::abs(B::sampleMb);
        B::referenceD = std::abs(B::referenceS) * 1e-6 * rt / std::abs(B::referenceMb);
        B::sampleS = std::abs(B::sampleS);
    } else {
        for (double* d : {&B::sampleD, &B::referenceD}) {
            if (*d < 0.0)
                *d = 0.01;
            *d = std::min(*d, 1000.0);
        }
        B::sampleMb = B::sampleD > 0.0 ? 1e-6 * B::sampleS * rt / B::sampleD : 10.0;
        B::referenceMb = B::referenceD > 0.0 ? 1e-6 * B::referenceS * rt / B::referenceD : 10.0;
        B::sampleMb = std::max(B::sampleMb, 10.0);
        B::referenceMb = std::max(B::referenceMb, 10.0);
    }
    if (B::relativeConcentration == 0.0)
        B::relativeConcentration = 1e-6;

    BufferSideProblem common;
    common.bottom = ModelParameters::bottom;
    if (S::scanCount > 0 && S::header != nullptr) {
        common.rpm = S::header[S::scanCount].rotorSpeed;
        const ScanHeader& first = S::header[ScanAtPosition(1)];
        common.ramp = S::rampRotorSpeed;
        common.accelerationEnd = first.accelerationTime;
        common.accelerationRate = first.accelerationRate;
        for (int pos = 1; pos <= S::scanCount; ++pos) {
            const ScanHeader& h = S::header[ScanAtPosition(pos)];
            common.scanTimes.push_back(S::rampRotorSpeed ? h.originalTime : h.time);
        }
    }
    BufferSideProblem& sample = problems[0];
    sample = common;
    sample.meniscus = ModelParameters::meniscus;
    sample.d = SideD(B::sampleD);
    sample.s = B::sampleS;
    sample.loading = amplitude;

    BufferSideProblem& reference = problems[1];
    reference = common;
    reference.meniscus = ModelParameters::meniscus - B::meniscusDifference;
    if (B::differentReference) {
        reference.d = SideD(B::referenceD);
        reference.s = B::referenceS;
        reference.loading = amplitude / B::relativeConcentration;
    } else {
        reference.d = sample.d;
        reference.s = sample.s;
        reference.loading = B::meniscusMismatch ? amplitude / B::relativeConcentration : 0.0;
    }
}

BufferSignal ComputeBufferSignal(double amplitude) {
    BufferSideProblem problems[2];
    BufferSideProblems(amplitude, problems);
    BufferSignal out;
    out.sign[0] = B::signalSign;
    out.sign[1] = -B::signalSign;
    auto stop = [&out] {
        if (!KeyPressed())
            return false;
        gUserInterrupt.store(true, std::memory_order_relaxed);
        out.interrupted = true;
        return true;
    };
    for (int k = 0; k < 2 && !out.interrupted; ++k) {
        out.side[k] = SimulateBufferSide(problems[k], stop);
        out.singular = out.singular || out.side[k].singular;
        if (out.side[k].singular)
            break;
    }
    return out;
}

bool BufferSignalSolved(TXLAWindow* window, const BufferSignal& signal) {
    if (signal.singular) {
        PlayErrorSound();
        ShowWarning(window, "singular tridiagonal matrix in buffer sedimentation!",
                    "ERROR in simulation");
        return false;
    }
    return !signal.interrupted;
}

void AddBufferSignal(const BufferSignal& signal, int pos, const float* x, int n, float* y,
                     double scale) {
    for (int k = 0; k < 2; ++k) {
        const BufferSideResult& side = signal.side[k];
        if (pos < 1 || std::size_t(pos) > side.profiles.size())
            continue;
        const std::vector<double>& c = side.profiles[std::size_t(pos - 1)];
        if (c.empty())
            continue;
        std::size_t above = 0;
        for (int p = 1; p <= n; ++p) {
            double v = 0.0;
            if (ValueAt(side.r, c, x[p], v, above))
                y[p] = float(double(y[p]) + scale * signal.sign[k] * v);
        }
    }
}
