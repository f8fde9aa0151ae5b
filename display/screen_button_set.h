// The on-plot button slots of the main window, each null while its button is not shown.
#pragma once

class CScreenButton;
class TDC;

struct ScreenButtonSet {
    static constexpr int kMaxPeakLabels = 10;
    static inline CScreenButton* noiseButton1 = nullptr;
    static inline CScreenButton* noiseButton2 = nullptr;
    static inline CScreenButton* rangeButton = nullptr;
    static inline CScreenButton* confirmMoveButton = nullptr;
    static inline CScreenButton* cancelMoveButton = nullptr;
    static inline CScreenButton* editScanButton = nullptr;
    static inline CScreenButton* deleteScanButton = nullptr;
    static inline CScreenButton* cancelScanButton = nullptr;
    static inline CScreenButton* deletePointButton = nullptr;
    static inline CScreenButton* editorPointButton = nullptr;
    static inline CScreenButton* peakLabels[kMaxPeakLabels + 1] = {}; // 1..peakLabelCount
    static inline int peakLabelCount = 0;

    // Deletes every button.
    static void ResetToDefaults();
};

// Deletes the peak label buttons; their count becomes 0.
void ClearPeakLabelButtons();
// Plays the pictures of the shown prompt buttons (not the peak labels) into dc.
void PlayScreenButtons(TDC& dc);
// Plays the peak label buttons into dc.
void PlayPeakLabelButtons(TDC& dc);
