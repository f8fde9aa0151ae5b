// Diagnostics output to files: the switches and the folder of the trace files.
#pragma once

extern bool gDiagnosticsOn;     // "Diagnostics Output to Files"
extern bool gSolverDiagnostics; // follows gDiagnosticsOn; copied into each Lamm solver
extern bool gThreadDiagnostics; // follows gDiagnosticsOn; read by the Lamm thread driver

// Folder of the trace files, with a trailing '/': "/tmp/" unless a test points it elsewhere.
extern const char* gDiagnosticsFolder;
