// Puts every program-wide record back to its defaults, so tests never leak state.
#pragma once

void ResetAllState();
// The display part of it.
void ResetDisplayState();
