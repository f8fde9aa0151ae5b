// Program-wide switches that decide what the main window's paint draws.
#pragma once

#include "scandata/ui_flags.h"

#include <cstdint>

inline bool gShowDisclaimer = true;  // the warranty disclaimer shows at the next paint
inline bool gEraseRequested = false; // a paint without erase asked for an erased one
// A load dialog or a scan rewrite is under way.
inline bool& gSuppressPlotPaint = UiFlags::suppressPlotPaint;
inline bool gShowFitParamsPending = false; // the next paint writes the best-fit parameters
inline bool gPrinting = false;             // the paint goes to a printer
inline bool gKeepPeakLabelsOnce = false;   // the peak labels survive the next paint
inline bool gKeepPeakLabels = false;       // the peak labels survive every paint

inline std::int32_t& gClientWidthPx = UiFlags::clientWidthPixels;
inline std::int32_t& gClientHeightPx = UiFlags::clientHeightPixels;

void ResetPaintSwitches();
