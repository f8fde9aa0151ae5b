// Which quantity and unit each model's values have.
#include "fitting/model_units.h"

#include "fitting/params_transfer.h"
#include "state/model_choice.h"

ShownQuantity DistributionRangeQuantity() {
    using C = ModelChoice;
    if (C::contiMode && C::dlsID)
        return {"log10 D", "log10 D, D in cm^2/s", 1.0};
    if (C::contiMode && (C::dlsIRh || C::dlsIRhTimeCourse))
        return {"Rh", "nm", 1.0};
    if (C::contiMode && (C::cvElectrophoresis || C::electrophoresisLsG))
        return {"v", "1e-4 cm/s", 1.0};
    if (DistributionRangeIsMass())
        return {"M", "kDa", 1000.0};
    return {"s", "S", 1.0};
}

ShownQuantity SpeciesSQuantity() {
    using C = ModelChoice;
    if (!C::contiMode && C::electrophoresis)
        return {"v", "1e-4 cm/s", 1.0};
    return {"s", "S", 1.0};
}

ShownQuantity SpeciesDOrMQuantity(int k) {
    using C = ModelChoice;
    if (!C::contiMode && C::dlsStokesRadii)
        return {"Rh", "nm", 1.0};
    if (!C::contiMode && C::dlsCumulants) {
        // The slots hold one decay: its mean D, then the cumulants around it.
        if (k == 2)
            return {"mu2", "1e-14 cm^4/s^2", 1.0};
        if (k == 3)
            return {"mu3", "1e-21 cm^6/s^3", 1.0};
        if (k == 1)
            return {"mean D", "1e-7 cm^2/s", 1.0};
        return {"not used", "", 1.0};
    }
    if (C::equilibriumMs)
        return {"M", "kDa", 1000.0};
    return {"D", "1e-7 cm^2/s", 1.0};
}
