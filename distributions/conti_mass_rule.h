// The molar mass that a c(s) model gives each sedimentation coefficient: the frictional ratio of
// plain c(s), or the shape assumption of a member (bimodal f/f0, conformer of fixed mass,
// wormlike chain, scaling law, M(s) table, linear rod, one diffusion coefficient). One rule serves
// the distribution grid, the peak labels and the molar-mass readout.
#pragma once

#include "distributions/conti_grid.h"

#include <string>

// M (Da) of s (S) under the variant's rule, with the main frictional ratio ff0, the invariant D
// (cm^2/s) and the scans' temperature (deg C). Variants without a rule of their own (plain c(s),
// the non-ideal c(s), c(M), the boundary analyses) take the frictional ratio. The grid asks for
// the mirror: there an s of those variants of the sign the buffer does not give (negative where
// nothing floats, vbar rho below 1; positive where everything floats, vbar rho above 1) takes the
// molar mass of its mirror -s, so that its point has a size. A peak's shown mass takes no mirror
// (0 for such an s).
double ContiMolarMassOfS(ContiVariant variant, double s, float ff0, double invariantD,
                         double temperatureC, bool mirror = false);

// Why the rule's own values cannot give molar masses (a range that is empty or not finite, a
// second f/f0 below 1, a molar mass, coefficient or chain value that is not positive, no M(s)
// table); empty when usable or for variants without such values. The M(s) table is read from the
// program folder when none was chosen.
std::string CheckContiMassRule(ContiVariant variant);

// After a grid is built: the first point whose molar mass or diffusion coefficient the rule
// cannot give (none, not finite, or of the wrong sign), or, for the c(M) laws of s or vbar, whose s
// or D is not usable, named; empty when every point is usable.
std::string CheckContiMassRuleGrid(const ContiGrid& grid);
