// What the road tests type on the discrete parameters page and read back from the store.
#pragma once

#include "plat/testing.hpp"

// Species k of the discrete page: included, loading, s and M (kDa) typed, s and M floated as
// asked, the loading not floated.
void TypeSpecies(plat::test::Step& step, int k, const char* loading, const char* s,
                 const char* mKDa, bool floatS, bool floatM);
// The rms of data minus fit over the loaded scans' points inside the fit limits, counted from
// the radii (0 when none lies inside).
double RmsInsideFitLimits();
