// LammPBox: the dialog "Numerical Control of Lamm Equation Solution" (631) and its record.
#pragma once

#include "plat/dialog.hpp"

#include <cstdint>

constexpr int kLammParamsDialogId = 631;
constexpr unsigned kLammTextLimit = 15;

// Control ids of dialog 631.
enum LammParamsControl {
    kLpAutoChangeS = 612,
    kLpShutOffBackDiffusion = 613,
    kLpBackDiffusionLevel = 614,
    kLpAutoGridSize = 615,
    kLpDefaultGridSize = 616,
    kLpPointsPerSigma = 617,
    kLpMinGridSize = 618,
    kLpMaxGridSize = 619,
    kLpTimesFromW2t = 620,
    kLpRampRotorSpeed = 621,
    kLpAutomaticAlgorithm = 622,
    kLpFixedTimeStep = 623,
    kLpClaverie = 624,
    kLpMovingHat = 625,
    kLpAutomaticSGrid = 626,
    kLpSGrid = 627,
    kLpTolerance = 628,
    kLpMaxDcOverC = 629,
    kLpExperimentalInitial = 630,
    kLpAutoChangeSOptimized = 639,
    kLpOptimizeGridSpacing = 640,
    kLpTruncateGrid = 641,
    kLpLogTruncationLevel = 643,
    kLpTimeResolution = 832,
    kLpRadialResolution = 833,
    kLpRadialRange = 834,
    kLpScanVelocity = 835,
    kLpCheckAcceleration = 924,
};

// The transfer record, one field per control in the order the dialog creates them: texts of 15
// characters (14 and the terminator) and u32 states, without padding between them.
#pragma pack(push, 1)
struct LammPBoxRecord {
    using Text = char[kLammTextLimit];
    Text autoChangeS;
    std::uint32_t shutOffBackDiffusion;
    Text backDiffusionLevel;
    std::uint32_t autoGridSize;
    Text defaultGridSize, pointsPerSigma, maxGridSize, minGridSize;
    std::uint32_t timesFromW2t, rampRotorSpeed, checkAcceleration, automaticAlgorithm;
    std::uint32_t fixedTimeStep, claverie, movingHat, automaticSGrid;
    Text sGrid, tolerance, maxDcOverC;
    std::uint32_t experimentalInitial;
    Text autoChangeSOptimized;
    std::uint32_t optimizeGridSpacing, truncateGrid;
    Text logTruncationLevel;
    std::uint32_t timeResolution, radialResolution;
    Text radialRange, scanVelocity;
};
#pragma pack(pop)

// Clears the record: empty texts, every box unchecked.
void InitLammTransfer(LammPBoxRecord& record);
// The record from the options now in force, in the dialog's formats.
void FillLammTransfer(LammPBoxRecord& record);

// Grid sizes the dialog accepts: fewer points carry no boundary, more cannot be allocated.
constexpr int kMinLammGridEntry = 10;
constexpr int kMaxLammGridEntry = 100000;
// The smallest "max dc/c": a step limit of 0 would let no step advance the time.
constexpr double kMinMaxDcOverC = 0.001;

// Why the record cannot be applied, or empty when it can.
const char* LammTransferProblem(const LammPBoxRecord& record);

plat::DialogTemplate LammParamsDialogTemplate();
void RegisterLammParamsDialog();

class LammPBox : public TDialog {
  public:
    LammPBox(TWindow* parent, LammPBoxRecord& record);
    // "Invalid Entry" (caption "Input Error") with the asterisk sound while any entry is invalid.
    bool CanClose() override;

  private:
    LammPBoxRecord& record_;
};
