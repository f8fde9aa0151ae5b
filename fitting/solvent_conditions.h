// The inhomogeneous solvent at its loading state: viscosity and density of a cosolute solution,
// the coefficient files, and the conversion of the species between experimental and standard
// (water) conditions.
#pragma once

#include "simulation/solvent_profile.h" // CosoluteViscosity, CosoluteDensity

#include <string>
#include <vector>

// One coefficient per line (the first number of each line) into a 1-based vector; false, with
// the vector emptied, when the file cannot be read or holds no finite number.
bool ReadSolventCoefficients(const std::string& path, std::vector<double>& coefficients);

// The factor that turns s at experimental conditions into s at standard conditions:
// eta_rel (1 - vbar_m rho_w) / (1 - vbar_x rho_b).
double StandardSFactor();

// Species s and D (or M) to standard conditions and the store's buffer to water; outside the
// distribution models the fit vector is packed anew. Sets
// InhomogeneousSolvent::convertedToStandard.
void ConvertToStandardConditions();
// The reverse: species back to the buffer's conditions, the store's buffer to the buffer at
// 1 atm (in the cosolute case with the solvated vbar).
void ConvertToExperimentalConditions();
