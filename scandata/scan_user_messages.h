// The boxes the scan loaders show: each with the sound that goes with it.
#pragma once

class TXLAWindow;

// Error sound, then a box without owner.
void ScanErrorBox(const char* text, const char* caption);
// Info sound, then a box without owner.
void ScanInfoBox(const char* text, const char* caption);
// A box owned by the main window, no sound.
void ScanOwnedBox(TXLAWindow* window, const char* text, const char* caption);
// A Yes/No question owned by the main window; true for Yes.
bool ScanQuestion(TXLAWindow* window, const char* text, const char* caption);

// Main window services the loaders use.
void ScanDebugLog(TXLAWindow* window, const char* text);
void ScanRequestRepaint(TXLAWindow* window);
// Draws text straight into the main window's client area at (x, y).
void ScanDrawText(TXLAWindow* window, int x, int y, const char* text);
void ScanCheckTemperature(TXLAWindow* window, float limit);
