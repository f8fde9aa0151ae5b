// The buffer-mismatch dialog: its two pages, record and OK check.
#include "app/buffer_sed_box.h"

#include "app/transfer_controls.h"
#include "foundations/c_locale.h"
#include "foundations/input_boxes.h"
#include "plat/backend.hpp"
#include "plat/msgbox.hpp"
#include "state/buffer_sedimentation.h"
#include "state/model_parameters.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

using plat::ControlKind;
using B = BufferSedimentation;

// The reference meniscus must leave a column this deep above the bottom.
constexpr double kMinReferenceColumnCm = 0.01;

std::uint32_t State(bool on) {
    return on ? BF_CHECKED : BF_UNCHECKED;
}

void Put(BufferSedRecord::Text& field, const char* format, double value) {
    CLocaleScope c;
    std::snprintf(field, kBufferTextLimit, format, value);
}

constexpr int kRecordOrder[] = {
    kBsOn,
    kBsExcessSample,
    kBsExcessReference,
    kBsSampleD,
    kBsFloatSampleD,
    kBsSampleS,
    kBsFloatSampleS,
    kBsSignal,
    kBsFloatSignal,
    kBsMeniscusMismatch,
    kBsMeniscusDifference,
    kBsFloatMeniscusDifference,
    kBsRelativeConcentration,
    kBsFloatRelativeConcentration,
    kBsDifferentReference,
    kBsReferenceD,
    kBsFloatReferenceD,
    kBsReferenceS,
    kBsFloatReferenceS,
};

} // namespace

void FillBufferSedTransfer(BufferSedRecord& r, bool massForm) {
    std::memset(&r, 0, sizeof r);
    r.on = State(B::on);
    Put(r.sampleD, "%.3f ", massForm ? B::sampleMb : B::sampleD);
    r.floatSampleD = State(B::floatSampleD);
    Put(r.sampleS, "%.4f ", B::sampleS);
    r.floatSampleS = State(B::floatSampleS);
    Put(r.signal, "%.3f ", B::excessInSample ? B::signal : -B::signal);
    r.floatSignal = State(B::floatSignal);
    r.meniscusMismatch = State(B::meniscusMismatch);
    Put(r.meniscusDifference, "%.4f ", B::meniscusDifference);
    r.floatMeniscusDifference = State(B::floatMeniscusDifference);
    Put(r.relativeConcentration, "%.3f ", B::relativeConcentration);
    r.floatRelativeConcentration = State(B::floatRelativeConcentration);
    r.differentReference = State(B::differentReference);
    Put(r.referenceD, "%.3f ", massForm ? B::referenceMb : B::referenceD);
    r.floatReferenceD = State(B::floatReferenceD);
    Put(r.referenceS, "%.4f ", B::referenceS);
    r.floatReferenceS = State(B::floatReferenceS);
}

bool BufferSedTransferValid(const BufferSedRecord& r, bool massForm) {
    // In the M-and-s form the buoyant masses keep their sign.
    for (const char* text : {r.sampleD, r.referenceD})
        if (!(massForm ? IsFloatText(text) : IsPositiveFloatText(text)))
            return false;
    for (const char* text :
         {r.sampleS, r.signal, r.meniscusDifference, r.relativeConcentration, r.referenceS})
        if (!IsFloatText(text))
            return false;
    // A reference meniscus at or beyond the axis or the bottom leaves no column to simulate.
    const double meniscus = ModelParameters::meniscus, bottom = ModelParameters::bottom;
    const bool referenceSimulated =
        r.on != 0 && (r.meniscusMismatch != 0 || r.differentReference != 0);
    if (referenceSimulated && bottom > 0.0) {
        const double reference = meniscus - NumberInCLocale(r.meniscusDifference);
        if (!(reference > 0.0) || !(reference < bottom - kMinReferenceColumnCm))
            return false;
    }
    return true;
}

plat::DialogTemplate BufferSedDialogTemplate(bool massForm) {
    plat::DialogTemplate t;
    t.id = massForm ? kBufferSedMassDialogId : kBufferSedDialogId;
    t.caption = "Buffer Mismatch";
    t.w = 250;
    auto check = [&](int id, const char* text, int x, int y, int w) {
        t.controls.push_back({id, ControlKind::Check, text, x, y, w, 10});
    };
    auto edit = [&](int id, int x, int y) {
        t.controls.push_back(
            {id, ControlKind::Edit, "", x, y, 56, 12, false, static_cast<int>(kBufferTextLimit)});
    };
    auto group = [&](int x, int y, int w, int h) {
        t.controls.push_back({-1, ControlKind::Group, "", x, y, w, h});
    };
    check(kBsOn, "turn on buffer mismatch model", 8, 6, 160);
    check(kBsExcessSample, "excess signal in sample side", 8, 20, 150);
    check(kBsExcessReference, "excess signal in reference side", 8, 32, 150);
    group(4, 46, 242, 50);
    edit(kBsSampleD, 10, 52);
    check(kBsFloatSampleD, massForm ? "buffer Mb (sample side)" : "buffer D (sample side)", 72, 53,
          160);
    edit(kBsSampleS, 10, 66);
    check(kBsFloatSampleS, "buffer s (sample side)", 72, 67, 160);
    edit(kBsSignal, 10, 80);
    check(kBsFloatSignal, "buffer signal", 72, 81, 160);
    group(4, 100, 242, 50);
    check(kBsMeniscusMismatch, "with meniscus mismatch", 10, 106, 160);
    edit(kBsMeniscusDifference, 10, 120);
    check(kBsFloatMeniscusDifference,
          massForm ? "meniscus difference (s-r)" : "float meniscus difference (s-r)", 72, 121, 170);
    edit(kBsRelativeConcentration, 10, 134);
    check(kBsFloatRelativeConcentration, "relative concentration s/r", 72, 135, 160);
    group(4, 154, 242, 50);
    check(kBsDifferentReference, "different buffer in reference", 10, 160, 160);
    edit(kBsReferenceD, 10, 174);
    check(kBsFloatReferenceD, massForm ? "reference Mb" : "reference D", 72, 175, 160);
    edit(kBsReferenceS, 10, 188);
    check(kBsFloatReferenceS, "reference s", 72, 189, 160);
    t.controls.push_back({IDOK, ControlKind::DefButton, "OK", 60, 212, 50, 14, true});
    t.controls.push_back({IDCANCEL, ControlKind::Button, "Cancel", 140, 212, 50, 14});
    t.h = 234;
    return t;
}

void RegisterBufferSedDialogs() {
    plat::RegisterDialogTemplate(BufferSedDialogTemplate(false));
    plat::RegisterDialogTemplate(BufferSedDialogTemplate(true));
}

TBufferSedBox::TBufferSedBox(TWindow* parent, bool massForm, BufferSedRecord& record)
    : TDialog(parent, massForm ? kBufferSedMassDialogId : kBufferSedDialogId), massForm_(massForm),
      record_(record) {
    SetTransferBuffer(&record, sizeof record);
    AddTransferControls(this, kRecordOrder);
}

bool TBufferSedBox::CanClose() {
    if (BufferSedTransferValid(record_, massForm_))
        return true;
    plat::GetBackend().beep(MB_ICONASTERISK);
    ::MessageBox(this, "Invalid Entry", "Input Error", MB_OK);
    return false;
}
