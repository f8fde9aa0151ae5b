// FloToolBox: the dialog "Tools For Fitting Fluorescence AUC data" (916), which shows and edits
// every fluorescence detection correction at once, and its transfer record.
#pragma once

#include "plat/dialog.hpp"

#include <cstdint>

constexpr int kFloToolDialogId = 916;
constexpr unsigned kFloToolTextLimit = 15;

enum FloToolControl {
    kFtGradientFit = 613,
    kFtGradientFactor = 612,
    kFtGradientOn = 615,
    kFtLinearDriftOn = 621,
    kFtLinearDriftFit = 620,
    kFtLinearDrift = 614,
    kFtExponentialOn = 835,
    kFtExponentialRate = 834,
    kFtLimitingLevel = 450,
    kFtExponentialRateFit = 832,
    kFtLimitingLevelFit = 449,
    kFtShadowFit = 622,
    kFtConeRadius = 616,
    kFtShadowOn = 623,
    kFtConvolutionFit = 624,
    kFtConvolutionWidth = 617,
    kFtConvolutionRange = 619,
    kFtConvolutionOn = 625,
    kFtNonlinearOn = 626,
    kFtNonlinearPower = 618,
    kFtNonlinearBaseline = 627,
    kFtNonlinearPowerFit = 630,
    kFtShowTransformed = 640,
    kFtDepletionOn = 401,
    kFtDepletionS = 414,
    kFtDepletionD = 413,
    kFtDepletionAmplitude = 405,
    kFtDepletionKs = 412,
    kFtDepletionFitS = 404,
    kFtDepletionFitD = 403,
    kFtDepletionFitAmplitude = 402,
    kFtDepletionFitKs = 409,
};

// One field per control in the dialog's order: u32 check states and texts of 15 characters.
#pragma pack(push, 1)
struct FloToolRecord {
    using Text = char[kFloToolTextLimit];
    std::uint32_t gradientFit;
    Text gradientFactor;
    std::uint32_t gradientOn, linearDriftOn, linearDriftFit;
    Text linearDrift; // percent per hour
    std::uint32_t exponentialOn;
    Text exponentialRate;
    Text limitingLevel; // percent
    std::uint32_t exponentialRateFit, limitingLevelFit, shadowFit;
    Text coneRadius;
    std::uint32_t shadowOn, convolutionFit;
    Text convolutionWidth, convolutionRange;
    std::uint32_t convolutionOn, nonlinearOn;
    Text nonlinearPower, nonlinearBaseline;
    std::uint32_t nonlinearPowerFit, showTransformed, depletionOn;
    Text depletionS, depletionD, depletionAmplitude, depletionKs; // D x 1e7; ks = 10^log ks
    std::uint32_t depletionFitS, depletionFitD, depletionFitAmplitude, depletionFitKs;
};
#pragma pack(pop)

// Every check box cleared, every text empty.
void InitFloToolTransfer(FloToolRecord& record);
// The record from DetectionCorrections.
void FillFloToolTransfer(FloToolRecord& record);
// True when the numbers read as numbers: 1+da/dr, % per h and the baseline any number, the other
// values positive ones.
bool FloToolTransferValid(const FloToolRecord& record);
// The number an edit text holds (C locale), 0 when none.
double FloToolNumber(const char* text);

plat::DialogTemplate FloToolDialogTemplate();
void RegisterFloToolDialog();

class FloToolBox : public TDialog {
  public:
    FloToolBox(TWindow* parent, FloToolRecord& record);
    // "Invalid Entry" (caption "Input Error") with the asterisk sound on an invalid entry; the
    // dialog stays open.
    bool CanClose() override;

  private:
    FloToolRecord& record_;
};
