// The on-plot buttons that move fitted systematic noise into the data and put it back, and the
// button that starts an integration of the distribution.
#pragma once

class TXLAWindow;

// Creates each missing noise button above the data plot's top right corner; with a window the
// plots are drawn again.
void ShowNoiseButtons(TXLAWindow* window);
// The client column where the leftmost noise button begins, for a client clientWidth pixels
// wide; -1 while neither is shown.
int NoiseButtonsLeftPixel(float clientWidth);
// Deletes the noise buttons that exist; with a window the plots are drawn again.
void HideNoiseButtons(TXLAWindow* window);
// Moves the fitted TI and RI noise into the data (scans loaded, RI noise fitted, not in the
// realtime mode), then draws the plots.
void RemoveNoiseFromData(TXLAWindow* window);
// Puts the fitted TI noise back into the data (scans loaded, TI noise fitted).
void RestoreNoiseToData(TXLAWindow* window);
// The press on a noise button: it flashes, then its action runs. False when neither was hit.
bool PressNoiseButton(TXLAWindow* window, float x, float y);

// Creates the "integrate" / "select range" button above the distribution plot when missing.
void ShowIntegrateButtons();
// Deletes the integration button if it exists.
void DeleteIntegrateButton();
// Flips the integration button between its two labels; nothing without the button.
void ToggleRangeButton();
