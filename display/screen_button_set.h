// The on-plot button slots of the main window, each null while its button is not shown.
#pragma once

class CScreenButton;
class TDC;

struct ScreenButtonSet {
    static constexpr int kMaxPeakLabels = 10;
    static inline CScreenButton* noiseButton1 = nullptr;
    static inline CScreenButton* noiseButton2 = nullptr;
    static inline CScreenButton* rangeButton = nullptr;
    // The noise and integration buttons under the names their operations use.
    static inline CScreenButton*& noiseRemoveButton = noiseButton1;
    static inline CScreenButton*& noiseRestoreButton = noiseButton2;
    static inline CScreenButton*& integrateButton = rangeButton;
    static inline CScreenButton* confirmMoveButton = nullptr;
    static inline CScreenButton* cancelMoveButton = nullptr;
    static inline CScreenButton*& confirmButton = confirmMoveButton;
    // Anchor of the confirm pair in client pixels, and whether it asks "move fit limits, too?".
    static inline int confirmAnchorX = 0, confirmAnchorY = 0;
    static inline bool askMoveFitLimits = false;
    // Look-ahead of the point searches (logical units) and the point the last scan search hit.
    static inline int hitTolerance = 3;
    static inline int hitPoint = 0;
    static inline CScreenButton* editScanButton = nullptr;
    static inline CScreenButton* deleteScanButton = nullptr;
    static inline CScreenButton* cancelScanButton = nullptr;
    static inline CScreenButton* deletePointButton = nullptr;
    static inline CScreenButton* editorPointButton = nullptr;
    // The scan menu and point menu beside a clicked data point, under the names their
    // handlers use.
    static inline CScreenButton*& scanEditButton = editScanButton;
    static inline CScreenButton*& scanDeleteButton = deleteScanButton;
    static inline CScreenButton*& scanCancelButton = cancelScanButton;
    static inline CScreenButton*& pointDeleteButton = deletePointButton;
    static inline CScreenButton*& pointNotepadButton = editorPointButton;
    static inline int selectedScan = 0;  // display position of the scan whose menu is shown
    static inline int selectedPoint = 0; // the clicked point of that scan
    static inline int clickX = 0, clickY = 0;
    static inline int editAnchorX = 0, editAnchorY = 0;
    static inline bool editToRight = false;
    // The box naming the scan under the pointer.
    static inline CScreenButton* nameTipButton = nullptr;
    static inline int nameTipX = 0, nameTipY = 0, nameTipScan = 0;
    static inline CScreenButton* peakLabels[kMaxPeakLabels + 1] = {}; // 1..peakLabelCount
    static inline int peakLabelCount = 0;
    // The four values of each labelled peak (weight-average s, share of the total in percent,
    // signal, molar mass) and its range, [1..peakLabelCount]; zeroed with the labels.
    static inline float peakS[kMaxPeakLabels + 1] = {};
    static inline float peakPercent[kMaxPeakLabels + 1] = {};
    static inline float peakSignal[kMaxPeakLabels + 1] = {};
    static inline float peakMass[kMaxPeakLabels + 1] = {};
    static inline float peakLow[kMaxPeakLabels + 1] = {};
    static inline float peakHigh[kMaxPeakLabels + 1] = {};
    static inline bool peakLabelsShown = false; // the peak display is on

    // Deletes every button.
    static void ResetToDefaults();
};

// Deletes the peak label buttons and zeroes their values; their count becomes 0. Without labels
// only the display's switch is cleared.
void ClearPeakLabelButtons();
// Plays the pictures of the shown prompt buttons (not the peak labels) into dc.
void PlayScreenButtons(TDC& dc);
// Plays the peak label buttons into dc.
void PlayPeakLabelButtons(TDC& dc);
