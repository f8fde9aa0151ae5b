// "ScanRms.dat": the rms of each scan's residuals inside its fit range, and the worst scan.
#pragma once

#include "state/display_options.h"

void WriteScanRmsFile();
