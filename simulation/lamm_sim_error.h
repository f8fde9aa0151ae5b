// The user's report of a Lamm solver object's result code.
#pragma once

#include "lamm/lamm_result.h"

#include <string>
#include <vector>

class TXLAWindow;

// Turns the result of CLammIdeal::Run or of a Lamm equation list (a LammResult of
// lamm/lamm_result.h) into its box, owned by the window, and sets the error words of LammGrid:
// no arrays, discretization error (once per fit while a fit runs), singular matrix, too slow
// acceleration, non-ideality not loaded. LammResult::Refused (the solver said why),
// LammResult::Solved, LammResult::ListStopped and any other code show nothing.
void ReportLammSimError(TXLAWindow* window, LammResult code);

// The files a solution could not write (CLammIdeal::unwrittenFiles, a path once however often it
// failed): one box "could not write <first path>", with the count of the others. Nothing for
// none.
void ReportUnwrittenFiles(const std::vector<std::string>& paths);
