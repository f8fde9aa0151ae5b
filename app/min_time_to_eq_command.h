// The minimum-time-to-equilibrium planner as the user meets it: its notes, its parameter dialog,
// the planning and the caption with both times. No menu command of the main window binds it.
#pragma once

class TXLAWindow;

void CalculateMinimumTimeToEq(TXLAWindow* window);
