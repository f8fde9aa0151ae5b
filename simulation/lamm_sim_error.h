// The user's report of a Lamm solver object's result code.
#pragma once

#include "lamm/lamm_result.h"

class TXLAWindow;

// Turns the result of CLammIdeal::Run or of a Lamm equation list (a LammResult of
// lamm/lamm_result.h) into its box, owned by the window, and sets the error words of LammGrid:
// no arrays, discretization error (once per fit while a fit runs), singular matrix, too slow
// acceleration, non-ideality not loaded. LammResult::Refused (the solver said why),
// LammResult::Solved, LammResult::ListStopped and any other code show nothing.
void ReportLammSimError(TXLAWindow* window, LammResult code);
