// The numerical options of the Lamm solution and their settings file "tarnixlammparams.ini".
#pragma once

class TXLAWindow;

// Slots of the settings file, one number per line in this order; 27 to 30 are written as 0.
enum LammOptionSlot {
    kSlotAutoChangeS,
    kSlotShutOffBackDiffusion,
    kSlotBackDiffusionLevel,
    kSlotAutoGridSize,
    kSlotDefaultGridSize,
    kSlotPointsPerSigma,
    kSlotMaxGridSize,
    kSlotMinGridSize,
    kSlotTimesFromW2t,
    kSlotAutomaticAlgorithm,
    kSlotFixedTimeStep,
    kSlotClaverie,
    kSlotMovingHat,
    kSlotAutomaticSGrid,
    kSlotSGrid,
    kSlotTolerance,
    kSlotMaxDcOverC,
    kSlotAutoChangeSOptimized,
    kSlotOptimizeGridSpacing,
    kSlotExperimentalInitial,
    kSlotTruncateGrid,
    kSlotLogTruncationLevel,
    kSlotTimeResolution,
    kSlotRadialResolution,
    kSlotScanVelocity,
    kSlotRadialRange,
    kSlotCheckAcceleration,
    kLammOptionSlots,           // 27 options
    kLammPreferenceLines = 31,  // lines written
    kLammPreferenceMinimum = 30 // fewer values than this and the file is ignored
};

// The options in slot order (values[0..26]), as the file holds them.
void GetLammEqParameters(float values[kLammOptionSlots]);
// Sets every option from values[0..26]. Values that would leave the solvers without a usable
// grid or step (grid sizes outside 10..100000 or a minimum above the maximum, points per sigma
// <= 0, max dc/c below 0.001, a tolerance <= 0, a truncation level that is no finite positive
// power of ten) and NaN or infinity in any slot keep the option as it was; "ramp rotor speed"
// becomes the negation of "times from wwt".
void SetLammEqParameters(const float values[kLammOptionSlots]);

// Reads the settings file into the options; false (nothing applied) when it cannot be opened or
// holds fewer than 30 values.
bool ReadLammEqParameterPreferences(TXLAWindow* window);
// Writes the 31 lines of the settings file; false when it could not be opened.
bool SaveLammEqParameterPreferences(TXLAWindow* window);
