// Which quantity and unit each model's values have.
#include "fitting/model_units.h"

#include "fitting/params_transfer.h"
#include "state/model_choice.h"

#include <iterator>

namespace {

using C = ModelChoice;

// The distribution ranges, the first row that applies taken: the quantity and unit the dialog
// enters, and the unit of the stored value, in which the fit report writes the range.
struct RangeRow {
    bool (*applies)();
    ShownQuantity shown;
    const char* stored;
};

const RangeRow kRangeRows[] = {
    {[] { return C::dlsID; }, {"log10 D", "log10 D, D in cm^2/s", 1.0}, "log10 D (cm^2/s)"},
    {[] { return C::dlsIRh || C::dlsIRhTimeCourse; }, {"Rh", "nm", 1.0}, "nm"},
    {[] { return C::cvElectrophoresis || C::electrophoresisLsG; },
     {"v", "1e-4 cm/s", 1.0},
     "1e-4 cm/s"},
    {[] { return C::cmInvariantD && DistributionRangeIsMass(); },
     {"M", "kDa", 1000.0},
     "Da buoyant molar mass"},
    {[] { return DistributionRangeIsMass(); }, {"M", "kDa", 1000.0}, "Da"},
    {[] { return true; }, {"s", "S", 1.0}, "S"},
};

const RangeRow& DistributionRangeRow() {
    // Outside the distribution models the range is one of s.
    if (!C::contiMode)
        return kRangeRows[std::size(kRangeRows) - 1];
    for (const RangeRow& row : kRangeRows)
        if (row.applies())
            return row;
    return kRangeRows[std::size(kRangeRows) - 1];
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
