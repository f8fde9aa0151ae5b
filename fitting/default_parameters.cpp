// Default model parameters at start-up.
#include "fitting/default_parameters.h"

#include "fitting/linear_params.h"
#include "state/model_parameters.h"

// The individual values start at their defaults; the packed vector is filled from them, since
// the commands that unpack it first (Fit M and s, the model evaluation) would otherwise read
// zeros and lose the species. The model evaluation reaches the linear-parameter routines
// through the fit-services table filled here.
void InitDefaultParameters() {
    InstallFitServices();
    PackFitParameters();
}
