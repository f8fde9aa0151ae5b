// The discrete-component forms of the distribution models.
#include "fitting/discrete_component_choice.h"

#include "state/model_choice.h"

bool DiscreteComponentOn() {
    return ModelChoice::csDiscreteMs || ModelChoice::csDiscreteSD || ModelChoice::csFf0Discrete ||
           ModelChoice::lsgDiscrete || ModelChoice::csBimodalDiscrete;
}

bool DiscreteComponentByMass() {
    if (ModelChoice::csDiscreteMs)
        return true;
    if (ModelChoice::csDiscreteSD)
        return false;
    return ModelChoice::equilibriumMs;
}
