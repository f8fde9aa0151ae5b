// The progress texts a module-wide solver reports to LammGrid::progressObserver at x = 10; none
// without a progress observer.
#pragma once

// The run's step (s), steps taken and time (s) from its clock: "dt = %f sec  " at y = 70,
// "#it = %d   " at y = 90, "t = %.0f sec  " (with the amount while profileCurves) at y = 110.
void ShowTimeStepText(double dt);
void ShowIterationText(int steps);
void ShowSimTimeText(double time);
void ShowRiText(float value); // "ri=%f  " at y = 130

// The texts as drawn, for the painter and the tests.
const char* FormatTimeStepText(char* buffer, int size, double dt);
const char* FormatIterationText(char* buffer, int size, int steps);
const char* FormatSimTimeText(char* buffer, int size, double time);
const char* FormatRiText(char* buffer, int size, float value);
