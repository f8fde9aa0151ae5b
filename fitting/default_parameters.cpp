// Default model parameters: the parameter store is made by the model fitting, which sets its own
// defaults where it defines them; until then there is nothing to set.
#include "fitting/default_parameters.h"

void InitDefaultParameters() {}
