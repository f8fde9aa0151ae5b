// The minimum-time-to-equilibrium planner as the user meets it: its notes, its parameter dialog,
// the planning and the caption with both times. No menu command of the main window binds it.
#pragma once

#include "equilibrium/overspeed_planner.h"

class TXLAWindow;

// Each pass of the search takes at most evaluationCap evaluations; one that reaches it says so.
void CalculateMinimumTimeToEq(TXLAWindow* window, int evaluationCap = kOverspeedEvaluationCap);
// Forgets the hours last entered for the length of the simulation (a new session starts at 0).
void ResetMinimumTimeToEqEntry();
