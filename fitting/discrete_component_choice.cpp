// The discrete-component forms of the distribution models.
#include "fitting/discrete_component_choice.h"

#include "state/model_choice.h"
#include "state/model_kind.h"

bool DiscreteComponentOn() {
    return CurrentModelTraits().discreteComponent;
}

bool DiscreteComponentByMass() {
    if (ModelChoice::csDiscreteMs)
        return true;
    if (ModelChoice::csDiscreteSD)
        return false;
    return ModelChoice::equilibriumMs;
}
