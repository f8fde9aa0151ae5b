// The quantities a model's values stand for and the units they are entered and shown in. The
// stored value is the shown one times scale; the engines read the stored values as they are.
#pragma once

struct ShownQuantity {
    const char* name; // "s", "v", "M", "D", "Rh", ... or the range's abscissa
    const char* unit; // "S", "kDa", "nm", ...: what a label puts in its brackets
    double scale;     // stored = shown x scale
};

// The abscissa of the distribution range of the model chosen: s (S), M or the buoyant M (kDa,
// stored in Da), the Stokes radius (nm), log10 D (D in cm^2/s) or the drift velocity
// (1e-4 cm/s).
ShownQuantity DistributionRangeQuantity();
// The unit the same range is stored in, as the fit report writes it ("Da" where the dialog shows
// kDa).
const char* DistributionRangeStoredUnit();

// A discrete species' second value: s (S), or the drift velocity (1e-4 cm/s) of electrophoresis.
ShownQuantity SpeciesSQuantity();
// A discrete species' third value, slot k (1..4): D (1e-7 cm^2/s), M (kDa, stored in Da), the
// Stokes radius (nm), or for the cumulant analysis the mean D and the second and third cumulants
// (slot 4 "not used", without a unit).
ShownQuantity SpeciesDOrMQuantity(int k);
