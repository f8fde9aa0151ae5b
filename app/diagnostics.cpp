// The diagnostics switches, off at start.
#include "app/diagnostics.h"

bool gDiagnosticsOn = false;
bool gSolverDiagnostics = false;
bool gThreadDiagnostics = false;
const char* gDiagnosticsFolder = "/tmp/";
