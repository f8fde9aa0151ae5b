// The diagnostics switches, off at start.
#include "state/diagnostics.h"

bool gDiagnosticsOn = false;
bool gSolverDiagnostics = false;
bool gThreadDiagnostics = false;
const char* gDiagnosticsFolder = "/tmp/";
