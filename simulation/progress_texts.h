// The progress texts a module-wide solver reports to LammGrid::progressObserver at x = 10; none
// without a progress observer.
#pragma once

void ShowTimeStepText();      // "dt = %f sec  " at y = 70
void ShowIterationText();     // "#it = %d   " at y = 90
void ShowSimTimeText();       // "t = %.0f sec  " (with the amount while profileCurves) at y = 110
void ShowRiText(float value); // "ri=%f  " at y = 130

// The texts as drawn, for the painter and the tests.
const char* FormatTimeStepText(char* buffer, int size);
const char* FormatIterationText(char* buffer, int size);
const char* FormatSimTimeText(char* buffer, int size);
const char* FormatRiText(char* buffer, int size, float value);
