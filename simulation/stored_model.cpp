// The model an evaluation stores, kept and checked, and the box of a model beyond single
// precision.
#include "simulation/stored_model.h"

#include "foundations/notice_boxes.h"
#include "foundations/sounds.h"
#include "foundations/vector_unit.h"
#include "state/buffer_sedimentation.h"
#include "state/fit_control.h"
#include "state/lamm_grid.h"
#include "state/model_parameters.h"
#include "state/scan_store.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <limits>
#include <span>

namespace {

using M = ModelParameters;
using S = ScanStore;

// The values of scan k's fit row, [0..points].
std::size_t RowLength(int k) {
    return std::size_t(std::max(S::pointCount[k], -1) + 1);
}

// The noise values from index 1 on (index 0 holds nothing); none without the array.
std::span<float> TiNoise() {
    if (S::tiNoise == nullptr)
        return {};
    return {S::tiNoise + 1, std::size_t(std::max(S::gridCount, 0))};
}
std::span<float> RiNoise() {
    if (S::riNoise == nullptr)
        return {};
    return {S::riNoise + 1, std::size_t(std::max(S::scanCount, 0))};
}

bool AllFinite(const float* values, std::size_t count) {
    bool finite = true;
    for (std::size_t i = 0; i < count; ++i)
        finite &= std::isfinite(values[i]);
    return finite;
}

// Every fit value and every data value within half the largest float: then every fit value is
// finite and every residual, formed in double, lies within single precision. A sufficient test
// of what the checks below find point by point, in one pass over the bits the compiler takes a
// vector at a time (a NaN's bits lie above those of any number).
[[gnu::always_inline]] inline bool WithinHalfTheLargestBody(const float* fit, const float* signal,
                                                            int count) {
    constexpr std::uint32_t kHalf =
        std::bit_cast<std::uint32_t>(std::numeric_limits<float>::max() / 2);
    constexpr std::uint32_t kSize = 0x7fffffffu;
    std::uint32_t beyond = 0;
    for (int p = 0; p < count; ++p)
        beyond |= std::uint32_t((std::bit_cast<std::uint32_t>(fit[p]) & kSize) > kHalf) |
                  std::uint32_t((std::bit_cast<std::uint32_t>(signal[p]) & kSize) > kHalf);
    return beyond == 0;
}

[[gnu::target("avx2")]] bool WithinHalfTheLargestAvx2(const float* fit, const float* signal,
                                                      int count) {
    return WithinHalfTheLargestBody(fit, signal, count);
}

bool WithinHalfTheLargestPlain(const float* fit, const float* signal, int count) {
    return WithinHalfTheLargestBody(fit, signal, count);
}

bool WithinHalfTheLargest(const float* fit, const float* signal, int count) {
    return UsableAvx2() ? WithinHalfTheLargestAvx2(fit, signal, count)
                        : WithinHalfTheLargestPlain(fit, signal, count);
}

// The parameters a linear-parameter solve may write, one after the other (the arrays from index
// 1 on, as everything stored here: index 0 holds nothing).
template <class Visit> void VisitParameters(Visit&& visit) {
    visit(&M::baseline, 1);
    visit(M::speciesLoading + 1, std::size(M::speciesLoading) - 1);
    visit(M::concentration + 1, std::size(M::concentration) - 1);
    visit(M::fitValues + 1, std::size(M::fitValues) - 1);
}

// Raises the word; false where the running fit has said it already.
bool SayOncePerFit() {
    LammGrid::signalBeyondFloat = 1;
    if (FitControl::fitInProgress) {
        if (LammGrid::simErrorShown)
            return false;
        LammGrid::simErrorShown = true;
    }
    return true;
}

void Refuse(TXLAWindow* window, const char* text) {
    PlayErrorSound();
    ShowWarning(window, text, "ERROR");
}

} // namespace

void StoredModel::Keep() {
    // one allocation for all the rows, each copied once
    std::size_t length = 0;
    for (int k = 1; k <= S::scanCount; ++k)
        length += RowLength(k);
    fit_.clear();
    fit_.reserve(length);
    for (int k = 1; k <= S::scanCount; ++k)
        fit_.insert(fit_.end(), S::fit[k], S::fit[k] + RowLength(k));
    ti_.assign(TiNoise().begin(), TiNoise().end());
    ri_.assign(RiNoise().begin(), RiNoise().end());
    parameters_.clear();
    VisitParameters([&](const float* values, std::size_t count) {
        parameters_.insert(parameters_.end(), values, values + count);
    });
    bufferSignal_ = BufferSedimentation::signal;
    bufferSign_ = BufferSedimentation::signalSign;
}

