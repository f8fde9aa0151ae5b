// The c(s) kernel by the Lamm list road: one template for everything the equations share.
#pragma once

class TXLAWindow;

// Solves one Lamm equation per grid point p (s[p], D[p], vbar[p] or the store's vbar) into the
// kernel gContiKernel on the common radial grid, with unit loading. Returns 0 when every column
// was computed, else the list's code (1 to 6 from the solver, 7 when the list was stopped); the
// kernel is then not complete and must not be used.
int RunSVContiSedList(TXLAWindow* window, int n, const double* s, const double* D,
                      const double* vbar);
