// The Lamm equation preferences "tarnixlammparams.ini".
#pragma once

class TXLAWindow;

// Reads the Lamm equation numerical defaults at start-up.
void ReadLammEqParameterPreferences(TXLAWindow* window);
