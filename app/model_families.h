// Which models some commands treat as members of their family: the checks the model menu, the
// saved fit, the residuals wizard and the export make of the model chosen.
#pragma once

// A member of the c(s) family other than plain c(M) is chosen (the base leaves it to its own
// command).
bool AnyCsMemberOn();

// "Update saved fit parameters" keeps a copy of the fit for the model chosen and its data.
bool SavedFitParametersKept();

// The residuals wizard reads the ends of the distribution as a hint about its range.
bool DistributionEndsChecked();

// The export writes the hybrid discrete - c(s) model of the distribution chosen.
bool CsFamilyExported();

// The model floats vbar itself and keeps it out of the fit vector's buoyancy slot.
bool ModelFloatsVbar();
