// The run of the outside hydrodynamic program on an atomic structure.
#pragma once

#include <string>

class TXLAWindow;

// Where the program is: the program folder ("hydropro7cmsd.exe", or the name without ".exe"),
// else the PATH; empty when it is nowhere.
std::string FindHydroProProgram();

// After the run: the result file <runFolder>/<name>.res opened in the text editor and its error
// lines and sedimentation coefficient shown; without the file the box that none was made.
void ShowHydroProResults(TXLAWindow* window, const std::string& runFolder, const std::string& name);
