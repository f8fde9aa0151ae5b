// Reading an experiment file (".xp"): the folder and names of its scans, loaded with the
// loader, then the solution constants, meniscus, bottom, their limits, fit limits and switches.
#pragma once

class TXLAWindow;

void ReadXpExperiment(TXLAWindow* window, const char* path);
