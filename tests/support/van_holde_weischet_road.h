// The van Holde-Weischet analysis chosen through the menu and its result read back, for the
// road tests that run it on data of two known species.
#pragma once

#include "support/main_window_fixture.h"

// Scripts the first questions of the analysis' command: sedimentation, resolution 20.
void ExpectVanHoldeWeischetChoice(MainWindowFixture& f);

// The median extrapolated s of the fractions between lo and hi (both included) whose line ends
// in a finite value; NaN when there is none.
double MedianExtrapolatedS(double lo, double hi);
