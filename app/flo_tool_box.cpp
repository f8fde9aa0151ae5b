// The fluorescence tools dialog: its page, record and OK check.
#include "app/flo_tool_box.h"

#include "app/transfer_controls.h"
#include "foundations/c_locale.h"
#include "foundations/input_boxes.h"
#include "plat/backend.hpp"
#include "plat/msgbox.hpp"
#include "state/fluorophore.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

using plat::ControlKind;
using D = DetectionCorrections;

std::uint32_t State(bool on) {
    return on ? BF_CHECKED : BF_UNCHECKED;
}

void Put(FloToolRecord::Text& field, const char* format, double value) {
    CLocaleScope c;
    std::snprintf(field, kFloToolTextLimit, format, value);
}

constexpr int kRecordOrder[] = {
    kFtGradientFit,
    kFtGradientFactor,
    kFtGradientOn,
    kFtLinearDriftOn,
    kFtLinearDriftFit,
    kFtLinearDrift,
    kFtExponentialOn,
    kFtExponentialRate,
    kFtLimitingLevel,
    kFtExponentialRateFit,
    kFtLimitingLevelFit,
    kFtShadowFit,
    kFtConeRadius,
    kFtShadowOn,
    kFtConvolutionFit,
    kFtConvolutionWidth,
    kFtConvolutionRange,
    kFtConvolutionOn,
    kFtNonlinearOn,
    kFtNonlinearPower,
    kFtNonlinearBaseline,
    kFtNonlinearPowerFit,
    kFtShowTransformed,
    kFtDepletionOn,
    kFtDepletionS,
    kFtDepletionD,
    kFtDepletionAmplitude,
    kFtDepletionKs,
    kFtDepletionFitS,
    kFtDepletionFitD,
    kFtDepletionFitAmplitude,
    kFtDepletionFitKs,
};

} // namespace

void InitFloToolTransfer(FloToolRecord& record) {
    std::memset(&record, 0, sizeof record);
}

void FillFloToolTransfer(FloToolRecord& r) {
    InitFloToolTransfer(r);
    r.gradientFit = State(D::gradientFit);
    Put(r.gradientFactor, "%.4f", D::gradientFactor);
    r.gradientOn = State(D::gradientOn);
    r.linearDriftOn = State(D::linearDriftOn);
    r.linearDriftFit = State(D::linearDriftFit);
    Put(r.linearDrift, "%.4f", D::linearDrift * 100.0);
    r.exponentialOn = State(D::exponentialOn);
    Put(r.exponentialRate, "%.3f", D::exponentialRate);
    Put(r.limitingLevel, "%.3f", D::limitingLevel * 100.0);
    r.exponentialRateFit = State(D::exponentialRateFit);
    r.limitingLevelFit = State(D::limitingLevelFit);
    r.shadowFit = State(D::shadowFit);
    Put(r.coneRadius, "%.4f", D::coneRadius);
    r.shadowOn = State(D::shadowOn);
    r.convolutionFit = State(D::convolutionFit);
    Put(r.convolutionWidth, "%.4f", D::convolutionWidth);
    Put(r.convolutionRange, "%.4f", D::convolutionRange);
    r.convolutionOn = State(D::convolutionOn);
    r.nonlinearOn = State(D::nonlinearOn);
    Put(r.nonlinearPower, "%.4f", D::nonlinearPower);
    Put(r.nonlinearBaseline, "%.4f", D::nonlinearBaseline);
    r.nonlinearPowerFit = State(D::nonlinearPowerFit);
    r.showTransformed = State(D::nonlinearShowTransformed);
    r.depletionOn = State(D::depletionOn);
    Put(r.depletionS, "%.4f", D::depletionS);
    Put(r.depletionD, "%.4f", D::depletionD * 1e7);
    Put(r.depletionAmplitude, "%.4f", D::depletionAmplitude);
    Put(r.depletionKs, "%.5f", std::pow(10.0, double(D::depletionLogKs)));
    r.depletionFitS = State(D::depletionFitS);
    r.depletionFitD = State(D::depletionFitD);
    r.depletionFitAmplitude = State(D::depletionFitAmplitude);
    r.depletionFitKs = State(D::depletionFitKs);
}

double FloToolNumber(const char* text) {
    return NumberInCLocale(text);
}

bool FloToolTransferValid(const FloToolRecord& r) {
    for (const char* text : {r.gradientFactor, r.linearDrift, r.nonlinearBaseline})
        if (!IsFloatText(text))
            return false;
    for (const char* text :
         {r.exponentialRate, r.limitingLevel, r.coneRadius, r.convolutionWidth, r.nonlinearPower,
          r.convolutionRange, r.depletionS, r.depletionD, r.depletionAmplitude, r.depletionKs})
        if (!IsPositiveFloatText(text))
            return false;
    return true;
}

