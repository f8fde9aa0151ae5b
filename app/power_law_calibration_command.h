// Calibration of the s(M) power law of c(M) with scaling law from a file of (s M) pairs.
#pragma once

class TXLAWindow;

// Reads the pairs the user picks, shows the fitted line on log-log axes until a key is pressed
// and, when accepted, stores ks and kb with the distribution and the model parameters. False
// when the user declines at any step or the file gives no calibration.
bool CalibrateCMPowerLaw(TXLAWindow* window);
