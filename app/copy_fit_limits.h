// The fit limits the Copy menu's tables are cut to.
#pragma once

// Unset fit limits (either one exactly 0) become the meniscus and the bottom, and the left one is
// applied to the scans; with applyRight the right one too.
void GuardCopyFitLimits(bool applyRight);
