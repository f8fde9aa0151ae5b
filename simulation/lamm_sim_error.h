// The user's report of a Lamm solver object's result code.
#pragma once

class TXLAWindow;

// Turns the code of CLammIdeal::Run (or of a Lamm equation list) into its box, owned by the
// window, and sets the error words of LammGrid: 1 no arrays, 2 discretization error (once per
// fit while a fit runs), 3 singular matrix, 5 too slow acceleration, 6 non-ideality not loaded.
// Codes 4 (already reported by the solver), 0 and any other code show nothing.
void ReportLammSimError(TXLAWindow* window, int code);
