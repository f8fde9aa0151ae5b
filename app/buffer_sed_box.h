// TBufferSedBox: the dialog "Buffer Mismatch" (572, or 575 in the M-and-s form) and its record.
#pragma once

#include "plat/dialog.hpp"

#include <cstdint>

constexpr int kBufferSedDialogId = 572;
constexpr int kBufferSedMassDialogId = 575;
constexpr unsigned kBufferTextLimit = 15;

enum BufferSedControl {
    kBsOn = 553,
    kBsExcessSample = 554,
    kBsExcessReference = 555,
    kBsSampleD = 556,
    kBsFloatSampleD = 557,
    kBsSampleS = 558,
    kBsFloatSampleS = 559,
    kBsSignal = 560,
    kBsFloatSignal = 561,
    kBsMeniscusMismatch = 562,
    kBsMeniscusDifference = 563,
    kBsFloatMeniscusDifference = 564,
    kBsRelativeConcentration = 565,
    kBsFloatRelativeConcentration = 566,
    kBsDifferentReference = 567,
    kBsReferenceD = 568,
    kBsFloatReferenceD = 569,
    kBsReferenceS = 570,
    kBsFloatReferenceS = 571,
};

// One field per control in the dialog's order: texts of 15 characters and u32 states.
#pragma pack(push, 1)
struct BufferSedRecord {
    using Text = char[kBufferTextLimit];
    std::uint32_t on, excessSample, excessReference;
    Text sampleD;
    std::uint32_t floatSampleD;
    Text sampleS;
    std::uint32_t floatSampleS;
    Text signal;
    std::uint32_t floatSignal, meniscusMismatch;
    Text meniscusDifference;
    std::uint32_t floatMeniscusDifference;
    Text relativeConcentration;
    std::uint32_t floatRelativeConcentration, differentReference;
    Text referenceD;
    std::uint32_t floatReferenceD;
    Text referenceS;
    std::uint32_t floatReferenceS;
};
#pragma pack(pop)

// The record from BufferSedimentation (D or, in the M-and-s form, Mb); the signal shown negative
// when the excess is on the reference side; the two "excess" boxes always cleared.
void FillBufferSedTransfer(BufferSedRecord& record, bool massForm);
// True when the record can be applied: D (Mb) entries non-negative numbers, the others numbers,
// and, where the reference sector is simulated, its meniscus (meniscus - difference) inside the
// cell (0, bottom).
bool BufferSedTransferValid(const BufferSedRecord& record, bool massForm);

plat::DialogTemplate BufferSedDialogTemplate(bool massForm);
void RegisterBufferSedDialogs();

class TBufferSedBox : public TDialog {
  public:
    TBufferSedBox(TWindow* parent, bool massForm, BufferSedRecord& record);
    // "Invalid Entry" (caption "Input Error") with the asterisk sound on an invalid entry.
    bool CanClose() override;

  private:
    bool massForm_;
    BufferSedRecord& record_;
};
