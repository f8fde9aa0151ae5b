// The fit-range statistics and the default variation limits of meniscus and bottom.
#pragma once

// Sets the default variation limits of meniscus and bottom unless the user set them.
void SetDefaultMeniscusBottomLimits();
// Root-mean-square of signal minus fit over the fit index ranges of all loaded scans.
float CalcFitRmsd();