plat::DialogTemplate FloToolDialogTemplate() {
    plat::DialogTemplate t;
    t.id = kFloToolDialogId;
    t.caption = "Tools For Fitting Fluorescence AUC data";
    // Wide enough for the depletion group to the right of the corrections.
    t.w = 374;
    t.h = 323;
    auto check = [&](int id, const char* text, int x, int y, int w, int h) {
        t.controls.push_back({id, ControlKind::Check, text, x, y, w, h});
    };
    auto edit = [&](int id, int x, int y, int w) {
        t.controls.push_back(
            {id, ControlKind::Edit, "", x, y, w, 12, false, static_cast<int>(kFloToolTextLimit)});
    };
    auto label = [&](const char* text, int x, int y, int w) {
        t.controls.push_back({-1, ControlKind::Static, text, x, y + 2, w, 8});
    };
    auto group = [&](int x, int y, int w, int h) {
        t.controls.push_back({-1, ControlKind::Group, "", x, y, w, h});
    };
    group(8, 4, 164, 32);
    check(kFtGradientOn, "with radial magnification gradient", 16, 8, 120, 8);
    check(kFtGradientFit, "", 31, 20, 20, 12);
    edit(kFtGradientFactor, 51, 20, 40);
    label("1+da/dr", 96, 20, 40);
    group(8, 42, 164, 82);
    check(kFtLinearDriftOn, "with temporal linear magnification drift", 15, 48, 138, 10);
    check(kFtLinearDriftFit, "", 32, 60, 20, 10);
    edit(kFtLinearDrift, 50, 59, 40);
    label("% per h", 96, 59, 40);
    check(kFtExponentialOn, "exponential photophysical intensity change", 14, 72, 154, 10);
    check(kFtExponentialRateFit, "", 32, 88, 12, 10);
    edit(kFtExponentialRate, 50, 88, 42);
    label("rate (per h)", 96, 88, 60);
    check(kFtLimitingLevelFit, "", 31, 105, 12, 10);
    edit(kFtLimitingLevel, 50, 104, 42);
    label("limiting level %", 96, 104, 70);
    group(8, 129, 164, 84);
    check(kFtConvolutionOn, "with radial convolution from detection cone", 15, 133, 161, 10);
    check(kFtConvolutionFit, "", 32, 145, 16, 10);
    edit(kFtConvolutionWidth, 50, 144, 40);
    label("cm", 96, 144, 20);
    label("calculate Gaussian within # std", 14, 156, 150);
    edit(kFtConvolutionRange, 96, 165, 35);
    check(kFtShadowOn, "with excitation shadow", 16, 185, 108, 10);
    check(kFtShadowFit, "", 32, 198, 16, 10);
    edit(kFtConeRadius, 49, 197, 40);
    label("cm", 96, 197, 20);
    group(8, 217, 164, 72);
    check(kFtNonlinearOn, "with nonlinear detection", 14, 221, 108, 10);
    check(kFtNonlinearPowerFit, "", 32, 233, 16, 8);
    edit(kFtNonlinearPower, 48, 233, 40);
    label("power coefficient d(log(a))/dc", 92, 233, 120);
    edit(kFtNonlinearBaseline, 48, 253, 40);
    label("baseline for tranform", 92, 253, 78);
    check(kFtShowTransformed, "show transformed", 16, 269, 116, 12);
    group(204, 208, 164, 83);
    check(kFtDepletionOn, "with JO depletion", 210, 212, 84, 8);
    check(kFtDepletionFitAmplitude, "JO amp", 228, 224, 40, 12);
    edit(kFtDepletionAmplitude, 272, 224, 44);
    check(kFtDepletionFitS, "JO s (S)", 228, 240, 40, 12);
    edit(kFtDepletionS, 272, 240, 44);
    check(kFtDepletionFitD, "JO D", 228, 256, 36, 12);
    edit(kFtDepletionD, 272, 256, 44);
    check(kFtDepletionFitKs, "JO ks", 228, 272, 36, 12);
    edit(kFtDepletionKs, 272, 272, 44);
    t.controls.push_back({IDOK, ControlKind::DefButton, "OK", 92, 300, 50, 14, true});
    t.controls.push_back({IDCANCEL, ControlKind::Button, "Cancel", 28, 300, 50, 14});
    return t;
}

void RegisterFloToolDialog() {
    plat::RegisterDialogTemplate(FloToolDialogTemplate());
}

FloToolBox::FloToolBox(TWindow* parent, FloToolRecord& record)
    : TDialog(parent, kFloToolDialogId), record_(record) {
    SetTransferBuffer(&record, sizeof record);
    AddTransferControls(this, kRecordOrder);
}

bool FloToolBox::CanClose() {
    if (FloToolTransferValid(record_))
        return true;
    plat::GetBackend().beep(MB_ICONASTERISK);
    ::MessageBox(this, "Invalid Entry", "Input Error", MB_OK);
    return false;
}
