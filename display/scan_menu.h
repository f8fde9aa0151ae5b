// The on-plot menus of a clicked scan point ("edit %s?", "delete %s?", "cancel"; then "delete
// point?" and "-> notepad?") and the box naming the scan under the pointer.
#pragma once

class TXLAWindow;

// Opens the scan menu beside the client point (x, y) for the scan at display position k; the
// point is ScreenButtonSet::hitPoint.
void ShowScanButtons(TXLAWindow* window, int x, int y, int k);
void HideScanButtons(TXLAWindow* window);
// which: 0 cancel, 1 edit (opens the point menu), 2 drop the scan from the loaded set.
void ScanButtonAction(TXLAWindow* window, int which);
void ShowPointEditButtons(TXLAWindow* window, int x, int y, bool toRight);
void HidePointEditButtons(TXLAWindow* window);
// which: 1 delete the selected point, 2 open the scan file in the text editor.
void PointEditButtonAction(TXLAWindow* window, int which);
void ShowScanNameTip(TXLAWindow* window, int k, int x, int y);
void HideScanNameTip(TXLAWindow* window);
