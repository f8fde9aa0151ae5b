// The main window's button slots and their replay by the paint.
#include "display/screen_button_set.h"

#include "plotting/screen_button.h"

namespace {

CScreenButton** const kPromptSlots[] = {
    &ScreenButtonSet::noiseButton1,      &ScreenButtonSet::noiseButton2,
    &ScreenButtonSet::rangeButton,       &ScreenButtonSet::confirmMoveButton,
    &ScreenButtonSet::cancelMoveButton,  &ScreenButtonSet::editScanButton,
    &ScreenButtonSet::deleteScanButton,  &ScreenButtonSet::cancelScanButton,
    &ScreenButtonSet::deletePointButton, &ScreenButtonSet::editorPointButton,
};

void Play(TDC& dc, CScreenButton* button) {
    if (!button || button->disabled)
        return;
    // A label fitted to the window is fitted again when the window changed size.
    const TSize client = dc.GetViewportExt();
    if (button->playedOn.cx > 0 && button->playedOn != client) {
        button->playedOn = client;
        button->Rebuild();
    }
    if (button->picture) {
        PlayMetaFile(dc, button->picture);
        button->MarkShown();
    }
}

} // namespace

void ClearPeakLabelButtons() {
    using S = ScreenButtonSet;
    S::peakLabelsShown = false;
    if (S::peakLabelCount < 1)
        return;
    for (int k = S::kMaxPeakLabels; k >= 1; --k) {
        for (float* values :
             {S::peakS, S::peakPercent, S::peakSignal, S::peakMass, S::peakLow, S::peakHigh})
            values[k] = 0.0f;
        delete S::peakLabels[k];
        S::peakLabels[k] = nullptr;
    }
    S::peakLabelCount = 0;
}

void ScreenButtonSet::ResetToDefaults() {
    for (CScreenButton** slot : kPromptSlots) {
        delete *slot;
        *slot = nullptr;
    }
    peakLabelCount = kMaxPeakLabels; // every slot and value, whatever the count said
    ClearPeakLabelButtons();
    confirmAnchorX = confirmAnchorY = 0;
    askMoveFitLimits = false;
    hitTolerance = 3;
    hitPoint = 0;
    delete nameTipButton;
    nameTipButton = nullptr;
    selectedScan = selectedPoint = clickX = clickY = editAnchorX = editAnchorY = 0;
    editToRight = false;
    nameTipX = nameTipY = nameTipScan = 0;
}

void PlayScreenButtons(TDC& dc) {
    for (CScreenButton** slot : kPromptSlots)
        Play(dc, *slot);
}

void PlayPeakLabelButtons(TDC& dc) {
    for (int i = 1; i <= ScreenButtonSet::peakLabelCount && i <= ScreenButtonSet::kMaxPeakLabels;
         ++i)
        Play(dc, ScreenButtonSet::peakLabels[i]);
}
