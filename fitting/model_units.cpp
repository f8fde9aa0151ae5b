// Which quantity and unit each model's values have.
#include "fitting/model_units.h"

#include "state/model_choice.h"
#include "state/model_kind.h"

namespace {

using C = ModelChoice;

// The quantity and unit the dialog enters the distribution range in, and the unit of the stored
// value, in which the fit report writes the range.
struct RangeRow {
    ShownQuantity shown;
    const char* stored;
};

RangeRow DistributionRangeRow() {
    switch (CurrentModelTraits().range) {
    case RangeAxis::S:
        return {{"s", "S", 1.0}, "S"};
    case RangeAxis::Mass:
        return {{"M", "kDa", 1000.0}, "Da"};
    case RangeAxis::BuoyantMass:
        return {{"M", "kDa", 1000.0}, "Da buoyant molar mass"};
    case RangeAxis::StokesRadius:
        return {{"Rh", "nm", 1.0}, "nm"};
    case RangeAxis::LogD:
        return {{"log10 D", "log10 D, D in cm^2/s", 1.0}, "log10 D (cm^2/s)"};
    case RangeAxis::Velocity:
        return {{"v", "1e-4 cm/s", 1.0}, "1e-4 cm/s"};
    }
    return {{"s", "S", 1.0}, "S"};
}

} // namespace

ShownQuantity DistributionRangeQuantity() {
    return DistributionRangeRow().shown;
}

const char* DistributionRangeStoredUnit() {
    return DistributionRangeRow().stored;
}

ShownQuantity SpeciesSQuantity() {
    if (!C::contiMode && C::electrophoresis)
        return {"v", "1e-4 cm/s", 1.0};
    return {"s", "S", 1.0};
}

ShownQuantity SpeciesDOrMQuantity(int k) {
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