void StoredModel::Restore() const {
    const float* from = fit_.data();
    for (int k = 1; k <= S::scanCount; ++k) {
        std::copy(from, from + RowLength(k), S::fit[k]);
        from += RowLength(k);
    }
    std::copy_n(ti_.begin(), std::min(ti_.size(), TiNoise().size()), TiNoise().begin());
    std::copy_n(ri_.begin(), std::min(ri_.size(), RiNoise().size()), RiNoise().begin());
    from = parameters_.data();
    VisitParameters([&](float* values, std::size_t count) {
        std::copy(from, from + count, values);
        from += count;
    });
    BufferSedimentation::signal = bufferSignal_;
    BufferSedimentation::signalSign = bufferSign_;
}

ModelOverflow FindFitOverflow(int k, const float* fit, int count) {
    constexpr double kLargest = std::numeric_limits<float>::max();
    const float* signal = S::signal ? S::signal[k] : nullptr;
    if (count < 1 || WithinHalfTheLargest(fit + 1, (signal ? signal : fit) + 1, count))
        return {};
    for (int p = 1; p <= count; ++p)
        if (!std::isfinite(fit[p]))
            return {ModelOverflow::Signal, k, p, fit[p]};
    // the residuals, formed in double, are stored in single precision
    for (int p = 1; signal && p <= count; ++p)
        if (!(std::fabs(double(signal[p]) - double(fit[p])) <= kLargest))
            return {ModelOverflow::Residual, k, p, fit[p]};
    return {};
}

void FormStoredResiduals() {
    for (int k = 1; S::residuals && S::signal && k <= S::scanCount; ++k) {
        float* r = S::residuals[k];
        const float* signal = S::signal[k];
        const float* fit = S::fit[k];
        for (int p = 1; r && signal && fit && p <= S::pointCount[k]; ++p)
            r[p] = float(double(signal[p]) - double(fit[p]));
    }
}

ModelOverflow FindStoredModelOverflow() {
    for (int k = 1; k <= S::scanCount; ++k)
        if (const ModelOverflow found = FindFitOverflow(k, S::fit[k], S::pointCount[k]);
            found.kind != ModelOverflow::None)
            return found;
    bool finite = AllFinite(TiNoise().data(), TiNoise().size()) &&
                  AllFinite(RiNoise().data(), RiNoise().size()) &&
                  std::isfinite(BufferSedimentation::signal);
    VisitParameters([&](const float* values, std::size_t count) {
        finite = finite && AllFinite(values, count);
    });
    return {finite ? ModelOverflow::None : ModelOverflow::Parameter, 0, 0};
}

void ReportSignalBeyondFloat(TXLAWindow* window, double radius, int scan, double value) {
    if (!SayOncePerFit())
        return;
    char text[400];
    std::snprintf(text, sizeof text,
                  "The model signal at %g cm in scan %d is %g, beyond the range of single "
                  "precision numbers:\nthe loadings of the species are too large for the model "
                  "to be evaluated.",
                  radius, scan, value);
    Refuse(window, text);
}

void ReportStoredModelBeyondFloat(TXLAWindow* window, const ModelOverflow& overflow) {
    if (overflow.kind == ModelOverflow::None || !SayOncePerFit())
        return;
    const int k = overflow.scan, p = overflow.point;
    char text[400];
    if (overflow.kind == ModelOverflow::Signal)
        std::snprintf(text, sizeof text,
                      "The model signal at %g cm in scan %d lies beyond the range of single "
                      "precision numbers:\nthe loadings, the baseline or the noise of the model "
                      "are too large for the model to be evaluated.",
                      double(S::radius[k][p]), k);
    else if (overflow.kind == ModelOverflow::Residual)
        std::snprintf(text, sizeof text,
                      "The residual at %g cm in scan %d, the data %g less the model %g, lies "
                      "beyond the range of single precision numbers:\nthe model is too far from "
                      "the data for its residuals to be formed.",
                      double(S::radius[k][p]), k, double(S::signal[k][p]), overflow.model);
    else
        std::snprintf(text, sizeof text,
                      "The amounts, the noise or the baseline of the model lie beyond the range of "
                      "single precision numbers:\nthe values of the model are too large for it to "
                      "be evaluated.");
    Refuse(window, text);
}
