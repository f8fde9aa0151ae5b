// What the road tests type on the discrete parameters page and read back from the store.
#pragma once

#include "plat/testing.hpp"

#include <string>

// Species k of the discrete page: included, loading, s and M (kDa) typed, s and M floated as
// asked, the loading not floated.
void TypeSpecies(plat::test::Step& step, int k, const char* loading, const char* s,
                 const char* mKDa, bool floatS, bool floatM);
// The rms of data minus fit over the loaded scans' points inside the fit limits, counted from
// the radii (0 when none lies inside).
double RmsInsideFitLimits();
// The two species the road tests generate (4 S / 50 kDa and 8 S / 140 kDa, noise 0.005) found
// again: s within 1%, M within 5%, the rms inside the fit limits within 6% of the noise.
bool AtTwoSpeciesTruth();
// s, M and loading of species 1 and 2, the meniscus and that rms, for a failure's message.
std::string TwoSpeciesValues();
