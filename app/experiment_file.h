// Reading an experiment file (".xp"): the folder and names of its scans, loaded with the
// loader, then the solution constants, meniscus, bottom, their limits, fit limits and switches.
#pragma once

class TXLAWindow;

void ReadXpExperiment(TXLAWindow* window, const char* path);

// Writes the experiment file of the loaded scans for the sibling analysis program (and for
// ReadXpExperiment): type, description, scan list, solvent, cell, fit limits and switches. Asks
// for the solvent values, path length and rotor unless a batch or a data series runs. False
// without scans, or after the box for a file that cannot be opened or for a folder or scan name
// the reader would split (a blank or a quote in a name, a quote in the folder, a line break).
bool WriteMirovanXpFile(TXLAWindow* window, const char* path);
